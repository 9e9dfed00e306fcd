// A small RGB picture with the few drawing operations the panel art needs (rectangles, discs,
// rings, thick lines and pixel text, edges smoothed by coverage) and the writers for the three
// bitmap formats the panel uses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

Rgb mix(Rgb from, Rgb to, double amount);  // amount 0 gives from, 1 gives to

class Picture {
  public:
    Picture(int width, int height, Rgb colour = {});

    int width() const { return pictureWidth; }
    int height() const { return pictureHeight; }
    Rgb at(int x, int y) const { return pixels[std::size_t(y) * pictureWidth + x]; }
    void set(int x, int y, Rgb colour);
    // Lays colour over the pixel with the given coverage (0..1); outside pixels are ignored.
    void blend(int x, int y, Rgb colour, double coverage);

    void fillRect(int left, int top, int width, int height, Rgb colour);
    // Filled rectangle with corners rounded by radius and a one-pixel border.
    void panel(int left, int top, int width, int height, int radius, Rgb fill, Rgb border);
    void disc(double centreX, double centreY, double radius, Rgb colour);
    void ring(double centreX, double centreY, double radius, double thickness, Rgb colour);
    void line(double x0, double y0, double x1, double y1, double thickness, Rgb colour);
    void text(int left, int top, const std::string& text, Rgb colour, int scale = 1);
    // Text centred horizontally on centreX.
    void centredText(int centreX, int top, const std::string& text, Rgb colour, int scale = 1);
    void paste(const Picture& other, int left, int top);

    // Uncompressed bottom-up BMP files with a 40-byte header.
    std::vector<std::uint8_t> bmp24() const;
    std::vector<std::uint8_t> bmp32() const;
    // 8 bits per pixel with a 256-entry grey palette (entry i is grey i): only for black and white art.
    std::vector<std::uint8_t> bmp8Grey() const;

  private:
    int pictureWidth;
    int pictureHeight;
    std::vector<Rgb> pixels;
};
