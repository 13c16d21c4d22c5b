#pragma once

#include "platform.h"

namespace bibliora {

// Qt's own file dialog (not the desktop's native one, so the whole window, buttons included,
// belongs to this process). Save mode never asks about overwriting: callers ask themselves.
class QtFileDialog final : public FileDialog
{
public:
    QString showFileDialog(bool isOpen, const QString& title, const QList<FileFilter>& filters,
                           int filterIndex, const QString& initialFolder, const QString& fileName,
                           QWidget* owner, int* chosenFilter = nullptr) override;
};

class QtMessageBox final : public MessageBox
{
public:
    MessageAnswer show(QWidget* owner, const QString& text, const QString& title,
                       MessageButtons buttons, MessageIcon icon,
                       MessageAnswer defaultButton) override;
};

class QtShell final : public Shell
{
public:
    bool openFolder(QWidget* owner, const QString& folder) override;
    bool openAddress(QWidget* owner, const QString& address) override;
};

class QtClipboard final : public Clipboard
{
public:
    void clear() override;
    void setText(const QString& text) override;
};

class SystemClock final : public Clock
{
public:
    BuildTime now() const override;
};

class QtPopupMenu final : public PopupMenu
{
public:
    QPoint cursorPos() const override;
    int track(const std::vector<PopupItem>& items, const QPoint& screenPos) override;
};

} // namespace bibliora
