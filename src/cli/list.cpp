#include "arguments.h"
#include "commands.h"
#include "input.h"
#include "output.h"
#include "reader.h"

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
    const bool read = forEachRecord(path, [&](std::int64_t n, MarcRecord& record, Encoding e) {
        const RowTexts row = rowTextsFor(n, record, e);
        out.put(std::to_string(n));
        out.put("\t");
        out.putEscaped(row.title);
        out.put("\t");
        out.putEscaped(row.standardNumber);
        if (withEncodings) {
            out.put("\t");
            out.put(encodingName(e));
        }
        out.put("\n");
    });
    return finishReading(path, read, "standard output", out.flush());
}

} // namespace bibliora::cli
