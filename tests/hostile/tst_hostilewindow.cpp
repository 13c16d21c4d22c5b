// The main window on hostile input and failing disks, offscreen: every file opens without a
// crash or a hang and leaves a window that still loads, shows and exports; an export that
// fails names the file and the reason and changes nothing; paths reach the desktop as data.
#include "browsertestsupport.h"
#include "codec.h"
#include "filesizelimit.h"
#include "hostilefiles.h"
#include "openfiles.h"
#include "qtplatform.h"

#include <QDesktopServices>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <map>
#include <optional>

using namespace bibliora;
using namespace bibliora::hostile;
using namespace bibliora::test;

namespace {

QString toQString(const std::filesystem::path& path)
{
    return QString::fromStdString(path.string());
}

// Everything of a window that a failed command must leave as it was.
struct WindowState
{
    QStringList cells;
    std::vector<std::uint32_t> colours;
    std::vector<std::string> records;
    std::int32_t nowRow = 0;
    QString text2;
    QString text3;
    QString label1;

    static WindowState of(const Window& w)
    {
        WindowState s;
        GridControl& grid = w.grid();
        for (int r = 0; r < grid.rowCount(); ++r) {
            for (int c = 0; c < 3; ++c) {
                s.cells << grid.cellText(r, c);
                s.colours.push_back(grid.cellTextColour(r, c));
            }
            if (r > 0)
                s.records.push_back(grid.recordAt(r));
        }
        s.nowRow = w.form->NowRow();
        s.text2 = w.text2()->toPlainText();
        s.text3 = w.text3()->text();
        s.label1 = w.label1()->text();
        return s;
    }
    bool operator==(const WindowState& o) const
    {
        return cells == o.cells && colours == o.colours && records == o.records &&
               nowRow == o.nowRow && text2 == o.text2 && text3 == o.text3 && label1 == o.label1;
    }
};

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

// The largest the process's address space has been, in KiB (VmPeak).
qint64 peakAddressSpaceKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmPeak:"))
            return line.mid(7).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

// Display text as the record text box holds it: a lone CR of a damaged record is a line
// break there too, as are the Unicode line and paragraph separators.
QString asShown(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (const QChar c :
         {QChar(u'\r'), QChar(QChar::LineSeparator), QChar(QChar::ParagraphSeparator)})
        text.replace(c, QLatin1Char('\n'));
    return text;
}

// What exporting every row of the window writes: each record, its terminator, CR LF.
QByteArray exportOf(const Window& w)
{
    QByteArray out;
    for (int r = 1; r < w.grid().rowCount(); ++r) {
        const std::string& record = w.grid().recordAt(r);
        out.append(record.data(), static_cast<qsizetype>(record.size()));
        if (record.empty() || record.back() != '\x1D')
            out.append('\x1D');
        out.append("\r\n");
    }
    return out;
}

} // namespace

class HostileWindowTest : public QObject
{
    Q_OBJECT

public slots:
    // Stands in for the desktop: QDesktopServices hands every URL of the schemes below here.
    void openUrl(const QUrl& url) { m_opened << url; }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<HostileFiles> m_files;
    QString m_good;
    QList<QUrl> m_opened;

    QString path(const QString& name)
    {
        HostileFiles& f = *m_files;
        const std::map<QString, std::filesystem::path (HostileFiles::*)()> byName = {
            {QStringLiteral("endless"), &HostileFiles::endless},
            {QStringLiteral("endless-then-good"), &HostileFiles::endlessThenGood},
            {QStringLiteral("tiny-then-endless"), &HostileFiles::tinyThenEndless},
            {QStringLiteral("random"), &HostileFiles::random},
            {QStringLiteral("png"), &HostileFiles::png},
            {QStringLiteral("empty"), &HostileFiles::empty},
            {QStringLiteral("folder"), &HostileFiles::folder},
            {QStringLiteral("through-file"), &HostileFiles::throughFile},
            {QStringLiteral("odd-utf16"), &HostileFiles::oddUtf16},
            {QStringLiteral("huge-record"), &HostileFiles::hugeRecord},
        };
        return toQString((f.*byName.at(name))());
    }

