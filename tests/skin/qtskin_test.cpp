#include "buttonskin.h"
#include "qtplatform.h"
#include "qtskin.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>

using namespace bibliora;
using namespace bibliora::skin;

namespace {

QImage shot(QWidget* widget)
{
    return widget->grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

// Shows a skinned face: the atlas border along its top edge, blue or, when disabled, grey,
// where Qt's own button has none, and a clip without the corner pixels.
bool showsSkin(QPushButton* button)
{
    const QImage image = shot(button);
    return button->property("PROCADDR") == 1 && button->mask().contains(QPoint(1, 0)) &&
           !button->mask().contains(QPoint(button->width() - 1, button->height() - 1)) &&
           image.pixel(image.width() / 2, 0) == (button->isEnabled() ? 0xFF1B8FD5 : 0xFFBFBFBF);
}

bool allSkinned(QWidget* window)
{
    const auto buttons = window->findChildren<QPushButton*>();
    return !buttons.isEmpty() && std::all_of(buttons.begin(), buttons.end(), showsSkin);
}

// Does `act`, grabs the button a few steps into the fade that follows and again when it has
// run: whether every channel of every pixel of the first grab lies between those of the picture
// before and the one after (give or take the rounding of one blend), and it is neither.
template <typename Act> bool fadesThrough(QPushButton* button, Act act)
{
    const auto fadeDone = [button] { return button->property("TIMERID") == 0; };
    const QImage from = QTest::qWaitFor(fadeDone, 3000) ? shot(button) : QImage();
    act();
    const int start = button->property("ALPHALEVEL").toInt();
    const auto stepsOn = [&] { return button->property("ALPHALEVEL").toInt() >= start + 12; };
    const QImage mid = QTest::qWaitFor(stepsOn, 3000) ? shot(button) : QImage();
    const QImage to = QTest::qWaitFor(fadeDone, 3000) ? shot(button) : QImage();
    if (mid == from || mid == to || from.size() != mid.size() || to.size() != mid.size())
        return false;
    for (int i = 0; i < mid.width() * mid.height() * 4; ++i) {
        const int m = mid.constBits()[i], a = from.constBits()[i], b = to.constBits()[i];
        if (m + 1 < std::min(a, b) || m > std::max(a, b) + 1)
            return false;
    }
    return true;
}

} // namespace

class QtSkinTest final : public QObject
{
    Q_OBJECT

    std::unique_ptr<QWidget> m_form;
    QLineEdit* m_edit = nullptr;
    QPushButton* m_save = nullptr;

private slots:
    void init()
    {
        m_form = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(m_form.get());
        layout->addWidget(m_edit = new QLineEdit); // first in the focus chain
        layout->addWidget(m_save = new QPushButton(QStringLiteral("保存 &S")));
        m_save->setFixedSize(75, 23);
        m_form->resize(300, 200);
        attachSkin(m_form.get());
        m_form->show();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    }

    void cleanup()
    {
        detachSkin(m_form.get());
        m_form.reset();
        QCOMPARE(skinState().skinnedButtonCount() + skinState().hookedFormCount(), 0);
        QVERIFY(!skinState().skinReady());
    }

    void fadesShowTheBlendOfEveryChange()
    {
        QCOMPARE(attachSkin(m_form.get()), 0);

        const QPoint inside(20, 10);
        QVERIFY(fadesThrough(m_save, [&] { QTest::mouseMove(m_save, inside); }));
        QCOMPARE(shot(m_save).pixel(4, 1), 0xFF4CC3FB); // Hot, once faded in
        // The form's far corner is away from the button wherever the layout puts it.
        QVERIFY(fadesThrough(m_save, [&] { QTest::mouseMove(m_form.get(), {295, 195}); }));
        QTest::keyClick(m_edit, Qt::Key_Tab);
        QVERIFY(fadesThrough(m_save, [&] { QTest::keyPress(m_save, Qt::Key_Space); }));
        QTest::keyRelease(m_save, Qt::Key_Space);
        QTest::mouseMove(m_save, inside);
        QVERIFY(
            fadesThrough(m_save, [&] { QTest::mousePress(m_save, Qt::LeftButton, {}, inside); }));
        QTest::mouseRelease(m_save, Qt::LeftButton, {}, inside);

        m_save->setEnabled(false); // at once, no fade
        QCOMPARE(shot(m_save).pixel(37, 0), 0xFFBFBFBF);
        m_save->setEnabled(true);
        QCOMPARE(shot(m_save).pixel(37, 0), 0xFF1B8FD5);
    }

