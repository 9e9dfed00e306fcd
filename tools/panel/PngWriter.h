// Encodes an RGB picture as an 8-bit PNG file image.
#pragma once

#include <cstdint>
#include <vector>

#include "editor/offscreen/RgbImage.h"

// False when libpng fails or the picture is empty.
bool encodePng(const RgbImage& image, std::vector<std::uint8_t>& bytes);
