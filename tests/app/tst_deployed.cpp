// The program as a user starts it: Qt's own texts in Chinese, Chinese text drawn with a font
// that has it, and the bundled sample loaded into the real window on the real services.
#include "browserform.h"
#include "fonts.h"
#include "qtplatform.h"
#include "qttranslations.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

using namespace bibliora;

class DeployedTest : public QObject
{
    Q_OBJECT

private slots:
    void messageBoxesSpeakChinese()
    {
        QVERIFY(installQtTranslations(qApp));
        QStringList captions;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            for (QAbstractButton* b : box->buttons())
                captions << b->text();
            box->button(QMessageBox::No)->click();
        });
        QtMessageBox messageBox;
        const MessageAnswer answer = messageBox.show(
            nullptr, QStringLiteral("确定要删除选中的数据吗？"), QStringLiteral("操作提示"),
            MessageButtons::YesNo, MessageIcon::Information, MessageAnswer::No);
        QCOMPARE(answer, MessageAnswer::No);
        QCOMPARE(captions.size(), 2);
        QVERIFY2(captions.join(QLatin1Char(' ')).contains(QStringLiteral("是")) &&
                     captions.join(QLatin1Char(' ')).contains(QStringLiteral("否")),
                 qPrintable(captions.join(QLatin1Char(' '))));
    }

    void theSampleLoadsWithChineseTitles()
    {
        QString sample =
            QCoreApplication::applicationDirPath() + QStringLiteral("/samples/cnmarc-gbk.iso");
        if (!QFile::exists(sample))
            sample = QStringLiteral(BIBLIORA_SOURCE_SAMPLE);
        BrowserForm form(makeQtPlatform());
        form.start(sample);
        auto* count = form.findChild<QLabel*>(QStringLiteral("Label1"));
        QTRY_COMPARE_WITH_TIMEOUT(count->text(), QStringLiteral("/120"), 20000);
        // The window's font draws the ideographs of the titles.
        const QFontMetrics metrics(songFont(9));
        for (char32_t c : {U'题', U'名', U'书', U'目'})
            QVERIFY(metrics.inFontUcs4(c));
    }
};

QTEST_MAIN(DeployedTest)
#include "tst_deployed.moc"
