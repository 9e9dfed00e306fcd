// The editor's window layer: it owns the child window of class "KZGui" (through a WindowSystem),
// the ordered list of controls, pointer routing with capture and hover, and the painting. The
// plug-in pushes parameter values through updateParameter / refreshAll / redrawDirty.
//
// Threads: the window belongs to the thread that opened it, and only that thread draws. A push from
// any other thread (host automation on the audio thread) stores the value and marks the control;
// the editor's thread draws the marks at its next idle. So the audio thread never waits on the
// window system, and never reaches a window that the editor's thread may be closing.
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
#include "editor/ThreadIdentity.h"
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
    // The window system's events, where the host's idle call is what delivers them (X11), then the
    // controls marked by other threads since the last idle.
    void idle() override;

    void updateParameter(int index, float value) override;
    void refreshAll() override;
    // Draws the marked controls now when called on the editor's thread; elsewhere leaves them marked.
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
    void drawDirtyControls();

    // The thread that opened the window, 0 while closed.
    std::atomic<ThreadIdentity> editorThread{0};
    static std::atomic<int> windowClassUsers;
};
