// The main window offscreen on hostile files and on a disk that fills up part-way, and
// folders that reach the desktop as data, never as a command.
#include "browsertestsupport.h"
#include "hostilefiles.h"
#include "qtplatform.h"

#include <QDesktopServices>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <csignal>

#include <sys/resource.h>

using namespace bibliora;
using namespace bibliora::hostile;
using namespace bibliora::support;
using namespace bibliora::test;

namespace {

// The largest the process's address space has been, in KiB.
qint64 peakAddressSpaceKiB()
{
    const QByteArray text = readAll(QStringLiteral("/proc/self/status"));
    return text.mid(text.indexOf("VmPeak:") + 7).trimmed().split(' ').value(0).toLongLong();
}

} // namespace

class HostileWindowTest : public QObject
{
    Q_OBJECT

public slots:
    void openUrl(const QUrl& url) { m_opened << url; } // the desktop, for file: URLs

private:
    QTemporaryDir m_dir;
    QList<QUrl> m_opened;

private slots:
    void aTinyFirstRecordDoesNotSizeTheListForTheWholeFile()
    {
        // A record of two bytes, then 64 MB that hold none. Sized from the first record, the
        // list would reserve tens of millions of rows. The first test, so the peak is its own.
        const QString file = m_dir.filePath(QStringLiteral("tiny.iso"));
        writeEndless(file.toStdString(), "x\x1D");
        Window w;
        [[maybe_unused]] const qint64 before = peakAddressSpaceKiB();
        w.load(file);
        QCOMPARE(w.grid().rowCount(), 2);
#ifndef BIBLIORA_NO_MEMORY_MEASURES // a sanitizer reserves terabytes of address space
        QVERIFY2(peakAddressSpaceKiB() - before < 1024 * 1024, "a gigabyte more address space");
#endif
    }

    void anExportThatFailsPartWayNamesTheFileAndKeepsWhatWasWritten()
    {
        const QString good = writeLinesFile(m_dir.path(), QStringLiteral("good.iso"),
                                            {generated(0), generated(1), generated(2)});
        Window w;
        w.load(good);
        const QString out = m_dir.filePath(QStringLiteral("part-way.iso"));
        const qint64 room = QFileInfo(good).size() / 3;
        w.fake.fileDialog->answers = {out};
        // As on a disk that fills up: the write that would pass `room` is cut short and the
        // next fails with EFBIG (SIGXFSZ, which would end the process, is ignored meanwhile).
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const rlimit limited{rlim_t(room), old.rlim_max};
        const auto openFiles = [] { return QDir(QStringLiteral("/proc/self/fd")).count(); };
        const uint openBefore = openFiles();
        const bool limitedNow = setrlimit(RLIMIT_FSIZE, &limited) == 0;
        QTest::mouseClick(w.button("Command3"), Qt::LeftButton);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, handler);
        QVERIFY(limitedNow);
        QCOMPARE(w.fake.messageBox->calls.size(), std::size_t(1));
        const QString message = w.fake.messageBox->calls[0].text;
        QVERIFY2(message.contains(out) && message.contains(QStringLiteral("文件超过了允许的大小")),
                 qPrintable(message));
        QCOMPARE(openFiles(), openBefore); // the file is closed
        QCOMPARE(readAll(out), readAll(good).left(room));

        // Records of arbitrary bytes (but no line break and no leading blank), read whole from
        // one line each, export byte for byte.
        std::string lines;
        for (const char c : randomBytes(1u << 18, 9)) {
            lines += c == '\r' || c == '\n' || c == ' ' ? '#' : c;
            lines += c == '\x1D' ? "\r\n" : "";
        }
        const QString arbitrary =
            writeLinesFile(m_dir.path(), QStringLiteral("lines.iso"), {lines + "\x1D"});
        w.load(arbitrary);
        const QString all = m_dir.filePath(QStringLiteral("all.iso"));
        w.fake.fileDialog->answers = {all};
        QTest::mouseClick(w.button("Command3"), Qt::LeftButton);
        QVERIFY(readAll(all) == readAll(arbitrary));
    }

    void aFolderReachesTheDesktopAsExactlyThatFolder()
    {
        const QString folder = m_dir.filePath(
            QStringLiteral("a b \"dq\" 'sq'; $(touch pwned) `touch pwned` & #1 %20 ?x 文件夹"));
        QVERIFY(QDir().mkpath(folder));
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
        QtShell().openFolder(nullptr, folder);
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(folder)});
    }
};

QTEST_MAIN(HostileWindowTest)
#include "tst_hostilewindow.moc"
