// The panel of calyx2.clap in a host window on a virtual X display: the gui extension's calls in
// the order hosts make them, the host timer as the panel's idle, and real pointer input through
// XTest becoming parameter events with a gesture around each drag.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "engine/ParameterIndex.h"
#include "host/ClapInstrument.h"
#include "tests/editor/x11/XvfbDisplay.h"
// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {

XvfbDisplay& virtualDisplay() {
    static XvfbDisplay display;
    return display;
}

class ClapGuiX11 : public ::testing::Test {
protected:
    void SetUp() override {
        if (!XvfbDisplay::installed()) GTEST_SKIP() << "Xvfb is not installed: the panel is not tested";
        ASSERT_TRUE(virtualDisplay().running()) << virtualDisplay().failure();
        setenv("DISPLAY", virtualDisplay().name().c_str(), 1);
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        std::string error;
        instrument = host::ClapInstrument::load(CALYX2_CLAP_FILE, error);
        ASSERT_NE(instrument, nullptr) << error;
        plugin = instrument->plugin();
        gui = instrument->extension<clap_plugin_gui_t>(CLAP_EXT_GUI);
        ASSERT_NE(gui, nullptr);
    }
    void TearDown() override {
        instrument.reset();
        if (display) XCloseDisplay(display);
    }

    Window hostWindow() {
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        Window window = XCreateWindow(display, DefaultRootWindow(display), 30, 40, 560, 320, 0, CopyFromParent,
                                      InputOutput, CopyFromParent, CWOverrideRedirect, &attributes);
        XMapWindow(display, window);
        XSync(display, False);
        return window;
    }

    std::vector<Window> childrenOf(Window window) {
        Window rootOut = 0, parentOut = 0, *children = nullptr;
        unsigned int count = 0;
        std::vector<Window> found;
        if (XQueryTree(display, window, &rootOut, &parentOut, &children, &count) != 0) {
            found.assign(children, children + count);
            if (children) XFree(children);
        }
        return found;
    }

    // The host's timer runs the panel's idle, which handles the window's events.
    void settle(int rounds = 6) {
        for (int round = 0; round < rounds; ++round) {
            XSync(display, False);
            instrument->fireTimers();
            std::this_thread::sleep_for(std::chrono::milliseconds(4));
        }
    }

    void pointerAt(Window window, int x, int y) {
        int rootX = 0, rootY = 0;
        Window child = 0;
        XTranslateCoordinates(display, window, DefaultRootWindow(display), x, y, &rootX, &rootY, &child);
        XTestFakeMotionEvent(display, -1, rootX, rootY, CurrentTime);
        settle();
    }
    void button(bool down) {
        XTestFakeButtonEvent(display, 1, down ? True : False, CurrentTime);
        settle();
    }

    // The knob of LVL1 dragged down a little: the events the host gets for it.
    std::vector<host::ClapOutputEvent> dragLevelKnob(Window panel) {
        instrument->clearRecords();
        pointerAt(panel, 28, 28);
        button(true);
        for (int y = 34; y <= 58; y += 8) pointerAt(panel, 28, y);
        instrument->flushParameters();
        const size_t heldCount = instrument->outputEvents().size();
        button(false);
        instrument->flushParameters();
        std::vector<host::ClapOutputEvent> events = instrument->outputEvents();
        EXPECT_GT(events.size(), heldCount) << "the gesture ends only once the button is up";
        return events;
    }

    Display* display = nullptr;
    std::unique_ptr<host::ClapInstrument> instrument;
    const clap_plugin_t* plugin = nullptr;
    const clap_plugin_gui_t* gui = nullptr;
};

