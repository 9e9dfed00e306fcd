// The few window-system operations the editor needs, so that everything above them (routing,
// capture, hit-testing, dirty tracking, drawing) is plain logic. One implementation per platform:
// Win32 for the DLLs, X11 for the Linux plug-in, an in-memory one for tests and pictures.
#pragma once

#include "editor/Surface.h"

using WindowHandle = void*;

// What a window reports to the object attached to it. Coordinates are client pixels, except the
// wheel, whose position arrives in screen pixels as Win32 delivers it.
class WindowEvents {
  public:
    virtual ~WindowEvents() = default;
    virtual void handlePaint() = 0;
    virtual void handleMouseActivate() = 0;
    virtual void handleMouseMove(int x, int y) = 0;
    virtual void handleButtonDown(int button, int x, int y) = 0;
    virtual void handleButtonUp(int button, int x, int y) = 0;
    virtual void handleWheel(int screenX, int screenY, int delta) = 0;
};

// Something that draws on a surface the window system lends it for the duration of the call.
class SurfacePainter {
  public:
    virtual ~SurfacePainter() = default;
    virtual void paintOn(Surface& surface) = 0;
};

class WindowSystem {
  public:
    virtual ~WindowSystem() = default;

    // The editor's window class: looked up first, registered only when missing.
    virtual void ensureWindowClass() = 0;
    virtual void unregisterWindowClass() = 0;

    // A hidden child window at (0, 0) of the parent; null when it cannot be created.
    virtual WindowHandle createChildWindow(void* parent, int width, int height) = 0;
    // Until a window is attached its messages get the default handling.
    virtual void attach(WindowHandle window, WindowEvents* events) = 0;
    virtual void showWindow(WindowHandle window) = 0;
    virtual void destroyWindow(WindowHandle window) = 0;
    virtual void setFocus(WindowHandle window) = 0;
    virtual void setCapture(WindowHandle window) = 0;
    virtual void releaseCapture() = 0;
    virtual void screenToClient(WindowHandle window, int& x, int& y) = 0;

    // Drawing outside a paint message (GetDC) and inside one (BeginPaint).
    virtual void drawOnWindow(WindowHandle window, SurfacePainter& painter) = 0;
    virtual void paintWindow(WindowHandle window, SurfacePainter& painter) = 0;

    // Bitmap resources by id; null when the resource is missing.
    virtual BitmapHandle loadBitmap(int resourceId) = 0;
    virtual void deleteBitmap(BitmapHandle bitmap) = 0;
    virtual bool bitmapSize(BitmapHandle bitmap, int& width, int& height) = 0;

    // Delivers the window's waiting events, without waiting for more. Win32 hosts run the message
    // loop themselves; elsewhere the host's idle call is the only moment the editor gets to do it.
    virtual void pumpEvents() {}
};
