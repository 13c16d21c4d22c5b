// The window's fixed texts, access keys and the find dialog's tab order, as a user meets them.
#include "browsertestsupport.h"
#include "findfrm.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

using namespace bibliora;
using namespace bibliora::test;

class TextsTest : public QObject
{
    Q_OBJECT

private slots:
    void captionsTooltipsAndAccessKeys()
    {
        Window w;
        const QList<std::tuple<const char*, QString, QString>> controls = {
            {"Command1", QStringLiteral("..."), QString()},
            {"Command3", QStringLiteral(">>>"), QStringLiteral("导出全部的数据到ISO格式文件")},
            {"Command2_0", QStringLiteral("|<"), QString()},
            {"Command2_1", QStringLiteral("<"), QString()},
            {"Command2_2", QStringLiteral(">"), QString()},
            {"Command2_3", QStringLiteral(">|"), QString()},
            {"Command5", QStringLiteral("查找 &F"), QString()},
            {"Command4", QStringLiteral("保存 &S"), QStringLiteral("保存本条修改后的数据")}};
        for (const auto& [name, caption, tip] : controls) {
            QCOMPARE(w.button(name)->text(), caption);
            QCOMPARE(w.button(name)->toolTip(), tip);
        }
        QCOMPARE(w.child<QGroupBox>("Frame1")->title(), QStringLiteral("MARC文件路径"));
        QCOMPARE(w.child<QGroupBox>("Frame2")->title(), QString());
        QCOMPARE(w.text3()->text(), QStringLiteral("1"));
        QCOMPARE(w.text3()->toolTip(), QStringLiteral("回车后可以跳转到你想要看的那条数据！"));
        QCOMPARE(w.label1()->text(), QStringLiteral("/100000"));
        QVERIFY(w.label1()->isHidden());

        QTemporaryDir dir;
        w.load(writeLinesFile(dir.path(), QStringLiteral("one.iso"),
                              {makeRecord(QStringLiteral("题名"), QStringLiteral("7-5"))}));
        QVERIFY(QTest::qWaitForWindowActive(w.form.get()));
        w.text2()->setFocus();
        // A button pressed by its access key clicks a moment later, as it is drawn pressed.
        QTest::keyClick(w.text2(), Qt::Key_S, Qt::AltModifier); // 保存 &S
        QTRY_COMPARE(w.grid().cellTextColour(1, 0), kModifiedColour);
        QTest::keyClick(w.text2(), Qt::Key_F, Qt::AltModifier); // 查找 &F
        FindFrm* find = nullptr;
        QTRY_VERIFY((find = w.form->findChild<FindFrm*>(QStringLiteral("FindFrm"))) &&
                    find->isVisible());

        QCOMPARE(find->windowTitle(), QStringLiteral("简易查找>>"));
        QCOMPARE(find->findChild<QPushButton*>(QStringLiteral("Command1"))->text(),
                 QStringLiteral("开始查找"));
        QCOMPARE(find->findChild<QRadioButton*>(QStringLiteral("Option1"))->text(),
                 QStringLiteral("正题名"));
        QCOMPARE(find->findChild<QRadioButton*>(QStringLiteral("Option2"))->text(),
                 QStringLiteral("标准号"));
        QCOMPARE(find->findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                 QStringLiteral("检索词:"));
        // Tab order: the button, the two options, the search box, then round again.
        QStringList order;
        QWidget* at = find->findChild<QPushButton*>(QStringLiteral("Command1"));
        for (int i = 0; i < 5; ++i, at = at->nextInFocusChain()) {
            while (!(at->focusPolicy() & Qt::TabFocus))
                at = at->nextInFocusChain();
            order << at->objectName();
        }
        QCOMPARE(order.join(QLatin1Char(',')),
                 QStringLiteral("Command1,Option1,Option2,Text1,Command1"));
        w.fake.messageBox->answers = {MessageAnswer::Yes}; // the saved row was not exported
    }
};

QTEST_MAIN(TextsTest)
#include "tst_texts.moc"
