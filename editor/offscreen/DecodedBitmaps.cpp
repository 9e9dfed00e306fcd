#include "editor/offscreen/DecodedBitmaps.h"

#include <memory>

#include "editor/offscreen/BmpDecoder.h"

BitmapHandle DecodedBitmaps::load(int resourceId) {
    if (!source) return nullptr;
    BitmapBytes bytes = source(resourceId);
    auto image = std::make_unique<RgbImage>();
    if (!decodeBmp(bytes.data, bytes.size, *image)) return nullptr;
    ++bitmapsAlive;
    return image.release();
}

void DecodedBitmaps::remove(BitmapHandle bitmap) {
    if (bitmap == nullptr) return;
    delete static_cast<RgbImage*>(bitmap);
    --bitmapsAlive;
}

bool DecodedBitmaps::size(BitmapHandle bitmap, int& width, int& height) {
    if (bitmap == nullptr) return false;
    const RgbImage& image = *static_cast<const RgbImage*>(bitmap);
    width = image.width;
    height = image.height;
    return true;
}
