// Writes an RGB picture as an 8-bit PNG file.
#pragma once

#include <string>

#include "editor/offscreen/RgbImage.h"

bool writePng(const std::string& path, const RgbImage& image);
