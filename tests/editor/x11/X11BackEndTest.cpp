// The X11 back end's pieces that need no server: events turned into window-layer calls, pixels
// packed for the visuals X offers, and the canvas surface that remembers what it changed.
#include <gtest/gtest.h>

#include <string>
#include <vector>
// After gtest: Xlib's macros (None, Bool, Status) would break it.
#include <X11/Xutil.h>

#include "editor/offscreen/RgbImage.h"
#include "editor/x11/ChangeTrackingSurface.h"
#include "editor/x11/PixelPacker.h"
#include "editor/x11/X11EventRouter.h"

namespace {
constexpr Window editorWindow = 0x400007;

struct CallLog : WindowEvents {
    void handlePaint() override { calls.push_back("paint"); }
    void handleMouseActivate() override { calls.push_back("activate"); }
    void handleMouseMove(int x, int y) override { note("move", x, y); }
    void handleButtonDown(int button, int x, int y) override { note("down" + std::to_string(button), x, y); }
    void handleButtonUp(int button, int x, int y) override { note("up" + std::to_string(button), x, y); }
    void handleWheel(int x, int y, int delta) override { note("wheel" + std::to_string(delta), x, y); }
    void note(const std::string& what, int x, int y) {
        calls.push_back(what + "@" + std::to_string(x) + "," + std::to_string(y));
    }
    std::vector<std::string> calls;
};

XEvent buttonEvent(int type, unsigned int button, Window window = editorWindow) {
    XEvent event{};
    event.xbutton.type = type;
    event.xbutton.window = window;
    event.xbutton.button = button;
    event.xbutton.x = 30;
    event.xbutton.y = 20;
    event.xbutton.x_root = 130;
    event.xbutton.y_root = 220;
    return event;
}

std::vector<std::string> route(std::vector<XEvent> events) {
    CallLog log;
    for (const XEvent& event : events) routeEvent(event, editorWindow, log);
    return log.calls;
}

using Calls = std::vector<std::string>;

// Left, right, wheel and motion arrive as real X events in the display tests.
TEST(X11EventRouter, MiddleButtonOnlyActivatesAndOtherButtonsAndWheelReleasesDoNothing) {
    EXPECT_EQ(
        route({buttonEvent(ButtonPress, 2), buttonEvent(ButtonRelease, 2), buttonEvent(ButtonPress, 6),
               buttonEvent(ButtonPress, 8), buttonEvent(ButtonRelease, 8), buttonEvent(ButtonRelease, 4)}),
        (Calls{"activate"}));
}

TEST(X11EventRouter, OnlyTheLastExposeOfASeriesPaints) {
    XEvent expose{};
    expose.xexpose.type = Expose;
    expose.xexpose.window = editorWindow;
    expose.xexpose.count = 2;
    XEvent second = expose;
    second.xexpose.count = 1;
    XEvent last = expose;
    last.xexpose.count = 0;
    EXPECT_EQ(route({expose, second, last}), (Calls{"paint"}));
}

TEST(X11EventRouter, OtherWindowsAreIgnoredAndOwnDestructionIsReported) {
    EXPECT_EQ(route({buttonEvent(ButtonPress, 1, editorWindow + 1)}), Calls{});
    CallLog log;
    XEvent destroyed{};
    destroyed.xdestroywindow.type = DestroyNotify;
    destroyed.xdestroywindow.event = editorWindow;
    destroyed.xdestroywindow.window = editorWindow;
    EXPECT_EQ(routeEvent(destroyed, editorWindow, log), WindowState::Destroyed);
    EXPECT_EQ(routeEvent(buttonEvent(ButtonPress, 1), editorWindow, log), WindowState::Existing);
}

TEST(PixelPacker, TwentyFourAndThirtyTwoBitVisualsTakeTheBytesAsTheyAre) {
    PixelPacker rgb(0xff0000, 0x00ff00, 0x0000ff, 24);
    ASSERT_TRUE(rgb.usable());
    EXPECT_EQ(rgb.pack(0x12, 0x34, 0x56), 0x123456ul);
    PixelPacker bgr(0x0000ff, 0x00ff00, 0xff0000, 24);
    EXPECT_EQ(bgr.pack(0x12, 0x34, 0x56), 0x563412ul);
    PixelPacker argb(0xff0000, 0x00ff00, 0x0000ff, 32);  // the alpha byte is set: opaque
    EXPECT_EQ(argb.pack(0x12, 0x34, 0x56), 0xff123456ul);
}

TEST(PixelPacker, NarrowChannelsKeepTheTopBitsAndWideOnesRepeatThem) {
    PixelPacker rgb565(0xf800, 0x07e0, 0x001f, 16);
    ASSERT_TRUE(rgb565.usable());
    EXPECT_EQ(rgb565.pack(0xff, 0xff, 0xff), 0xfffful);
    EXPECT_EQ(rgb565.pack(0x80, 0x40, 0x20), (0x10ul << 11) | (0x10ul << 5) | 0x04ul);
    PixelPacker deep(0x3ff00000, 0x000ffc00, 0x000003ff, 30);
    ASSERT_TRUE(deep.usable());
    EXPECT_EQ(deep.pack(0xff, 0x80, 0x00), (0x3fful << 20) | (0x202ul << 10));
}

TEST(PixelPacker, MasksThatAreNotOneRunOfBitsAreRefused) {
    EXPECT_FALSE(PixelPacker(0, 0xff00, 0xff, 24).usable());
    EXPECT_FALSE(PixelPacker(0xf0f000, 0x0f00, 0xff, 24).usable());    // gap
    EXPECT_FALSE(PixelPacker(0xffff00, 0x00ff00, 0xff, 24).usable());  // overlap
    EXPECT_FALSE(PixelPacker(0xfffff000, 0x0f00, 0xff, 32).usable());  // wider than 16 bits
    EXPECT_FALSE(PixelPacker().usable());
}

// An image in client memory as XCreateImage would make it, without a server.
struct ClientImage {
    ClientImage(int bitsPerPixel, int depth, int byteOrder, unsigned long red, unsigned long green,
                unsigned long blue)
        : bytes(std::size_t(8 * 4 * 4), 0xab) {
        image.width = 8;
        image.height = 4;
        image.format = ZPixmap;
        image.data = reinterpret_cast<char*>(bytes.data());
        image.byte_order = byteOrder;
        image.bitmap_unit = 32;
        image.bitmap_bit_order = MSBFirst;
        image.bitmap_pad = 32;
        image.depth = depth;
        image.bits_per_pixel = bitsPerPixel;
        image.bytes_per_line = 8 * 4;
        image.red_mask = red;
        image.green_mask = green;
        image.blue_mask = blue;
        EXPECT_NE(XInitImage(&image), 0);
        untouched = XGetPixel(&image, 0, 0);
    }
    std::vector<std::uint8_t> bytes;
    XImage image{};
    unsigned long untouched = 0;
};

RgbImage numberedCanvas() {
    RgbImage canvas(8, 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) canvas.setPixel(x, y, rgbColour(x * 30, y * 60, 255 - x * 20));
    }
    return canvas;
}

