// Bitmap resources decoded from BMP bytes into RGB images, for the back ends that draw in memory
// (offscreen and X11). Handles are RgbImage pointers owned by whoever loaded them until deleted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "editor/Surface.h"
#include "editor/offscreen/RgbImage.h"

struct BitmapBytes {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};
// Where bitmap resources come from; an empty answer means the resource is missing.
using BitmapSource = std::function<BitmapBytes(int resourceId)>;

// The bitmaps embedded in the plug-in library, by resource id.
BitmapBytes embeddedBitmapBytes(int resourceId);

class DecodedBitmaps {
  public:
    explicit DecodedBitmaps(BitmapSource source) : source(std::move(source)) {}

    // Null when the resource is missing or not a bitmap we can read.
    BitmapHandle load(int resourceId);
    void remove(BitmapHandle bitmap);
    static bool size(BitmapHandle bitmap, int& width, int& height);
    int alive() const { return bitmapsAlive; }

  private:
    BitmapSource source;
    int bitmapsAlive = 0;
};
