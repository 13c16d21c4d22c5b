#include "atlas.h"
#include "buttonskin.h"
#include "memorywindowops.h"
#include "skinprops.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace bibliora::skin::test {
namespace {

class SkinTest : public ::testing::Test
{
protected:
    MemoryWindowOps ops;
    ButtonSkin skin{ops};
    Window form = ops.createWindow("ThunderRT6FormDC", 0, 400, 300);

    Window button(Window parent, std::u16string text = u"OK", int width = 75,
                  std::string cls = "ThunderRT6CommandButton", std::uint32_t style = 0)
    {
        return ops.createWindow(std::move(cls), parent, width, 23, std::move(text), style);
    }
    const Image& face(Window b, int f) { return *ops.image(ops.prop(b, faceSurfaceProp(f))); }
    Colour atlas(int f, int y, int x) { return ops.image(skin.skinAtlas())->at(x, 21 * f + y); }
};

TEST_F(SkinTest, AtlasHoldsTheTableColoursMirroredAndRunsEvenlyBetweenThem)
{
    skin.attachSkin(form);
    // Face, row, column, colour. The last three lie between given rows and are worked by hand:
    // 1/7 and 3/7 of the way from FBFBFB to F3F3F3, 6/7 of the way from D9EDFB to A7D4F2.
    const Colour samples[][4] = {
        {0, 0, 0, 0x78BAE6},  {0, 10, 1, 0xE3F0FB}, {0, 19, 3, 0xCCE0F1}, {0, 20, 2, 0x2A96D8},
        {1, 2, 3, 0xB7E8FF},  {1, 17, 4, 0xA7D4F2}, {1, 20, 0, 0x78BAE5}, {2, 1, 1, 0x22A1E6},
        {2, 3, 2, 0x83CAF2},  {2, 18, 4, 0xBEE8FE}, {3, 1, 2, 0xF5F5F5},  {3, 10, 4, 0xEEEEEE},
        {3, 19, 0, 0xD5D5D5}, {3, 4, 1, 0xFAFAFA},  {3, 6, 1, 0xF8F8F8},  {1, 16, 4, 0xAED8F3}};
    for (const auto& [f, row, x, colour] : samples) {
        SCOPED_TRACE(testing::Message() << "face " << f << " row " << row);
        EXPECT_EQ(atlas(f, row, x), colour);
        EXPECT_EQ(atlas(f, row, 8 - x), colour);
    }
}

TEST_F(SkinTest, FacesKeepTheCornersAndRepeatTemplatePixelsAtEverySize)
{
    const Window b = button(form, u"");
    skin.attachSkin(form);
    const int sizes[][2] = {{8, 10}, {9, 11}, {23, 21}, {75, 23}, {40, 60}};
    for (const auto& [w, h] : sizes) {
        ops.win(b).screen = Image(w, h); // resized
        ops.send(b, msg::Size);
        for (int f = 0; f < kFaceCount; ++f) {
            SCOPED_TRACE(testing::Message() << w << " x " << h << ", face " << f);
            // Columns 0-3 and the last four are the template's; all between repeat column 4.
            auto column = [w = w](int x) { return x < 4 ? x : x >= w - 4 ? x - w + 9 : 4; };
            std::vector<int> rows(h, -1); // the template row each row shows in full
            for (int y = 0; y < h; ++y)
                for (int t = kFaceRows - 1; t >= 0; --t) {
                    int x = 0;
                    while (x < w && face(b, f).at(x, y) == atlas(f, t, column(x)))
                        ++x;
                    if (x == w)
                        rows[y] = t;
                }
            for (int y = 0; y < 5; ++y) {
                EXPECT_EQ(rows[y], y);
                EXPECT_EQ(rows[h - 5 + y], 16 + y);
            }
            // The 11 middle rows in order, each repeated or some dropped, none made up.
            EXPECT_TRUE(std::is_sorted(rows.begin() + 5, rows.end() - 5));
            const std::set<int> middle(rows.begin() + 5, rows.end() - 5);
            EXPECT_EQ(middle.size(), std::size_t(std::min(h - 10, 11)));
            EXPECT_TRUE(middle.empty() || (*middle.begin() >= 5 && *middle.rbegin() <= 15));
        }
    }
}

TEST_F(SkinTest, CaptionColourEllipsisAndFocusMark)
{
    const Window a = button(form, u"查找 &F");
    const Window b = button(form, u"&Save && export all", 60);
    ASSERT_EQ(skin.attachSkin(form), 1);
    EXPECT_EQ(ops.lastCaption, u"Save &...");
    std::vector<Image> plainA, plainB;
    for (int f = 0; f < kFaceCount; ++f) {
        const auto& px = face(b, f).pixels;
        EXPECT_EQ(std::count(px.begin(), px.end(), 0x000000u) > 0, f != 3) << f;
        EXPECT_EQ(std::count(px.begin(), px.end(), 0x808080u) > 0, f == 3) << f;
        plainA.push_back(face(a, f));
        plainB.push_back(face(b, f));
    }

    ops.focus = a;
    ops.send(a, msg::SetFocus);
    for (int f = 0; f < kFaceCount; ++f) {
        EXPECT_EQ(face(b, f).pixels, plainB[f].pixels);
        // Every other pixel of the outline 2 pixels in, from (2, 2) to (72, 20), is inverted.
        const int points[][3] = {{2, 2, 1}, {3, 2, 0}, {72, 20, 1}, {72, 19, 0}, {10, 10, 0}};
        for (const auto& [x, y, inverted] : points)
            EXPECT_EQ(face(a, f).at(x, y),
                      inverted ? ~plainA[f].at(x, y) & 0xFFFFFFu : plainA[f].at(x, y));
    }
    ops.focus = b;
    ops.send(a, msg::KillFocus);
    ops.send(b, msg::SetFocus);
    for (int f = 0; f < kFaceCount; ++f) {
        EXPECT_EQ(face(a, f).pixels, plainA[f].pixels);
        EXPECT_NE(face(b, f).pixels, plainB[f].pixels);
    }
}

// After one message (0 for none), another: the face shown next, the pointer flag, the level
// the fade starts from (-1 when none starts) and how many steps that fade runs.
struct Transition
{
    Message before, event;
    WParam beforeArg, arg;
    int face, mouseFlag, level, steps;
};
const Transition kTransitions[] = {
    {0, msg::MouseMove, 0, 0, 1, 1, 70, 62},
    {msg::MouseMove, msg::MouseMove, 0, 0, 1, 1, -1, 0},
    {msg::MouseMove, msg::LButtonDown, 0, 0, 2, 1, 10, 82},
    {msg::LButtonDown, msg::LButtonUp, 0, 0, 0, 0, 0, 86},
    {msg::MouseMove, msg::MouseLeave, 0, 0, 0, 0, 0, 86},
    {msg::MouseMove, msg::KeyDown, 0, kVirtualKeySpace, 2, 1, 50, 69},
    {msg::KeyDown, msg::KeyUp, kVirtualKeySpace, kVirtualKeySpace, 0, 0, 0, 86},
    {msg::MouseMove, msg::KeyDown, 0, 'A', 1, 1, -1, 0},
    {msg::LButtonDown, msg::KeyUp, 0, 'A', 2, 0, -1, 0},
    {msg::LButtonDown, msg::SetFocus, 0, 0, 2, 0, 0, 86},
    {msg::SetFocus, msg::KillFocus, 0, 0, 0, 0, 0, 86},
    {msg::MouseMove, msg::Enable, 0, 0, 3, 1, -1, 0},
    {msg::Enable, msg::Enable, 0, 1, 0, 0, -1, 0},
};

TEST(SkinStates, EveryTransitionStartsItsFadeAtItsLevel)
{
    for (const Transition& t : kTransitions) {
        SCOPED_TRACE(testing::Message() << "message " << t.event << " after " << t.before);
        MemoryWindowOps ops;
        ButtonSkin skin(ops);
        const Window form = ops.createWindow("Form", 0, 300, 200);
        const Window b = ops.createWindow("Button", form, 75, 23, u"OK");
        ASSERT_EQ(skin.attachSkin(form), 1);
        if (t.before)
            ops.send(b, t.before, t.beforeArg);
        ops.runTimers();
        ops.win(b).log.clear();

        ops.send(b, t.event, t.arg);
        EXPECT_EQ(std::count(ops.win(b).log.begin(), ops.win(b).log.end(), t.event), 1);
        EXPECT_EQ(ops.prop(b, kPropOldState), t.face);
        EXPECT_EQ(ops.prop(b, kPropMouseFlag), t.mouseFlag);
        EXPECT_EQ(ops.timers.size(), t.level < 0 ? 0u : 1u);
        EXPECT_EQ(ops.prop(b, kPropAlphaLevel), std::max(t.level, 0));
        EXPECT_EQ(ops.runTimers(), t.steps);
        EXPECT_EQ(ops.prop(b, kPropTimerId), 0);
        EXPECT_EQ(ops.prop(b, kPropAlphaLevel), 0);
    }
}

TEST_F(SkinTest, FadeBlendsOverThePictureShownWithOneTimerAndEnablingShowsAtOnce)
{
    const Window b = button(form);
    ASSERT_EQ(skin.attachSkin(form), 1);
    const auto& shown = ops.win(b).screen.pixels;
    ops.send(b, msg::Paint);
    ASSERT_EQ(shown, face(b, 0).pixels);
    ops.send(b, msg::MouseMove);
    ops.runTimers(1);
    EXPECT_EQ(ops.win(b).screen.at(4, 1), 0xCEEFFEu); // 4CC3FB at 70 over FFFFFF
    ops.send(b, msg::Paint);                          // shows the target face at once
    EXPECT_EQ(shown, face(b, 1).pixels);

    ops.runTimers(4);
    ops.send(b, msg::LButtonDown);
    EXPECT_EQ(ops.timers.size(), 1u);
    EXPECT_EQ(ops.prop(b, kPropAlphaLevel), 10);
    EXPECT_EQ(ops.runTimers(), 82);

    ops.send(b, msg::Enable, 0);
    EXPECT_EQ(shown, face(b, 3).pixels);
    ops.send(b, msg::Enable, 1);
    EXPECT_EQ(shown, face(b, 0).pixels);
    EXPECT_TRUE(ops.timers.empty());
}

TEST_F(SkinTest, AttachSpreadsToDialogsAndDetachRestoresEverything)
{
    const Window frame = ops.createWindow("ThunderRT6Frame", form, 200, 100);
    const Window check = button(form, u"题名", 80, "Button", style::AutoCheckBox);
    const Window radio = button(form, u"ISBN", 80, "Button", style::AutoRadioButton);
    ASSERT_EQ(skin.attachSkin(form), 1);
    EXPECT_EQ(ops.win(check).style, style::AutoCheckBox);
    EXPECT_EQ(skin.skinnedButtonCount(), 0); // neither the check box nor the radio button

    // A message box active in the form's place is skinned; closing it leaves the atlas.
    const Window box = ops.createWindow("#32770", 0, 200, 100);
    const Window yes = button(box, u"是(&Y)", 75, "Button");
    ops.send(form, msg::Activate, 0, static_cast<LParam>(box));
    EXPECT_EQ(skin.hookedFormCount(), 2);
    EXPECT_EQ(ops.win(yes).proc, skin.buttonProcAddress());
    ops.send(yes, msg::MouseMove);
    for (Window closing : {box, yes})
        ops.send(closing, msg::Destroy);
    EXPECT_EQ(skin.hookedFormCount(), 1);
    EXPECT_EQ(skin.skinnedButtonCount(), 0);
    EXPECT_EQ(ops.bitmaps.size(), 1u); // the atlas

    // Attaching again skins only the buttons added since.
    const Window save = button(frame, u"保存 &S");
    EXPECT_EQ(skin.attachSkin(form), 0);
    const PropValue saveFace = ops.prop(save, faceSurfaceProp(0));
    const Window added = button(form, u"新");
    EXPECT_EQ(skin.attachSkin(form), 0);
    EXPECT_NE(ops.prop(added, faceSurfaceProp(0)), 0);
    EXPECT_EQ(ops.prop(save, faceSurfaceProp(0)), saveFace);
    EXPECT_EQ(skin.skinnedButtonCount(), 2);

    ops.send(added, msg::LButtonDown); // detached mid-fade
    EXPECT_EQ(skin.detachSkin(form), 1);
    for (Window w : {form, frame, save, check, radio, added}) {
        EXPECT_TRUE(ops.win(w).props.empty());
        EXPECT_EQ(ops.win(w).proc, MemoryWindowOps::kNativeProc);
        EXPECT_FALSE(ops.win(w).region);
    }
    EXPECT_EQ(ops.win(save).style, style::PushButton);
    EXPECT_EQ(skin.skinnedButtonCount() + skin.hookedFormCount(), 0);
    EXPECT_EQ(skin.skinAtlas(), 0u);
    EXPECT_TRUE(ops.timers.empty() && ops.bitmaps.empty() && ops.surfaces.empty());

    // A button skinned on its own takes the atlas along when it is restored.
    EXPECT_EQ(skin.attachSkin(save), 1);
    EXPECT_EQ(skin.detachSkin(save), 1);
    EXPECT_TRUE(!skin.skinReady() && ops.bitmaps.empty() && ops.surfaces.empty());
}

} // namespace
} // namespace bibliora::skin::test
