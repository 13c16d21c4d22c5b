#include "recordchecker.h"

#include "bytescan.h"
#include "dates.h"
#include "fieldtext.h"
#include "gbk.h"
#include "gbktables.h"
#include "marc.h"
#include "placeholder.h"
#include "standardnumbers.h"

#include <algorithm>
#include <cstdio>

namespace bibliora::check {
namespace {

constexpr std::size_t kNone = std::string_view::npos;
// Longest value quoted in a message, in UTF-16 units.
constexpr std::size_t kQuoted = 40;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isLower(char c)
{
    return c >= 'a' && c <= 'z';
}

bool isAlnum(char c)
{
    return isDigit(c) || isLower(c) || (c >= 'A' && c <= 'Z');
}

// Digits only, as a directory or leader number must be; nothing else parses.
bool readDigits(std::string_view text, std::size_t& value)
{
    value = 0;
    for (const char c : text) {
        if (!isDigit(c))
            return false;
        value = value * 10 + static_cast<std::size_t>(c - '0');
    }
    return !text.empty();
}

std::string number(std::size_t n)
{
    return std::to_string(n);
}

std::string hexByte(unsigned char b)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "0x%02X", b);
    return buffer;
}

// Bytes that are not printable ASCII shown as "?", so a message or a tag stays text.
std::string printable(std::string_view bytes)
{
    std::string s(bytes);
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
            c = '?';
    return s;
}

// One byte of a leader or an indicator for a message: "空格", "“a”" or "0xA1".
std::string describe(char c)
{
    const auto b = static_cast<unsigned char>(c);
    if (c == ' ')
        return "空格";
    if (b > 0x20 && b < 0x7F)
        return "“" + std::string(1, c) + "”";
    return hexByte(b);
}

std::string quoted(std::u16string_view text)
{
    if (text.size() <= kQuoted)
        return "“" + Gbk::toUtf8(text) + "”";
    return "“" + Gbk::toUtf8(text.substr(0, kQuoted)) + "…”";
}

// 64-bit FNV-1a, then mixed: the key of a 001, whose value only needs to be told apart.
std::uint64_t hashOf(std::string_view bytes)
{
    std::uint64_t h = 0xCBF29CE484222325ULL;
    for (const char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 0x100000001B3ULL;
    }
    h ^= h >> 31;
    return h ? h : 1;
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

} // namespace

RuleSet RecordChecker::ownRuleSet(std::string_view record)
{
    if (record.size() < kLeaderLength)
        return RuleSet::Auto;
    const std::size_t end = record.find(kFieldTerminator, kLeaderLength);
    const std::string_view entries =
        record.substr(kLeaderLength, end == kNone ? 0 : end - kLeaderLength);
    bool cnmarc = false;
    for (std::size_t e = 0; e + 3 <= entries.size(); e += kEntryLength) {
        const std::string_view tag = entries.substr(e, 3);
        if (tag == "245" || tag == "008")
            return RuleSet::Marc21;
        cnmarc = cnmarc || tag == "200" || tag == "801";
    }
    return cnmarc ? RuleSet::Cnmarc : RuleSet::Auto;
}

RecordChecker::RecordChecker(RuleSet set, Encoding encoding, std::int64_t number,
                             const DuplicateScope& duplicates, std::vector<Problem>& out)
    : m_table(FieldTable::of(set)), m_set(set), m_encoding(encoding), m_number(number),
      m_duplicates(duplicates), m_out(out)
{
    std::fill_n(m_counts.begin(), m_table.rules().size(), 0);
}

