#include "editor/win32/Win32WindowSystem.h"

#include <windows.h>

namespace {
HWND asWindow(WindowHandle window) {
    return static_cast<HWND>(window);
}
HINSTANCE asInstance(void* module) {
    return static_cast<HINSTANCE>(module);
}

// A window's device context, during a paint message or outside one. Every memory context and
// brush lives only for the one copy or fill that needs it.
class DeviceContextSurface : public Surface {
  public:
    explicit DeviceContextSurface(HDC dc) : dc(dc) {}

    void copyBitmap(BitmapHandle bitmap, int sourceX, int sourceY, int width, int height, int destX,
                    int destY, RasterMode mode) override {
        if (bitmap == nullptr) return;
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ previous = SelectObject(memory, static_cast<HBITMAP>(bitmap));
        DWORD operation = mode == RasterMode::Copy ? SRCCOPY : mode == RasterMode::And ? SRCAND : SRCPAINT;
        BitBlt(dc, destX, destY, width, height, memory, sourceX, sourceY, operation);
        SelectObject(memory, previous);
        DeleteDC(memory);
    }

    void fillRect(int left, int top, int right, int bottom, std::uint32_t colour) override {
        RECT area{left, top, right, bottom};
        HBRUSH brush = CreateSolidBrush(COLORREF(colour));
        FillRect(dc, &area, brush);
        DeleteObject(brush);
    }

  private:
    HDC dc;
};

// Until attach() stores the object, messages (those sent during creation) get default handling.
LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* events = reinterpret_cast<WindowEvents*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (events == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    int x = short(LOWORD(lParam));
    int y = short(HIWORD(lParam));
    switch (message) {
        case WM_PAINT:
            events->handlePaint();
            return 0;
        case WM_MOUSEACTIVATE:
            events->handleMouseActivate();
            return 0;
        case WM_MOUSEMOVE:
            events->handleMouseMove(x, y);
            return 0;
        case WM_LBUTTONDOWN:
            events->handleButtonDown(0, x, y);
            return 0;
        case WM_RBUTTONDOWN:
            events->handleButtonDown(1, x, y);
            return 0;
        case WM_LBUTTONUP:
            events->handleButtonUp(0, x, y);
            return 0;
        case WM_RBUTTONUP:
            events->handleButtonUp(1, x, y);
            return 0;
        case WM_MOUSEWHEEL:
            events->handleWheel(x, y, short(HIWORD(wParam)));
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}
}  // namespace

Win32WindowSystem::Win32WindowSystem(void* module) : module(module) {}

// No CS_DBLCLKS (a quick second click is another press) and no background brush: paint covers
// every pixel.
void Win32WindowSystem::ensureWindowClass() {
    WNDCLASSA existing;
    if (GetClassInfoA(asInstance(module), className, &existing)) return;
    WNDCLASSA windowClass{};
    windowClass.style = 0;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = asInstance(module);
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
}

void Win32WindowSystem::unregisterWindowClass() {
    UnregisterClassA(className, asInstance(module));
}

WindowHandle Win32WindowSystem::createChildWindow(void* parent, int width, int height) {
    return CreateWindowExA(0, className, nullptr, WS_CHILD, 0, 0, width, height, asWindow(parent), nullptr,
                           asInstance(module), nullptr);
}

// A pointer-sized slot: SetWindowLongA would cut a 64-bit pointer in half.
void Win32WindowSystem::attach(WindowHandle window, WindowEvents* events) {
    SetWindowLongPtrA(asWindow(window), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(events));
}

void Win32WindowSystem::showWindow(WindowHandle window) {
    ShowWindow(asWindow(window), SW_SHOW);
}
void Win32WindowSystem::destroyWindow(WindowHandle window) {
    DestroyWindow(asWindow(window));
}
void Win32WindowSystem::setFocus(WindowHandle window) {
    SetFocus(asWindow(window));
}
void Win32WindowSystem::setCapture(WindowHandle window) {
    SetCapture(asWindow(window));
}
void Win32WindowSystem::releaseCapture() {
    ReleaseCapture();
}

void Win32WindowSystem::screenToClient(WindowHandle window, int& x, int& y) {
    POINT point{x, y};
    ScreenToClient(asWindow(window), &point);
    x = point.x;
    y = point.y;
}

void Win32WindowSystem::drawOnWindow(WindowHandle window, SurfacePainter& painter) {
    HDC dc = GetDC(asWindow(window));
    if (dc == nullptr) return;
    DeviceContextSurface surface(dc);
    painter.paintOn(surface);
    ReleaseDC(asWindow(window), dc);
}

void Win32WindowSystem::paintWindow(WindowHandle window, SurfacePainter& painter) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(asWindow(window), &paint);
    if (dc != nullptr) {
        DeviceContextSurface surface(dc);
        painter.paintOn(surface);
    }
    EndPaint(asWindow(window), &paint);
}

BitmapHandle Win32WindowSystem::loadBitmap(int resourceId) {
    return LoadBitmapA(asInstance(module), MAKEINTRESOURCEA(resourceId));
}

void Win32WindowSystem::deleteBitmap(BitmapHandle bitmap) {
    if (bitmap != nullptr) DeleteObject(static_cast<HBITMAP>(bitmap));
}

bool Win32WindowSystem::bitmapSize(BitmapHandle bitmap, int& width, int& height) {
    BITMAP info;
    if (bitmap == nullptr || GetObjectA(static_cast<HBITMAP>(bitmap), sizeof(info), &info) == 0) return false;
    width = info.bmWidth;
    height = info.bmHeight;
    return true;
}
