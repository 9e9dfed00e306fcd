#include "lv2/PortParameterHost.h"

#include <algorithm>

#include "lv2/Lv2Identity.h"

PortParameterHost::PortParameterHost(LV2UI_Write_Function write, LV2UI_Controller controller,
                                     const float* initialValues)
    : write(write), controller(controller) {
    std::copy(initialValues, initialValues + param::Count, values);
}

float PortParameterHost::getParameter(int index) {
    return index >= 0 && index < param::Count ? values[index] : 0.0f;
}

void PortParameterHost::setParameterAutomated(int index, float value) {
    if (index < 0 || index >= param::Count) return;
    show(index, value);
    if (write) write(controller, lv2port::kFirstParameter + index, sizeof value, 0, &value);
}

void PortParameterHost::portChanged(uint32_t port, float value) {
    if (lv2port::isParameter(port)) show(static_cast<int>(port - lv2port::kFirstParameter), value);
}

// As the plug-in object does for a changed value: every control bound to the parameter takes it.
void PortParameterHost::show(int index, float value) {
    if (values[index] == value) return;
    values[index] = value;
    if (!editor) return;
    editor->updateParameter(index, value);
    editor->redrawDirty();
}
