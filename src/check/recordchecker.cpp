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
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

// Digits only, as a directory or leader number must be; nothing else parses. Every digit is
// read before any is judged, without a branch: the directory has two such numbers an entry.
template <std::size_t N> bool readDigits(const char* text, std::size_t& value)
{
    value = 0;
    unsigned notDigit = 0;
    for (std::size_t i = 0; i < N; ++i) {
        const unsigned d = static_cast<unsigned char>(text[i]) - unsigned('0');
        notDigit |= d > 9;
        value = value * 10 + d;
    }
    return !notDigit;
}

// Three tag bytes as one number, to compare tags without a call.
constexpr std::uint32_t tagCode(const char* tag)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(tag[0])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(tag[1])) << 8 |
           static_cast<unsigned char>(tag[2]);
}

bool wellFormedIndicator(char c)
{
    return isDigit(c) || isLower(c) || c == ' ';
}

// Calls f with the offset of each subfield delimiter at or after `from`, in order, looking at
// sixteen bytes at a time. `readable` bytes from data.data() may be read (at least
// data.size(); more when the data lies inside a record), so that only a field at the very end
// of a record needs its last bytes copied.
template <typename F>
void forEachDelimiter(std::string_view data, std::size_t from, std::size_t readable, F f)
{
    const char* p = data.data();
    const std::size_t n = data.size();
#ifdef __SSE2__
    const __m128i delimiter = _mm_set1_epi8(kSubfieldDelimiter);
    for (std::size_t i = from; i < n; i += 16) {
        __m128i block;
        if (readable - i >= 16) {
            block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        } else {
            char tail[16] = {};
            std::memcpy(tail, p + i, n - i);
            block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tail));
        }
        auto hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, delimiter)));
        if (n - i < 16)
            hits &= (1u << (n - i)) - 1;
        while (hits) {
            f(i + static_cast<std::size_t>(__builtin_ctz(hits)));
            hits &= hits - 1;
        }
    }
#else
    (void)readable;
    for (std::size_t i = from; i < n; ++i)
        if (p[i] == kSubfieldDelimiter)
            f(i);
#endif
}

std::string threeDigits(unsigned tagNumber)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%03u", tagNumber % 1000);
    return buffer;
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
    bool has008 = false;
    bool has200 = false;
    bool has801 = false;
    for (std::size_t e = 0; e + 3 <= entries.size(); e += kEntryLength) {
        const std::uint32_t tag = tagCode(entries.data() + e);
        if (tag == tagCode("245"))
            return RuleSet::Marc21;
        has008 = has008 || tag == tagCode("008");
        has200 = has200 || tag == tagCode("200");
        has801 = has801 || tag == tagCode("801");
    }
    // A 200 outweighs an 008: some CMARC records carry a stray 008 ("chi"), which would have
    // them checked for a 245 and a single 1XX they were never meant to have.
    if (has200)
        return RuleSet::Cnmarc;
    if (has008)
        return RuleSet::Marc21;
    return has801 ? RuleSet::Cnmarc : RuleSet::Auto;
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
    if (!readDigits<5>(record.data() + 12, leaderBase))
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
    // Fields are validated one by one only when the data area as a whole is not valid: no
    // character spans two fields, as neither terminator is ever part of one. (A directory that
    // cuts through characters is a structure problem, not also one of encoding.)
    const std::string_view area =
        record.substr(std::min(base, dataEnd), dataEnd - std::min(base, dataEnd));
    m_recordEnd = record.data() + record.size();
    m_validData = m_encoding == Encoding::Marc8 ? isPlainAscii(area)
                                                : firstInvalidByte(area, m_encoding, true) == kNone;
    for (std::size_t e = 0; e + kEntryLength <= entries.size(); e += kEntryLength)
        checkField(record, base, dataEnd, e / kEntryLength, entries.substr(e, kEntryLength));
    checkMissing();
    resolveDuplicates();
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
    if (!readDigits<5>(record.data(), length))
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
    const char t0 = entry[0];
    const char t1 = entry[1];
    const char t2 = entry[2];
    if (isDigit(t0) && isDigit(t1) && isDigit(t2))
        field.tagNumber = (t0 - '0') * 100 + (t1 - '0') * 10 + (t2 - '0');
    else if (!isAlnum(t0) || !isAlnum(t1) || !isAlnum(t2)) {
        add(Rule::Structure, field.tag, {},
            "目录区: 第 " + number(index + 1) + " 个目录项的字段标识 " + quoted(text(field.tag)) +
                " 无效");
        return;
    }
    const std::uint8_t exact = field.tagNumber >= 0
                                   ? m_table.exactRule(static_cast<unsigned>(field.tagNumber))
                                   : FieldTable::kNoRule;
    const std::uint8_t pattern = field.tagNumber >= 0
                                     ? m_table.patternRule(static_cast<unsigned>(field.tagNumber))
                                     : FieldTable::kNoRule;
    if (exact != FieldTable::kNoRule || pattern != FieldTable::kNoRule)
        countField(field, exact, pattern);

    std::size_t length = 0;
    std::size_t start = 0;
    if (!readDigits<4>(entry.data() + 3, length)) {
        addAt(Rule::Structure, field, {},
              "目录项中的字段长度 " + quoted(text(entry.substr(3, 4))) + " 不是数字");
        return;
    }
    if (!readDigits<5>(entry.data() + 7, start)) {
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
    std::string_view data(record.data() + base + start, std::min(length, dataSize - start));
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
    const std::size_t bad = m_validData ? kNone : firstInvalidByte(data, m_encoding, control);
    if (bad != kNone)
        addAt(Rule::Encoding, field, {},
              "字段内偏移 " + number(bad) + " 处的字节 " +
                  hexByte(static_cast<unsigned char>(data[bad])) + " 不是有效的 " +
                  encodingName(m_encoding) + " 字符");
    if (control) {
        checkControlField(field);
    } else {
        checkDataField(field, exact == FieldTable::kNoRule ? nullptr : &m_table.rules()[exact]);
    }
}

