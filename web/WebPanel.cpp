// The panel of the page's main-thread instance: the plug-in's own editor, opened as a host opens
// it, on the offscreen window system. The page copies the RGB canvas into an HTML canvas and sends
// the browser's mouse events as the X11 and Win32 back ends send theirs.
#include "web/PanelWindow.h"
#include "web/WebExport.h"
#include "web/WebSynth.h"

namespace {
constexpr int kWheelNotch = 120;  // one notch, as Win32 and the X11 back end report it
int parentWindow;                 // any non-null parent will do offscreen

OffscreenWindowSystem* window() {
    OffscreenWindowSystem* system = panelWindowSystem();
    return system && system->hasWindow() ? system : nullptr;
}
}  // namespace

WEB_EXPORT int web_panel_open() {
    if (window()) return 1;
    if (web::dispatch(effEditOpen, 0, 0, &parentWindow, 0.0f) == 0 || !window()) return 0;
    window()->sendPaint();
    return 1;
}

WEB_EXPORT int web_panel_width() { return window() ? window()->canvas().width : 0; }
WEB_EXPORT int web_panel_height() { return window() ? window()->canvas().height : 0; }
WEB_EXPORT const uint8_t* web_panel_pixels() { return window() ? window()->canvas().pixels.data() : nullptr; }
// Changes whenever something was drawn: the page copies the canvas only then.
WEB_EXPORT int web_panel_version() { return window() ? window()->drawCount() + window()->paintCount() : 0; }

// button: 0 left, 1 right (fine mode), as the window layer numbers them.
WEB_EXPORT void web_panel_button_down(int button, int x, int y) {
    if (!window()) return;
    window()->sendMouseActivate();
    window()->sendButtonDown(button, x, y);
}
WEB_EXPORT void web_panel_button_up(int button, int x, int y) {
    if (window()) window()->sendButtonUp(button, x, y);
}
WEB_EXPORT void web_panel_mouse_move(int x, int y) {
    if (window()) window()->sendMouseMove(x, y);
}
// notches > 0 away from the user; the window sits at the screen's origin.
WEB_EXPORT void web_panel_wheel(int x, int y, int notches) {
    if (window()) window()->sendWheel(x, y, notches * kWheelNotch);
}
// The host's idle call: draws what changed since (program switches, parameters set from outside).
WEB_EXPORT void web_panel_idle() { web::dispatch(effEditIdle, 0, 0, nullptr, 0.0f); }
