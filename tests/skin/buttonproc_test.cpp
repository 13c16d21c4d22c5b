#include "skinfixture.h"

#include <functional>

namespace bibliora::skin::test {
namespace {

class ButtonProcTest : public SkinFixture
{
protected:
    Window form = makeForm();
    Window button = makeButton(form, u"确定");

    void SetUp() override { ASSERT_EQ(skin.attachSkin(form), 1); }

    int state() { return static_cast<int>(prop(button, kPropOldState)); }
    int alpha() { return static_cast<int>(prop(button, kPropAlphaLevel)); }
    int mouseFlag() { return static_cast<int>(prop(button, kPropMouseFlag)); }
    bool passedOn(Message m)
    {
        const auto& log = ops.nativeLog(button);
        return std::find(log.begin(), log.end(), m) != log.end();
    }
    void showFace(int f)
    {
        ops.send(button, msg::Paint);
        ASSERT_EQ(ops.screen(button).pixels, face(button, f).pixels);
    }
};

struct Transition
{
    const char* name;
    std::function<void(MemoryWindowOps&, Window)> before; // sets up the state it starts from
    std::function<void(MemoryWindowOps&, Window)> event;
    Message passed; // what the previous procedure must have seen
    int state;      // "OLDSTATE" after
    int mouseFlag;  // "MOUSEFLAG" after
    int startLevel; // "ALPHALEVEL" after, -1 when no fade starts
};

void press(MemoryWindowOps& o, Window b)
{
    o.send(b, msg::LButtonDown);
}
void hover(MemoryWindowOps& o, Window b)
{
    o.send(b, msg::MouseMove);
}
void nothing(MemoryWindowOps&, Window) {}

const Transition kTransitions[] = {
    {"pointer enters", nothing, hover, msg::MouseMove, 1, 1, 70},
    {"pointer moves inside", hover, hover, msg::MouseMove, 1, 1, -1},
    {"left button pressed", hover, press, msg::LButtonDown, 2, 1, 10},
    {"left button released", press, [](auto& o, Window b) { o.send(b, msg::LButtonUp); },
     msg::LButtonUp, 0, 0, 0},
    {"leave while pressed",
     [](auto& o, Window b) {
         hover(o, b);
         press(o, b);
     },
     [](auto& o, Window b) { ASSERT_TRUE(o.leave(b)); }, msg::MouseLeave, 0, 0, 0},
    {"space pressed", hover, [](auto& o, Window b) { o.send(b, msg::KeyDown, 0x20); }, msg::KeyDown,
     2, 1, 50},
    {"space repeated", [](auto& o, Window b) { o.send(b, msg::KeyDown, 0x20); },
     [](auto& o, Window b) { o.send(b, msg::KeyDown, 0x20); }, msg::KeyDown, 2, 0, 50},
    {"space released", hover, [](auto& o, Window b) { o.send(b, msg::KeyUp, 0x20); }, msg::KeyUp, 0,
     0, 0},
    {"other key pressed", hover, [](auto& o, Window b) { o.send(b, msg::KeyDown, 'A'); },
     msg::KeyDown, 1, 1, -1},
    {"other key released", press, [](auto& o, Window b) { o.send(b, msg::KeyUp, 0x0D); },
     msg::KeyUp, 2, 0, -1},
    {"focus gained", press, [](auto& o, Window b) { o.setFocus(b); }, msg::SetFocus, 2, 0, 0},
    {"focus lost", [](auto& o, Window b) { o.setFocus(b); }, [](auto& o, Window) { o.setFocus(0); },
     msg::KillFocus, 0, 0, 0},
    {"disabled", hover, [](auto& o, Window b) { o.enable(b, false); }, msg::Enable, 3, 1, -1},
    {"enabled", [](auto& o, Window b) { o.enable(b, false); },
     [](auto& o, Window b) { o.enable(b, true); }, msg::Enable, 0, 0, -1},
    {"resized", hover, [](auto& o, Window b) { o.resize(b, 90, 30); }, msg::Size, 1, 1, -1},
};

TEST_F(ButtonProcTest, EveryTransitionOfTheStateTable)
{
    for (const Transition& t : kTransitions) {
        SCOPED_TRACE(t.name);
        MemoryWindowOps o;
        ButtonSkin s(o);
        const Window f = o.createWindow({"Form", 0, 300, 200, u"", 0, 0, true, 0xFFFFFF});
        const Window b =
            o.createWindow({"ThunderRT6CommandButton", f, 75, 23, u"OK", 0, 0, true, 0xFFFFFF});
        ASSERT_EQ(s.attachSkin(f), 1);
        t.before(o, b);
        o.runTimers();
        o.clearLogs();

        t.event(o, b);

        const auto& log = o.nativeLog(b);
        EXPECT_NE(std::find(log.begin(), log.end(), t.passed), log.end());
        EXPECT_EQ(o.prop(b, kPropOldState), t.state);
        EXPECT_EQ(o.prop(b, kPropMouseFlag), t.mouseFlag);
        if (t.startLevel < 0) {
            EXPECT_EQ(o.timersOn(b), 0);
            EXPECT_EQ(o.prop(b, kPropTimerId), 0);
        } else {
            EXPECT_EQ(o.timersOn(b), 1);
            EXPECT_EQ(o.prop(b, kPropTimerId), static_cast<PropValue>(kFadeTimerId));
            EXPECT_EQ(o.prop(b, kPropAlphaLevel), t.startLevel);
        }
    }
}

TEST_F(ButtonProcTest, EachFadeRunsItsNumberOfSteps)
{
    const std::pair<std::function<void()>, int> fades[] = {
        {[&] { ops.send(button, msg::LButtonUp); }, 86},
        {[&] { ops.send(button, msg::LButtonDown); }, 82},
        {[&] { ops.send(button, msg::KeyDown, 0x20); }, 69},
        {[&] { ops.send(button, msg::MouseMove); }, 62},
    };
    for (const auto& [start, steps] : fades) {
        start();
        EXPECT_EQ(ops.runTimers(), steps);
        EXPECT_EQ(prop(button, kPropTimerId), 0);
        EXPECT_EQ(prop(button, kPropAlphaLevel), 0);
        EXPECT_EQ(ops.tick(), 0);
    }
    // The fade from level 0 ends with an exact copy of the target face.
    EXPECT_EQ(mouseFlag(), 1);
    ops.send(button, msg::LButtonUp);
    ops.runTimers();
    EXPECT_EQ(ops.screen(button).pixels, face(button, 0).pixels);
}

TEST_F(ButtonProcTest, StepsBlendTheTargetFaceOverThePictureShownNow)
{
    showFace(0);
    ops.send(button, msg::MouseMove);
    ASSERT_EQ(ops.tick(), 1);
    EXPECT_EQ(alpha(), 73);
    const MemoryImage& shown = ops.screen(button);
    // Worked by hand: 4CC3FB at 70 over FFFFFF.
    EXPECT_EQ(face(button, 1).at(4, 1), 0x4CC3FBu);
    EXPECT_EQ(shown.at(4, 1), 0xCEEFFEu);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 75; ++x)
            ASSERT_EQ(shown.at(x, y),
                      blendColour(face(button, 1).at(x, y), face(button, 0).at(x, y), 70));