void expectOnlyAreaWritten(ClientImage& target, const PixelPacker& packer, PixelRect area) {
    RgbImage canvas = numberedCanvas();
    writePixels(canvas, packer, target.image, area);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) {
            bool inside = x >= area.left && x < area.right && y >= area.top && y < area.bottom;
            std::uint32_t c = canvas.pixel(x, y);
            unsigned long expected =
                inside ? packer.pack(std::uint8_t(c), std::uint8_t(c >> 8), std::uint8_t(c >> 16))
                       : target.untouched;
            EXPECT_EQ(XGetPixel(&target.image, x, y), expected) << x << "," << y;
        }
    }
}

TEST(WritePixels, FillsOnlyTheAreaInEveryLayout) {
    PixelPacker argb(0xff0000, 0x00ff00, 0x0000ff, 32);
    ClientImage little(32, 32, LSBFirst, 0xff0000, 0x00ff00, 0x0000ff);
    expectOnlyAreaWritten(little, argb, {2, 1, 6, 3});
    ClientImage big(32, 32, MSBFirst, 0xff0000, 0x00ff00, 0x0000ff);
    expectOnlyAreaWritten(big, argb, {0, 0, 3, 4});
    PixelPacker rgb565(0xf800, 0x07e0, 0x001f, 16);
    ClientImage sixteen(16, 16, LSBFirst, 0xf800, 0x07e0, 0x001f);
    expectOnlyAreaWritten(sixteen, rgb565, {5, 2, 8, 4});
}

TEST(WritePixels, AreasReachingOutsideAreCut) {
    PixelPacker rgb(0xff0000, 0x00ff00, 0x0000ff, 24);
    ClientImage target(32, 24, LSBFirst, 0xff0000, 0x00ff00, 0x0000ff);
    RgbImage canvas = numberedCanvas();
    writePixels(canvas, rgb, target.image, {-5, -5, 100, 2});
    EXPECT_EQ(XGetPixel(&target.image, 7, 1), rgb.pack(7 * 30, 60, 255 - 140));
    EXPECT_EQ(XGetPixel(&target.image, 7, 2), target.untouched);
    writePixels(canvas, rgb, target.image, {20, 20, 30, 30});  // nothing of it inside
}

TEST(ChangeTrackingSurface, DrawsLikeTheOffscreenRasterAndNotesTheChangedArea) {
    RgbImage bitmap(10, 10);
    for (int i = 0; i < 10; ++i) bitmap.setPixel(i, i, 0x00f0f0f0);
    RgbImage tracked(40, 30, 0x00336699);
    RgbImage plain = tracked;
    ChangeTrackingSurface surface(tracked);
    EXPECT_TRUE(surface.changedArea().empty());
    surface.fillRect(2, 3, 6, 5, 0x00112233);
    fill(plain, 2, 3, 6, 5, 0x00112233);
    surface.copyBitmap(&bitmap, 0, 0, 10, 10, 20, 12, RasterMode::And);
    blit(plain, 20, 12, bitmap, 0, 0, 10, 10, RasterMode::And);
    surface.copyBitmap(&bitmap, 2, 2, 8, 8, 35, 25, RasterMode::Or);  // hangs over the corner
    blit(plain, 35, 25, bitmap, 2, 2, 8, 8, RasterMode::Or);
    surface.copyBitmap(nullptr, 0, 0, 10, 10, 0, 0, RasterMode::Copy);
    EXPECT_EQ(tracked, plain);
    const PixelRect& area = surface.changedArea();
    EXPECT_EQ(area.left, 2);
    EXPECT_EQ(area.top, 3);
    EXPECT_EQ(area.right, 40);
    EXPECT_EQ(area.bottom, 30);
}

TEST(ChangeTrackingSurface, DrawingWhollyOutsideNotesNothing) {
    RgbImage canvas(20, 20);
    ChangeTrackingSurface surface(canvas);
    surface.fillRect(-10, -10, 0, 5, 0);
    surface.fillRect(25, 0, 30, 5, 0);
    EXPECT_TRUE(surface.changedArea().empty());
}
}  // namespace
