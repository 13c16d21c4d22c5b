#include "arguments.h"
#include "commands.h"
#include "gbk.h"
#include "input.h"
#include "output.h"
#include "reader.h"

#include <charconv>

namespace bibliora::cli {

// One line per record: number, title and ISBN/ISSN, and with --encodings the encoding the
// record is read in.
int listCommand(const std::vector<std::string>& args)
{
    const Arguments a(args, {"--encodings"}, {});
    if (!a.error().empty())
        return usageError(a.error());
    if (a.operands().size() != 1)
        return usageError("list takes one FILE");
    const std::string& path = a.operands()[0];
    if (const std::string why = unreadableBecause(path); !why.empty()) {
        complain(path + ": " + why);
        return 1;
    }
    const bool withEncodings = a.has("--encodings");
    Output out;
    // The title and number, made on the reading threads; the number goes first here.
    const auto row = [withEncodings](std::string_view record, Encoding e, std::string& text) {
        text = "\t";
        appendEscaped(text, Gbk::toUtf8(titleOf(record, e)));
        text += "\t";
        appendEscaped(text, Gbk::toUtf8(standardNumberOf(record, e)));
        if (withEncodings) {
            text += "\t";
            text += encodingName(e);
        }
        text += "\n";
    };
    const bool read = forEachPrepared<std::string>(
        path, row, [&](std::int64_t n, std::string_view, Encoding, const std::string& text) {
            char digits[24];
            out.put(std::string_view(
                digits, std::size_t(std::to_chars(digits, digits + 24, n).ptr - digits)));
            out.put(text);
        });
    return finishReading(path, read, "standard output", out.flush());
}

} // namespace bibliora::cli
