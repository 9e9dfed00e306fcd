// The gui and timer-support extensions: the 560 x 320 panel embedded in the host's window (X11 on
// Linux, Win32 on Windows), fixed in size. The panel exists from set_parent (or show after hide)
// until hide or destroy, through the VST 2.4 editor opcodes. While it is created a host timer
// gives it its idle call, which on X11 is when its window's events are handled, and ends the
// gestures of controls the pointer has let go.
#include <cstring>

#include "clap/Calyx2Clap.h"

namespace calyx2clap {
namespace {
#if defined(_WIN32)
constexpr const char* kWindowApi = CLAP_WINDOW_API_WIN32;
void* parentHandle(const clap_window_t& window) { return window.win32; }
#else
constexpr const char* kWindowApi = CLAP_WINDOW_API_X11;
void* parentHandle(const clap_window_t& window) { return reinterpret_cast<void*>(window.x11); }
#endif

bool isOurApi(const char* api, bool floating) { return api && !floating && std::strcmp(api, kWindowApi) == 0; }
}  // namespace

const clap_plugin_gui_t Calyx2Clap::kGui = {
    [](const clap_plugin_t*, const char* api, bool floating) { return isOurApi(api, floating); },
    [](const clap_plugin_t*, const char** api, bool* floating) {
        if (!api || !floating) return false;
        *api = kWindowApi;
        *floating = false;
        return true;
    },
    [](const clap_plugin_t* p, const char* api, bool floating) { return of(p)->createGui(api, floating); },
    [](const clap_plugin_t* p) { of(p)->destroyGui(); },
    [](const clap_plugin_t*, double) { return false; },  // drawn pixel for pixel at any scale
    [](const clap_plugin_t* p, uint32_t* width, uint32_t* height) {
        Calyx2Clap* self = of(p);
        ERect* rect = nullptr;
        if (!width || !height || !self->guiCreated || !self->dispatch(effEditGetRect, 0, 0, &rect) || !rect)
            return false;
        *width = static_cast<uint32_t>(rect->right - rect->left);
        *height = static_cast<uint32_t>(rect->bottom - rect->top);
        return true;
    },
    [](const clap_plugin_t*) { return false; },
    // Hints that say "fixed size": some hosts ask before they embed even a panel that cannot resize.
    [](const clap_plugin_t*, clap_gui_resize_hints_t* hints) {
        if (!hints) return false;
        *hints = clap_gui_resize_hints_t{};
        return true;
    },
    [](const clap_plugin_t*, uint32_t*, uint32_t*) { return false; },
    [](const clap_plugin_t* p, uint32_t width, uint32_t height) {
        uint32_t ownWidth = 0;
        uint32_t ownHeight = 0;
        return kGui.get_size(p, &ownWidth, &ownHeight) && width == ownWidth && height == ownHeight;
    },
    [](const clap_plugin_t* p, const clap_window_t* window) { return window && of(p)->setParent(*window); },
    [](const clap_plugin_t*, const clap_window_t*) { return false; },
    [](const clap_plugin_t*, const char*) {},
    [](const clap_plugin_t* p) { return of(p)->showGui(); },
    [](const clap_plugin_t* p) { return of(p)->hideGui(); },
};

const clap_plugin_timer_support_t Calyx2Clap::kTimerSupport = {
    [](const clap_plugin_t* p, clap_id timer) { of(p)->onTimer(timer); },
};

bool Calyx2Clap::createGui(const char* api, bool floating) {
    if (guiCreated || !isOurApi(api, floating) || !object || !object->getEditor()) return false;
    guiCreated = true;
    auto* timers = hostExtension<clap_host_timer_support_t>(CLAP_EXT_TIMER_SUPPORT);
    if (timers && timers->register_timer && !timers->register_timer(host, kPanelIdlePeriodMs, &idleTimer))
        idleTimer = CLAP_INVALID_ID;
    return true;
}

void Calyx2Clap::destroyGui() {
    if (!guiCreated) return;
    hideGui();
    auto* timers = hostExtension<clap_host_timer_support_t>(CLAP_EXT_TIMER_SUPPORT);
    if (idleTimer != CLAP_INVALID_ID && timers && timers->unregister_timer) timers->unregister_timer(host, idleTimer);
    idleTimer = CLAP_INVALID_ID;
    parentWindow = nullptr;
    guiCreated = false;
}

bool Calyx2Clap::setParent(const clap_window_t& window) {
    if (!guiCreated || !window.api || std::strcmp(window.api, kWindowApi) != 0 || !parentHandle(window)) return false;
    parentWindow = parentHandle(window);
    return dispatch(effEditOpen, 0, 0, parentWindow) != 0;
}

bool Calyx2Clap::showGui() {
    if (!guiCreated || !parentWindow) return false;
    if (object->getEditor()->isOpen()) return true;
    return dispatch(effEditOpen, 0, 0, parentWindow) != 0;
}

bool Calyx2Clap::hideGui() {
    if (!guiCreated) return false;
    dispatch(effEditClose);
    endReleasedGestures(true);
    return true;
}

void Calyx2Clap::onTimer(clap_id timer) {
    if (!guiCreated || timer != idleTimer) return;
    dispatch(effEditIdle);
    endReleasedGestures(false);
}

}  // namespace calyx2clap
