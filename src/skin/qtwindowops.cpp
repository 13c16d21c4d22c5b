#include "qtwindowops.h"

#include "captionlayout.h"
#include "pixelops.h"
#include "roundregion.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QFontMetrics>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegion>
#include <QTimerEvent>
#include <QToolButton>

#include <algorithm>
#include <utility>

namespace bibliora::skin {

namespace {

constexpr ProcAddr kProcBase = 0x1000;

PixelView viewOf(QImage& image)
{
    return PixelView{reinterpret_cast<std::uint32_t*>(image.bits()), image.width(), image.height(),
                     static_cast<int>(image.bytesPerLine() / 4), 0xFF000000u};
}

PixelView readOnlyViewOf(const QImage& image)
{
    return PixelView{
        const_cast<std::uint32_t*>(reinterpret_cast<const std::uint32_t*>(image.constBits())),
        image.width(), image.height(), static_cast<int>(image.bytesPerLine() / 4), 0xFF000000u};
}

QImage blankImage(int width, int height, const QColor& fill)
{
    QImage image(std::max(0, width), std::max(0, height), QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

QString qstringOf(std::u16string_view text)
{
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

class QtMeasure final : public TextMeasure
{
public:
    explicit QtMeasure(const QFontMetrics& metrics) : m_metrics(metrics) {}
    int advance(std::u16string_view text) const override
    {
        return m_metrics.horizontalAdvance(qstringOf(text));
    }
    int lineHeight() const override { return m_metrics.height(); }

private:
    QFontMetrics m_metrics;
};

// A tool button that shows only text, with no menu and no raised-on-hover look, is used as a
// push button.
bool isPushLikeToolButton(const QWidget* widget)
{
    const auto* tool = qobject_cast<const QToolButton*>(widget);
    return tool && !tool->autoRaise() && tool->icon().isNull() && !tool->menu() &&
           !tool->isCheckable();
}

bool isPushButton(const QWidget* widget)
{
    return qobject_cast<const QPushButton*>(widget) || isPushLikeToolButton(widget);
}

bool isFormWindow(const QWidget* widget)
{
    const Qt::WindowType type = widget->windowType();
    return widget->isWindow() && (type == Qt::Window || type == Qt::Dialog);
}

} // namespace

QtWindowOps::QtWindowOps(QObject* parent) : QObject(parent) {}

QtWindowOps::~QtWindowOps()
{
    for (auto& [w, hook] : m_hooks) {
        disconnect(hook.destroyed);
        if (QWidget* widget = widgetOf(w))
            widget->removeEventFilter(this);
    }
}

Window QtWindowOps::handleOf(QWidget* widget)
{
    if (!widget)
        return 0;
    const auto w = reinterpret_cast<Window>(widget);
    auto it = m_widgets.find(w);
    if (it == m_widgets.end() || it.value().data() != widget) {
        if (m_widgets.size() > 512) {
            for (auto stale = m_widgets.begin(); stale != m_widgets.end();)
                stale = stale.value().isNull() ? m_widgets.erase(stale) : std::next(stale);
        }
        m_widgets.insert(w, QPointer<QWidget>(widget));
    }
    return w;
}

QWidget* QtWindowOps::widgetOf(Window w) const
{
    return m_widgets.value(w).data();
}

QtWindowOps::Role QtWindowOps::roleOf(QWidget* widget) const
{
    if (isPushButton(widget))
        return Role::PushButton;
    if (isFormWindow(widget))
        return Role::Form;
    return Role::Other;
}

std::string QtWindowOps::className(Window w)
{
    const QWidget* widget = widgetOf(w);
    if (!widget)
        return {};
    if (isPushButton(widget) || qobject_cast<const QCheckBox*>(widget) ||
        qobject_cast<const QRadioButton*>(widget))
        return "Button";
    if (isFormWindow(widget)) {
        if (const auto* dialog = qobject_cast<const QDialog*>(widget)) {
            // Dialogs of the toolkit are the system's dialogs; dialogs of our own are forms.
            const char* name = dialog->metaObject()->className();
            if (qobject_cast<const QMessageBox*>(dialog) ||
                qobject_cast<const QFileDialog*>(dialog) || name[0] == 'Q')
                return "#32770";
        }
        return "Form";
    }
    return widget->metaObject()->className();
}

std::u16string QtWindowOps::windowText(Window w)
{
    const QWidget* widget = widgetOf(w);
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text().toStdU16String();
    return widget ? widget->windowTitle().toStdU16String() : std::u16string();
}

Rect QtWindowOps::windowRect(Window w)
{
    const QWidget* widget = widgetOf(w);
    return widget ? Rect{0, 0, widget->width(), widget->height()} : Rect{};
}

void QtWindowOps::enumDescendants(Window w, const std::function<void(Window)>& visit)
{
    std::vector<Window> all;
    const std::function<void(QWidget*)> collect = [&](QWidget* parent) {
        for (QObject* child : parent->children()) {
            auto* widget = qobject_cast<QWidget*>(child);
            if (!widget || widget->isWindow())
                continue;
            all.push_back(handleOf(widget));
            collect(widget);
        }
    };
    if (QWidget* widget = widgetOf(w))
        collect(widget);
    for (Window d : all)
        visit(d);
}

bool QtWindowOps::isEnabled(Window w)
{
    const QWidget* widget = widgetOf(w);
    return widget && widget->isEnabled();
}

Window QtWindowOps::focusWindow()
{
    return handleOf(QApplication::focusWidget());
}

std::uint32_t QtWindowOps::windowStyle(Window w)
{
    const QWidget* widget = widgetOf(w);
    if (qobject_cast<const QCheckBox*>(widget))
        return style::AutoCheckBox;
    if (qobject_cast<const QRadioButton*>(widget))
        return style::AutoRadioButton;
    if (m_ownerDrawn.contains(w))
        return style::OwnerDraw;
    const auto* push = qobject_cast<const QPushButton*>(widget);
    return push && push->isDefault() ? style::DefPushButton : style::PushButton;
}

void QtWindowOps::setWindowStyle(Window w, std::uint32_t style)
{
    // Only the owner-drawn mark is kept: which button is the default one is the dialog's
    // business in Qt and is left to it.
    if ((style & style::ButtonTypeMask) == style::OwnerDraw)
        m_ownerDrawn.insert(w);
    else
        m_ownerDrawn.remove(w);
}

std::uint32_t QtWindowOps::windowExStyle(Window w)
{
    const QWidget* widget = widgetOf(w);
    if (!widget)
        return 0;
    bool sunken = false;
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget))
        sunken = edit->hasFrame();
    else if (const auto* spin = qobject_cast<const QAbstractSpinBox*>(widget))
        sunken = spin->hasFrame();
    else if (const auto* frame = qobject_cast<const QFrame*>(widget))
        sunken = frame->frameShape() != QFrame::NoFrame && frame->frameShadow() == QFrame::Sunken &&
                 frame->frameWidth() > 0;
    return sunken ? style::ExClientEdge : 0;
}

ProcAddr QtWindowOps::registerProc(WindowProc proc)
{
    m_procs.push_back(std::move(proc));
    return kProcBase + static_cast<ProcAddr>(m_procs.size()) - 1;
}

ProcAddr QtWindowOps::setWindowProc(Window w, ProcAddr proc)
{
    QWidget* widget = widgetOf(w);
    auto it = m_hooks.find(w);
    const ProcAddr previous = it == m_hooks.end() ? kNativeProc : it->second.proc;
    if (proc == kNativeProc || proc == 0) {
        if (it != m_hooks.end()) {
            disconnect(it->second.destroyed);
            if (widget)
                widget->removeEventFilter(this);
            m_hooks.erase(it);
            m_pictures.erase(w);
            m_leaveRequested.remove(w);
        }
    } else if (it != m_hooks.end()) {
        it->second.proc = proc;
    } else if (widget) {
        Hook hook;
        hook.proc = proc;
        hook.destroyed = connect(widget, &QObject::destroyed, this,
                                 [this, w](QObject* object) { windowDestroyed(w, object); });
        m_hooks.emplace(w, hook);
        widget->installEventFilter(this);
    } else {
        return 0;
    }
    return previous;
}

LResult QtWindowOps::callWindowProc(ProcAddr proc, Window w, Message m, WParam wp, LParam lp)
{
    const ProcAddr index = proc - kProcBase;
    if (index >= 0 && index < static_cast<ProcAddr>(m_procs.size()))
        return m_procs[static_cast<std::size_t>(index)](w, m, wp, lp);
    if (proc == kNativeProc)
        return ownHandling(w, m, wp, lp);
    return 0;
}

LResult QtWindowOps::defWindowProc(Window w, Message m, WParam wp, LParam lp)
{
    return ownHandling(w, m, wp, lp);
}

// The widget's own handling: the event being delivered, once; or, for a message the skin
// sends itself, what a window of the toolkit makes of it.
LResult QtWindowOps::ownHandling(Window w, Message m, WParam wp, LParam lp)
{
    if (!m_deliveries.empty()) {
        Delivery& d = m_deliveries.back();
        if (d.window == w && d.message == m && d.event) {
            if (d.passed)
                return 0;
            d.passed = true;
            QObject* widget = widgetOf(w);
            return widget && widget->event(d.event) ? 1 : 0;
        }
    }
    QWidget* widget = widgetOf(w);
    switch (m) {
    case msg::SetButtonStyle:
        setWindowStyle(w, static_cast<std::uint32_t>(wp));
        if (lp && widget)
            widget->update();
        return 0;
    case msg::GetFont:
        return widget ? static_cast<LResult>(w) : 0;
    case msg::NcPaint:
        if (widget)
            widget->update();
        return 0;
    default:
        return 0;
    }
}

LResult QtWindowOps::sendMessage(Window w, Message m, WParam wp, LParam lp)
{
    bool passed = false;
    return deliver(w, m, wp, lp, nullptr, passed);
}

LResult QtWindowOps::deliver(Window w, Message m, WParam wp, LParam lp, QEvent* event, bool& passed)
{
    auto it = m_hooks.find(w);
    const ProcAddr proc = it == m_hooks.end() ? kNativeProc : it->second.proc;
    m_deliveries.push_back(Delivery{w, m, event, false});
    const LResult result = callWindowProc(proc, w, m, wp, lp);
    passed = m_deliveries.back().passed;
    m_deliveries.pop_back();
    return result;
}

void QtWindowOps::setProp(Window w, std::string_view name, PropValue value)
{
    if (QWidget* widget = widgetOf(w))
        widget->setProperty(std::string(name).c_str(), QVariant::fromValue<qlonglong>(value));
}

PropValue QtWindowOps::prop(Window w, std::string_view name)
{
    QObject* object = widgetOf(w);
    if (!object) {
        auto dying = m_dying.find(w);
        if (dying == m_dying.end())
            return 0;
        object = dying->second;
    }
    const QVariant value = object->property(std::string(name).c_str());
    return value.isValid() ? static_cast<PropValue>(value.toLongLong()) : 0;
}

void QtWindowOps::removeProp(Window w, std::string_view name)
{
    if (QWidget* widget = widgetOf(w))
        widget->setProperty(std::string(name).c_str(), QVariant());
}

void QtWindowOps::setWindowRegion(Window w, const std::optional<RoundRect>& region, bool redraw)
{
    QWidget* widget = widgetOf(w);
    if (!widget)
        return;
    if (region) {
        QRegion mask;
        for (const Span& span : roundRectSpans(*region))
            mask += QRect(span.left, span.y, span.right - span.left, 1);
        widget->setMask(mask);
    } else {
        widget->clearMask();
    }
    if (redraw)
        widget->update();
}

void QtWindowOps::invalidate(Window w)
{
    if (QWidget* widget = widgetOf(w))
        widget->update();
}

TimerValue QtWindowOps::setTimer(Window w, std::uintptr_t, unsigned periodMs)
{
    QWidget* widget = widgetOf(w);
    if (!widget)
        return 0;
    const int id = widget->startTimer(static_cast<int>(periodMs), Qt::PreciseTimer);
    return id > 0 ? static_cast<TimerValue>(id) : 0;
}

bool QtWindowOps::killTimer(Window w, TimerValue value)
{
    // A widget being destroyed loses its timers with it.
    if (QWidget* widget = widgetOf(w))
        widget->killTimer(static_cast<int>(value));
    return true;
}

bool QtWindowOps::libraryExports(std::string_view, std::string_view)
{
    // Qt reports every leave; the request only chooses which one becomes a leave notice.
    return true;
}

void QtWindowOps::trackMouseEvent(LeaveNoticeApi, const TrackMouseEventRequest& request)
{
    if (request.flags & kTrackLeave)
        m_leaveRequested.insert(request.window);
}

Surface QtWindowOps::newSurface(SurfaceRec rec)
{
    const Surface s = m_nextHandle++;
    m_surfaces.emplace(s, std::move(rec));
    return s;
}

Surface QtWindowOps::windowSurface(Window w)
{
    SurfaceRec rec;
    rec.kind = SurfaceKind::WindowContext;
    rec.window = w;
    return newSurface(rec);
}

Surface QtWindowOps::clientSurface(Window w)
{
    return windowSurface(w);
}

void QtWindowOps::releaseSurface(Window, Surface s)
{
    auto it = m_surfaces.find(s);
    if (it != m_surfaces.end() && it->second.kind == SurfaceKind::WindowContext)
        m_surfaces.erase(it);
}

Surface QtWindowOps::beginPaint(Window w)
{
    SurfaceRec rec;
    rec.kind = SurfaceKind::PaintContext;
    rec.window = w;
    return newSurface(rec);
}

void QtWindowOps::endPaint(Window, Surface s)
{
    auto it = m_surfaces.find(s);
    if (it != m_surfaces.end() && it->second.kind == SurfaceKind::PaintContext)
        m_surfaces.erase(it);
}

Surface QtWindowOps::createDisplaySurface()
{
    SurfaceRec rec;
    rec.kind = SurfaceKind::Display;
    return newSurface(rec);
}

Surface QtWindowOps::createCompatibleSurface(Surface)
{
    const Bitmap initial = m_nextHandle++;
    m_bitmaps.emplace(initial, blankImage(1, 1, Qt::black));
    SurfaceRec rec;
    rec.bitmap = initial;
    return newSurface(rec);
}

Bitmap QtWindowOps::createCompatibleBitmap(Surface, int width, int height)
{
    const Bitmap b = m_nextHandle++;
    m_bitmaps.emplace(b, blankImage(width, height, Qt::black));
    return b;
}

Bitmap QtWindowOps::selectBitmap(Surface s, Bitmap b)
{
    auto it = m_surfaces.find(s);
    if (it == m_surfaces.end() || it->second.kind != SurfaceKind::Memory || !m_bitmaps.count(b))
        return 0;
    return std::exchange(it->second.bitmap, b);
}

void QtWindowOps::deleteBitmap(Bitmap b)
{
    m_bitmaps.erase(b);
}

void QtWindowOps::deleteSurface(Surface s)
{
    auto it = m_surfaces.find(s);
    if (it != m_surfaces.end() &&
        (it->second.kind == SurfaceKind::Memory || it->second.kind == SurfaceKind::Display))
        m_surfaces.erase(it);
}

QImage& QtWindowOps::pictureOf(Window w)
{
    Picture& picture = m_pictures[w];
    const QWidget* widget = widgetOf(w);
    const QSize size = widget ? widget->size() : QSize();
    if (picture.image.size() != size) {
        picture.image = blankImage(size.width(), size.height(),
                                   widget ? widget->palette().color(QPalette::Window) : Qt::black);
        picture.pending = false;
    }
    return picture.image;
}

QImage* QtWindowOps::imageOf(Surface s)
{
    auto it = m_surfaces.find(s);
    if (it == m_surfaces.end())
        return nullptr;
    switch (it->second.kind) {
    case SurfaceKind::Memory: {
        auto b = m_bitmaps.find(it->second.bitmap);
        return b == m_bitmaps.end() ? nullptr : &b->second;
    }
    case SurfaceKind::WindowContext:
    case SurfaceKind::PaintContext:
        return widgetOf(it->second.window) ? &pictureOf(it->second.window) : nullptr;
    case SurfaceKind::Display:
        break;
    }
    return nullptr;
}

// After drawing on a window's picture outside a paint, show it with the next paint.
void QtWindowOps::drawn(Surface s)
{
    auto it = m_surfaces.find(s);
    if (it == m_surfaces.end() || it->second.kind != SurfaceKind::WindowContext)
        return;
    const Window w = it->second.window;
    if (w == m_painting)
        return;
    if (QWidget* widget = widgetOf(w)) {
        m_pictures[w].pending = true;
        widget->update();
    }
}

void QtWindowOps::setPixel(Surface s, int x, int y, Colour c)
{
    if (QImage* image = imageOf(s)) {
        PixelView view = viewOf(*image);
        if (view.contains(x, y))
            view.put(x, y, c);
        drawn(s);
    }
}

void QtWindowOps::copy(Surface dst, int dx, int dy, int w, int h, Surface src, int sx, int sy)
{
    QImage* from = imageOf(src);
    QImage* to = imageOf(dst);
    if (!from || !to)
        return;
    PixelView view = viewOf(*to);
    copyPixels(view, dx, dy, w, h, readOnlyViewOf(*from), sx, sy);
    drawn(dst);
}

void QtWindowOps::stretch(Surface dst, int dx, int dy, int dw, int dh, Surface src, int sx, int sy,
                          int sw, int sh)
{
    QImage* from = imageOf(src);
    QImage* to = imageOf(dst);
    if (!from || !to)
        return;
    PixelView view = viewOf(*to);
    stretchPixels(view, dx, dy, dw, dh, readOnlyViewOf(*from), sx, sy, sw, sh);
    drawn(dst);
}

void QtWindowOps::alphaBlend(Surface dst, int dx, int dy, int w, int h, Surface src, int sx, int sy,
                             int alpha)
{
    QImage* from = imageOf(src);
    QImage* to = imageOf(dst);
    if (!from || !to)
        return;
    PixelView view = viewOf(*to);
    blendPixels(view, dx, dy, w, h, readOnlyViewOf(*from), sx, sy, alpha);
    drawn(dst);
}

FontHandle QtWindowOps::selectFont(Surface s, FontHandle font)
{
    auto it = m_surfaces.find(s);
    const QWidget* widget = widgetOf(static_cast<Window>(font));
    if (it == m_surfaces.end() || !widget)
        return 0;
    it->second.font = widget->font();
    it->second.hasFont = true;
    return 0;
}

void QtWindowOps::setTextColour(Surface s, Colour c)
{
    auto it = m_surfaces.find(s);
    if (it != m_surfaces.end())
        it->second.text = c;
}

void QtWindowOps::setBackgroundMode(Surface, int)
{
    // Text is always drawn without a background.
}

void QtWindowOps::drawText(Surface s, std::u16string_view text, const Rect& rect, std::uint32_t)
{
    auto it = m_surfaces.find(s);
    QImage* image = imageOf(s);
    if (it == m_surfaces.end() || !image || image->isNull() || rect.width() <= 0 ||
        rect.height() <= 0)
        return;
    QPainter painter(image);
    painter.setFont(it->second.hasFont ? it->second.font : QApplication::font());
    painter.setPen(QColor::fromRgb(static_cast<QRgb>(it->second.text)));
    painter.setClipRect(QRect(rect.left, rect.top, rect.width(), rect.height()));
    const QFontMetrics metrics = painter.fontMetrics();
    const QtMeasure measure(metrics);
    const CaptionLayout layout = layoutCaption(text, rect, measure);
    const int baseline = layout.y + metrics.ascent();
    painter.drawText(QPoint(layout.x, baseline), qstringOf(layout.shown));
    if (layout.accessKey >= 0) {
        const std::u16string_view shown = layout.shown;
        const auto key = static_cast<std::size_t>(layout.accessKey);
        const std::size_t length =
            key + 1 < shown.size() && shown[key] >= 0xD800 && shown[key] <= 0xDBFF ? 2 : 1;
        const int from = layout.x + measure.advance(shown.substr(0, key));
        const int to = from + measure.advance(shown.substr(key, length));
        const int y = baseline + std::max(1, metrics.underlinePos());
        painter.fillRect(QRect(from, y, to - from, std::max(1, metrics.lineWidth())),
                         painter.pen().color());
    }
    painter.end();
    drawn(s);
}

void QtWindowOps::drawFocusRect(Surface s, const Rect& rect)
{
    if (QImage* image = imageOf(s)) {
        PixelView view = viewOf(*image);
        invertDottedOutline(view, rect);
        drawn(s);
    }
}

void QtWindowOps::frameRect(Surface s, const Rect& rect, Colour c)
{
    auto it = m_surfaces.find(s);
    if (it == m_surfaces.end())
        return;
    if (it->second.kind == SurfaceKind::Memory) {
        if (QImage* image = imageOf(s)) {
            PixelView view = viewOf(*image);
            outlinePixels(view, rect, c);
        }
        return;
    }
    // Frames of controls are drawn over what the control painted, during its paint.
    QWidget* widget = widgetOf(it->second.window);
    if (!widget || it->second.window != m_painting || rect.width() <= 0 || rect.height() <= 0)
        return;
    QPainter painter(widget);
    const QColor colour = QColor::fromRgb(static_cast<QRgb>(c));
    const QRect r(rect.left, rect.top, rect.width(), rect.height());
    painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), colour);
    painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), colour);
    painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), colour);
    painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), colour);
}

