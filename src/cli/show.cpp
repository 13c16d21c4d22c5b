#include "commands.h"
#include "displaytext.h"
#include "gbk.h"
#include "input.h"
#include "output.h"

#include <optional>

namespace bibliora::cli {

// The display text of record N, read as the window reads it.
int showCommand(const std::vector<std::string>& args)
{
    if (args.size() != 2)
        return usageError("show takes FILE and N");
    const std::string& path = args[0];
    const std::string& number = args[1];
    if (const std::string why = unreadableBecause(path); !why.empty()) {
        complain(path + ": " + why);
        return 1;
    }
    const auto wanted = parseNumber(std::string_view(number));
    if (!wanted || *wanted == 0 || number.find(' ') != std::string::npos)
        return usageError("not a record number: " + number);
    std::int64_t count = 0;
    std::optional<std::u16string> text;
    forEachRecord(path, [&](std::int64_t n, MarcRecord& record, Encoding e) {
        count = n;
        if (static_cast<unsigned long long>(n) == *wanted)
            text = formatRecordText(record, e);
    });
    if (!text) {
        complain(path + " holds " + std::to_string(count) + " records; there is no record " +
                 number);
        return 1;
    }
    Output out;
    out.put(Gbk::toUtf8(*text));
    return out.flush() ? 0 : 1;
}

} // namespace bibliora::cli
