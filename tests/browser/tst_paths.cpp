// Files whose names the ANSI code page cannot spell (Chinese, kana, an emoji) open from the
// command line, the open dialog and a drop, and export beside themselves; on Windows,
// hidden and system files count as absent.
#include "browsertestsupport.h"
#include "commandline.h"

#include <QDir>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#ifdef _WIN32
#include <windows.h>
#endif

using namespace bibliora;
using namespace bibliora::test;

class PathsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_folder;
    QString m_file;

    bool loaded(const Window& w, int records) const
    {
        return w.grid().rowCount() == records + 1 &&
               w.label1()->text() == QStringLiteral("/%1").arg(records);
    }

private slots:
    void initTestCase()
    {
        m_folder = m_dir.path() + QStringLiteral("/编目 かな 😀");
        QVERIFY(QDir().mkpath(m_folder));
        m_file = writeLinesFile(
            m_folder, QStringLiteral("数据 2024.iso"),
            {makeRecord(QStringLiteral("红楼梦"), QStringLiteral("978-7-02-000220-7")),
             makeRecord(QStringLiteral("水浒传"), QStringLiteral("978-7-02-000221-4")),
             makeRecord(QStringLiteral("西游记"), QString())});
        QVERIFY(!m_file.isEmpty());
    }

    void opensFromTheCommandLineTheDialogAndADrop()
    {
        const QString native = QDir::toNativeSeparators(m_file);
        Window fromCommandLine;
        fromCommandLine.form->start(startupPathFromCommandLine(
            QStringLiteral("\"C:\\Program Files\\Bibliora\\bibliora.exe\" \"%1\"").arg(native)));
        QTRY_VERIFY(loaded(fromCommandLine, 3)); // the start-up load runs from the event loop
        QCOMPARE(fromCommandLine.text1()->text(), native);

        Window fromDialog;
        fromDialog.fake.fileDialog->answers.push_back(m_file);
        fromDialog.click("Command1");
        QTRY_VERIFY(loaded(fromDialog, 3));

        Window fromDrop;
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(m_file)});
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(fromDrop.form.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(fromDrop.form.get(), &drop);
        QVERIFY(drop.isAccepted());
        QTRY_VERIFY(loaded(fromDrop, 3));
    }

    void exportsBesideTheOpenedFile()
    {
        Window w;
        w.load(m_file);
        const QString target = m_folder + QStringLiteral("/导出 😀.iso");
        w.fake.fileDialog->answers.push_back(target);
        w.fake.messageBox->answers.push_back(MessageAnswer::No); // do not open the folder
        w.click("Command3");
        QCOMPARE(readAll(target), readAll(m_file)); // one record a line, as read
    }

    void hiddenAndSystemFilesCountAsAbsent()
    {
#ifdef _WIN32
        for (const DWORD attribute : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM}) {
            const QString path = m_folder + QStringLiteral("/隐藏 %1.iso").arg(attribute);
            QVERIFY(QFile::copy(m_file, path));
            const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
            QVERIFY(SetFileAttributesW(native.c_str(), attribute));

            Window w;
            w.form->start(path);
            QTest::qWait(200);
            QCOMPARE(w.grid().rowCount(), 1); // nothing loaded, the path left in the box
            QVERIFY(w.label1()->isHidden());

            // Exporting onto it asks nothing about an existing file.
            w.load(m_file);
            w.fake.fileDialog->answers.push_back(path);
            w.click("Command3");
            for (const MessageCall& call : w.fake.messageBox->calls)
                QVERIFY(!call.text.contains(QStringLiteral("该文件已存在")));
        }
#else
        QSKIP("hidden and system are file attributes of Windows");
#endif
    }
};

QTEST_MAIN(PathsTest)
#include "tst_paths.moc"
