#pragma once

#include "captionlayout.h"
#include "pixelops.h"
#include "windowops.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace bibliora::skin::test {

struct Image
{
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    PixelView lastView{};

    Image(int w = 0, int h = 0) : width(w), height(h), pixels(std::size_t(w) * std::size_t(h)) {}
    Colour at(int x, int y) const { return pixels.at(std::size_t(y * width + x)); }
    PixelView& view() { return lastView = PixelView{pixels.data(), width, height, width, 0}; }
};

// Windows, procedures, properties, timers and pixel surfaces held in memory; the test drives
// every event. A window's own procedure logs what it receives and keeps the button style.
// A caption is drawn as one solid block, 6 pixels a character and 10 high, in the text colour.
class MemoryWindowOps final : public WindowOps, private TextMeasure
{
public:
    static constexpr ProcAddr kNativeProc = 1;

    struct Win
    {
        std::string cls;
        Window parent = 0;
        Image screen{}; // what the window shows; its size is the window's
        std::u16string text{};
        std::uint32_t style = 0;
        std::map<std::string, PropValue, std::less<>> props{};
        ProcAddr proc = kNativeProc;
        std::optional<RoundRect> region{};
        std::vector<Message> log{};
    };

    std::map<Window, Win> windows;
    // A drawing context of a window, or an off-screen surface with the bitmap selected into it.
    std::map<Surface, std::pair<Window, Bitmap>> surfaces;
    std::map<Bitmap, Image> bitmaps;
    std::set<std::pair<Window, TimerValue>> timers;
    std::u16string lastCaption; // as last shown
    Colour textColour = 0;
    Window focus = 0;

    Win& win(Window w) { return windows.at(w); }
    Window createWindow(std::string cls, Window parent, int w, int h, std::u16string text = {},
                        std::uint32_t style = 0)
    {
        return add(windows, Win{std::move(cls), parent, Image(w, h), std::move(text), style});
    }
    void send(Window w, Message m, WParam p = 0, LParam l = 0) { sendMessage(w, m, p, l); }
    // Ticks until no timer runs, `most` times at most: the number of ticks.
    int runTimers(int most = 1000)
    {
        int ticks = 0;
        for (; !timers.empty() && ticks < most; ++ticks)
            for (const auto& t : std::set(timers))
                if (timers.count(t))
                    sendMessage(t.first, msg::Timer, t.second, 0);
        return ticks;
    }
    Image* image(Surface s)
    {
        const auto [window, bitmap] = surfaces.at(s);
        return window ? &win(window).screen : &bitmaps.at(bitmap);
    }

    std::string className(Window w) override { return win(w).cls; }
    std::u16string windowText(Window w) override { return win(w).text; }
    Rect windowRect(Window w) override { return {0, 0, win(w).screen.width, win(w).screen.height}; }
    void enumDescendants(Window w, const std::function<void(Window)>& visit) override
    {
        for (const auto& [d, dw] : windows)
            if (dw.parent == w) {
                visit(d);
                enumDescendants(d, visit);
            }
    }
    bool isEnabled(Window) override { return true; }
    Window focusWindow() override { return focus; }
    std::uint32_t windowStyle(Window w) override { return win(w).style; }
    void setWindowStyle(Window w, std::uint32_t style) override { win(w).style = style; }
    std::uint32_t windowExStyle(Window) override { return 0; }

    ProcAddr registerProc(WindowProc proc) override { return ProcAddr(add(m_procs, proc)); }
    ProcAddr setWindowProc(Window w, ProcAddr p) override { return std::exchange(win(w).proc, p); }
    LResult callWindowProc(ProcAddr proc, Window w, Message m, WParam wp, LParam lp) override
    {
        if (proc != kNativeProc)
            return m_procs.at(std::uintptr_t(proc))(w, m, wp, lp);
        win(w).log.push_back(m);
        if (m == msg::SetButtonStyle)
            win(w).style = (win(w).style & 0xFFFF0000u) | std::uint32_t(wp & 0xFFFFu);
        return 0;
    }
    LResult defWindowProc(Window, Message, WParam, LParam) override { return 0; }
    LResult sendMessage(Window w, Message m, WParam wp, LParam lp) override
    {
        return callWindowProc(win(w).proc, w, m, wp, lp);
    }