Colour QtWindowOps::backgroundColour(Surface s)
{
    auto it = m_surfaces.find(s);
    const QWidget* widget = it == m_surfaces.end() ? nullptr : widgetOf(it->second.window);
    if (!widget)
        return 0xFFFFFF;
    if (const auto* area = qobject_cast<const QAbstractScrollArea*>(widget))
        widget = area->viewport();
    return static_cast<Colour>(widget->palette().color(widget->backgroundRole()).rgb()) & 0xFFFFFFu;
}

bool QtWindowOps::translate(QWidget* widget, Window w, QEvent* event, Message& m, WParam& wp,
                            LParam& lp)
{
    switch (roleOf(widget)) {
    case Role::PushButton:
        switch (event->type()) {
        case QEvent::Enter:
        case QEvent::MouseMove:
            m = msg::MouseMove;
            return widget->isEnabled();
        case QEvent::Leave:
            m = msg::MouseLeave;
            return m_leaveRequested.remove(w);
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
            m = event->type() == QEvent::MouseButtonPress ? msg::LButtonDown : msg::LButtonUp;
            return static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            const auto* key = static_cast<QKeyEvent*>(event);
            // The system repeats only the key-down of a held key.
            if (event->type() == QEvent::KeyRelease && key->isAutoRepeat())
                return false;
            m = event->type() == QEvent::KeyPress ? msg::KeyDown : msg::KeyUp;
            wp = static_cast<WParam>(key->key());
            return true;
        }
        case QEvent::FocusIn:
            m = msg::SetFocus;
            return true;
        case QEvent::FocusOut:
            m = msg::KillFocus;
            return true;
        case QEvent::EnabledChange:
            m = msg::Enable;
            wp = widget->isEnabled() ? 1 : 0;
            return true;
        case QEvent::Resize:
            m = msg::Size;
            lp = static_cast<LParam>((widget->height() << 16) | (widget->width() & 0xFFFF));
            return true;
        case QEvent::Paint:
            m = msg::Paint;
            return true;
        case QEvent::Timer:
            m = msg::Timer;
            wp = static_cast<WParam>(static_cast<QTimerEvent*>(event)->timerId());
            return true;
        default:
            return false;
        }
    case Role::Form:
        if (event->type() == QEvent::WindowActivate) {
            // The window that loses the activation still holds the focus at this point.
            const QWidget* focus = QApplication::focusWidget();
            QWidget* other = focus ? focus->window() : nullptr;
            m = msg::Activate;
            wp = 1;
            lp = static_cast<LParam>(
                other && other != widget && other->isVisible() ? handleOf(other) : 0);
            return true;
        }
        if (event->type() == QEvent::WindowDeactivate) {
            QWidget* other = QApplication::activeWindow();
            m = msg::Activate;
            wp = 0;
            lp = static_cast<LParam>(
                other && other != widget && other->isVisible() ? handleOf(other) : 0);
            return true;
        }
        return false;
    case Role::Other:
        if (event->type() == QEvent::Paint && (windowExStyle(w) & style::ExClientEdge)) {
            m = msg::NcPaint;
            wp = 1;
            return true;
        }
        return false;
    }
    return false;
}

