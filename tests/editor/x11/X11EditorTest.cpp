// The Linux plug-in's editor on a real (virtual) X server, as a host drives it: calyx2.so loaded
// through the host library, effEditOpen with a window this test made, effEditIdle to let the editor
// handle its events, real pointer input through XTest, and the window's pixels read back and
// compared with the offscreen picture of the same parameter values.
#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <initializer_list>
#include <memory>
#include <thread>
#include <vector>

#include "editor/offscreen/PanelSnapshot.h"
#include "host/HostedPlugin.h"
#include "tests/editor/EditorTestSupport.h"
#include "tests/editor/x11/XvfbDisplay.h"
// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include "editor/x11/X11ErrorTrap.h"

namespace {
constexpr int panelWidth = 560;
constexpr int panelHeight = 320;

XvfbDisplay& virtualDisplay() {
    static XvfbDisplay display;
    return display;
}

int openDescriptors() {
    int count = 0;
    if (DIR* folder = opendir("/proc/self/fd")) {
        while (dirent* entry = readdir(folder)) count += entry->d_name[0] != '.';
        closedir(folder);
    }
    return count - 1;  // the listing's own
}

void* asParent(Window window) {
    return reinterpret_cast<void*>(std::uintptr_t(window));
}

RgbImage offscreenPicture(host::HostedPlugin& plugin) {
    FakePlugin values;
    for (int i = 0; i < param::Count; ++i) values.values[std::size_t(i)] = plugin.parameter(i);
    return snapshotPanel(values, panelBitmapsWithout());
}

int differingPixels(const RgbImage& a, const RgbImage& b) {
    if (a.width != b.width || a.height != b.height) return a.width * a.height + 1;
    int count = 0;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) count += a.pixel(x, y) != b.pixel(x, y);
    }
    return count;
}

int lowestBit(unsigned long mask) {
    int shift = 0;
    while (mask != 0 && ((mask >> shift) & 1) == 0) ++shift;
    return shift;
}

using Plugins = std::initializer_list<host::HostedPlugin*>;

