#pragma once

#include "windowops.h"

#include <QHash>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QWidget>

#include <unordered_map>
#include <vector>

namespace bibliora::skin {

// The window operations on Qt widgets. A widget is a window and its address the handle; named
// properties are the widget's dynamic properties; a window procedure is installed as an event
// filter, and the widget's own event handling is the procedure it replaces. Qt events reach
// the procedure as the messages the skin knows:
//
//   push buttons    enter and mouse move, leave (once per leave request), left button down and
//                   up, key down and up, focus in and out, enable change, resize, paint, timer
//   forms, dialogs  activation and deactivation; closing (hiding) as destruction, for the
//                   window first and its hooked descendants after it
//   other controls  paint, as the frame paint, when they have a sunken frame
//   every window    destruction
//
// A window's "whole-window surface" is the picture the widget shows: drawing on it (a fade
// step, an enable change) schedules a paint that shows the picture as it is, while a paint the
// system asks for goes to the procedure, which copies the current face into the picture.
// Frames drawn on a window surface during a paint go straight onto the widget.
class QtWindowOps final : public QObject, public WindowOps
{
    Q_OBJECT

public:
    static constexpr ProcAddr kNativeProc = 1;

    explicit QtWindowOps(QObject* parent = nullptr);
    ~QtWindowOps() override;

    Window handleOf(QWidget* widget);
    QWidget* widgetOf(Window w) const;

    std::string className(Window w) override;
    std::u16string windowText(Window w) override;
    Rect windowRect(Window w) override;
    void enumDescendants(Window w, const std::function<void(Window)>& visit) override;
    bool isEnabled(Window w) override;
    Window focusWindow() override;
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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Role
    {
        PushButton,
        Form,
        Other
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
        QFont font;
        bool hasFont = false;
        Colour text = 0;
    };
    struct Hook
    {
        ProcAddr proc = kNativeProc;
        QMetaObject::Connection destroyed;
    };
    struct Picture
    {
        QImage image;
        bool pending = false; // drawn on since the last paint; the next paint just shows it
    };
    // A Qt event on its way through a procedure as a message; passing it on delivers the
    // event to the widget once.
    struct Delivery
    {
        Window window = 0;
        Message message = 0;
        QEvent* event = nullptr;
        bool passed = false;
    };

    Role roleOf(QWidget* widget) const;
    bool translate(QWidget* widget, Window w, QEvent* event, Message& m, WParam& wp, LParam& lp);
    LResult deliver(Window w, Message m, WParam wp, LParam lp, QEvent* event, bool& passed);
    LResult ownHandling(Window w, Message m, WParam wp, LParam lp);
    void windowClosing(Window w);
    void windowDestroyed(Window w, QObject* object);
    void paintPicture(QWidget* widget, Window w);
    QImage* imageOf(Surface s);
    QImage& pictureOf(Window w);
    void drawn(Surface s);
    Surface newSurface(SurfaceRec rec);

    QHash<Window, QPointer<QWidget>> m_widgets;
    std::unordered_map<Window, Hook> m_hooks;
    std::unordered_map<Window, QObject*> m_dying;
    std::unordered_map<Window, Picture> m_pictures;
    std::unordered_map<Surface, SurfaceRec> m_surfaces;
    std::unordered_map<Bitmap, QImage> m_bitmaps;
    QSet<Window> m_ownerDrawn;
    QSet<Window> m_leaveRequested;
    std::vector<WindowProc> m_procs;
    std::vector<Delivery> m_deliveries;
    Window m_painting = 0;
    std::uintptr_t m_nextHandle = 1;
};

} // namespace bibliora::skin
