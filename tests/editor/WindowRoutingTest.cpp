// Pointer routing, capture, hover, hit-testing, pushes and the window's life, on the offscreen
// window system with controls that log what reaches them.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "editor/KZGuiWindow.h"
#include "editor/ToggleSwitch.h"
#include "tests/editor/EditorTestSupport.h"

namespace {
class ProbeControl : public Control {
  public:
    ProbeControl(std::string name, int left, int top, std::vector<std::string>& log)
        : Control(left, top, 24, 24, 0.5f), name(std::move(name)), log(log) {}
    void onMouseDown(int b, int x, int y) override { note("down", b, x, y); }
    void onMouseUp(int b, int x, int y) override { note("up", b, x, y); }
    void onMouseEnter(int x, int y) override { note("enter", -1, x, y); }
    void onMouseLeave(int x, int y) override { note("leave", -1, x, y); }
    void onRelease(int x, int y) override { note("release", -1, x, y); }
    void onDrag(int x, int y) override { note("drag", -1, x, y); }
    void onWheelStep(int step) override { log.push_back(name + ".wheel" + std::to_string(step)); }
    void setValue(float v, bool notify) override {
        log.push_back(name + ".set");
        setPlainValue(v, notify);
    }

  private:
    void note(const char* what, int button, int x, int y) {
        std::string entry = name + "." + what;
        if (button >= 0) entry += std::to_string(button);
        log.push_back(entry + "@" + std::to_string(x) + "," + std::to_string(y));
    }
    std::string name;
    std::vector<std::string>& log;
};

using Log = std::vector<std::string>;

// Two probes side by side (A answers x 17..39, B x 41..63, both y 17..39) and a toggle below.
struct RoutingFixture : ::testing::Test {
    RoutingFixture() {
        auto owned = std::make_unique<OffscreenWindowSystem>(BitmapSource{});
        system = owned.get();
        window = std::make_unique<KZGuiWindow>(&plugin, std::move(owned));
        a = new ProbeControl("A", 16, 16, log);
        b = new ProbeControl("B", 40, 16, log);
        toggle = new ToggleSwitch(nullptr);
        toggle->setParameterIndex(param::AAA);
        toggle->setOwner(window.get());
        window->addControl(a);
        window->addControl(b);
        window->addControl(toggle);
        EXPECT_TRUE(window->open(&parent));
        log.clear();
    }

