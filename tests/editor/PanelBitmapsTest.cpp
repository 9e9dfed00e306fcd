// The six bitmap files: the formats, sizes and frame layouts the editor relies on, and the
// contract between mask and strip that lets a knob redraw over its old picture.
#include <gtest/gtest.h>

#include "editor/offscreen/BmpDecoder.h"
#include "resources/EmbeddedBitmaps.h"

namespace {
struct Expected {
    int id, width, height, bits;
};

std::uint32_t field32(const std::uint8_t* data, int offset) {
    return data[offset] | (data[offset + 1] << 8) | (data[offset + 2] << 16) |
           (std::uint32_t(data[offset + 3]) << 24);
}

RgbImage load(int id) {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    RgbImage image;
    EXPECT_TRUE(findEmbeddedBitmap(id, data, size)) << id;
    EXPECT_TRUE(decodeBmp(data, size, image)) << id;
    return image;
}

TEST(PanelBitmaps, HaveTheFormatsTheEditorExpects) {
    const Expected files[] = {{106, 560, 320, 24}, {102, 24, 1536, 32}, {101, 24, 24, 8},
                              {105, 8, 16, 24},    {103, 25, 34, 24},   {104, 11, 90, 24}};
    for (const Expected& file : files) {
        const std::uint8_t* data = nullptr;
        std::size_t size = 0;
        ASSERT_TRUE(findEmbeddedBitmap(file.id, data, size)) << file.id;
        EXPECT_EQ(field32(data, 14), 40u) << file.id;
        EXPECT_EQ(int(field32(data, 18)), file.width) << file.id;
        EXPECT_EQ(int(field32(data, 22)), file.height) << file.id;
        EXPECT_EQ(data[28], file.bits) << file.id;
        EXPECT_EQ(field32(data, 30), 0u) << file.id;
        if (file.bits == 8) {
            EXPECT_EQ(field32(data, 46), 256u);
        }
        RgbImage image;
        EXPECT_TRUE(decodeBmp(data, size, image)) << file.id;
    }
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    EXPECT_FALSE(findEmbeddedBitmap(107, data, size));
}

TEST(PanelBitmaps, KnobStripIsBlackWhereTheMaskKeepsTheBackground) {
    RgbImage mask = load(101);
    RgbImage strip = load(102);
    int knobPixels = 0;
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 24; ++x) {
            std::uint32_t m = mask.pixel(x, y);
            ASSERT_TRUE(m == 0u || m == 0xFFFFFFu) << x << "," << y;
            if (m == 0u) ++knobPixels;
            for (int frame = 0; frame < 64 && m != 0u; ++frame) {
                ASSERT_EQ(strip.pixel(x, frame * 24 + y), 0u) << "frame " << frame << " at " << x << "," << y;
            }
        }
    }
    EXPECT_GT(knobPixels, 300);  // a disc, not a speck
    EXPECT_EQ(mask.pixel(0, 0), 0xFFFFFFu);
    EXPECT_EQ(mask.pixel(12, 12), 0u);
}

TEST(PanelBitmaps, EveryFrameIsDistinct) {
    auto frame = [](const RgbImage& image, int index, int width, int height) {
        RgbImage part(width, height);
        blit(part, 0, 0, image, 0, index * height, width, height, RasterMode::Copy);
        return part;
    };
    RgbImage strip = load(102);
    for (int i = 1; i < 64; ++i) EXPECT_FALSE(frame(strip, i, 24, 24) == frame(strip, i - 1, 24, 24)) << i;
    RgbImage lamp = load(105);
    EXPECT_FALSE(frame(lamp, 0, 8, 8) == frame(lamp, 1, 8, 8));
    RgbImage toggle = load(103);
    EXPECT_FALSE(frame(toggle, 0, 25, 17) == frame(toggle, 1, 25, 17));
    RgbImage route = load(104);
    EXPECT_FALSE(frame(route, 0, 11, 30) == frame(route, 1, 11, 30));
    EXPECT_FALSE(frame(route, 1, 11, 30) == frame(route, 2, 11, 30));
}
}  // namespace
