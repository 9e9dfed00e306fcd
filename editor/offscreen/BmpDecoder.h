// Reads the uncompressed Windows bitmaps the panel ships (40-byte header; 8 bits with a palette,
// 24 or 32 bits) into RGB, as LoadBitmapA turns them into true-colour pixels: palette entries and
// pixels taken exactly, the fourth byte of a 32-bit pixel ignored.
#pragma once

#include <cstddef>
#include <cstdint>

#include "editor/offscreen/RgbImage.h"

// False, with the image untouched, for anything malformed, truncated or of another format.
bool decodeBmp(const std::uint8_t* data, std::size_t size, RgbImage& image);
