// A surface on an RGB canvas that remembers which rectangle its drawing touched, so that only that
// part has to travel to the X server. The pixels are exactly the offscreen back end's.
#pragma once

#include "editor/offscreen/RgbImage.h"

// left <= x < right, top <= y < bottom; empty when it holds no pixel.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool empty() const { return right <= left || bottom <= top; }
    // The smallest rectangle holding both; an empty one adds nothing.
    void unite(const PixelRect& other);
    PixelRect clippedTo(int width, int height) const;
};

class ChangeTrackingSurface : public Surface {
  public:
    explicit ChangeTrackingSurface(RgbImage& canvas) : canvas(canvas) {}

    void copyBitmap(BitmapHandle bitmap, int sourceX, int sourceY, int width, int height, int destX,
                    int destY, RasterMode mode) override;
    void fillRect(int left, int top, int right, int bottom, std::uint32_t colour) override;

    // Within the canvas; it may be larger than what changed (a copy clipped by its source), never smaller.
    const PixelRect& changedArea() const { return changed; }

  private:
    void note(PixelRect area);

    RgbImage& canvas;
    PixelRect changed;
};
