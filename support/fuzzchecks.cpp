#include "fuzzchecks.h"

#include "chunkedreader.h"
#include "edit.h"
#include "encodingvote.h"
#include "filechecker.h"
#include "isocheck.h"
#include "marcxmlsource.h"
#include "marcxmlwriter.h"
#include "mrksource.h"
#include "mrkwriter.h"
#include "recordchecker.h"
#include "recordfields.h"
#include "utf8text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <vector>

namespace bibliora::support {
namespace {

using Records = std::vector<MarcRecord>;

std::string recordsProblem(const Records& records, bool utf16, std::size_t limit)
{
    for (const MarcRecord& r : records) {
        if (r.size() > limit)
            return "record longer than the run limit: " + std::to_string(r.size()) + " > " +
                   std::to_string(limit);
        if (utf16) {
            // Encoded from text cut at U+001D: the terminator cannot come back as a byte.
            if (r.find(kRecordTerminator) != std::string::npos)
                return "UTF-16 record holds 0x1D";
            continue;
        }
        if (r.empty())
            return "empty record from code page 936";
        if (r.back() != kRecordTerminator || r.find(kRecordTerminator) != r.size() - 1)
            return "code page 936 record does not end at its only terminator";
        if (r.find('\n') != std::string::npos)
            return "code page 936 record holds a line break";
        if (r.front() == ' ')
            return "code page 936 record keeps a leading blank";
    }
    return {};
}

std::string readBothWaysProblem(std::string_view bytes, std::size_t limit, std::size_t chunk,
                                const std::filesystem::path& scratchFile)
{
    const bool utf16 = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
                       static_cast<unsigned char>(bytes[1]) == 0xFE;
    ReadOptions options;
    options.maxRecordBytes = limit;
    Records whole;
    readMarcBytes(
        bytes, [&](MarcRecord&& r) { whole.push_back(std::move(r)); }, options);
    if (std::string problem = recordsProblem(whole, utf16, limit); !problem.empty())
        return problem;

    if (!std::ofstream(scratchFile, std::ios::binary | std::ios::trunc)
             .write(bytes.data(), std::streamsize(bytes.size())))
        return "cannot write " + scratchFile.string();
    options.bufferBytes = chunk;
    Records chunked;
    if (!readMarcFile(
            scratchFile, [&](MarcRecord&& r) { chunked.push_back(std::move(r)); }, options))
        return "readMarcFile failed on a readable file";
    if (chunked != whole)
        return "chunked read differs from the whole read: " + std::to_string(chunked.size()) +
               " vs " + std::to_string(whole.size()) + " records";
    return {};
}

std::string lookupValueProblem(const std::u16string& value, std::u16string_view spec,
                               std::string_view record)
{
    if (value.find(char16_t(kFieldTerminator)) != std::u16string::npos)
        return "look-up value holds a field terminator";
    // A subfield ends at the next delimiter; only 001 and 005 come back whole.
    const bool whole = spec.substr(0, 3) == u"001" || spec.substr(0, 3) == u"005";
    if (!whole && value.find(char16_t(kSubfieldDelimiter)) != std::u16string::npos)
        return "subfield value holds a subfield delimiter";
    if (value.size() > record.size())
        return "look-up value longer than the record";
    if (spec.size() != 4 && !value.empty())
        return "a spec that is not 4 characters found something";
    return {};
}

// Whether the first line, without the characters the builder drops, begins with three digits.
bool startsWithTag(std::u16string_view text)
{
    int digits = 0;
    for (char16_t c : text.substr(0, text.find(u'\r'))) {
        if (c == u'\n' || c == char16_t(kFieldTerminator) || c == char16_t(kRecordTerminator))
            continue;
        if (c < u'0' || c > u'9')
            break;
        if (++digits == 3)
            return true;
    }
    return false;
}

bool wellFormedUtf8(const std::string& text)
{
    return Utf8Text::scan(text).invalid == 0;
}

std::string problemsProblem(const std::vector<check::Problem>& problems)
{
    if (problems.size() > check::RecordChecker::kMaxProblems + 1)
        return "more problems listed than a record may have: " + std::to_string(problems.size());
    for (const check::Problem& p : problems) {
        if (p.tag.empty() || (p.tag.size() != 3))
            return "a problem without a three-character tag: " + p.tag;
        if (p.message.empty() || !wellFormedUtf8(p.message) || !wellFormedUtf8(p.code) ||
            !wellFormedUtf8(p.tag))
            return "a problem's texts are empty or not UTF-8: " + p.message;
    }
    return {};
}

std::vector<check::Problem> withoutDuplicates(std::vector<check::Problem> problems)
{
    problems.erase(
        std::remove_if(problems.begin(), problems.end(),
                       [](const check::Problem& p) { return p.rule == check::Rule::Duplicate; }),
        problems.end());
    return problems;
}

bool sameProblems(const std::vector<check::Problem>& a, const std::vector<check::Problem>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.tag == y.tag && x.code == y.code && x.severity == y.severity && x.rule == y.rule &&
               x.message == y.message;
    });
}

