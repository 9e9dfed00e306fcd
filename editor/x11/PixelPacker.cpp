#include "editor/x11/PixelPacker.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <cstring>

PixelPacker::PixelPacker(unsigned long redMask, unsigned long greenMask, unsigned long blueMask, int depth)
    : redChannel(channelOf(redMask)), greenChannel(channelOf(greenMask)), blueChannel(channelOf(blueMask)) {
    bool overlapping = (redMask & greenMask) != 0 || (redMask & blueMask) != 0 || (greenMask & blueMask) != 0;
    isUsable = redChannel.bits > 0 && greenChannel.bits > 0 && blueChannel.bits > 0 && !overlapping;
    if (depth > 0 && depth <= 32) {
        std::uint64_t depthBits = (std::uint64_t(1) << depth) - 1;
        opaqueBits = static_cast<unsigned long>(depthBits) & ~(redMask | greenMask | blueMask);
    }
}

// bits stays 0 for an empty, gapped or over-wide mask, which makes the packer unusable.
PixelPacker::Channel PixelPacker::channelOf(unsigned long mask) {
    Channel channel;
    if (mask == 0) return channel;
    int shift = 0;
    while (((mask >> shift) & 1) == 0) ++shift;
    int bits = 0;
    while (shift + bits < int(sizeof(mask) * 8) && ((mask >> (shift + bits)) & 1) != 0) ++bits;
    if (bits > 16 || (mask >> shift) != (1UL << bits) - 1) return channel;
    channel.mask = mask;
    channel.shift = shift;
    channel.bits = bits;
    return channel;
}

unsigned long PixelPacker::place(const Channel& channel, std::uint8_t value) {
    unsigned long scaled = channel.bits <= 8 ? value >> (8 - channel.bits)
                                             : (static_cast<unsigned long>(value) << (channel.bits - 8)) |
                                                   (value >> (16 - channel.bits));
    return (scaled << channel.shift) & channel.mask;
}

namespace {
bool littleEndianHost() {
    const std::uint16_t probe = 1;
    std::uint8_t first;
    std::memcpy(&first, &probe, 1);
    return first == 1;
}
}  // namespace

void writePixels(const RgbImage& canvas, const PixelPacker& packer, XImage& image, PixelRect area) {
    area = area.clippedTo(std::min(canvas.width, image.width), std::min(canvas.height, image.height));
    if (area.empty()) return;
    // The usual 32-bit layout in the host's byte order is stored directly; anything else through
    // Xlib's own pixel writer.
    bool direct = image.bits_per_pixel == 32 && (image.byte_order == LSBFirst) == littleEndianHost();
    for (int y = area.top; y < area.bottom; ++y) {
        const std::uint8_t* from = &canvas.pixels[(std::size_t(y) * canvas.width + area.left) * 3];
        char* row = image.data + std::size_t(y) * image.bytes_per_line;
        for (int x = area.left; x < area.right; ++x, from += 3) {
            unsigned long pixel = packer.pack(from[0], from[1], from[2]);
            if (direct) {
                std::uint32_t value = std::uint32_t(pixel);
                std::memcpy(row + std::size_t(x) * 4, &value, 4);
            } else {
                XPutPixel(&image, x, y, pixel);
            }
        }
    }
}
