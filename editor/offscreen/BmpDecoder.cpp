#include "editor/offscreen/BmpDecoder.h"

namespace {
std::uint32_t readU32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
std::uint16_t readU16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | (p[1] << 8));
}

constexpr std::size_t fileHeaderSize = 14;
constexpr std::uint32_t infoHeaderSize = 40;
constexpr std::int64_t largestSide = 16384;  // far beyond any panel bitmap; keeps sizes sane
}  // namespace

bool decodeBmp(const std::uint8_t* data, std::size_t size, RgbImage& image) {
    if (data == nullptr || size < fileHeaderSize + infoHeaderSize) return false;
    if (data[0] != 'B' || data[1] != 'M') return false;
    const std::uint8_t* info = data + fileHeaderSize;
    if (readU32(info) != infoHeaderSize) return false;
    std::int64_t width = std::int32_t(readU32(info + 4));
    std::int64_t signedHeight = std::int32_t(readU32(info + 8));
    int bitsPerPixel = readU16(info + 14);
    std::uint32_t compression = readU32(info + 16);
    std::uint32_t coloursUsed = readU32(info + 32);
    if (readU16(info + 12) != 1 || compression != 0) return false;
    if (bitsPerPixel != 8 && bitsPerPixel != 24 && bitsPerPixel != 32) return false;
    bool topDown = signedHeight < 0;
    std::int64_t height = topDown ? -signedHeight : signedHeight;
    if (width <= 0 || height <= 0 || width > largestSide || height > largestSide) return false;

    std::uint32_t paletteEntries = 0;
    if (bitsPerPixel == 8) {
        paletteEntries = coloursUsed == 0 ? 256 : coloursUsed;
        if (paletteEntries > 256) return false;
    }
    const std::uint8_t* palette = info + infoHeaderSize;
    if (fileHeaderSize + infoHeaderSize + std::size_t(paletteEntries) * 4 > size) return false;

    std::size_t pixelOffset = readU32(data + 10);
    std::size_t rowBytes = ((std::size_t(width) * bitsPerPixel + 31) / 32) * 4;
    std::size_t pixelBytes = rowBytes * std::size_t(height);
    if (pixelOffset > size || size - pixelOffset < pixelBytes) return false;

    RgbImage decoded(static_cast<int>(width), static_cast<int>(height));
    for (std::int64_t row = 0; row < height; ++row) {
        const std::uint8_t* source =
            data + pixelOffset + rowBytes * std::size_t(topDown ? row : height - 1 - row);
        for (std::int64_t x = 0; x < width; ++x) {
            const std::uint8_t* bgr;
            if (bitsPerPixel == 8) {
                std::uint8_t index = source[x];
                // An index past a short palette shows black, as GDI does.
                static const std::uint8_t black[3] = {0, 0, 0};
                bgr = index < paletteEntries ? palette + std::size_t(index) * 4 : black;
            } else {
                bgr = source + std::size_t(x) * std::size_t(bitsPerPixel / 8);
            }
            decoded.setPixel(int(x), int(row), rgbColour(bgr[2], bgr[1], bgr[0]));
        }
    }
    image = std::move(decoded);
    return true;
}
