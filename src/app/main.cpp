#include "browserform.h"
#include "qtplatform.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char** argv)
{
    // The start-up path is the argument text as received, before Qt takes its own options.
    const QString startupPath = bibliora::startupPathFrom(argc, argv);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Bibliora"));
    QApplication::setApplicationVersion(QStringLiteral(BIBLIORA_VERSION));

    // Qt's own texts (file dialog, 是/否/确定) in Chinese whatever the machine's locale.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    bibliora::BrowserForm form(bibliora::makeQtPlatform());
    form.start(startupPath);
    return QApplication::exec();
}
