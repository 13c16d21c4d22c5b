#include "buildtime.h"

#include <cstdio>
#include <ctime>

namespace bibliora::cli {

namespace {

std::optional<BuildTime> parseBuildTime(const std::string& s)
{
    BuildTime t;
    char tail = 0;
    if (s.size() != 19 || std::sscanf(s.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &t.year, &t.month,
                                      &t.day, &t.hour, &t.minute, &t.second, &tail) != 6)
        return std::nullopt;
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 || t.minute > 59 ||
        t.second > 59 || t.year < 0)
        return std::nullopt;
    return t;
}

BuildTime localNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &now);
#else
    localtime_r(&now, &tm);
#endif
    return BuildTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                     tm.tm_hour,        tm.tm_min,     tm.tm_sec};
}

} // namespace

std::string buildTimeOf(const Arguments& arguments, BuildTime& now)
{
    const std::optional<std::string> text = arguments.value("--now");
    if (!text) {
        now = localNow();
        return {};
    }
    const std::optional<BuildTime> t = parseBuildTime(*text);
    if (!t)
        return "--now takes YYYY-MM-DDTHH:MM:SS, not " + *text;
    now = *t;
    return {};
}

const char* describe(BuildError error)
{
    switch (error) {
    case BuildError::TooFewLines:
        return "the text has fewer than two lines";
    case BuildError::EmptySubfield:
        return "a line has an empty subfield";
    case BuildError::TooLarge:
        return "the record is too long for ISO 2709";
    case BuildError::None:
        break;
    }
    return "";
}

} // namespace bibliora::cli