    int parent = 0;
    FakePlugin plugin;
    OffscreenWindowSystem* system = nullptr;
    std::unique_ptr<KZGuiWindow> window;
    ProbeControl* a = nullptr;
    ProbeControl* b = nullptr;
    ToggleSwitch* toggle = nullptr;
    Log log;
};

TEST_F(RoutingFixture, DragOutsideTheWindowKeepsTheCaptureUntilTheRelease) {
    system->sendButtonDown(0, 20, 20);
    EXPECT_TRUE(system->hasCapture());
    system->sendMouseMove(-30, 500);
    system->sendMouseMove(900, -4);
    system->sendButtonUp(0, 900, -4);
    EXPECT_EQ(log, (Log{"A.down0@20,20", "A.drag@-30,500", "A.drag@900,-4", "A.release@900,-4"}));
    EXPECT_EQ(window->getCaptured(), nullptr);
    EXPECT_FALSE(system->hasCapture());
}

TEST_F(RoutingFixture, ReleaseOverAnotherControlIsNoClickForIt) {
    system->sendButtonDown(0, 20, 20);
    system->sendButtonUp(0, 50, 20);
    EXPECT_EQ(log, (Log{"A.down0@20,20", "A.release@50,20"}));
}

TEST_F(RoutingFixture, PressOnTheBackgroundThenReleaseOnASwitchClicksIt) {
    system->sendButtonDown(0, 200, 200);
    EXPECT_EQ(window->getCaptured(), nullptr);
    EXPECT_FALSE(system->hasCapture());
    system->sendButtonUp(0, 400, 280);
    EXPECT_FLOAT_EQ(toggle->getValue(), 1.0f);
    EXPECT_EQ(plugin.automation, (std::vector<std::pair<int, float>>{{param::AAA, 1.0f}}));
}

TEST_F(RoutingFixture, SecondButtonReleaseAfterTheCaptureEndedIsAnotherClick) {
    system->sendButtonDown(0, 20, 20);
    system->sendButtonDown(1, 20, 20);
    system->sendButtonUp(0, 20, 20);
    EXPECT_FALSE(system->hasCapture());
    system->sendButtonUp(1, 21, 21);
    EXPECT_EQ(log, (Log{"A.down0@20,20", "A.down1@20,20", "A.up0@20,20", "A.release@20,20", "A.up1@21,21"}));
}

TEST_F(RoutingFixture, MovingBetweenAdjacentControlsLeavesFirstAndEntersOnTheNextMove) {
    system->sendMouseMove(30, 30);
    system->sendMouseMove(45, 30);
    EXPECT_EQ(window->getHovered(), nullptr);
    system->sendMouseMove(46, 30);
    EXPECT_EQ(log, (Log{"A.enter@30,30", "A.leave@45,30", "B.enter@46,30"}));
    EXPECT_EQ(window->getHovered(), b);
}

TEST_F(RoutingFixture, NoEnterForOtherControlsWhileOneHoldsTheCapture) {
    system->sendButtonDown(0, 20, 20);
    system->sendMouseMove(45, 30);  // leaves nothing: A was never entered
    system->sendMouseMove(46, 30);
    system->sendButtonUp(0, 46, 30);
    system->sendMouseMove(47, 30);
    EXPECT_EQ(log,
              (Log{"A.down0@20,20", "A.drag@45,30", "A.drag@46,30", "A.release@46,30", "B.enter@47,30"}));
}

TEST_F(RoutingFixture, EdgeLinesBelongToNoControl) {
    EXPECT_EQ(window->hitTest(16, 20), nullptr);
    EXPECT_EQ(window->hitTest(20, 16), nullptr);
    EXPECT_EQ(window->hitTest(17, 17), a);
    EXPECT_EQ(window->hitTest(39, 39), a);
    EXPECT_EQ(window->hitTest(39, 40), nullptr);
    EXPECT_EQ(window->hitTest(40, 20), nullptr);  // A's right edge and B's left edge
    EXPECT_EQ(window->hitTest(41, 20), b);
}

TEST_F(RoutingFixture, WheelUsesClientCoordinatesOfTheScreenPosition) {
    system->setScreenOrigin(300, 200);
    system->sendWheel(320, 220, 120);
    system->sendWheel(350, 220, -240);
    system->sendWheel(20, 20, 120);  // client (-280, -180): nothing there
    system->sendWheel(320, 220, 0);
    EXPECT_EQ(log, (Log{"A.wheel1", "B.wheel-1"}));
}

TEST_F(RoutingFixture, MouseActivateTakesTheFocus) {
    EXPECT_FALSE(system->hasFocus());
    system->sendMouseActivate();
    EXPECT_TRUE(system->hasFocus());
}

TEST_F(RoutingFixture, PushesWithinATenThousandthLeaveTheControlAlone) {
    window->updateParameter(param::AAA, 0.00009f);
    EXPECT_FLOAT_EQ(toggle->getValue(), 0.0f);
    window->updateParameter(param::AAA, 0.0002f);
    EXPECT_FLOAT_EQ(toggle->getValue(), 0.0002f);
    EXPECT_TRUE(plugin.automation.empty());
}

TEST_F(RoutingFixture, PushesReachEveryControlBoundToTheIndex) {
    a->setParameterIndex(7);
    b->setParameterIndex(7);
    window->updateParameter(7, 0.9f);
    EXPECT_EQ(log, (Log{"A.set", "B.set"}));
    plugin.values[7] = 0.1f;
    log.clear();
    window->refreshAll();  // no threshold: every control is set
    EXPECT_EQ(log, (Log{"A.set", "B.set"}));
    EXPECT_FLOAT_EQ(a->getValue(), 0.1f);
}

TEST_F(RoutingFixture, ClosedWindowDrawsNothingAndShowsPushesAtTheNextPaint) {
    system->sendPaint();
    int draws = system->drawCount();
    window->close();
    EXPECT_FALSE(window->isOpen());
    EXPECT_FALSE(system->hasWindow());
    window->updateParameter(param::AAA, 1.0f);
    window->redrawDirty();
    window->paint();
    EXPECT_EQ(system->drawCount(), draws);
    EXPECT_TRUE(toggle->isDirty());

    ASSERT_TRUE(window->open(&parent));
    EXPECT_TRUE(system->isVisible());
    EXPECT_EQ(system->parentOfWindow(), &parent);
    system->sendPaint();
    EXPECT_FALSE(toggle->isDirty());
}

// Only the thread that opened the window draws: a push from another thread marks the control and
// the next idle draws it.
TEST_F(RoutingFixture, PushesFromAnotherThreadWaitForTheIdle) {
    system->sendPaint();
    int draws = system->drawCount();
    std::thread([&] {
        window->updateParameter(param::AAA, 1.0f);
        window->redrawDirty();
    }).join();
    EXPECT_EQ(system->drawCount(), draws);
    EXPECT_TRUE(toggle->isDirty());
    window->idle();
    EXPECT_GT(system->drawCount(), draws);
    EXPECT_FALSE(toggle->isDirty());
}

TEST_F(RoutingFixture, FailedWindowCreationLeavesTheEditorClosed) {
    window->close();
    EXPECT_FALSE(window->open(nullptr));  // a child window needs a parent
    EXPECT_FALSE(window->isOpen());
    EXPECT_EQ(window->getWindow(), nullptr);
    window->redrawDirty();
    window->paint();
    window->close();
    EXPECT_EQ(system->drawCount() + system->paintCount(), 0);
    EXPECT_TRUE(window->open(&parent));
    EXPECT_TRUE(window->isOpen());
}

// A host that opens again without closing must not leave the first window behind in the old parent.
TEST_F(RoutingFixture, OpeningAgainWithoutACloseMovesTheWindowToTheNewParent) {
    int otherParent = 0;
    EXPECT_TRUE(window->open(&otherParent));
    EXPECT_TRUE(window->isOpen());
    EXPECT_EQ(system->parentOfWindow(), &otherParent);
    EXPECT_TRUE(system->isVisible());
    system->sendButtonDown(0, 20, 20);
    EXPECT_EQ(log, (Log{"A.down0@20,20"}));  // the new window is the attached one
}

TEST(EditorIdle, HandsTheWindowSystemItsTurnToDeliverEvents) {
    struct PumpCounter : OffscreenWindowSystem {
        PumpCounter() : OffscreenWindowSystem(BitmapSource{}) {}
        void pumpEvents() override { ++pumps; }
        int pumps = 0;
    };
    FakePlugin plugin;
    auto owned = std::make_unique<PumpCounter>();
    PumpCounter& system = *owned;
    KZGuiWindow window(&plugin, std::move(owned));
    window.idle();
    int parent = 0;
    window.open(&parent);
    window.idle();
    EXPECT_EQ(system.pumps, 2);
}

TEST(EditorRect, IsTheSameBeforeAndAfterOpen) {
    FakePlugin plugin;
    KZGuiWindow window(&plugin, std::make_unique<OffscreenWindowSystem>(BitmapSource{}));
    ERect* rect = nullptr;
    ASSERT_TRUE(window.getRect(&rect));
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 320);
    EXPECT_EQ(rect->right, 560);
    int parent = 0;
    window.open(&parent);
    ERect* whileOpen = nullptr;
    ASSERT_TRUE(window.getRect(&whileOpen));
    EXPECT_EQ(whileOpen, rect);
    EXPECT_EQ(whileOpen->right, 560);
}

