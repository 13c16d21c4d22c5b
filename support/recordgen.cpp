#include "recordgen.h"

#include "gbk.h"
#include "isoassembler.h"
#include "splitmix.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace bibliora::support {
namespace {

using Rng = SplitMix;

std::uint64_t mix(std::uint64_t a, std::uint64_t b)
{
    Rng r(a * 0xD1B54A32D192ED03ULL ^ b);
    r.next();
    return r.next();
}

// ---------------------------------------------------------------------------------------
// Vocabulary. Every character here has a code page 936 form; assembly checks that.

struct Subject
{
    const char16_t* name;
    const char* classNumber; // a Chinese Library Classification stem
};

const Subject kSubjects[] = {
    {u"文学", "I20"},       {u"小说", "I24"},     {u"诗歌", "I22"},      {u"散文", "I26"},
    {u"历史", "K20"},       {u"考古", "K87"},     {u"哲学", "B2"},       {u"心理学", "B84"},
    {u"经济学", "F0"},      {u"金融", "F83"},     {u"会计", "F23"},      {u"管理学", "C93"},
    {u"社会学", "C91"},     {u"法学", "D90"},     {u"政治学", "D0"},     {u"教育学", "G40"},
    {u"图书馆学", "G25"},   {u"新闻传播", "G21"}, {u"语言学", "H0"},     {u"汉语", "H1"},
    {u"英语", "H31"},       {u"艺术", "J0"},      {u"音乐", "J6"},       {u"美术", "J2"},
    {u"建筑", "TU"},        {u"计算机", "TP3"},   {u"人工智能", "TP18"}, {u"软件工程", "TP311"},
    {u"网络技术", "TP393"}, {u"电子技术", "TN"},  {u"机械工程", "TH"},   {u"材料科学", "TB3"},
    {u"化学", "O6"},        {u"物理学", "O4"},    {u"数学", "O1"},       {u"统计学", "C8"},
    {u"天文学", "P1"},      {u"地理", "K90"},     {u"生态学", "Q14"},    {u"生物学", "Q1"},
    {u"医学", "R"},         {u"中医", "R2"},      {u"药学", "R9"},       {u"农业", "S"},
    {u"园林", "S68"},       {u"环境科学", "X"},   {u"交通运输", "U"},    {u"航空", "V2"},
    {u"旅游", "F59"},       {u"体育", "G8"},      {u"民俗", "K89"},      {u"宗教", "B9"},
};

const char16_t* const kPrefixes[] = {
    u"现代", u"当代", u"中国",     u"中国古代", u"近代",     u"西方",   u"比较", u"应用", u"实用",
    u"简明", u"新编", u"基础",     u"高级",     u"数字",     u"城市",   u"乡村", u"全球", u"区域",
    u"公共", u"大众", u"青少年",   u"跨文化",   u"二十世纪", u"明清",   u"宋代", u"唐代", u"民国",
    u"江南", u"岭南", u"丝绸之路", u"东亚",     u"当代中国", u"新时代", u"传统",
};

const char16_t* const kSuffixes[] = {
    u"研究",     u"概论", u"导论",       u"教程",     u"基础",     u"史",       u"史稿",
    u"原理",     u"方法", u"理论与实践", u"手册",     u"通论",     u"新论",     u"探索",
    u"论集",     u"讲义", u"十讲",       u"入门",     u"词典",     u"案例分析", u"前沿",
    u"发展报告", u"简史", u"问题研究",   u"思想研究", u"文献汇编", u"学术史",   u"读本",
};

const char16_t* const kSubtitles[] = {
    u"理论、方法与应用", u"以长江流域为例", u"一项实证研究", u"学术论文集",
    u"历史与现状",       u"面向未来的探索", u"田野调查报告", u"从传统到现代",
    u"案例与评析",       u"国际比较的视角", u"资料选编",     u"问题与对策",
};

const char16_t* const kComputing[] = {u"Python", u"Java",   u"C++",   u"Linux",  u"SQL",
                                      u"Web",    u"MATLAB", u"R语言", u"Go语言", u"JavaScript"};
const char16_t* const kComputingTails[] = {u"程序设计",     u"编程入门", u"数据分析", u"开发实战",
                                           u"从入门到精通", u"核心技术", u"高级编程", u"案例教程"};

const char16_t* const kSurnames[] = {
    u"王", u"李", u"张", u"刘", u"陈", u"杨",   u"黄",   u"赵",   u"吴", u"周", u"徐", u"孙",
    u"马", u"朱", u"胡", u"郭", u"何", u"高",   u"林",   u"罗",   u"郑", u"梁", u"谢", u"宋",
    u"唐", u"许", u"韩", u"冯", u"邓", u"曹",   u"彭",   u"曾",   u"肖", u"田", u"董", u"袁",
    u"潘", u"于", u"蒋", u"蔡", u"余", u"杜",   u"叶",   u"程",   u"苏", u"魏", u"吕", u"丁",
    u"任", u"沈", u"姚", u"卢", u"姜", u"崔",   u"钟",   u"谭",   u"陆", u"汪", u"范", u"金",
    u"石", u"廖", u"贾", u"夏", u"韦", u"欧阳", u"司马", u"诸葛",
};

// Given-name characters; the last few are outside GB 2312 but inside code page 936.
const char16_t kGiven[] = u"伟芳娜敏静丽强磊军洋勇艳杰娟涛明超秀霞平刚桂英华建国文志红晓海玉春燕"
                          u"东立新荣俊宇思远博雅慧琳嘉怡子涵浩然欣悦鹏飞云峰德昌堃喆赟昇";

struct Foreigner
{
    const char16_t* chinese;
    const char16_t* original;
    const char16_t* country;
};

const Foreigner kForeigners[] = {
    {u"约翰·史密斯", u"Smith, John", u"(美)"},   {u"大卫·布朗", u"Brown, David", u"(英)"},
    {u"詹姆斯·怀特", u"White, James", u"(美)"},  {u"托马斯·克拉克", u"Clark, Thomas", u"(英)"},
    {u"安娜·施密特", u"Schmidt, Anna", u"(德)"}, {u"汉斯·穆勒", u"Müller, Hans", u"(德)"},
    {u"让·杜邦", u"Dupont, Jean", u"(法)"},      {u"玛丽·勒布朗", u"Leblanc, Marie", u"(法)"},
    {u"田中一郎", u"Tanaka, Ichiro", u"(日)"},   {u"佐藤花子", u"Sato, Hanako", u"(日)"},
};

struct Publisher
{
    const char16_t* name;
    const char* prefix; // ISBN publisher prefix after group 7
    int place;          // index into kPlaces
};

struct Place
{
    const char16_t* name;
    const char16_t* region;
};

const Place kPlaces[] = {
    {u"北京", u"110000"}, {u"上海", u"310000"}, {u"南京", u"320000"}, {u"杭州", u"330000"},
    {u"广州", u"440000"}, {u"武汉", u"420000"}, {u"成都", u"510000"}, {u"西安", u"610000"},
    {u"天津", u"120000"}, {u"济南", u"370000"}, {u"长沙", u"430000"},
};

const Publisher kPublishers[] = {
    {u"人民出版社", "01", 0},
    {u"商务印书馆", "100", 0},
    {u"中华书局", "101", 0},
    {u"科学出版社", "03", 0},
    {u"高等教育出版社", "04", 0},
    {u"清华大学出版社", "302", 0},
    {u"北京大学出版社", "301", 0},
    {u"机械工业出版社", "111", 0},
    {u"电子工业出版社", "121", 0},
    {u"人民邮电出版社", "115", 0},
    {u"生活·读书·新知三联书店", "108", 0},
    {u"中国社会科学出版社", "5004", 0},
    {u"人民文学出版社", "02", 0},
    {u"外语教学与研究出版社", "5600", 0},
    {u"中国人民大学出版社", "300", 0},
    {u"北京师范大学出版社", "303", 0},
    {u"上海古籍出版社", "5325", 1},
    {u"上海人民出版社", "208", 1},
    {u"上海译文出版社", "5327", 1},
    {u"复旦大学出版社", "309", 1},
    {u"华东师范大学出版社", "5617", 1},
    {u"上海交通大学出版社", "313", 1},
    {u"江苏人民出版社", "214", 2},
    {u"南京大学出版社", "305", 2},
    {u"译林出版社", "5447", 2},
    {u"浙江大学出版社", "308", 3},
    {u"浙江人民出版社", "213", 3},
    {u"广东人民出版社", "218", 4},
    {u"中山大学出版社", "306", 4},
    {u"武汉大学出版社", "307", 5},
    {u"湖北人民出版社", "216", 5},
    {u"四川人民出版社", "220", 6},
    {u"四川大学出版社", "5614", 6},
    {u"陕西人民出版社", "224", 7},
    {u"西安交通大学出版社", "5605", 7},
    {u"南开大学出版社", "310", 8},
    {u"天津人民出版社", "201", 8},
    {u"山东人民出版社", "209", 9},
    {u"山东大学出版社", "5607", 9},
    {u"湖南人民出版社", "5438", 10},
};

const char16_t* const kInstitutions[] = {
    u"北京大学", u"清华大学", u"复旦大学",   u"南京大学",       u"浙江大学", u"武汉大学",
    u"中山大学", u"四川大学", u"中国科学院", u"中国社会科学院", u"南开大学", u"山东大学",
};

const char16_t* const kSeries[] = {
    u"汉译世界学术名著丛书",     u"高等院校规划教材",   u"学术文库", u"当代学术丛书",
    u"国家社科基金后期资助项目", u"大学生素质教育丛书", u"名家讲堂", u"研究生教学用书",
};

const char16_t* const kSubdivisions[] = {u"研究", u"教材",     u"历史", u"文集", u"概况",
                                         u"理论", u"高等学校", u"案例", u"词典", u"普及读物"};
const char16_t* const kPeriods[] = {u"古代", u"近代", u"现代", u"当代", u"明清时代", u"20世纪"};

const char16_t* const kTopics[] = {
    u"基本理论", u"发展历程", u"研究方法", u"典型案例", u"前沿问题", u"政策分析", u"实验设计",
    u"数据处理", u"比较研究", u"文献综述", u"制度建设", u"技术路线", u"应用实践", u"评价体系",
    u"人才培养", u"区域差异", u"国际经验", u"历史演变", u"学科建设", u"未来趋势",
};

const char16_t* const kChapters[] = {u"五", u"六",   u"七",   u"八",  u"九",
                                     u"十", u"十一", u"十二", u"十五"};

// %S subject, %T topic, %N number of chapters, %P place, %A author.
const char16_t* const kSentences[] = {
    u"本书系统介绍了%S的基本概念、基本理论和基本方法。",
    u"全书共分%N章，主要内容包括%T、%T和%T等。",
    u"作者在多年教学与研究的基础上，结合%P的实际情况，对%S中的若干问题进行了深入探讨。",
    u"书中附有大量图表和案例，便于读者理解和掌握。",
    u"本书可作为高等院校%S专业本科生和研究生的教材，也可供相关领域的研究人员参考。",
    u"本书是%S领域的一部重要著作，资料翔实，论述严谨，具有较高的学术价值。",
    u"本版在上一版的基础上进行了全面修订，增补了近年来%S研究的新成果。",
    u"书末附有参考文献和索引。",
    u"%A长期从事%S的教学和科研工作，本书是其多年研究心得的总结。",
    u"本书从%T入手，围绕%T展开论述，最后讨论了%T。",
    u"书中收录了%P地区的大量一手资料，为进一步研究提供了坚实基础。",
    u"本书语言通俗易懂，适合广大%S爱好者阅读。",
    u"本书为国家社会科学基金项目的最终成果。",
    u"各章均附有思考题和延伸阅读书目。",
};

// ---------------------------------------------------------------------------------------
// One record's fields in code page 936, assembled by the shared ISO 2709 assembler.

class Assembler
{
public:
    explicit Assembler(bool withText) : m_withText(withText) { m_fields.reserve(40); }

