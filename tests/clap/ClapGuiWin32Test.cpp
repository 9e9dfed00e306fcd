// The panel of calyx2.clap as a Win32 child of a host window: the gui extension's calls in the
// order hosts make them, under Wine with a virtual display (the Windows test run provides one).
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "host/ClapInstrument.h"

namespace {

void pumpMessages() {
    MSG message;
    for (int round = 0; round < 10; ++round) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(5);
    }
}

HWND panelIn(HWND parent) { return FindWindowExA(parent, nullptr, "KZGui", nullptr); }

TEST(ClapGuiWin32, EmbedsAFixedPanelInTheHostWindowOnlyThroughWin32) {
    std::string error;
    auto instrument = host::ClapInstrument::load(CALYX2_CLAP_FILE, error);
    ASSERT_NE(instrument, nullptr) << error;
    const clap_plugin_t* plugin = instrument->plugin();
    const auto* gui = instrument->extension<clap_plugin_gui_t>(CLAP_EXT_GUI);
    ASSERT_NE(gui, nullptr);
    EXPECT_TRUE(gui->is_api_supported(plugin, CLAP_WINDOW_API_WIN32, false));
    EXPECT_FALSE(gui->is_api_supported(plugin, CLAP_WINDOW_API_X11, false));
    EXPECT_FALSE(gui->create(plugin, CLAP_WINDOW_API_X11, false));
    ASSERT_TRUE(gui->create(plugin, CLAP_WINDOW_API_WIN32, false));
    EXPECT_EQ(instrument->liveTimers(), 1u);
    uint32_t width = 0, height = 0;
    ASSERT_TRUE(gui->get_size(plugin, &width, &height));
    EXPECT_EQ(width, 560u);
    EXPECT_EQ(height, 320u);
    EXPECT_FALSE(gui->can_resize(plugin));

    HWND host = CreateWindowExA(0, "STATIC", "host", WS_POPUP | WS_VISIBLE, 40, 60, 560, 320, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(host, nullptr);
    clap_window_t window{CLAP_WINDOW_API_WIN32, {}};
    window.win32 = host;
    ASSERT_TRUE(gui->set_parent(plugin, &window));
    EXPECT_TRUE(gui->show(plugin));
    pumpMessages();
    HWND panel = panelIn(host);
    ASSERT_NE(panel, nullptr);
    RECT client{};
    GetClientRect(panel, &client);
    EXPECT_EQ(client.right - client.left, 560);
    EXPECT_EQ(client.bottom - client.top, 320);
    for (int round = 0; round < 3; ++round) {
        EXPECT_TRUE(gui->hide(plugin));
        pumpMessages();
        EXPECT_EQ(panelIn(host), nullptr);
        EXPECT_TRUE(gui->show(plugin));
        instrument->fireTimers();
        pumpMessages();
        EXPECT_NE(panelIn(host), nullptr);
    }
    gui->destroy(plugin);
    pumpMessages();
    EXPECT_EQ(panelIn(host), nullptr);
    EXPECT_EQ(instrument->liveTimers(), 0u);
    DestroyWindow(host);
}

}  // namespace
