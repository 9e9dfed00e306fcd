// Two-state switch: a click flips it between 0.0 and 1.0. Frame 1 shows values above 0.5.
#pragma once

#include "editor/Control.h"

class ToggleSwitch : public Control {
  public:
    // The panel has one toggle, and it sits at (394, 277).
    explicit ToggleSwitch(BitmapHandle bitmap);

    void onMouseDown(int button, int x, int y) override;
    void onMouseUp(int button, int x, int y) override;
    void onMouseEnter(int x, int y) override;
    void onMouseLeave(int x, int y) override;
    void onRelease(int x, int y) override;
    void draw(Surface& surface) override;
    void setValue(float newValue, bool notify) override { setPlainValue(newValue, notify); }

  protected:
    ToggleSwitch(int left, int top, int width, int height, BitmapHandle bitmap);
    // What a click does to the value.
    virtual void click();

    BitmapHandle bitmap;
    int frameHeight;
};
