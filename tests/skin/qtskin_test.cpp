#include "buttonskin.h"
#include "qtskin.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEnterEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTimerEvent>
#include <QVBoxLayout>

#include <functional>
#include <memory>

using bibliora::skin::attachSkin;
using bibliora::skin::detachSkin;
using bibliora::skin::skinState;

namespace {

qlonglong propOf(const QObject* o, const char* name)
{
    return o->property(name).toLongLong();
}

bool skinned(const QWidget* w)
{
    return propOf(w, "PROCADDR") != 0 && propOf(w, "HDC0") != 0 && propOf(w, "BMP3") != 0;
}

bool untouched(const QWidget* w)
{
    for (const char* name : {"PROCADDR", "HDC0", "HDC1", "HDC2", "HDC3", "BMP0", "BMP1", "BMP2",
                             "BMP3", "MOUSEFLAG", "TIMERID", "OLDSTATE", "ALPHALEVEL"})
        if (w->property(name).isValid())
            return false;
    return true;
}

QRgb rgbAt(const QImage& image, int x, int y)
{
    return image.pixel(x, y) & 0xFFFFFFu;
}

// Runs `check` while the dialog is open and active, then closes it with `close`.
void whileOpen(QDialog& dialog, const std::function<void()>& check,
               const std::function<void()>& close)
{
    auto* poll = new QTimer(&dialog);
    int tries = 0;
    QObject::connect(poll, &QTimer::timeout, &dialog, [&, poll] {
        if ((dialog.isVisible() && QApplication::activeWindow() == &dialog) || ++tries > 250) {
            poll->stop();
            check();
            close();
        }
    });
    poll->start(20);
    dialog.exec();
}

} // namespace

class QtSkinTest final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QWidget> m_form;
    QPushButton* m_save = nullptr;
    QPushButton* m_find = nullptr;

