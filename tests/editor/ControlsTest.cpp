// What each kind of control does with clicks, drags and the wheel, which frame it draws, and what
// it reports to the plug-in.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "editor/Indicator.h"
#include "editor/KZGuiWindow.h"
#include "editor/Knob.h"
#include "editor/StepKnob.h"
#include "editor/ThreeWaySwitch.h"
#include "editor/ToggleSwitch.h"
#include "tests/editor/EditorTestSupport.h"

namespace {
BitmapHandle const stripHandle = reinterpret_cast<BitmapHandle>(0x1000);
BitmapHandle const maskHandle = reinterpret_cast<BitmapHandle>(0x2000);
BitmapHandle const switchHandle = reinterpret_cast<BitmapHandle>(0x3000);

// Controls owned by a bare window layer, reporting to a FakePlugin that records automation.
struct ControlFixture : ::testing::Test {
    template <typename T>
    T* bind(T* control, int index = 5) {
        control->setParameterIndex(index);
        control->setOwner(&window);
        window.addControl(control);
        return control;
    }
    std::vector<float> reported() const {
        std::vector<float> values;
        for (const auto& entry : plugin.automation) values.push_back(entry.second);
        return values;
    }
    // The strip frame a draw copies (after the mask).
    static int drawnFrame(Control& control) {
        RecordingSurface surface;
        control.draw(surface);
        return surface.blits.back().sourceY / 24;
    }

    FakePlugin plugin;
    KZGuiWindow window{&plugin, std::make_unique<OffscreenWindowSystem>(BitmapSource{})};
};

void click(Control& control) {
    control.onMouseDown(0, 1, 1);
    control.onMouseUp(0, 1, 1);
    control.onRelease(1, 1);
}

TEST_F(ControlFixture, ToggleFlipsExceptAtExactlyOneHalf) {
    auto* toggle = bind(new ToggleSwitch(switchHandle));
    EXPECT_EQ(toggle->getLeft(), 394);
    EXPECT_EQ(toggle->getTop(), 277);
    toggle->setValue(0.5f, false);
    click(*toggle);
    EXPECT_FLOAT_EQ(toggle->getValue(), 0.5f);
    toggle->setValue(0.7f, false);
    click(*toggle);
    EXPECT_FLOAT_EQ(toggle->getValue(), 0.0f);
    toggle->setValue(0.2f, false);
    click(*toggle);
    EXPECT_FLOAT_EQ(toggle->getValue(), 1.0f);
    EXPECT_EQ(reported(), (std::vector<float>{0.0f, 1.0f}));
}

TEST_F(ControlFixture, ToggleShowsFrameOneOnlyAboveOneHalf) {
    auto* toggle = bind(new ToggleSwitch(switchHandle));
    for (auto [value, frame] : {std::pair{0.5f, 0}, {0.51f, 1}, {0.0f, 0}, {7.0f, 1}}) {
        toggle->setValue(value, false);
        RecordingSurface surface;
        toggle->draw(surface);
        ASSERT_EQ(surface.blits.size(), 1u);
        EXPECT_EQ(surface.blits[0].sourceY, frame * 17) << value;
        EXPECT_EQ(surface.blits[0].mode, RasterMode::Copy);
        EXPECT_EQ(surface.blits[0].height, 17);
    }
}

TEST_F(ControlFixture, ThreeWayCyclesThroughItsPositions) {
    auto* route = bind(new ThreeWaySwitch(369, 79, switchHandle), param::RTE2);
    for (int i = 0; i < 3; ++i) click(*route);
    EXPECT_EQ(plugin.automation, (std::vector<std::pair<int, float>>{
                                     {param::RTE2, 0.5f}, {param::RTE2, 1.0f}, {param::RTE2, 0.0f}}));
    plugin.automation.clear();
    route->setValue(0.3f, false);
    click(*route);
    click(*route);
    EXPECT_EQ(reported(), (std::vector<float>{0.8f, 0.0f}));
}

TEST_F(ControlFixture, ThreeWayFrameNeverLeavesItsBitmap) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::pair<float, int> cases[] = {{0.0f, 0},  {0.44f, 0},  {0.46f, 1}, {0.94f, 1},
                                           {0.96f, 2}, {1.0f, 2},   {1.5f, 2},  {1e30f, 2},
                                           {-0.6f, 0}, {-1e30f, 0}, {nan, 0}};
    for (auto [value, frame] : cases) {
        EXPECT_EQ(ThreeWaySwitch::frameFor(value), frame) << value;
    }
    auto* route = bind(new ThreeWaySwitch(369, 15, switchHandle));
    route->setValue(2.0f, false);  // the formula alone would pick frame 4 of 3
    RecordingSurface surface;
    route->draw(surface);
    EXPECT_LE(surface.blits[0].sourceY + surface.blits[0].height, 90);
}