    // The records the window must list for a file, or none for a path that is no file.
    std::optional<std::vector<std::string>> expectedRecords(const QString& name)
    {
        HostileFiles& f = *m_files;
        const std::vector<std::string>& good = f.goodRecords();
        if (name == QLatin1String("folder") || name == QLatin1String("through-file"))
            return std::nullopt;
        if (name == QLatin1String("endless-then-good"))
            return std::vector<std::string>{good[0], good[1]};
        if (name == QLatin1String("tiny-then-endless"))
            return std::vector<std::string>{"x\x1D"};
        if (name == QLatin1String("random") || name == QLatin1String("png"))
            return HostileFiles::expectedRecords(HostileFiles::readBytes(path(name).toStdString()));
        if (name == QLatin1String("odd-utf16"))
            return f.oddUtf16Records();
        if (name == QLatin1String("huge-record"))
            return std::vector<std::string>{good[0], f.hugeRecordBytes(), good[2]};
        return std::vector<std::string>{};
    }

    // A window is usable when it loads a good file, shows and selects its records and takes
    // commands again.
    void verifyUsable(Window& w)
    {
        QVERIFY(!w.form->isLoading());
        QVERIFY(w.button("Command1")->isEnabled());
        QVERIFY(w.button("Command3")->isEnabled());
        QVERIFY(!w.text1()->isReadOnly());
        w.load(m_good);
        const std::vector<std::string>& good = m_files->goodRecords();
        QCOMPARE(w.grid().rowCount(), 4);
        QCOMPARE(w.label1()->text(), QStringLiteral("/3"));
        QCOMPARE(w.shownText(), displayOf(good[0]));
        w.clickRow(3);
        QCOMPARE(w.form->NowRow(), 3);
        QCOMPARE(w.shownText(), displayOf(good[2]));
    }

