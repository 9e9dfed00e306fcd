// The editor's window system on Windows: the "KZGui" window class of the plug-in's module, a
// child window inside the host's, GDI device contexts as drawing surfaces and the panel bitmaps
// from the module's BITMAP resources.
#pragma once

#include "editor/WindowSystem.h"

class Win32WindowSystem : public WindowSystem {
  public:
    // module: the instance handle of the module whose resources and class these are.
    explicit Win32WindowSystem(void* module);

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

    static constexpr const char* className = "KZGui";

  private:
    void* module;
};
