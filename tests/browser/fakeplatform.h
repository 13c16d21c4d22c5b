#pragma once

#include "platform.h"

#include <QStringList>
#include <deque>
#include <memory>

// Scripted platform services: dialogs answer from queues the test fills and every call is
// recorded, so a test drives the window like a user without a modal loop.
namespace bibliora::test {

template <typename T> T next(std::deque<T>& answers, T otherwise)
{
    if (answers.empty())
        return otherwise;
    T a = answers.front();
    answers.pop_front();
    return a;
}

struct ScriptedFileDialog final : FileDialog
{
    QString showFileDialog(bool, const QString& title, const QList<FileFilter>& f, int,
                           const QString&, const QString&, QWidget*, int* chosen) override
    {
        filters = f;
        if (chosen)
            *chosen = next(chosenFilters, 1);
        return titles << title, next(answers, QString());
    }
    QList<FileFilter> filters;
    std::deque<QString> answers;
    std::deque<int> chosenFilters; // 1-based, as the dialog reports them
    QStringList titles;
};

struct MessageCall
{
    QString text;
    QString title;
    MessageAnswer defaultButton = MessageAnswer::Ok;
};

struct ScriptedMessageBox final : MessageBox
{
    MessageAnswer show(QWidget*, const QString& text, const QString& title, MessageButtons buttons,
                       MessageIcon, MessageAnswer defaultButton) override
    {
        calls.push_back({text, title, defaultButton});
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : next(answers, defaultButton);
    }
    std::deque<MessageAnswer> answers;
    std::vector<MessageCall> calls;
};

struct RecordingShell final : Shell
{
    bool openFolder(QWidget*, const QString& folder) override { return folders << folder, true; }
    bool openAddress(QWidget*, const QString& at) override { return addresses << at, true; }
    QStringList folders;
    QStringList addresses;
};

struct RecordingClipboard final : Clipboard
{
    void clear() override { text.clear(); }
    void setText(const QString& t) override { text = t; }
    QString text;
};

struct FixedClock final : Clock
{
    BuildTime now() const override { return {2024, 1, 31, 14, 30, 5}; }
};

struct ScriptedPopupMenu final : PopupMenu
{
    QPoint cursorPos() const override { return {10, 10}; }
    int track(const std::vector<PopupItem>& items, const QPoint& at) override
    {
        shown.push_back(items);
        positions.push_back(at);
        return next(answers, 0);
    }
    std::deque<int> answers;
    std::vector<QPoint> positions;
    std::vector<std::vector<PopupItem>> shown;
};

struct FakePlatform
{
    std::shared_ptr<ScriptedFileDialog> fileDialog = std::make_shared<ScriptedFileDialog>();
    std::shared_ptr<ScriptedMessageBox> messageBox = std::make_shared<ScriptedMessageBox>();
    std::shared_ptr<RecordingShell> shell = std::make_shared<RecordingShell>();
    std::shared_ptr<RecordingClipboard> clipboard = std::make_shared<RecordingClipboard>();
    std::shared_ptr<ScriptedPopupMenu> popupMenu = std::make_shared<ScriptedPopupMenu>();

    Platform platform() const
    {
        return {fileDialog, messageBox, shell, clipboard, std::make_shared<FixedClock>(),
                popupMenu};
    }
};

} // namespace bibliora::test
