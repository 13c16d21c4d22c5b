#pragma once

#include "browserform.h"
#include "fakeplatform.h"
#include "gridcontrol.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <memory>
#include <string>

namespace bibliora::test {

// A record with the given title, ISBN and 606 subject, as GBK bytes, assembled by hand
// rather than by the builder under test. Empty values leave their field out.
std::string makeRecord(const QString& title, const QString& isbn, const QString& subject = {});
// Writes records one per line, each ending in its terminator and CR LF.
QString writeLinesFile(const QString& dir, const QString& name,
                       const std::vector<std::string>& records);
QByteArray readAll(const QString& path);
QString displayOf(std::string_view record); // the display text, lines ending CR LF

// The main window with a scripted platform, shown so that geometry and focus behave.
struct Window
{
    FakePlatform fake;
    std::unique_ptr<BrowserForm> form;

    Window();
    void load(const QString& path); // types the path into Text1 and waits for the load
    void waitForLoad() const;
    template <typename T> T* child(const char* name) const
    {
        return form->findChild<T*>(QString::fromLatin1(name));
    }
    GridControl& grid() const { return form->grid(); }
    std::string record(int row) const { return std::string(grid().recordAt(row)); }
    QPlainTextEdit* text2() const { return child<QPlainTextEdit>("Text2"); }
    QLineEdit* text1() const { return child<QLineEdit>("Text1"); }
    QLineEdit* text3() const { return child<QLineEdit>("Text3"); }
    QLabel* label1() const { return child<QLabel>("Label1"); }
    QPushButton* button(const char* name) const { return child<QPushButton>(name); }
    void click(const char* buttonName) const;
    void clickRow(int row, Qt::KeyboardModifiers modifiers = {});
    void rightClickRow(int row);
    void dragRows(int from, int to);
    QString shownText() const; // Text2, lines ending CR LF
    // What a user sees of the list in one line, so that a scenario checks it all at once:
    // records listed, the count label, the number box, NowRow, the grid's current row, and
    // whether Text2 shows NowRow's record ("its record"), nothing, or "other text".
    QString state() const;
    // The state of a list of `rows` records showing record `row`, the number box holding
    // `box` (by default the row's number).
    static QString showing(int rows, int row, const QString& box = {});
    QString lastMessage() const; // the text of the last message box, empty if none
};

} // namespace bibliora::test
