#include "tools/bitmaps/Picture.h"

#include <algorithm>
#include <cmath>

#include "tools/bitmaps/PixelFont.h"

namespace {
std::uint8_t channel(double from, double to, double amount) {
    return std::uint8_t(std::lround(from + (to - from) * amount));
}

// Coverage of a pixel by a shape whose edge is `distance` pixels inside it (negative: outside).
double coverage(double distance) {
    return std::clamp(distance + 0.5, 0.0, 1.0);
}

void put16(std::vector<std::uint8_t>& out, unsigned value) {
    out.push_back(std::uint8_t(value));
    out.push_back(std::uint8_t(value >> 8));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

std::vector<std::uint8_t> headers(int width, int height, int bitsPerPixel, int paletteEntries) {
    std::uint32_t rowBytes = std::uint32_t(((width * bitsPerPixel + 31) / 32) * 4);
    std::uint32_t pixelOffset = 14 + 40 + std::uint32_t(paletteEntries) * 4;
    std::uint32_t imageBytes = rowBytes * std::uint32_t(height);
    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    put32(out, pixelOffset + imageBytes);
    put32(out, 0);
    put32(out, pixelOffset);
    put32(out, 40);
    put32(out, std::uint32_t(width));
    put32(out, std::uint32_t(height));  // positive: bottom-up rows
    put16(out, 1);
    put16(out, unsigned(bitsPerPixel));
    put32(out, 0);  // no compression
    put32(out, imageBytes);
    put32(out, 2835);  // 72 dots per inch
    put32(out, 2835);
    put32(out, std::uint32_t(paletteEntries));
    put32(out, 0);
    return out;
}

void padRow(std::vector<std::uint8_t>& out, std::size_t rowStart) {
    while ((out.size() - rowStart) % 4 != 0) out.push_back(0);
}
}  // namespace

Rgb mix(Rgb from, Rgb to, double amount) {
    return {channel(from.red, to.red, amount), channel(from.green, to.green, amount),
            channel(from.blue, to.blue, amount)};
}

Picture::Picture(int width, int height, Rgb colour)
    : pictureWidth(width), pictureHeight(height), pixels(std::size_t(width) * height, colour) {}

void Picture::set(int x, int y, Rgb colour) {
    if (x < 0 || y < 0 || x >= pictureWidth || y >= pictureHeight) return;
    pixels[std::size_t(y) * pictureWidth + x] = colour;
}

void Picture::blend(int x, int y, Rgb colour, double amount) {
    if (x < 0 || y < 0 || x >= pictureWidth || y >= pictureHeight || amount <= 0.0) return;
    set(x, y, mix(at(x, y), colour, std::min(amount, 1.0)));
}

void Picture::fillRect(int left, int top, int width, int height, Rgb colour) {
    for (int y = top; y < top + height; ++y) {
        for (int x = left; x < left + width; ++x) set(x, y, colour);
    }
}

void Picture::panel(int left, int top, int width, int height, int radius, Rgb fill, Rgb border) {
    // Distance from a pixel centre to the rounded outline, positive inside.
    auto inside = [&](int x, int y) {
        double px = x + 0.5;
        double py = y + 0.5;
        double cx = std::clamp(px, double(left + radius), double(left + width - radius));
        double cy = std::clamp(py, double(top + radius), double(top + height - radius));
        double cornerDistance = std::hypot(px - cx, py - cy);
        double edge = std::min({px - left, left + width - px, py - top, top + height - py});
        return (cornerDistance > 0.0) ? radius - cornerDistance : std::min(edge, double(radius));
    };
    for (int y = top; y < top + height; ++y) {
        for (int x = left; x < left + width; ++x) {
            double depth = inside(x, y);
            blend(x, y, border, coverage(depth));
            blend(x, y, fill, coverage(depth - 1.0));
        }
    }
}

void Picture::disc(double centreX, double centreY, double radius, Rgb colour) {
    for (int y = int(centreY - radius) - 1; y <= int(centreY + radius) + 1; ++y) {
        for (int x = int(centreX - radius) - 1; x <= int(centreX + radius) + 1; ++x) {
            double distance = std::hypot(x + 0.5 - centreX, y + 0.5 - centreY);
            blend(x, y, colour, coverage(radius - distance));
        }
    }
}

void Picture::ring(double centreX, double centreY, double radius, double thickness, Rgb colour) {
    double outer = radius + thickness / 2.0;
    for (int y = int(centreY - outer) - 1; y <= int(centreY + outer) + 1; ++y) {
        for (int x = int(centreX - outer) - 1; x <= int(centreX + outer) + 1; ++x) {
            double distance = std::hypot(x + 0.5 - centreX, y + 0.5 - centreY);
            blend(x, y, colour, coverage(thickness / 2.0 - std::fabs(distance - radius)));
        }
    }
}

void Picture::line(double x0, double y0, double x1, double y1, double thickness, Rgb colour) {
    double dx = x1 - x0;
    double dy = y1 - y0;
    double lengthSquared = dx * dx + dy * dy;
    int left = int(std::min(x0, x1) - thickness) - 1;
    int right = int(std::max(x0, x1) + thickness) + 1;
    int top = int(std::min(y0, y1) - thickness) - 1;
    int bottom = int(std::max(y0, y1) + thickness) + 1;
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            double px = x + 0.5 - x0;
            double py = y + 0.5 - y0;
            double along =
                lengthSquared > 0.0 ? std::clamp((px * dx + py * dy) / lengthSquared, 0.0, 1.0) : 0.0;
            double distance = std::hypot(px - along * dx, py - along * dy);
            blend(x, y, colour, coverage(thickness / 2.0 - distance));
        }
    }
}

