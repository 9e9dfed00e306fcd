#include "editor/offscreen/PanelSnapshot.h"

#include "editor/Calyx2Editor.h"

RgbImage snapshotPanel(ParameterHost& parameters, const BitmapSource& bitmaps) {
    auto system = std::make_unique<OffscreenWindowSystem>(bitmaps);
    OffscreenWindowSystem& window = *system;
    Calyx2Editor editor(&parameters, std::move(system));
    editor.refreshAll();
    static int parent;  // any non-null parent will do offscreen
    if (!editor.open(&parent)) return RgbImage();
    window.sendPaint();
    RgbImage picture = window.canvas();
    editor.close();
    return picture;
}
