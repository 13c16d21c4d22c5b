#pragma once

#include "captionlayout.h"
#include "pixelops.h"
#include "roundregion.h"
#include "windowops.h"

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace bibliora::skin::test {

struct MemoryImage
{
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    MemoryImage() = default;
    MemoryImage(int w, int h, Colour fill);
    Colour at(int x, int y) const;
    PixelView view();
    PixelView view() const;
};

// Windows, procedures, properties, timers and pixel surfaces held in memory. Events are driven
// by the test; a window's own procedure logs what it receives and imitates the few things the
// skin relies on (button styles, fonts, a sunken edge, painting itself).
class MemoryWindowOps final : public WindowOps
{
public:
    static constexpr ProcAddr kNativeProc = 1;
    static constexpr Colour kNativeFace = 0xF0F0F0; // what a window paints by itself
    static constexpr Colour kSunkenEdge = 0x808080; // a window's own sunken edge
    // The text renderer: every character cell is 6 pixels wide, lines are 10 pixels high.
    static constexpr int kCellWidth = 6;
    static constexpr int kLineHeight = 10;

    struct WindowSpec
    {
        std::string className;
        Window parent = 0;
        int width = 75;
        int height = 23;
        std::u16string text;
        std::uint32_t style = 0;
        std::uint32_t exStyle = 0;
        bool enabled = true;
        Colour background = 0xFFFFFF;
    };

    struct TextDraw
    {
        Surface surface = 0;
        Colour colour = 0;
        Rect box;
        CaptionLayout layout;
    };

    Window createWindow(const WindowSpec& spec);
    // The window receives the destroy message first and its descendants after it; then all
    // of them are gone.
    void destroyWindow(Window w);
    bool exists(Window w) const { return m_windows.count(w) != 0; }

    // Events.
    LResult send(Window w, Message m, WParam wp = 0, LParam lp = 0)
    {
        return sendMessage(w, m, wp, lp);
    }
    void setFocus(Window w);
    void enable(Window w, bool enabled);
    void resize(Window w, int width, int height);
    void setText(Window w, std::u16string text);
    // Delivers the leave notice if one was requested for `w`; true when it was.
    bool leave(Window w);
    // One timer period: a timer message for every running timer. Returns how many.
    int tick();
    // Ticks until no timer runs; the number of ticks, or -1 past `limit`.
    int runTimers(int limit = 10000);

    // Inspection.
    const MemoryImage& screen(Window w) const;
    const MemoryImage* image(Surface s) const;
    const std::vector<Message>& nativeLog(Window w) const;
    void clearLogs();
    std::vector<Message> defaultLog;
    int timersOn(Window w) const;
    std::size_t runningTimers() const { return m_timers.size(); }
    const std::optional<RoundRect>& region(Window w) const;
    int invalidations(Window w) const;
    ProcAddr procOf(Window w) const;
    std::map<std::string, PropValue, std::less<>> props(Window w) const;
    std::size_t liveSurfaces() const;
    std::size_t liveBitmaps() const { return m_bitmaps.size(); }
    std::size_t openContexts() const;

    bool exportsTrackMouseEvent = true;
    std::vector<std::pair<LeaveNoticeApi, TrackMouseEventRequest>> leaveRequests;
    std::vector<TextDraw> textDraws;
    // Called by a window's own procedure after it handled a message.
    std::function<void(Window, Message)> afterNative;

    // WindowOps.
    std::string className(Window w) override;
    std::u16string windowText(Window w) override;
    Rect windowRect(Window w) override;
    void enumDescendants(Window w, const std::function<void(Window)>& visit) override;
    bool isEnabled(Window w) override;
    Window focusWindow() override { return m_focus; }
    std::uint32_t windowStyle(Window w) override;
    void setWindowStyle(Window w, std::uint32_t style) override;
    std::uint32_t windowExStyle(Window w) override;
    ProcAddr registerProc(WindowProc proc) override;
    ProcAddr setWindowProc(Window w, ProcAddr proc) override;
    LResult callWindowProc(ProcAddr proc, Window w, Message m, WParam wp, LParam lp) override;
    LResult defWindowProc(Window w, Message m, WParam wp, LParam lp) override;
    LResult sendMessage(Window w, Message m, WParam wp, LParam lp) override;
    void setProp(Window w, std::string_view name, PropValue value) override;
    PropValue prop(Window w, std::string_view name) override;
    void removeProp(Window w, std::string_view name) override;
    void setWindowRegion(Window w, const std::optional<RoundRect>& region, bool redraw) override;
    void invalidate(Window w) override;
    TimerValue setTimer(Window w, std::uintptr_t id, unsigned periodMs) override;
    bool killTimer(Window w, TimerValue value) override;
    bool libraryExports(std::string_view library, std::string_view symbol) override;
    void trackMouseEvent(LeaveNoticeApi api, const TrackMouseEventRequest& request) override;
    Surface windowSurface(Window w) override;
    Surface clientSurface(Window w) override;
    void releaseSurface(Window w, Surface s) override;
    Surface beginPaint(Window w) override;
    void endPaint(Window w, Surface s) override;
    Surface createDisplaySurface() override;
    Surface createCompatibleSurface(Surface like) override;
    Bitmap createCompatibleBitmap(Surface like, int width, int height) override;
    Bitmap selectBitmap(Surface s, Bitmap b) override;
    void deleteBitmap(Bitmap b) override;
    void deleteSurface(Surface s) override;
    void setPixel(Surface s, int x, int y, Colour c) override;
    void copy(Surface dst, int dx, int dy, int w, int h, Surface src, int sx, int sy) override;
    void stretch(Surface dst, int dx, int dy, int dw, int dh, Surface src, int sx, int sy, int sw,
                 int sh) override;
    void alphaBlend(Surface dst, int dx, int dy, int w, int h, Surface src, int sx, int sy,
                    int alpha) override;
    FontHandle selectFont(Surface s, FontHandle font) override;
    void setTextColour(Surface s, Colour c) override;
    void setBackgroundMode(Surface s, int mode) override;
    void drawText(Surface s, std::u16string_view text, const Rect& rect,
                  std::uint32_t format) override;
    void drawFocusRect(Surface s, const Rect& rect) override;
    void frameRect(Surface s, const Rect& rect, Colour c) override;
    Colour backgroundColour(Surface s) override;

private:
    struct WindowRec
    {
        WindowSpec spec;
        std::vector<Window> children;
        std::map<std::string, PropValue, std::less<>> props;
        ProcAddr proc = kNativeProc;
        std::optional<RoundRect> region;
        MemoryImage screen;
        FontHandle font = 0;
        int invalidations = 0;
        std::vector<Message> log;
    };
    enum class SurfaceKind
    {
        Memory,
        Display,
        WindowContext,
        PaintContext
    };
    struct SurfaceRec
    {
        SurfaceKind kind = SurfaceKind::Memory;
        Window window = 0;
        Bitmap bitmap = 0;
        FontHandle font = 0;
        Colour text = 0;
        int backgroundMode = 2;
    };

    WindowRec& rec(Window w);
    const WindowRec& rec(Window w) const;
    LResult native(Window w, Message m, WParam wp, LParam lp);
    MemoryImage* target(Surface s);
    void collect(Window w, std::vector<Window>& out) const;

    std::map<Window, WindowRec> m_windows;
    std::map<Surface, SurfaceRec> m_surfaces;
    std::map<Bitmap, MemoryImage> m_bitmaps;
    std::vector<WindowProc> m_procs;
    std::set<std::pair<Window, TimerValue>> m_timers;
    std::set<Window> m_leaveRequested;
    Window m_focus = 0;
    std::uintptr_t m_nextHandle = 0x100;
};

} // namespace bibliora::skin::test
