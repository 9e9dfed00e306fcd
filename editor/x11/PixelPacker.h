// The canvas's 8-bit RGB turned into the pixel values of a true-colour X visual. Each channel's 8
// bits go into its mask (the top bits for a narrower mask, repeated for a wider one); bits of the
// depth that no colour mask covers (the alpha of a 32-bit visual) are set, so the window is opaque
// under a compositor.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>

#include "editor/offscreen/RgbImage.h"
#include "editor/x11/ChangeTrackingSurface.h"

class PixelPacker {
  public:
    PixelPacker() = default;
    PixelPacker(unsigned long redMask, unsigned long greenMask, unsigned long blueMask, int depth);

    // False unless every mask is one run of 1 to 16 bits and the masks do not overlap.
    bool usable() const { return isUsable; }
    unsigned long pack(std::uint8_t red, std::uint8_t green, std::uint8_t blue) const {
        return place(redChannel, red) | place(greenChannel, green) | place(blueChannel, blue) | opaqueBits;
    }

  private:
    struct Channel {
        unsigned long mask = 0;
        int shift = 0;
        int bits = 0;
    };
    static Channel channelOf(unsigned long mask);
    static unsigned long place(const Channel& channel, std::uint8_t value);

    Channel redChannel, greenChannel, blueChannel;
    unsigned long opaqueBits = 0;
    bool isUsable = false;
};

// Writes the canvas's pixels inside area (clipped to both) into the image at the same place.
void writePixels(const RgbImage& canvas, const PixelPacker& packer, XImage& image, PixelRect area);
