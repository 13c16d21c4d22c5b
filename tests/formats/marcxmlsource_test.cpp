#include "formats_test_support.h"
#include "marcxmlsource.h"
#include "marcxmlwriter.h"

using namespace bibliora;
using namespace bibliora::formats;
using namespace bibliora::test;

namespace {

const std::string kFields =
    "<controlfield tag=\"001\">ocm1</controlfield>"
    "<datafield tag=\"245\" ind1=\"1\" ind2=\"0\"><subfield code=\"a\">红楼梦 &amp; "
    "Ünïcode</subfield><subfield code=\"c\">曹雪芹</subfield></datafield>";
// The record those fields make: UTF-8, leader/09 "a", lengths counted.
const MarcRecord kRecord =
    support::assembleIso("00000nam a2200000   4500", {{"001", "ocm1"},
                                                      {"245", "10\x1F"
                                                              "a红楼梦 & Ünïcode\x1F"
                                                              "c曹雪芹"}});

} // namespace

TEST(MarcXmlSource, ReadsRecordsTheSameWhateverTheBufferSize)
{
    const std::string unimarc =
        "<record><leader>00000nam0 2200000   450 </leader><datafield tag=\"200\" ind1=\"1\" "
        "ind2=\" \"><subfield code=\"a\">题名</subfield></datafield><datafield tag=\"100\" "
        "ind1=\" \" ind2=\" \"><subfield code=\"a\">20240131d2024    em y0chiy0120    "
        "ea</subfield></datafield></record>";
    const std::string prefixed =
        "<?xml version=\"1.0\"?><marc:collection "
        "xmlns:marc=\"http://www.loc.gov/MARC21/slim\"><marc:record><marc:leader>"
        "00000nam a2200000   4500</marc:leader><marc:controlfield tag=\"001\">"
        "ocm1</marc:controlfield><marc:datafield tag=\"245\" ind1=\"1\" "
        "ind2=\"0\"><marc:subfield code=\"a\">红楼梦 &amp; Ünïcode"
        "</marc:subfield><marc:subfield code=\"c\">曹雪芹</marc:subfield>"
        "</marc:datafield></marc:record></marc:collection>";
    const ReadResult once = readAll(prefixed);
    ASSERT_EQ(once.records.size(), 1u);
    EXPECT_EQ(once.records[0].first, kRecord);
    EXPECT_EQ(once.records[0].second, Encoding::Utf8);
    EXPECT_EQ(once.format, FileFormat::MarcXml);
    for (std::size_t size = 1; size <= 64; ++size)
        EXPECT_EQ(readAll(prefixed, size), once) << "buffer of " << size;

    const ReadResult plain = readAll(slim(kFields));
    ASSERT_EQ(plain.records.size(), 1u);
    EXPECT_EQ(plain.records[0].first, kRecord);

    // UNIMARC keeps its leader/09 and its 100 $a/26-29 as written.
    const ReadResult u = readAll("<collection xmlns=\"http://www.loc.gov/MARC21/slim\">" + unimarc +
                                 "</collection>");
    ASSERT_EQ(u.records.size(), 1u);
    EXPECT_EQ(u.records[0].first.substr(5, 5), "nam0 ");
    EXPECT_NE(u.records[0].first.find("y0chiy0120"), std::string::npos);
}

TEST(MarcXmlSource, TakesTheEncodingsAFileDeclares)
{
    const std::u16string title = u"红楼梦";
    const std::string fields = "<datafield tag=\"245\" ind1=\"1\" ind2=\"0\"><subfield "
                               "code=\"a\">" +
                               Gbk::encode(title) + "</subfield></datafield>";
    for (const char* name : {"GBK", "gb2312", "CP936"}) {
        const ReadResult r =
            readAll(slim(fields, "00000nam a2200000   4500",
                         std::string("<?xml version=\"1.0\" encoding=\"") + name + "\"?>"));
        ASSERT_EQ(r.records.size(), 1u) << name << r.error;
        EXPECT_EQ(partsOf(r.records[0].first)[0].data, "10\x1F"
                                                       "a" +
                                                           Gbk::toUtf8(title))
            << name;
    }
    const ReadResult latin1 =
        readAll(slim("<controlfield tag=\"001\">caf\xE9</controlfield>", "00000nam a2200000   4500",
                     "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"));
    ASSERT_EQ(latin1.records.size(), 1u);
    EXPECT_EQ(partsOf(latin1.records[0].first)[0].data, "caf\xC3\xA9");
    const ReadResult utf16 = readAll(utf16File(Gbk::fromUtf8(
        slim("<controlfield tag=\"001\">红</controlfield>", "00000nam a2200000   4500",
             "<?xml version=\"1.0\" encoding=\"UTF-16\"?>"))));
    ASSERT_EQ(utf16.records.size(), 1u) << utf16.error;
    EXPECT_EQ(partsOf(utf16.records[0].first)[0].data, "红");
    // UTF-16 without a byte-order mark or a declaration, after a line break: expat tells it by
    // its zero bytes, whatever the buffer hands it first.
    std::string bare;
    for (const char16_t c : Gbk::fromUtf8("\n" + slim("<controlfield tag=\"001\">红</controlfield>",
                                                      "00000nam a2200000   4500", ""))) {
        bare.push_back(static_cast<char>(c & 0xFF));
        bare.push_back(static_cast<char>(c >> 8));
    }
    for (std::size_t size = 1; size <= 8; ++size) {
        MarcXmlSource source(ReadOptions{kMaxRecordBytes, size});
        source.openBytes(bare);
        const ReadResult read = readAll(source);
        ASSERT_EQ(read.records.size(), 1u) << "buffer of " << size << ": " << read.error;
        EXPECT_EQ(partsOf(read.records[0].first)[0].data, "红");
    }

    // GBK bytes under a UTF-8 declaration, and an encoding there is no table for: refused.
    EXPECT_NE(readAll(slim(fields)).error, "");
    EXPECT_NE(readAll(slim(fields, "00000nam a2200000   4500",
                           "<?xml version=\"1.0\" encoding=\"Big5\"?>"))
                  .error,
              "");
}

