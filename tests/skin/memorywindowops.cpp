#include "memorywindowops.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace bibliora::skin::test {

namespace {

constexpr ProcAddr kProcBase = 0x1000;

class FixedMeasure final : public TextMeasure
{
public:
    int advance(std::u16string_view text) const override
    {
        int units = 0;
        for (char16_t c : text)
            if (c < 0xDC00 || c > 0xDFFF)
                ++units;
        return units * MemoryWindowOps::kCellWidth;
    }
    int lineHeight() const override { return MemoryWindowOps::kLineHeight; }
};

} // namespace

MemoryImage::MemoryImage(int w, int h, Colour fill)
    : width(std::max(0, w)), height(std::max(0, h)),
      pixels(static_cast<std::size_t>(width * height), fill)
{
}

Colour MemoryImage::at(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        throw std::out_of_range("pixel outside the image");
    return pixels[static_cast<std::size_t>(y * width + x)];
}

PixelView MemoryImage::view()
{
    return PixelView{pixels.data(), width, height, width, 0};
}

PixelView MemoryImage::view() const
{
    return PixelView{const_cast<std::uint32_t*>(pixels.data()), width, height, width, 0};
}

MemoryWindowOps::WindowRec& MemoryWindowOps::rec(Window w)
{
    auto it = m_windows.find(w);
    if (it == m_windows.end())
        throw std::out_of_range("no such window");
    return it->second;
}

const MemoryWindowOps::WindowRec& MemoryWindowOps::rec(Window w) const
{
    auto it = m_windows.find(w);
    if (it == m_windows.end())
        throw std::out_of_range("no such window");
    return it->second;
}

Window MemoryWindowOps::createWindow(const WindowSpec& spec)
{
    const Window w = m_nextHandle++;
    WindowRec r;
    r.spec = spec;
    r.screen = MemoryImage(spec.width, spec.height, spec.background);
    r.font = static_cast<FontHandle>(0x7000 + w);
    m_windows.emplace(w, std::move(r));
    if (spec.parent)
        rec(spec.parent).children.push_back(w);
    return w;
}

void MemoryWindowOps::collect(Window w, std::vector<Window>& out) const
{
    for (Window c : rec(w).children) {
        out.push_back(c);
        collect(c, out);
    }
}

void MemoryWindowOps::destroyWindow(Window w)
{
    std::vector<Window> all{w};
    collect(w, all);
    for (Window d : all)
        sendMessage(d, msg::Destroy, 0, 0);
    if (const Window parent = rec(w).spec.parent) {
        auto& siblings = rec(parent).children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), w), siblings.end());
    }
    for (Window d : all) {
        m_windows.erase(d);
        m_leaveRequested.erase(d);
        for (auto it = m_timers.begin(); it != m_timers.end();)
            it = it->first == d ? m_timers.erase(it) : std::next(it);
        if (m_focus == d)
            m_focus = 0;
    }
}

void MemoryWindowOps::setFocus(Window w)
{
    const Window old = m_focus;
    m_focus = w;
    if (old && exists(old))
        sendMessage(old, msg::KillFocus, w, 0);
    if (w)
        sendMessage(w, msg::SetFocus, old, 0);
}

void MemoryWindowOps::enable(Window w, bool enabled)
{
    rec(w).spec.enabled = enabled;
    sendMessage(w, msg::Enable, enabled ? 1 : 0, 0);
}

void MemoryWindowOps::resize(Window w, int width, int height)
{
    WindowRec& r = rec(w);
    r.spec.width = width;
    r.spec.height = height;
    r.screen = MemoryImage(width, height, r.spec.background);
    sendMessage(w, msg::Size, 0, static_cast<LParam>((height << 16) | width));
}

void MemoryWindowOps::setText(Window w, std::u16string text)
{
    rec(w).spec.text = std::move(text);
}

bool MemoryWindowOps::leave(Window w)
{
    if (m_leaveRequested.erase(w) == 0)
        return false;
    sendMessage(w, msg::MouseLeave, 0, 0);
    return true;
}

int MemoryWindowOps::tick()
{
    const std::vector<std::pair<Window, TimerValue>> due(m_timers.begin(), m_timers.end());
    int delivered = 0;
    for (const auto& [w, value] : due)
        if (m_timers.count({w, value})) {
            sendMessage(w, msg::Timer, value, 0);
            ++delivered;
        }
    return delivered;
}

int MemoryWindowOps::runTimers(int limit)
{
    int ticks = 0;
    while (!m_timers.empty()) {
        if (ticks == limit)
            return -1;
        tick();
        ++ticks;
    }
    return ticks;
}

