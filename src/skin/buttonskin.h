#pragma once

#include "buttonstate.h"

#include <QEvent>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>

#include <array>
#include <unordered_map>

class QPushButton;
class QWidget;

namespace bibliora::skin {

// The button skin of the application. It paints every skinned push button with rounded faces
// composed from the atlas at the screen's device pixel ratio, fading from the picture shown to
// the face of each new state, and paints a flat frame over the sunken frame of the other
// widgets of a hooked window. While a hooked window lives, every window or dialog that is shown
// or activated is hooked too, however it opens; a window lets go when it is destroyed.
//
// The state of each button is kept in its dynamic properties "MOUSEFLAG", "TIMERID",
// "OLDSTATE" and "ALPHALEVEL"; "PROCADDR" is 1 on every hooked window and skinned button. The
// operations return 1 when they did something and 0 when there was nothing to do.
class ButtonSkin final : public QObject
{
    Q_OBJECT

public:
    explicit ButtonSkin(QObject* parent);

    // Skins one push button, or hooks a window with the push buttons in it (not those of the
    // windows it owns: they are hooked when they show). 1 when the widget itself was newly
    // skinned or hooked; a second call on a hooked window skins only the buttons added since.
    // The first call builds the atlas, whatever the widget is.
    int attachSkin(QWidget* widget);
    // The reverse of attachSkin, for the windows the window owns as well: a dialog open over
    // the main window lets go with it.
    int detachSkin(QWidget* widget);

    int skinButton(QPushButton* button);
    int unskinButton(QPushButton* button);
    int hookForm(QWidget* window);
    int unhookForm(QWidget* window);
    // Starts the button's 15 ms fade timer unless one runs: the timer's id, or 0.
    int startFade(QPushButton* button);
    // Stops the button's fade timer: 1 when one was running.
    int stopFade(QPushButton* button);

    bool skinReady() const { return m_ready; }
    int skinnedButtonCount() const { return static_cast<int>(m_buttons.size()); }
    int hookedFormCount() const { return static_cast<int>(m_forms.size()); }
    int fadeTimerCount() const { return static_cast<int>(m_timers.size()); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    // The faces of one button, composed for its size, device pixel ratio, caption and font,
    // and the picture it shows now: a face, or a fade on its way to one.
    struct Faces
    {
        QPushButton* button = nullptr;
        std::array<QImage, kFaceCount> faces;
        QImage shown;
        QSize size;
        qreal ratio = 0;
        QString caption;
        QFont font;
        bool hadMouseTracking = false;
    };

    bool buttonEvent(Faces& faces, QEvent* event);
    void change(Faces& faces, ButtonEvent event);
    void composeFaces(Faces& faces);
    QImage& shownPicture(Faces& faces);
    bool paintFlatFrame(QWidget* widget, QEvent* event);
    void spread(QWidget* widget, QEvent::Type type);
    void forget(QObject* object);
    void releaseWhenUnused();

    bool m_ready = false;
    QImage m_atlas;
    std::unordered_map<const QObject*, Faces> m_buttons; // references stay valid on insertion
    QSet<const QObject*> m_forms;
    QHash<int, const QObject*> m_timers;
};

} // namespace bibliora::skin
