// The host-facing editor interface: the answers a plug-in gives to the VST 2.4 editor opcodes when
// it has no window of its own. The window layer derives from it.
#pragma once

#include "editor/ParameterHost.h"
#include "vst/vst2.h"

class EditorBase {
  public:
    explicit EditorBase(ParameterHost* effect) : effect(effect) {}
    virtual ~EditorBase() = default;
    EditorBase(const EditorBase&) = delete;
    EditorBase& operator=(const EditorBase&) = delete;

    virtual ParameterHost* getEffect() { return effect; }
    virtual bool getRect(ERect** rect) {
        *rect = nullptr;
        return false;
    }
    virtual bool open(void* parent) {
        systemWindow = parent;
        return false;
    }
    virtual void close() { systemWindow = nullptr; }
    virtual bool isOpen() { return systemWindow != nullptr; }
    virtual void idle() {}
    virtual bool onKeyDown(VstKeyCode&) { return false; }
    virtual bool onKeyUp(VstKeyCode&) { return false; }
    virtual bool onWheel(float) { return false; }
    virtual bool setKnobMode(int) { return false; }

    // Pushes from the plug-in object; the window layer implements them.
    virtual void updateParameter(int, float) {}
    virtual void refreshAll() {}
    virtual void redrawDirty() {}

  protected:
    ParameterHost* effect;
    void* systemWindow = nullptr;
};