TEST(MarcXmlSource, SkipsAndCountsRecordsThatCannotBeIso2709)
{
    const std::string big(9998, 'x');
    const std::string records =
        "<record><leader>short</leader></record>" // no 24-byte leader
        "<record><leader>00000nam a2200000   4500</leader><datafield tag=\"500\" ind1=\" \" "
        "ind2=\" \"><subfield code=\"a\">" +
        big +
        "</subfield></datafield></record>" // field
        "<record><leader>00000nam a2200000   4500</leader>" +
        [&] {
            std::string many;
            for (int i = 0; i < 12; ++i)
                many += "<controlfield tag=\"009\">" + std::string(9000, 'y') + "</controlfield>";
            return many;
        }() +
        "</record>" + // over 99,999 bytes
        "<record><leader>00000nam a2200000   4500</leader><controlfield tag=\"001\">kept"
        "</controlfield></record>";
    const ReadResult r = readAll("<collection xmlns=\"http://www.loc.gov/MARC21/slim\">" + records +
                                 "</collection>");
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.skipped, 3u);
    ASSERT_EQ(r.records.size(), 1u);
    EXPECT_EQ(partsOf(r.records[0].first)[0].data, "kept");
}

TEST(MarcXmlSource, RefusesHostileXmlAndNamesTheLine)
{
    const std::string laughs =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE collection [\n<!ENTITY a \"aaaaaaaaaa\">\n"
        "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">\n<!ENTITY c "
        "\"&b;&b;&b;&b;&b;&b;&b;&b;&b;\">\n"
        "]>\n<collection xmlns=\"http://www.loc.gov/MARC21/slim\"><record><leader>&c;</leader>"
        "</record></collection>";
    const std::string external =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE collection [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
        "<collection xmlns=\"http://www.loc.gov/MARC21/slim\"><record><leader>&x;</leader>"
        "</record></collection>";
    const std::string broken = "<?xml version=\"1.0\"?>\n<collection "
                               "xmlns=\"http://www.loc.gov/MARC21/slim\">\n<record>\n<leader>"
                               "</record>\n</collection>";
    std::string deep = "<collection xmlns=\"http://www.loc.gov/MARC21/slim\">";
    for (int i = 0; i < 10000; ++i)
        deep += "<record>";
    std::string hugeTag = "<collection xmlns=\"http://www.loc.gov/MARC21/slim\"><record x=\"" +
                          std::string(6u << 20, 'a') + "\"/></collection>";
    const std::pair<std::string, std::string> cases[] = {
        {laughs, "实体"}, {external, "实体"}, {broken, "第 4 行"},
        {deep, "嵌套"},   {hugeTag, "4 MB"},
    };
    for (const auto& [xml, says] : cases) {
        const ReadResult r = readAll(xml);
        EXPECT_TRUE(r.records.empty());
        EXPECT_NE(r.error.find(says), std::string::npos) << r.error;
    }
}

TEST(MarcXmlSource, ReadsAHugeTextNodeWithinBoundsAndSkipsItsRecord)
{
    const std::string xml =
        slim("<controlfield tag=\"001\">" + std::string(64u << 20, 'z') + "</controlfield>");
    const ReadResult r = readAll(xml, 1u << 20);
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.skipped, 1u);
    EXPECT_TRUE(r.records.empty());
}
