#include "editor/Calyx2Editor.h"
#include "editor/CreateEditor.h"
#include "editor/offscreen/OffscreenWindowSystem.h"
#include "resources/EmbeddedBitmaps.h"

namespace {
BitmapBytes embeddedBitmapBytes(int resourceId) {
    BitmapBytes bytes;
    findEmbeddedBitmap(resourceId, bytes.data, bytes.size);
    return bytes;
}
}  // namespace

EditorBase* createCalyx2Editor(ParameterHost* effect) {
    return new Calyx2Editor(effect, std::make_unique<OffscreenWindowSystem>(embeddedBitmapBytes));
}