const MemoryImage& MemoryWindowOps::screen(Window w) const
{
    return rec(w).screen;
}

const MemoryImage* MemoryWindowOps::image(Surface s) const
{
    auto it = m_surfaces.find(s);
    if (it == m_surfaces.end())
        return nullptr;
    if (it->second.kind == SurfaceKind::Memory) {
        auto b = m_bitmaps.find(it->second.bitmap);
        return b == m_bitmaps.end() ? nullptr : &b->second;
    }
    return it->second.window ? &rec(it->second.window).screen : nullptr;
}

const std::vector<Message>& MemoryWindowOps::nativeLog(Window w) const
{
    return rec(w).log;
}

void MemoryWindowOps::clearLogs()
{
    for (auto& [w, r] : m_windows)
        r.log.clear();
    defaultLog.clear();
}

int MemoryWindowOps::timersOn(Window w) const
{
    return static_cast<int>(std::count_if(m_timers.begin(), m_timers.end(),
                                          [w](const auto& t) { return t.first == w; }));
}

const std::optional<RoundRect>& MemoryWindowOps::region(Window w) const
{
    return rec(w).region;
}

int MemoryWindowOps::invalidations(Window w) const
{
    return rec(w).invalidations;
}

ProcAddr MemoryWindowOps::procOf(Window w) const
{
    return rec(w).proc;
}

std::map<std::string, PropValue, std::less<>> MemoryWindowOps::props(Window w) const
{
    return rec(w).props;
}

std::size_t MemoryWindowOps::liveSurfaces() const
{
    return static_cast<std::size_t>(
        std::count_if(m_surfaces.begin(), m_surfaces.end(), [](const auto& s) {
            return s.second.kind == SurfaceKind::Memory || s.second.kind == SurfaceKind::Display;
        }));
}

std::size_t MemoryWindowOps::openContexts() const
{
    return static_cast<std::size_t>(
        std::count_if(m_surfaces.begin(), m_surfaces.end(), [](const auto& s) {
            return s.second.kind == SurfaceKind::WindowContext ||
                   s.second.kind == SurfaceKind::PaintContext;
        }));
}

LResult MemoryWindowOps::native(Window w, Message m, WParam wp, LParam)
{
    WindowRec& r = rec(w);
    r.log.push_back(m);
    LResult result = 0;
    switch (m) {
    case msg::SetButtonStyle:
        r.spec.style = (r.spec.style & 0xFFFF0000u) | static_cast<std::uint32_t>(wp & 0xFFFFu);
        break;
    case msg::GetFont:
        result = r.font;
        break;
    case msg::NcPaint:
        if (r.spec.exStyle & style::ExClientEdge) {
            PixelView v = r.screen.view();
            outlinePixels(v, Rect{0, 0, r.spec.width, r.spec.height}, kSunkenEdge);
            outlinePixels(v, Rect{1, 1, r.spec.width - 1, r.spec.height - 1}, kSunkenEdge);
        }
        break;
    case msg::Paint: {
        PixelView v = r.screen.view();
        fillPixels(v, Rect{0, 0, r.spec.width, r.spec.height}, kNativeFace);
        break;
    }
    default:
        break;
    }
    if (afterNative)
        afterNative(w, m);
    return result;
}

std::string MemoryWindowOps::className(Window w)
{
    return exists(w) ? rec(w).spec.className : std::string();
}

std::u16string MemoryWindowOps::windowText(Window w)
{
    return rec(w).spec.text;
}

Rect MemoryWindowOps::windowRect(Window w)
{
    const WindowRec& r = rec(w);
    return Rect{0, 0, r.spec.width, r.spec.height};
}

void MemoryWindowOps::enumDescendants(Window w, const std::function<void(Window)>& visit)
{
    std::vector<Window> all;
    collect(w, all);
    for (Window d : all)
        visit(d);
}

bool MemoryWindowOps::isEnabled(Window w)
{
    return rec(w).spec.enabled;
}

std::uint32_t MemoryWindowOps::windowStyle(Window w)
{
    return rec(w).spec.style;
}

void MemoryWindowOps::setWindowStyle(Window w, std::uint32_t style)
{
    rec(w).spec.style = style;
}

std::uint32_t MemoryWindowOps::windowExStyle(Window w)
{
    return rec(w).spec.exStyle;
}

ProcAddr MemoryWindowOps::registerProc(WindowProc proc)
{
    m_procs.push_back(std::move(proc));
    return kProcBase + static_cast<ProcAddr>(m_procs.size()) - 1;
}

ProcAddr MemoryWindowOps::setWindowProc(Window w, ProcAddr proc)
{
    return std::exchange(rec(w).proc, proc);
}