// What a reader of a text form made of its whole input.
struct TextRead
{
    Records records;
    std::string error;
    std::uint64_t skipped = 0;
    bool utf8 = true; // every record said to be UTF-8
};

TextRead readText(std::string_view bytes, bool xml, std::size_t buffer)
{
    ReadOptions options;
    options.bufferBytes = buffer;
    std::unique_ptr<formats::TextSource> source;
    if (xml)
        source = std::make_unique<formats::MarcXmlSource>(options);
    else
        source = std::make_unique<formats::MrkSource>(options);
    source->openBytes(bytes);
    TextRead read;
    MarcRecord record;
    Encoding encoding = Encoding::Gbk;
    for (formats::RecordSource::Step step;
         (step = source->next(record, encoding)) != formats::RecordSource::Step::End;) {
        if (step != formats::RecordSource::Step::Record)
            continue;
        read.utf8 = read.utf8 && encoding == Encoding::Utf8;
        read.records.push_back(record);
    }
    read.error = source->error();
    read.skipped = source->skipped();
    return read;
}

// A record whose leader, directory and fields read back as parts that assemble into the same
// bytes: lengths, offsets and terminators where the directory says.
std::string assembledProblem(const MarcRecord& record)
{
    formats::RecordParts parts;
    if (!formats::readParts(record, parts))
        return "a record read has no leader and directory";
    MarcRecord again;
    if (formats::assemble(parts, again) != formats::Assembly::Done || again != record)
        return "a record read is not what its own fields assemble into";
    return {};
}

std::string textFormProblem(std::string_view input, bool xml)
{
    const TextRead whole = readText(input, xml, 1u << 20);
    const std::size_t size = input.size();
    const TextRead stepped =
        readText(input, xml, 1 + (size ? static_cast<unsigned char>(input[size - 1]) % 11 : 0));
    if (stepped.records != whole.records || stepped.skipped != whole.skipped)
        return "read a few bytes a step, the records differ from the whole read's";
    // Which error expat names for XML that is not well formed can depend on how much of it
    // it was handed at once; that there is one cannot.
    if (stepped.error.empty() != whole.error.empty())
        return "read a few bytes a step, a message where the whole read has none or the reverse";
    if (!whole.utf8)
        return "a record read is not said to be UTF-8";
    for (const MarcRecord& record : whole.records)
        if (std::string problem = assembledProblem(record); !problem.empty())
            return problem;

    std::unique_ptr<formats::RecordWriter> writer;
    if (xml)
        writer = std::make_unique<formats::MarcXmlWriter>();
    else
        writer = std::make_unique<formats::MrkWriter>();
    std::string out;
    writer->begin(out);
    for (std::size_t i = 0; i < whole.records.size(); ++i)
        if (!writer->write(out, std::int64_t(i + 1), whole.records[i], Encoding::Utf8))
            return "record " + std::to_string(i + 1) + " read could not be written";
    writer->end(out);
    const TextRead back = readText(out, xml, 1u << 16);
    if (!back.error.empty() || back.skipped != 0)
        return "the written records read back with a message or skipped: " + back.error;
    if (back.records.size() != whole.records.size())
        return "written and read back, " + std::to_string(back.records.size()) + " records of " +
               std::to_string(whole.records.size());
    for (std::size_t i = 0; i < back.records.size(); ++i) {
        MarcRecord expected = whole.records[i];
        formats::RecordParts parts;
        formats::readParts(expected, parts);
        if (!formats::isUnimarc(parts.fields)) {
            expected[9] = 'a';
            if (xml)
                expected.replace(20, 4, "4500");
        }
        if (back.records[i] != expected)
            return "record " + std::to_string(i + 1) + " written and read back differs";
    }
    return {};
}

} // namespace