    void control(const char* tag, std::u16string_view value)
    {
        open(tag);
        put(value);
        close();
    }

    void data(const char* tag, char ind1, char ind2)
    {
        open(tag);
        const char16_t ind[2] = {char16_t(ind1), char16_t(ind2)};
        put(std::u16string_view(ind, 2));
    }
    void sub(char code, std::u16string_view value)
    {
        const char16_t head[2] = {u'\x1F', char16_t(code)};
        put(std::u16string_view(head, 2));
        put(value);
    }
    void end() { close(); }

    // leader5to9: status, type, level and two more; leader17to23: the tail of the leader.
    void finish(std::string_view leader5to9, std::string_view leader17to23, GeneratedRecord& out)
    {
        const std::string leader =
            "00000" + std::string(leader5to9) + "2200000" + std::string(leader17to23);
        out.bytes = assembleIso(leader, m_fields);
        out.text.clear();
        if (m_withText) {
            // The leader and directory are ASCII: as text they are the same characters.
            const std::size_t base = 24 + 12 * m_fields.size() + 1;
            out.text.reserve(base + m_dataText.size() + 1);
            for (std::size_t i = 0; i < base; ++i)
                out.text.push_back(char16_t(static_cast<unsigned char>(out.bytes[i])));
            out.text.append(m_dataText);
            out.text.push_back(u'\x1D');
        }
    }

private:
    [[noreturn]] static void fail(const char* why)
    {
        std::fprintf(stderr, "bibliora-gen: internal error: %s\n", why);
        std::abort();
    }

