// The bundle's UI binary: the plug-in's own panel as an X11 UI, embedded in the host's window (ui:parent)
// and driven by the host's idle calls (ui:idleInterface), which is when it handles its window's events.
#include <lv2/ui/ui.h>

#include <cstring>
#include <memory>

#include "editor/Calyx2Editor.h"
#include "editor/x11/X11WindowSystem.h"
#include "lv2/FeatureLookup.h"
#include "lv2/Lv2Identity.h"
#include "lv2/PortParameterHost.h"
#include "plugin/ProgramBank.h"

namespace {

struct Calyx2Ui {
    Calyx2Ui(LV2UI_Write_Function write, LV2UI_Controller controller, const float* initialValues)
        : parameters(write, controller, initialValues),
          editor(new Calyx2Editor(&parameters, std::make_unique<X11WindowSystem>(embeddedBitmapBytes))) {
        parameters.setEditor(editor.get());
        editor->refreshAll();
    }
    ~Calyx2Ui() {
        parameters.setEditor(nullptr);
        editor->close();
    }
    PortParameterHost parameters;
    std::unique_ptr<Calyx2Editor> editor;
};

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*,
                         LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                         const LV2_Feature* const* features) {
    void* parent = const_cast<void*>(findFeature(features, LV2_UI__parent));
    if (!parent || std::strcmp(pluginUri, lv2id::kPluginUri) != 0) return nullptr;
    // Until the host notifies the ports, the panel shows what a new instance holds: factory program 0.
    ProgramBank factory;
    auto ui = std::make_unique<Calyx2Ui>(write, controller, factory.program(0).values);
    if (!ui->editor->open(parent)) return nullptr;
    *widget = reinterpret_cast<LV2UI_Widget>(ui->editor->getWindow());
    if (const auto* resize = static_cast<const LV2UI_Resize*>(findFeature(features, LV2_UI__resize)))
        resize->ui_resize(resize->handle, KZGuiWindow::panelWidth, KZGuiWindow::panelHeight);
    return ui.release();
}

void cleanup(LV2UI_Handle handle) {
    delete static_cast<Calyx2Ui*>(handle);
}

void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
    if (format != 0 || size != sizeof(float)) return;
    float value;
    std::memcpy(&value, buffer, sizeof value);
    static_cast<Calyx2Ui*>(handle)->parameters.portChanged(port, value);
}

int idle(LV2UI_Handle handle) {
    static_cast<Calyx2Ui*>(handle)->editor->idle();
    return 0;
}

const LV2UI_Idle_Interface kIdleInterface = {idle};

const void* extensionData(const char* uri) {
    return std::strcmp(uri, LV2_UI__idleInterface) == 0 ? &kIdleInterface : nullptr;
}

const LV2UI_Descriptor kDescriptor = {lv2id::kUiUri, instantiate, cleanup, portEvent, extensionData};

}  // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
