#include "skinfixture.h"

namespace bibliora::skin::test {
namespace {

class AttachTest : public SkinFixture
{
protected:
    Window form = makeForm();
    Window frame = ops.createWindow({"ThunderRT6Frame", form, 200, 100, u"", 0, 0, true, 0xECE9D8});
    Window save = makeButton(frame, u"保存 &S");
    Window find = makeButton(form, u"查找 &F");
    Window text = ops.createWindow(
        {"ThunderRT6TextBox", form, 120, 24, u"", 0, style::ExClientEdge, true, 0xFFFFFF});
    Window label = ops.createWindow({"ThunderRT6Label", form, 60, 16, u"", 0, 0, true, 0xECE9D8});

    void expectSkinned(Window b, int initialState)
    {
        EXPECT_EQ(prop(b, kPropProcAddr), MemoryWindowOps::kNativeProc);
        EXPECT_EQ(ops.procOf(b), skin.buttonProcAddress());
        for (int f = 0; f < kFaceCount; ++f) {
            EXPECT_NE(prop(b, faceSurfaceProp(f)), 0);
            EXPECT_NE(prop(b, faceBitmapProp(f)), 0);
            EXPECT_EQ(face(b, f).width, ops.windowRect(b).width());
        }
        EXPECT_EQ(prop(b, kPropMouseFlag), 0);
        EXPECT_EQ(prop(b, kPropTimerId), 0);
        EXPECT_EQ(prop(b, kPropOldState), initialState);
        EXPECT_EQ(prop(b, kPropAlphaLevel), 0);
        EXPECT_EQ(ops.windowStyle(b) & 0xFFFF, style::OwnerDraw);
        const Rect r = ops.windowRect(b);
        EXPECT_EQ(ops.region(b), (RoundRect{0, 0, r.width() + 1, r.height() + 1, 3, 3}));
    }
    void expectRestored(Window w)
    {
        EXPECT_TRUE(ops.props(w).empty());
        EXPECT_EQ(ops.procOf(w), MemoryWindowOps::kNativeProc);
        EXPECT_FALSE(ops.region(w).has_value());
    }
};

TEST_F(AttachTest, HooksTheFormSkinsNestedButtonsAndHooksOtherChildren)
{
    const Window off = makeButton(form, u"Off");
    ops.enable(off, false);
    EXPECT_EQ(skin.attachSkin(form), 1);

    EXPECT_EQ(ops.procOf(form), skin.formProcAddress());
    expectSkinned(save, 0);
    expectSkinned(find, 0);
    expectSkinned(off, 3);
    for (Window w : {frame, text, label}) {
        EXPECT_EQ(ops.procOf(w), skin.childProcAddress());
        EXPECT_EQ(prop(w, kPropProcAddr), MemoryWindowOps::kNativeProc);
    }
    EXPECT_EQ(skin.skinnedButtonCount(), 3);
    EXPECT_EQ(skin.hookedFormCount(), 1);
    EXPECT_EQ(ops.liveSurfaces(), 1u + 3 * 4);
    EXPECT_EQ(ops.liveBitmaps(), 1u + 3 * 4);
    EXPECT_EQ(ops.openContexts(), 0u);
}

TEST_F(AttachTest, ClassNamesAreComparedWithoutCaseAndUnknownClassesAreLeftAlone)
{
    const Window odd = ops.createWindow({"ThunderRT6ListBox", 0, 10, 10, u"", 0, 0, true, 0});
    EXPECT_EQ(skin.attachSkin(odd), 0);
    EXPECT_TRUE(skin.skinReady());
    EXPECT_NE(skin.skinAtlas(), 0u);
    expectRestored(odd);

    const Window shouting = makeForm("THUNDERrt6formDC");
    EXPECT_EQ(skin.attachSkin(shouting), 1);
    const Window plain = makeForm(std::string("Form\0Junk", 9));
    EXPECT_EQ(skin.windowClassOf(plain), "Form");
    EXPECT_EQ(skin.attachSkin(plain), 1);
    EXPECT_EQ(skin.windowClassOf(makeForm(std::string(300, 'x'))).size(), 255u);
    EXPECT_EQ(skin.detachSkin(odd), 0);
}

TEST_F(AttachTest, AttachingTwiceSkinsOnlyTheButtonsAddedSince)
{
    ASSERT_EQ(skin.attachSkin(form), 1);
    const PropValue saveFace = prop(save, faceSurfaceProp(0));
    const Window added = makeButton(form, u"新");
    EXPECT_EQ(skin.attachSkin(form), 0);
    expectSkinned(added, 0);
    EXPECT_EQ(prop(save, faceSurfaceProp(0)), saveFace);
    EXPECT_EQ(skin.skinnedButtonCount(), 3);
    EXPECT_EQ(skin.hookedFormCount(), 1);
    EXPECT_EQ(skin.attachSkin(save), 0);
}

TEST_F(AttachTest, DetachRestoresEveryButtonAndReleasesTheAtlas)
{
    const Window def = makeButton(form, u"OK", 75, 23, "Button", style::DefPushButton);
    ASSERT_EQ(skin.attachSkin(form), 1);
    ops.send(find, msg::MouseMove); // a fade is running
    ASSERT_EQ(ops.runningTimers(), 1u);

    EXPECT_EQ(skin.detachSkin(form), 1);
    for (Window w : {form, frame, save, find, text, label, def})
        expectRestored(w);
    for (Window b : {save, find, def}) {
        EXPECT_EQ(ops.windowStyle(b), 0u); // a plain push button, the default one included
        EXPECT_EQ(ops.invalidations(b), 1);
    }
    EXPECT_EQ(ops.runningTimers(), 0u);
    EXPECT_EQ(skin.skinnedButtonCount(), 0);
    EXPECT_EQ(skin.hookedFormCount(), 0);
    EXPECT_FALSE(skin.skinReady());
    EXPECT_EQ(skin.skinAtlas(), 0u);
    EXPECT_EQ(ops.liveSurfaces(), 0u);
    EXPECT_EQ(ops.liveBitmaps(), 0u);
    EXPECT_EQ(skin.detachSkin(form), 0);

    // The next attach builds the atlas anew.
    EXPECT_EQ(skin.attachSkin(form), 1);
    EXPECT_TRUE(skin.skinReady());
    EXPECT_NE(skin.skinAtlas(), 0u);
}

TEST_F(AttachTest, ActivationSpreadsTheSkinAndAClosingDialogLeavesTheAtlasAlone)
{
    ASSERT_EQ(skin.attachSkin(form), 1);
    const Window box = makeForm("#32770");
    const Window yes = makeButton(box, u"是(&Y)", 75, 23, "Button");
    const Window no = makeButton(box, u"否(&N)", 75, 23, "Button");
    const Window message = ops.createWindow({"Static", box, 200, 40, u"", 0, 0, true, 0xECE9D8});
    const Window tool = ops.createWindow({"tooltips_class32", 0, 50, 20, u"", 0, 0, true, 0});

    ops.send(form, msg::Activate, 0, static_cast<LParam>(tool));
    ops.send(form, msg::Activate, 1, static_cast<LParam>(form));
    EXPECT_EQ(skin.hookedFormCount(), 1);
    ops.send(form, msg::Activate, 0, static_cast<LParam>(box));
    EXPECT_EQ(skin.hookedFormCount(), 2);
    EXPECT_EQ(skin.skinnedButtonCount(), 4);
    expectSkinned(yes, 0);
    EXPECT_EQ(ops.procOf(message), skin.childProcAddress());
    EXPECT_EQ(ops.nativeLog(form).back(), msg::Activate);       // passed on as usual
    ops.send(box, msg::Activate, 0, static_cast<LParam>(form)); // handing the role back

    ops.destroyWindow(box);
    EXPECT_EQ(skin.hookedFormCount(), 1);
    EXPECT_EQ(skin.skinnedButtonCount(), 2);
    EXPECT_TRUE(skin.skinReady());
    EXPECT_EQ(ops.liveSurfaces(), 1u + 2 * 4);
    EXPECT_EQ(ops.liveBitmaps(), 1u + 2 * 4);
    (void)no;
}

TEST_F(AttachTest, DestroyingAButtonMidFadeRemovesItsSkin)
{
    ASSERT_EQ(skin.attachSkin(form), 1);
    ops.send(find, msg::LButtonDown);
    ops.destroyWindow(find);
    EXPECT_EQ(ops.runningTimers(), 0u);
    EXPECT_EQ(skin.skinnedButtonCount(), 1);
    EXPECT_EQ(ops.liveSurfaces(), 1u + 4);
}

TEST_F(AttachTest, CheckBoxesRadioButtonsAndGroupBoxesKeepTheirOwnLook)
{
    const Window check = makeButton(form, u"题名", 80, 17, "Button", style::AutoCheckBox);
    const Window radio = makeButton(form, u"ISBN", 80, 17, "button", style::AutoRadioButton);
    const Window group = makeButton(form, u"", 200, 80, "Button", style::GroupBox);
    const Window push = makeButton(form, u"OK", 75, 23, "Button", style::PushButton);
    ASSERT_EQ(skin.attachSkin(form), 1);
    for (Window w : {check, radio, group}) {
        EXPECT_EQ(ops.procOf(w), skin.childProcAddress());
        EXPECT_EQ(prop(w, faceSurfaceProp(0)), 0);
        EXPECT_FALSE(ops.region(w).has_value());
    }
    EXPECT_EQ(ops.windowStyle(check), style::AutoCheckBox);
    EXPECT_EQ(ops.windowStyle(radio), style::AutoRadioButton);
    expectSkinned(push, 0);
    EXPECT_EQ(skin.attachSkin(check), 0);
    EXPECT_EQ(skin.skinnedButtonCount(), 3);
    skin.detachSkin(form);
    for (Window w : {check, radio, group, push})
        expectRestored(w);
}

TEST_F(AttachTest, SunkenControlsGetAFlatFrameWithTwoRingsInTheirBackground)
{
    ops.send(text, msg::NcPaint, 1);
    ASSERT_EQ(ops.screen(text).at(0, 0), MemoryWindowOps::kSunkenEdge);
    ASSERT_EQ(skin.attachSkin(form), 1);

    const MemoryImage& shown = ops.screen(text);
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{119, 23}, std::pair{60, 0}})
        EXPECT_EQ(shown.at(x, y), 0x54A5D5u);
    for (const auto& [x, y] : {std::pair{1, 1}, std::pair{2, 2}, std::pair{117, 21}})
        EXPECT_EQ(shown.at(x, y), 0xFFFFFFu);
    EXPECT_EQ(ops.openContexts(), 0u);

    ops.enable(text, false);
    ops.send(text, msg::NcPaint, 1);
    EXPECT_EQ(ops.screen(text).at(0, 0), 0xCCCCCCu);

    // A control without a client edge keeps what it drew itself.
    ops.send(label, msg::NcPaint, 1);
    EXPECT_EQ(ops.screen(label).at(0, 0), 0xECE9D8u);

    skin.detachSkin(form);
    EXPECT_EQ(ops.screen(text).at(0, 0), MemoryWindowOps::kSunkenEdge);
}

} // namespace
} // namespace bibliora::skin::test
