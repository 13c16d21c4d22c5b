#pragma once

#include "platform.h"

#include <QStringList>
#include <deque>
#include <memory>

// Scripted platform services: every dialog answers from a queue the test fills, and every
// call is recorded, so a test can drive the window like a user without a modal loop.
namespace bibliora::test {

struct FileDialogCall {
    bool isOpen = false;
    QString title;
    QString filter;
};

class ScriptedFileDialog final : public FileDialog
{
public:
    QString showFileDialog(bool isOpen, const QString& title, const QString& filter, int, int,
                           const QString&, const QString&, QWidget*) override
    {
        calls.push_back({isOpen, title, filter});
        if (answers.empty())
            return {};
        QString answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::deque<QString> answers;
    std::vector<FileDialogCall> calls;
};

struct MessageCall {
    QString text;
    QString title;
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::Information;
    MessageAnswer defaultButton = MessageAnswer::Ok;
};

class ScriptedMessageBox final : public MessageBox
{
public:
    MessageAnswer show(QWidget*, const QString& text, const QString& title, MessageButtons buttons,
                       MessageIcon icon, MessageAnswer defaultButton) override
    {
        calls.push_back({text, title, buttons, icon, defaultButton});
        if (buttons == MessageButtons::Ok)
            return MessageAnswer::Ok;
        if (answers.empty())
            return defaultButton;
        MessageAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::deque<MessageAnswer> answers;
    std::vector<MessageCall> calls;
};

class RecordingShell final : public Shell
{
public:
    bool openFolder(QWidget*, const QString& folder) override
    {
        folders << folder;
        return true;
    }
    bool openAddress(QWidget*, const QString& address) override
    {
        addresses << address;
        return true;
    }
    QStringList folders;
    QStringList addresses;
};

class RecordingClipboard final : public Clipboard
{
public:
    void clear() override
    {
        text.clear();
        ++clears;
    }
    void setText(const QString& t) override { text = t; }
    QString text;
    int clears = 0;
};

class FixedClock final : public Clock
{
public:
    BuildTime now() const override { return time; }
    BuildTime time{2024, 1, 31, 14, 30, 5};
};

class ScriptedPopupMenu final : public PopupMenu
{
public:
    QPoint cursorPos() const override { return {10, 10}; }
    int track(const std::vector<PopupItem>& items, const QPoint&) override
    {
        shown.push_back(items);
        if (answers.empty())
            return 0;
        int a = answers.front();
        answers.pop_front();
        return a;
    }
    std::deque<int> answers;
    std::vector<std::vector<PopupItem>> shown;
};

struct FakePlatform {
    std::shared_ptr<ScriptedFileDialog> fileDialog = std::make_shared<ScriptedFileDialog>();
    std::shared_ptr<ScriptedMessageBox> messageBox = std::make_shared<ScriptedMessageBox>();
    std::shared_ptr<RecordingShell> shell = std::make_shared<RecordingShell>();
    std::shared_ptr<RecordingClipboard> clipboard = std::make_shared<RecordingClipboard>();
    std::shared_ptr<FixedClock> clock = std::make_shared<FixedClock>();
    std::shared_ptr<ScriptedPopupMenu> popupMenu = std::make_shared<ScriptedPopupMenu>();

    Platform platform() const
    {
        return Platform{fileDialog, messageBox, shell, clipboard, clock, popupMenu};
    }
};

} // namespace bibliora::test