std::string checkerProblem(std::string_view input)
{
    if (input.empty())
        return {};
    const auto mode = static_cast<unsigned char>(input[0]);
    const check::RuleSet rules = static_cast<check::RuleSet>(mode % 3);
    const unsigned encodingMode = (mode / 3) % 4; // 0: as read, else forced
    check::FileChecker checker(rules);
    EncodingVote vote;
    std::int64_t number = 0;
    std::string problem;
    std::vector<check::Problem> found;
    std::vector<check::Problem> again;
    readMarcBytes(input.substr(1), [&](MarcRecord&& record) {
        const Encoding read = vote.next(record);
        if (!problem.empty())
            return;
        const Encoding encoding =
            encodingMode == 0 ? read : static_cast<Encoding>(encodingMode - 1);
        found.clear();
        checker.check(record, encoding, ++number, found);
        problem = problemsProblem(found);
        if (!problem.empty())
            return;
        again.clear();
        checker.recheck(record, encoding, number, again);
        if (!sameProblems(withoutDuplicates(found), withoutDuplicates(again)))
            problem = "checking a record again finds other problems";
    });
    return problem;
}

namespace {

// The next length-prefixed piece of `input`, as text.
std::u16string nextText(std::string_view& input)
{
    if (input.empty())
        return {};
    const std::size_t n =
        std::min<std::size_t>(static_cast<unsigned char>(input[0]), input.size() - 1);
    const std::u16string text = Gbk::fromUtf8(input.substr(1, n));
    input.remove_prefix(1 + n);
    return text;
}

std::shared_ptr<const edit::RecordChange>
editChangeFor(unsigned kind, unsigned pick, const std::shared_ptr<const edit::Matcher>& matcher,
              const std::u16string& text)
{
    static const char16_t* const kTags[] = {u"200", u"001", u"005", u"9XX",
                                            u"2X0", u"XXX", u"245", u"008"};
    const std::u16string tag = kTags[pick % 8];
    std::u16string error;
    switch (kind) {
    case 0:
    case 1:
        return edit::ReplaceChange::create(matcher, text, error);
    case 2:
    case 3:
        return edit::AddFieldChange::create(text, kind == 3, error);
    case 4:
        return edit::DeleteFieldChange::create(tag, std::nullopt, error);
    case 5:
        return edit::DeleteFieldChange::create(
            tag, edit::DeleteFieldChange::Condition{text.empty() ? u'a' : text[0], matcher}, error);
    default:
        return edit::IndicatorChange::create(tag == u"XXX" ? u"700" : tag, text.substr(0, 2),
                                             error);
    }
}

} // namespace