void RecordChecker::check(std::string_view record)
{
    if (record.size() < kLeaderLength) {
        add(Rule::Structure, "LDR", {},
            "头标区: 记录只有 " + number(record.size()) + " 字节，不足 24 字节的头标区");
        return;
    }
    // A record read without its terminator (as UTF-16 files give them) counts as having it.
    const bool terminated = record.back() == kRecordTerminator;
    const std::size_t dataEnd = terminated ? record.size() - 1 : record.size();
    checkLeader(record, dataEnd + 1);
    const std::size_t directoryEnd = record.find(kFieldTerminator, kLeaderLength);
    if (directoryEnd == kNone) {
        add(Rule::Structure, "LDR", {},
            "目录区: 找不到目录区的结束符（字段结束符 0x1E），无法读取字段");
        return;
    }
    const std::size_t base = directoryEnd + 1;
    std::size_t leaderBase = 0;
    if (!readDigits(record.substr(12, 5), leaderBase))
        add(Rule::Structure, "LDR", {},
            "头标区: 数据起始地址（第 12–16 位）" + quoted(text(record.substr(12, 5))) +
                " 不是数字");
    else if (leaderBase != base)
        add(Rule::Structure, "LDR", {},
            "头标区: 数据起始地址（第 12–16 位）为 " + number(leaderBase) + "，实际为 " +
                number(base));
    const std::string_view entries = record.substr(kLeaderLength, directoryEnd - kLeaderLength);
    if (entries.size() % kEntryLength != 0)
        add(Rule::Structure, "LDR", {},
            "目录区: 长度为 " + number(entries.size()) + " 字节，不是 12 的倍数");
    for (std::size_t e = 0; e + kEntryLength <= entries.size(); e += kEntryLength)
        checkField(record, base, dataEnd, e / kEntryLength, entries.substr(e, kEntryLength));
    checkMissing();
    if (m_dropped > 0)
        m_out.push_back({"LDR",
                         {},
                         Severity::Error,
                         Rule::Structure,
                         "记录: 另有 " + number(m_dropped) + " 个问题未列出"});
}

void RecordChecker::checkLeader(std::string_view record, std::size_t total)
{
    std::size_t length = 0;
    if (!readDigits(record.substr(0, 5), length))
        add(Rule::Structure, "LDR", {},
            "头标区: 记录长度（第 0–4 位）" + quoted(text(record.substr(0, 5))) + " 不是数字");
    else if (length != total)
        add(Rule::Structure, "LDR", {},
            "头标区: 记录长度（第 0–4 位）为 " + number(length) + "，实际为 " + number(total) +
                " 字节");
    if (record[10] != '2')
        add(Rule::Structure, "LDR", {},
            "头标区: 指示符长度（第 10 位）应为 2，实为" + describe(record[10]));
    if (record[11] != '2')
        add(Rule::Structure, "LDR", {},
            "头标区: 子字段标识符长度（第 11 位）应为 2，实为" + describe(record[11]));
}

void RecordChecker::checkField(std::string_view record, std::size_t base, std::size_t dataEnd,
                               std::size_t index, std::string_view entry)
{
    Field field;
    field.tag = entry.substr(0, 3);
    if (!std::all_of(field.tag.begin(), field.tag.end(), isAlnum)) {
        add(Rule::Structure, field.tag, {},
            "目录区: 第 " + number(index + 1) + " 个目录项的字段标识 " + quoted(text(field.tag)) +
                " 无效");
        return;
    }
    if (std::all_of(field.tag.begin(), field.tag.end(), isDigit))
        field.tagNumber =
            (field.tag[0] - '0') * 100 + (field.tag[1] - '0') * 10 + (field.tag[2] - '0');
    countField(field);

    std::size_t length = 0;
    std::size_t start = 0;
    if (!readDigits(entry.substr(3, 4), length)) {
        addAt(Rule::Structure, field, {},
              "目录项中的字段长度 " + quoted(text(entry.substr(3, 4))) + " 不是数字");
        return;
    }
    if (!readDigits(entry.substr(7, 5), start)) {
        addAt(Rule::Structure, field, {},
              "目录项中的起始位置 " + quoted(text(entry.substr(7, 5))) + " 不是数字");
        return;
    }
    const std::size_t dataSize = dataEnd > base ? dataEnd - base : 0;
    if (length == 0) {
        addAt(Rule::Structure, field, {}, "目录项中的字段长度为 0");
        return;
    }
    if (start >= dataSize) {
        addAt(Rule::Structure, field, {},
              "起始位置 " + number(start) + " 超出数据区（共 " + number(dataSize) + " 字节）");
        return;
    }
    std::string_view data = record.substr(base + start, std::min(length, dataSize - start));
    if (data.size() < length)
        addAt(Rule::Structure, field, {},
              "字段长度 " + number(length) + " 超出记录（起始位置 " + number(start) + " 之后只有 " +
                  number(data.size()) + " 字节）");
    if (data.size() == length && data.back() == kFieldTerminator) {
        data.remove_suffix(1);
    } else {
        if (data.size() == length)
            addAt(Rule::Structure, field, {}, "字段不以字段结束符 0x1E 结尾");
        // Field data never holds a terminator: what follows one belongs to other fields.
        data = data.substr(0, data.find(kFieldTerminator));
    }
    field.data = data;

    const bool control = field.tag[0] == '0' && field.tag[1] == '0' && isDigit(field.tag[2]);
    const std::size_t bad = firstInvalidByte(data, m_encoding, control);
    if (bad != kNone)
        addAt(Rule::Encoding, field, {},
              "字段内偏移 " + number(bad) + " 处的字节 " +
                  hexByte(static_cast<unsigned char>(data[bad])) + " 不是有效的 " +
                  encodingName(m_encoding) + " 字符");
    if (control) {
        checkControlField(field);
    } else {
        const std::uint8_t r = field.tagNumber >= 0
                                   ? m_table.exactRule(static_cast<unsigned>(field.tagNumber))
                                   : FieldTable::kNoRule;
        checkDataField(field, r == FieldTable::kNoRule ? nullptr : &m_table.rules()[r]);
    }
}

