// The offscreen window system's pixels: BMP decoding as LoadBitmapA sees the files, and the
// three raster modes with clipping, as GDI's BitBlt combines them on a true-colour surface.
#include <gtest/gtest.h>

#include <vector>

#include "editor/offscreen/BmpDecoder.h"
#include "editor/offscreen/RgbImage.h"

namespace {
void put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.insert(out.end(), {std::uint8_t(v), std::uint8_t(v >> 8)});
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// A BMP file around the given palette and rows (bottom row first unless topDown).
std::vector<std::uint8_t> bmpFile(int width, int height, int bits, const std::vector<std::uint8_t>& palette,
                                  const std::vector<std::uint8_t>& rows, bool topDown = false) {
    std::vector<std::uint8_t> out = {'B', 'M'};
    std::uint32_t offset = 54 + std::uint32_t(palette.size());
    put32(out, offset + std::uint32_t(rows.size()));
    put32(out, 0);
    put32(out, offset);
    put32(out, 40);
    put32(out, std::uint32_t(width));
    put32(out, std::uint32_t(topDown ? -height : height));
    put16(out, 1);
    put16(out, unsigned(bits));
    put32(out, 0);
    put32(out, std::uint32_t(rows.size()));
    put32(out, 0);
    put32(out, 0);
    put32(out, std::uint32_t(palette.size() / 4));
    put32(out, 0);
    out.insert(out.end(), palette.begin(), palette.end());
    out.insert(out.end(), rows.begin(), rows.end());
    return out;
}

TEST(BmpDecoder, ReadsPaletteIndicesThroughThePalette) {
    // 3 x 2, rows padded to 4 bytes; palette entries are blue, green, red, unused.
    std::vector<std::uint8_t> palette = {0, 0, 0, 0, 255, 255, 255, 0, 30, 20, 10, 99};
    std::vector<std::uint8_t> rows = {2, 1, 0, 0xEE, /* top row: */ 0, 7, 1, 0xEE};
    RgbImage image;
    ASSERT_TRUE(decodeBmp(bmpFile(3, 2, 8, palette, rows).data(), 54 + palette.size() + rows.size(), image));
    EXPECT_EQ(image.pixel(0, 1), rgbColour(10, 20, 30));
    EXPECT_EQ(image.pixel(1, 1), 0xFFFFFFu);
    EXPECT_EQ(image.pixel(0, 0), 0u);
    EXPECT_EQ(image.pixel(1, 0), 0u);  // index beyond the three-entry palette
    EXPECT_EQ(image.pixel(2, 0), 0xFFFFFFu);
}

TEST(BmpDecoder, ReadsTrueColourRowsInEitherDirection) {
    std::vector<std::uint8_t> rows24 = {1, 2, 3, 4, 5, 6, 0, 0, /* top: */ 7, 8, 9, 10, 11, 12, 0, 0};
    RgbImage image;
    auto file = bmpFile(2, 2, 24, {}, rows24);
    ASSERT_TRUE(decodeBmp(file.data(), file.size(), image));
    EXPECT_EQ(image.pixel(0, 0), rgbColour(9, 8, 7));
    EXPECT_EQ(image.pixel(1, 1), rgbColour(6, 5, 4));
    file = bmpFile(2, 2, 24, {}, rows24, true);
    ASSERT_TRUE(decodeBmp(file.data(), file.size(), image));
    EXPECT_EQ(image.pixel(0, 0), rgbColour(3, 2, 1));

    std::vector<std::uint8_t> rows32 = {1, 2, 3, 0xFF, 4, 5, 6, 0x00};
    file = bmpFile(2, 1, 32, {}, rows32);
    ASSERT_TRUE(decodeBmp(file.data(), file.size(), image));
    EXPECT_EQ(image.pixel(0, 0), rgbColour(3, 2, 1));  // the fourth byte plays no part
    EXPECT_EQ(image.pixel(1, 0), rgbColour(6, 5, 4));
}

TEST(BmpDecoder, RefusesMalformedFilesWithoutReadingPastThem) {
    std::vector<std::uint8_t> rows = {1, 2, 3, 0};
    auto good = bmpFile(1, 1, 24, {}, rows);
    RgbImage image(1, 1, 0x123456);
    auto refuses = [&](std::vector<std::uint8_t> file, const char* what) {
        EXPECT_FALSE(decodeBmp(file.data(), file.size(), image)) << what;
        EXPECT_EQ(image.pixel(0, 0), 0x123456u) << what;
    };
    refuses(std::vector<std::uint8_t>(good.begin(), good.end() - 1), "truncated pixels");
    refuses(std::vector<std::uint8_t>(good.begin(), good.begin() + 30), "truncated header");
    auto changed = [&](std::size_t at, std::uint8_t byte) {
        auto copy = good;
        copy[at] = byte;
        return copy;
    };
    refuses(changed(0, 'X'), "signature");
    refuses(changed(14, 12), "old header");
    refuses(changed(30, 1), "compressed");
    refuses(changed(28, 16), "16 bits");
    refuses(changed(21, 0x7F), "huge width");
    refuses(changed(10, 0xF0), "pixels past the end");
    auto palette = bmpFile(1, 1, 8, std::vector<std::uint8_t>(8), rows);
    palette[46] = 0x01;
    palette[47] = 0x02;  // claims 513 palette entries
    refuses(palette, "oversized palette");
    EXPECT_FALSE(decodeBmp(nullptr, 0, image));
}

TEST(Blit, CombinesChannelsBitForBit) {
    RgbImage screen(2, 1, rgbColour(0xF0, 0x0F, 0xAA));
    RgbImage source(2, 1, rgbColour(0x3C, 0x3C, 0x55));
    RgbImage anded = screen;
    blit(anded, 0, 0, source, 0, 0, 2, 1, RasterMode::And);
    EXPECT_EQ(anded.pixel(1, 0), rgbColour(0x30, 0x0C, 0x00));
    RgbImage ored = screen;
    blit(ored, 0, 0, source, 0, 0, 2, 1, RasterMode::Or);
    EXPECT_EQ(ored.pixel(0, 0), rgbColour(0xFC, 0x3F, 0xFF));
    RgbImage copied = screen;
    blit(copied, 0, 0, source, 0, 0, 2, 1, RasterMode::Copy);
    EXPECT_EQ(copied, source);
}

TEST(Blit, ClipsToBothImages) {
    RgbImage source(4, 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) source.setPixel(x, y, rgbColour(x, y, 1));
    }
    RgbImage screen(3, 3, 0xFFFFFF);
    blit(screen, -1, -1, source, 0, 0, 4, 4, RasterMode::Copy);
    EXPECT_EQ(screen.pixel(0, 0), rgbColour(1, 1, 1));
    EXPECT_EQ(screen.pixel(2, 2), rgbColour(3, 3, 1));

    RgbImage edge(3, 3, 0xFFFFFF);
    blit(edge, 0, 0, source, 2, 3, 3, 3, RasterMode::Copy);  // only 2 x 1 of the source exists
    EXPECT_EQ(edge.pixel(0, 0), rgbColour(2, 3, 1));
    EXPECT_EQ(edge.pixel(1, 0), rgbColour(3, 3, 1));
    EXPECT_EQ(edge.pixel(2, 0), 0xFFFFFFu);
    EXPECT_EQ(edge.pixel(0, 1), 0xFFFFFFu);

    RgbImage untouched(3, 3, 0xFFFFFF);
    blit(untouched, 5, 0, source, 0, 0, 4, 4, RasterMode::Copy);
    blit(untouched, 0, 0, source, 9, 9, 4, 4, RasterMode::Copy);
    blit(untouched, 0, 0, source, -8, 0, 4, 4, RasterMode::Copy);
    EXPECT_EQ(untouched, RgbImage(3, 3, 0xFFFFFF));
}
}  // namespace
