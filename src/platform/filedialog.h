#pragma once

#include <QString>

class QWidget;

namespace bibliora {

// The platform's open and save dialogs. The filter is "description|pattern|description|pattern";
// the result is the chosen path, or empty when the user cancels.
class FileDialog
{
public:
    virtual ~FileDialog() = default;
    virtual QString showFileDialog(bool isOpen, const QString& title, const QString& filter,
                                   int filterIndex, int flags, const QString& initialFolder,
                                   const QString& fileName, QWidget* owner) = 0;
};

} // namespace bibliora