    void open(const char* tag) { m_fields.push_back({std::string(tag, 3), {}}); }
    void close()
    {
        if (m_withText)
            m_dataText.push_back(u'\x1E');
    }
    void put(std::u16string_view value)
    {
        std::string& data = m_fields.back().data;
        const std::size_t before = data.size();
        Gbk::appendEncoded(data, value);
        // Every character of the vocabulary has a GBK form: a "?" that was not in the text
        // means one slipped in without.
        const auto written =
            std::count(data.begin() + static_cast<std::ptrdiff_t>(before), data.end(), '?');
        if (written != std::count(value.begin(), value.end(), u'?'))
            fail("a character without a GBK form");
        if (m_withText)
            m_dataText.append(value);
    }

    bool m_withText;
    std::vector<IsoField> m_fields; // in code page 936
    std::u16string m_dataText;      // the fields as UTF-16, each with its terminator
};

// ---------------------------------------------------------------------------------------
// The content of one record, independent of the MARC format it is written in.

std::u16string ascii(std::string_view s)
{
    return std::u16string(s.begin(), s.end());
}

std::u16string digits(unsigned value, int width)
{
    char buf[24];
    std::snprintf(buf, sizeof buf, "%0*u", width, value);
    return ascii(buf);
}

struct Person
{
    std::u16string name;     // as in the statement of responsibility
    std::u16string heading;  // as in an access point
    std::u16string original; // the name in its own script, for foreign persons
    std::u16string role;     // 著, 主编, 编著, 译
};

enum class Identifier
{
    Isbn,
    Issn,
    None
};

struct Book
{
    std::u16string id;
    std::u16string stamp;   // 005
    std::u16string entered; // YYYYMMDD
    unsigned pubYear = 2020;
    bool serial = false;
    bool translated = false;
    Identifier identifier = Identifier::Isbn;
    std::string isbnDigits;      // 13 digits
    std::u16string isbnHyphened; // 978-7-...
    std::u16string issn;
    std::u16string price;
    std::u16string title;
    std::u16string subtitle;
    std::u16string responsibility; // 200 $f
    std::u16string secondary;      // 200 $g
    std::vector<Person> persons;
    const Publisher* publisher = nullptr;
    std::u16string serialPublisher;
    unsigned pages = 0;
    bool illustrated = false;
    unsigned height = 26;
    std::u16string series;
    unsigned seriesNumber = 0;
    std::u16string note;
    std::vector<std::u16string> contents;
    std::vector<std::u16string> abstracts; // one field each
    struct Heading
    {
        std::u16string term;
        std::u16string subdivision;
        std::u16string period;
        bool china = false;
    };
    std::vector<Heading> subjects;
    std::vector<std::u16string> classNumbers;
};

std::u16string personName(Rng& rng)
{
    std::u16string name = rng.pick(kSurnames);
    const std::size_t givenCount = sizeof kGiven / sizeof kGiven[0] - 1;
    const unsigned chars = rng.percent(70) ? 2 : 1;
    for (unsigned i = 0; i < chars; ++i)
        name.push_back(kGiven[rng.below(static_cast<unsigned>(givenCount))]);
    return name;
}

std::string isbnBody(Rng& rng, const Publisher& p)
{
    std::string body = "9787";
    body += p.prefix;
    while (body.size() < 12)
        body.push_back(char('0' + rng.below(10)));
    unsigned sum = 0;
    for (std::size_t i = 0; i < 12; ++i)
        sum += static_cast<unsigned>(body[i] - '0') * (i % 2 ? 3 : 1);
    body.push_back(char('0' + (10 - sum % 10) % 10));
    return body;
}

std::u16string hyphenate(const std::string& isbn, const Publisher& p)
{
    const std::size_t pub = std::string_view(p.prefix).size();
    std::string s = isbn.substr(0, 3) + "-7-" + isbn.substr(4, pub) + "-" +
                    isbn.substr(4 + pub, 8 - pub) + "-" + isbn.substr(12, 1);
    return ascii(s);
}

std::u16string makeIssn(Rng& rng)
{
    static const unsigned kStems[] = {1000, 1001, 1002, 1003, 1004, 1005, 1006,
                                      1007, 1008, 1009, 1671, 1672, 1673, 1674};
    std::string s = std::to_string(rng.pick(kStems));
    for (int i = 0; i < 3; ++i)
        s.push_back(char('0' + rng.below(10)));
    unsigned sum = 0;
    for (std::size_t i = 0; i < 7; ++i)
        sum += static_cast<unsigned>(s[i] - '0') * static_cast<unsigned>(8 - i);
    const unsigned check = (11 - sum % 11) % 11;
    s.push_back(check == 10 ? 'X' : char('0' + check));
    return ascii(s.substr(0, 4) + "-" + s.substr(4));
}

std::u16string sentence(Rng& rng, const Book& b, const Subject& subject,
                        std::u16string_view pattern)
{
    std::u16string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != u'%' || i + 1 == pattern.size()) {
            out.push_back(pattern[i]);
            continue;
        }
        switch (pattern[++i]) {
        case u'S':
            out += subject.name;
            break;
        case u'T':
            out += rng.pick(kTopics);
            break;
        case u'N':
            out += rng.pick(kChapters);
            break;
        case u'P':
            out += kPlaces[rng.below(sizeof kPlaces / sizeof kPlaces[0])].name;
            break;
        case u'A':
            out += b.persons.empty() ? std::u16string(u"作者") : b.persons[0].name;
            break;
        default:
            out.push_back(pattern[i]);
        }
    }
    return out;
}

