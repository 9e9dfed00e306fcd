// The application's top-level window: the plug-in's own editor embedded at the top exactly as a
// host embeds it (effEditOpen with this window as parent, effEditIdle from the event loop), the
// status strip below it, and the computer keyboard played into the audio thread's queue.
#pragma once

#include <memory>
#include <string>

#include <X11/Xlib.h>

#include "standalone/ComputerKeyboard.h"
#include "standalone/StatusStrip.h"

class PluginDriver;
class MidiMessageQueue;

class MainWindow {
  public:
    static constexpr const char* title = "Calyx2";

    MainWindow(PluginDriver& driver, MidiMessageQueue& notes);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // False with error set when there is no display or the panel cannot be opened in the window.
    bool open(std::string& error);
    // Waits up to timeout for input, handles it, lets the editor idle and brings the strip up to date.
    void pump(int timeoutMilliseconds);
    bool closeRequested() const { return closing; }

  private:
    void handle(XEvent& event);
    void key(XKeyEvent& event, bool pressed);
    void click(const XButtonEvent& event);
    void stepProgram(int step);
    void send(const MidiMessage& message);
    StripState currentState();

    PluginDriver& driver;
    MidiMessageQueue& notes;
    ComputerKeyboard keyboard;
    Display* display = nullptr;
    Window window = 0;
    Atom deleteWindow = 0;
    bool editorOpen = false;
    bool closing = false;
    bool stripStale = true;
    StripState shown;
    std::unique_ptr<StatusStrip> statusStrip;
};
