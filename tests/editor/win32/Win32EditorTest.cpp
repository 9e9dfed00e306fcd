// The real Win32 editor inside a parent window, driven with real input (SendInput) and compared
// pixel for pixel with what the offscreen window system draws. Needs a desktop: run under Wine
// with a virtual X display (tests/editor/run-wine-tests.sh).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "editor/offscreen/PanelSnapshot.h"
#include "editor/win32/Win32WindowSystem.h"
#include "tests/editor/EditorTestSupport.h"

void* moduleInstance = GetModuleHandleA(nullptr);

namespace {
constexpr int screenLeft = 40;
constexpr int screenTop = 60;

void pumpMessages(int milliseconds = 150) {
    DWORD until = GetTickCount() + DWORD(milliseconds);
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(5);
    } while (GetTickCount() < until);
}

// A plain top-level window with a 560 x 320 client area, standing in for the host's.
HWND createHostWindow() {
    WNDCLASSA hostClass{};
    hostClass.lpfnWndProc = DefWindowProcA;
    hostClass.hInstance = GetModuleHandleA(nullptr);
    hostClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    hostClass.lpszClassName = "Calyx2TestHost";
    RegisterClassA(&hostClass);
    RECT frame{0, 0, 560, 320};
    DWORD style = WS_POPUP | WS_VISIBLE;
    AdjustWindowRect(&frame, style, FALSE);
    HWND host =
        CreateWindowExA(0, "Calyx2TestHost", "host", style, screenLeft, screenTop, frame.right - frame.left,
                        frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(host);
    return host;
}

// What the screen shows at the editor's client area, read back from the display.
RgbImage screenshot(HWND window) {
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 560;
    info.bmiHeader.biHeight = -320;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP target = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, target);
    BitBlt(memory, 0, 0, 560, 320, screen, origin.x, origin.y, SRCCOPY);
    GdiFlush();
    RgbImage image(560, 320);
    const auto* pixels = static_cast<const std::uint8_t*>(bits);
    for (int y = 0; y < 320; ++y) {
        for (int x = 0; x < 560; ++x) {
            const std::uint8_t* p = pixels + (std::size_t(y) * 560 + x) * 4;
            image.setPixel(x, y, rgbColour(p[2], p[1], p[0]));
        }
    }
    SelectObject(memory, previous);
    DeleteObject(target);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return image;
}

int differingPixels(const RgbImage& a, const RgbImage& b) {
    int count = 0;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) count += a.pixel(x, y) != b.pixel(x, y);
    }
    return count;
}

// Real pointer input at client coordinates of the editor window.
struct Pointer {
    HWND window;
    void moveTo(int x, int y) {
        POINT point{x, y};
        ClientToScreen(window, &point);
        SetCursorPos(point.x, point.y);
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dx = LONG(point.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1));
        input.mi.dy = LONG(point.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1));
        input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        SendInput(1, &input, sizeof(input));
        pumpMessages(40);
    }
    void send(DWORD flags, DWORD data = 0) {
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = flags;
        input.mi.mouseData = data;
        SendInput(1, &input, sizeof(input));
        pumpMessages(60);
    }
    void click(int x, int y) {
        moveTo(x, y);
        send(MOUSEEVENTF_LEFTDOWN);
        send(MOUSEEVENTF_LEFTUP);
    }
};

struct Win32Panel : ::testing::Test {
    Win32Panel() {
        host = createHostWindow();
        for (int i = 0; i < param::Count; ++i) plugin.values[std::size_t(i)] = float(i % 7) / 6.0f;
        plugin.values[param::LVL1] = 0.8f;
        plugin.values[param::RTE2] = 0.0f;
        editor = std::make_unique<Calyx2Editor>(&plugin, std::make_unique<Win32WindowSystem>(moduleInstance));
        plugin.editor = editor.get();
        editor->refreshAll();
        opened = editor->open(host);
        window = static_cast<HWND>(editor->getWindow());
        pumpMessages(300);
    }
    ~Win32Panel() override {
        plugin.editor = nullptr;
        editor->close();
        editor.reset();
        DestroyWindow(host);
        pumpMessages(50);
    }
    RgbImage offscreenPicture() { return snapshotPanel(plugin, panelBitmapsWithout()); }

    HWND host = nullptr;
    HWND window = nullptr;
    bool opened = false;
    FakePlugin plugin;
    std::unique_ptr<Calyx2Editor> editor;
};

TEST_F(Win32Panel, OpensAChildWindowOfTheHostThatLooksLikeTheOffscreenPanel) {
    ASSERT_TRUE(opened);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetParent(window), host);
    EXPECT_TRUE(IsWindowVisible(window));
    char name[16] = {};
    GetClassNameA(window, name, sizeof(name));
    EXPECT_STREQ(name, "KZGui");
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 560);
    EXPECT_EQ(client.bottom, 320);
    ASSERT_EQ(editor->getControls().size(), 75u);  // every bitmap resource loaded
    EXPECT_EQ(differingPixels(screenshot(window), offscreenPicture()), 0);
}

