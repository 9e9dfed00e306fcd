// calyx2-standalone with its window on a private virtual display and a private JACK server: real
// key presses and pointer drags through XTest, the sound recorded through JACK, the panel read back
// from the screen and compared with the offscreen picture of the values the application saved.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <thread>

#include "editor/offscreen/PanelSnapshot.h"
#include "engine/ParameterIndex.h"
#include "standalone/MainWindow.h"
#include "standalone/StatusStrip.h"
#include "tests/editor/EditorTestSupport.h"
#include "tests/editor/x11/XvfbDisplay.h"
#include "tests/standalone/AppProcess.h"
#include "tests/standalone/JackTestClient.h"
#include "tests/standalone/JackTestServer.h"
#include "tests/standalone/StandaloneTestSupport.h"
// Last: Xlib's macros would break the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {
constexpr const char* kClientName = "calyx2-window-test";
constexpr double kStartSeconds = 15.0;
constexpr int kRecordCycles = 40;
constexpr int kSteadyFromCycle = 8;
constexpr std::uint32_t kSoundingKey = rgbColour(0xF0, 0x80, 0x20);  // the strip's colour of a sounding note
constexpr auto kPoll = std::chrono::milliseconds(20);

JackTestServer& jackServer() {
    static JackTestServer server;
    return server;
}

XvfbDisplay& virtualDisplay() {
    static XvfbDisplay display;
    return display;
}

int lowestBit(unsigned long mask) {
    int shift = 0;
    while (mask != 0 && ((mask >> shift) & 1) == 0) ++shift;
    return shift;
}

double rms(const std::vector<float>& samples, std::size_t first) {
    double sum = 0.0;
    for (std::size_t i = first; i < samples.size(); ++i) sum += double(samples[i]) * samples[i];
    return std::sqrt(sum / double(samples.size() - first));
}

class StandaloneWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!JackTestServer::installed() || !XvfbDisplay::installed())
            GTEST_SKIP() << "needs jackd and Xvfb: the standalone window is not tested";
        ASSERT_TRUE(jackServer().running());
        ASSERT_TRUE(virtualDisplay().running()) << virtualDisplay().failure();
        display = XOpenDisplay(virtualDisplay().name().c_str());
        ASSERT_NE(display, nullptr);
        config = temporaryFolder();
        preset = config + "/plain-tone.fxp";
        writePlainTonePreset(preset, "Plain tone");
        std::map<std::string, std::string> environment = standaloneEnvironment(config);
        environment["DISPLAY"] = virtualDisplay().name();
        app = std::make_unique<AppProcess>(
            standaloneCommand({"--device", "jack", "--name", kClientName, preset}), environment);
    }
    void TearDown() override {
        if (app) app->stop();
        if (display != nullptr) XCloseDisplay(display);
    }

    // The application's mapped top-level window, found by its title.
    Window findWindow() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(kStartSeconds);
        while (std::chrono::steady_clock::now() < deadline) {
            Window root = 0, parent = 0, *children = nullptr;
            unsigned int count = 0;
            XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
            Window found = 0;
            for (unsigned int i = 0; i < count && found == 0; ++i) {
                char* name = nullptr;
                XWindowAttributes attributes;
                if (XFetchName(display, children[i], &name) != 0 && name != nullptr) {
                    if (std::string(name) == MainWindow::title && XGetWindowAttributes(display, children[i], &attributes) &&
                        attributes.map_state == IsViewable)
                        found = children[i];
                    XFree(name);
                }
            }
            if (children != nullptr) XFree(children);
            if (found != 0) return found;
            std::this_thread::sleep_for(kPoll);
        }
        return 0;
    }

    RgbImage pixels(Window window, int top, int width, int height) {
        XImage* image = XGetImage(display, window, 0, top, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
        if (image == nullptr) return RgbImage();
        RgbImage picture(width, height);
        const int red = lowestBit(image->red_mask), green = lowestBit(image->green_mask), blue = lowestBit(image->blue_mask);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const unsigned long pixel = XGetPixel(image, x, y);
                picture.setPixel(x, y, rgbColour(int((pixel & image->red_mask) >> red), int((pixel & image->green_mask) >> green),
                                                 int((pixel & image->blue_mask) >> blue)));
            }
        XDestroyImage(image);
        return picture;
    }

    std::uint32_t keyColour(Window window, int note) {
        const StripRect key = strip::keyRect(note);
        const RgbImage row = pixels(window, key.y + key.height / 2, strip::panelWidth, 1);
        return row.pixel(key.x + key.width / 2, 0);
    }

    void key(KeySym symbol, bool down) {
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, symbol), down ? True : False, CurrentTime);
        XSync(display, False);
    }
    void pointerTo(Window window, int x, int y) {
        int rootX = 0, rootY = 0;
        Window child = 0;
        XTranslateCoordinates(display, window, DefaultRootWindow(display), x, y, &rootX, &rootY, &child);
        XTestFakeMotionEvent(display, -1, rootX, rootY, CurrentTime);
        XSync(display, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
    }
    void button(bool down) {
        XTestFakeButtonEvent(display, 1, down ? True : False, CurrentTime);
        XSync(display, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
    }

    // Holds a computer key while recording; returns the recording and what the strip showed meanwhile.
    std::vector<float> holdAndRecord(JackTestClient& client, KeySym symbol, Window window, int note, std::uint32_t& shown) {
        key(symbol, true);
        shown = 0;
        for (int attempt = 0; attempt < 50 && shown != kSoundingKey; ++attempt) {
            std::this_thread::sleep_for(kPoll);
            shown = keyColour(window, note);
        }
        client.play({}, kRecordCycles);
        key(symbol, false);
        return client.left;
    }

    // The current program's values from the bank file once it names the given program and they pass.
    template <typename Accept>
    std::vector<float> savedProgramOnceSaved(int wanted, Accept accept) {
        int program = -1;
        std::vector<float> values;
        for (int attempt = 0; attempt < 250; ++attempt) {  // the application saves edits within seconds
            if (readSavedBank(config, program, values) && program == wanted && accept(values)) return values;
            std::this_thread::sleep_for(kPoll);
        }
        return {};
    }

    static RgbImage panelPicture(const std::vector<float>& values) {
        FakePlugin saved;
        std::copy(values.begin(), values.end(), saved.values.begin());
        return snapshotPanel(saved, panelBitmapsWithout());
    }

    static int differingPixels(const RgbImage& a, const RgbImage& b) {
        int count = 0;
        for (int y = 0; y < a.height; ++y)
            for (int x = 0; x < a.width; ++x) count += a.pixel(x, y) != b.pixel(x, y);
        return count;
    }

    // Pixels of the panel on screen that differ from the offscreen picture, once it has settled.
    int panelDifference(Window window, const std::vector<float>& values) {
        const RgbImage expected = panelPicture(values);
        int differing = -1;
        for (int attempt = 0; attempt < 100 && differing != 0; ++attempt) {
            differing = differingPixels(pixels(window, 0, strip::panelWidth, strip::panelHeight), expected);
            std::this_thread::sleep_for(kPoll);
        }
        return differing;
    }

    Display* display = nullptr;
    std::string config;
    std::string preset;
    std::unique_ptr<AppProcess> app;
};

TEST_F(StandaloneWindow, ComputerKeysPlayAndLightNotesAKnobDragChangesSoundAndPanelAndTheProgramButtonSwitches) {
    const Window window = findWindow();
    ASSERT_NE(window, 0u) << app->errorOutput();
    JackTestClient client("calyx2-test");
    ASSERT_TRUE(client.connectTo(kClientName, kStartSeconds));
    XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
    const std::size_t steady = std::size_t(kSteadyFromCycle * client.period());
    const std::size_t measured = std::size_t((kRecordCycles - kSteadyFromCycle - 1) * client.period());

    // Z is the keyboard's base note, C3; Right moves it an octave up.
    std::uint32_t shown = 0;
    std::vector<float> low = holdAndRecord(client, XK_z, window, 48, shown);
    EXPECT_EQ(shown, kSoundingKey) << "the strip does not light the note played";
    EXPECT_NEAR(estimateFrequency(low, steady, measured - 2000, JackTestServer::sampleRate) / noteFrequency(48), 1.0, 0.01);
    key(XK_Right, true);
    key(XK_Right, false);
    std::vector<float> high = holdAndRecord(client, XK_z, window, 60, shown);
    EXPECT_EQ(shown, kSoundingKey);
    EXPECT_NEAR(estimateFrequency(high, steady, measured - 2000, JackTestServer::sampleRate) / noteFrequency(60), 1.0, 0.01);

    // The LVLm knob dragged down: quieter, and the panel shows what the plug-in holds.
    const RgbImage before = pixels(window, 0, strip::panelWidth, strip::panelHeight);
    pointerTo(window, 28, 284);
    button(true);
    pointerTo(window, 28, 294);
    pointerTo(window, 28, 304);
    button(false);
    std::vector<float> quieter = holdAndRecord(client, XK_z, window, 60, shown);
    EXPECT_LT(rms(quieter, steady), 0.95 * rms(high, steady));

    std::vector<float> values = savedProgramOnceSaved(0, [](const std::vector<float>& v) { return v[param::LVLm] < 0.8f; });
    ASSERT_EQ(values.size(), std::size_t(param::Count));
    EXPECT_NEAR(values[param::LVLm], 0.7f, 1e-5);
    EXPECT_EQ(panelDifference(window, values), 0);
    EXPECT_GT(differingPixels(before, panelPicture(values)), 0) << "the drag did not change the panel";

    // The strip's next-program button: the panel follows the program.
    const StripRect next = strip::nextProgramButton();
    pointerTo(window, next.x + next.width / 2, next.y + next.height / 2);
    button(true);
    button(false);
    values = savedProgramOnceSaved(1, [](const std::vector<float>&) { return true; });
    ASSERT_EQ(values.size(), std::size_t(param::Count));
    EXPECT_EQ(panelDifference(window, values), 0);
    EXPECT_EQ(app->stop(), 0) << app->errorOutput();
}
// The display gone under the application: it says so and keeps the bank (here, the preset it loaded).
TEST(StandaloneWindowLost, ALostDisplayIsReportedAndTheBankIsKept) {
    if (!JackTestServer::installed() || !XvfbDisplay::installed()) GTEST_SKIP() << "needs jackd and Xvfb";
    ASSERT_TRUE(jackServer().running());
    auto display = std::make_unique<XvfbDisplay>();
    ASSERT_TRUE(display->running()) << display->failure();
    const std::string config = temporaryFolder();
    const std::string preset = config + "/plain-tone.fxp";
    writePlainTonePreset(preset, "Plain tone");
    std::map<std::string, std::string> environment = standaloneEnvironment(config);
    environment["DISPLAY"] = display->name();
    AppProcess app(standaloneCommand({"--device", "jack", "--name", kClientName, preset}), environment);
    ASSERT_TRUE(app.saysWithin("playing through JACK", kStartSeconds)) << app.errorOutput();
    display.reset();
    EXPECT_EQ(app.wait(kStartSeconds), 4) << app.errorOutput();
    EXPECT_NE(app.errorOutput().find("the X display went away"), std::string::npos) << app.errorOutput();
    int program = -1;
    std::vector<float> values;
    ASSERT_TRUE(readSavedBank(config, program, values));
    EXPECT_EQ(values[param::LVLm], 0.8f);
}
}  // namespace
