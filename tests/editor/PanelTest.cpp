// The full panel on the offscreen window system: which controls exist and where, how host
// changes, program switches and chunk restores reach the screen, and what missing bitmaps do.
#include <gtest/gtest.h>

#include <map>

#include "editor/Indicator.h"
#include "editor/Knob.h"
#include "editor/StepKnob.h"
#include "editor/ThreeWaySwitch.h"
#include "editor/offscreen/BmpDecoder.h"
#include "editor/offscreen/PanelSnapshot.h"
#include "tests/editor/EditorTestSupport.h"

namespace {
RgbImage embeddedImage(int id) {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    RgbImage image;
    EXPECT_TRUE(findEmbeddedBitmap(id, data, size));
    EXPECT_TRUE(decodeBmp(data, size, image));
    return image;
}

RgbImage region(const RgbImage& image, int left, int top, int width, int height) {
    RgbImage part(width, height);
    blit(part, 0, 0, image, left, top, width, height, RasterMode::Copy);
    return part;
}

// What a knob over the background shows at a frame: the background kept outside the mask, the
// strip's frame laid in.
RgbImage expectedKnob(int left, int top, int frame) {
    RgbImage picture = region(embeddedImage(106), left, top, 24, 24);
    blit(picture, 0, 0, embeddedImage(101), 0, 0, 24, 24, RasterMode::And);
    blit(picture, 0, 0, embeddedImage(102), 0, frame * 24, 24, 24, RasterMode::Or);
    return picture;
}

void setProgram(FakePlugin& plugin, float seed) {
    for (int i = 0; i < param::Count; ++i)
        plugin.values[std::size_t(i)] = float((i * 37 + int(seed * 100)) % 101) / 100.0f;
}

TEST(Panel, HoldsSeventyFiveControlsEditingEachParameterOnce) {
    OpenPanel panel;
    const auto& controls = panel.editor->getControls();
    ASSERT_EQ(controls.size(), 75u);
    std::map<std::string, int> kinds;
    std::map<int, int> editors;
    for (Control* control : controls) {
        if (dynamic_cast<ThreeWaySwitch*>(control)) {
            ++kinds["three-way"];
        } else if (dynamic_cast<ToggleSwitch*>(control)) {
            ++kinds["toggle"];
        } else if (dynamic_cast<Indicator*>(control)) {
            ++kinds["indicator"];
            continue;
        } else if (dynamic_cast<StepKnob*>(control)) {
            ++kinds["step"];
        } else if (dynamic_cast<Knob*>(control)) {
            ++kinds["knob"];
        }
        ++editors[control->getParameterIndex()];
    }
    EXPECT_EQ(kinds, (std::map<std::string, int>{
                         {"three-way", 4}, {"toggle", 1}, {"indicator", 6}, {"knob", 57}, {"step", 7}}));
    ASSERT_EQ(editors.size(), 69u);
    for (const auto& [index, count] : editors) EXPECT_EQ(count, 1) << index;
    EXPECT_EQ(editors.begin()->first, 0);
    EXPECT_EQ(editors.rbegin()->first, 68);
}

TEST(Panel, PlacesControlsWhereTheGridSays) {
    OpenPanel panel;
    auto at = [&](int x, int y) { return panel.editor->hitTest(x, y); };
    EXPECT_EQ(at(16, 16), nullptr);
    ASSERT_NE(at(17, 17), nullptr);
    EXPECT_EQ(at(17, 17)->getParameterIndex(), param::LVL1);
    EXPECT_NE(dynamic_cast<Knob*>(at(17, 17)), nullptr);
    ASSERT_NE(dynamic_cast<Indicator*>(at(9, 9)), nullptr);
    EXPECT_EQ(at(9, 9)->getParameterIndex(), param::LVL1);
    // The LFO row shows SPD, PCH, MOD: not the index order.
    EXPECT_EQ(at(490, 25)->getParameterIndex(), param::LFO_PCH);
    EXPECT_EQ(at(520, 25)->getParameterIndex(), param::LFO_MOD);
    // Every operator's OCT is a seven-position step knob, its FIN snaps at the centre.
    for (int section = 0; section < 4; ++section) {
        auto* octave = dynamic_cast<StepKnob*>(at(50, 20 + 64 * section));
        ASSERT_NE(octave, nullptr);
        EXPECT_EQ(octave->getStepCount(), 6);
        auto* fine = dynamic_cast<Knob*>(at(82, 20 + 64 * section));
        ASSERT_NE(fine, nullptr);
        EXPECT_EQ(fine->getParameterIndex(), param::FIN1 + 12 * section);
        EXPECT_EQ(fine->getDetentValue(), 0.5f);
        EXPECT_EQ(fine->getDetentWidth(), 0.036f);
        EXPECT_EQ(at(370, 16 + 64 * section)->getParameterIndex(), param::RTE1 + 12 * section);
    }
    EXPECT_EQ(at(82, 276)->getParameterIndex(), param::WAVm);  // section m has no FIN
    EXPECT_EQ(dynamic_cast<StepKnob*>(at(360, 280))->getStepCount(), 12);
    EXPECT_EQ(dynamic_cast<StepKnob*>(at(490, 280))->getStepCount(), 8);
    EXPECT_EQ(at(400, 280)->getParameterIndex(), param::AAA);
    EXPECT_EQ(dynamic_cast<Knob*>(at(20, 20))->getDetentWidth(), 0.034f);
}

TEST(Panel, IndicatorIgnoresThePointer) {
    OpenPanel panel;
    panel.system->sendButtonDown(0, 9, 9);
    panel.system->sendMouseMove(9, 200);
    panel.system->sendButtonUp(0, 9, 200);
    EXPECT_TRUE(panel.plugin.automation.empty());
}

TEST(Panel, HostChangeOfALevelSwitchesIndicatorAndKnobInOneRedraw) {
    OpenPanel panel;
    panel.plugin.setParameter(param::LVL1, 0.8f);
    int draws = panel.system->drawCount();
    panel.plugin.setParameter(param::LVL1, 0.0f);
    EXPECT_EQ(panel.system->drawCount(), draws + 1);
    const RgbImage& screen = panel.system->canvas();
    EXPECT_EQ(region(screen, 8, 8, 8, 8), region(embeddedImage(105), 0, 8, 8, 8));  // lit
    EXPECT_EQ(region(screen, 16, 16, 24, 24), expectedKnob(16, 16, 0));
    panel.plugin.setParameter(param::LVL1, 1.0f);
    EXPECT_EQ(region(screen, 8, 8, 8, 8), region(embeddedImage(105), 0, 0, 8, 8));
    EXPECT_EQ(region(screen, 16, 16, 24, 24), expectedKnob(16, 16, 63));
}

TEST(Panel, ThreeClicksOnTheSecondRouteSendAutomation) {
    OpenPanel panel;
    for (int i = 0; i < 3; ++i) {
        panel.system->sendButtonDown(0, 374, 90);
        panel.system->sendButtonUp(0, 374, 90);
    }
    EXPECT_EQ(panel.plugin.automation, (std::vector<std::pair<int, float>>{
                                           {param::RTE2, 0.5f}, {param::RTE2, 1.0f}, {param::RTE2, 0.0f}}));
    EXPECT_EQ(region(panel.system->canvas(), 369, 79, 11, 30), region(embeddedImage(104), 0, 0, 11, 30));
}

TEST(Panel, DraggingAKnobReachesPluginAndScreen) {
    OpenPanel panel;
    panel.plugin.setParameter(param::LVL1, 0.8f);
    panel.system->sendMouseMove(30, 30);
    panel.system->sendButtonDown(0, 30, 30);
    panel.system->sendMouseMove(30, 300);  // far below: value 0
    panel.system->sendButtonUp(0, 30, 300);
    EXPECT_EQ(panel.plugin.values[param::LVL1], 0.0f);
    ASSERT_FALSE(panel.plugin.automation.empty());
    EXPECT_EQ(panel.plugin.automation.back(), (std::pair<int, float>{param::LVL1, 0.0f}));
    EXPECT_EQ(region(panel.system->canvas(), 16, 16, 24, 24), expectedKnob(16, 16, 0));
    EXPECT_EQ(region(panel.system->canvas(), 8, 8, 8, 8), region(embeddedImage(105), 0, 8, 8, 8));
}

TEST(Panel, ProgramChangeShowsEveryValueAtOnce) {
    OpenPanel panel;
    setProgram(panel.plugin, 0.3f);
    panel.editor->refreshAll();
    panel.editor->redrawDirty();
    EXPECT_EQ(panel.system->canvas(), snapshotPanel(panel.plugin, panelBitmapsWithout()));
    for (Control* control : panel.editor->getControls()) EXPECT_FALSE(control->isDirty());
}

TEST(Panel, ChunkRestoreIsDrawnAtTheNextPointerMessageOrPaint) {
    OpenPanel panel;
    RgbImage before = panel.system->canvas();
    setProgram(panel.plugin, 0.7f);
    panel.editor->refreshAll();
    EXPECT_EQ(panel.system->canvas(), before);
    RgbImage expected = snapshotPanel(panel.plugin, panelBitmapsWithout());
    panel.system->sendMouseMove(200, 250);  // over the background
    EXPECT_EQ(panel.system->canvas(), expected);

    setProgram(panel.plugin, 0.1f);
    panel.editor->refreshAll();
    panel.system->sendPaint();
    EXPECT_EQ(panel.system->canvas(), snapshotPanel(panel.plugin, panelBitmapsWithout()));
}

TEST(Panel, PaintCoversEveryPixel) {
    OpenPanel panel;
    const RgbImage& screen = panel.system->canvas();
    for (int y = 0; y < screen.height; ++y) {
        for (int x = 0; x < screen.width; ++x) {
            ASSERT_NE(screen.pixel(x, y), OffscreenWindowSystem::unpaintedColour) << x << "," << y;
        }
    }
}

TEST(PanelWithMissingBitmaps, LeavesOutTheGroupsThatNeedThem) {
    struct Case {
        std::set<int> missing;
        std::size_t controls;
    } cases[] = {{{104}, 71},
                 {{103}, 74},
                 {{105}, 69},
                 {{101}, 11},
                 {{102}, 11},
                 {{106}, 75},
                 {{101, 103, 104, 105}, 0}};
    for (const Case& c : cases) {
        OpenPanel panel(c.missing);
        EXPECT_EQ(panel.editor->getControls().size(), c.controls) << *c.missing.begin();
        for (Control* control : panel.editor->getControls()) {
            if (c.missing.count(104)) {
                EXPECT_EQ(dynamic_cast<ThreeWaySwitch*>(control), nullptr);
            }
            if (c.missing.count(101)) {
                EXPECT_EQ(dynamic_cast<KnobBase*>(control), nullptr);
            }
        }
    }
    OpenPanel withoutKnobs({101});
    EXPECT_EQ(withoutKnobs.editor->hitTest(20, 20), nullptr);
    withoutKnobs.system->sendButtonDown(0, 20, 20);
    withoutKnobs.system->sendMouseMove(20, 300);
    withoutKnobs.system->sendButtonUp(0, 20, 300);
    EXPECT_TRUE(withoutKnobs.plugin.automation.empty());
}

TEST(PanelWithMissingBitmaps, FillsTheWindowGreyWithoutABackground) {
    OpenPanel panel({106});
    EXPECT_EQ(panel.system->canvas().pixel(0, 0), 0x969696u);
    EXPECT_EQ(panel.system->canvas().pixel(200, 250), 0x969696u);
    EXPECT_EQ(panel.system->canvas().pixel(559, 319), 0x969696u);
}

// Records which bitmaps the panel loads and releases, in order.
class LedgerWindowSystem : public OffscreenWindowSystem {
  public:
    LedgerWindowSystem(BitmapSource source, std::vector<std::string>& ledger)
        : OffscreenWindowSystem(std::move(source)), ledger(ledger) {}
    BitmapHandle loadBitmap(int id) override {
        BitmapHandle handle = OffscreenWindowSystem::loadBitmap(id);
        names[handle] = std::to_string(id);
        ledger.push_back("load " + std::to_string(id) + (handle ? "" : " missing"));
        return handle;
    }
    void deleteBitmap(BitmapHandle handle) override {
        ledger.push_back("delete " + (handle ? names[handle] : std::string("null")));
        OffscreenWindowSystem::deleteBitmap(handle);
    }
    ~LedgerWindowSystem() override { ledger.push_back(liveBitmaps() == 0 ? "all released" : "leaked"); }

  private:
    std::map<BitmapHandle, std::string> names;
    std::vector<std::string>& ledger;
};

TEST(PanelLifecycle, LoadsAndReleasesTheBitmapsInOrder) {
    std::vector<std::string> ledger;
    FakePlugin plugin;
    {
        Calyx2Editor editor(&plugin,
                            std::make_unique<LedgerWindowSystem>(panelBitmapsWithout({103}), ledger));
        int parent = 0;
        editor.open(&parent);
    }
    EXPECT_EQ(ledger,
              (std::vector<std::string>{"load 106", "load 102", "load 101", "load 105", "load 103 missing",
                                        "load 104", "delete 106", "delete 102", "delete 101", "delete 105",
                                        "delete null", "delete 104", "all released"}));
}

TEST(PanelLifecycle, ReopenedEditorShowsTheValuesOfTheMoment) {
    OpenPanel panel;
    panel.editor->close();
    setProgram(panel.plugin, 0.5f);
    panel.editor->refreshAll();
    panel.editor->redrawDirty();
    ASSERT_TRUE(panel.editor->open(&panel.parent));
    panel.system->sendPaint();
    EXPECT_EQ(panel.system->canvas(), snapshotPanel(panel.plugin, panelBitmapsWithout()));
}
}  // namespace
