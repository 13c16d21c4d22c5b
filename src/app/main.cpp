#include "browserform.h"
#include "fonts.h"
#include "qtplatform.h"
#include "qtskin.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>

namespace {

const char kHelp[] =
    "用法: bibliora [MARC文件路径]\n"
    "  打开 ISO 2709 格式的 MARC 文件(GBK 编码或带字节顺序标记的 UTF-16),\n"
    "  在表格中浏览、查找、编辑、删除、复制和导出记录。\n"
    "  整个参数文本(去掉双引号)就是要打开的路径。\n"
    "  --version  显示版本号后退出\n"
    "  --help     显示本说明后退出\n"
    "\n"
    "Usage: bibliora [MARC FILE]\n"
    "  Opens an ISO 2709 MARC file (GBK, or UTF-16 with a byte-order mark) to browse,\n"
    "  find, edit, delete, copy and export its records in a grid.\n"
    "  The whole argument text, double quotes removed, is the path to open.\n"
    "  --version  print the version and exit\n"
    "  --help     print this text and exit\n"
    "\n"
    "For batch work see bibliora-cli --help.\n";

} // namespace

int main(int argc, char** argv)
{
    // The start-up path is the argument text as received, before Qt takes its own options.
    const QString startupPath = bibliora::startupPathFrom(argc, argv);
    if (startupPath == QLatin1String("--version")) {
        std::printf("Bibliora %s\n", BIBLIORA_VERSION);
        return 0;
    }
    if (startupPath == QLatin1String("--help")) {
        std::fputs(kHelp, stdout);
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Bibliora"));
    QApplication::setApplicationVersion(QStringLiteral(BIBLIORA_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("bibliora"));
    QIcon icon;
    for (int size : {16, 32, 48, 256})
        icon.addFile(QStringLiteral(":/icons/bibliora-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);

    QApplication::setFont(bibliora::songFont(9)); // message boxes and file dialogs too

    // Qt's own texts (file dialog, 是/否/确定) in Chinese whatever the machine's locale.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    bibliora::BrowserForm form(bibliora::makeQtPlatform());
    bibliora::skin::attachSkin(&form); // before the window is first shown
    form.start(startupPath);
    return QApplication::exec();
}
