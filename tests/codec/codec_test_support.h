#pragma once

// Helpers shared by the codec and command-line tests: records written by hand.

#include "codec.h"
#include "isoassembler.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <vector>

namespace bibliora::test {

// Input and expected output of one case of a table-driven test.
using TextCases = std::vector<std::pair<std::u16string, std::u16string>>;

// GBK bytes of a test text in which "$" stands for the subfield delimiter, "^" for the field
// terminator and "%" for the record terminator.
inline std::string gbk(std::u16string text)
{
    for (char16_t& c : text)
        c = c == u'$' ? u'\x1F' : c == u'^' ? u'\x1E' : c == u'%' ? u'\x1D' : c;
    return Gbk::encode(text);
}

// A well-formed record of {tag, data} fields, data written as for gbk(). Its leader holds a
// nonsense record length and base address, which readers must never use.
inline MarcRecord assemble(const std::vector<std::pair<std::string, std::u16string>>& fields)
{
    std::vector<support::IsoField> isoFields;
    for (const auto& [tag, text] : fields)
        isoFields.push_back({tag, gbk(text)});
    return support::assembleIso("99999nam0 2299999   450 ", isoFields,
                                support::LeaderLengths::AsGiven);
}

// The clock every build in these tests reads.
inline const BuildTime kNow{2024, 1, 31, 14, 30, 5};

// The fields of a record in directory order, each without its terminator.
inline std::vector<support::IsoField> fieldsOf(const MarcRecord& record)
{
    std::vector<support::IsoField> fields;
    const DirectoryView dir = directoryOf(record);
    for (std::size_t e = 0; e + kEntryLength <= dir.entries.size(); e += kEntryLength) {
        std::string scratch;
        fields.push_back(
            {std::string(dir.entries.substr(e, 3)),
             std::string(withoutFieldTerminators(fieldAt(record, dir, e).data, scratch))});
    }
    return fields;
}

using support::TempDir;
using support::utf16File;

} // namespace bibliora::test
