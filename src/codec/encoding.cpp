#include "encoding.h"

#include "lookup.h"
#include "marc.h"
#include "marc8.h"
#include "utf8text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace bibliora {
namespace {

constexpr char kEscape = '\x1B';

bool hasEscapeSequence(std::string_view record)
{
    for (std::size_t i = record.find(kEscape); i != std::string_view::npos;
         i = record.find(kEscape, i + 1)) {
        if (i + 2 < record.size() && record[i + 1] && std::strchr("()$,-gbps", record[i + 1]))
            return true;
    }
    return false;
}

// The offset of the first byte above 0x7F, or npos. Many bytes at a time: the leader,
// directory and first fields of most records are ASCII.
std::size_t firstHighByte(std::string_view record)
{
    std::size_t i = 0;
#ifdef __SSE2__
    for (; i + 16 <= record.size(); i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(record.data() + i));
        if (_mm_movemask_epi8(block))
            break;
    }
#endif
    for (; i + 8 <= record.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, record.data() + i, 8);
        if (word & 0x8080808080808080ULL)
            break;
    }
    for (; i < record.size(); ++i)
        if (static_cast<unsigned char>(record[i]) >= 0x80)
            return i;
    return std::string_view::npos;
}

bool looksLikeAnsel(std::string_view record)
{
    const auto* p = reinterpret_cast<const unsigned char*>(record.data());
    const std::size_t n = record.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (p[i] < 0x80)
            continue;
        const Marc8::ByteKind kind = Marc8::kindOf(p[i]);
        if (kind == Marc8::ByteKind::Undefined)
            return false;
        if (kind == Marc8::ByteKind::Combining) {
            // A diacritic sits on the next character: a printable one, a sign or another
            // diacritic, never a delimiter, terminator or the end of the record.
            if (i + 1 >= n || (p[i + 1] < 0x80 && (p[i + 1] < 0x20 || p[i + 1] == 0x7F)))
                return false;
        }
    }
    return true;
}

// UNIMARC and CNMARC name their character set in 100 $a/26-27; "50" is ISO 10646.
bool declaresUnicode(std::string_view record)
{
    if (record.size() > 9 && record[9] == 'a')
        return true;
    const DirectoryView dir = directoryOf(record);
    if (!dir.valid)
        return false;
    for (std::size_t e = 0; e + kEntryLength <= dir.entries.size(); e += kEntryLength) {
        if (dir.entries.substr(e, 3) != "100")
            continue;
        const FieldSlice f = fieldAt(record, dir, e);
        const std::size_t a = f.data.find("\x1F"
                                          "a");
        return a != std::string_view::npos && f.data.size() >= a + 2 + 28 &&
               f.data.substr(a + 2 + 26, 2) == "50";
    }
    return false;
}

} // namespace

Encoding detectEncoding(std::string_view record)
{
    // Only field data says anything: the leader and directory are digits and letters (or, in
    // a damaged record, bytes no encoding would explain).
    const std::size_t dataStart = std::min(record.find(kFieldTerminator), record.size());
    const std::string_view data = record.substr(dataStart);
    if (hasEscapeSequence(data))
        return Encoding::Marc8;
    const std::size_t high = firstHighByte(data);
    const std::size_t first = high == std::string_view::npos ? high : dataStart + high;
    if (first == std::string_view::npos)
        return declaresUnicode(record) ? Encoding::Utf8 : Encoding::Gbk;
    // Everything before `first` is ASCII, valid in every encoding here. GBK Chinese text fails
    // within its first few characters; reading on would only cost time.
    const std::string_view rest = record.substr(first);
    constexpr std::size_t kGiveUpAfter = 2;
    const Utf8Text::Scan utf8 = Utf8Text::scan(rest, kGiveUpAfter);
    if (utf8.invalid == 0)
        return Encoding::Utf8;
    if (looksLikeAnsel(rest))
        return Encoding::Marc8;
    if (utf8.sequences > utf8.invalid && declaresUnicode(record))
        return Encoding::Utf8;
    return Encoding::Gbk;
}

const char* encodingName(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8:
        return "UTF-8";
    case Encoding::Marc8:
        return "MARC-8";
    case Encoding::Gbk:
        break;
    }
    return "GBK";
}

} // namespace bibliora
