// Files in the other forms opened like ISO 2709 files, and 导出为: every form written from the
// window and read back, the questions before an existing file is replaced or a character lost.
#include "browsertestsupport.h"
#include "exportcommand.h"
#include "exportjob.h"
#include "isoassembler.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

using namespace bibliora;
using namespace bibliora::test;

class OtherFormsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_five;

    QString path(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }
    static void write(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QAction* entry(Window& w, const char* text)
    {
        for (QAction* a : w.child<QWidget>("MenuBar")->findChildren<QAction*>())
            if (a->text() == QString::fromUtf8(text))
                return a;
        return nullptr;
    }
    static QStringList titles(Window& w)
    {
        QStringList t;
        for (int r = 1; r < w.grid().rowCount(); ++r)
            t << w.grid().cellText(r, 1) + u'|' + w.grid().cellText(r, 2);
        return t;
    }
    // 导出为 → `which` to `file` in the form of save-dialog filter `filter`; `options` fills
    // the options dialog when the form has one. Runs the job to its end.
    static void exportAs(Window& w, const char* which, const QString& file, int filter,
                         const std::function<void(QDialog*)>& options = {})
    {
        w.fake.fileDialog->answers = {file};
        w.fake.fileDialog->chosenFilters = {filter};
        entry(w, which)->trigger();
        if (options) {
            // The one shown: an earlier one goes only when the event loop deletes it.
            QDialog* dialog = nullptr;
            for (QDialog* d : w.form->findChildren<QDialog*>(QStringLiteral("ExportOptionsDialog")))
                if (d->isVisible())
                    dialog = d;
            QVERIFY(dialog);
            options(dialog);
            dialog->accept();
        }
        w.form->findChild<ExportJob*>()->runToEnd();
    }

private slots:
    void initTestCase()
    {
        const std::vector<std::string> records = {
            makeRecord(QStringLiteral("ABC"), QStringLiteral("111")),
            makeRecord(QStringLiteral("中文题名"), QStringLiteral("978-7-111-22222-3")),
            makeRecord(QStringLiteral("同名"), QStringLiteral("333")),
            makeRecord(QStringLiteral("同名"), QStringLiteral("ABC")),
            makeRecord(QString(), QStringLiteral("555"))};
        m_five = writeLinesFile(m_dir.path(), QStringLiteral("五.iso"), records);
    }

    void marcXmlAndMarcTextOpenWhateverTheirName()
    {
        const QByteArray xml =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<marc:collection xmlns:marc=\"http://www.loc.gov/MARC21/slim\">\n"
            "<marc:record><marc:leader>00000nam a2200000 a 4500</marc:leader>"
            "<marc:controlfield tag=\"001\">x1</marc:controlfield>"
            "<marc:datafield tag=\"020\" ind1=\" \" ind2=\" \">"
            "<marc:subfield code=\"a\">9780000000002</marc:subfield></marc:datafield>"
            "<marc:datafield tag=\"245\" ind1=\"1\" ind2=\"0\">"
            "<marc:subfield code=\"a\">中文 &amp; more</marc:subfield></marc:datafield>"
            "</marc:record>\n</marc:collection>\n";
        write(path("harvest.dat"), xml);
        Window w;
        w.load(path("harvest.dat"));
        QCOMPARE(titles(w), QStringList{QStringLiteral("中文 & more|9780000000002")});
        QCOMPARE(w.fake.messageBox->calls.size(), std::size_t(0));

        write(path("colleague.txt"), "\xEF\xBB\xBF=LDR  00000nam a2200000 a 4500\r\n"
                                     "=001  x2\r\n"
                                     "=245  10$aA {dollar}5 title\r\n\r\n");
        w.load(path("colleague.txt"));
        QCOMPARE(titles(w), QStringList{QStringLiteral("A $5 title|")});

        // XML cut off: the records before the fault stay, and the user is told where it is.
        write(path("broken.xml"), xml.left(xml.indexOf("</marc:record>")) + "\n<marc:oops");
        w.load(path("broken.xml"));
        QVERIFY(w.lastMessage().startsWith(QStringLiteral("文件未能读完")));
        QVERIFY(w.lastMessage().contains(QStringLiteral("行")));
    }

    void everyFormIsWrittenAndReadsBackToTheSameList()
    {
        Window w;
        w.load(m_five);
        const QStringList listed = titles(w);
        struct Case
        {
            const char* name;
            int filter;
        };
        for (const Case& c : {Case{"out.xml", 3}, Case{"out.mrk", 4}}) {
            exportAs(w, "全部记录(&A)...", path(c.name), c.filter);
            QCOMPARE(w.fake.messageBox->calls.back().text,
                     QStringLiteral("已导出 5 条记录。是否查看文件？"));
            Window back;
            back.load(path(c.name));
            QCOMPARE(titles(back), listed);
        }
        // Standard ISO 2709 in UTF-8: no line breaks, every record read back the same.
        exportAs(w, "全部记录(&A)...", path("out"), 2, [](QDialog* d) {
            for (QRadioButton* b : d->findChildren<QRadioButton*>())
                if (b->text().startsWith(QStringLiteral("UTF-8")))
                    b->setChecked(true);
        });
        const QByteArray iso = readAll(path("out.mrc"));
        QVERIFY(!iso.contains('\n'));
        QCOMPARE(iso.count('\x1D'), 5);
        Window back;
        back.load(path("out.mrc"));
        QCOMPARE(titles(back), listed);
        QCOMPARE(back.grid().encodingAt(2), Encoding::Utf8);

        // A table of the selected rows with a chosen subfield.
        w.clickRow(2);
        w.clickRow(3, Qt::ShiftModifier);
        exportAs(w, "选中的记录(&S)...", path("out.csv"), 5, [](QDialog* d) {
            d->findChild<QLineEdit*>(QStringLiteral("Fields"))->setText(QStringLiteral("200$f"));
        });
        QCOMPARE(readAll(path("out.csv")),
                 "\xEF\xBB\xBF" + QStringLiteral("序号,题名,ISBN/ISSN,200$f\r\n"
                                                 "2,中文题名,978-7-111-22222-3,佚名\r\n"
                                                 "3,同名,333,佚名\r\n")
                                      .toUtf8());
    }

    void anExistingFileIsReplacedOnlyWhenTheUserSaysSo()
    {
        Window w;
        w.load(m_five);
        write(path("keep.xml"), "mine");
        w.fake.messageBox->answers = {MessageAnswer::No};
        w.fake.fileDialog->answers = {path("keep.xml")};
        w.fake.fileDialog->chosenFilters = {3};
        entry(w, "全部记录(&A)...")->trigger();
        QCOMPARE(w.lastMessage(), QStringLiteral("文件已存在，是否覆盖？"));
        QCOMPARE(w.fake.messageBox->calls.back().title, QStringLiteral("温馨提示"));
        QCOMPARE(w.fake.messageBox->calls.back().defaultButton, MessageAnswer::No);
        QVERIFY(!w.form->findChild<ExportJob*>()->isRunning());
        QCOMPARE(readAll(path("keep.xml")), QByteArray("mine"));

        w.fake.messageBox->answers = {MessageAnswer::Yes};
        exportAs(w, "全部记录(&A)...", path("keep.xml"), 3);
        QVERIFY(readAll(path("keep.xml")).startsWith("<?xml"));
    }

    void charactersGbkCannotHoldAreNamedBeforeAnythingIsWritten()
    {
        // A UTF-8 record with a character outside GBK in its title.
        const std::string utf8 = support::assembleIso(
            "00000nam0 2200000   450 ", {{"001", "U1"},
                                         {"100", "  \037a20240101d2024    em y0chiy50      ea"},
                                         {"200", "1 \037a\xF0\x9F\x98\x80 title"}});
        const QString file = writeLinesFile(m_dir.path(), QStringLiteral("utf8.iso"), {utf8});
        Window w;
        w.load(file);
        w.fake.messageBox->answers = {MessageAnswer::No};
        exportAs(w, "全部记录(&A)...", path("gbk.iso"), 1, [](QDialog* d) {
            for (QRadioButton* b : d->findChildren<QRadioButton*>())
                if (b->text().startsWith(QStringLiteral("GBK")))
                    b->setChecked(true);
        });
        QVERIFY(w.lastMessage().contains(QStringLiteral("第 1 条记录 200 字段：😀")));
        QVERIFY(!QFile::exists(path("gbk.iso")));

        w.fake.messageBox->answers = {MessageAnswer::Yes};
        exportAs(w, "全部记录(&A)...", path("gbk.iso"), 1, [](QDialog* d) {
            for (QRadioButton* b : d->findChildren<QRadioButton*>())
                if (b->text().startsWith(QStringLiteral("GBK")))
                    b->setChecked(true);
        });
        QVERIFY(readAll(path("gbk.iso")).contains("? title"));
    }
};

QTEST_MAIN(OtherFormsTest)
#include "tst_otherforms.moc"
