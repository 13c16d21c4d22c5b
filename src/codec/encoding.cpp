#include "encoding.h"

#include "gbk.h"
#include "lookup.h"
#include "marc.h"
#include "marc8.h"
#include "utf8text.h"

#include <algorithm>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace bibliora {
namespace {

constexpr char kEscape = '\x1B';
constexpr std::size_t kNone = std::string_view::npos;

// ESC, a byte naming what is designated, and room for a final byte.
bool escapeSequenceAt(std::string_view data, std::size_t i)
{
    return i + 2 < data.size() && data[i + 1] && std::strchr("()$,-gbps", data[i + 1]);
}

bool hasEscapeSequence(std::string_view data, std::size_t from)
{
    for (std::size_t i = data.find(kEscape, from); i != kNone; i = data.find(kEscape, i + 1))
        if (escapeSequenceAt(data, i))
            return true;
    return false;
}

// The offset of the first ESC or byte above 0x7F at or after `from`, or kNone. Sixteen bytes
// at a time: the first fields of most records are ASCII.
std::size_t firstHighOrEscape(std::string_view data, std::size_t from)
{
    std::size_t i = from;
#ifdef __SSE2__
    const __m128i escape = _mm_set1_epi8(kEscape);
    for (; i + 16 <= data.size(); i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data.data() + i));
        const int hits = _mm_movemask_epi8(_mm_or_si128(block, _mm_cmpeq_epi8(block, escape)));
        if (hits)
            return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(hits)));
    }
#endif
    for (; i < data.size(); ++i)
        if (static_cast<unsigned char>(data[i]) >= 0x80 || data[i] == kEscape)
            return i;
    return kNone;
}

struct HighBytes
{
    bool escapeSequence = false; // anywhere in the data
    std::size_t first = kNone;   // the first byte above 0x7F
};

// One pass up to the first byte above 0x7F, looking for escape sequences on the way; after it
// only escape sequences are looked for.
HighBytes highBytesOf(std::string_view data)
{
    HighBytes h;
    for (std::size_t i = firstHighOrEscape(data, 0); i != kNone;
         i = firstHighOrEscape(data, i + 1)) {
        if (data[i] != kEscape) {
            h.first = i;
            h.escapeSequence = hasEscapeSequence(data, i);
            return h;
        }
        if (escapeSequenceAt(data, i)) {
            h.escapeSequence = true;
            return h;
        }
    }
    return h;
}

bool looksLikeAnsel(std::string_view record)
{
    const auto& kinds = Marc8::highByteKinds();
    const auto* p = reinterpret_cast<const unsigned char*>(record.data());
    const std::size_t n = record.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (p[i] < 0x80)
            continue;
        const Marc8::ByteKind kind = kinds[p[i] - 0x80];
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

EncodingFit fitEncodings(std::string_view record)
{
    EncodingFit fit;
    // Only field data says anything: the leader and directory are digits and letters (or, in
    // a damaged record, bytes no encoding would explain).
    const std::size_t dataStart = std::min(record.find(kFieldTerminator), record.size());
    const HighBytes high = highBytesOf(record.substr(dataStart));
    if (high.escapeSequence) {
        fit.marc8 = true;
        fit.detected = Encoding::Marc8;
        return fit;
    }
    if (high.first == kNone) {
        // ASCII is the same in every encoding here; a record that declares UTF-8 is taken at
        // its word, so that text added to it later is written as it says.
        const bool unicode = declaresUnicode(record);
        fit.utf8 = true;
        fit.gbk = fit.marc8 = !unicode;
        fit.detected = unicode ? Encoding::Utf8 : Encoding::Gbk;
        return fit;
    }
    // Everything before the first high byte is ASCII, valid in every encoding here. GBK
    // Chinese text fails within its first few characters; reading on would only cost time.
    const std::string_view rest = record.substr(dataStart + high.first);
    constexpr std::size_t kGiveUpAfter = 2;
    const Utf8Text::Scan utf8 = Utf8Text::scan(rest, kGiveUpAfter);
    if (utf8.invalid == 0) {
        fit.utf8 = true;
        fit.detected = Encoding::Utf8;
    } else if (looksLikeAnsel(rest)) {
        fit.marc8 = true;
        fit.gbk = Gbk::holdsOnlyAssigned(rest);
        fit.detected = Encoding::Marc8;
    } else if (utf8.sequences > utf8.invalid && declaresUnicode(record)) {
        fit.utf8 = true;
        fit.detected = Encoding::Utf8;
    } else {
        fit.gbk = true;
    }
    return fit;
}

Encoding detectEncoding(std::string_view record)
{
    return fitEncodings(record).detected;
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
