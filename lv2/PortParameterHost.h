// The panel's view of the parameters inside an LV2 UI: the plug-in lives elsewhere (perhaps in another
// process), so values come in as port notifications and edits go out as port writes. The panel asks
// and tells this object exactly as it asks and tells the plug-in object in VST 2.4.
#pragma once

#include <lv2/ui/ui.h>

#include "editor/EditorBase.h"
#include "editor/ParameterHost.h"
#include "engine/ParameterIndex.h"

class PortParameterHost : public ParameterHost {
  public:
    // initialValues: param::Count values shown until the host notifies the ports' own.
    PortParameterHost(LV2UI_Write_Function write, LV2UI_Controller controller, const float* initialValues);

    void setEditor(EditorBase* shownOn) { editor = shownOn; }

    float getParameter(int index) override;
    // A panel edit: shown at once and written to the plug-in's port.
    void setParameterAutomated(int index, float value) override;
    // A host notification: shown, not written back.
    void portChanged(uint32_t port, float value);

  private:
    void show(int index, float value);

    LV2UI_Write_Function write;
    LV2UI_Controller controller;
    EditorBase* editor = nullptr;
    float values[param::Count];
};
