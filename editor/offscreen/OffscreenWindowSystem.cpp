#include "editor/offscreen/OffscreenWindowSystem.h"

#include <atomic>

#include "editor/offscreen/BmpDecoder.h"

namespace {
std::atomic<bool> classRegistered{false};
std::atomic<int> classRegistrations{0};

class CanvasSurface : public Surface {
  public:
    explicit CanvasSurface(RgbImage& canvas) : canvas(canvas) {}
    void copyBitmap(BitmapHandle bitmap, int sourceX, int sourceY, int width, int height, int destX,
                    int destY, RasterMode mode) override {
        if (bitmap == nullptr) return;
        blit(canvas, destX, destY, *static_cast<const RgbImage*>(bitmap), sourceX, sourceY, width, height,
             mode);
    }
    void fillRect(int left, int top, int right, int bottom, std::uint32_t colour) override {
        fill(canvas, left, top, right, bottom, colour);
    }

  private:
    RgbImage& canvas;
};
}  // namespace

struct OffscreenWindowSystem::Window {
    void* parent = nullptr;
    WindowEvents* events = nullptr;
    bool visible = false;
};

OffscreenWindowSystem::OffscreenWindowSystem(BitmapSource bitmaps) : bitmaps(std::move(bitmaps)) {}

OffscreenWindowSystem::~OffscreenWindowSystem() = default;

void OffscreenWindowSystem::ensureWindowClass() {
    if (classRegistered.exchange(true)) return;
    ++classRegistrations;
}

void OffscreenWindowSystem::unregisterWindowClass() {
    classRegistered = false;
}

bool OffscreenWindowSystem::windowClassRegistered() {
    return classRegistered;
}
int OffscreenWindowSystem::windowClassRegistrations() {
    return classRegistrations;
}

// Like CreateWindowExA: a child window needs a parent and a registered class.
WindowHandle OffscreenWindowSystem::createChildWindow(void* parent, int width, int height) {
    if (parent == nullptr || !classRegistered || window != nullptr) return nullptr;
    window = std::make_unique<Window>();
    window->parent = parent;
    windowCanvas = RgbImage(width, height, unpaintedColour);
    return window.get();
}

void OffscreenWindowSystem::attach(WindowHandle handle, WindowEvents* events) {
    if (handle != nullptr && handle == window.get()) window->events = events;
}

void OffscreenWindowSystem::showWindow(WindowHandle handle) {
    if (handle != nullptr && handle == window.get()) window->visible = true;
}

void OffscreenWindowSystem::destroyWindow(WindowHandle handle) {
    if (handle == nullptr || handle != window.get()) return;
    window.reset();
    captureHeld = false;
    focused = false;
}

void OffscreenWindowSystem::setFocus(WindowHandle handle) {
    focused = handle != nullptr && handle == window.get();
}

void OffscreenWindowSystem::setCapture(WindowHandle handle) {
    if (handle != nullptr && handle == window.get()) captureHeld = true;
}

void OffscreenWindowSystem::releaseCapture() {
    captureHeld = false;
}

void OffscreenWindowSystem::screenToClient(WindowHandle, int& x, int& y) {
    x -= screenX;
    y -= screenY;
}

void OffscreenWindowSystem::drawOnWindow(WindowHandle handle, SurfacePainter& painter) {
    if (handle == nullptr || handle != window.get()) return;
    ++draws;
    CanvasSurface surface(windowCanvas);
    painter.paintOn(surface);
}

void OffscreenWindowSystem::paintWindow(WindowHandle handle, SurfacePainter& painter) {
    if (handle == nullptr || handle != window.get()) return;
    ++paints;
    CanvasSurface surface(windowCanvas);
    painter.paintOn(surface);
}

BitmapHandle OffscreenWindowSystem::loadBitmap(int resourceId) { return bitmaps.load(resourceId); }

void OffscreenWindowSystem::deleteBitmap(BitmapHandle bitmap) { bitmaps.remove(bitmap); }

bool OffscreenWindowSystem::bitmapSize(BitmapHandle bitmap, int& width, int& height) {
    return DecodedBitmaps::size(bitmap, width, height);
}

OffscreenWindowSystem::Window* OffscreenWindowSystem::attached() const {
    return window != nullptr && window->events != nullptr ? window.get() : nullptr;
}

void OffscreenWindowSystem::sendPaint() {
    if (Window* w = attached()) w->events->handlePaint();
}
void OffscreenWindowSystem::sendMouseActivate() {
    if (Window* w = attached()) w->events->handleMouseActivate();
}
void OffscreenWindowSystem::sendMouseMove(int x, int y) {
    if (Window* w = attached()) w->events->handleMouseMove(x, y);
}
void OffscreenWindowSystem::sendButtonDown(int button, int x, int y) {
    if (Window* w = attached()) w->events->handleButtonDown(button, x, y);
}
void OffscreenWindowSystem::sendButtonUp(int button, int x, int y) {
    if (Window* w = attached()) w->events->handleButtonUp(button, x, y);
}
void OffscreenWindowSystem::sendWheel(int screenX, int screenY, int delta) {
    if (Window* w = attached()) w->events->handleWheel(screenX, screenY, delta);
}

void OffscreenWindowSystem::setScreenOrigin(int x, int y) {
    screenX = x;
    screenY = y;
}

bool OffscreenWindowSystem::isVisible() const {
    return window != nullptr && window->visible;
}
void* OffscreenWindowSystem::parentOfWindow() const {
    return window != nullptr ? window->parent : nullptr;
}
