#include "commandline.h"

#include <QStringList>

namespace bibliora {

QString startupPathFromCommandLine(QStringView commandLine)
{
    const auto isBlank = [](QChar c) { return c == u' ' || c == u'\t'; };
    qsizetype i = 0;
    const qsizetype n = commandLine.size();
    if (n > 0 && commandLine[0] == u'"') {
        i = commandLine.indexOf(u'"', 1);
        i = i < 0 ? n : i + 1;
    } else {
        while (i < n && !isBlank(commandLine[i]))
            ++i;
    }
    while (i < n && isBlank(commandLine[i]))
        ++i;
    QString path = commandLine.mid(i).toString();
    path.remove(u'"');
    return path;
}

QString startupPathFrom(int argc, const char* const* argv)
{
    QStringList parts;
    for (int i = 1; i < argc; ++i)
        parts << QString::fromLocal8Bit(argv[i]);
    QString path = parts.join(QLatin1Char(' '));
    path.remove(QLatin1Char('"'));
    return path;
}

} // namespace bibliora
