// A drawing target the controls paint on: a window's device context on Win32, an RGB canvas in the
// offscreen back end. Bitmaps are opaque handles that belong to the back end that loaded them.
#pragma once

#include <cstdint>

using BitmapHandle = void*;

// The three ways a bitmap rectangle is combined with what the surface already shows, bit for bit
// per colour channel (GDI's SRCCOPY, SRCAND and SRCPAINT).
enum class RasterMode { Copy, And, Or };

// Colours are 0x00BBGGRR, as a Win32 COLORREF.
constexpr std::uint32_t rgbColour(int red, int green, int blue) {
    return std::uint32_t(red) | (std::uint32_t(green) << 8) | (std::uint32_t(blue) << 16);
}

class Surface {
  public:
    virtual ~Surface() = default;
    // Copies width x height pixels of the bitmap from (sourceX, sourceY) to (destX, destY). Parts of
    // the rectangle outside the bitmap or the surface are left alone.
    virtual void copyBitmap(BitmapHandle bitmap, int sourceX, int sourceY, int width, int height, int destX,
                            int destY, RasterMode mode) = 0;
    // Fills left <= x < right, top <= y < bottom.
    virtual void fillRect(int left, int top, int right, int bottom, std::uint32_t colour) = 0;
};
