#include "editor/Calyx2Editor.h"
#include "editor/CreateEditor.h"
#include "editor/offscreen/OffscreenWindowSystem.h"

EditorBase* createCalyx2Editor(ParameterHost* effect) {
    return new Calyx2Editor(effect, std::make_unique<OffscreenWindowSystem>(embeddedBitmapBytes));
}
