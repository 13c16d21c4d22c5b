#include "isowriter.h"

#include "builder.h"

#include <cstdio>
#include <cstring>

namespace bibliora {
namespace {

constexpr unsigned long long kMaxFieldLength = 9999;
constexpr unsigned long long kMaxFiveDigits = 99999;

// `Count` digits of a number below 10^Count, two at a time from a table: this runs for every
// field of every record a batch change writes.
template <std::size_t Count> void putDigits(char* at, unsigned value)
{
    static constexpr char kPairs[] = "00010203040506070809101112131415161718192021222324"
                                     "25262728293031323334353637383940414243444546474849"
                                     "50515253545556575859606162636465666768697071727374"
                                     "75767778798081828384858687888990919293949596979899";
    std::size_t k = Count;
    for (; k >= 2; k -= 2, value /= 100) {
        at[k - 2] = kPairs[2 * (value % 100)];
        at[k - 1] = kPairs[2 * (value % 100) + 1];
    }
    if (k == 1)
        at[0] = static_cast<char>('0' + value % 10);
}

// A directory entry: the tag, then the field's length and start, which fit their digits.
inline void writeEntry(char* entry, std::string_view tag, unsigned long long length,
                       unsigned long long start)
{
    entry[0] = tag[0];
    entry[1] = tag[1];
    entry[2] = tag[2];
    putDigits<4>(entry + 3, static_cast<unsigned>(length));
    putDigits<5>(entry + 7, static_cast<unsigned>(start));
}

// The record length and base address at their places in a leader.
void writeLeaderNumbers(char* leader, unsigned long long total, unsigned long long base)
{
    putDigits<5>(leader, static_cast<unsigned>(total));
    putDigits<5>(leader + 12, static_cast<unsigned>(base));
}

} // namespace

void IsoWriter::reserve(std::size_t fields, std::size_t bytes)
{
    m_directory.reserve(fields * kEntryLength);
    m_fields.reserve(bytes);
}

bool IsoWriter::add(std::string_view tag, std::string_view content)
{
    const unsigned long long length = content.size() + 1;
    if (length > kMaxFieldLength || m_fields.size() > kMaxFiveDigits)
        return false;
    char entry[kEntryLength];
    writeEntry(entry, tag, length, m_fields.size());
    m_directory.append(entry, kEntryLength);
    m_fields += content;
    m_fields.push_back(kFieldTerminator);
    return true;
}

bool IsoWriter::finish(std::string leaderStem, MarcRecord& out) const
{
    const unsigned long long base = kLeaderLength + m_directory.size() + 1;
    const unsigned long long total = base + m_fields.size() + 1;
    if (total > kMaxFiveDigits)
        return false;
    writeLeaderNumbers(leaderStem.data(), total, base);
    out.reserve(total);
    out = leaderStem;
    out += m_directory;
    out.push_back(kFieldTerminator);
    out += m_fields;
    out.push_back(kRecordTerminator);
    return true;
}

bool IsoWriter::write(std::string_view leaderStem, const TerminatedField* fields, std::size_t count,
                      MarcRecord& out)
{
    const unsigned long long base = kLeaderLength + count * kEntryLength + 1;
    unsigned long long length = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const TerminatedField& f = fields[i];
        if (f.bytes.size() > kMaxFieldLength || length > kMaxFiveDigits)
            return false;
        length += f.bytes.size();
    }
    const unsigned long long total = base + length + 1;
    if (total > kMaxFiveDigits)
        return false;
    out.resize(total);
    char* const leader = out.data();
    leaderStem.copy(leader, kLeaderLength);
    writeLeaderNumbers(leader, total, base);
    char* entry = leader + kLeaderLength;
    char* data = leader + base;
    unsigned long long start = 0;
    for (std::size_t i = 0; i < count;) {
        // A run of fields each right after the one before.
        std::size_t end = i;
        const char* const from = fields[i].bytes.data();
        const char* next = from;
        for (; end < count && fields[end].bytes.data() == next; ++end) {
            writeEntry(entry, fields[end].tag, fields[end].bytes.size(), start);
            entry += kEntryLength;
            start += fields[end].bytes.size();
            next += fields[end].bytes.size();
        }
        if (next != from)
            std::memcpy(data, from, static_cast<std::size_t>(next - from));
        data += next - from;
        i = end;
    }
    *entry = kFieldTerminator;
    *data = kRecordTerminator;
    return true;
}

std::string IsoWriter::controlNumber(const BuildTime& now)
{
    char text[32];
    std::snprintf(text, sizeof text, "01%02d%02d%02d", now.hour, now.minute, now.second);
    return text;
}

std::string IsoWriter::timestamp(const BuildTime& now)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d.0", now.year, now.month, now.day,
                  now.hour, now.minute, now.second);
    return text;
}

} // namespace bibliora
