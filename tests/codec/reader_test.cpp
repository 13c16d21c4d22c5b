#include "codec_test_support.h"

using namespace bibliora;
using namespace bibliora::test;

namespace {

using Records = std::vector<MarcRecord>;

const MarcRecord kA = assemble({{"001", u"1"}, {"200", u"1 $a红楼梦$f曹雪芹著"}});
const MarcRecord kB = assemble({{"200", u"1 $a西游记"}, {"010", u"  $a7-02"}});
// A record split over two lines inside its title: CR LF stands for two blanks, LF for one.
const std::u16string kLeader = u"00000nam0 2200000   450 ";
const MarcRecord kTwo = gbk(kLeader + u"200001500000^1 $a上册  下册^%");
const MarcRecord kOne = gbk(kLeader + u"200001400000^1 $a上册 下册^%");
const std::string kSplit = gbk(kLeader + u"200001500000^1 $a上册\r\n下册^%\r\n" + kLeader +
                               u"200001400000^1 $a上册\n下册^%\n");
// Records as a UTF-16 file holds them, without their terminators, and as they are read back.
const MarcRecord kAread = kA.substr(0, kA.size() - 1), kBread = kB.substr(0, kB.size() - 1);
const std::u16string kA16 = Gbk::decode(kAread), kB16 = Gbk::decode(kBread);

const std::pair<std::string, Records> kCases[] = {
    {kA + "\r\n" + kB + "\r\n", {kA, kB}},                           // one record per line
    {kA + kB + "\r\n" + kA, {kA, kB, kA}},                           // back to back, and mid-line
    {kSplit, {kTwo, kOne}},                                          // split over lines
    {"\r\n\r\n  " + kA + " \r\n\r\n\n  \r\n" + kB, {kA, kB}},        // blank lines and blanks
    {kA + "\r\n" + gbk(u"没有结束符\r\n") + kB.substr(0, 40), {kA}}, // tail dropped
    {utf16File(kA16 + u"\x1D\r\n" + kB16 + u"\x1D\r\n"), {kAread, kBread}},
    {utf16File(kA16 + u"\x1D" + kB16 + u"\x1D"), {kAread, kBread}}, // no CR LF after them
    {utf16File(kA16 + u"\x1D\r\n\x1D\r\n" + kB16 + u"\x1D"), {kAread, "", kBread}}, // empty one
    {utf16File(kA16 + u"\x1D\r\n" + kB16), {kAread}},                               // tail dropped
    {utf16File(kA16 + u"\x1D") + "!", {kAread}},                                    // odd length
};

} // namespace

TEST(ReadMarcFile, CutsRecordsAtEveryTerminatorWhateverTheBufferSize)
{
    TempDir dir;
    for (std::size_t i = 0; i < std::size(kCases); ++i) {
        const auto& [bytes, expected] = kCases[i];
        Records records;
        const auto collect = [&](MarcRecord&& r) { records.push_back(std::move(r)); };
        readMarcBytes(bytes, collect);
        EXPECT_EQ(records, expected) << "case " << i;
        const auto path = dir.write("file.iso", bytes);
        for (std::size_t size : {1u, 2u, 3u, 5u, 64u}) {
            records.clear();
            EXPECT_TRUE(readMarcFile(path, collect, ReadOptions{kMaxRecordBytes, size}));
            EXPECT_EQ(records, expected) << "case " << i << ", buffer of " << size;
        }
    }
}