TEST_F(ControlFixture, IndicatorLightsOnlyNearZeroAndIgnoresThePointer) {
    auto* lamp = bind(new Indicator(8, 8, switchHandle));
    for (auto [value, frame] : {std::pair{0.0f, 1}, {0.0009f, 1}, {-0.0009f, 1}, {0.0011f, 0}, {1.0f, 0}}) {
        lamp->setValue(value, false);
        RecordingSurface surface;
        lamp->draw(surface);
        EXPECT_EQ(surface.blits[0].sourceY, frame * 8) << value;
    }
    click(*lamp);
    lamp->onWheelStep(1);
    EXPECT_TRUE(plugin.automation.empty());
}

TEST_F(ControlFixture, KnobDrawsMaskThenFrameOfItsValue) {
    auto* knob = bind(new Knob(16, 16, 0.034f, 0.0f, stripHandle, maskHandle));
    for (auto [value, frame] : {std::pair{0.0f, 0}, {1.0f, 63}, {0.5f, 31}, {0.999f, 62}}) {
        knob->setValue(value, false);
        RecordingSurface surface;
        knob->draw(surface);
        ASSERT_EQ(surface.blits.size(), 2u);
        EXPECT_EQ(surface.blits[0].bitmap, maskHandle);
        EXPECT_EQ(surface.blits[0].mode, RasterMode::And);
        EXPECT_EQ(surface.blits[0].sourceY, 0);
        EXPECT_EQ(surface.blits[1].bitmap, stripHandle);
        EXPECT_EQ(surface.blits[1].mode, RasterMode::Or);
        EXPECT_EQ(surface.blits[1].sourceY, frame * 24) << value;
        EXPECT_EQ(surface.blits[1].destX, 16);
        EXPECT_EQ(surface.blits[1].destY, 16);
    }
}

TEST_F(ControlFixture, KnobDetentAtZeroHoldsUntilSevenPixelsAboveTheLastPointOutside) {
    auto* knob = bind(new Knob(16, 16, 0.034f, 0.0f, stripHandle, maskHandle));
    knob->setValue(0.5f, false);
    knob->onMouseDown(0, 20, 100);
    int y = 100;
    float before = knob->getValue();
    while (knob->getValue() != 0.0f && y < 300) {
        before = knob->getValue();
        knob->onDrag(20, ++y);
    }
    ASSERT_EQ(knob->getValue(), 0.0f);
    EXPECT_GE(before, 0.034f);  // the last value outside the detent
    EXPECT_LT(before - 0.005f, 0.034f);
    int lastOutside = y - 1;
    knob->onDrag(20, lastOutside + 40);  // further down: nothing happens
    knob->onDrag(20, lastOutside - 6);
    EXPECT_EQ(knob->getValue(), 0.0f);
    knob->onDrag(20, lastOutside - 7);
    EXPECT_NEAR(knob->getValue(), 0.035f, 1e-6);
}

TEST_F(ControlFixture, FineTuneKnobSnapsToItsCentreFromEitherSide) {
    auto* fine = bind(new Knob(80, 16, 0.036f, 0.5f, stripHandle, maskHandle));
    const struct {
        float start;
        int pixelsDown;
        float expected;
    } drags[] = {{0.6f, 14, 0.5f}, {0.4f, -14, 0.5f}, {0.6f, 28, 0.46f}, {0.3f, -32, 0.46f}};
    for (const auto& drag : drags) {
        fine->setValue(drag.start, false);
        fine->onMouseDown(0, 90, 100);
        fine->onDrag(90, 100 + drag.pixelsDown);
        fine->onRelease(90, 100 + drag.pixelsDown);
        EXPECT_NEAR(fine->getValue(), drag.expected, 1e-5) << drag.start << " " << drag.pixelsDown;
    }
    EXPECT_EQ(reported().front(), 0.5f);
}

TEST_F(ControlFixture, RightButtonDragsTenTimesSlower) {
    auto* coarse = bind(new Knob(16, 16, 0.034f, 0.0f, stripHandle, maskHandle));
    auto* fine = bind(new Knob(48, 16, 0.034f, 0.0f, stripHandle, maskHandle));
    coarse->onMouseDown(0, 0, 100);
    fine->onMouseDown(1, 0, 100);
    for (int y = 96; y >= 80; y -= 4) {  // fine mode needs moves of 2 pixels to reach a thousandth
        coarse->onDrag(0, y);
        fine->onDrag(0, y);
    }
    EXPECT_NEAR(coarse->getValue() - 0.5f, 0.1f, 1e-5);
    EXPECT_NEAR(fine->getValue() - 0.5f, 0.01f, 1e-5);
}

TEST_F(ControlFixture, KnobReportsOnlyChangesInTheThirdDecimal) {
    auto* knob = bind(new Knob(16, 16, 0.034f, 0.0f, stripHandle, maskHandle));
    knob->onMouseDown(1, 0, 100);
    knob->onDrag(0, 99);  // 0.5005: same thousandth
    EXPECT_EQ(knob->getValue(), 0.5f);
    EXPECT_TRUE(plugin.automation.empty());
    knob->onDrag(0, 96);  // 0.0015 further, counted from the moved-on lastY
    EXPECT_NEAR(knob->getValue(), 0.5015f, 1e-6);
    EXPECT_EQ(plugin.automation.size(), 1u);
}

