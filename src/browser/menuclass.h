#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>

namespace bibliora {

class PopupMenu;

// Shows a popup menu at the pointer, built from a list of captions, and returns the 1-based
// position of the chosen entry (separators count), 0 when dismissed. An entry that is "-"
// once trimmed of blanks is a separator.
class menuClass final
{
public:
    explicit menuClass(PopupMenu& platform) : m_platform(platform) {}

    int Popup(const QStringList& param);
    // The same at a screen position, for a menu opened from the keyboard.
    int Popup(const QStringList& param, QPoint at);
    // The caption chosen by the last Popup, trimmed, cut to 254 bytes of code page 936;
    // empty when nothing was chosen.
    QString SelMenuString() const { return m_selMenuString; }

private:
    PopupMenu& m_platform;
    QString m_selMenuString;
};

} // namespace bibliora