void Picture::text(int left, int top, const std::string& text, Rgb colour, int scale) {
    int x = left;
    for (char character : text) {
        if (const char* const* rows = pixel_font::glyph(character)) {
            for (int row = 0; row < pixel_font::glyphHeight; ++row) {
                for (int column = 0; column < pixel_font::glyphWidth; ++column) {
                    if (rows[row][column] == '#')
                        fillRect(x + column * scale, top + row * scale, scale, scale, colour);
                }
            }
        }
        x += pixel_font::advance * scale;
    }
}

void Picture::centredText(int centreX, int top, const std::string& label, Rgb colour, int scale) {
    text(centreX - pixel_font::textWidth(label, scale) / 2, top, label, colour, scale);
}

void Picture::paste(const Picture& other, int left, int top) {
    for (int y = 0; y < other.height(); ++y) {
        for (int x = 0; x < other.width(); ++x) set(left + x, top + y, other.at(x, y));
    }
}

std::vector<std::uint8_t> Picture::bmp24() const {
    std::vector<std::uint8_t> out = headers(pictureWidth, pictureHeight, 24, 0);
    for (int y = pictureHeight - 1; y >= 0; --y) {
        std::size_t rowStart = out.size();
        for (int x = 0; x < pictureWidth; ++x) {
            Rgb c = at(x, y);
            out.insert(out.end(), {c.blue, c.green, c.red});
        }
        padRow(out, rowStart);
    }
    return out;
}

std::vector<std::uint8_t> Picture::bmp32() const {
    std::vector<std::uint8_t> out = headers(pictureWidth, pictureHeight, 32, 0);
    for (int y = pictureHeight - 1; y >= 0; --y) {
        for (int x = 0; x < pictureWidth; ++x) {
            Rgb c = at(x, y);
            out.insert(out.end(), {c.blue, c.green, c.red, 0});
        }
    }
    return out;
}

std::vector<std::uint8_t> Picture::bmp8Grey() const {
    std::vector<std::uint8_t> out = headers(pictureWidth, pictureHeight, 8, 256);
    std::vector<std::uint8_t> palette;
    for (int i = 0; i < 256; ++i)
        palette.insert(palette.end(), {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0});
    out.insert(out.begin() + 54, palette.begin(), palette.end());
    for (int y = pictureHeight - 1; y >= 0; --y) {
        std::size_t rowStart = out.size();
        for (int x = 0; x < pictureWidth; ++x) out.push_back(at(x, y).red);
        padRow(out, rowStart);
    }
    return out;
}