LResult MemoryWindowOps::callWindowProc(ProcAddr proc, Window w, Message m, WParam wp, LParam lp)
{
    if (proc == kNativeProc)
        return native(w, m, wp, lp);
    const ProcAddr index = proc - kProcBase;
    if (index >= 0 && index < static_cast<ProcAddr>(m_procs.size()))
        return m_procs[static_cast<std::size_t>(index)](w, m, wp, lp);
    return 0;
}

LResult MemoryWindowOps::defWindowProc(Window, Message m, WParam, LParam)
{
    defaultLog.push_back(m);
    return 0;
}

LResult MemoryWindowOps::sendMessage(Window w, Message m, WParam wp, LParam lp)
{
    return callWindowProc(rec(w).proc, w, m, wp, lp);
}

void MemoryWindowOps::setProp(Window w, std::string_view name, PropValue value)
{
    rec(w).props[std::string(name)] = value;
}

PropValue MemoryWindowOps::prop(Window w, std::string_view name)
{
    const auto& props = rec(w).props;
    auto it = props.find(name);
    return it == props.end() ? 0 : it->second;
}

void MemoryWindowOps::removeProp(Window w, std::string_view name)
{
    auto& props = rec(w).props;
    auto it = props.find(name);
    if (it != props.end())
        props.erase(it);
}

void MemoryWindowOps::setWindowRegion(Window w, const std::optional<RoundRect>& region, bool)
{
    rec(w).region = region;
}

void MemoryWindowOps::invalidate(Window w)
{
    ++rec(w).invalidations;
}

TimerValue MemoryWindowOps::setTimer(Window w, std::uintptr_t id, unsigned)
{
    m_timers.insert({w, id});
    return id;
}

bool MemoryWindowOps::killTimer(Window w, TimerValue value)
{
    return m_timers.erase({w, value}) != 0;
}

bool MemoryWindowOps::libraryExports(std::string_view library, std::string_view symbol)
{
    return exportsTrackMouseEvent && library == "User32" && symbol == "TrackMouseEvent";
}

void MemoryWindowOps::trackMouseEvent(LeaveNoticeApi api, const TrackMouseEventRequest& request)
{
    leaveRequests.emplace_back(api, request);
    if (request.flags & kTrackLeave)
        m_leaveRequested.insert(request.window);
}

Surface MemoryWindowOps::windowSurface(Window w)
{
    const Surface s = m_nextHandle++;
    m_surfaces[s] = SurfaceRec{SurfaceKind::WindowContext, w, 0, 0, 0, 2};
    return s;
}

Surface MemoryWindowOps::clientSurface(Window w)
{
    return windowSurface(w);
}

void MemoryWindowOps::releaseSurface(Window, Surface s)
{
    auto it = m_surfaces.find(s);
    if (it != m_surfaces.end() && it->second.kind == SurfaceKind::WindowContext)
        m_surfaces.erase(it);
}

Surface MemoryWindowOps::beginPaint(Window w)
{
    const Surface s = m_nextHandle++;
    m_surfaces[s] = SurfaceRec{SurfaceKind::PaintContext, w, 0, 0, 0, 2};
    return s;
}

void MemoryWindowOps::endPaint(Window, Surface s)
{
    auto it = m_surfaces.find(s);
    if (it != m_surfaces.end() && it->second.kind == SurfaceKind::PaintContext)
        m_surfaces.erase(it);
}

Surface MemoryWindowOps::createDisplaySurface()
{
    const Surface s = m_nextHandle++;
    m_surfaces[s] = SurfaceRec{SurfaceKind::Display, 0, 0, 0, 0, 2};
    return s;
}

Surface MemoryWindowOps::createCompatibleSurface(Surface)
{
    const Surface s = m_nextHandle++;
    const Bitmap initial = m_nextHandle++;
    m_bitmaps[initial] = MemoryImage(1, 1, 0);
    m_surfaces[s] = SurfaceRec{SurfaceKind::Memory, 0, initial, 0, 0, 2};
    return s;
}

Bitmap MemoryWindowOps::createCompatibleBitmap(Surface, int width, int height)
{
    const Bitmap b = m_nextHandle++;
    m_bitmaps[b] = MemoryImage(width, height, 0);
    return b;
}

Bitmap MemoryWindowOps::selectBitmap(Surface s, Bitmap b)
{
    auto it = m_surfaces.find(s);
    if (it == m_surfaces.end() || it->second.kind != SurfaceKind::Memory || !m_bitmaps.count(b))
        return 0;
    return std::exchange(it->second.bitmap, b);
}

void MemoryWindowOps::deleteBitmap(Bitmap b)
{
    m_bitmaps.erase(b);
}

