#include "csvwriter.h"
#include "formats_test_support.h"

using namespace bibliora;
using namespace bibliora::formats;
using namespace bibliora::test;

TEST(CsvWriter, WritesTheRowsTheListShowsAndTheChosenSubfieldsQuoted)
{
    const MarcRecord record = assemble({{"001", u"CN1"},
                                        {"010", u"  $a7-5614-9832-3"},
                                        {"200", u"1 $a新编, \"中医\"$f冯艳晓$f张三"},
                                        {"200", u"1 $f李四"},
                                        {"210", u"  $c出版社\r\n"}});
    CsvWriter writer({"200$f", "210$c", "001", "701$a"});
    const std::string csv = writeAll(writer, {{record, Encoding::Gbk}});
    EXPECT_EQ(csv,
              "\xEF\xBB\xBF序号,题名,ISBN/ISSN,200$f,210$c,001,701$a\r\n"
              "1,\"新编, \"\"中医\"\"\",7-5614-9832-3,冯艳晓; 张三; 李四,\"出版社\r\n\",CN1,\r\n");
    for (const char* spec : {"200$f", "001", "9XX$a"})
        EXPECT_TRUE(CsvWriter::validSpec(spec)) << spec;
    for (const char* spec : {"", "20", "200$", "200f", "200$ab", "2 0$a"})
        EXPECT_FALSE(CsvWriter::validSpec(spec)) << spec;
}
