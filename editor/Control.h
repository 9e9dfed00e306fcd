// A small self-drawing panel element bound to one plug-in parameter by its index. It keeps the
// parameter's normalised value, draws one frame of a bitmap strip, turns pointer input into values
// and reports the values the user makes to the plug-in through its owner.
//
// value and dirty are written by the window thread and by whichever thread pushes a host change;
// they are atomics so that each write is one untorn store, and nothing here locks.
#pragma once

#include <atomic>

#include "editor/Surface.h"

class EditorBase;

class Control {
  public:
    Control(int left, int top, int width, int height, float value)
        : left(left), top(top), width(width), height(height), value(value) {}
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    // button: 0 left, 1 right. Coordinates are client pixels of the editor window.
    virtual void onMouseDown(int /*button*/, int /*x*/, int /*y*/) {}
    virtual void onMouseUp(int /*button*/, int /*x*/, int /*y*/) {}
    virtual void onMouseEnter(int /*x*/, int /*y*/) {}
    virtual void onMouseLeave(int /*x*/, int /*y*/) {}
    virtual void onRelease(int /*x*/, int /*y*/) {}
    virtual void onDrag(int /*x*/, int /*y*/) {}
    virtual void onWheelStep(int /*step*/) {}
    virtual void draw(Surface& /*surface*/) {}
    virtual void setValue(float newValue, bool notify) = 0;
    virtual float getValue() const { return value.load(std::memory_order_relaxed); }

    int getLeft() const { return left; }
    int getTop() const { return top; }
    int getWidth() const { return width; }
    int getHeight() const { return height; }
    int getParameterIndex() const { return parameterIndex; }
    void setParameterIndex(int index) { parameterIndex = index; }
    void setOwner(EditorBase* editor) { owner = editor; }
    bool isDirty() const { return dirty.load(std::memory_order_relaxed); }
    // A mark is stored after the value it announces, so whoever takes it sees that value.
    void setDirty(bool flag) { dirty.store(flag, std::memory_order_release); }
    // Clears the mark, answering whether it was set.
    bool takeDirty() { return dirty.exchange(false, std::memory_order_acquire); }
    bool isHovered() const { return hovered; }
    bool isPressed() const { return pressed; }

  protected:
    // Stores the value as given, for the switches and the indicator.
    void setPlainValue(float newValue, bool notify);
    // Tells the plug-in of a value the user made; it answers by pushing it back to every control.
    void report(float newValue);
    // Copies frame `frame` (frames stacked vertically, frameHeight apart) to the control's place.
    void copyFrame(Surface& surface, BitmapHandle bitmap, int frame, int frameHeight, RasterMode mode) const;

    int left, top, width, height;
    std::atomic<float> value;
    int parameterIndex = 0;
    EditorBase* owner = nullptr;
    std::atomic<bool> dirty{true};
    bool hovered = false;
    bool pressed = false;
};