private slots:
    void init()
    {
        m_form = std::make_unique<QWidget>();
        m_form->setWindowTitle(QStringLiteral("Bibliora"));
        auto* layout = new QVBoxLayout(m_form.get());
        m_save = new QPushButton(QStringLiteral("保存 &S"), m_form.get());
        m_find = new QPushButton(QStringLiteral("查找 &F"), m_form.get());
        layout->addWidget(m_save);
        layout->addWidget(m_find);
        m_form->resize(300, 200);
    }

    void cleanup()
    {
        detachSkin(m_form.get());
        m_form.reset();
        QCOMPARE(skinState().skinnedButtonCount(), 0);
        QCOMPARE(skinState().hookedFormCount(), 0);
        QVERIFY(!skinState().skinReady());
    }

    void messageBoxIsSkinnedWhileOpen()
    {
        QCOMPARE(attachSkin(m_form.get()), 1);
        QCOMPARE(attachSkin(m_form.get()), 0);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        QCOMPARE(skinState().skinnedButtonCount(), 2);

        QMessageBox box(QMessageBox::Question, QStringLiteral("操作提示"),
                        QStringLiteral("是否保存修改?"), QMessageBox::Yes | QMessageBox::No,
                        m_form.get());
        QList<QPushButton*> buttons;
        bool hooked = false;
        bool allSkinned = false;
        int hookedForms = 0;
        whileOpen(
            box,
            [&] {
                buttons = box.findChildren<QPushButton*>();
                hooked = propOf(&box, "PROCADDR") != 0;
                allSkinned =
                    !buttons.isEmpty() && std::all_of(buttons.begin(), buttons.end(), skinned);
                hookedForms = skinState().hookedFormCount();
            },
            [&] { box.button(QMessageBox::No)->click(); });

        QVERIFY(hooked);
        QVERIFY(allSkinned);
        QCOMPARE(hookedForms, 2);
        QVERIFY(untouched(&box));
        for (QPushButton* b : buttons)
            QVERIFY(untouched(b));
        QCOMPARE(skinState().hookedFormCount(), 1);
        QCOMPARE(skinState().skinnedButtonCount(), 2);
        QVERIFY(skinState().skinReady());
        QVERIFY(skinned(m_save));
    }

    void fileDialogIsSkinnedWhileOpen()
    {
        QCOMPARE(attachSkin(m_form.get()), 1);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));

        QList<QPushButton*> buttons;
        bool allSkinned = false;
        {
            QFileDialog dialog(m_form.get(), QStringLiteral("打开"), QDir::tempPath(),
                               QStringLiteral("(ISO2709格式) (*.ISO);;文本形式 (*.txt)"));
            dialog.setOption(QFileDialog::DontUseNativeDialog);
            whileOpen(
                dialog,
                [&] {
                    const auto box = dialog.findChild<QDialogButtonBox*>();
                    buttons = box ? box->findChildren<QPushButton*>() : QList<QPushButton*>();
                    allSkinned =
                        !buttons.isEmpty() && std::all_of(buttons.begin(), buttons.end(), skinned);
                },
                [&] { dialog.reject(); });
            QVERIFY(allSkinned);
            QVERIFY(untouched(&dialog));
            for (const QWidget* w : dialog.findChildren<QWidget*>())
                QVERIFY2(untouched(w), w->metaObject()->className());
        }
        QCOMPARE(skinState().hookedFormCount(), 1);
        QCOMPARE(skinState().skinnedButtonCount(), 2);
    }

    void checkBoxesAndRadioButtonsKeepTheirLook()
    {
        auto* check = new QCheckBox(QStringLiteral("题名"), m_form.get());
        auto* radio = new QRadioButton(QStringLiteral("ISBN/ISSN"), m_form.get());
        m_form->layout()->addWidget(check);
        m_form->layout()->addWidget(radio);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        const QImage checkBefore = check->grab().toImage();
        const QImage radioBefore = radio->grab().toImage();

        QCOMPARE(attachSkin(m_form.get()), 1);
        QCOMPARE(skinState().skinnedButtonCount(), 2);
        for (const QWidget* w : {static_cast<QWidget*>(check), static_cast<QWidget*>(radio)}) {
            QVERIFY(!skinned(w));
            QVERIFY(!w->property("OLDSTATE").isValid());
            QVERIFY(w->mask().isEmpty());
        }
        QCOMPARE(check->grab().toImage(), checkBefore);
        QCOMPARE(radio->grab().toImage(), radioBefore);
    }

    void skinnedButtonShowsTheNormalFaceAndFollowsThePointer()
    {
        m_find->setFocusPolicy(Qt::NoFocus);
        QCOMPARE(attachSkin(m_form.get()), 1);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));

        const QImage shown = m_find->grab().toImage();
        const int w = shown.width();
        const int h = shown.height();
        QCOMPARE(w, m_find->width());
        // The top-left and bottom-right corners of the Normal face; the corner pixel itself is
        // clipped away.
        QCOMPARE(rgbAt(shown, 1, 0), 0x6BB3E3u);
        QCOMPARE(rgbAt(shown, 2, 0), 0x2C97D8u);
        QCOMPARE(rgbAt(shown, 3, 0), 0x1B8FD5u);
        QCOMPARE(rgbAt(shown, 0, 1), 0x69B2E2u);
        QCOMPARE(rgbAt(shown, 1, 1), 0x7EC0E7u);
        QCOMPARE(rgbAt(shown, 0, 2), 0x2995D7u);
        QCOMPARE(rgbAt(shown, w - 2, h - 1), 0x60AEE1u);
        QCOMPARE(rgbAt(shown, w - 1, h - 2), 0x64B0E2u);
        QVERIFY(!m_find->mask().contains(QPoint(0, 0)));
        QVERIFY(m_find->mask().contains(QPoint(1, 0)));

        // The pointer enters: the Hot face fades in over the picture shown now. No event loop
        // runs until the first step has been shown, so the fade timer itself stays out of it.
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(m_find, &enter);
        QCOMPARE(propOf(m_find, "OLDSTATE"), 1);
        QCOMPARE(propOf(m_find, "MOUSEFLAG"), 1);
        QCOMPARE(propOf(m_find, "ALPHALEVEL"), 70);
        const auto timer = static_cast<int>(propOf(m_find, "TIMERID"));
        QVERIFY(timer != 0);
        QTimerEvent tick(timer);
        QApplication::sendEvent(m_find, &tick);
        QCOMPARE(propOf(m_find, "ALPHALEVEL"), 73);
        QCOMPARE(rgbAt(m_find->grab().toImage(), 4, 1), 0xCEEFFEu); // 4CC3FB at 70 over FFFFFF
        // A paint the system asks for shows the target face at once.
        QCOMPARE(rgbAt(m_find->grab().toImage(), 4, 1), 0x4CC3FBu);
        QTRY_COMPARE_WITH_TIMEOUT(propOf(m_find, "TIMERID"), 0, 10000);
        QCOMPARE(propOf(m_find, "ALPHALEVEL"), 0);

        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(m_find, &leave);
        QCOMPARE(propOf(m_find, "OLDSTATE"), 0);
        QCOMPARE(propOf(m_find, "MOUSEFLAG"), 0);

        m_find->setEnabled(false);
        QCOMPARE(propOf(m_find, "OLDSTATE"), 3);
        QCOMPARE(rgbAt(m_find->grab().toImage(), 3, 0), 0xBFBFBFu);

        delete m_save;
        m_save = nullptr;
        QCOMPARE(skinState().skinnedButtonCount(), 1);
    }

    void destroyingAHookedFormTakesItsRecordsAlong()
    {
        QCOMPARE(attachSkin(m_form.get()), 1);
        QCOMPARE(skinState().skinnedButtonCount(), 2);
        m_form.reset();
        QCOMPARE(skinState().skinnedButtonCount(), 0);
        QCOMPARE(skinState().hookedFormCount(), 0);
        QVERIFY(!skinState().skinReady());
    }

    void textBoxGetsAFlatFrameUntilDetached()
    {
        auto* edit = new QLineEdit(m_form.get());
        m_form->layout()->addWidget(edit);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        QCOMPARE(attachSkin(m_form.get()), 1);

        const QRgb base = edit->palette().color(QPalette::Base).rgb() & 0xFFFFFFu;
        QImage shown = edit->grab().toImage();
        QCOMPARE(rgbAt(shown, 0, 0), 0x54A5D5u);
        QCOMPARE(rgbAt(shown, shown.width() - 1, shown.height() - 1), 0x54A5D5u);
        QCOMPARE(rgbAt(shown, 1, 1), base);
        QCOMPARE(rgbAt(shown, 2, 2), base);

        edit->setEnabled(false);
        QCOMPARE(rgbAt(edit->grab().toImage(), 0, 0), 0xCCCCCCu);

        QCOMPARE(detachSkin(m_form.get()), 1);
        QVERIFY(rgbAt(edit->grab().toImage(), 0, 0) != 0xCCCCCCu);
        QVERIFY(untouched(edit));
        QVERIFY(untouched(m_save));
        QVERIFY(m_save->mask().isEmpty());
    }
};

QTEST_MAIN(QtSkinTest)
#include "qtskin_test.moc"