void MemoryWindowOps::deleteSurface(Surface s)
{
    auto it = m_surfaces.find(s);
    if (it != m_surfaces.end() &&
        (it->second.kind == SurfaceKind::Memory || it->second.kind == SurfaceKind::Display))
        m_surfaces.erase(it);
}

MemoryImage* MemoryWindowOps::target(Surface s)
{
    return const_cast<MemoryImage*>(image(s));
}

void MemoryWindowOps::setPixel(Surface s, int x, int y, Colour c)
{
    if (MemoryImage* img = target(s)) {
        PixelView v = img->view();
        if (v.contains(x, y))
            v.put(x, y, c);
    }
}

void MemoryWindowOps::copy(Surface dst, int dx, int dy, int w, int h, Surface src, int sx, int sy)
{
    MemoryImage* d = target(dst);
    const MemoryImage* s = image(src);
    if (d && s) {
        PixelView dv = d->view();
        copyPixels(dv, dx, dy, w, h, s->view(), sx, sy);
    }
}

void MemoryWindowOps::stretch(Surface dst, int dx, int dy, int dw, int dh, Surface src, int sx,
                              int sy, int sw, int sh)
{
    MemoryImage* d = target(dst);
    const MemoryImage* s = image(src);
    if (d && s) {
        PixelView dv = d->view();
        stretchPixels(dv, dx, dy, dw, dh, s->view(), sx, sy, sw, sh);
    }
}

void MemoryWindowOps::alphaBlend(Surface dst, int dx, int dy, int w, int h, Surface src, int sx,
                                 int sy, int alpha)
{
    MemoryImage* d = target(dst);
    const MemoryImage* s = image(src);
    if (d && s) {
        PixelView dv = d->view();
        blendPixels(dv, dx, dy, w, h, s->view(), sx, sy, alpha);
    }
}

FontHandle MemoryWindowOps::selectFont(Surface s, FontHandle font)
{
    auto it = m_surfaces.find(s);
    return it == m_surfaces.end() ? 0 : std::exchange(it->second.font, font);
}

void MemoryWindowOps::setTextColour(Surface s, Colour c)
{
    auto it = m_surfaces.find(s);
    if (it != m_surfaces.end())
        it->second.text = c;
}

void MemoryWindowOps::setBackgroundMode(Surface s, int mode)
{
    auto it = m_surfaces.find(s);
    if (it != m_surfaces.end())
        it->second.backgroundMode = mode;
}

void MemoryWindowOps::drawText(Surface s, std::u16string_view text, const Rect& rect, std::uint32_t)
{
    auto it = m_surfaces.find(s);
    MemoryImage* img = target(s);
    if (it == m_surfaces.end() || !img)
        return;
    const FixedMeasure measure;
    TextDraw draw{s, it->second.text, rect, layoutCaption(text, rect, measure)};
    // Each visible character is a solid block inside its cell; the access key is underlined
    // on the line's last row. Everything is clipped to the box.
    auto plot = [&](int x, int y) {
        if (x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom &&
            x < img->width && y < img->height && x >= 0 && y >= 0)
            img->pixels[static_cast<std::size_t>(y * img->width + x)] = draw.colour;
    };
    int cell = 0;
    for (std::size_t i = 0; i < draw.layout.shown.size(); ++i) {
        const char16_t c = draw.layout.shown[i];
        if (c >= 0xDC00 && c <= 0xDFFF)
            continue;
        const int x0 = draw.layout.x + cell * kCellWidth;
        if (c != u' ')
            for (int y = 1; y < kLineHeight - 2; ++y)
                for (int x = 1; x < kCellWidth - 1; ++x)
                    plot(x0 + x, draw.layout.y + y);
        if (static_cast<int>(i) == draw.layout.accessKey)
            for (int x = 0; x < kCellWidth; ++x)
                plot(x0 + x, draw.layout.y + kLineHeight - 1);
        ++cell;
    }
    textDraws.push_back(std::move(draw));
}

void MemoryWindowOps::drawFocusRect(Surface s, const Rect& rect)
{
    if (MemoryImage* img = target(s)) {
        PixelView v = img->view();
        invertDottedOutline(v, rect);
    }
}

void MemoryWindowOps::frameRect(Surface s, const Rect& rect, Colour c)
{
    if (MemoryImage* img = target(s)) {
        PixelView v = img->view();
        outlinePixels(v, rect, c);
    }
}

Colour MemoryWindowOps::backgroundColour(Surface s)
{
    auto it = m_surfaces.find(s);
    if (it == m_surfaces.end() || !it->second.window)
        return 0xFFFFFF;
    return rec(it->second.window).spec.background;
}

} // namespace bibliora::skin::test