std::u16string abstractOf(Rng& rng, const Book& b, const Subject& subject, std::size_t minBytes)
{
    // Sentences in an order that repeats none until all have been used.
    constexpr unsigned kCount = sizeof kSentences / sizeof kSentences[0];
    static const unsigned kSteps[] = {1, 3, 5, 9, 11, 13}; // coprime with kCount
    static_assert(kCount == 14, "kSteps must stay coprime with the number of sentences");
    unsigned k = rng.below(kCount);
    const unsigned step = rng.pick(kSteps);
    std::u16string text;
    while (Gbk::encodedLength(text) < minBytes) {
        text += sentence(rng, b, subject, kSentences[k]);
        k = (k + step) % kCount;
    }
    return text;
}

Book makeBook(std::uint64_t seed, std::uint64_t index)
{
    Rng rng(mix(seed, index));
    Book b;
    b.id = u"CN" + digits(static_cast<unsigned>(2000000000ULL + index % 1000000000ULL), 10);

    const unsigned year = rng.between(2012, 2024);
    const unsigned month = rng.between(1, 12);
    const unsigned day = rng.between(1, 28);
    b.entered = digits(year, 4) + digits(month, 2) + digits(day, 2);
    b.stamp = b.entered + digits(rng.below(24), 2) + digits(rng.below(60), 2) +
              digits(rng.below(60), 2) + u".0";
    b.pubYear = year - rng.below(3);

    // Record 1 of every file is a plain monograph with an ISBN.
    const unsigned kind = index == 0 ? 0 : rng.below(100);
    b.identifier = kind < 86 ? Identifier::Isbn : kind < 96 ? Identifier::Issn : Identifier::None;
    b.serial = b.identifier == Identifier::Issn;
    b.translated = !b.serial && rng.percent(12);

    const Subject& subject = rng.pick(kSubjects);
    const Subject& second = rng.pick(kSubjects);
    b.publisher = &rng.pick(kPublishers);

    if (b.serial) {
        const unsigned form = rng.below(4);
        const std::u16string inst = rng.pick(kInstitutions);
        if (form == 0)
            b.title = std::u16string(subject.name) + u"学报";
        else if (form == 1)
            b.title = std::u16string(rng.pick(kPrefixes)) + subject.name;
        else if (form == 2)
            b.title = inst + u"学报";
        else
            b.title = std::u16string(u"中国") + subject.name + u"研究";
        b.responsibility = inst + u"主办";
        b.serialPublisher = b.title + u"编辑部";
        b.issn = makeIssn(rng);
        b.price = u"CNY" + digits(rng.between(10, 60), 1) + u".00";
        b.classNumbers.push_back(ascii(subject.classNumber));
        b.subjects.push_back({subject.name, u"期刊", {}, false});
        if (rng.percent(40))
            b.abstracts.push_back(abstractOf(rng, b, subject, rng.between(60, 200)));
        return b;
    }

    if (std::string_view(subject.classNumber).substr(0, 2) == "TP" && rng.percent(50)) {
        b.title = std::u16string(rng.pick(kComputing)) + rng.pick(kComputingTails);
    } else {
        switch (rng.below(6)) {
        case 0:
            b.title = std::u16string(subject.name) + rng.pick(kSuffixes);
            break;
        case 1:
            b.title = std::u16string(subject.name) + u"与" + second.name + rng.pick(kSuffixes);
            break;
        default:
            b.title = std::u16string(rng.pick(kPrefixes)) + subject.name + rng.pick(kSuffixes);
        }
    }
    if (rng.percent(25))
        b.subtitle = rng.pick(kSubtitles);

    const char16_t* roles[] = {u"著", u"著", u"著", u"主编", u"编著"};
    if (b.translated) {
        const Foreigner& f = rng.pick(kForeigners);
        b.persons.push_back({f.chinese, f.chinese, f.original, u"著"});
        b.responsibility = std::u16string(f.country) + f.chinese + u"著";
        Person t{personName(rng), {}, {}, u"译"};
        t.heading = t.name;
        b.secondary = t.name + u"译";
        b.persons.push_back(t);
    } else {
        const unsigned authors = rng.percent(70) ? 1 : rng.between(2, 3);
        const std::u16string role = rng.pick(roles);
        for (unsigned i = 0; i < authors; ++i) {
            Person p{personName(rng), {}, {}, role};
            p.heading = p.name;
            if (i > 0)
                b.responsibility += u", ";
            b.responsibility += p.name;
            b.persons.push_back(p);
        }
        b.responsibility += role;
    }

    if (b.identifier == Identifier::Isbn) {
        b.isbnDigits = isbnBody(rng, *b.publisher);
        b.isbnHyphened = hyphenate(b.isbnDigits, *b.publisher);
    }
    b.price = u"CNY" + digits(rng.between(18, 168), 1) + u"." + digits(rng.below(10), 1) + u"0";
    b.pages = rng.between(96, 720);
    b.illustrated = rng.percent(45);
    b.height = rng.percent(60) ? 24 : rng.percent(70) ? 26 : 21;
    if (rng.percent(20)) {
        b.series = rng.pick(kSeries);
        b.seriesNumber = rng.between(1, 200);
    }
    if (rng.percent(15))
        b.note = rng.percent(50) ? std::u16string(u"有书目 (第") + digits(b.pages - 20, 1) + u"-" +
                                       digits(b.pages - 2, 1) + u"页)"
                                 : std::u16string(u"本书为国家社会科学基金资助项目成果");
    if (rng.percent(12)) {
        const unsigned chapters = rng.between(4, 9);
        for (unsigned i = 0; i < chapters; ++i)
            b.contents.push_back(std::u16string(u"第") + kChapters[std::min(i, 8u)] + u"章 " +
                                 rng.pick(kTopics));
    }

    // One record in 500 carries a long abstract, over several fields, so that the record
    // passes 10 KB; a little over half of the others have a short one.
    if (index % 500 == 37) {
        for (int i = 0; i < 3; ++i)
            b.abstracts.push_back(abstractOf(rng, b, subject, rng.between(3600, 4200)));
    } else if (rng.percent(55)) {
        b.abstracts.push_back(abstractOf(rng, b, subject, rng.between(80, 420)));
    }

    b.subjects.push_back({subject.name, rng.pick(kSubdivisions), {}, rng.percent(30)});
    if (rng.percent(45))
        b.subjects.push_back({second.name, rng.pick(kSubdivisions),
                              rng.percent(40) ? rng.pick(kPeriods) : u"", false});
    auto classNumber = [&](const Subject& s) {
        std::u16string n = ascii(s.classNumber);
        const unsigned more = rng.below(4);
        for (unsigned i = 0; i < more; ++i) {
            if (i == 1 || (i == 0 && n.size() >= 3))
                n.push_back(u'.');
            n.push_back(char16_t(u'0' + rng.below(10)));
        }
        return n;
    };
    b.classNumbers.push_back(classNumber(subject));
    if (rng.percent(25))
        b.classNumbers.push_back(classNumber(second));
    return b;
}

