// A 5 x 7 pixel font for the panel's labels: capitals, digits, a lower-case m and a little
// punctuation. Each glyph is seven rows of five columns; characters it lacks draw as nothing.
#pragma once

#include <string>

namespace pixel_font {
constexpr int glyphWidth = 5;
constexpr int glyphHeight = 7;
constexpr int advance = glyphWidth + 1;

// Seven strings of five characters, '#' for a set pixel; null when the character has no glyph.
const char* const* glyph(char character);
// Width in pixels of a text drawn at the given scale (no trailing gap).
int textWidth(const std::string& text, int scale = 1);
}  // namespace pixel_font