    void useRealShell(BrowserForm*& form, std::unique_ptr<BrowserForm>& owner, FakePlatform& fake)
    {
        Platform platform = fake.platform();
        platform.shell = std::make_shared<QtShell>();
        owner = std::make_unique<BrowserForm>(platform);
        form = owner.get();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_files = std::make_unique<HostileFiles>(m_dir.path().toStdString());
        m_good = toQString(m_files->good());
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
    }

    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    }

    void aTinyFirstRecordDoesNotSizeTheListForTheWholeFile()
    {
        if (kAddressSanitizer)
            QSKIP("AddressSanitizer reserves terabytes of address space of its own");
        // One record of two bytes, then 64 MB that are no record: the list needs one row. Sized
        // from the first record alone (file size / 4 bytes a record) it would take tens of
        // millions of rows, gigabytes of address space; at 2 GB the allocation would fail.
        // This test runs first, so that the peak is this load's.
        const QString file = path(QStringLiteral("tiny-then-endless"));
        Window w;
        const qint64 before = peakAddressSpaceKiB();
        w.load(file);
        const qint64 growth = peakAddressSpaceKiB() - before;
        QCOMPARE(w.grid().rowCount(), 2);
        QVERIFY2(growth < 1024 * 1024,
                 qPrintable(QStringLiteral("address space grew by %1 MB").arg(growth / 1024)));
    }

    void hostileFilesOpenAndLeaveAUsableWindow_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* name :
             {"endless", "endless-then-good", "tiny-then-endless", "random", "png", "empty",
              "folder", "through-file", "odd-utf16", "huge-record"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void hostileFilesOpenAndLeaveAUsableWindow()
    {
        QFETCH(QString, name);
        const QString file = path(name);
        const auto expected = expectedRecords(name);
        Window w;
        w.load(m_good);
        const WindowState before = WindowState::of(w);

        w.load(file);
        if (!expected) {
            // Not a file: the load does not start, and nothing changes.
            QVERIFY(WindowState::of(w) == before);
        } else {
            const int n = static_cast<int>(expected->size());
            QCOMPARE(w.grid().rowCount(), n + 1);
            QCOMPARE(w.label1()->text(), QStringLiteral("/%1").arg(n));
            for (int r = 1; r <= n; ++r)
                QVERIFY2(w.grid().recordAt(r) == (*expected)[std::size_t(r) - 1],
                         qPrintable(QString::number(r)));
            if (n > 0) {
                QCOMPARE(w.form->NowRow(), 1);
                QCOMPARE(w.text2()->toPlainText(), asShown(displayOf(expected->front())));
                w.clickRow(n);
                QCOMPARE(w.text2()->toPlainText(), asShown(displayOf(expected->back())));
            } else {
                QCOMPARE(w.form->NowRow(), 0);
                QCOMPARE(w.text2()->toPlainText(), QString());
            }
        }
        QVERIFY(w.fake.messageBox->calls.empty());
        verifyUsable(w);
    }

    void theRealRecordOfOverAMegabyteLoads()
    {
        const QString real =
            QStringLiteral(BIBLIORA_REAL_SAMPLES "/bad_marc21_marc4j_bad_hathi_records.mrc");
        if (!QFileInfo::exists(real))
            QSKIP("the real sample files are not there");
        Window w;
        w.load(real);
        QCOMPARE(w.grid().rowCount(), 6);
        QCOMPARE(w.grid().recordAt(4).size(), std::size_t(1096887));
        w.clickRow(4);
        QCOMPARE(w.form->NowRow(), 4);
        QCOMPARE(w.shownText(), displayOf(w.grid().recordAt(4)));
        QVERIFY(!w.grid().cellText(4, 1).isEmpty());
        verifyUsable(w);
    }

    void exportFailuresNameTheFileAndTheReasonAndChangeNothing()
    {
        Window w;
        w.load(m_good);
        w.clickRow(2);
        QTest::mouseClick(w.button("Command4"), Qt::LeftButton); // a blue row, saved
        const WindowState before = WindowState::of(w);
        const QString plain = m_dir.filePath(QStringLiteral("plain"));
        QFile plainFile(plain);
        QVERIFY(plainFile.open(QIODevice::WriteOnly));
        plainFile.close();
        const std::pair<QString, QString> cases[] = {
            {QStringLiteral("/dev/full"), QStringLiteral("磁盘空间不足")},
            {m_dir.filePath(QStringLiteral("missing/out.iso")), QStringLiteral("文件夹不存在")},
            {m_dir.filePath(QStringLiteral("folder.iso")), QStringLiteral("这是一个文件夹")},
            {plain + QStringLiteral("/out.iso"), QStringLiteral("路径中有一部分不是文件夹")},
        };
        QDir().mkpath(cases[2].first);
        for (const auto& [target, reason] : cases) {
            w.fake.messageBox->calls.clear();
            w.fake.fileDialog->answers = {target};
            QTest::mouseClick(w.button("Command3"), Qt::LeftButton);
            QCOMPARE(w.fake.messageBox->calls.size(), std::size_t(1));
            const MessageCall& call = w.fake.messageBox->calls[0];
            QCOMPARE(call.title, QStringLiteral("错误提示"));
            QVERIFY2(call.text.contains(target) && call.text.contains(reason),
                     qPrintable(call.text));
            QVERIFY(!processHoldsOpen(target.toStdString()));
            QVERIFY(WindowState::of(w) == before);
        }
        QVERIFY(w.fake.shell->folders.isEmpty());
    }

    void anExportThatFailsPartWayChangesNothing()
    {
        Window w;
        w.load(m_good);
        w.clickRow(3);
        QTest::mouseClick(w.button("Command4"), Qt::LeftButton);
        w.clickRow(2);
        const WindowState before = WindowState::of(w);
        const QString target = m_dir.filePath(QStringLiteral("part-way.iso"));
        const int room = static_cast<int>(exportOf(w).size() / 3);
        w.fake.fileDialog->answers = {target};
        {
            FileSizeLimit limit(room);
            QVERIFY(limit.active());
            QTest::mouseClick(w.button("Command3"), Qt::LeftButton);
        }
        QCOMPARE(w.fake.messageBox->calls.size(), std::size_t(1));
        const MessageCall& call = w.fake.messageBox->calls[0];
        QCOMPARE(call.title, QStringLiteral("错误提示"));
        QVERIFY2(call.text.startsWith(QStringLiteral("出现异常错误,详细错误信息如下:\r\n")),
                 qPrintable(call.text));
        QVERIFY2(call.text.contains(target), qPrintable(call.text));
        QVERIFY2(call.text.contains(QStringLiteral("文件超过了允许的大小")), qPrintable(call.text));
        QVERIFY(!processHoldsOpen(target.toStdString()));
        // The first bytes of the export stay; the grid is as it was.
        const QByteArray written = readAll(target);
        QCOMPARE(written, exportOf(w).left(room));
        QVERIFY(WindowState::of(w) == before);
        QVERIFY(w.fake.shell->folders.isEmpty());

        // The window exports again once there is room, after what is already there.
        w.fake.messageBox->calls.clear();
        w.fake.fileDialog->answers = {target};
        w.fake.messageBox->answers = {MessageAnswer::Yes, MessageAnswer::No};
        QTest::mouseClick(w.button("Command3"), Qt::LeftButton);
        QCOMPARE(w.fake.messageBox->calls.size(), std::size_t(2));
        QCOMPARE(w.fake.messageBox->calls[1].text,
                 QStringLiteral("数据已全部导出，是否查看文件！"));
        QCOMPARE(readAll(target), written + exportOf(w));
    }

    void foldersReachTheDesktopAsData()
    {
        // Spaces, both quotes, a command separator, command substitutions, redirections.
        const QString folder = m_dir.filePath(
            QStringLiteral("a b \"dq\" 'sq'; $(touch pwned) `touch pwned` & | > < * 文件夹"));
        QVERIFY(QDir().mkpath(folder));

        m_opened.clear();
        QtShell shell;
        shell.openFolder(nullptr, folder);
        QCOMPARE(m_opened.size(), 1);
        QVERIFY(m_opened[0].isLocalFile());
        QCOMPARE(m_opened[0].toLocalFile(), folder);

        // The whole way: export into that folder, answer Yes to looking at the file.
        FakePlatform fake;
        std::unique_ptr<BrowserForm> owner;
        BrowserForm* form = nullptr;
        useRealShell(form, owner, fake);
        form->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(m_good);
        form->loadGridData();
        const QString target = folder + QStringLiteral("/out.iso");
        fake.fileDialog->answers = {target};
        fake.messageBox->answers = {MessageAnswer::Yes};
        m_opened.clear();
        QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("Command3")),
                          Qt::LeftButton);
        QCOMPARE(readAll(target), readAll(m_good));
        QCOMPARE(m_opened.size(), 1);
        QCOMPARE(m_opened[0], QUrl::fromLocalFile(folder));
        QCOMPARE(m_opened[0].toLocalFile(), folder);
        // Nothing was run: no file of that name appeared anywhere near.
        QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("pwned"))));
        QVERIFY(!QFileInfo::exists(folder + QStringLiteral("/pwned")));
        QVERIFY(!QFileInfo::exists(QDir::current().filePath(QStringLiteral("pwned"))));
    }

    void theFooterAddressReachesTheDesktopAsData()
    {
        FakePlatform fake;
        std::unique_ptr<BrowserForm> owner;
        BrowserForm* form = nullptr;
        useRealShell(form, owner, fake);
        m_opened.clear();
        QTest::mouseClick(form->findChild<QLabel*>(QStringLiteral("Label2")), Qt::LeftButton);
        QCOMPARE(m_opened.size(), 1);
        QCOMPARE(m_opened[0], QUrl(BrowserForm::projectAddress()));
    }
};

QTEST_MAIN(HostileWindowTest)
#include "tst_hostilewindow.moc"
