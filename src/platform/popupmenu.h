#pragma once

#include <QPoint>
#include <QString>
#include <vector>

namespace bibliora {

struct PopupItem
{
    int command = 0; // returned when chosen
    QString caption; // empty for a separator
    bool separator = false;
};

// A modal popup menu at a screen position; returns the chosen item's command, 0 for none.
class PopupMenu
{
public:
    virtual ~PopupMenu() = default;
    virtual QPoint cursorPos() const = 0;
    virtual int track(const std::vector<PopupItem>& items, const QPoint& screenPos) = 0;
};

} // namespace bibliora
