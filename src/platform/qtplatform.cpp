#include "qtplatform.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QUrl>

namespace bibliora {

QString QtFileDialog::showFileDialog(bool isOpen, const QString& title,
                                     const QList<FileFilter>& fileFilters, int filterIndex,
                                     const QString& initialFolder, const QString& fileName,
                                     QWidget* owner, int* chosenFilter)
{
    QFileDialog dialog(owner, title, initialFolder.isEmpty() ? QDir::currentPath() : initialFolder);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(isOpen ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(isOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!isOpen)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    QStringList filters;
    for (const FileFilter& f : fileFilters)
        filters << QStringLiteral("%1 (%2)").arg(f.description, f.pattern);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty())
        dialog.selectNameFilter(filters.value(qMax(0, filterIndex - 1)));
    if (!fileName.isEmpty())
        dialog.selectFile(fileName.left(255));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    if (chosenFilter)
        *chosenFilter = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : QDir::toNativeSeparators(chosen.first());
}

MessageAnswer QtMessageBox::show(QWidget* owner, const QString& text, const QString& title,
                                 MessageButtons buttons, MessageIcon icon,
                                 MessageAnswer defaultButton)
{
    QMessageBox box(owner);
    box.setWindowTitle(title);
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box.setText(shown);
    box.setTextFormat(Qt::PlainText);
    switch (icon) {
    case MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MessageIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    if (buttons == MessageButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(defaultButton == MessageAnswer::No ? QMessageBox::No
                                                                : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    const int result = box.exec();
    if (buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;
    return result == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

bool QtShell::openFolder(QWidget*, const QString& folder)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QDir::fromNativeSeparators(folder)));
}

bool QtShell::openAddress(QWidget*, const QString& address)
{
    return QDesktopServices::openUrl(QUrl(address, QUrl::StrictMode));
}

void QtClipboard::clear()
{
    QApplication::clipboard()->clear();
}

void QtClipboard::setText(const QString& text)
{
    QApplication::clipboard()->setText(text);
}

BuildTime SystemClock::now() const
{
    const QDateTime t = QDateTime::currentDateTime();
    const QDate d = t.date();
    const QTime tm = t.time();
    return BuildTime{d.year(), d.month(), d.day(), tm.hour(), tm.minute(), tm.second()};
}

QPoint QtPopupMenu::cursorPos() const
{
    return QCursor::pos();
}

int QtPopupMenu::track(const std::vector<PopupItem>& items, const QPoint& screenPos)
{
    QMenu menu(QApplication::activeWindow());
    for (const PopupItem& item : items) {
        if (item.separator) {
            menu.addSeparator()->setData(item.command);
        } else {
            // A caption is shown as given: "&" is not taken as an access-key mark.
            QString caption = item.caption;
            caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
            menu.addAction(caption)->setData(item.command);
        }
    }
    QAction* chosen = menu.exec(screenPos);
    return chosen ? chosen->data().toInt() : 0;
}

Platform makeQtPlatform()
{
    Platform p;
    p.fileDialog = std::make_shared<QtFileDialog>();
    p.messageBox = std::make_shared<QtMessageBox>();
    p.shell = std::make_shared<QtShell>();
    p.clipboard = std::make_shared<QtClipboard>();
    p.clock = std::make_shared<SystemClock>();
    p.popupMenu = std::make_shared<QtPopupMenu>();
    return p;
}

} // namespace bibliora