TEST(EditorBaseDefaults, AnswerNeutrally) {
    FakePlugin plugin;
    EditorBase base(&plugin);
    ERect* rect = reinterpret_cast<ERect*>(&plugin);
    EXPECT_FALSE(base.getRect(&rect));
    EXPECT_EQ(rect, nullptr);
    int parent = 0;
    EXPECT_FALSE(base.open(&parent));
    EXPECT_TRUE(base.isOpen());
    base.close();
    EXPECT_FALSE(base.isOpen());
    VstKeyCode key{};
    EXPECT_FALSE(base.onKeyDown(key));
    EXPECT_FALSE(base.setKnobMode(2));
    EXPECT_EQ(base.getEffect(), &plugin);
}

TEST(WindowClass, RegisteredOnceAndRemovedWithTheLastEditor) {
    ASSERT_EQ(KZGuiWindow::windowClassUserCount(), 0);
    int registrations = OffscreenWindowSystem::windowClassRegistrations();
    FakePlugin plugin;
    auto first =
        std::make_unique<KZGuiWindow>(&plugin, std::make_unique<OffscreenWindowSystem>(BitmapSource{}));
    auto second =
        std::make_unique<KZGuiWindow>(&plugin, std::make_unique<OffscreenWindowSystem>(BitmapSource{}));
    EXPECT_EQ(OffscreenWindowSystem::windowClassRegistrations(), registrations + 1);
    EXPECT_EQ(KZGuiWindow::windowClassUserCount(), 2);
    first.reset();
    EXPECT_TRUE(OffscreenWindowSystem::windowClassRegistered());
    second.reset();
    EXPECT_FALSE(OffscreenWindowSystem::windowClassRegistered());
    EXPECT_EQ(KZGuiWindow::windowClassUserCount(), 0);
}
}  // namespace
