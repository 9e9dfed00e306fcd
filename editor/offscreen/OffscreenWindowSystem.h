// The window system in memory: one child window whose pixels are an RGB canvas, bitmaps decoded
// from BMP bytes, and messages that a test (or a picture tool) sends by hand. It keeps the rules the
// editor relies on from Win32: no window without a parent, messages reach nothing until the window
// is attached, the class is registered once per process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "editor/WindowSystem.h"
#include "editor/offscreen/DecodedBitmaps.h"
#include "editor/offscreen/RgbImage.h"

class OffscreenWindowSystem : public WindowSystem {
  public:
    // What a window shows before anything paints it, so that unpainted pixels stand out.
    static constexpr std::uint32_t unpaintedColour = 0xFF00FF;

    explicit OffscreenWindowSystem(BitmapSource bitmaps);
    ~OffscreenWindowSystem() override;

    void ensureWindowClass() override;
    void unregisterWindowClass() override;
    WindowHandle createChildWindow(void* parent, int width, int height) override;
    void attach(WindowHandle window, WindowEvents* events) override;
    void showWindow(WindowHandle window) override;
    void destroyWindow(WindowHandle window) override;
    void setFocus(WindowHandle window) override;
    void setCapture(WindowHandle window) override;
    void releaseCapture() override;
    void screenToClient(WindowHandle window, int& x, int& y) override;
    void drawOnWindow(WindowHandle window, SurfacePainter& painter) override;
    void paintWindow(WindowHandle window, SurfacePainter& painter) override;
    BitmapHandle loadBitmap(int resourceId) override;
    void deleteBitmap(BitmapHandle bitmap) override;
    bool bitmapSize(BitmapHandle bitmap, int& width, int& height) override;

    // Messages, as the window procedure would receive them; dropped when no window is attached.
    void sendPaint();
    void sendMouseActivate();
    void sendMouseMove(int x, int y);
    void sendButtonDown(int button, int x, int y);
    void sendButtonUp(int button, int x, int y);
    void sendWheel(int screenX, int screenY, int delta);

    // Where the window's client area sits on the imaginary screen (for wheel positions).
    void setScreenOrigin(int x, int y);

    bool hasWindow() const { return window != nullptr; }
    bool isVisible() const;
    bool hasCapture() const { return captureHeld; }
    bool hasFocus() const { return focused; }
    void* parentOfWindow() const;
    const RgbImage& canvas() const { return windowCanvas; }
    int drawCount() const { return draws; }    // drawOnWindow calls that reached a window
    int paintCount() const { return paints; }  // paintWindow calls that reached a window
    int liveBitmaps() const { return bitmaps.alive(); }

    // The process-wide class registry that stands in for RegisterClassA.
    static bool windowClassRegistered();
    static int windowClassRegistrations();

  private:
    struct Window;
    Window* attached() const;

    DecodedBitmaps bitmaps;
    std::unique_ptr<Window> window;
    RgbImage windowCanvas;
    bool captureHeld = false;
    bool focused = false;
    int screenX = 0;
    int screenY = 0;
    int draws = 0;
    int paints = 0;
};
