// bibliora-cli: the record codec and the checker on the command line, for batch work and for
// checking the codec against other MARC tools. Text goes out as UTF-8 whatever a record's
// encoding; built records as the bytes of the encoding asked for. One file per command.
#include "commands.h"
#include "gbk.h"
#include "output.h"

#include <cstdio>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h> // after windows.h, which it needs
#endif

using namespace bibliora;

namespace {

struct Command
{
    std::string_view name;
    int (*run)(const std::vector<std::string>& args);
};

constexpr Command kCommands[] = {
    {"list", cli::listCommand},          {"show", cli::showCommand},
    {"check", cli::checkCommand},        {"resave", cli::resaveCommand},
    {"build", cli::buildCommand},        {"replace", cli::replaceCommand},
    {"add-field", cli::addFieldCommand}, {"delete-field", cli::deleteFieldCommand},
    {"convert", cli::convertCommand},
};

std::vector<std::string> arguments(int argc, char** argv)
{
#ifdef _WIN32
    // The arguments as Windows holds them, in UTF-16, so that a path outside the ANSI code
    // page still names its file; argv would have lost such characters.
    (void)argc;
    (void)argv;
    std::vector<std::string> args;
    int wideCount = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &wideCount)) {
        for (int i = 1; i < wideCount; ++i)
            args.push_back(
                Gbk::toUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(wide[i]))));
        LocalFree(wide);
    }
    return args;
#else
    return std::vector<std::string>(argv + 1, argv + argc);
#endif
}

} // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    // The same bytes on every system: no CR added before each LF.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    const std::vector<std::string> args = arguments(argc, argv);
    if (args.empty())
        return cli::usageError("no command given");
    const std::string& name = args[0];
    if (name == "--help" || name == "-h" || name == "help") {
        std::fputs(cli::usageText(), stdout);
        return 0;
    }
    for (const Command& command : kCommands) {
        if (command.name != name)
            continue;
        try {
            return command.run(std::vector<std::string>(args.begin() + 1, args.end()));
        } catch (const std::exception& e) {
            cli::complain(e.what());
            return name == "check" || name == "replace" || name == "add-field" ||
                           name == "delete-field" || name == "convert"
                       ? 2
                       : 1;
        }
    }
    return cli::usageError("unknown command: " + name);
}
