#include "buttonskin.h"

#include "atlas.h"
#include "faces.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include <optional>

namespace bibliora::skin {

namespace {

constexpr char kHooked[] = "PROCADDR";
constexpr char kMouseFlag[] = "MOUSEFLAG";
constexpr char kTimerId[] = "TIMERID";
constexpr char kOldState[] = "OLDSTATE";
constexpr char kAlphaLevel[] = "ALPHALEVEL";

int prop(const QObject* object, const char* name)
{
    return object->property(name).toInt();
}

ButtonFace faceOf(const QObject* button)
{
    return static_cast<ButtonFace>(prop(button, kOldState));
}

// Message boxes, file dialogs and forms; not menus, tool tips or other pop-ups.
bool isForm(const QWidget* widget)
{
    return widget && widget->isWindow() &&
           (widget->windowType() == Qt::Window || widget->windowType() == Qt::Dialog);
}

// Text boxes, spin boxes and framed views and panels drawn sunken.
bool hasSunkenFrame(const QWidget* widget)
{
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget))
        return edit->hasFrame();
    if (const auto* spin = qobject_cast<const QAbstractSpinBox*>(widget))
        return spin->hasFrame();
    const auto* frame = qobject_cast<const QFrame*>(widget);
    return frame && frame->frameShape() != QFrame::NoFrame &&
           frame->frameShadow() == QFrame::Sunken && frame->frameWidth() > 0;
}

void outline(QPainter& painter, const QRect& r, const QColor& colour)
{
    painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), colour);
    painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), colour);
    painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), colour);
    painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), colour);
}

std::optional<ButtonEvent> buttonEventOf(const QWidget* button, const QEvent* event)
{
    const auto left = [event] {
        return static_cast<const QMouseEvent*>(event)->button() == Qt::LeftButton;
    };
    const auto space = [event] {
        const auto* key = static_cast<const QKeyEvent*>(event);
        // A held key repeats its press; the release that Qt pairs with each repeat is not one.
        return key->key() == Qt::Key_Space &&
               !(event->type() == QEvent::KeyRelease && key->isAutoRepeat());
    };
    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::MouseMove:
        return ButtonEvent::PointerMove;
    case QEvent::Leave:
        return ButtonEvent::Leave;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        return left() ? std::optional(ButtonEvent::LeftPress) : std::nullopt;
    case QEvent::MouseButtonRelease:
        return left() ? std::optional(ButtonEvent::LeftRelease) : std::nullopt;
    case QEvent::KeyPress:
        return space() ? std::optional(ButtonEvent::SpacePress) : std::nullopt;
    case QEvent::KeyRelease:
        return space() ? std::optional(ButtonEvent::SpaceRelease) : std::nullopt;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        return ButtonEvent::FocusChange;
    case QEvent::EnabledChange:
        return button->isEnabled() ? ButtonEvent::Enabled : ButtonEvent::Disabled;
    default:
        break;
    }
    return std::nullopt;
}

} // namespace

ButtonSkin::ButtonSkin(QObject* parent) : QObject(parent) {}

int ButtonSkin::attachSkin(QWidget* widget)
{
    if (!m_ready) {
        m_ready = true;
        m_atlas = buildAtlas();
        qApp->installEventFilter(this);
    }
    if (auto* button = qobject_cast<QPushButton*>(widget))
        return skinButton(button);
    if (!isForm(widget))
        return 0;
    for (QPushButton* button : widget->findChildren<QPushButton*>())
        if (button->window() == widget)
            skinButton(button);
    widget->update(); // the flat frames
    return hookForm(widget);
}

int ButtonSkin::detachSkin(QWidget* widget)
{
    if (auto* button = qobject_cast<QPushButton*>(widget))
        return unskinButton(button);
    if (!isForm(widget))
        return 0;
    for (QWidget* child : widget->findChildren<QWidget*>()) {
        if (auto* button = qobject_cast<QPushButton*>(child))
            unskinButton(button);
        else if (child->isWindow())
            unhookForm(child);
    }
    return unhookForm(widget);
}

