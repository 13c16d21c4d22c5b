#include "browsertestsupport.h"

#include "codec.h"
#include "isoassembler.h"

#include <QFile>
#include <QTest>

namespace bibliora::test {

static std::string gbk(const QString& s)
{
    return Gbk::encode(s.toStdU16String());
}

std::string makeRecord(const QString& title, const QString& isbn, const QString& subject)
{
    // Octal escapes: \037 is the subfield delimiter.
    std::vector<support::IsoField> fields = {{"001", "REC" + std::to_string(title.size())}};
    if (!isbn.isEmpty())
        fields.push_back({"010", "  \037a" + gbk(isbn)});
    fields.push_back({"200", "1 \037a" + gbk(title) + "\037f" + gbk(QStringLiteral("佚名"))});
    if (!subject.isEmpty())
        fields.push_back({"606", "0 \037a" + gbk(subject)});
    return support::assembleIso("00000nam0 2200000   450 ", fields);
}

QString writeLinesFile(const QString& dir, const QString& name,
                       const std::vector<std::string>& records)
{
    QFile f(dir + QLatin1Char('/') + name);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    for (const std::string& r : records)
        f.write(QByteArray::fromStdString(r) + "\r\n");
    return f.fileName();
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString displayOf(std::string_view record)
{
    return QString::fromStdU16String(formatRecordText(record));
}

Window::Window() : form(std::make_unique<BrowserForm>(fake.platform()))
{
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
}

void Window::load(const QString& path)
{
    text1()->setText(path);
    form->loadGridData();
    waitForLoad();
}

void Window::waitForLoad() const
{
    QTRY_VERIFY_WITH_TIMEOUT(!form->isLoading(), 120000);
}

void Window::click(const char* buttonName) const
{
    QTest::mouseClick(button(buttonName), Qt::LeftButton);
}

static QPoint rowCentre(GridControl& grid, int row)
{
    grid.scrollIntoView(row, 1);
    return grid.visualRect(grid.model().index(row - 1, 1)).center();
}

void Window::clickRow(int row, Qt::KeyboardModifiers modifiers)
{
    QTest::mouseClick(grid().viewport(), Qt::LeftButton, modifiers, rowCentre(grid(), row));
}

void Window::rightClickRow(int row)
{
    QTest::mouseClick(grid().viewport(), Qt::RightButton, {}, rowCentre(grid(), row));
}

void Window::dragRows(int from, int to)
{
    QWidget* viewport = grid().viewport();
    const QPoint b = rowCentre(grid(), to);
    QTest::mousePress(viewport, Qt::LeftButton, {}, rowCentre(grid(), from));
    // QTest::mouseMove does not carry the pressed button; send the move ourselves.
    QMouseEvent move(QEvent::MouseMove, b, viewport->mapToGlobal(b), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, b);
}

QString Window::shownText() const
{
    return text2()->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

QString Window::state() const
{
    const int now = form->NowRow();
    const QString text = shownText();
    const QString shows = text.isEmpty() ? QStringLiteral("nothing")
                          : now > 0 && text == displayOf(record(now))
                              ? QStringLiteral("its record")
                              : QStringLiteral("other text");
    return QStringLiteral("%1 rows %2, box %3, row %4 at %5 showing %6")
        .arg(grid().rowCount() - 1)
        .arg(label1()->text(), text3()->text())
        .arg(now)
        .arg(grid().currentRow())
        .arg(shows);
}

QString Window::showing(int rows, int row, const QString& box)
{
    return QStringLiteral("%1 rows /%1, box %2, row %3 at %3 showing its record")
        .arg(rows)
        .arg(box.isEmpty() ? QString::number(row) : box)
        .arg(row);
}

QString Window::lastMessage() const
{
    return fake.messageBox->calls.empty() ? QString() : fake.messageBox->calls.back().text;
}

} // namespace bibliora::test