    void setProp(Window w, std::string_view n, PropValue v) override
    {
        win(w).props[std::string(n)] = v;
    }
    PropValue prop(Window w, std::string_view n) override
    {
        return win(w).props.count(n) ? win(w).props.find(n)->second : 0;
    }
    void removeProp(Window w, std::string_view n) override { win(w).props.erase(std::string(n)); }
    void setWindowRegion(Window w, const std::optional<RoundRect>& r, bool) override
    {
        win(w).region = r;
    }
    void invalidate(Window) override {}

    // Like the widget timers, every timer started gets a value of its own.
    TimerValue setTimer(Window w, std::uintptr_t, unsigned) override
    {
        return timers.insert({w, m_next++}).first->second;
    }
    bool killTimer(Window w, TimerValue v) override { return timers.erase({w, v}) != 0; }
    bool libraryExports(std::string_view, std::string_view) override { return true; }
    void trackMouseEvent(LeaveNoticeApi, const TrackMouseEventRequest&) override {}

    Surface windowSurface(Window w) override { return add(surfaces, std::pair{w, Bitmap(0)}); }
    Surface clientSurface(Window w) override { return windowSurface(w); }
    void releaseSurface(Window, Surface s) override { surfaces.erase(s); }
    Surface beginPaint(Window w) override { return windowSurface(w); }
    void endPaint(Window, Surface s) override { surfaces.erase(s); }
    // The screen's own context: nothing may be drawn on it, and it owns no bitmap.
    Surface createDisplaySurface() override { return add(surfaces, std::pair<Window, Bitmap>{}); }
    Surface createCompatibleSurface(Surface) override
    {
        return add(surfaces, std::pair{Window(0), createCompatibleBitmap(0, 1, 1)});
    }
    Bitmap createCompatibleBitmap(Surface, int w, int h) override
    {
        return add(bitmaps, Image(w, h));
    }
    Bitmap selectBitmap(Surface s, Bitmap b) override
    {
        return std::exchange(surfaces.at(s).second, b);
    }
    void deleteBitmap(Bitmap b) override { bitmaps.erase(b); }
    void deleteSurface(Surface s) override { surfaces.erase(s); }

    void setPixel(Surface s, int x, int y, Colour c) override { image(s)->view().put(x, y, c); }
    void copy(Surface dst, int dx, int dy, int w, int h, Surface src, int sx, int sy) override
    {
        copyPixels(image(dst)->view(), dx, dy, w, h, image(src)->view(), sx, sy);
    }
    void stretch(Surface dst, int dx, int dy, int dw, int dh, Surface src, int sx, int sy, int sw,
                 int sh) override
    {
        stretchPixels(image(dst)->view(), dx, dy, dw, dh, image(src)->view(), sx, sy, sw, sh);
    }
    void alphaBlend(Surface dst, int dx, int dy, int w, int h, Surface src, int sx, int sy,
                    int alpha) override
    {
        blendPixels(image(dst)->view(), dx, dy, w, h, image(src)->view(), sx, sy, alpha);
    }

    FontHandle selectFont(Surface, FontHandle) override { return 0; }
    void setTextColour(Surface, Colour c) override { textColour = c; }
    void setBackgroundMode(Surface, int) override {}
    void drawText(Surface s, std::u16string_view text, const Rect& r, std::uint32_t) override
    {
        const CaptionLayout l = layoutCaption(text, r, *this);
        lastCaption = l.shown;
        fillPixels(image(s)->view(),
                   {std::max(l.x, r.left), std::max(l.y, r.top), std::min(l.x + l.width, r.right),
                    std::min(l.y + 10, r.bottom)},
                   textColour);
    }
    void drawFocusRect(Surface s, const Rect& r) override
    {
        invertDottedOutline(image(s)->view(), r);
    }
    void frameRect(Surface, const Rect&, Colour) override {}
    Colour backgroundColour(Surface) override { return 0xFFFFFF; }

private:
    int advance(std::u16string_view t) const override { return 6 * int(t.size()); }
    int lineHeight() const override { return 10; }
    template <class Map, class Value> std::uintptr_t add(Map& map, Value value)
    {
        map.emplace(m_next, std::move(value));
        return m_next++;
    }

    std::map<std::uintptr_t, WindowProc> m_procs;
    std::uintptr_t m_next = 0x100;
};

} // namespace bibliora::skin::test
