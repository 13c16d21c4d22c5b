#pragma once

#include "browserform.h"
#include "fakeplatform.h"
#include "gridcontrol.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <memory>
#include <string>

namespace bibliora::test {

// A record with the given title and ISBN, as GBK bytes, built by hand (not by the builder
// under test).
std::string makeRecord(const QString& title, const QString& isbn, const QString& extra = {});

// Writes records one per line, each ending in its terminator and CR LF.
QString writeLinesFile(const QString& dir, const QString& name, const std::vector<std::string>& records);
QByteArray readAll(const QString& path);

// A window with a scripted platform; shown, so that geometry and focus behave.
struct Window {
    FakePlatform fake;
    std::unique_ptr<BrowserForm> form;

    Window();
    ~Window();
    void load(const QString& path);

    template <typename T> T* child(const char* name) const
    {
        return form->findChild<T*>(QString::fromLatin1(name));
    }
    GridControl& grid() const { return form->grid(); }
    QPlainTextEdit* text2() const { return child<QPlainTextEdit>("Text2"); }
    QLineEdit* text1() const { return child<QLineEdit>("Text1"); }
    QLineEdit* text3() const { return child<QLineEdit>("Text3"); }
    QLabel* label1() const { return child<QLabel>("Label1"); }
    QPushButton* button(const char* name) const { return child<QPushButton>(name); }

    void clickRow(int row, Qt::KeyboardModifiers modifiers = {});
    void rightClickRow(int row);
    void dragRows(int from, int to);
    QString shownText() const; // Text2 with its line breaks as CR LF
};

QString displayOf(const std::string& record); // formatRecordText, CR LF
QString toQ(const std::u16string& s);

} // namespace bibliora::test