void RecordChecker::countField(const Field& field, std::uint8_t exact, std::uint8_t pattern)
{
    if (exact != FieldTable::kNoRule) {
        const FieldRule& rule = m_table.rules()[exact];
        if (++m_counts[exact] > 1 && !rule.repeatable) {
            addAt(Rule::Repeat, field, {},
                  "字段不可重复，这是第 " + number(m_counts[exact]) + " 个");
            return;
        }
    }
    if (pattern == FieldTable::kNoRule)
        return;
    const FieldRule& rule = m_table.rules()[pattern];
    if (m_counts[pattern]++ == 0)
        m_firstTags[pattern] = static_cast<std::uint16_t>(field.tagNumber);
    else if (!rule.repeatable)
        addAt(Rule::Repeat, field, {},
              rule.tag + " 字段（" + rule.name + "）只能有一个，记录中已有 " +
                  threeDigits(m_firstTags[pattern]));
}

void RecordChecker::checkControlField(const Field& field)
{
    if (field.tagNumber == 1) {
        const std::string_view id = trimmed(field.data);
        if (!id.empty())
            duplicate(field, 0, hashOf(id), false);
    } else if (field.tagNumber == 5) {
        const std::u16string_view stamp = text(field.data);
        if (!isRealTimestamp(stamp))
            addAt(Rule::Date, field, {}, quoted(stamp) + " 不是有效的处理时间（YYYYMMDDHHMMSS.F）");
    } else if (field.tagNumber == 8 && m_set == RuleSet::Marc21) {
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
    // Most indicators are well formed and free of any rule of the table.
    if (!wellFormedIndicator(data[0]) || (rule && !rule->anyIndicator1))
        checkIndicator(field, 0, rule);
    if (!wellFormedIndicator(data[1]) || (rule && !rule->anyIndicator2))
        checkIndicator(field, 1, rule);
    const ValueKind kind = valueKind(field);
    std::uint64_t seen = 0;
    std::size_t previous = kNone;
    const auto readable = static_cast<std::size_t>(m_recordEnd - data.data());
    forEachDelimiter(data, 2, readable, [&](std::size_t at) {
        if (previous != kNone) {
            // The common case inline: a well-formed code with data that no rule reads.
            const char code = data[previous + 1];
            if (kind == ValueKind::None && at - previous > 2 && (isDigit(code) || isLower(code)))
                seen |= FieldTable::codeBit(static_cast<unsigned char>(code));
            else
                checkSubfield(field, kind, data.substr(previous + 1, at - previous - 1), seen);
        } else if (at > 2)
            addAt(Rule::Subfield, field, {},
                  "指示符后的 " + quoted(text(data.substr(2, at - 2))) + " 不在任何子字段中");
        previous = at;
    });
    if (previous == kNone)
        addAt(Rule::Subfield, field, {}, "没有子字段");
    else
        checkSubfield(field, kind, data.substr(previous + 1), seen);
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

RecordChecker::ValueKind RecordChecker::valueKind(const Field& field) const
{
    if (m_set == RuleSet::Cnmarc) {
        switch (field.tagNumber) {
        case 10:
            return ValueKind::Isbn;
        case 11:
            return ValueKind::Issn;
        case 100:
            return ValueKind::GeneralData;
        default:
            return ValueKind::None;
        }
    }
    switch (field.tagNumber) {
    case 20:
        return ValueKind::Isbn;
    case 22:
        return ValueKind::Issn;
    default:
        return ValueKind::None;
    }
}

void RecordChecker::checkIndicator(const Field& field, int which, const FieldRule* rule)
{
    const char c = field.data[static_cast<std::size_t>(which)];
    const bool wellFormed = wellFormedIndicator(c);
    if (wellFormed && (!rule || (which == 0 ? rule->anyIndicator1 : rule->anyIndicator2)))
        return;
    const std::string name = which == 0 ? "第 1 指示符" : "第 2 指示符";
    if (!wellFormed) {
        addAt(Rule::Indicator, field, {},
              name + " " + describe(c) + " 无效（应为数字、小写字母或空格）");
        return;
    }
    const std::bitset<128>& allowed = which == 0 ? rule->indicator1 : rule->indicator2;
    if (!allowed[static_cast<unsigned char>(c)])
        addAt(Rule::Indicator, field, {},
              name + "应为 " + (which == 0 ? rule->indicator1Text : rule->indicator2Text) +
                  "，实为" + describe(c));
}

void RecordChecker::checkSubfield(const Field& field, ValueKind kind, std::string_view piece,
                                  std::uint64_t& seen)
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
        else if (kind != ValueKind::None && c == 'a')
            checkValue(field, kind, code, piece.substr(1));
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

void RecordChecker::checkValue(const Field& field, ValueKind kind, std::string_view code,
                               std::string_view value)
{
    switch (kind) {
    case ValueKind::Isbn:
        checkIsbn(field, code, text(value));
        return;
    case ValueKind::Issn:
        checkIssn(field, code, text(value));
        return;
    case ValueKind::GeneralData:
        break;
    case ValueKind::None:
        return;
    }
    const std::u16string_view data = text(value);
    const std::size_t n = characters(data);
    if (n != 36)
        addAt(Rule::Length, field, code, "应为 36 个字符，实为 " + number(n) + " 个");
    if (n >= 8 && !isRealDate(data.substr(0, 8)))
        addAt(Rule::Date, field, code,
              "第 0–7 位的入档日期 " + quoted(data.substr(0, 8)) + " 不是有效日期");
}

void RecordChecker::checkIsbn(const Field& field, std::string_view code, std::u16string_view value)
{
    const NumberCheck check = bibliora::check::checkIsbn(value);
    switch (check.verdict) {
    case NumberVerdict::Valid:
        duplicate(field, code[0], check.key, true);
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

void RecordChecker::duplicate(const Field& field, char code, std::uint64_t key, bool isbn)
{
    // Looked up once the record's other fields are checked: on a large file the key's slot is
    // a cache miss, fetched meanwhile.
    PendingDuplicate p;
    p.key = key;
    p.at = m_out.size();
    p.isbn = isbn;
    p.code = code;
    std::copy(field.tag.begin(), field.tag.end(), p.tag.begin());
    if (m_duplicates.deferred) {
        m_duplicates.deferred->push_back(p);
        return;
    }
    (isbn ? m_duplicates.isbns : m_duplicates.ids).prefetch(key);
    if (m_pendingCount == m_pending.size())
        resolveDuplicates();
    m_pending[m_pendingCount++] = p;
}

void RecordChecker::resolveDuplicates()
{
    std::size_t inserted = 0;
    for (std::size_t i = 0; i < m_pendingCount; ++i) {
        const PendingDuplicate& p = m_pending[i];
        DuplicateIndex* add = p.isbn ? m_duplicates.addIsbns : m_duplicates.addIds;
        const std::optional<std::int64_t> first =
            add ? add->findOrInsert(p.key, m_number)
                : (p.isbn ? m_duplicates.isbns : m_duplicates.ids).find(p.key);
        if (!first || *first == m_number)
            continue;
        if (m_added == kMaxProblems) {
            ++m_dropped;
            continue;
        }
        ++m_added;
        Problem problem = duplicateWarning(p, *first);
        m_out.insert(m_out.begin() + static_cast<std::ptrdiff_t>(p.at + inserted),
                     std::move(problem));
        ++inserted;
    }
    m_pendingCount = 0;
}

Problem RecordChecker::duplicateWarning(const PendingDuplicate& p, std::int64_t first)
{
    // Built in one string: a file of many duplicates has one such warning a record.
    Problem problem;
    problem.tag = printable(std::string_view(p.tag.data(), p.tag.size()));
    if (p.code)
        problem.code.assign(1, p.code);
    problem.severity = Severity::Warning;
    problem.rule = Rule::Duplicate;
    const std::string_view what = p.isbn ? std::string_view("ISBN") : problem.tag;
    char digits[24];
    const int length = std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(first));
    std::string& m = problem.message;
    m.reserve(64);
    m.append(problem.tag);
    if (p.code)
        m.append(" $").append(problem.code);
    m.append(": ").append(what).append(" 与第 ").append(digits, static_cast<std::size_t>(length));
    m.append(" 条记录的 ").append(what).append(" 相同");
    return problem;
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
