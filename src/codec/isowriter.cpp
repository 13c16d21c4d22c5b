#include "isowriter.h"

#include "builder.h"

#include <cstdio>

namespace bibliora {
namespace {

constexpr unsigned long long kMaxFieldLength = 9999;
constexpr unsigned long long kMaxFiveDigits = 99999;

} // namespace

void IsoWriter::reserve(std::size_t fields, std::size_t bytes)
{
    m_directory.reserve(fields * kEntryLength);
    m_fields.reserve(bytes);
}

bool IsoWriter::add(std::string_view tag, std::string_view content)
{
    unsigned long long length = content.size() + 1;
    if (length > kMaxFieldLength || m_fields.size() > kMaxFiveDigits)
        return false;
    // Written digit by digit: this runs for every field of every record a batch change writes.
    char entry[kEntryLength];
    for (std::size_t k = 0; k < 3; ++k)
        entry[k] = tag[k];
    unsigned long long start = m_fields.size();
    for (std::size_t k = 7; k-- > 3; length /= 10)
        entry[k] = static_cast<char>('0' + length % 10);
    for (std::size_t k = kEntryLength; k-- > 7; start /= 10)
        entry[k] = static_cast<char>('0' + start % 10);
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
    const auto writeDigits = [&leaderStem](std::size_t at, unsigned long long value) {
        for (std::size_t k = at + 5; k-- > at; value /= 10)
            leaderStem[k] = static_cast<char>('0' + value % 10);
    };
    writeDigits(0, total);
    writeDigits(12, base);
    out.reserve(total);
    out = leaderStem;
    out += m_directory;
    out.push_back(kFieldTerminator);
    out += m_fields;
    out.push_back(kRecordTerminator);
    return true;
}

char IsoWriter::leaderCharacter(char16_t c)
{
    return c > 0x20 && c < 0x7F && c != u'?' && c != u'#' ? static_cast<char>(c) : ' ';
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