class X11Editor : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!XvfbDisplay::installed()) GTEST_SKIP() << "Xvfb is not installed: the X11 editor is not tested";
        ASSERT_TRUE(virtualDisplay().running()) << virtualDisplay().failure();
        setenv("DISPLAY", virtualDisplay().name().c_str(), 1);
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        int unused = 0;
        ASSERT_TRUE(XTestQueryExtension(display, &unused, &unused, &unused, &unused));
        root = DefaultRootWindow(display);
    }
    void TearDown() override {
        if (display != nullptr) XCloseDisplay(display);
    }

    std::unique_ptr<host::HostedPlugin> loadPlugin(int program) {
        std::string error;
        auto plugin = host::HostedPlugin::load(CALYX2_PLUGIN_FILE, error);
        EXPECT_NE(plugin, nullptr) << error;
        if (plugin == nullptr) return nullptr;
        plugin->open();
        plugin->setProgram(program);
        return plugin;
    }

    // A mapped top-level window standing in for the host's, at a known place on the screen.
    Window hostWindow(int left, int top) {
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.background_pixel = BlackPixel(display, DefaultScreen(display));
        Window window =
            XCreateWindow(display, root, left, top, panelWidth, panelHeight, 0, CopyFromParent, InputOutput,
                          CopyFromParent, CWOverrideRedirect | CWBackPixel, &attributes);
        XMapWindow(display, window);
        XSync(display, False);
        return window;
    }

    std::vector<Window> childrenOf(Window window) {
        Window rootOut = 0;
        Window parentOut = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        std::vector<Window> found;
        if (XQueryTree(display, window, &rootOut, &parentOut, &children, &count) != 0) {
            found.assign(children, children + count);
            if (children != nullptr) XFree(children);
        }
        return found;
    }

    Window editorWindowIn(Window parent) {
        std::vector<Window> children = childrenOf(parent);
        return children.size() == 1 ? children[0] : 0;
    }

    RgbImage windowPixels(Window window) {
        XImage* image = XGetImage(display, window, 0, 0, panelWidth, panelHeight, AllPlanes, ZPixmap);
        if (image == nullptr) return RgbImage();
        RgbImage picture(panelWidth, panelHeight);
        int redShift = lowestBit(image->red_mask);
        int greenShift = lowestBit(image->green_mask);
        int blueShift = lowestBit(image->blue_mask);
        for (int y = 0; y < panelHeight; ++y) {
            for (int x = 0; x < panelWidth; ++x) {
                unsigned long pixel = XGetPixel(image, x, y);
                picture.setPixel(x, y,
                                 rgbColour(int((pixel & image->red_mask) >> redShift),
                                           int((pixel & image->green_mask) >> greenShift),
                                           int((pixel & image->blue_mask) >> blueShift)));
            }
        }
        XDestroyImage(image);
        return picture;
    }

    // Lets the server deliver what it has, and the editors handle it.
    void settle(Plugins plugins, int rounds = 6) {
        XSync(display, False);
        for (int round = 0; round < rounds; ++round) {
            for (host::HostedPlugin* plugin : plugins) plugin->dispatch(effEditIdle);
            std::this_thread::sleep_for(std::chrono::milliseconds(4));
            XSync(display, False);
        }
    }

    // Pixels that differ from the offscreen picture once the editor has had up to two seconds of idle calls.
    int differenceOnceSettled(host::HostedPlugin& plugin, Window window) {
        return differenceOnceSettled(plugin, window, offscreenPicture(plugin));
    }
    int differenceOnceSettled(host::HostedPlugin& plugin, Window window, const RgbImage& expected) {
        int differing = 0;
        for (int attempt = 0; attempt < 100; ++attempt) {
            settle({&plugin}, 2);
            differing = differingPixels(windowPixels(window), expected);
            if (differing == 0) break;
        }
        return differing;
    }

    // Real pointer input at client coordinates of the editor window.
    struct Pointer {
        X11Editor& test;
        Window window;
        Plugins plugins;
        void moveTo(int x, int y) {
            int rootX = 0;
            int rootY = 0;
            Window child = 0;
            XTranslateCoordinates(test.display, window, test.root, x, y, &rootX, &rootY, &child);
            XTestFakeMotionEvent(test.display, -1, rootX, rootY, CurrentTime);
            test.settle(plugins);
        }
        void press(unsigned int button) {
            XTestFakeButtonEvent(test.display, button, True, CurrentTime);
            test.settle(plugins);
        }
        void release(unsigned int button) {
            XTestFakeButtonEvent(test.display, button, False, CurrentTime);
            test.settle(plugins);
        }
        void click(int x, int y, unsigned int button = 1) {
            moveTo(x, y);
            press(button);
            release(button);
        }
    };

    Display* display = nullptr;
    Window root = 0;
};

TEST_F(X11Editor, PanelInsideTheHostWindowLooksLikeTheOffscreenPicture) {
    auto plugin = loadPlugin(3);
    ASSERT_NE(plugin, nullptr);
    plugin->setParameter(param::LVL1, 0.8f);
    Window parent = hostWindow(40, 60);
    ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, asParent(parent)), 1);
    XSync(display, False);
    Window editor = editorWindowIn(parent);
    ASSERT_NE(editor, 0u);
    XWindowAttributes attributes;
    ASSERT_NE(XGetWindowAttributes(display, editor, &attributes), 0);
    EXPECT_EQ(attributes.x, 0);
    EXPECT_EQ(attributes.y, 0);
    EXPECT_EQ(attributes.width, panelWidth);
    EXPECT_EQ(attributes.height, panelHeight);
    EXPECT_EQ(attributes.map_state, IsViewable);
    XClassHint names{};
    ASSERT_NE(XGetClassHint(display, editor, &names), 0);
    EXPECT_STREQ(names.res_class, "KZGui");
    XFree(names.res_name);
    XFree(names.res_class);
    EXPECT_EQ(differenceOnceSettled(*plugin, editor), 0);

    // Hidden and shown again, the window shows the parent's black until the expose is handled.
    XUnmapWindow(display, parent);
    XMapWindow(display, parent);
    XSync(display, False);
    EXPECT_GT(differingPixels(windowPixels(editor), offscreenPicture(*plugin)), 0);
    EXPECT_EQ(differenceOnceSettled(*plugin, editor), 0);

    plugin->dispatch(effEditClose);
    EXPECT_TRUE(childrenOf(parent).empty());
    XDestroyWindow(display, parent);
}

