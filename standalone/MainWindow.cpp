#include "standalone/MainWindow.h"

#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>

#include <cstdint>

#include "standalone/MidiMessageQueue.h"
#include "standalone/PluginDriver.h"

namespace {
constexpr int kWindowWidth = strip::panelWidth;
constexpr int kWindowHeight = strip::panelHeight + strip::height;
constexpr int kKeyboardRange = 31;  // the top row's last key above the base note
constexpr unsigned int kWheelUp = Button4;
constexpr unsigned int kWheelDown = Button5;
constexpr long kEventMask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ExposureMask | FocusChangeMask;
}  // namespace

MainWindow::MainWindow(PluginDriver& driver, MidiMessageQueue& notes) : driver(driver), notes(notes) {}

MainWindow::~MainWindow() {
    if (editorOpen) driver.dispatch(effEditClose);
    statusStrip.reset();
    if (display != nullptr) {
        if (window != 0) XDestroyWindow(display, window);
        XCloseDisplay(display);
    }
}

bool MainWindow::open(std::string& error) {
    display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        error = "cannot open the X display '" + std::string(XDisplayName(nullptr)) +
                "' (run with --no-gui to play without a window)";
        return false;
    }
    const int screen = DefaultScreen(display);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(display, screen);
    attributes.event_mask = kEventMask;
    window = XCreateWindow(display, RootWindow(display, screen), 0, 0, kWindowWidth, kWindowHeight, 0,
                           CopyFromParent, InputOutput, CopyFromParent, CWBackPixel | CWEventMask, &attributes);
    XStoreName(display, window, title);
    XClassHint names{const_cast<char*>("calyx2-standalone"), const_cast<char*>("Calyx2")};
    XSetClassHint(display, window, &names);
    XSizeHints size{};
    size.flags = PMinSize | PMaxSize;
    size.min_width = size.max_width = kWindowWidth;
    size.min_height = size.max_height = kWindowHeight;
    XSetWMNormalHints(display, window, &size);
    deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &deleteWindow, 1);
    // Held keys repeat as presses only, so a held note is not cut into many.
    XkbSetDetectableAutoRepeat(display, True, nullptr);

    void* parent = reinterpret_cast<void*>(static_cast<std::uintptr_t>(window));
    editorOpen = driver.dispatch(effEditOpen, 0, 0, parent) != 0;
    if (!editorOpen) {
        error = "the Calyx2 panel cannot be shown on this display (it needs a true-colour visual)";
        return false;
    }
    statusStrip = std::make_unique<StatusStrip>(display, window);
    XMapWindow(display, window);
    XFlush(display);
    return true;
}

void MainWindow::pump(int timeoutMilliseconds) {
    pollfd input{ConnectionNumber(display), POLLIN, 0};
    if (XPending(display) == 0) poll(&input, 1, timeoutMilliseconds);
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        handle(event);
    }
    driver.dispatch(effEditIdle);
    const StripState state = currentState();
    if (stripStale || state != shown) {
        statusStrip->draw(state, kKeyboardRange);
        shown = state;
        stripStale = false;
    }
}

StripState MainWindow::currentState() {
    StripState state;
    state.program = driver.program();
    state.programName = driver.programName(state.program);
    state.baseNote = keyboard.baseNote();
    state.velocity = keyboard.velocity();
    state.held = driver.heldNotes().snapshot();
    return state;
}

void MainWindow::handle(XEvent& event) {
    switch (event.type) {
        case KeyPress: key(event.xkey, true); break;
        case KeyRelease: key(event.xkey, false); break;
        case ButtonPress: click(event.xbutton); break;
        case Expose: stripStale = true; break;
        case FocusOut:
            // Keys released while another window has the keyboard would never reach us.
            for (const MidiMessage& off : keyboard.releaseAll()) send(off);
            break;
        case ClientMessage:
            if (Atom(event.xclient.data.l[0]) == deleteWindow) closing = true;
            break;
        default: break;
    }
}

void MainWindow::key(XKeyEvent& event, bool pressed) {
    const KeySym symbol = XLookupKeysym(&event, 0);
    MidiMessage message;
    if (!pressed) {
        if (keyboard.release(symbol, message)) send(message);
        return;
    }
    switch (symbol) {
        case XK_Left: keyboard.octaveDown(); break;
        case XK_Right: keyboard.octaveUp(); break;
        case XK_Up: keyboard.velocityUp(); break;
        case XK_Down: keyboard.velocityDown(); break;
        case XK_Prior: stepProgram(-1); break;
        case XK_Next: stepProgram(1); break;
        default:
            if (keyboard.press(symbol, message)) send(message);
            break;
    }
}

void MainWindow::click(const XButtonEvent& event) {
    if (event.y < strip::panelHeight) return;
    if (event.button == kWheelUp) {
        stepProgram(-1);
    } else if (event.button == kWheelDown) {
        stepProgram(1);
    } else if (strip::previousProgramButton().contains(event.x, event.y)) {
        stepProgram(-1);
    } else if (strip::nextProgramButton().contains(event.x, event.y)) {
        stepProgram(1);
    }
}

void MainWindow::stepProgram(int step) {
    const int programs = driver.effect()->numPrograms;
    driver.setProgram((driver.program() + step + programs) % programs);
}

void MainWindow::send(const MidiMessage& message) { notes.push(message); }
