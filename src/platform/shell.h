#pragma once

#include <QString>

class QWidget;

namespace bibliora {

// Opens a folder or a web address with the desktop's own program. The target is data, never
// a command line: no shell sees it.
class Shell
{
public:
    virtual ~Shell() = default;
    virtual bool openFolder(QWidget* owner, const QString& folder) = 0;
    virtual bool openAddress(QWidget* owner, const QString& address) = 0;
};

} // namespace bibliora