TEST_F(X11Editor, ClicksAndACapturedDragReachThePluginAndTheHost) {
    auto plugin = loadPlugin(0);
    ASSERT_NE(plugin, nullptr);
    plugin->setParameter(param::LVL1, 0.8f);
    plugin->setParameter(param::RTE2, 0.0f);
    Window parent = hostWindow(40, 60);
    ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, asParent(parent)), 1);
    Window editor = editorWindowIn(parent);
    settle({plugin.get()});
    plugin->clearRecords();

    Pointer pointer{*this, editor, {plugin.get()}};
    for (int i = 0; i < 3; ++i) pointer.click(374, 90);  // the RTE2 switch
    std::vector<std::pair<int, float>> clicks;
    for (const host::AutomationRecord& record : plugin->automationRecords())
        clicks.emplace_back(record.index, record.value);
    EXPECT_EQ(clicks, (std::vector<std::pair<int, float>>{
                          {param::RTE2, 0.5f}, {param::RTE2, 1.0f}, {param::RTE2, 0.0f}}));

    // Down from the LVL1 knob, past the bottom of the window and of the host's: the grab keeps the
    // motion coming, so the knob reaches its bottom.
    plugin->clearRecords();
    pointer.moveTo(28, 28);
    pointer.press(1);
    for (int y = 40; y <= 440; y += 40) pointer.moveTo(28, y);
    pointer.release(1);
    std::vector<host::AutomationRecord> drag = plugin->automationRecords();
    ASSERT_GE(drag.size(), 3u);
    for (std::size_t i = 0; i < drag.size(); ++i) {
        EXPECT_EQ(drag[i].index, param::LVL1);
        if (i > 0) {
            EXPECT_LT(drag[i].value, drag[i - 1].value);
        }
    }
    EXPECT_EQ(drag.back().value, 0.0f);
    EXPECT_EQ(plugin->parameter(param::LVL1), 0.0f);

    // Released, the pointer over another knob moves nothing.
    plugin->clearRecords();
    pointer.moveTo(124, 28);
    pointer.moveTo(124, 60);
    EXPECT_TRUE(plugin->automationRecords().empty());

    pointer.moveTo(300, 250);
    EXPECT_EQ(differenceOnceSettled(*plugin, editor), 0);
    plugin->dispatch(effEditClose);
    XDestroyWindow(display, parent);
}

TEST_F(X11Editor, RightButtonDragsFinelyAndTheWheelStepsByAHundredth) {
    auto plugin = loadPlugin(0);
    ASSERT_NE(plugin, nullptr);
    plugin->setParameter(param::WAV1, 0.5f);
    Window parent = hostWindow(40, 60);
    ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, asParent(parent)), 1);
    Window editor = editorWindowIn(parent);
    settle({plugin.get()});
    Pointer pointer{*this, editor, {plugin.get()}};

    pointer.moveTo(124, 38);  // the WAV1 knob answers for y 17 to 39
    pointer.press(3);
    pointer.moveTo(124, 18);  // 20 pixels up at a two-thousandth each
    pointer.release(3);
    EXPECT_NEAR(plugin->parameter(param::WAV1), 0.51f, 1e-5);
    pointer.press(1);
    pointer.moveTo(124, 38);  // 20 pixels down at a two-hundredth each
    pointer.release(1);
    EXPECT_NEAR(plugin->parameter(param::WAV1), 0.41f, 1e-5);

    pointer.click(124, 28, 4);
    EXPECT_NEAR(plugin->parameter(param::WAV1), 0.42f, 1e-5);
    pointer.click(124, 28, 5);
    pointer.click(124, 28, 5);
    EXPECT_NEAR(plugin->parameter(param::WAV1), 0.40f, 1e-5);
    pointer.click(300, 250, 4);  // over no control
    EXPECT_NEAR(plugin->parameter(param::WAV1), 0.40f, 1e-5);
    EXPECT_EQ(plugin->automationRecords().back().index, param::WAV1);

    EXPECT_EQ(differenceOnceSettled(*plugin, editor), 0);
    plugin->dispatch(effEditClose);
    XDestroyWindow(display, parent);
}

