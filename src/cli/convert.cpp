#include "arguments.h"
#include "commands.h"
#include "conversion.h"
#include "csvwriter.h"
#include "gbk.h"
#include "input.h"
#include "opensource.h"
#include "output.h"
#include "outputformat.h"

#include <cstdio>

namespace bibliora::cli {
namespace {

constexpr std::size_t kFlushAt = 1u << 20;

std::FILE* openForWriting(const std::string& path)
{
    if (path == "-")
        return stdout;
#ifdef _WIN32
    return _wfopen(fsPath(path).c_str(), L"wb");
#else
    return std::fopen(path.c_str(), "wb");
#endif
}

std::vector<std::string> splitSpecs(const std::string& list)
{
    std::vector<std::string> specs;
    for (std::size_t from = 0; from <= list.size();) {
        const std::size_t comma = std::min(list.find(',', from), list.size());
        specs.push_back(list.substr(from, comma - from));
        from = comma + 1;
    }
    return specs;
}

// The first pass of a conversion into code page 936: every character it cannot hold, named by
// record and field, before anything is written. True when there was none.
bool reportUnholdable(const std::string& path, Encoding target)
{
    bool none = true;
    forEachRecord(path, [&](std::int64_t n, MarcRecord& record, Encoding e) {
        for (const formats::Unholdable& u : formats::unholdableCharacters(record, e, target)) {
            complain("record " + std::to_string(n) + ", field " + u.tag + ": " +
                     Gbk::toUtf8(u.characters) + " cannot be written in " + encodingName(target) +
                     "; written as ?");
            none = false;
        }
    });
    return none;
}

} // namespace

// Every record of FILE, whatever its form, written to OUT (overwritten; "-" is standard
// output) in the form --to names.
int convertCommand(const std::vector<std::string>& args)
{
    const Arguments a(args, {}, {"--to", "--encoding", "--fields"});
    if (!a.error().empty())
        return usageError(a.error());
    if (a.operands().size() != 2)
        return usageError("convert takes FILE and OUT");
    const std::optional<std::string> to = a.value("--to");
    if (!to)
        return usageError("convert needs --to iso|iso-lines|marcxml|mrk|csv");
    const std::optional<formats::OutputFormat> format = formats::outputFormatNamed(*to);
    if (!format)
        return usageError("unknown form for --to: " + *to);
    const bool iso =
        *format == formats::OutputFormat::Iso || *format == formats::OutputFormat::IsoLines;
    formats::TargetEncoding target = formats::TargetEncoding::Keep;
    if (const std::optional<std::string> name = a.value("--encoding")) {
        if (!iso)
            return usageError("--encoding goes with --to iso or iso-lines only");
        const auto named = formats::targetEncodingNamed(*name);
        if (!named)
            return usageError("--encoding takes keep, utf-8 or gbk, not " + *name);
        target = *named;
    }
    std::vector<std::string> specs;
    if (const std::optional<std::string> list = a.value("--fields")) {
        if (*format != formats::OutputFormat::Csv)
            return usageError("--fields goes with --to csv only");
        specs = splitSpecs(*list);
        for (const std::string& spec : specs)
            if (!formats::CsvWriter::validSpec(spec))
                return usageError("not a field or subfield (\"200$f\", \"001\"): " + spec);
    }
    const std::string& path = a.operands()[0];
    const std::string& out = a.operands()[1];
    if (out != "-" && sameFile(path, out))
        return usageError("OUT must not be FILE: " + out);
    if (const std::string why = unreadableBecause(path); !why.empty()) {
        complain(path + ": " + why);
        return 2;
    }

    bool complete = true;
    const std::optional<Encoding> encoding = formats::encodingOf(target);
    if (encoding == Encoding::Gbk)
        complete = reportUnholdable(path, *encoding);

    if (!formats::openRecordSource(fsPath(path))) {
        complain(path + ": cannot be opened");
        return 2;
    }
    std::FILE* file = openForWriting(out);
    if (!file) {
        complain(out + ": cannot be opened for writing");
        return 2;
    }
    const std::unique_ptr<formats::RecordWriter> writer =
        formats::createWriter(*format, target, specs);
    std::string buffer;
    bool written = true;
    const auto flush = [&] {
        written = written && std::fwrite(buffer.data(), 1, buffer.size(), file) == buffer.size();
        buffer.clear();
    };
    writer->begin(buffer);
    const ReadingEnd read =
        readEachRecord(path, [&](std::int64_t n, MarcRecord& record, Encoding e) {
            if (!writer->write(buffer, n, record, e)) {
                complain("record " + std::to_string(n) + " could not be written: too large in " +
                         (encoding ? encodingName(*encoding) : "UTF-8") + ", or unreadable");
                complete = false;
            }
            if (buffer.size() >= kFlushAt)
                flush();
        });
    writer->end(buffer);
    flush();
    written = (file == stdout ? std::fflush(file) == 0 : std::fclose(file) == 0) && written;

    const formats::WriteCounts& counts = writer->counts();
    if (read.skipped > 0) {
        complain(path + ": " + std::to_string(read.skipped) +
                 " records could not be read and were left out");
        complete = false;
    }
    if (counts.placeholders > 0 && *format != formats::OutputFormat::Iso &&
        *format != formats::OutputFormat::IsoLines)
        complain(std::to_string(counts.placeholders) +
                 " records hold bytes written as placeholders or escapes");
    if (counts.outsideSchema > 0)
        complain(std::to_string(counts.outsideSchema) +
                 " records do not fit the MARC 21 slim schema and were written as they are");
    std::fprintf(stderr, "%llu 条记录\n", static_cast<unsigned long long>(counts.written));
    if (!read.error.empty()) {
        complain(path + ": " + read.error);
        return 2;
    }
    if (!written) {
        complain((out == "-" ? std::string("standard output") : out) + ": writing failed");
        return 2;
    }
    return complete ? 0 : 1;
}

} // namespace bibliora::cli