    // A paint during the fade shows the target face at once; the steps left change nothing.
    showFace(1);
    ops.runTimers();
    EXPECT_EQ(ops.screen(button).pixels, face(button, 1).pixels);
    EXPECT_EQ(ops.openContexts(), 0u);
}

TEST_F(ButtonProcTest, AStateChangeDuringAFadeKeepsExactlyOneTimer)
{
    ops.send(button, msg::MouseMove);
    for (int i = 0; i < 5; ++i)
        ops.tick();
    ops.send(button, msg::LButtonDown);
    EXPECT_EQ(ops.runningTimers(), 1u);
    EXPECT_EQ(alpha(), 10);
    EXPECT_EQ(ops.runTimers(), 82);
}

TEST_F(ButtonProcTest, DisableAndEnableAreShownAtOnce)
{
    showFace(0);
    ops.enable(button, false);
    EXPECT_EQ(state(), 3);
    EXPECT_EQ(ops.screen(button).pixels, face(button, 3).pixels);
    EXPECT_EQ(ops.runningTimers(), 0u);
    ops.enable(button, true);
    EXPECT_EQ(ops.screen(button).pixels, face(button, 0).pixels);
    EXPECT_EQ(ops.runningTimers(), 0u);
}

TEST_F(ButtonProcTest, OneLeaveNoticePerEntryThroughTheProbedCall)
{
    ops.send(button, msg::MouseMove);
    ops.send(button, msg::MouseMove);
    ASSERT_EQ(ops.leaveRequests.size(), 1u);
    EXPECT_EQ(ops.leaveRequests[0].first, LeaveNoticeApi::User32);
    const TrackMouseEventRequest& r = ops.leaveRequests[0].second;
    EXPECT_EQ(r.size, 16u);
    EXPECT_EQ(r.flags, 2u);
    EXPECT_EQ(r.window, button);
    EXPECT_EQ(r.hoverTime, 0u);
    EXPECT_TRUE(ops.leave(button));
    EXPECT_FALSE(ops.leave(button));
    ops.send(button, msg::MouseMove);
    EXPECT_EQ(ops.leaveRequests.size(), 2u);

    MemoryWindowOps old;
    old.exportsTrackMouseEvent = false;
    ButtonSkin s(old);
    const Window b = old.createWindow({"Button", 0, 75, 23, u"OK", 0, 0, true, 0xFFFFFF});
    s.attachSkin(b);
    EXPECT_FALSE(s.userTrackMouseEvent());
    old.send(b, msg::MouseMove);
    ASSERT_EQ(old.leaveRequests.size(), 1u);
    EXPECT_EQ(old.leaveRequests[0].first, LeaveNoticeApi::CommonControls);
}

TEST_F(ButtonProcTest, AButtonClosedByItsOwnClickKeepsNoState)
{
    ops.afterNative = [&](Window w, Message m) {
        if (w == button && m == msg::LButtonUp)
            skin.detachSkin(form);
    };
    ops.send(button, msg::LButtonDown);
    ops.send(button, msg::LButtonUp);
    EXPECT_TRUE(ops.props(button).empty());
    EXPECT_EQ(ops.runningTimers(), 0u);
}

TEST_F(ButtonProcTest, UnhookedProcedureFallsBackToDefaultHandling)
{
    skin.detachSkin(form);
    EXPECT_EQ(skin.buttonProc(button, msg::Paint, 0, 0), 0);
    EXPECT_EQ(skin.buttonProc(0, msg::Paint, 0, 0), 0);
    EXPECT_EQ(ops.defaultLog, std::vector<Message>{msg::Paint});
}

} // namespace
} // namespace bibliora::skin::test
