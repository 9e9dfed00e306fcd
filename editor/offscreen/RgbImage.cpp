#include "editor/offscreen/RgbImage.h"

#include <algorithm>

RgbImage::RgbImage(int width, int height, std::uint32_t colour)
    : width(width), height(height), pixels(std::size_t(width) * std::size_t(height) * 3) {
    fill(*this, 0, 0, width, height, colour);
}

std::uint32_t RgbImage::pixel(int x, int y) const {
    const std::uint8_t* p = &pixels[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3];
    return rgbColour(p[0], p[1], p[2]);
}

void RgbImage::setPixel(int x, int y, std::uint32_t colour) {
    std::uint8_t* p = &pixels[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3];
    p[0] = std::uint8_t(colour);
    p[1] = std::uint8_t(colour >> 8);
    p[2] = std::uint8_t(colour >> 16);
}

void blit(RgbImage& destination, int destX, int destY, const RgbImage& source, int sourceX, int sourceY,
          int width, int height, RasterMode mode) {
    // Shrink the rectangle until every row and column lies inside both images.
    int skipLeft = std::max({0, -destX, -sourceX});
    int skipTop = std::max({0, -destY, -sourceY});
    int right = std::min({width, destination.width - destX, source.width - sourceX});
    int bottom = std::min({height, destination.height - destY, source.height - sourceY});
    if (right <= skipLeft || bottom <= skipTop) return;
    std::size_t bytes = std::size_t(right - skipLeft) * 3;
    for (int row = skipTop; row < bottom; ++row) {
        const std::uint8_t* from =
            &source.pixels[(std::size_t(sourceY + row) * source.width + sourceX + skipLeft) * 3];
        std::uint8_t* to =
            &destination.pixels[(std::size_t(destY + row) * destination.width + destX + skipLeft) * 3];
        for (std::size_t i = 0; i < bytes; ++i) {
            switch (mode) {
                case RasterMode::Copy:
                    to[i] = from[i];
                    break;
                case RasterMode::And:
                    to[i] &= from[i];
                    break;
                case RasterMode::Or:
                    to[i] |= from[i];
                    break;
            }
        }
    }
}

void fill(RgbImage& destination, int left, int top, int right, int bottom, std::uint32_t colour) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, destination.width);
    bottom = std::min(bottom, destination.height);
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) destination.setPixel(x, y, colour);
    }
}