void RecordChecker::countField(const Field& field)
{
    if (field.tagNumber < 0)
        return;
    const auto tagNumber = static_cast<unsigned>(field.tagNumber);
    const std::uint8_t exact = m_table.exactRule(tagNumber);
    if (exact != FieldTable::kNoRule) {
        const FieldRule& rule = m_table.rules()[exact];
        if (++m_counts[exact] > 1 && !rule.repeatable) {
            addAt(Rule::Repeat, field, {},
                  "字段不可重复，这是第 " + number(m_counts[exact]) + " 个");
            return;
        }
    }
    const std::uint8_t pattern = m_table.patternRule(tagNumber);
    if (pattern == FieldTable::kNoRule)
        return;
    const FieldRule& rule = m_table.rules()[pattern];
    if (m_counts[pattern]++ == 0)
        m_firstTags[pattern] = field.tag;
    else if (!rule.repeatable)
        addAt(Rule::Repeat, field, {},
              rule.tag + " 字段（" + rule.name + "）只能有一个，记录中已有 " +
                  std::string(m_firstTags[pattern]));
}

void RecordChecker::checkControlField(const Field& field)
{
    if (field.tag == "001") {
        const std::string_view id = trimmed(field.data);
        if (!id.empty())
            duplicate(field, {}, hashOf(id), false);
    } else if (field.tag == "005") {
        const std::u16string_view stamp = text(field.data);
        if (!isRealTimestamp(stamp))
            addAt(Rule::Date, field, {}, quoted(stamp) + " 不是有效的处理时间（YYYYMMDDHHMMSS.F）");
    } else if (field.tag == "008" && m_set == RuleSet::Marc21) {
        const std::size_t n = characters(text(field.data));
        if (n != 40)
            addAt(Rule::Length, field, {}, "应为 40 个字符，实为 " + number(n) + " 个");
    }
}

void RecordChecker::checkDataField(const Field& field, const FieldRule* rule)
{
    const std::string_view data = field.data;
    if (data.size() < 2) {
        addAt(Rule::Indicator, field, {},
              "缺少指示符（字段只有 " + number(data.size()) + " 字节）");
        return;
    }
    checkIndicator(field, 0, rule);
    checkIndicator(field, 1, rule);
    const std::size_t first = data.find(kSubfieldDelimiter, 2);
    if (first == kNone) {
        addAt(Rule::Subfield, field, {}, "没有子字段");
    } else if (first > 2) {
        addAt(Rule::Subfield, field, {},
              "指示符后的 " + quoted(text(data.substr(2, first - 2))) + " 不在任何子字段中");
    }
    std::uint64_t seen = 0;
    for (std::size_t pos = first; pos != kNone;) {
        const std::size_t next = data.find(kSubfieldDelimiter, pos + 1);
        checkSubfield(field, data.substr(pos + 1, next == kNone ? kNone : next - pos - 1), seen);
        pos = next;
    }
    if (!rule)
        return;
    for (const std::uint64_t group : rule->requiredSubfields) {
        if (seen & group)
            continue;
        std::string codes;
        std::string firstCode;
        for (const char c : rule->subfieldsText) {
            if (!(FieldTable::codeBit(static_cast<unsigned char>(c)) & group))
                continue;
            codes += (codes.empty() ? "$" : " 或 $") + std::string(1, c);
            if (firstCode.empty())
                firstCode = std::string(1, c);
        }
        const std::string tag = printable(field.tag);
        add(Rule::Mandatory, tag, firstCode, tag + ": 缺少必备子字段 " + codes);
    }
}

