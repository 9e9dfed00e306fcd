// An 8-bit-per-channel RGB picture, top row first: the offscreen window's canvas and the
// offscreen bitmaps alike.
#pragma once

#include <cstdint>
#include <vector>

#include "editor/Surface.h"

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // red, green, blue per pixel

    RgbImage() = default;
    RgbImage(int width, int height, std::uint32_t colour = 0);

    // 0x00BBGGRR like a COLORREF.
    std::uint32_t pixel(int x, int y) const;
    void setPixel(int x, int y, std::uint32_t colour);
    bool operator==(const RgbImage& other) const {
        return width == other.width && height == other.height && pixels == other.pixels;
    }
};

// GDI's BitBlt on a true-colour surface: per channel, replace (Copy), AND or OR. The rectangle is
// clipped to both images; what falls outside either is left alone.
void blit(RgbImage& destination, int destX, int destY, const RgbImage& source, int sourceX, int sourceY,
          int width, int height, RasterMode mode);
void fill(RgbImage& destination, int left, int top, int right, int bottom, std::uint32_t colour);