// ---------------------------------------------------------------------------------------
// CNMARC

void writeCnmarc(const Book& b, bool withText, GeneratedRecord& out)
{
    Assembler a(withText);
    a.control("001", b.id);
    a.control("005", b.stamp);
    if (b.identifier == Identifier::Isbn) {
        a.data("010", ' ', ' ');
        a.sub('a', b.isbnHyphened);
        a.sub('d', b.price);
        a.end();
    } else if (b.identifier == Identifier::Issn) {
        a.data("011", ' ', ' ');
        a.sub('a', b.issn);
        a.sub('d', b.price);
        a.end();
    }
    a.data("100", ' ', ' ');
    const std::u16string pubYear = digits(b.pubYear, 4);
    a.sub('a', b.entered + (b.serial ? u"a" + pubYear + u"9999" : u"d" + pubYear + u"    ") +
                   u"em y0chiy50      ea");
    a.end();
    a.data("101", b.translated ? '1' : '0', ' ');
    a.sub('a', u"chi");
    if (b.translated)
        a.sub('c', u"eng");
    a.end();
    a.data("102", ' ', ' ');
    a.sub('a', u"CN");
    a.sub('b', kPlaces[b.publisher->place].region);
    a.end();
    if (!b.serial) {
        a.data("105", ' ', ' ');
        a.sub('a', b.illustrated ? u"a   z   000yy" : u"y   z   000yy");
        a.end();
    }
    a.data("106", ' ', ' ');
    a.sub('a', u"r");
    a.end();

    a.data("200", '1', ' ');
    a.sub('a', b.title);
    if (!b.subtitle.empty())
        a.sub('e', b.subtitle);
    if (!b.responsibility.empty())
        a.sub('f', b.responsibility);
    if (!b.secondary.empty())
        a.sub('g', b.secondary);
    a.end();

    a.data("210", ' ', ' ');
    a.sub('a', kPlaces[b.publisher->place].name);
    a.sub('c', b.serial ? b.serialPublisher : std::u16string(b.publisher->name));
    a.sub('d', b.serial ? digits(b.pubYear - 30, 4) + u"-" : digits(b.pubYear, 4));
    a.end();

    a.data("215", ' ', ' ');
    if (b.serial) {
        a.sub('a', u"册");
        a.sub('d', u"26cm");
    } else {
        a.sub('a', digits(b.pages, 1) + u"页");
        if (b.illustrated)
            a.sub('c', u"图");
        a.sub('d', digits(b.height, 2) + u"cm");
    }
    a.end();

    if (!b.series.empty()) {
        a.data("225", '2', ' ');
        a.sub('a', b.series);
        a.sub('v', digits(b.seriesNumber, 1));
        a.end();
    }
    if (!b.note.empty()) {
        a.data("320", ' ', ' ');
        a.sub('a', b.note);
        a.end();
    }
    if (!b.contents.empty()) {
        a.data("327", '1', ' ');
        for (const auto& c : b.contents)
            a.sub('a', c);
        a.end();
    }
    for (const auto& text : b.abstracts) {
        a.data("330", ' ', ' ');
        a.sub('a', text);
        a.end();
    }
    if (!b.series.empty()) {
        a.data("410", ' ', '0');
        a.sub('1', u"2001 ");
        a.sub('a', b.series);
        a.end();
    }
    for (const auto& s : b.subjects) {
        a.data("606", '0', ' ');
        a.sub('a', s.term);
        if (!s.subdivision.empty())
            a.sub('x', s.subdivision);
        if (s.china)
            a.sub('y', u"中国");
        if (!s.period.empty())
            a.sub('z', s.period);
        a.end();
    }
    for (const auto& c : b.classNumbers) {
        a.data("690", ' ', ' ');
        a.sub('a', c);
        a.sub('v', u"5");
        a.end();
    }
    for (std::size_t i = 0; i < b.persons.size(); ++i) {
        const Person& p = b.persons[i];
        a.data(p.role == u"译" ? "702" : "701", ' ', p.original.empty() ? '0' : '1');
        a.sub('a', p.heading);
        if (!p.original.empty())
            a.sub('g', u"(" + p.original + u")");
        a.sub('4', p.role);
        a.end();
    }
    if (b.serial) {
        a.data("712", '0', '2');
        a.sub('a', b.responsibility.substr(0, b.responsibility.size() - 2));
        a.sub('4', u"主办");
        a.end();
    }
    a.data("801", ' ', '0');
    a.sub('a', u"CN");
    a.sub('b', u"NLC");
    a.sub('c', b.entered);
    a.end();

    a.finish(b.serial ? "nas0 " : "nam0 ", "   450 ", out);
}

