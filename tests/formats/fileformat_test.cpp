#include "fileformat.h"
#include "formats_test_support.h"

using namespace bibliora;
using namespace bibliora::formats;
using namespace bibliora::test;

TEST(FormatOf, TellsMarcXmlByItsFirstElementAndNamespace)
{
    const std::pair<std::string, FileFormat> cases[] = {
        {"<collection xmlns=\"http://www.loc.gov/MARC21/slim\">", FileFormat::MarcXml},
        {"<?xml version=\"1.0\"?>\n<!-- made by hand -->\n<marc:record "
         "xmlns:marc=\"http://www.loc.gov/MARC21/slim\">",
         FileFormat::MarcXml},
        {"\xEF\xBB\xBF<mx:collection xmlns:mx='info:lc/xmlns/marcxchange-v1'>",
         FileFormat::MarcXml},
        {"<!DOCTYPE x [<!ELEMENT x ANY>]><collection xmlns=\"http://www.loc.gov/MARC21/slim\">",
         FileFormat::MarcXml},
        {utf16File(u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><collection "
                   u"xmlns=\"http://www.loc.gov/MARC21/slim\">"),
         FileFormat::MarcXml},
        // Another vocabulary, or MARCXML's element names outside its namespace: not MARCXML.
        {"<?xml version=\"1.0\"?><html><record/></html>", FileFormat::Iso},
        {"<collection xmlns=\"http://example.org/\">", FileFormat::Iso},
        {"=LDR  00000nam\\\\2200000\\\\\\4500\r\n=001  1\r\n", FileFormat::Mrk},
        {"\xEF\xBB\xBF# exported\n\n=LDR  00000nam", FileFormat::Mrk},
        {"=001  1\n=LDR  00000nam", FileFormat::Iso},
        {"00026nam  2200025   450 \x1E\x1D", FileFormat::Iso},
        {utf16File(u"00026nam  2200025   450 \x1E\x1D"), FileFormat::Iso},
        {"", FileFormat::Iso},
        {"<", FileFormat::Iso},
    };
    for (const auto& [head, format] : cases)
        EXPECT_EQ(formatOf(head), format) << head;
}
