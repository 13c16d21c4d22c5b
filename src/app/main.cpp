#include "browserform.h"
#include "commandline.h"
#include "fonts.h"
#include "qtplatform.h"
#include "qtskin.h"
#include "qttranslations.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#endif

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
    // Windows hands a program its command line as one UTF-16 text: taken as it is, so a path
    // holding characters outside the ANSI code page still names its file.
#ifdef _WIN32
    const QString startupPath = bibliora::startupPathFromCommandLine(
        QStringView(reinterpret_cast<const char16_t*>(GetCommandLineW())));
    // A window program has no console of its own: --version and --help answer in the console
    // it was started from, in UTF-8.
    if ((startupPath == QLatin1String("--version") || startupPath == QLatin1String("--help")) &&
        AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::freopen("CONOUT$", "w", stdout);
        SetConsoleOutputCP(CP_UTF8);
    }
#else
    const QString startupPath = bibliora::startupPathFrom(argc, argv);
#endif
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

    bibliora::installQtTranslations(&app);

    bibliora::BrowserForm form(bibliora::makeQtPlatform());
    bibliora::skin::attachSkin(&form); // before the window is first shown
    form.start(startupPath);
    return QApplication::exec();
}