int ButtonSkin::skinButton(QPushButton* button)
{
    if (!button || m_buttons.count(button))
        return 0;
    Faces& faces = m_buttons[button];
    faces.button = button;
    faces.hadMouseTracking = button->hasMouseTracking();
    button->setProperty(kMouseFlag, 0);
    button->setProperty(kTimerId, 0);
    button->setProperty(kOldState, static_cast<int>(button->isEnabled() ? ButtonFace::Normal
                                                                        : ButtonFace::Disabled));
    button->setProperty(kAlphaLevel, 0);
    button->setProperty(kHooked, 1);
    // Hot comes back on the first move after a click, with no button held.
    button->setMouseTracking(true);
    button->setMask(roundedClip(button->size()));
    connect(button, &QObject::destroyed, this, &ButtonSkin::forget);
    button->update();
    return 1;
}

int ButtonSkin::unskinButton(QPushButton* button)
{
    const auto it = m_buttons.find(button);
    if (it == m_buttons.end())
        return 0;
    stopFade(button);
    for (const char* name : {kMouseFlag, kTimerId, kOldState, kAlphaLevel, kHooked})
        button->setProperty(name, QVariant());
    button->setMouseTracking(it->second.hadMouseTracking);
    button->clearMask();
    disconnect(button, &QObject::destroyed, this, &ButtonSkin::forget);
    m_buttons.erase(it);
    button->update();
    releaseWhenUnused();
    return 1;
}

int ButtonSkin::hookForm(QWidget* window)
{
    if (!window || m_forms.contains(window))
        return 0;
    m_forms.insert(window);
    window->setProperty(kHooked, 1);
    connect(window, &QObject::destroyed, this, &ButtonSkin::forget);
    return 1;
}

int ButtonSkin::unhookForm(QWidget* window)
{
    if (!m_forms.remove(window))
        return 0;
    window->setProperty(kHooked, QVariant());
    disconnect(window, &QObject::destroyed, this, &ButtonSkin::forget);
    window->update(); // the widgets' own frames
    releaseWhenUnused();
    return 1;
}

int ButtonSkin::startFade(QPushButton* button)
{
    if (prop(button, kTimerId) != 0)
        return 0;
    const int id = startTimer(kFadePeriodMs, Qt::PreciseTimer);
    m_timers.insert(id, button);
    button->setProperty(kTimerId, id);
    return id;
}

int ButtonSkin::stopFade(QPushButton* button)
{
    const int id = prop(button, kTimerId);
    if (id == 0)
        return 0;
    button->setProperty(kTimerId, 0);
    killTimer(id);
    m_timers.remove(id);
    return 1;
}

void ButtonSkin::timerEvent(QTimerEvent* event)
{
    const auto it = m_buttons.find(m_timers.value(event->timerId()));
    if (it == m_buttons.end())
        return;
    Faces& faces = it->second;
    QPushButton* button = faces.button;
    int level = prop(button, kAlphaLevel);
    blendInto(shownPicture(faces), faces.faces[static_cast<std::size_t>(faceOf(button))], level);
    button->update();
    level += kFadeStep;
    if (level > 255) {
        stopFade(button);
        level = 0;
    }
    button->setProperty(kAlphaLevel, level);
}

bool ButtonSkin::eventFilter(QObject* watched, QEvent* event)
{
    if (!watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    const auto button = m_buttons.find(watched);
    if (button != m_buttons.end())
        return buttonEvent(button->second, event);
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::WindowActivate:
        spread(widget, event->type());
        return false;
    case QEvent::Paint:
        return paintFlatFrame(widget, event);
    default:
        return false;
    }
}