TEST_F(Win32Panel, RealClicksAndDragsReachPluginHostAndScreen) {
    ASSERT_TRUE(opened);
    Pointer pointer{window};
    for (int i = 0; i < 3; ++i) pointer.click(374, 90);
    std::vector<std::pair<int, float>> routeClicks = {
        {param::RTE2, 0.5f}, {param::RTE2, 1.0f}, {param::RTE2, 0.0f}};
    EXPECT_EQ(plugin.automation, routeClicks);

    plugin.automation.clear();
    pointer.moveTo(28, 28);
    pointer.send(MOUSEEVENTF_LEFTDOWN);
    for (int y = 40; y <= 400; y += 40) pointer.moveTo(28, y);  // also below the window: captured
    pointer.send(MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(plugin.values[param::LVL1], 0.0f);
    ASSERT_FALSE(plugin.automation.empty());
    EXPECT_EQ(plugin.automation.back(), (std::pair<int, float>{param::LVL1, 0.0f}));
    EXPECT_EQ(GetCapture(), nullptr);

    plugin.automation.clear();
    pointer.moveTo(124, 28);  // WAV1
    float wave = plugin.values[param::WAV1];
    pointer.send(MOUSEEVENTF_WHEEL, WHEEL_DELTA);
    EXPECT_NEAR(plugin.values[param::WAV1], wave + 0.01f, 1e-6);

    pointer.moveTo(300, 250);
    EXPECT_EQ(differingPixels(screenshot(window), offscreenPicture()), 0);
}

TEST_F(Win32Panel, HostChangesAreDrawnAtOnce) {
    ASSERT_TRUE(opened);
    plugin.setParameter(param::LVL1, 0.0f);
    plugin.setParameter(param::AAA, 1.0f);
    plugin.setParameter(param::FIN3, 0.25f);
    pumpMessages(100);  // Wine hands window drawing to the X server asynchronously
    EXPECT_EQ(differingPixels(screenshot(window), offscreenPicture()), 0);
}

// A host automating from another thread, or loading a chunk (values pushed without drawing), shows
// the values on the panel at the editor's next idle.
TEST_F(Win32Panel, ChangesFromOtherThreadsAndLoadsAreDrawnAtTheNextIdle) {
    ASSERT_TRUE(opened);
    std::thread([&] {
        plugin.setParameter(param::LVL1, 0.0f);
        plugin.setParameter(param::AAA, 1.0f);
    }).join();
    for (int i = 0; i < param::Count; ++i) plugin.values[std::size_t(i)] = float(i % 5) / 4.0f;
    editor->refreshAll();
    editor->idle();
    pumpMessages(100);
    EXPECT_EQ(differingPixels(screenshot(window), offscreenPicture()), 0);
}

// For run-wine-tests.sh: shows the panel and waits while the script photographs the X display
// itself and compares it with the offscreen picture written here.
TEST_F(Win32Panel, HoldsStillForAnOutsideScreenshot) {
    const char* folder = std::getenv("CALYX2_SCREENSHOT_DIR");
    if (folder == nullptr) GTEST_SKIP() << "CALYX2_SCREENSHOT_DIR not set";
    ASSERT_TRUE(opened);
    std::string base = std::string("Z:") + folder + "\\";
    RgbImage picture = offscreenPicture();
    std::ofstream ppm(base + "offscreen.ppm", std::ios::binary);
    ppm << "P6\n560 320\n255\n";
    ppm.write(reinterpret_cast<const char*>(picture.pixels.data()), std::streamsize(picture.pixels.size()));
    ppm.close();
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    std::ofstream(base + "origin.txt") << origin.x << " " << origin.y << "\n";
    std::ofstream(base + "ready").put('\n');
    for (int waited = 0;
         waited < 300 && GetFileAttributesA((base + "done").c_str()) == INVALID_FILE_ATTRIBUTES; ++waited) {
        pumpMessages(100);
    }
}

TEST(Win32Editor, FailedWindowCreationLeavesTheEditorClosed) {
    FakePlugin plugin;
    Calyx2Editor editor(&plugin, std::make_unique<Win32WindowSystem>(moduleInstance));
    EXPECT_FALSE(editor.open(reinterpret_cast<void*>(0x7ff0)));  // no such parent window
    EXPECT_FALSE(editor.isOpen());
    editor.redrawDirty();
    editor.close();
}

TEST(Win32Editor, WindowClassLivesAsLongAsTheLastEditor) {
    FakePlugin plugin;
    WNDCLASSA found;
    HINSTANCE module = static_cast<HINSTANCE>(moduleInstance);
    auto first = std::make_unique<Calyx2Editor>(&plugin, std::make_unique<Win32WindowSystem>(moduleInstance));
    auto second =
        std::make_unique<Calyx2Editor>(&plugin, std::make_unique<Win32WindowSystem>(moduleInstance));
    EXPECT_TRUE(GetClassInfoA(module, "KZGui", &found));
    first.reset();
    EXPECT_TRUE(GetClassInfoA(module, "KZGui", &found));
    second.reset();
    EXPECT_FALSE(GetClassInfoA(module, "KZGui", &found));
}
}  // namespace
