// The LV2 UI's parameter host: panel edits become port writes, host notifications reach the panel
// without being written back.
#include <gtest/gtest.h>

#include <vector>

#include "lv2/PortParameterHost.h"

namespace {

struct PortWrite {
    uint32_t port;
    uint32_t size;
    uint32_t protocol;
    float value;
};

void recordWrite(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t protocol,
                 const void* buffer) {
    static_cast<std::vector<PortWrite>*>(controller)
        ->push_back({port, size, protocol, *static_cast<const float*>(buffer)});
}

class RecordingEditor : public EditorBase {
  public:
    RecordingEditor() : EditorBase(nullptr) {}
    void updateParameter(int index, float value) override { updates.push_back({index, value}); }
    std::vector<std::pair<int, float>> updates;
};

TEST(PortParameterHost, EditsBecomePortWritesAndNotificationsOnlyShow) {
    std::vector<PortWrite> writes;
    std::vector<float> initial(param::Count, 0.25f);
    PortParameterHost host(recordWrite, &writes, initial.data());
    RecordingEditor editor;
    host.setEditor(&editor);
    EXPECT_EQ(host.getParameter(param::D_FB), 0.25f);

    host.setParameterAutomated(param::D_FB, 0.75f);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].port, static_cast<uint32_t>(param::D_FB));
    EXPECT_EQ(writes[0].size, sizeof(float));
    EXPECT_EQ(writes[0].protocol, 0u);
    EXPECT_EQ(writes[0].value, 0.75f);
    EXPECT_EQ(host.getParameter(param::D_FB), 0.75f);

    host.portChanged(param::LVL1, 0.5f);
    host.portChanged(param::Count, 1.0f);  // the event port: not a parameter
    EXPECT_EQ(writes.size(), 1u);
    EXPECT_EQ(host.getParameter(param::LVL1), 0.5f);
    const std::vector<std::pair<int, float>> shown = {{param::D_FB, 0.75f}, {param::LVL1, 0.5f}};
    EXPECT_EQ(editor.updates, shown);

    host.portChanged(param::LVL1, 0.5f);  // unchanged: nothing to draw
    EXPECT_EQ(editor.updates.size(), 2u);
    host.setParameterAutomated(param::Count, 1.0f);
    EXPECT_EQ(writes.size(), 1u);
}

}  // namespace