bool ButtonSkin::buttonEvent(Faces& faces, QEvent* event)
{
    QPushButton* button = faces.button;
    switch (event->type()) {
    case QEvent::Paint: {
        // Always the picture on screen now: Qt repaints a button by itself on every change of
        // hover, press or focus, and a fade must survive those repaints.
        QPainter painter(button);
        painter.drawImage(QPointF(0, 0), shownPicture(faces));
        return true;
    }
    case QEvent::Resize:
        button->setMask(roundedClip(button->size()));
        return false;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        composeFaces(faces); // the focus mark goes on or off all four faces
        break;
    default:
        break;
    }
    if (const auto look = buttonEventOf(button, event))
        change(faces, *look);
    return false;
}

void ButtonSkin::change(Faces& faces, ButtonEvent event)
{
    QPushButton* button = faces.button;
    const Transition t = transition({faceOf(button), prop(button, kMouseFlag) != 0}, event);
    button->setProperty(kOldState, static_cast<int>(t.next.face));
    button->setProperty(kMouseFlag, t.next.mouseFlag ? 1 : 0);
    if (t.atOnce) {
        shownPicture(faces) = faces.faces[static_cast<std::size_t>(t.next.face)];
        button->update();
    }
    if (t.fadeFrom != kNoFade) {
        button->setProperty(kAlphaLevel, t.fadeFrom);
        startFade(button);
    }
}

void ButtonSkin::composeFaces(Faces& faces)
{
    QPushButton* button = faces.button;
    faces.size = button->size();
    faces.ratio = button->devicePixelRatio();
    faces.caption = button->text();
    faces.font = button->font();
    for (int face = 0; face < kFaceCount; ++face)
        faces.faces[static_cast<std::size_t>(face)] =
            composeFace(m_atlas, static_cast<ButtonFace>(face), faces.size, faces.ratio,
                        faces.caption, faces.font, button->hasFocus());
}

QImage& ButtonSkin::shownPicture(Faces& faces)
{
    // A new size, screen, caption or font shows the new faces at once.
    const QPushButton* button = faces.button;
    if (faces.size != button->size() || faces.ratio != button->devicePixelRatio() ||
        faces.caption != button->text() || faces.font != button->font()) {
        composeFaces(faces);
        faces.shown = QImage();
    }
    const QImage& face = faces.faces[static_cast<std::size_t>(faceOf(button))];
    if (faces.shown.size() != face.size())
        faces.shown = face.copy();
    return faces.shown;
}

bool ButtonSkin::paintFlatFrame(QWidget* widget, QEvent* event)
{
    if (widget->isWindow() || !m_forms.contains(widget->window()) || !hasSunkenFrame(widget))
        return false;
    static_cast<QObject*>(widget)->event(event); // the widget paints itself first
    const auto* area = qobject_cast<const QAbstractScrollArea*>(widget);
    const QWidget* client = area ? area->viewport() : widget;
    const QColor background = client->palette().color(client->backgroundRole());
    QPainter painter(widget);
    const QRect r = widget->rect();
    outline(painter, r, QColor::fromRgb(widget->isEnabled() ? 0x54A5D5u : 0xCCCCCCu));
    outline(painter, r.adjusted(1, 1, -1, -1), background);
    outline(painter, r.adjusted(2, 2, -2, -2), background);
    return true;
}

void ButtonSkin::spread(QWidget* widget, QEvent::Type type)
{
    if (m_forms.isEmpty())
        return;
    if (isForm(widget))
        attachSkin(widget);
    else if (type == QEvent::Show && m_forms.contains(widget->window()))
        skinButton(qobject_cast<QPushButton*>(widget)); // added to a hooked window
}

void ButtonSkin::forget(QObject* object)
{
    for (auto it = m_timers.begin(); it != m_timers.end();) {
        if (it.value() == object) {
            killTimer(it.key());
            it = m_timers.erase(it);
        } else {
            ++it;
        }
    }
    m_buttons.erase(object);
    m_forms.remove(object);
    releaseWhenUnused();
}

void ButtonSkin::releaseWhenUnused()
{
    if (!m_buttons.empty() || !m_forms.isEmpty())
        return;
    m_atlas = QImage();
    m_ready = false;
    qApp->removeEventFilter(this);
}

} // namespace bibliora::skin
