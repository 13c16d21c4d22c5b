#pragma once

#include <cstdint>

namespace bibliora::skin {

// Handles are opaque to the skin; 0 is the null handle of every kind.
using Window = std::uintptr_t;
using Surface = std::uintptr_t;
using Bitmap = std::uintptr_t;
using FontHandle = std::intptr_t;
using ProcAddr = std::intptr_t;
using TimerValue = std::uintptr_t;

// A named window property holds one integer; an absent property reads as 0. It is as wide as
// a pointer so that surface and bitmap handles fit.
using PropValue = std::intptr_t;

using Message = std::uint32_t;
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

// 0xRRGGBB, red in the high byte.
using Colour = std::uint32_t;

// Right and bottom are exclusive.
struct Rect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    friend bool operator==(const Rect& a, const Rect& b)
    {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    }
};

// A rounded-rectangle clip as the platform's region call takes it: the region covers
// [left, right - 1) x [top, bottom - 1), its corners cut by an ellipse of ellipseWidth x
// ellipseHeight.
struct RoundRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int ellipseWidth = 0;
    int ellipseHeight = 0;

    friend bool operator==(const RoundRect& a, const RoundRect& b)
    {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom &&
               a.ellipseWidth == b.ellipseWidth && a.ellipseHeight == b.ellipseHeight;
    }
};

// The request for one leave notice.
struct TrackMouseEventRequest
{
    std::uint32_t size = 16;
    std::uint32_t flags = 0;
    Window window = 0;
    std::uint32_t hoverTime = 0;
};

enum class LeaveNoticeApi
{
    User32,         // the system library's own call
    CommonControls, // the common-controls fallback
};

namespace msg {
constexpr Message Destroy = 0x0002;
constexpr Message Size = 0x0005;
constexpr Message Activate = 0x0006;
constexpr Message SetFocus = 0x0007;
constexpr Message KillFocus = 0x0008;
constexpr Message Enable = 0x000A;
constexpr Message Paint = 0x000F;
constexpr Message GetFont = 0x0031;
constexpr Message NcPaint = 0x0085;
constexpr Message KeyDown = 0x0100;
constexpr Message KeyUp = 0x0101;
constexpr Message Timer = 0x0113;
constexpr Message MouseMove = 0x0200;
constexpr Message LButtonDown = 0x0201;
constexpr Message LButtonUp = 0x0202;
constexpr Message LButtonDblClk = 0x0203;
constexpr Message MouseLeave = 0x02A3;
constexpr Message SetButtonStyle = 0x00F4;
} // namespace msg

constexpr WParam kVirtualKeySpace = 0x20;

namespace style {
constexpr std::uint32_t ButtonTypeMask = 0x0F;
constexpr std::uint32_t PushButton = 0x00;
constexpr std::uint32_t DefPushButton = 0x01;
constexpr std::uint32_t CheckBox = 0x02;
constexpr std::uint32_t AutoCheckBox = 0x03;
constexpr std::uint32_t RadioButton = 0x04;
constexpr std::uint32_t ThreeState = 0x05;
constexpr std::uint32_t AutoThreeState = 0x06;
constexpr std::uint32_t GroupBox = 0x07;
constexpr std::uint32_t AutoRadioButton = 0x09;
constexpr std::uint32_t OwnerDraw = 0x0B;
// Clears the owner-draw bits and leaves a plain push button.
constexpr std::uint32_t ClearOwnerDrawMask = 0xFFFFFFF4;
constexpr std::uint32_t ExClientEdge = 0x200;
} // namespace style

constexpr std::uint32_t kTrackLeave = 0x00000002;
constexpr std::uint32_t kDrawTextFormat = 0x8025; // centre, vcentre, single line, end ellipsis
constexpr int kBackgroundTransparent = 1;

} // namespace bibliora::skin
