#include "editor/x11/X11WindowSystem.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdlib>
#include <thread>

#include "editor/offscreen/BmpDecoder.h"
#include "editor/x11/PixelPacker.h"
#include "editor/x11/X11ErrorTrap.h"
#include "editor/x11/X11EventRouter.h"

namespace {
Window asWindow(const void* handle) {
    return Window(reinterpret_cast<std::uintptr_t>(handle));
}
WindowHandle asHandle(Window window) {
    return reinterpret_cast<WindowHandle>(std::uintptr_t(window));
}

bool isTrueColour(const Visual* visual) {
    return visual != nullptr && (visual->c_class == TrueColor || visual->c_class == DirectColor);
}

// A later motion event of the same window already read: this one can be skipped, as Win32 folds
// pointer moves together too. Reads nothing more from the connection.
bool laterMotionWaiting(Display* display, const XEvent& motion) {
    if (XEventsQueued(display, QueuedAlready) == 0) return false;
    XEvent next;
    XPeekEvent(display, &next);
    return next.type == MotionNotify && next.xmotion.window == motion.xmotion.window &&
           next.xmotion.state == motion.xmotion.state;
}

constexpr long windowEventMask =
    ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | StructureNotifyMask;
}  // namespace

struct X11WindowSystem::Connection {
    Display* display = nullptr;
    Window window = 0;
    Window root = 0;
    GC gc = nullptr;
    XImage* image = nullptr;
    PixelPacker packer;
    WindowEvents* events = nullptr;
    std::thread::id opener;
    Time lastPress = CurrentTime;
    bool windowExists = false;  // false once the server destroyed it with the host's window

    bool makeWindow(Window parent, int width, int height);
    // Everything the connection made, then the connection itself.
    void release() {
        X11ErrorTrap trap(display);
        if (image != nullptr) XDestroyImage(image);  // frees the pixel memory too
        if (gc != nullptr) XFreeGC(display, gc);
        if (windowExists) XDestroyWindow(display, window);
        XCloseDisplay(display);
    }
};

// The window in the parent's visual, its graphics context and the image its pixels travel in;
// false if any of it failed, the parent being gone or unsuitable included.
bool X11WindowSystem::Connection::makeWindow(Window parent, int width, int height) {
    X11ErrorTrap trap(display);
    XWindowAttributes parentAttributes;
    if (XGetWindowAttributes(display, parent, &parentAttributes) == 0 ||
        parentAttributes.c_class != InputOutput || !isTrueColour(parentAttributes.visual)) {
        return false;
    }
    const Visual& visual = *parentAttributes.visual;
    packer = PixelPacker(visual.red_mask, visual.green_mask, visual.blue_mask, parentAttributes.depth);
    if (!packer.usable()) return false;
    root = parentAttributes.root;

    // No background: paint covers every pixel, and the server must not flash one first.
    XSetWindowAttributes attributes{};
    attributes.background_pixmap = None;
    attributes.bit_gravity = NorthWestGravity;
    attributes.event_mask = windowEventMask;
    window =
        XCreateWindow(display, parent, 0, 0, unsigned(width), unsigned(height), 0, CopyFromParent,
                      InputOutput, CopyFromParent, CWBackPixmap | CWBitGravity | CWEventMask, &attributes);
    windowExists = true;
    XClassHint names{const_cast<char*>("calyx2"), const_cast<char*>("KZGui")};
    XSetClassHint(display, window, &names);
    XGCValues values{};
    values.graphics_exposures = False;
    gc = XCreateGC(display, window, GCGraphicsExposures, &values);
    image = XCreateImage(display, parentAttributes.visual, unsigned(parentAttributes.depth), ZPixmap, 0,
                         nullptr, unsigned(width), unsigned(height), 32, 0);
    if (image == nullptr) return false;
    image->data = static_cast<char*>(std::calloc(std::size_t(image->bytes_per_line), std::size_t(height)));
    // Errors arrive late: the parent may have gone meanwhile, or the server run out of memory.
    XSync(display, False);
    return trap.errors() == 0 && image->data != nullptr;
}

X11WindowSystem::X11WindowSystem(BitmapSource bitmaps) : bitmaps(std::move(bitmaps)) {}

X11WindowSystem::~X11WindowSystem() {
    if (connection != nullptr) destroyWindow(asHandle(connection->window));
}

