#include "buttonskin.h"

#include "buttonface.h"
#include "skinprops.h"

#include <algorithm>

namespace bibliora::skin {

namespace {

constexpr std::size_t kClassNameLimit = 255;
constexpr Colour kFrameColour = 0x54A5D5;
constexpr Colour kDisabledFrameColour = 0xCCCCCC;
constexpr int kCornerEllipse = 3;

std::string lowerCase(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return s;
}

bool isButtonClassName(const std::string& cls)
{
    return cls == "thundercommandbutton" || cls == "thunderrt6commandbutton" || cls == "button";
}

bool isFormClassName(const std::string& cls)
{
    return cls == "#32770" || cls == "thunderformdc" || cls == "thunderrt6formdc" || cls == "form";
}

// Check boxes, radio buttons and group boxes share the system button class but are not push
// buttons: drawn with push-button faces they would lose the mark that shows their state.
bool isPushButtonStyle(std::uint32_t windowStyle)
{
    switch (windowStyle & style::ButtonTypeMask) {
    case style::CheckBox:
    case style::AutoCheckBox:
    case style::RadioButton:
    case style::ThreeState:
    case style::AutoThreeState:
    case style::GroupBox:
    case style::AutoRadioButton:
        return false;
    default:
        return true;
    }
}

RoundRect buttonRegion(const Rect& r)
{
    return RoundRect{0, 0, r.width() + 1, r.height() + 1, kCornerEllipse, kCornerEllipse};
}

} // namespace

ButtonSkin::ButtonSkin(WindowOps& ops) : m_ops(ops)
{
    m_formProc = m_ops.registerProc(
        [this](Window w, Message m, WParam wp, LParam lp) { return formProc(w, m, wp, lp); });
    m_childProc = m_ops.registerProc(
        [this](Window w, Message m, WParam wp, LParam lp) { return childProc(w, m, wp, lp); });
    m_buttonProc = m_ops.registerProc(
        [this](Window w, Message m, WParam wp, LParam lp) { return buttonProc(w, m, wp, lp); });
}

std::string ButtonSkin::windowClassOf(Window w)
{
    std::string name = m_ops.className(w);
    const std::size_t nul = name.find('\0');
    if (nul != std::string::npos)
        name.resize(nul);
    if (name.size() > kClassNameLimit)
        name.resize(kClassNameLimit);
    return name;
}

ButtonSkin::Kind ButtonSkin::kindOf(Window w)
{
    const std::string cls = lowerCase(windowClassOf(w));
    if (isButtonClassName(cls))
        return cls != "button" || isPushButtonStyle(m_ops.windowStyle(w)) ? Kind::Button
                                                                          : Kind::Other;
    if (isFormClassName(cls))
        return Kind::Form;
    return Kind::Other;
}

bool ButtonSkin::isFormClass(Window w)
{
    return isFormClassName(lowerCase(windowClassOf(w)));
}

bool ButtonSkin::hooked(Window w)
{
    return m_ops.prop(w, kPropProcAddr) != 0;
}

LResult ButtonSkin::passOn(Window w, Message m, WParam wp, LParam lp)
{
    return m_ops.callWindowProc(static_cast<ProcAddr>(m_ops.prop(w, kPropProcAddr)), w, m, wp, lp);
}

int ButtonSkin::attachSkin(Window w)
{
    if (!m_skinReady) {
        m_skinReady = true;
        m_userTrackMouseEvent = m_ops.libraryExports("User32", "TrackMouseEvent");
        buildAtlas();
    }
    switch (kindOf(w)) {
    case Kind::Button:
        return skinButton(w);
    case Kind::Form:
        m_ops.enumDescendants(w, [this](Window child) {
            if (kindOf(child) == Kind::Button)
                skinButton(child);
            else
                hookChild(child);
        });
        return hookForm(w);
    case Kind::Other:
        break;
    }
    return 0;
}

int ButtonSkin::detachSkin(Window w)
{
    switch (kindOf(w)) {
    case Kind::Button:
        return unskinButton(w);
    case Kind::Form:
        m_ops.enumDescendants(w, [this](Window child) {
            if (kindOf(child) == Kind::Button)
                unskinButton(child);
            else
                unhookChild(child);
        });
        return unhookForm(w);
    case Kind::Other:
        break;
    }
    return 0;
}

int ButtonSkin::skinButton(Window w)
{
    if (hooked(w))
        return 0;
    const Surface dc = m_ops.windowSurface(w);
    const Rect r = m_ops.windowRect(w);
    for (int face = 0; face < kFaceCount; ++face) {
        const Surface s = m_ops.createCompatibleSurface(dc);
        const Bitmap b = m_ops.createCompatibleBitmap(dc, r.width(), r.height());
        m_ops.deleteBitmap(m_ops.selectBitmap(s, b));
        m_ops.setProp(w, faceSurfaceProp(face), static_cast<PropValue>(s));
        m_ops.setProp(w, faceBitmapProp(face), static_cast<PropValue>(b));
    }
    composeFaces(w);
    m_ops.releaseSurface(w, dc);
    m_ops.sendMessage(w, msg::SetButtonStyle, style::OwnerDraw, -1);
    m_ops.setProp(w, kPropMouseFlag, 0);
    m_ops.setProp(w, kPropTimerId, 0);
    m_ops.setProp(
        w, kPropOldState,
        static_cast<PropValue>(m_ops.isEnabled(w) ? ButtonFace::Normal : ButtonFace::Disabled));
    m_ops.setProp(w, kPropAlphaLevel, 0);
    m_ops.setWindowRegion(w, buttonRegion(r), true);
    m_ops.setProp(w, kPropProcAddr, m_ops.setWindowProc(w, m_buttonProc));
    ++m_skinnedButtonCount;
    return 1;
}

int ButtonSkin::unskinButton(Window w)
{
    const auto previous = static_cast<ProcAddr>(m_ops.prop(w, kPropProcAddr));
    if (previous == 0)
        return 0;
    for (int face = 0; face < kFaceCount; ++face) {
        m_ops.deleteSurface(static_cast<Surface>(m_ops.prop(w, faceSurfaceProp(face))));
        m_ops.deleteBitmap(static_cast<Bitmap>(m_ops.prop(w, faceBitmapProp(face))));
        m_ops.removeProp(w, faceSurfaceProp(face));
        m_ops.removeProp(w, faceBitmapProp(face));
    }
    stopFade(w);
    m_ops.removeProp(w, kPropMouseFlag);
    m_ops.removeProp(w, kPropTimerId);
    m_ops.removeProp(w, kPropOldState);
    m_ops.removeProp(w, kPropAlphaLevel);
    m_ops.removeProp(w, kPropProcAddr);
    m_ops.setWindowStyle(w, m_ops.windowStyle(w) & style::ClearOwnerDrawMask);
    m_ops.setWindowRegion(w, std::nullopt, true);
    m_ops.setWindowProc(w, previous);
    m_ops.invalidate(w);
    --m_skinnedButtonCount;
    releaseAtlasWhenUnused();
    return 1;
}

int ButtonSkin::hookForm(Window w)
{
    if (hooked(w))
        return 0;
    m_ops.setProp(w, kPropProcAddr, m_ops.setWindowProc(w, m_formProc));
    ++m_hookedFormCount;
    return 1;
}

int ButtonSkin::unhookForm(Window w)
{
    const auto previous = static_cast<ProcAddr>(m_ops.prop(w, kPropProcAddr));
    if (previous == 0)
        return 0;
    m_ops.removeProp(w, kPropProcAddr);
    m_ops.setWindowProc(w, previous);
    --m_hookedFormCount;
    releaseAtlasWhenUnused();
    return 1;
}

int ButtonSkin::hookChild(Window w)
{
    if (hooked(w))
        return 0;
    m_ops.setProp(w, kPropProcAddr, m_ops.setWindowProc(w, m_childProc));
    m_ops.sendMessage(w, msg::NcPaint, 1, 0);
    return 1;
}

int ButtonSkin::unhookChild(Window w)
{
    const auto previous = static_cast<ProcAddr>(m_ops.prop(w, kPropProcAddr));
    if (previous == 0)
        return 0;
    m_ops.removeProp(w, kPropProcAddr);
    m_ops.setWindowProc(w, previous);
    m_ops.sendMessage(w, msg::NcPaint, 1, 0);
    return 1;
}

void ButtonSkin::releaseAtlasWhenUnused()
{
    if (m_skinnedButtonCount <= 0 && m_hookedFormCount <= 0) {
        releaseAtlas(m_ops, m_atlas);
        m_skinReady = false;
    }
}

LResult ButtonSkin::formProc(Window w, Message m, WParam wp, LParam lp)
{
    if (w == 0)
        return 0;
    if (!hooked(w))
        return m_ops.defWindowProc(w, m, wp, lp);
    if (m == msg::Destroy) {
        unhookForm(w);
        return 0;
    }
    if (m == msg::Activate) {
        const auto other = static_cast<Window>(lp);
        if (other != 0 && other != w && isFormClass(other))
            attachSkin(other);
    }
    return passOn(w, m, wp, lp);
}

LResult ButtonSkin::childProc(Window w, Message m, WParam wp, LParam lp)
{
    if (w == 0)
        return 0;
    if (!hooked(w))
        return m_ops.defWindowProc(w, m, wp, lp);
    if (m == msg::Destroy) {
        unhookChild(w);
        return 0;
    }
    const LResult result = passOn(w, m, wp, lp);
    if (m == msg::NcPaint && (m_ops.windowExStyle(w) & style::ExClientEdge) != 0) {
        const Rect r = m_ops.windowRect(w);
        const int width = r.width();
        const int height = r.height();
        const Surface window = m_ops.windowSurface(w);
        const Surface client = m_ops.clientSurface(w);
        m_ops.frameRect(window, Rect{0, 0, width, height},
                        m_ops.isEnabled(w) ? kFrameColour : kDisabledFrameColour);
        m_ops.frameRect(window, Rect{1, 1, width - 1, height - 1}, m_ops.backgroundColour(client));
        m_ops.frameRect(window, Rect{2, 2, width - 2, height - 2}, m_ops.backgroundColour(client));
        m_ops.releaseSurface(w, client);
        m_ops.releaseSurface(w, window);
    }
    return result;
}

LResult ButtonSkin::buttonProc(Window w, Message m, WParam wp, LParam lp)
{
    if (w == 0)
        return 0;
    if (!hooked(w))
        return m_ops.defWindowProc(w, m, wp, lp);

    switch (m) {
    case msg::Destroy:
        unskinButton(w);
        return 0;
    case msg::Paint: {
        const Rect r = m_ops.windowRect(w);
        const Surface paint = m_ops.beginPaint(w);
        const auto face = static_cast<int>(m_ops.prop(w, kPropOldState));
        m_ops.copy(paint, 0, 0, r.width(), r.height(),
                   static_cast<Surface>(m_ops.prop(w, faceSurfaceProp(face))), 0, 0);
        m_ops.endPaint(w, paint);
        return 0;
    }
    case msg::Timer: {
        fadeStep(w);
        return passOn(w, m, wp, lp);
    }
    default:
        break;
    }

    const LResult result = passOn(w, m, wp, lp);
    // The previous procedure may have closed the button's window and so removed the skin:
    // then there is no state left to change.
    if (!hooked(w))
        return result;

    switch (m) {
    case msg::Size:
        resizeFaces(w);
        break;
    case msg::SetFocus:
    case msg::KillFocus:
        composeFaces(w);
        m_ops.setProp(w, kPropAlphaLevel, kAlphaOnRelease);
        startFade(w);
        break;
    case msg::Enable:
        showFaceAtOnce(w, static_cast<int>(wp != 0 ? ButtonFace::Normal : ButtonFace::Disabled));
        break;
    case msg::KeyDown:
        if (wp == kVirtualKeySpace)
            changeState(w, static_cast<int>(ButtonFace::Pressed), kAlphaOnSpace);
        break;
    case msg::KeyUp:
        if (wp == kVirtualKeySpace) {
            m_ops.setProp(w, kPropMouseFlag, 0);
            changeState(w, static_cast<int>(ButtonFace::Normal), kAlphaOnRelease);
        }
        break;
    case msg::MouseMove:
        if (m_ops.prop(w, kPropMouseFlag) == 0) {
            m_ops.setProp(w, kPropMouseFlag, 1);
            trackLeave(w);
            changeState(w, static_cast<int>(ButtonFace::Hot), kAlphaOnEnter);
        }
        break;
    case msg::LButtonDown:
        changeState(w, static_cast<int>(ButtonFace::Pressed), kAlphaOnPress);
        break;
    case msg::LButtonUp:
    case msg::MouseLeave:
        m_ops.setProp(w, kPropMouseFlag, 0);
        changeState(w, static_cast<int>(ButtonFace::Normal), kAlphaOnRelease);
        break;
    default:
        break;
    }
    return result;
}

void ButtonSkin::changeState(Window w, int face, int alpha)
{
    m_ops.setProp(w, kPropOldState, face);
    m_ops.setProp(w, kPropAlphaLevel, alpha);
    startFade(w);
}

void ButtonSkin::resizeFaces(Window w)
{
    const Surface dc = m_ops.windowSurface(w);
    const Rect r = m_ops.windowRect(w);
    for (int face = 0; face < kFaceCount; ++face) {
        const Bitmap b = m_ops.createCompatibleBitmap(dc, r.width(), r.height());
        const auto s = static_cast<Surface>(m_ops.prop(w, faceSurfaceProp(face)));
        m_ops.deleteBitmap(m_ops.selectBitmap(s, b));
        m_ops.setProp(w, faceBitmapProp(face), static_cast<PropValue>(b));
    }
    composeFaces(w);
    m_ops.releaseSurface(w, dc);
    m_ops.setWindowRegion(w, buttonRegion(r), true);
}

void ButtonSkin::showFaceAtOnce(Window w, int face)
{
    m_ops.setProp(w, kPropOldState, face);
    const Rect r = m_ops.windowRect(w);
    const Surface dc = m_ops.windowSurface(w);
    m_ops.copy(dc, 0, 0, r.width(), r.height(),
               static_cast<Surface>(m_ops.prop(w, faceSurfaceProp(face))), 0, 0);
    m_ops.releaseSurface(w, dc);
}

void ButtonSkin::fadeStep(Window w)
{
    const Rect r = m_ops.windowRect(w);
    const auto face = static_cast<int>(m_ops.prop(w, kPropOldState));
    auto alpha = static_cast<int>(m_ops.prop(w, kPropAlphaLevel));
    const Surface dc = m_ops.windowSurface(w);
    m_ops.alphaBlend(dc, 0, 0, r.width(), r.height(),
                     static_cast<Surface>(m_ops.prop(w, faceSurfaceProp(face))), 0, 0, alpha);
    m_ops.releaseSurface(w, dc);
    alpha += kFadeStep;
    if (alpha > 255) {
        stopFade(w);
        m_ops.setProp(w, kPropAlphaLevel, 0);
    } else {
        m_ops.setProp(w, kPropAlphaLevel, alpha);
    }
}

TimerValue ButtonSkin::startFade(Window w)
{
    if (m_ops.prop(w, kPropTimerId) != 0)
        return 0;
    const TimerValue timer = m_ops.setTimer(w, kFadeTimerId, kFadePeriodMs);
    m_ops.setProp(w, kPropTimerId, static_cast<PropValue>(timer));
    return timer;
}

int ButtonSkin::stopFade(Window w)
{
    const auto timer = static_cast<TimerValue>(m_ops.prop(w, kPropTimerId));
    if (timer == 0)
        return 0;
    m_ops.setProp(w, kPropTimerId, 0);
    return m_ops.killTimer(w, timer) ? 1 : 0;
}

void ButtonSkin::trackLeave(Window w)
{
    TrackMouseEventRequest request;
    request.flags = kTrackLeave;
    request.window = w;
    m_ops.trackMouseEvent(
        m_userTrackMouseEvent ? LeaveNoticeApi::User32 : LeaveNoticeApi::CommonControls, request);
}

void ButtonSkin::buildAtlas()
{
    releaseAtlas(m_ops, m_atlas);
    m_atlas = skin::buildAtlas(m_ops);
}

void ButtonSkin::composeFaces(Window w)
{
    skin::composeFaces(m_ops, w, m_atlas.surface);
}

} // namespace bibliora::skin