std::string editProblem(std::string_view input)
{
    if (input.size() < 2)
        return {};
    const auto mode = static_cast<unsigned char>(input[0]);
    const auto pick = static_cast<unsigned char>(input[1]);
    input.remove_prefix(2);
    static const char16_t* const kScopes[] = {u"",    u"200", u"200$a", u"LDR",
                                              u"008", u"001", u"245$a", u"9XA"};
    edit::Search search;
    search.mode = static_cast<edit::MatchMode>(std::min(mode & 3, 2));
    search.caseSensitive = (mode & 4) == 0;
    std::u16string error;
    search.scope = edit::Scope::parse(kScopes[pick % 8], error).value_or(edit::Scope());
    search.text = nextText(input);
    const std::u16string text = nextText(input);
    const std::string_view record = input;
    const unsigned forced = mode >> 6;
    const Encoding encoding =
        forced == 0 ? detectEncoding(record) : static_cast<Encoding>(forced - 1);

    const auto matcher = edit::Matcher::create(search, error);
    if (!matcher)
        return {};
    const edit::MatchCount count = matcher->count(record, encoding);
    if (!count.limit && matcher->matches(record, encoding) != (count.matches > 0))
        return "matches() and count() disagree";
    const auto change = editChangeFor((mode >> 3) & 7, pick >> 3, matcher, text);
    if (!change)
        return {};
    const edit::EditOutcome fast = change->apply(record, encoding, kClock);
    const edit::EditOutcome slow = change->applyByText(record, encoding, kClock);
    if (fast.record != slow.record || fast.changes != slow.changes || fast.error != slow.error)
        return "the byte form and the text form of a change differ";
    if (!fast.changed())
        return fast.record.empty() ? std::string() : "a record not changed was rebuilt";
    if (std::string problem = wellFormedProblem(fast.record); !problem.empty())
        return "changed record is not well formed: " + problem;
    return stableSaveProblem(fast.record, encoding);
}

void abortOnProblem(const std::string& problem)
{
    if (problem.empty())
        return;
    std::fprintf(stderr, "\n*** fuzz check failed: %s\n", problem.c_str());
    std::abort();
}

MarcRecord save(std::string_view record, Encoding encoding)
{
    return rebuildRecord(formatRecordText(record, encoding) + u"\r\n", encoding, kClock).record;
}

MarcRecord save(std::string_view record)
{
    return save(record, detectEncoding(record));
}

std::string stableSaveProblem(std::string_view record, Encoding encoding)
{
    const MarcRecord once = save(record, encoding);
    if (once.empty())
        return {};
    if (std::string problem = wellFormedProblem(once); !problem.empty())
        return "saved record is not well formed: " + problem;
    if (save(once, encoding) != once)
        return "saving a saved record again changes it";
    return {};
}

namespace {

// The chunked reader on two threads gives the records and encodings of one reader.
std::string chunkedProblem(std::string_view bytes, std::size_t limit, std::size_t chunkBytes)
{
    ReadOptions options;
    options.maxRecordBytes = limit;
    std::vector<std::string> records;
    std::vector<Encoding> encodings;
    EncodingVote vote;
    readMarcBytes(
        bytes,
        [&](MarcRecord&& r) {
            encodings.push_back(vote.next(r));
            records.push_back(std::move(r));
        },
        options);
    ChunkedReader::Options chunked;
    chunked.threads = 2;
    chunked.chunkBytes = chunkBytes;
    chunked.read = options;
    ChunkedReader reader(chunked);
    reader.openBytes(bytes);
    std::size_t n = 0;
    RecordChunk chunk;
    while (reader.next(chunk) == ChunkedReader::Step::Chunk) {
        for (std::size_t i = 0; i < chunk.records.size(); ++i, ++n) {
            if (n >= records.size())
                return "the chunked reader gives more records than the reader";
            if (chunk.record(i) != records[n] || chunk.records[i].encoding != encodings[n])
                return "the chunked reader gives record " + std::to_string(n + 1) + " otherwise";
        }
    }
    if (n != records.size())
        return "the chunked reader gives fewer records than the reader";
    if (reader.position() != bytes.size())
        return "the chunked reader stops before the end of its input";
    return {};
}

} // namespace