    void aMessageBoxStraightAfterAFileDialogIsSkinned()
    {
        QTemporaryDir dir;
        bool fileDialogSkinned = false, boxSkinned = false;
        // Each dialog is answered as soon as its own event loop runs, as an export does.
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            fileDialogSkinned = allSkinned(dialog);
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QTest::keyClicks(name, QStringLiteral("out.iso"));
            QTest::keyClick(name, Qt::Key_Return);
        });
        const QString path = QtFileDialog().showFileDialog(
            false, QStringLiteral("导出"),
            {{QStringLiteral("(ISO2709格式)"), QStringLiteral("*.ISO")}}, 0, dir.path(), QString(),
            m_form.get());
        QVERIFY(path.endsWith(QStringLiteral("out.iso")));
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            boxSkinned = allSkinned(box);
            QTest::keyClick(box, Qt::Key_Escape);
        });
        QtMessageBox().show(m_form.get(), QStringLiteral("数据已全部导出，是否查看文件！"),
                            QStringLiteral("温馨提示"), MessageButtons::YesNo,
                            MessageIcon::Information, MessageAnswer::Yes);
        QVERIFY(fileDialogSkinned && boxSkinned);
        // Both dialogs are gone, and with them their buttons: the window and Save are left.
        QCOMPARE(skinState().hookedFormCount() + skinState().skinnedButtonCount(), 2);
    }

    void facesFollowTheScreen()
    {
        const qreal ratio = m_save->devicePixelRatio();
        const QImage face = shot(m_save);
        // At ratio 2 the caption is drawn at full resolution: drawn at logical size and scaled,
        // every pixel of it would be one of a pair, since the fill does not change along a row.
        bool paired = true;
        for (int y = 8; ratio >= 2 && y < face.height() - 8; ++y)
            for (int x = 16; x + 1 < face.width() - 16; x += 2)
                paired = paired && face.pixel(x, y) == face.pixel(x + 1, y);
        QVERIFY(ratio < 2 || !paired);
    }

    void textBoxesGetAFlatFrameLaterButtonsTheSkinAndClosingLeavesNothing()
    {
        const int middle = m_edit->width() / 2;
        QCOMPARE(shot(m_edit).pixel(middle, 0), 0xFF54A5D5);
        QCOMPARE(shot(m_edit).pixel(middle, 1), m_edit->palette().color(QPalette::Base).rgba());
        m_edit->setEnabled(false);
        QCOMPARE(shot(m_edit).pixel(middle, 0), 0xFFCCCCCC);
        m_edit->setEnabled(true);

        // A button added to the open window, or in a dialog it opens, is skinned when it shows.
        auto* added = new QPushButton(QStringLiteral("新"));
        m_form->layout()->addWidget(added);
        QTRY_VERIFY(showsSkin(added));
        auto* dialog = new QDialog(m_form.get());
        auto* ok = new QPushButton(QStringLiteral("开始查找"), dialog);
        dialog->show();
        QVERIFY(showsSkin(ok));
        QTest::mousePress(ok, Qt::LeftButton);
        QTest::mousePress(m_save, Qt::LeftButton);
        QCOMPARE(skinState().fadeTimerCount(), 2);
        // Letting go of the main window with the dialog open and fades running leaves nothing
        // behind.
        detachSkin(m_form.get());
        QCOMPARE(skinState().fadeTimerCount(), 0);
        QCOMPARE(skinState().skinnedButtonCount() + skinState().hookedFormCount(), 0);
        const QList<QWidget*> all = m_form->findChildren<QWidget*>() << m_form.get();
        for (const QWidget* w : all)
            QVERIFY(w->dynamicPropertyNames().isEmpty());
        QVERIFY(!showsSkin(ok) && !showsSkin(added) && m_save->mask().isEmpty());
        QVERIFY(shot(m_edit).pixel(middle, 0) != 0xFF54A5D5); // its own frame again
        QTest::mouseRelease(m_save, Qt::LeftButton);
        QTest::mouseRelease(ok, Qt::LeftButton);
    }
};

QTEST_MAIN(QtSkinTest)
#include "qtskin_test.moc"
