#include "editor/KZGuiWindow.h"

#include <cmath>

std::atomic<int> KZGuiWindow::windowClassUsers{0};

KZGuiWindow::KZGuiWindow(ParameterHost* effect, std::unique_ptr<WindowSystem> system)
    : EditorBase(effect), windowSystem(std::move(system)) {
    windowSystem->ensureWindowClass();
    ++windowClassUsers;
}

KZGuiWindow::~KZGuiWindow() {
    for (Control* control : controls) delete control;
    if (systemWindow != nullptr) {
        windowSystem->destroyWindow(window);
        systemWindow = nullptr;
    }
    if (--windowClassUsers < 1) windowSystem->unregisterWindowClass();
    controls.clear();
}

bool KZGuiWindow::getRect(ERect** rect) {
    *rect = &editRect;
    return true;
}

// A window that cannot be created leaves the editor closed and says so, rather than answering true
// and drawing into a window that does not exist. A host that opens again without closing gets the
// window moved to the new parent rather than a second one left behind in the old.
bool KZGuiWindow::open(void* parent) {
    if (window != nullptr) close();
    window = windowSystem->createChildWindow(parent, width, height);
    if (window == nullptr) {
        systemWindow = nullptr;
        return false;
    }
    systemWindow = parent;
    windowSystem->attach(window, this);
    windowSystem->showWindow(window);
    editorThread.store(currentThreadIdentity(), std::memory_order_release);
    return true;
}

void KZGuiWindow::close() {
    editorThread.store(0, std::memory_order_release);
    if (window != nullptr) windowSystem->destroyWindow(window);
    window = nullptr;
    systemWindow = nullptr;
}

void KZGuiWindow::idle() {
    windowSystem->pumpEvents();
    drawDirtyControls();
}

void KZGuiWindow::addControl(Control* control) {
    controls.push_back(control);
}

Control* KZGuiWindow::hitTest(int x, int y) const {
    for (Control* control : controls) {
        int left = control->getLeft();
        int top = control->getTop();
        if (left < x && x < left + control->getWidth() && top < y && y < top + control->getHeight()) {
            return control;
        }
    }
    return nullptr;
}

void KZGuiWindow::redrawDirty() {
    if (editorThread.load(std::memory_order_acquire) != currentThreadIdentity()) return;
    drawDirtyControls();
}

// A mark is taken before the control is drawn: a value another thread stores meanwhile marks it
// again, and the next idle draws it, instead of the mark being cleared over a stale picture.
void KZGuiWindow::drawDirtyControls() {
    if (!isOpen()) return;
    struct DirtyPainter : SurfacePainter {
        explicit DirtyPainter(const std::vector<Control*>& controls) : controls(controls) {}
        void paintOn(Surface& surface) override {
            for (Control* control : controls) {
                if (control->takeDirty()) control->draw(surface);
            }
        }
        const std::vector<Control*>& controls;
    } painter(controls);
    windowSystem->drawOnWindow(window, painter);
}

void KZGuiWindow::paint() {
    if (!isOpen()) return;
    struct WholePainter : SurfacePainter {
        explicit WholePainter(KZGuiWindow& editor) : editor(editor) {}
        void paintOn(Surface& surface) override {
            int bitmapWidth = 0;
            int bitmapHeight = 0;
            if (editor.hasBackground &&
                editor.windowSystem->bitmapSize(editor.background, bitmapWidth, bitmapHeight)) {
                surface.copyBitmap(editor.background, 0, 0, bitmapWidth, bitmapHeight, 0, 0,
                                   RasterMode::Copy);
            } else {
                surface.fillRect(0, 0, panelWidth, panelHeight, editor.fillColour);
            }
            for (Control* control : editor.controls) {
                control->takeDirty();
                control->draw(surface);
            }
        }
        KZGuiWindow& editor;
    } painter(*this);
    windowSystem->paintWindow(window, painter);
}

void KZGuiWindow::updateParameter(int index, float value) {
    for (Control* control : controls) {
        if (control->getParameterIndex() != index) continue;
        if (std::fabs(control->getValue() - value) > 0.0001) control->setValue(value, false);
    }
}

void KZGuiWindow::refreshAll() {
    ParameterHost* host = getEffect();
    if (host == nullptr) return;
    for (Control* control : controls)
        control->setValue(host->getParameter(control->getParameterIndex()), false);
}

void KZGuiWindow::handleMouseActivate() {
    windowSystem->setFocus(window);
}

void KZGuiWindow::handleMouseMove(int x, int y) {
    Control* under = hitTest(x, y);
    if (captured != nullptr) captured->onDrag(x, y);
    if (hovered != nullptr && under != hovered) {
        hovered->onMouseLeave(x, y);
        hovered = nullptr;
    } else if (under != nullptr && under != hovered && (captured == nullptr || captured == under)) {
        under->onMouseEnter(x, y);
        hovered = under;
    }
    redrawDirty();
}

void KZGuiWindow::handleButtonDown(int button, int x, int y) {
    if (Control* under = hitTest(x, y)) {
        under->onMouseDown(button, x, y);
        captured = under;
        windowSystem->setCapture(window);
    }
    redrawDirty();
}

void KZGuiWindow::handleButtonUp(int button, int x, int y) {
    Control* under = hitTest(x, y);
    if (under != nullptr && (captured == nullptr || captured == under)) under->onMouseUp(button, x, y);
    if (captured != nullptr) {
        captured->onRelease(x, y);
        captured = nullptr;
        windowSystem->releaseCapture();
    }
    redrawDirty();
}

void KZGuiWindow::handleWheel(int screenX, int screenY, int delta) {
    int x = screenX;
    int y = screenY;
    windowSystem->screenToClient(window, x, y);
    if (Control* under = hitTest(x, y)) {
        if (delta > 0) under->onWheelStep(+1);
        if (delta < 0) under->onWheelStep(-1);
    }
    redrawDirty();
}
