#include "isowriter.h"

#include "builder.h"

#include <cstdio>

namespace bibliora {
namespace {

constexpr unsigned long long kMaxFieldLength = 9999;
constexpr unsigned long long kMaxFiveDigits = 99999;

} // namespace

bool IsoWriter::add(std::string_view tag, std::string_view content)
{
    const unsigned long long length = content.size() + 1;
    if (length > kMaxFieldLength || m_fields.size() > kMaxFiveDigits)
        return false;
    char entry[16];
    std::snprintf(entry, sizeof entry, "%.3s%04llu%05llu", std::string(tag).c_str(), length,
                  static_cast<unsigned long long>(m_fields.size()));
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
    char digits[8];
    std::snprintf(digits, sizeof digits, "%05llu", total);
    leaderStem.replace(0, 5, digits, 5);
    std::snprintf(digits, sizeof digits, "%05llu", base);
    leaderStem.replace(12, 5, digits, 5);
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