// ---------------------------------------------------------------------------------------
// MARC21, still in code page 936

void writeMarc21(const Book& b, bool withText, GeneratedRecord& out)
{
    Assembler a(withText);
    a.control("001", b.id);
    a.control("005", b.stamp);
    const std::u16string year = digits(b.pubYear, 4);
    std::u16string f008 = b.entered.substr(2) +
                          (b.serial ? u"c" + year + u"9999" : u"s" + year + u"    ") + u"cc " +
                          (b.illustrated ? u"a   " : u"    ") + u"       000 0 chi d";
    a.control("008", f008);
    if (b.identifier == Identifier::Isbn) {
        a.data("020", ' ', ' ');
        a.sub('a', ascii(b.isbnDigits));
        a.sub('c', b.price);
        a.end();
    } else if (b.identifier == Identifier::Issn) {
        a.data("022", '0', ' ');
        a.sub('a', b.issn);
        a.end();
    }
    a.data("040", ' ', ' ');
    a.sub('a', u"CN");
    a.sub('b', u"chi");
    a.sub('c', u"CN");
    a.end();
    a.data("041", b.translated ? '1' : '0', ' ');
    a.sub('a', u"chi");
    if (b.translated)
        a.sub('h', u"eng");
    a.end();
    for (const auto& c : b.classNumbers) {
        a.data("084", ' ', ' ');
        a.sub('a', c);
        a.sub('2', u"clc");
        a.end();
    }
    if (!b.persons.empty()) {
        a.data("100", '1', ' ');
        a.sub('a', b.persons[0].heading);
        a.sub('e', b.persons[0].role);
        a.end();
    }
    a.data("245", b.persons.empty() ? '0' : '1', '0');
    a.sub('a', b.title);
    if (!b.subtitle.empty())
        a.sub('b', b.subtitle);
    if (!b.responsibility.empty())
        a.sub('c', b.responsibility + (b.secondary.empty() ? u"" : u" ; " + b.secondary));
    a.end();
    a.data("264", ' ', '1');
    a.sub('a', kPlaces[b.publisher->place].name);
    a.sub('b', b.serial ? b.serialPublisher : std::u16string(b.publisher->name));
    a.sub('c', year);
    a.end();
    a.data("300", ' ', ' ');
    a.sub('a', b.serial ? std::u16string(u"册") : digits(b.pages, 1) + u"页");
    if (b.illustrated)
        a.sub('b', u"图");
    a.sub('c', digits(b.height, 2) + u" cm");
    a.end();
    if (!b.series.empty()) {
        a.data("490", '0', ' ');
        a.sub('a', b.series);
        a.sub('v', digits(b.seriesNumber, 1));
        a.end();
    }
    if (!b.note.empty()) {
        a.data("504", ' ', ' ');
        a.sub('a', b.note);
        a.end();
    }
    for (const auto& text : b.abstracts) {
        a.data("520", ' ', ' ');
        a.sub('a', text);
        a.end();
    }
    for (const auto& s : b.subjects) {
        a.data("650", ' ', '7');
        a.sub('a', s.term);
        if (!s.subdivision.empty())
            a.sub('x', s.subdivision);
        if (!s.period.empty())
            a.sub('y', s.period);
        if (s.china)
            a.sub('z', u"中国");
        a.sub('2', u"cct");
        a.end();
    }
    for (std::size_t i = 1; i < b.persons.size(); ++i) {
        a.data("700", '1', ' ');
        a.sub('a', b.persons[i].heading);
        a.sub('e', b.persons[i].role);
        a.end();
    }
    a.finish(b.serial ? "nas  " : "nam  ", " i 4500", out);
}

} // namespace

RecordGenerator::RecordGenerator(std::uint64_t seed, RecordFormat format)
    : m_seed(seed), m_format(format)
{
}

void RecordGenerator::make(std::uint64_t index, GeneratedRecord& out, bool withText) const
{
    const Book b = makeBook(m_seed, index);
    if (m_format == RecordFormat::Cnmarc)
        writeCnmarc(b, withText, out);
    else
        writeMarc21(b, withText, out);
}

} // namespace bibliora::support
