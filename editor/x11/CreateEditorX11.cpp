#include "editor/Calyx2Editor.h"
#include "editor/CreateEditor.h"
#include "editor/x11/X11WindowSystem.h"

// The editor exists even where no display can be opened (the host still sees an editor, and the
// panel can be pictured offscreen); it is opening it there that fails.
EditorBase* createCalyx2Editor(ParameterHost* effect) {
    return new Calyx2Editor(effect, std::make_unique<X11WindowSystem>(embeddedBitmapBytes));
}