std::string readerProblem(std::string_view input, const std::filesystem::path& scratchFile)
{
    const std::size_t size = input.size();
    const std::size_t chunk = 4 + (size ? static_cast<unsigned char>(input[size - 1]) % 8 : 0);
    const std::size_t small = 16 + (size ? static_cast<unsigned char>(input[size / 2]) % 48 : 0);
    const std::string utf16 = "\xFF\xFE" + std::string(input);
    for (const std::string_view bytes : {input, std::string_view(utf16)})
        for (const std::size_t limit : {kMaxRecordBytes, small})
            for (std::string problem : {readBothWaysProblem(bytes, limit, chunk, scratchFile),
                                        chunkedProblem(bytes, limit, chunk)})
                if (!problem.empty())
                    return problem;
    return {};
}

std::string lookupProblem(std::string_view input)
{
    if (input.empty())
        return {};
    static const char16_t* const kListSpecs[] = {u"200a", u"245a", u"010a", u"020a", u"011a",
                                                 u"091a", u"016a", u"001a", u"005 "};
    const unsigned mode = static_cast<unsigned char>(input[0]);
    std::u16string spec;
    std::size_t used = 1;
    if (mode < 0xC0) {
        const std::size_t length = mode % 6;
        for (; used < input.size() && spec.size() < length; ++used) {
            const unsigned char c = static_cast<unsigned char>(input[used]);
            spec.push_back(c < 0x80 ? char16_t(c) : char16_t(0x4E00 + c));
        }
    } else {
        spec = kListSpecs[mode % (sizeof kListSpecs / sizeof kListSpecs[0])];
    }
    const std::string_view record = input.substr(used);
    const RowTexts row = rowTextsFor(1, record);
    for (const std::string& problem :
         {lookupValueProblem(lookupSubfield(record, spec), spec, record),
          lookupValueProblem(row.title, u"200a", record),
          lookupValueProblem(row.standardNumber, u"010a", record)})
        if (!problem.empty())
            return problem;
    return {};
}

std::string displayTextProblem(std::string_view record)
{
    const std::u16string text = formatRecordText(record);
    if (record.empty())
        return text.empty() ? std::string() : "an empty record has a display text";
    if (text.compare(0, 7, u"HEA    ") != 0)
        return "display text does not start with HEA";
    return stableSaveProblem(record, detectEncoding(record));
}

std::string builderProblem(std::string_view input)
{
    if (input.empty())
        return {};
    std::u16string text;
    if (input[0] & 1) {
        for (std::size_t i = 1; i + 1 < input.size(); i += 2)
            text.push_back(static_cast<char16_t>(static_cast<unsigned char>(input[i]) |
                                                 static_cast<unsigned char>(input[i + 1]) << 8));
    } else {
        text = Gbk::fromUtf8(input.substr(1));
    }
    const BuildResult checked = buildIsoRecordChecked(text, kClock);
    if (checked.record.empty() != (checked.error != BuildError::None))
        return "not a record and an error, or neither";
    const MarcRecord built = buildIsoRecord(text, kClock);
    if (built != checked.record)
        return "buildIsoRecord and buildIsoRecordChecked differ";
    if (std::string problem = built.empty() ? std::string() : wellFormedProblem(built);
        !problem.empty())
        return "built record is not well formed: " + problem;
    // Saved again unedited, the record stays as it was built. Two kinds of text may change
    // once: one shorter than the header line (8 characters), whose fallback leader is shown
    // as a normal one, and one whose first line is a field line, whose "_" indicators are
    // kept as they are (only later lines turn them into blanks).
    if (!built.empty() && text.size() >= 8 && !startsWithTag(text) &&
        save(built, Encoding::Gbk) != built)
        return "saving a built record again changes it";
    return stableSaveProblem(built, Encoding::Gbk);
}

std::string marcXmlProblem(std::string_view input)
{
    return textFormProblem(input, true);
}

std::string mrkProblem(std::string_view input)
{
    return textFormProblem(input, false);
}

} // namespace bibliora::support
