#include "buttonskin.h"
#include "qtskin.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <functional>
#include <memory>

using namespace bibliora;
using namespace bibliora::skin;

namespace {

const char* const kStateNames[] = {"PROCADDR", "MOUSEFLAG", "TIMERID", "OLDSTATE", "ALPHALEVEL"};

int prop(const QObject* object, const char* name)
{
    return object->property(name).toInt();
}

QImage shot(QWidget* widget)
{
    return widget->grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

// Shows a skinned face: the atlas border along its top edge, blue or, when disabled, grey,
// where Qt's own button has none.
bool showsSkin(QPushButton* button)
{
    const QImage image = shot(button);
    return prop(button, "PROCADDR") == 1 &&
           image.pixel(image.width() / 2, 0) == (button->isEnabled() ? 0xFF1B8FD5 : 0xFFBFBFBF);
}

// Every channel of every pixel of `mid` between those of `from` and `to` (give or take the
// rounding of one blend), and the picture neither of them.
bool blendBetween(const QImage& mid, const QImage& from, const QImage& to)
{
    if (mid == from || mid == to || mid.size() != from.size() || mid.size() != to.size())
        return false;
    for (int y = 0; y < mid.height(); ++y)
        for (int x = 0; x < mid.width(); ++x)
            for (int shift : {0, 8, 16}) {
                const int m = (mid.pixel(x, y) >> shift) & 0xFF,
                          a = (from.pixel(x, y) >> shift) & 0xFF,
                          b = (to.pixel(x, y) >> shift) & 0xFF;
                if (m + 1 < std::min(a, b) || m > std::max(a, b) + 1)
                    return false;
            }
    return true;
}

// Does `act`, grabs the button a few steps into the fade that follows and again when it has
// run: whether the first grab is a blend between the picture before and the one after.
bool fadesThrough(QPushButton* button, const std::function<void()>& act)
{
    const auto fadeDone = [button] { return prop(button, "TIMERID") == 0; };
    if (!QTest::qWaitFor(fadeDone, 3000))
        return false;
    const QImage before = shot(button);
    act();
    const int start = prop(button, "ALPHALEVEL");
    if (!QTest::qWaitFor([&] { return prop(button, "ALPHALEVEL") >= start + 12; }, 3000))
        return false;
    const QImage mid = shot(button);
    return QTest::qWaitFor(fadeDone, 3000) && blendBetween(mid, before, shot(button));
}

// A main window that lets go of the skin when it closes.
class MainWindow final : public QWidget
{
protected:
    void closeEvent(QCloseEvent* event) override
    {
        detachSkin(this);
        QWidget::closeEvent(event);
    }
};

} // namespace

class QtSkinTest final : public QObject
{
    Q_OBJECT

    std::unique_ptr<QWidget> m_form;
    QLineEdit* m_edit = nullptr;
    QPushButton* m_save = nullptr;

    bool showSkinned()
    {
        attachSkin(m_form.get());
        m_form->show();
        return QTest::qWaitForWindowExposed(m_form.get());
    }

private slots:
    void init()
    {
        m_form = std::make_unique<MainWindow>();
        auto* layout = new QVBoxLayout(m_form.get());
        layout->addWidget(m_edit = new QLineEdit); // first in the focus chain
        layout->addWidget(m_save = new QPushButton(QStringLiteral("保存 &S")));
        m_save->setFixedSize(75, 23);
        m_form->resize(300, 200);
    }

    void cleanup()
    {
        detachSkin(m_form.get());
        QVERIFY(!m_save->property("PROCADDR").isValid() && m_save->mask().isEmpty());
        m_form.reset();
        QCOMPARE(skinState().skinnedButtonCount() + skinState().hookedFormCount(), 0);
        QVERIFY(!skinState().skinReady());
    }

    void fadesShowTheBlendOfEveryChange()
    {
        QCOMPARE(attachSkin(m_form.get()), 1);
        QCOMPARE(attachSkin(m_form.get()), 0);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        QCOMPARE(shot(m_save).pixel(4, 1), 0xFFFFFFFF); // Normal, one pixel cut from each corner
        QVERIFY(!m_save->mask().contains(QPoint(74, 22)) &&
                m_save->mask().contains(QPoint(73, 22)));

        const QPoint inside(20, 10);
        const QPoint outside = m_save->geometry().bottomRight() + QPoint(20, 20);
        QVERIFY(fadesThrough(m_save, [&] { QTest::mouseMove(m_save, inside); }));
        QCOMPARE(shot(m_save).pixel(4, 1), 0xFF4CC3FB); // Hot, once faded in
        QVERIFY(fadesThrough(m_save, [&] { QTest::mouseMove(m_form.get(), outside); }));
        QTest::keyClick(m_edit, Qt::Key_Tab);
        QVERIFY(m_save->hasFocus());
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
        QTRY_COMPARE(skinState().fadeTimerCount(), 0);
    }

    void textBoxesGetAFlatFrameLaterButtonsTheSkinAndClosingLeavesNothing()
    {
        QVERIFY(showSkinned());
        const int middle = m_edit->width() / 2;
        QCOMPARE(shot(m_edit).pixel(middle, 0), 0xFF54A5D5);

        // A button added to the open window, or in a dialog it opens, is skinned when it shows.
        auto* added = new QPushButton(QStringLiteral("新"));
        m_form->layout()->addWidget(added);
        added->show();
        QVERIFY(showsSkin(added));
        auto* dialog = new QDialog(m_form.get());
        auto* ok = new QPushButton(QStringLiteral("开始查找"), dialog);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QVERIFY(showsSkin(ok));
        QTest::mousePress(ok, Qt::LeftButton);
        QTest::mousePress(m_save, Qt::LeftButton);
        QCOMPARE(skinState().fadeTimerCount(), 2);
        // Closing the main window with the dialog open and fades running leaves nothing behind.
        m_form->close();
        QCOMPARE(skinState().fadeTimerCount(), 0);
        QCOMPARE(skinState().skinnedButtonCount() + skinState().hookedFormCount(), 0);
        const QList<QWidget*> all = m_form->findChildren<QWidget*>() << m_form.get();
        for (const QWidget* w : all)
            for (const char* name : kStateNames)
                QVERIFY2(!w->property(name).isValid(), name);
        QVERIFY(!showsSkin(ok) && !showsSkin(added));
        QVERIFY(shot(m_edit).pixel(middle, 0) != 0xFF54A5D5); // its own frame again
        QTest::mouseRelease(m_save, Qt::LeftButton);
        QTest::mouseRelease(ok, Qt::LeftButton);
    }
};

QTEST_MAIN(QtSkinTest)
#include "qtskin_test.moc"
