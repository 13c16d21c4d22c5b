// The skin on the real main window: its buttons, and the dialogs opened over it through the
// Qt platform services (message box, file dialog, find dialog).
#include "browsertestsupport.h"
#include "buttonskin.h"
#include "qtplatform.h"
#include "qtskin.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

using namespace bibliora;

namespace {

bool skinned(const QWidget* w)
{
    return w->property("PROCADDR").toLongLong() != 0 && w->property("BMP0").toLongLong() != 0;
}

// Runs check() once the active window is a T, then closes it with close(T*).
template <typename T>
void whenActive(const std::function<void(T*)>& check, const std::function<void(T*)>& close)
{
    auto* poll = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [=] {
        auto* dialog = qobject_cast<T*>(QApplication::activeWindow());
        if (!dialog && ++*tries < 250)
            return;
        poll->stop();
        poll->deleteLater();
        if (dialog) {
            check(dialog);
            close(dialog);
        }
    });
    poll->start(20);
}

} // namespace

class SkinnedWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void dialogsOverTheMainWindowAreSkinnedWhileOpen()
    {
        Platform platform = makeQtPlatform();
        BrowserForm form(platform);
        QCOMPARE(skin::attachSkin(&form), 1);
        form.start(QString());
        QVERIFY(QTest::qWaitForWindowActive(&form));
        for (const char* name : {"Command1", "Command3", "Command2_0", "Command2_3", "Command4", "Command5"})
            QVERIFY2(skinned(form.findChild<QPushButton*>(QString::fromLatin1(name))), name);

        QList<QPushButton*> boxButtons;
        whenActive<QMessageBox>(
            [&](QMessageBox* box) {
                boxButtons = box->findChildren<QPushButton*>();
                QVERIFY(!boxButtons.isEmpty());
                for (QPushButton* b : boxButtons)
                    QVERIFY(skinned(b));
            },
            [](QMessageBox* box) { box->button(QMessageBox::No)->click(); });
        const MessageAnswer answer = platform.messageBox->show(
            &form, QStringLiteral("数据已全部导出，是否查看文件！"), QStringLiteral("温馨提示"),
            MessageButtons::YesNo, MessageIcon::Information, MessageAnswer::No);
        QVERIFY(answer == MessageAnswer::No);
        QVERIFY(!boxButtons.isEmpty());

        // A desktop hands the activation back to the main window when the box closes; the
        // offscreen platform leaves that to the program.
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        whenActive<QFileDialog>(
            [&](QFileDialog* dialog) {
                const auto buttons = dialog->findChildren<QPushButton*>();
                QVERIFY(!buttons.isEmpty());
                for (QPushButton* b : buttons)
                    if (b->isVisible())
                        QVERIFY2(skinned(b), qPrintable(b->text() + QLatin1Char(' ') + b->objectName() + QLatin1Char(' ') + QString::fromLatin1(b->parent()->metaObject()->className())));
            },
            [](QFileDialog* dialog) { dialog->reject(); });
        QCOMPARE(platform.fileDialog->showFileDialog(true, QStringLiteral("选择MARC文件"),
                                                     QStringLiteral("(ISO2709格式)|*.ISO|文本形式|*.txt"), 0, 0,
                                                     QString(), QString(), &form),
                 QString());

        // The main window's buttons keep their skin; closing it takes it off them.
        auto* save = form.findChild<QPushButton*>(QStringLiteral("Command4"));
        QVERIFY(skinned(save));
        form.close();
        QVERIFY(!skinned(save));
        QCOMPARE(skin::skinState().skinnedButtonCount(), 0);
    }
};

QTEST_MAIN(SkinnedWindowTest)
#include "tst_skinnedwindow.moc"
