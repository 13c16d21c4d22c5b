// The real Qt services behind the platform interfaces, driven while their modal loops run.
#include "qtplatform.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace bibliora;

namespace {

// Runs `look` on the modal widget or popup of type T once it is up, which must close it.
template <typename T, typename Look> void whenShown(Look look)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, look] {
        QWidget* shown = QApplication::activePopupWidget();
        if (auto* widget = qobject_cast<T*>(shown ? shown : QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            look(widget);
        }
    });
    timer->start(10);
}

} // namespace

class QtServicesTest : public QObject
{
    Q_OBJECT

private slots:
    void theMessageBoxDefaultsAndEscapesToNo()
    {
        QString seen; // the default button, the icon and the text
        whenShown<QMessageBox>([&](QMessageBox* box) {
            seen = QStringLiteral("%1 %2 ")
                       .arg(box->standardButton(box->defaultButton()))
                       .arg(box->icon()) +
                   box->text();
            QTest::keyClick(box, Qt::Key_Escape);
        });
        const MessageAnswer answer = QtMessageBox().show(
            nullptr, QStringLiteral("第一行\r\n第二行"), QStringLiteral("温馨提示"),
            MessageButtons::YesNo, MessageIcon::Information, MessageAnswer::No);
        QVERIFY(answer == MessageAnswer::No);
        QCOMPARE(seen, QStringLiteral("%1 %2 第一行\n第二行")
                           .arg(QMessageBox::No)
                           .arg(QMessageBox::Information));
    }

    void theSaveDialogOffersTheFiltersAndNeverAsksToOverwrite()
    {
        QStringList seen; // the filters, and whether it would ask before overwriting
        whenShown<QFileDialog>([&](QFileDialog* dialog) {
            seen = dialog->nameFilters()
                   << QString::number(!dialog->testOption(QFileDialog::DontConfirmOverwrite));
            dialog->reject();
        });
        const QString chosen = QtFileDialog().showFileDialog(
            false, QStringLiteral("保存MARC文件"),
            {{QStringLiteral("(ISO2709格式)"), QStringLiteral("*.ISO")},
             {QStringLiteral("文本形式"), QStringLiteral("*.txt")}},
            0, QString(), QString(), nullptr);
        QCOMPARE(chosen, QString());
        QCOMPARE(seen, (QStringList{QStringLiteral("(ISO2709格式) (*.ISO)"),
                                    QStringLiteral("文本形式 (*.txt)"), QStringLiteral("0")}));

        // The filter the user leaves chosen is reported, counted from 1.
        QTemporaryDir dir;
        whenShown<QFileDialog>([&](QFileDialog* dialog) {
            dialog->selectNameFilter(dialog->nameFilters().at(1));
            // Typed as a user types it: the folder's listing may still be on its way.
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QTest::keyClicks(name, QStringLiteral("out.txt"));
            QTest::keyClick(name, Qt::Key_Return);
        });
        int filter = 0;
        const QString path =
            QtFileDialog().showFileDialog(false, QStringLiteral("导出为"),
                                          {{QStringLiteral("MARCXML"), QStringLiteral("*.xml")},
                                           {QStringLiteral("CSV"), QStringLiteral("*.csv")}},
                                          1, dir.path(), QString(), nullptr, &filter);
        QVERIFY(path.endsWith(QStringLiteral("out.txt")));
        QCOMPARE(filter, 2);
    }

    void thePopupMenuShowsCaptionsAsGivenAndNumbersSeparators()
    {
        QtPopupMenu menus;
        QStringList texts;
        whenShown<QMenu>([&](QMenu* menu) {
            for (QAction* a : menu->actions())
                texts << (a->isSeparator() ? QStringLiteral("-%1").arg(a->data().toInt())
                                           : a->text());
            menu->setActiveAction(menu->actions().constLast());
            QTest::keyClick(menu, Qt::Key_Return);
        });
        const int chosen = menus.track({{1, QStringLiteral("删除&复制"), false},
                                        {2, QString(), true},
                                        {3, QStringLiteral("导出"), false}},
                                       QPoint(20, 20));
        QCOMPARE(chosen, 3);
        QCOMPARE(texts, (QStringList{QStringLiteral("删除&&复制"), QStringLiteral("-2"),
                                     QStringLiteral("导出")}));
    }

    void theClipboardHoldsThePlainText()
    {
        QtClipboard clipboard;
        clipboard.setText(QStringLiteral("00042nam\x1D"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("00042nam\x1D"));
        clipboard.clear();
        QCOMPARE(QApplication::clipboard()->text(), QString());
    }
};

QTEST_MAIN(QtServicesTest)
#include "tst_qtservices.moc"
