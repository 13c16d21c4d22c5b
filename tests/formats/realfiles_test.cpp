// The project's samples and the exchange files kept next to the repository, written as
// MARCXML and as MARC text and read back: every record comes back with every field's bytes
// (UTF-8 records byte for byte, GBK records once converted back, MARC-8 records as text).

#include "conversion.h"
#include "fieldtext.h"
#include "formats_test_support.h"
#include "marcxmlwriter.h"
#include "mrkwriter.h"
#include "placeholder.h"

#include <memory>

using namespace bibliora;
using namespace bibliora::formats;
using namespace bibliora::test;
namespace fs = std::filesystem;

namespace {

std::vector<fs::path> sampleFiles()
{
    std::vector<fs::path> files;
    for (const char* dir : {BIBLIORA_SAMPLES, BIBLIORA_REAL_SAMPLES}) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(dir, ec))
            if (entry.path().extension() != ".md")
                files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// 100 $a/26-29 blanked: the character sets a conversion rewrites.
std::vector<RecordField> withoutCharacterSets(std::vector<RecordField> fields)
{
    for (RecordField& f : fields) {
        const std::size_t a = f.data.find("\x1F"
                                          "a");
        if (f.tag == "100" && a != std::string::npos && f.data.size() >= a + 2 + 30)
            f.data.replace(a + 2 + 26, 4, "    ");
    }
    return fields;
}

// A MARC-8 byte that could not be read where it stands (an ASCII byte inside a multibyte set)
// is the same byte in UTF-8, where it is a character.
std::vector<std::u16string> textOf(const std::vector<RecordField>& fields, Encoding encoding)
{
    std::vector<std::u16string> texts;
    for (const RecordField& f : fields) {
        std::u16string text;
        FieldText::appendForDisplay(text, encoding, f.data, isControlTag(f.tag));
        for (char16_t& c : text)
            if (c >= kPlaceholderBase + 0x20 && c < kPlaceholderBase + 0x7F)
                c = static_cast<char16_t>(c - kPlaceholderBase);
        texts.push_back(f.tag.size() == 3 ? Gbk::decode(f.tag) + text : text);
    }
    return texts;
}

void expectSameFields(const std::pair<MarcRecord, Encoding>& original, const MarcRecord& back,
                      const std::string& where)
{
    const std::vector<RecordField> fields = partsOf(original.first);
    switch (original.second) {
    case Encoding::Utf8: {
        const auto a = partsOf(back);
        ASSERT_EQ(a.size(), fields.size()) << where;
        for (std::size_t i = 0; i < a.size(); ++i)
            EXPECT_EQ(a[i], fields[i]) << where << ", field " << i + 1;
        return;
    }
    case Encoding::Gbk: {
        MarcRecord again;
        ASSERT_EQ(convertRecord(back, Encoding::Utf8, Encoding::Gbk, again), Conversion::Done);
        const auto a = withoutCharacterSets(partsOf(again)), b = withoutCharacterSets(fields);
        ASSERT_EQ(a.size(), b.size()) << where;
        for (std::size_t i = 0; i < a.size(); ++i)
            EXPECT_EQ(a[i], b[i]) << where << ", field " << i + 1;
        return;
    }
    case Encoding::Marc8: {
        const auto a = textOf(partsOf(back), Encoding::Utf8), b = textOf(fields, Encoding::Marc8);
        ASSERT_EQ(a.size(), b.size()) << where;
        for (std::size_t i = 0; i < a.size(); ++i)
            EXPECT_EQ(a[i], b[i]) << where << ", field " << i + 1;
        return;
    }
    }
}

} // namespace

TEST(RealFiles, MarcXmlAndMarcTextGiveEveryFieldBack)
{
    const std::vector<fs::path> files = sampleFiles();
    ASSERT_FALSE(files.empty());
    std::size_t records = 0;
    for (const fs::path& path : files) {
        const ReadResult original = readFile(path);
        ASSERT_EQ(original.format, FileFormat::Iso) << path;
        for (const bool xml : {true, false}) {
            std::unique_ptr<RecordWriter> writer;
            if (xml)
                writer = std::make_unique<MarcXmlWriter>();
            else
                writer = std::make_unique<MrkWriter>();
            std::vector<std::size_t> written;
            const std::string out = writeAll(*writer, original.records, &written);
            const ReadResult back = readAll(out);
            if (!written.empty()) {
                EXPECT_EQ(back.format, xml ? FileFormat::MarcXml : FileFormat::Mrk);
            }
            EXPECT_EQ(back.error, "") << path;
            EXPECT_EQ(back.skipped, 0u) << path;
            // Only records too large for ISO 2709 in UTF-8, or without a directory, are left out.
            EXPECT_LE(original.records.size() - written.size(), 2u) << path;
            ASSERT_EQ(back.records.size(), written.size()) << path;
            for (std::size_t k = 0; k < written.size(); ++k) {
                EXPECT_EQ(back.records[k].second, Encoding::Utf8);
                expectSameFields(original.records[written[k]], back.records[k].first,
                                 path.filename().string() +
                                     (xml ? " as MARCXML" : " as MARC text") + ", record " +
                                     std::to_string(written[k] + 1));
            }
            records += written.size();
        }
    }
    EXPECT_GT(records, 600u);
}
