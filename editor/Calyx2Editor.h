// The plug-in's panel: the window layer with the six bitmaps and the 75 controls of panelLayout
// bound to the 69 parameters. A group of controls whose bitmaps did not load is left out.
#pragma once

#include <memory>

#include "editor/KZGuiWindow.h"

class Calyx2Editor : public KZGuiWindow {
  public:
    Calyx2Editor(ParameterHost* effect, std::unique_ptr<WindowSystem> windowSystem);
    ~Calyx2Editor() override;

  private:
    Control* createControl(const struct ControlLayout& row) const;

    // In loading (and releasing) order.
    BitmapHandle backgroundBitmap = nullptr;
    BitmapHandle knobStrip = nullptr;
    BitmapHandle knobMask = nullptr;
    BitmapHandle indicatorBitmap = nullptr;
    BitmapHandle toggleBitmap = nullptr;
    BitmapHandle threeWayBitmap = nullptr;
};