void RecordChecker::checkIndicator(const Field& field, int which, const FieldRule* rule)
{
    const char c = field.data[static_cast<std::size_t>(which)];
    const std::string name = which == 0 ? "第 1 指示符" : "第 2 指示符";
    if (!isDigit(c) && !isLower(c) && c != ' ') {
        addAt(Rule::Indicator, field, {},
              name + " " + describe(c) + " 无效（应为数字、小写字母或空格）");
        return;
    }
    if (!rule)
        return;
    const bool any = which == 0 ? rule->anyIndicator1 : rule->anyIndicator2;
    const std::bitset<128>& allowed = which == 0 ? rule->indicator1 : rule->indicator2;
    if (!any && !allowed[static_cast<unsigned char>(c)])
        addAt(Rule::Indicator, field, {},
              name + "应为 " + (which == 0 ? rule->indicator1Text : rule->indicator2Text) +
                  "，实为" + describe(c));
}

void RecordChecker::checkSubfield(const Field& field, std::string_view piece, std::uint64_t& seen)
{
    if (piece.empty()) {
        addAt(Rule::Subfield, field, {}, "子字段分隔符后没有子字段代码");
        return;
    }
    const char c = piece[0];
    if (isDigit(c) || isLower(c)) {
        seen |= FieldTable::codeBit(static_cast<unsigned char>(c));
        const std::string_view code(piece.data(), 1);
        if (piece.size() == 1)
            addAt(Rule::Subfield, field, code, "子字段没有数据");
        else
            checkValue(field, code, piece.substr(1));
        return;
    }
    // The code as the record's encoding reads it: one character of one or more bytes.
    std::size_t length = 1;
    const auto b = static_cast<unsigned char>(c);
    if (m_encoding == Encoding::Gbk && gbktables::isLead(b) && piece.size() > 1 &&
        gbktables::isTrail(static_cast<unsigned char>(piece[1])))
        length = 2;
    else if (m_encoding == Encoding::Utf8 && b >= 0x80)
        length = std::max<std::size_t>(1, utf8SequenceLength(piece, 0));
    std::u16string decoded = FieldText::value(m_encoding, piece.substr(0, length));
    std::string code;
    if (b < 0x20 || b == 0x7F || decoded.empty() || decoded[0] == 0xFFFD ||
        isPlaceholder(decoded[0]))
        code = hexByte(b);
    else
        code = Gbk::toUtf8(decoded);
    addAt(Rule::Subfield, field, code,
          "子字段代码 " + (b == ' ' ? std::string("为空格") : "“" + code + "”") +
              " 无效（应为小写字母或数字）");
    if (piece.size() == length)
        addAt(Rule::Subfield, field, code, "子字段没有数据");
}

void RecordChecker::checkValue(const Field& field, std::string_view code, std::string_view value)
{
    if (code != "a")
        return;
    if (m_set == RuleSet::Cnmarc) {
        if (field.tag == "010") {
            checkIsbn(field, code, text(value));
        } else if (field.tag == "011") {
            checkIssn(field, code, text(value));
        } else if (field.tag == "100") {
            const std::u16string_view data = text(value);
            const std::size_t n = characters(data);
            if (n != 36)
                addAt(Rule::Length, field, code, "应为 36 个字符，实为 " + number(n) + " 个");
            if (n >= 8 && !isRealDate(data.substr(0, 8)))
                addAt(Rule::Date, field, code,
                      "第 0–7 位的入档日期 " + quoted(data.substr(0, 8)) + " 不是有效日期");
        }
    } else if (field.tag == "020") {
        checkIsbn(field, code, text(value));
    } else if (field.tag == "022") {
        checkIssn(field, code, text(value));
    }
}

