// bibliora-cli: the record codec and the checker on the command line, for batch work and for
// checking the codec against other MARC tools. Text goes out as UTF-8 whatever a record's
// encoding; built records as the bytes of the encoding asked for. One file per command.
#include "commands.h"
#include "gbk.h"
#include "input.h"
#include "output.h"

#include <charconv>
#include <cstddef>
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

// Takes "--threads N" out of a command's arguments (before any "--"): how many threads read
// and work on records. False, with the reason, when N is not a count.
bool takeThreads(std::vector<std::string>& args, std::string& error)
{
    for (std::size_t i = 0; i < args.size() && args[i] != "--"; ++i) {
        if (args[i] != "--threads")
            continue;
        unsigned threads = 0;
        const std::string value = i + 1 < args.size() ? args[i + 1] : std::string();
        const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), threads);
        if (value.empty() || ec != std::errc() || end != value.data() + value.size() ||
            threads < 1 || threads > 256) {
            error = "--threads takes a count from 1 to 256";
            return false;
        }
        cli::setReadThreads(threads);
        args.erase(args.begin() + std::ptrdiff_t(i), args.begin() + std::ptrdiff_t(i) + 2);
        return true;
    }
    return true;
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
        std::vector<std::string> rest(args.begin() + 1, args.end());
        if (std::string error; !takeThreads(rest, error))
            return cli::usageError(error);
        try {
            return command.run(rest);
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
