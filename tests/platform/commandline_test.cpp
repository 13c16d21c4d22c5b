// The start-up path taken from a Windows command line, as Explorer, a shortcut, the
// "Open with" entry and a typed command hand it to the program.
#include "commandline.h"

#include <gtest/gtest.h>

using bibliora::startupPathFromCommandLine;

namespace {

QString path(const char16_t* commandLine)
{
    return startupPathFromCommandLine(QStringView(commandLine));
}

} // namespace

TEST(StartupPathFromCommandLine, TheTextAfterTheProgramsNameWithItsQuotesRemoved)
{
    // "Open with" and Explorer quote both the program and the file.
    EXPECT_EQ(path(uR"("C:\Program Files\Bibliora\bibliora.exe" "C:\编目\数据 2024.iso")"),
              QStringLiteral(u"C:\\编目\\数据 2024.iso"));
    // Typed in a console: an unquoted program name ends at the first blank.
    EXPECT_EQ(path(uR"(bibliora.exe D:\かな 😀\a.iso)"), QStringLiteral(u"D:\\かな 😀\\a.iso"));
    // Neither split into words nor trimmed: inner and trailing blanks stay, only the blanks
    // that end the program's name go.
    EXPECT_EQ(path(u"bibliora \t  a  b.iso  "), QStringLiteral("a  b.iso  "));
    // Every double quote goes, wherever it stands.
    EXPECT_EQ(path(uR"(bibliora "a"b" c".iso)"), QStringLiteral("ab c.iso"));
}

TEST(StartupPathFromCommandLine, NoPathWhenOnlyTheProgramIsNamed)
{
    EXPECT_EQ(path(u""), QString());
    EXPECT_EQ(path(u"bibliora.exe"), QString());
    EXPECT_EQ(path(uR"("C:\Program Files\Bibliora\bibliora.exe")"), QString());
    EXPECT_EQ(path(u"bibliora.exe   "), QString());
    // A quoted name that never closes takes the whole line.
    EXPECT_EQ(path(uR"("C:\Program Files\bibliora.exe a.iso)"), QString());
}