void RecordChecker::checkIsbn(const Field& field, std::string_view code, std::u16string_view value)
{
    const NumberCheck check = bibliora::check::checkIsbn(value);
    switch (check.verdict) {
    case NumberVerdict::Valid:
        duplicate(field, code, check.key, true);
        return;
    case NumberVerdict::BadCheckDigit:
        addAt(Rule::Isbn, field, code, std::string("ISBN 校验位错误，应为 ") + check.expected);
        return;
    case NumberVerdict::BadPrefix:
        addAt(Rule::Isbn, field, code,
              quoted(value) + " 不是 ISBN（13 位 ISBN 以 978 或 979 开头）");
        return;
    case NumberVerdict::NotANumber:
        break;
    }
    addAt(Rule::Isbn, field, code, quoted(value) + " 不是 ISBN（应为 10 位或 13 位数字）");
}

void RecordChecker::checkIssn(const Field& field, std::string_view code, std::u16string_view value)
{
    const NumberCheck check = bibliora::check::checkIssn(value);
    if (check.verdict == NumberVerdict::BadCheckDigit)
        addAt(Rule::Issn, field, code, std::string("ISSN 校验位错误，应为 ") + check.expected);
    else if (check.verdict != NumberVerdict::Valid)
        addAt(Rule::Issn, field, code, quoted(value) + " 不是 ISSN（应为 8 位，如 1234-5679）");
}

void RecordChecker::checkMissing()
{
    const std::vector<FieldRule>& rules = m_table.rules();
    for (std::size_t r = 0; r < rules.size(); ++r)
        if (rules[r].mandatory && m_counts[r] == 0)
            add(Rule::Mandatory, rules[r].tag, {},
                rules[r].tag + ": 缺少必备字段（" + rules[r].name + "）");
}

void RecordChecker::duplicate(const Field& field, std::string_view code, std::uint64_t key,
                              bool isbn)
{
    const DuplicateIndex& index = isbn ? m_duplicates.isbns : m_duplicates.ids;
    const std::optional<std::int64_t> first = index.find(key);
    if (!first) {
        if (DuplicateIndex* add = isbn ? m_duplicates.addIsbns : m_duplicates.addIds)
            add->insert(key, m_number);
        return;
    }
    if (*first == m_number)
        return;
    const std::string what = isbn ? "ISBN" : std::string(field.tag);
    addAt(Rule::Duplicate, field, code,
          what + " 与第 " + std::to_string(*first) + " 条记录的 " + what + " 相同",
          Severity::Warning);
}

std::u16string_view RecordChecker::text(std::string_view bytes)
{
    if (bytes.size() <= m_ascii.size() && isPlainAscii(bytes)) {
        std::copy(bytes.begin(), bytes.end(), m_ascii.begin());
        return std::u16string_view(m_ascii.data(), bytes.size());
    }
    m_decoded = FieldText::value(m_encoding, bytes);
    return m_decoded;
}

std::size_t RecordChecker::characters(std::u16string_view text)
{
    std::size_t n = 0;
    for (const char16_t c : text)
        n += c < 0xDC00 || c > 0xDFFF; // a low surrogate belongs to the character before it
    return n;
}

void RecordChecker::add(Rule rule, std::string_view tag, std::string_view code,
                        const std::string& what, Severity severity)
{
    if (m_added == kMaxProblems) {
        ++m_dropped;
        return;
    }
    ++m_added;
    m_out.push_back({printable(tag), std::string(code), severity, rule, what});
}

void RecordChecker::addAt(Rule rule, const Field& field, std::string_view code,
                          const std::string& what, Severity severity)
{
    if (m_added == kMaxProblems) {
        ++m_dropped;
        return;
    }
    const std::string tag = printable(field.tag);
    add(rule, tag, code, tag + (code.empty() ? "" : " $" + std::string(code)) + ": " + what,
        severity);
}

} // namespace bibliora::check