bool QtWindowOps::eventFilter(QObject* watched, QEvent* event)
{
    if (!watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    const auto w = reinterpret_cast<Window>(widget);
    if (!m_hooks.count(w))
        return false;

    // A window that closes is gone as far as the skin is concerned.
    if (event->type() == QEvent::Hide && !event->spontaneous() && roleOf(widget) == Role::Form) {
        windowClosing(w);
        return false;
    }

    if (event->type() == QEvent::Paint && roleOf(widget) == Role::PushButton) {
        auto picture = m_pictures.find(w);
        if (picture != m_pictures.end() && picture->second.pending &&
            picture->second.image.size() == widget->size()) {
            picture->second.pending = false;
            paintPicture(widget, w);
            return true;
        }
    }

    Message m = 0;
    WParam wp = 0;
    LParam lp = 0;
    if (!translate(widget, w, event, m, wp, lp))
        return false;

    const Window paintingBefore = m_painting;
    if (event->type() == QEvent::Paint)
        m_painting = w;
    bool passed = false;
    deliver(w, m, wp, lp, event, passed);
    m_painting = paintingBefore;

    if (m == msg::Paint) {
        if (!passed) {
            m_pictures[w].pending = false;
            paintPicture(widget, w);
        }
        return true;
    }
    return passed;
}

void QtWindowOps::paintPicture(QWidget* widget, Window w)
{
    auto picture = m_pictures.find(w);
    if (picture == m_pictures.end() || picture->second.image.isNull())
        return;
    QPainter painter(widget);
    painter.drawImage(0, 0, picture->second.image);
}

void QtWindowOps::windowClosing(Window w)
{
    std::vector<Window> order{w};
    enumDescendants(w, [&](Window d) { order.push_back(d); });
    for (Window d : order)
        if (m_hooks.count(d))
            sendMessage(d, msg::Destroy, 0, 0);
}

void QtWindowOps::windowDestroyed(Window w, QObject* object)
{
    if (!m_hooks.count(w))
        return;
    // Its properties can still be read; nothing is drawn or changed on it any more.
    m_dying[w] = object;
    sendMessage(w, msg::Destroy, 0, 0);
    m_dying.erase(w);
    m_hooks.erase(w);
    m_pictures.erase(w);
    m_ownerDrawn.remove(w);
    m_leaveRequested.remove(w);
    m_widgets.remove(w);
}

} // namespace bibliora::skin