// A host automating from its audio thread must not have that thread talk to the X server: the
// change is drawn in memory and reaches the window at the next idle call.
TEST_F(X11Editor, HostChangesShowAtOnceFromTheEditorThreadAndAtTheNextIdleFromOthers) {
    auto plugin = loadPlugin(0);
    ASSERT_NE(plugin, nullptr);
    Window parent = hostWindow(40, 60);
    ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, asParent(parent)), 1);
    Window editor = editorWindowIn(parent);
    ASSERT_EQ(differenceOnceSettled(*plugin, editor), 0);

    plugin->setParameter(param::FIN3, 0.25f);
    plugin->setParameter(param::AAA, 1.0f);
    XSync(display, False);
    EXPECT_EQ(differingPixels(windowPixels(editor), offscreenPicture(*plugin)), 0);

    RgbImage before = windowPixels(editor);
    std::thread audio([&] {
        plugin->setParameter(param::LVL1, 0.0f);
        plugin->setParameter(param::D_LVL, 0.0f);
    });
    audio.join();
    XSync(display, False);
    EXPECT_EQ(differingPixels(windowPixels(editor), before), 0);
    plugin->dispatch(effEditIdle);
    XSync(display, False);
    EXPECT_EQ(differingPixels(windowPixels(editor), offscreenPicture(*plugin)), 0);
    plugin->dispatch(effEditClose);
    XDestroyWindow(display, parent);
}

// Loads show at the next idle; closing and reopening while another thread automates shows the values
// of that moment.
TEST_F(X11Editor, LoadsAndOtherThreadsChangesShowByTheNextIdleAndAfterReopening) {
    auto plugin = loadPlugin(0);
    auto other = loadPlugin(16);
    ASSERT_NE(plugin, nullptr);
    ASSERT_NE(other, nullptr);
    Window parent = hostWindow(40, 60);
    ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, asParent(parent)), 1);
    ASSERT_EQ(differenceOnceSettled(*plugin, editorWindowIn(parent)), 0);
    auto differenceAfterOneIdle = [&] {
        plugin->dispatch(effEditIdle);
        XSync(display, False);
        return differingPixels(windowPixels(editorWindowIn(parent)), offscreenPicture(*plugin));
    };
    plugin->setChunk(other->chunk(true), true);
    EXPECT_EQ(differenceAfterOneIdle(), 0);
    plugin->setChunk(other->chunk(false), false);
    plugin->setProgram(3);
    EXPECT_EQ(differenceAfterOneIdle(), 0);

    std::atomic<bool> stop{false};
    std::thread automation([&] {
        for (int i = 0; !stop; ++i) plugin->setParameter(i % param::Count, float(i % 11) / 10.0f);
    });
    for (int round = 0; round < 10; ++round) {
        plugin->dispatch(effEditClose);
        ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, asParent(parent)), 1);
        plugin->dispatch(effEditIdle);
    }
    stop = true;
    automation.join();
    EXPECT_EQ(differenceOnceSettled(*plugin, editorWindowIn(parent)), 0);
    plugin->dispatch(effEditClose);
    XDestroyWindow(display, parent);
}

TEST_F(X11Editor, OpeningAndClosingManyTimesLeavesNoWindowsOrConnections) {
    auto plugin = loadPlugin(0);
    ASSERT_NE(plugin, nullptr);
    Window parent = hostWindow(40, 60);
    std::size_t topLevels = childrenOf(root).size();
    ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, asParent(parent)), 1);
    plugin->dispatch(effEditClose);
    int descriptors = openDescriptors();

    for (int round = 0; round < 40; ++round) {
        ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, asParent(parent)), 1);
        XSync(display, False);
        EXPECT_EQ(childrenOf(parent).size(), 1u);
        plugin->dispatch(effEditIdle);
        plugin->dispatch(effEditClose);
        XSync(display, False);
        EXPECT_TRUE(childrenOf(parent).empty());
    }
    // Opened again without a close, into another window: the editor moves there.
    Window secondParent = hostWindow(40, 400);
    ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, asParent(parent)), 1);
    ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, asParent(secondParent)), 1);
    XSync(display, False);
    EXPECT_TRUE(childrenOf(parent).empty());
    EXPECT_EQ(childrenOf(secondParent).size(), 1u);
    plugin->dispatch(effEditClose);
    plugin->dispatch(effEditClose);  // a second close is harmless
    XSync(display, False);
    EXPECT_TRUE(childrenOf(secondParent).empty());

    EXPECT_EQ(openDescriptors(), descriptors);
    XDestroyWindow(display, secondParent);
    XDestroyWindow(display, parent);
    XSync(display, False);
    EXPECT_EQ(childrenOf(root).size(), topLevels - 1);
}

