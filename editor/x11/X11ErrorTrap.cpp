#include "editor/x11/X11ErrorTrap.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {
std::mutex trapsMutex;
std::vector<X11ErrorTrap*> liveTraps;  // innermost last
XErrorHandler handlerBefore = nullptr;
}  // namespace

int handleTrappedError(Display* display, XErrorEvent* error) {
    XErrorHandler passOn = nullptr;
    {
        std::lock_guard<std::mutex> lock(trapsMutex);
        auto trap = std::find_if(liveTraps.rbegin(), liveTraps.rend(),
                                 [display](const X11ErrorTrap* t) { return t->display == display; });
        if (trap != liveTraps.rend()) {
            ++(*trap)->errorCount;
            return 0;
        }
        passOn = handlerBefore;
    }
    return passOn != nullptr ? passOn(display, error) : 0;
}

X11ErrorTrap::X11ErrorTrap(Display* display) : display(display) {
    std::lock_guard<std::mutex> lock(trapsMutex);
    if (liveTraps.empty()) handlerBefore = XSetErrorHandler(handleTrappedError);
    liveTraps.push_back(this);
}

X11ErrorTrap::~X11ErrorTrap() {
    std::lock_guard<std::mutex> lock(trapsMutex);
    liveTraps.erase(std::find(liveTraps.begin(), liveTraps.end(), this));
    if (!liveTraps.empty()) return;
    // If the host installed a handler of its own meanwhile, it stays; ours still passes on.
    XErrorHandler current = XSetErrorHandler(handlerBefore);
    if (current != handleTrappedError) XSetErrorHandler(current);
}

int X11ErrorTrap::errors() const {
    std::lock_guard<std::mutex> lock(trapsMutex);
    return errorCount;
}
