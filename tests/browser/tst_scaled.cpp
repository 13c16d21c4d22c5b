// The main window on a screen scaled to 150 %, as a Windows desktop set to 150 % gives it: it
// takes 1.5 times its designed size in device pixels, and no control or caption is cut off.
#include "browsertestsupport.h"
#include "twips.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace bibliora;
using namespace bibliora::test;

class ScaledTest : public QObject
{
    Q_OBJECT

private slots:
    void theWindowIsOneAndAHalfTimesItsDesignAndNothingIsCut()
    {
        Window w;
        w.load(QFINDTESTDATA("../../samples/cnmarc-gbk.iso"));
        QCOMPARE(w.label1()->text(), QStringLiteral("/120"));
        QCOMPARE(w.form->devicePixelRatioF(), 1.5);
        // 10440 × 8565 twips of client area below the menu bar at 96 logical DPI, each logical
        // pixel 1.5 device ones.
        const double dpi = logicalDpi(w.form.get());
        QCOMPARE(dpi, 96.0);
        const int bar = w.child<QWidget>("MenuBar")->height();
        QCOMPARE(w.form->size(), QSize(twipsToPixels(10440, dpi), twipsToPixels(8565, dpi) + bar));

        const auto children = w.form->findChildren<QWidget*>();
        for (QWidget* child : children) {
            if (!child->isVisibleTo(w.form.get()) || child->isWindow())
                continue;
            QWidget* parent = child->parentWidget();
            QVERIFY2(parent->rect().contains(child->geometry()) || child->geometry().isEmpty(),
                     qPrintable(child->objectName() + QStringLiteral(" sticks out of its parent")));
        }
        for (const char* name : {"Command1", "Command3", "Command4", "Command5"}) {
            QPushButton* b = w.button(name);
            const QString caption = QString(b->text()).remove(QLatin1Char('&'));
            QVERIFY2(b->fontMetrics().horizontalAdvance(caption) <= b->width(), name);
        }
        QLabel* count = w.label1();
        QVERIFY(count->fontMetrics().horizontalAdvance(count->text()) <= count->width());
    }
};

int main(int argc, char** argv)
{
    qputenv("QT_SCALE_FACTOR", "1.5"); // read when the application starts
    QApplication app(argc, argv);
    ScaledTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_scaled.moc"