TEST_F(X11Editor, TwoInstancesOpenAtOnceEachShowAndAnswerTheirOwn) {
    auto first = loadPlugin(0);
    auto second = loadPlugin(7);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    first->setParameter(param::LVL1, 0.8f);
    second->setParameter(param::LVL1, 0.8f);
    Window firstParent = hostWindow(40, 60);
    Window secondParent = hostWindow(40, 400);
    int descriptors = openDescriptors();
    ASSERT_EQ(first->dispatch(effEditOpen, 0, 0, asParent(firstParent)), 1);
    ASSERT_EQ(second->dispatch(effEditOpen, 0, 0, asParent(secondParent)), 1);
    Window firstEditor = editorWindowIn(firstParent);
    Window secondEditor = editorWindowIn(secondParent);
    ASSERT_NE(firstEditor, 0u);
    ASSERT_NE(secondEditor, 0u);
    EXPECT_EQ(differenceOnceSettled(*first, firstEditor), 0);
    EXPECT_EQ(differenceOnceSettled(*second, secondEditor), 0);

    first->clearRecords();
    second->clearRecords();
    Pointer pointer{*this, secondEditor, {first.get(), second.get()}};
    pointer.moveTo(28, 28);
    pointer.press(1);
    pointer.moveTo(28, 500);
    pointer.release(1);
    EXPECT_TRUE(first->automationRecords().empty());
    EXPECT_EQ(second->parameter(param::LVL1), 0.0f);
    EXPECT_EQ(first->parameter(param::LVL1), 0.8f);

    first->dispatch(effEditClose);
    pointer.click(374, 90);  // the other instance's panel goes on answering
    EXPECT_EQ(second->parameter(param::RTE2), second->automationRecords().back().value);
    EXPECT_EQ(second->automationRecords().back().index, param::RTE2);
    second->dispatch(effEditClose);
    XSync(display, False);
    EXPECT_TRUE(childrenOf(firstParent).empty());
    EXPECT_TRUE(childrenOf(secondParent).empty());
    EXPECT_EQ(openDescriptors(), descriptors);
    XDestroyWindow(display, firstParent);
    XDestroyWindow(display, secondParent);
}

// Some hosts destroy their window before they close the editor; every request on the editor's
// window then fails, and Xlib's default answer to that would end the host.
TEST_F(X11Editor, HostWindowDestroyedBeforeTheCloseIsSurvived) {
    auto plugin = loadPlugin(0);
    ASSERT_NE(plugin, nullptr);
    Window parent = hostWindow(40, 60);
    int descriptors = openDescriptors();
    ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, asParent(parent)), 1);
    settle({plugin.get()});
    XDestroyWindow(display, parent);
    XSync(display, False);
    plugin->setParameter(param::LVL1, 0.37f);  // draws for a window that is gone
    settle({plugin.get()});
    plugin->dispatch(effEditClose);
    EXPECT_EQ(openDescriptors(), descriptors);

    Window another = hostWindow(40, 60);
    ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, asParent(another)), 1);
    EXPECT_EQ(differenceOnceSettled(*plugin, editorWindowIn(another)), 0);
    plugin->dispatch(effEditClose);
    XDestroyWindow(display, another);
}

TEST_F(X11Editor, ParentsThatCannotHoldThePanelAreRefused) {
    auto plugin = loadPlugin(0);
    ASSERT_NE(plugin, nullptr);
    Window gone = hostWindow(40, 60);
    XDestroyWindow(display, gone);
    XSync(display, False);
    Window inputOnly =
        XCreateWindow(display, root, 0, 0, 10, 10, 0, 0, InputOnly, CopyFromParent, 0, nullptr);
    XSync(display, False);
    int descriptors = openDescriptors();

    EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, asParent(gone)), 0);
    EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, asParent(inputOnly)), 0);
    EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, nullptr), 0);
    plugin->dispatch(effEditIdle);
    plugin->dispatch(effEditClose);
    EXPECT_EQ(openDescriptors(), descriptors);
    XDestroyWindow(display, inputOnly);
}