WindowHandle X11WindowSystem::createChildWindow(void* parent, int width, int height) {
    if (parent == nullptr || width <= 0 || height <= 0) return nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (connection != nullptr) return nullptr;  // one window per editor
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return nullptr;
    auto opened = std::make_unique<Connection>();
    opened->display = display;
    opened->opener = std::this_thread::get_id();

    if (!opened->makeWindow(asWindow(parent), width, height)) {
        opened->release();
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(mutex);
    canvas = RgbImage(width, height);
    unsent = PixelRect{};
    connection = std::move(opened);
    return asHandle(connection->window);
}

bool X11WindowSystem::holds(WindowHandle window) const {
    return window != nullptr && connection != nullptr && asWindow(window) == connection->window;
}

void X11WindowSystem::attach(WindowHandle window, WindowEvents* events) {
    std::lock_guard<std::mutex> lock(mutex);
    if (holds(window)) connection->events = events;
}

void X11WindowSystem::showWindow(WindowHandle window) {
    std::lock_guard<std::mutex> lock(mutex);
    if (!holds(window)) return;
    X11ErrorTrap trap(connection->display);
    XMapWindow(connection->display, connection->window);
    XFlush(connection->display);
}

void X11WindowSystem::destroyWindow(WindowHandle window) {
    std::unique_ptr<Connection> closing;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!holds(window)) return;
        closing = std::move(connection);
        unsent = PixelRect{};
    }
    closing->release();
}

// The press that activated the window gives the time, so that an older press cannot take the focus
// back from a window that got it later.
void X11WindowSystem::setFocus(WindowHandle window) {
    std::lock_guard<std::mutex> lock(mutex);
    if (!holds(window) || !connection->windowExists) return;
    X11ErrorTrap trap(connection->display);
    XSetInputFocus(connection->display, connection->window, RevertToParent, connection->lastPress);
}

void X11WindowSystem::screenToClient(WindowHandle window, int& x, int& y) {
    std::lock_guard<std::mutex> lock(mutex);
    if (!holds(window) || !connection->windowExists) return;
    X11ErrorTrap trap(connection->display);
    int clientX = 0;
    int clientY = 0;
    Window child = 0;
    if (XTranslateCoordinates(connection->display, connection->root, connection->window, x, y, &clientX,
                              &clientY, &child)) {
        x = clientX;
        y = clientY;
    }
}

void X11WindowSystem::drawOnWindow(WindowHandle window, SurfacePainter& painter) {
    draw(window, painter);
}

void X11WindowSystem::paintWindow(WindowHandle window, SurfacePainter& painter) {
    draw(window, painter);
}

void X11WindowSystem::draw(WindowHandle window, SurfacePainter& painter) {
    std::lock_guard<std::mutex> lock(mutex);
    if (!holds(window)) return;
    ChangeTrackingSurface surface(canvas);
    painter.paintOn(surface);
    unsent.unite(surface.changedArea());
    if (std::this_thread::get_id() == connection->opener) putChangedPixels();
}

// With the mutex held.
void X11WindowSystem::putChangedPixels() {
    PixelRect area = unsent;
    unsent = PixelRect{};
    if (area.empty() || !connection->windowExists) return;
    Connection& c = *connection;
    writePixels(canvas, c.packer, *c.image, area);
    X11ErrorTrap trap(c.display);
    XPutImage(c.display, c.window, c.gc, c.image, area.left, area.top, area.left, area.top,
              unsigned(area.right - area.left), unsigned(area.bottom - area.top));
    XFlush(c.display);
}

// With the mutex held: the next event worth handing on, false when none is waiting.
bool X11WindowSystem::takeEvent(XEvent& event, WindowEvents*& events, unsigned long& window) {
    Connection& c = *connection;
    X11ErrorTrap trap(c.display);
    for (;;) {
        if (XPending(c.display) == 0) return false;
        XNextEvent(c.display, &event);
        if (event.type == MotionNotify && laterMotionWaiting(c.display, event)) continue;
        if (event.type == ButtonPress) c.lastPress = event.xbutton.time;
        events = c.events;
        window = c.window;
        return true;
    }
}

void X11WindowSystem::pumpEvents() {
    for (int handled = 0; handled < eventsPerPump; ++handled) {
        XEvent event;
        WindowEvents* events = nullptr;
        Window window = 0;
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (connection == nullptr) return;
            putChangedPixels();  // drawn by other threads since the last pump
            if (!takeEvent(event, events, window)) return;
        }
        // Until attached, a window's events get no handling, as on Win32.
        if (events == nullptr) continue;
        // Handling may close the editor (a host answering the automation call), so nothing of the
        // connection is used across it.
        if (routeEvent(event, window, *events) == WindowState::Destroyed) {
            std::lock_guard<std::mutex> lock(mutex);
            if (connection != nullptr && connection->window == window) connection->windowExists = false;
        }
    }
    std::lock_guard<std::mutex> lock(mutex);
    if (connection != nullptr) putChangedPixels();
}

BitmapHandle X11WindowSystem::loadBitmap(int resourceId) { return bitmaps.load(resourceId); }

void X11WindowSystem::deleteBitmap(BitmapHandle bitmap) { bitmaps.remove(bitmap); }

bool X11WindowSystem::bitmapSize(BitmapHandle bitmap, int& width, int& height) {
    return DecodedBitmaps::size(bitmap, width, height);
}