TEST_F(ClapGuiX11, EmbedsAFixedPanelInTheHostWindowOnlyThroughX11) {
    EXPECT_TRUE(gui->is_api_supported(plugin, CLAP_WINDOW_API_X11, false));
    EXPECT_FALSE(gui->is_api_supported(plugin, CLAP_WINDOW_API_X11, true));
    EXPECT_FALSE(gui->is_api_supported(plugin, CLAP_WINDOW_API_WIN32, false));
    EXPECT_FALSE(gui->is_api_supported(plugin, nullptr, false));
    const char* api = nullptr;
    bool floating = true;
    ASSERT_TRUE(gui->get_preferred_api(plugin, &api, &floating));
    EXPECT_STREQ(api, CLAP_WINDOW_API_X11);
    EXPECT_FALSE(floating);
    EXPECT_FALSE(gui->get_preferred_api(plugin, nullptr, &floating));

    Window parent = hostWindow();
    clap_window_t window{CLAP_WINDOW_API_X11, {}};
    window.x11 = parent;
    EXPECT_FALSE(gui->set_parent(plugin, &window)) << "not created yet";
    EXPECT_FALSE(gui->show(plugin));
    EXPECT_FALSE(gui->create(plugin, CLAP_WINDOW_API_WIN32, false));
    EXPECT_FALSE(gui->create(plugin, CLAP_WINDOW_API_X11, true));
    ASSERT_TRUE(gui->create(plugin, CLAP_WINDOW_API_X11, false));
    EXPECT_FALSE(gui->create(plugin, CLAP_WINDOW_API_X11, false)) << "one panel per instance";
    EXPECT_EQ(instrument->liveTimers(), 1u);

    uint32_t width = 0, height = 0;
    ASSERT_TRUE(gui->get_size(plugin, &width, &height));
    EXPECT_EQ(width, 560u);
    EXPECT_EQ(height, 320u);
    EXPECT_FALSE(gui->can_resize(plugin));
    clap_gui_resize_hints_t hints{true, true, true, 1, 1};
    ASSERT_TRUE(gui->get_resize_hints(plugin, &hints));
    EXPECT_FALSE(hints.can_resize_horizontally || hints.can_resize_vertically || hints.preserve_aspect_ratio);
    EXPECT_FALSE(gui->get_resize_hints(plugin, nullptr));
    EXPECT_FALSE(gui->adjust_size(plugin, &width, &height));
    EXPECT_TRUE(gui->set_size(plugin, 560, 320));
    EXPECT_FALSE(gui->set_size(plugin, 600, 320));
    EXPECT_FALSE(gui->set_scale(plugin, 2.0));
    EXPECT_FALSE(gui->set_transient(plugin, &window));
    gui->suggest_title(plugin, "Calyx2 on track 1");

    clap_window_t wrongApi{CLAP_WINDOW_API_WIN32, {}};
    wrongApi.x11 = parent;
    EXPECT_FALSE(gui->set_parent(plugin, &wrongApi));
    EXPECT_FALSE(gui->set_parent(plugin, nullptr));
    clap_window_t noWindow{CLAP_WINDOW_API_X11, {}};
    EXPECT_FALSE(gui->set_parent(plugin, &noWindow));
    ASSERT_TRUE(gui->set_parent(plugin, &window));
    EXPECT_TRUE(gui->show(plugin));
    settle();
    EXPECT_EQ(childrenOf(parent).size(), 1u);

    for (int round = 0; round < 3; ++round) {
        EXPECT_TRUE(gui->hide(plugin));
        settle();
        EXPECT_TRUE(childrenOf(parent).empty());
        EXPECT_TRUE(gui->show(plugin));
        settle();
        EXPECT_EQ(childrenOf(parent).size(), 1u);
    }
    gui->destroy(plugin);
    XSync(display, False);
    EXPECT_TRUE(childrenOf(parent).empty());
    EXPECT_EQ(instrument->liveTimers(), 0u);
    gui->destroy(plugin);  // twice: nothing
    EXPECT_FALSE(gui->set_parent(plugin, &window));
    XDestroyWindow(display, parent);
}

TEST_F(ClapGuiX11, ADragReachesTheHostAsOneGestureAndHostChangesMoveThePanel) {
    instrument->resume();
    Window parent = hostWindow();
    clap_window_t window{CLAP_WINDOW_API_X11, {}};
    window.x11 = parent;
    ASSERT_TRUE(gui->create(plugin, CLAP_WINDOW_API_X11, false));
    ASSERT_TRUE(gui->set_parent(plugin, &window));
    ASSERT_TRUE(gui->show(plugin));
    settle();
    ASSERT_EQ(childrenOf(parent).size(), 1u);
    const Window panel = childrenOf(parent)[0];

    // Automation from the host, inside a block: the panel's knob takes the value, so a drag starts
    // from it.
    clap_event_param_value_t automation{};
    automation.header = {sizeof automation, 5, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
    automation.param_id = param::LVL1;
    automation.note_id = automation.port_index = automation.channel = automation.key = -1;
    automation.value = 1.0;
    ASSERT_TRUE(instrument->processEvents({&automation.header}, 64));
    settle();

    const std::vector<host::ClapOutputEvent> events = dragLevelKnob(panel);
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events.front().type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
    EXPECT_EQ(events.back().type, CLAP_EVENT_PARAM_GESTURE_END);
    double last = 1.0;
    for (size_t i = 1; i + 1 < events.size(); ++i) {
        EXPECT_EQ(events[i].type, CLAP_EVENT_PARAM_VALUE);
        EXPECT_EQ(events[i].param, uint32_t{param::LVL1});
        EXPECT_LT(events[i].value, last);
        EXPECT_GT(events[i].value, 0.5) << "the drag starts from the host's value";
        last = events[i].value;
    }
    for (const host::ClapOutputEvent& event : events) EXPECT_EQ(event.param, uint32_t{param::LVL1});
    EXPECT_EQ(instrument->parameter(param::LVL1), static_cast<float>(last));
    EXPECT_GE(instrument->flushRequests(), 2) << "the host is asked to collect the events";

    // While processing, the same edits come out of process instead of flush.
    instrument->clearRecords();
    pointerAt(panel, 28, 28);
    button(true);
    pointerAt(panel, 28, 40);
    button(false);
    ASSERT_TRUE(instrument->process({}, 64));
    const std::vector<host::ClapOutputEvent> fromProcess = instrument->outputEvents();
    ASSERT_GE(fromProcess.size(), 3u);
    EXPECT_EQ(fromProcess.front().type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
    EXPECT_EQ(fromProcess.back().type, CLAP_EVENT_PARAM_GESTURE_END);
    gui->destroy(plugin);
    XDestroyWindow(display, parent);
}

}  // namespace
