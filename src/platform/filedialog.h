#pragma once

#include <QList>
#include <QString>

class QWidget;

namespace bibliora {

struct FileFilter
{
    QString description; // "(ISO2709格式)"
    QString pattern;     // "*.ISO"
};

// The platform's open and save dialogs; the result is the chosen path, or empty when the user
// cancels. Save mode never asks about overwriting: callers ask themselves. `filterIndex` and
// `chosenFilter` count the filters from 1; 0 asks for the first. `chosenFilter`, when given,
// is set to the filter the user left chosen.
class FileDialog
{
public:
    virtual ~FileDialog() = default;
    virtual QString showFileDialog(bool isOpen, const QString& title,
                                   const QList<FileFilter>& filters, int filterIndex,
                                   const QString& initialFolder, const QString& fileName,
                                   QWidget* owner, int* chosenFilter = nullptr) = 0;
};

} // namespace bibliora
