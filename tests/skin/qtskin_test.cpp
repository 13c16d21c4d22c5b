#include "buttonskin.h"
#include "qtskin.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>

using namespace bibliora::skin;

namespace {

bool skinned(const QWidget* w)
{
    return w->property("HDC0").isValid();
}

// No record of the skin is left on the window or on anything in it.
bool recordsGone(QWidget* top)
{
    const QList<QWidget*> all = top->findChildren<QWidget*>() << top;
    for (const QWidget* w : all)
        for (const char* name : {"PROCADDR", "HDC0", "BMP0", "OLDSTATE", "TIMERID", "ALPHALEVEL"})
            if (w->property(name).isValid())
                return false;
    return true;
}

// Opens the dialog and, once it is the active window (or after 5 s at most), closes it again:
// whether the dialog was hooked and every push button of its button box skinned.
bool skinnedWhileOpen(QDialog& dialog)
{
    bool all = false;
    auto* poll = new QTimer(&dialog);
    QObject::connect(poll, &QTimer::timeout, &dialog, [&, poll, tries = 0]() mutable {
        if (QApplication::activeWindow() != &dialog && ++tries < 250)
            return;
        poll->stop();
        const auto buttons = dialog.findChild<QDialogButtonBox*>()->findChildren<QPushButton*>();
        all = dialog.property("PROCADDR").isValid() && !buttons.isEmpty() &&
              std::all_of(buttons.begin(), buttons.end(), skinned);
        dialog.reject();
    });
    poll->start(20);
    dialog.exec();
    return all;
}

} // namespace

class QtSkinTest final : public QObject
{
    Q_OBJECT

    std::unique_ptr<QWidget> m_form;

private slots:
    void init()
    {
        m_form = std::make_unique<QWidget>();
        (new QVBoxLayout(m_form.get()))->addWidget(new QPushButton(QStringLiteral("保存 &S")));
        m_form->resize(300, 200);
    }

    void cleanup()
    {
        detachSkin(m_form.get());
        m_form.reset();
        QCOMPARE(skinState().skinnedButtonCount() + skinState().hookedFormCount(), 0);
        QVERIFY(!skinState().skinReady());
    }

    void dialogsOverTheFormAreSkinnedWhileOpen()
    {
        QCOMPARE(attachSkin(m_form.get()), 1);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        QMessageBox box(QMessageBox::Question, QStringLiteral("提示"), QStringLiteral("保存?"),
                        QMessageBox::Yes | QMessageBox::No, m_form.get());
        QVERIFY(skinnedWhileOpen(box));
        QVERIFY(recordsGone(&box));

        m_form->activateWindow(); // no window manager hands the activation back
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        QFileDialog dialog(m_form.get(), QStringLiteral("打开"), QDir::tempPath());
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        QVERIFY(skinnedWhileOpen(dialog));
        QVERIFY(recordsGone(&dialog));
        QCOMPARE(skinState().hookedFormCount(), 1);
        QCOMPARE(skinState().skinnedButtonCount(), 1);
    }

    void checkBoxesAndRadioButtonsKeepTheirLook()
    {
        QWidget* marks[] = {new QCheckBox(QStringLiteral("题名")),
                            new QRadioButton(QStringLiteral("ISBN"))};
        QImage before[2];
        for (QWidget* w : marks)
            m_form->layout()->addWidget(w);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        for (int i = 0; i < 2; ++i)
            before[i] = marks[i]->grab().toImage();

        QCOMPARE(attachSkin(m_form.get()), 1);
        QCOMPARE(skinState().skinnedButtonCount(), 1);
        for (int i = 0; i < 2; ++i) {
            QVERIFY(!skinned(marks[i]) && marks[i]->mask().isEmpty());
            QCOMPARE(marks[i]->grab().toImage(), before[i]);
        }
    }
};

QTEST_MAIN(QtSkinTest)
#include "qtskin_test.moc"
