// A file mixing a UTF-8 and a MARC-8 record: each is listed, shown, saved, exported and copied
// in its own encoding.
#include "browsertestsupport.h"
#include "codec.h"
#include "isoassembler.h"

#include <QTemporaryDir>
#include <QTest>

using namespace bibliora;
using namespace bibliora::test;

class EncodingsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_file;
    std::string m_utf8;
    std::string m_marc8;

private slots:
    void initTestCase()
    {
        m_utf8 = support::assembleIso("00000nam a2200000 a 4500",
                                      {{"001", "   70813420"},
                                       {"005", "19860604000000.0"},
                                       {"245", "10\x1F"
                                               "a\xE5\x8D\x8A\xE7\x94\xB0\xE5\xB8\x82 /"}});
        m_marc8 =
            support::assembleIso("00000nam  2200000 a 4500", {{"001", "2"},
                                                              {"005", "19860604000000.0"},
                                                              {"245", "10\x1F"
                                                                      "aPr\xE2"
                                                                      "ecis \x1B$1!0!!BX\x1B(B."}});
        // Back to back, as exchange files are.
        m_file = m_dir.filePath(QStringLiteral("mixed.mrc"));
        QFile f(m_file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray::fromStdString(m_utf8 + m_marc8));
    }

    void eachRecordKeepsItsEncoding()
    {
        Window w;
        w.load(m_file);
        QCOMPARE(w.grid().rowCount(), 3);
        QCOMPARE(w.grid().cellText(1, 1), QStringLiteral("半田市 /"));
        QCOMPARE(w.grid().cellText(2, 1), QStringLiteral("Pre\u0301cis 一文."));
        QVERIFY(w.shownText().contains(QStringLiteral("001       70813420\r\n")));

        // Saved unedited: the row is marked and both records keep their bytes.
        w.click("Command4");
        w.clickRow(2);
        w.click("Command4");
        QCOMPARE(w.grid().cellTextColour(2, 0), kModifiedColour);
        QCOMPARE(w.grid().cellText(2, 1), QStringLiteral("Pre\u0301cis 一文."));
        QCOMPARE(detectEncoding(w.record(1)), Encoding::Utf8);
        QCOMPARE(detectEncoding(w.record(2)), Encoding::Marc8);
        for (int row : {1, 2})
            QVERIFY(w.record(row).find(row == 1 ? "a\xE5\x8D\x8A\xE7\x94\xB0"
                                                : "\x1B$1!0!!BX\x1B(B.") != std::string::npos);

        // Export writes each record's own bytes.
        const QString out = m_dir.filePath(QStringLiteral("out.mrc"));
        w.fake.fileDialog->answers = {out};
        w.click("Command3");
        QCOMPARE(readAll(out),
                 QByteArray::fromStdString(w.record(1) + "\r\n" + w.record(2) + "\r\n"));

        // Copy: MARC-8 has no plain-text form, so it goes as the record saved in UTF-8.
        w.fake.popupMenu->answers = {3};
        w.rightClickRow(2);
        const QString copied = w.fake.clipboard->text;
        QVERIFY(copied.contains(QStringLiteral("Pre\u0301cis 一文.")));
        QCOMPARE(copied.mid(5, 5), QStringLiteral("nam a"));
        QCOMPARE(copied.left(5).toInt(), static_cast<int>(copied.toUtf8().size()));
    }
};

QTEST_MAIN(EncodingsTest)
#include "tst_encodings.moc"