TEST_F(ControlFixture, WheelStepsByOneHundredthAndStopsAtTheEnds) {
    auto* knob = bind(new Knob(16, 16, 0.034f, 0.0f, stripHandle, maskHandle));
    knob->onWheelStep(+1);
    EXPECT_NEAR(knob->getValue(), 0.51f, 1e-6);
    knob->onWheelStep(-1);
    knob->onWheelStep(-1);
    EXPECT_NEAR(knob->getValue(), 0.49f, 1e-6);
    for (int i = 0; i < 80; ++i) knob->onWheelStep(+1);
    EXPECT_EQ(knob->getValue(), 1.0f);
    for (int i = 0; i < 150; ++i) knob->onWheelStep(-1);
    EXPECT_EQ(knob->getValue(), 0.0f);  // no detent snap, no wrap
    knob->onWheelStep(-1);
    EXPECT_EQ(knob->getValue(), 0.0f);
}

TEST_F(ControlFixture, KnobRedrawsOnlyWhenItsFrameOffsetChanges) {
    auto* knob = bind(new Knob(16, 16, 0.034f, 0.0f, stripHandle, maskHandle));
    knob->setValue(0.3f, false);
    knob->setDirty(false);
    knob->setValue(0.301f, false);  // same offset
    EXPECT_FLOAT_EQ(knob->getValue(), 0.301f);
    EXPECT_FALSE(knob->isDirty());
    knob->setValue(0.6f, false);
    EXPECT_TRUE(knob->isDirty());
    knob->setDirty(false);
    knob->setValue(0.6f, true);  // unchanged: not even reported
    EXPECT_FALSE(knob->isDirty());
    EXPECT_TRUE(plugin.automation.empty());
}

TEST_F(ControlFixture, KnobsClampWhatTheHostSends) {
    auto* knob = bind(new Knob(16, 16, 0.034f, 0.0f, stripHandle, maskHandle));
    knob->setValue(3.0f, false);
    EXPECT_EQ(knob->getValue(), 1.0f);
    knob->setValue(-2.0f, false);
    EXPECT_EQ(knob->getValue(), 0.0f);
    knob->setValue(0.5f, false);
    knob->setValue(std::numeric_limits<float>::quiet_NaN(), false);
    EXPECT_EQ(knob->getValue(), 0.0f);
    EXPECT_EQ(drawnFrame(*knob), 0);
}

TEST_F(ControlFixture, StepKnobNeedsMoreThanHalfAStepOfTravel) {
    auto* octave = bind(new StepKnob(48, 16, stripHandle, maskHandle, 6));
    octave->setValue(0.0f, false);
    octave->onMouseDown(0, 0, 100);
    octave->onDrag(0, 84);  // 16 pixels: 0.08 of 1/6
    octave->onRelease(0, 84);
    EXPECT_EQ(octave->getValue(), 0.0f);
    EXPECT_TRUE(plugin.automation.empty());
    // The remainder stays for the next drag: one more pixel completes 17.
    octave->onMouseDown(0, 0, 50);
    octave->onDrag(0, 49);
    EXPECT_FLOAT_EQ(octave->getValue(), 1.0f / 6.0f);
    EXPECT_EQ(plugin.automation.size(), 1u);
}

TEST_F(ControlFixture, StepKnobWalksItsPositionsAndShowsTheirFrames) {
    auto* range = bind(new StepKnob(355, 272, stripHandle, maskHandle, 12));
    range->setValue(0.0f, false);
    range->onMouseDown(1, 0, 400);
    for (int y = 399; y >= 0; --y) range->onDrag(0, y);
    EXPECT_EQ(range->getValue(), 1.0f);
    EXPECT_EQ(plugin.automation.size(), 12u);  // every position once, in order
    for (std::size_t i = 0; i < plugin.automation.size(); ++i) {
        EXPECT_FLOAT_EQ(plugin.automation[i].second, float(i + 1) / 12.0f);
    }
    auto* octave = bind(new StepKnob(48, 16, stripHandle, maskHandle, 6));
    for (int i = 0; i <= 6; ++i) {
        octave->setValue(float(i) * (1.0f / 6.0f), false);
        EXPECT_EQ(drawnFrame(*octave), int(63 * i / 6)) << i;
    }
    octave->onWheelStep(1);  // no wheel on step knobs
    EXPECT_EQ(octave->getValue(), 1.0f);
}

TEST_F(ControlFixture, ValuesSetWithoutNotifyNeverReachThePlugin) {
    std::vector<Control*> all = {
        bind(new ToggleSwitch(switchHandle)), bind(new ThreeWaySwitch(1, 1, switchHandle)),
        bind(new Indicator(1, 1, switchHandle)), bind(new Knob(1, 1, 0.034f, 0.0f, stripHandle, maskHandle)),
        bind(new StepKnob(1, 1, stripHandle, maskHandle, 8))};
    for (Control* control : all) {
        for (float value : {0.0f, 0.25f, 1.0f, 0.5f}) control->setValue(value, false);
    }
    EXPECT_TRUE(plugin.automation.empty());
    for (int i = 0; i < param::Count; ++i) EXPECT_EQ(plugin.values[std::size_t(i)], 0.0f);
}
}  // namespace
