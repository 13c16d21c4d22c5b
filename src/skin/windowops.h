#pragma once

#include "windowtypes.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace bibliora::skin {

using WindowProc = std::function<LResult(Window, Message, WParam, LParam)>;

// The window and drawing services the skin is written against. One implementation applies
// the skin to real widgets, another keeps everything in memory for tests. No result is
// checked by the skin: a failing call simply has no effect.
class WindowOps
{
public:
    virtual ~WindowOps() = default;

    // Windows.
    virtual std::string className(Window w) = 0;
    virtual std::u16string windowText(Window w) = 0;
    virtual Rect windowRect(Window w) = 0;
    // Every descendant (children, grandchildren, ...), once each; separate top-level windows
    // owned by `w` are not descendants.
    virtual void enumDescendants(Window w, const std::function<void(Window)>& visit) = 0;
    virtual bool isEnabled(Window w) = 0;
    virtual Window focusWindow() = 0;
    virtual std::uint32_t windowStyle(Window w) = 0;
    virtual void setWindowStyle(Window w, std::uint32_t style) = 0;
    virtual std::uint32_t windowExStyle(Window w) = 0;

    // Window procedures. `registerProc` gives a procedure an address that can be installed;
    // `setWindowProc` installs one and returns the one it replaces.
    virtual ProcAddr registerProc(WindowProc proc) = 0;
    virtual ProcAddr setWindowProc(Window w, ProcAddr proc) = 0;
    virtual LResult callWindowProc(ProcAddr proc, Window w, Message m, WParam wp, LParam lp) = 0;
    virtual LResult defWindowProc(Window w, Message m, WParam wp, LParam lp) = 0;
    // Delivers a message through the window's current procedure and returns its result.
    virtual LResult sendMessage(Window w, Message m, WParam wp, LParam lp) = 0;

    // Named properties.
    virtual void setProp(Window w, std::string_view name, PropValue value) = 0;
    virtual PropValue prop(Window w, std::string_view name) = 0;
    virtual void removeProp(Window w, std::string_view name) = 0;

    // Clip region (nullopt removes it) and invalidation.
    virtual void setWindowRegion(Window w, const std::optional<RoundRect>& region, bool redraw) = 0;
    virtual void invalidate(Window w) = 0;

    // Window timers, delivered as msg::Timer with the timer's value in wParam.
    virtual TimerValue setTimer(Window w, std::uintptr_t id, unsigned periodMs) = 0;
    virtual bool killTimer(Window w, TimerValue value) = 0;

    // Leave notices.
    virtual bool libraryExports(std::string_view library, std::string_view symbol) = 0;
    virtual void trackMouseEvent(LeaveNoticeApi api, const TrackMouseEventRequest& request) = 0;

    // Drawing contexts of a window: the whole window, the client area, a paint.
    virtual Surface windowSurface(Window w) = 0;
    virtual Surface clientSurface(Window w) = 0;
    virtual void releaseSurface(Window w, Surface s) = 0;
    virtual Surface beginPaint(Window w) = 0;
    virtual void endPaint(Window w, Surface s) = 0;

    // Off-screen surfaces and bitmaps. A new surface has a 1 x 1 initial bitmap selected.
    virtual Surface createDisplaySurface() = 0;
    virtual Surface createCompatibleSurface(Surface like) = 0;
    virtual Bitmap createCompatibleBitmap(Surface like, int width, int height) = 0;
    virtual Bitmap selectBitmap(Surface s, Bitmap b) = 0; // returns the bitmap it replaces
    virtual void deleteBitmap(Bitmap b) = 0;
    virtual void deleteSurface(Surface s) = 0;

    // Pixels. Copies and stretches replace the destination; stretching repeats or drops
    // pixels and never smooths. The blend lays the source over the destination with one
    // constant alpha: d = s * alpha / 255 + d * (255 - alpha) / 255 per channel.
    virtual void setPixel(Surface s, int x, int y, Colour c) = 0;
    virtual void copy(Surface dst, int dx, int dy, int w, int h, Surface src, int sx, int sy) = 0;
    virtual void stretch(Surface dst, int dx, int dy, int dw, int dh, Surface src, int sx, int sy,
                         int sw, int sh) = 0;
    virtual void alphaBlend(Surface dst, int dx, int dy, int w, int h, Surface src, int sx, int sy,
                            int alpha) = 0;

    // Text and marks.
    virtual FontHandle selectFont(Surface s, FontHandle font) = 0;
    virtual void setTextColour(Surface s, Colour c) = 0;
    virtual void setBackgroundMode(Surface s, int mode) = 0;
    // `format` is kDrawTextFormat: one line, centred both ways, an ellipsis at the end when it
    // does not fit, "&" marking the access key and "&&" one "&". Clipped to `rect`.
    virtual void drawText(Surface s, std::u16string_view text, const Rect& rect,
                          std::uint32_t format) = 0;
    // A dotted rectangle drawn by inverting every other pixel of its outline.
    virtual void drawFocusRect(Surface s, const Rect& rect) = 0;
    // A one-pixel outline of `rect` in a solid colour.
    virtual void frameRect(Surface s, const Rect& rect, Colour c) = 0;
    virtual Colour backgroundColour(Surface s) = 0;
};

} // namespace bibliora::skin
