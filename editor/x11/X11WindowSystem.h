// The editor's window system on X11, for Linux hosts that hand effEditOpen the id of their own
// window. It opens a display connection of its own with each window (and closes it with the window),
// so it shares nothing with the host's connections or threads.
//
// Drawing happens on an RGB canvas exactly as in the offscreen back end, and the changed rectangle
// goes to the window with XPutImage: the pixels on screen are the offscreen picture's, bit for bit,
// on any true-colour visual. Bitmaps are client-side images decoded from the embedded BMP bytes.
//
// Threads: only the editor's thread draws (changes from other threads wait as marks for its idle
// call), so the audio thread never reaches this class. Still, a host may pump from a thread other
// than the one that opened the window: drawing there goes to the canvas, and the pixels reach the
// window at the next pump. One mutex covers the canvas and the connection; events go to the editor
// with it released, because handling them draws.
//
// Capture needs no call: the implicit grab that X starts at a button press keeps pointer events
// coming to this window, in its coordinates, until the buttons are up again.
#pragma once

#include <memory>
#include <mutex>

#include "editor/WindowSystem.h"
#include "editor/offscreen/OffscreenWindowSystem.h"
#include "editor/offscreen/RgbImage.h"
#include "editor/x11/ChangeTrackingSurface.h"

class X11WindowSystem : public WindowSystem {
  public:
    // At most this many events per pump, so that a flood of pointer motion never holds the host up.
    static constexpr int eventsPerPump = 256;

    explicit X11WindowSystem(BitmapSource bitmaps);
    ~X11WindowSystem() override;

    void ensureWindowClass() override {}
    void unregisterWindowClass() override {}
    // parent is the host's X11 Window id. Null when no display can be opened, the parent is not an
    // input-output window, or its visual is not true colour.
    WindowHandle createChildWindow(void* parent, int width, int height) override;
    void attach(WindowHandle window, WindowEvents* events) override;
    void showWindow(WindowHandle window) override;
    void destroyWindow(WindowHandle window) override;
    void setFocus(WindowHandle window) override;
    void setCapture(WindowHandle) override {}
    void releaseCapture() override {}
    void screenToClient(WindowHandle window, int& x, int& y) override;
    void drawOnWindow(WindowHandle window, SurfacePainter& painter) override;
    void paintWindow(WindowHandle window, SurfacePainter& painter) override;
    BitmapHandle loadBitmap(int resourceId) override;
    void deleteBitmap(BitmapHandle bitmap) override;
    bool bitmapSize(BitmapHandle bitmap, int& width, int& height) override;
    void pumpEvents() override;

    int liveBitmaps() const { return bitmaps.alive(); }

  private:
    struct Connection;
    bool holds(WindowHandle window) const;
    void draw(WindowHandle window, SurfacePainter& painter);
    void putChangedPixels();
    bool takeEvent(union _XEvent& event, WindowEvents*& events, unsigned long& window);

    DecodedBitmaps bitmaps;
    std::mutex mutex;
    std::unique_ptr<Connection> connection;
    RgbImage canvas;
    PixelRect unsent;  // drawn on the canvas, not yet put to the window
};
