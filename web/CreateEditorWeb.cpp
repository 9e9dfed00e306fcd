// The web build's editor: the panel on the offscreen window system, whose window the page's glue
// reaches to send the browser's mouse events and to copy the canvas.
#include "editor/Calyx2Editor.h"
#include "editor/CreateEditor.h"
#include "web/PanelWindow.h"

namespace {
OffscreenWindowSystem* newestWindowSystem = nullptr;
}

OffscreenWindowSystem* panelWindowSystem() { return newestWindowSystem; }

EditorBase* createCalyx2Editor(ParameterHost* effect) {
    auto system = std::make_unique<OffscreenWindowSystem>(embeddedBitmapBytes);
    newestWindowSystem = system.get();
    return new Calyx2Editor(effect, std::move(system));
}