// The error handler is the process's: the host's own must keep working and be back in place.
TEST_F(X11Editor, ErrorsOnOtherConnectionsStillReachTheHandlerBefore) {
    static int hostErrors = 0;
    XErrorHandler hostHandler = [](Display*, XErrorEvent*) {
        ++hostErrors;
        return 0;
    };
    XErrorHandler original = XSetErrorHandler(hostHandler);
    Display* editorConnection = XOpenDisplay(nullptr);
    ASSERT_NE(editorConnection, nullptr);
    Window nowhere = hostWindow(0, 0);
    XDestroyWindow(display, nowhere);
    XSync(display, False);
    {
        X11ErrorTrap trap(editorConnection);
        X11ErrorTrap inner(editorConnection);
        XMapWindow(editorConnection, nowhere);
        XSync(editorConnection, False);
        EXPECT_EQ(inner.errors(), 1);
        EXPECT_EQ(trap.errors(), 0);
        XMapWindow(display, nowhere);
        XSync(display, False);
        EXPECT_EQ(hostErrors, 1);
    }
    XMapWindow(display, nowhere);
    XSync(display, False);
    EXPECT_EQ(hostErrors, 2);
    EXPECT_EQ(XSetErrorHandler(original), hostHandler);
    XCloseDisplay(editorConnection);
}

// On a 16-bit display the pixels go through Xlib's own writer; each is the offscreen one cut to
// its top 5, 6 and 5 bits.
class X11EditorOnSixteenBits : public X11Editor {
  protected:
    void SetUp() override {
        if (!XvfbDisplay::installed()) GTEST_SKIP() << "Xvfb is not installed: the X11 editor is not tested";
        server = std::make_unique<XvfbDisplay>(16);
        ASSERT_TRUE(server->running()) << server->failure();
        setenv("DISPLAY", server->name().c_str(), 1);
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        ASSERT_EQ(DefaultDepth(display, DefaultScreen(display)), 16);
        root = DefaultRootWindow(display);
    }
    std::unique_ptr<XvfbDisplay> server;
};

TEST_F(X11EditorOnSixteenBits, ShowsTheOffscreenPictureInFewerBits) {
    auto plugin = loadPlugin(5);
    ASSERT_NE(plugin, nullptr);
    Window parent = hostWindow(40, 60);
    ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, asParent(parent)), 1);
    Window editor = editorWindowIn(parent);
    RgbImage expected = offscreenPicture(*plugin);
    for (int y = 0; y < expected.height; ++y) {
        for (int x = 0; x < expected.width; ++x) {
            std::uint32_t c = expected.pixel(x, y);
            expected.setPixel(
                x, y, rgbColour(int(c & 0xff) >> 3, int((c >> 8) & 0xff) >> 2, int((c >> 16) & 0xff) >> 3));
        }
    }
    EXPECT_EQ(differenceOnceSettled(*plugin, editor, expected), 0);
    plugin->dispatch(effEditClose);
    XDestroyWindow(display, parent);
}

TEST(X11EditorWithoutDisplay, ExistsButDoesNotOpen) {
    const char* saved = std::getenv("DISPLAY");
    std::string restore = saved != nullptr ? saved : "";
    std::string error;
    auto plugin = host::HostedPlugin::load(CALYX2_PLUGIN_FILE, error);
    ASSERT_NE(plugin, nullptr) << error;
    plugin->open();
    EXPECT_TRUE(plugin->hasFlag(effFlagsHasEditor));
    ERect rect{};
    ASSERT_TRUE(plugin->editorRect(rect));
    EXPECT_EQ(rect.right - rect.left, panelWidth);
    EXPECT_EQ(rect.bottom - rect.top, panelHeight);
    int descriptors = openDescriptors();
    for (const char* name : {"", ":"}) {  // unset, then one no server answers
        if (*name == '\0')
            unsetenv("DISPLAY");
        else
            setenv("DISPLAY", "/nonexistent/calyx2-test:0", 1);
        EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(0x200001)), 0);
        plugin->dispatch(effEditIdle);
        plugin->dispatch(effEditClose);
        plugin->setParameter(param::LVL1, 0.3f);
    }
    EXPECT_EQ(openDescriptors(), descriptors);
    if (saved != nullptr) setenv("DISPLAY", restore.c_str(), 1);
}
}  // namespace
