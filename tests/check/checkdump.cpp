// What the checker says about files, one line each, tab-separated UTF-8, for comparing it
// with other MARC tools (peers.pl) and for reading its verdicts by hand:
//   check-dump problems FILE...  file, record, tag, code, severity, rule, message
//   check-dump numbers FILE...   file, record, tag, "isbn" or "issn", verdict, value: every
//                                ISBN and ISSN subfield the checker reads (CNMARC 010/011 $a,
//                                MARC21 020/022 $a), verdict "valid", "check" or "shape"
#include "check.h"
#include "codec.h"
#include "standardnumbers.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace bibliora;
using namespace bibliora::check;

namespace {

const char* verdictName(NumberVerdict verdict)
{
    switch (verdict) {
    case NumberVerdict::Valid:
        return "valid";
    case NumberVerdict::BadCheckDigit:
        return "check";
    case NumberVerdict::BadPrefix:
    case NumberVerdict::NotANumber:
        break;
    }
    return "shape";
}

// Tabs and line breaks in a value would break the line format.
std::string oneLine(std::string s)
{
    for (char& c : s)
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    return s;
}

void dumpNumbers(const std::string& file, std::int64_t n, const MarcRecord& record,
                 Encoding encoding, RuleSet set)
{
    const char* isbnTag = set == RuleSet::Marc21 ? "020" : "010";
    const char* issnTag = set == RuleSet::Marc21 ? "022" : "011";
    const DirectoryView dir = directoryOf(record);
    for (std::size_t e = 0; dir.valid && e + kEntryLength <= dir.entries.size();
         e += kEntryLength) {
        const FieldSlice f = fieldAt(record, dir, e);
        const bool isbn = f.tag == isbnTag;
        if (!isbn && f.tag != issnTag)
            continue;
        std::string scratch;
        const std::string_view data = withoutFieldTerminators(f.data, scratch);
        for (std::size_t p = data.find(kSubfieldDelimiter); p != std::string_view::npos;) {
            const std::size_t next = data.find(kSubfieldDelimiter, p + 1);
            const std::string_view piece =
                data.substr(p + 1, next == std::string_view::npos ? next : next - p - 1);
            if (!piece.empty() && piece[0] == 'a') {
                const std::u16string value = FieldText::value(encoding, piece.substr(1));
                const NumberCheck c = isbn ? checkIsbn(value) : checkIssn(value);
                std::printf("%s\t%lld\t%s\t%s\t%s\t%s\n", file.c_str(), static_cast<long long>(n),
                            std::string(f.tag).c_str(), isbn ? "isbn" : "issn",
                            verdictName(c.verdict), oneLine(Gbk::toUtf8(value)).c_str());
            }
            p = next;
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (argc < 3 || (mode != "problems" && mode != "numbers")) {
        std::fprintf(stderr, "usage: check-dump problems|numbers FILE...\n");
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        const std::string file = std::filesystem::path(argv[i]).filename().string();
        FileChecker checker;
        std::int64_t n = 0;
        std::vector<Problem> problems;
        const bool read = readMarcFile(argv[i], [&](MarcRecord&& record) {
            ++n;
            const Encoding encoding = detectEncoding(record);
            if (mode == "numbers")
                dumpNumbers(file, n, record, encoding, checker.ruleSetFor(record));
            problems.clear();
            checker.check(record, encoding, n, problems);
            if (mode == "numbers")
                return;
            for (const Problem& p : problems)
                std::printf("%s\t%lld\t%s\t%s\t%s\t%s\t%s\n", file.c_str(),
                            static_cast<long long>(n), p.tag.c_str(), p.code.c_str(),
                            severityName(p.severity), ruleName(p.rule), oneLine(p.message).c_str());
        });
        if (!read) {
            std::fprintf(stderr, "check-dump: cannot read %s\n", argv[i]);
            return 1;
        }
    }
    return 0;
}
