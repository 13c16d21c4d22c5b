#pragma once

#include <QString>
#include <QStringView>

namespace bibliora {

// The start-up path from a Windows command line as the process received it (one text):
// everything after the program's name and the blanks that end it, with every double quote
// removed, neither split into words nor trimmed. The program's name ends at its closing quote
// when it starts with one, else at the first blank; no escaping applies to it, just as
// Windows itself reads it.
QString startupPathFromCommandLine(QStringView commandLine);

// The start-up path elsewhere: the program's arguments as received, joined by single spaces,
// with every double quote removed. Not split, not trimmed.
QString startupPathFrom(int argc, const char* const* argv);

} // namespace bibliora
