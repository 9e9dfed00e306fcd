// The editor's window layer: it owns the child window of class "KZGui" (through a WindowSystem),
// the ordered list of controls, pointer routing with capture and hover, and the painting. The
// plug-in pushes parameter values through updateParameter / refreshAll / redrawDirty.
//
// Routing rules worth knowing: hit-testing is strict on all four edges and walks the list from the
// front; the control that took a press holds the capture and learns of the release wherever it
// happens; entering a new control waits for the move after the one that left the old control.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "editor/Control.h"
#include "editor/EditorBase.h"
#include "editor/WindowSystem.h"

class KZGuiWindow : public EditorBase, protected WindowEvents {
  public:
    static constexpr int panelWidth = 560;
    static constexpr int panelHeight = 320;
    static constexpr std::uint32_t defaultFillColour = 0x969696;

    KZGuiWindow(ParameterHost* effect, std::unique_ptr<WindowSystem> windowSystem);
    ~KZGuiWindow() override;

    bool getRect(ERect** rect) override;
    bool open(void* parent) override;
    void close() override;
    // The window system's events, where the host's idle call is what delivers them (X11).
    void idle() override;

    void updateParameter(int index, float value) override;
    void refreshAll() override;
    void redrawDirty() override;

    // Takes ownership; the list is the drawing and hit-testing order.
    void addControl(Control* control);
    Control* hitTest(int x, int y) const;
    void paint();

    const std::vector<Control*>& getControls() const { return controls; }
    Control* getHovered() const { return hovered; }
    Control* getCaptured() const { return captured; }
    WindowHandle getWindow() const { return window; }
    WindowSystem& getWindowSystem() { return *windowSystem; }
    // Live editors in the process; the window class goes away with the last one.
    static int windowClassUserCount() { return windowClassUsers.load(); }

  protected:
    void handlePaint() override { paint(); }
    void handleMouseActivate() override;
    void handleMouseMove(int x, int y) override;
    void handleButtonDown(int button, int x, int y) override;
    void handleButtonUp(int button, int x, int y) override;
    void handleWheel(int screenX, int screenY, int delta) override;

    std::unique_ptr<WindowSystem> windowSystem;
    ERect editRect{0, 0, panelHeight, panelWidth};
    WindowHandle window = nullptr;
    std::uint32_t fillColour = defaultFillColour;
    int width = panelWidth;
    int height = panelHeight;
    BitmapHandle background = nullptr;
    std::vector<Control*> controls;
    Control* hovered = nullptr;
    Control* captured = nullptr;
    bool hasBackground = false;

  private:
    static std::atomic<int> windowClassUsers;
};
