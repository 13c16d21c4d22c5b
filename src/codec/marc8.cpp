#include "marc8.h"

#include "placeholder.h"
#include "utf8text.h"

#include <yaz/yaz-iconv.h>

#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace bibliora {

struct Marc8::Session::Converters
{
    yaz_iconv_t decoder;
    yaz_iconv_t encoder;
};

namespace {

constexpr char kEscape = '\x1B';
// The longest run of bytes that can make one character: eight stacked diacritics before a
// three-byte EACC character.
constexpr std::size_t kMaxUnit = 8 + 3;

struct Closer
{
    void operator()(yaz_iconv_t cd) const { yaz_iconv_close(cd); }
};
using Converter = std::unique_ptr<std::remove_pointer_t<yaz_iconv_t>, Closer>;

Converter open(const char* to, const char* from)
{
    Converter cd(yaz_iconv_open(to, from));
    if (!cd)
        throw std::runtime_error("yaz has no MARC-8 conversion");
    return cd;
}

// The innermost session of this thread; a plain pointer, so nothing runs at the thread's exit.
thread_local const Marc8::Session::Converters* t_session = nullptr;

yaz_iconv_t decoder()
{
    if (t_session)
        return t_session->decoder;
    static thread_local Converter cd = open("UTF8", "MARC8");
    return cd.get();
}

yaz_iconv_t encoder()
{
    if (t_session)
        return t_session->encoder;
    static thread_local Converter cd = open("MARC8", "UTF8");
    return cd.get();
}

// Writes what the converter still holds and returns it to its initial state.
void flush(yaz_iconv_t cd, std::string& out)
{
    char buffer[64];
    char* op = buffer;
    std::size_t left = sizeof buffer;
    yaz_iconv(cd, nullptr, nullptr, &op, &left);
    out.append(buffer, static_cast<std::size_t>(op - buffer));
}

// Converts `in` in one go, appending to `out`. On failure, `in` is left at the byte that could
// not be converted and the converter's error is returned; 0 on success.
int convert(yaz_iconv_t cd, std::string_view& in, std::string& out)
{
    char* ip = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    char buffer[1024];
    while (inLeft > 0) {
        char* op = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t r = yaz_iconv(cd, &ip, &inLeft, &op, &outLeft);
        out.append(buffer, static_cast<std::size_t>(op - buffer));
        if (r == static_cast<std::size_t>(-1)) {
            const int error = yaz_iconv_error(cd);
            if (error != YAZ_ICONV_E2BIG) {
                in = std::string_view(ip, inLeft);
                return error;
            }
        }
    }
    in = std::string_view(ip, 0);
    return 0;
}

// The whole of `bytes` as UTF-8, or nothing when yaz stops on it.
std::optional<std::string> decodeWhole(std::string_view bytes)
{
    yaz_iconv_t cd = decoder();
    std::string utf8;
    const int error = convert(cd, bytes, utf8);
    flush(cd, utf8);
    if (error)
        return std::nullopt;
    return utf8;
}

// The length of the escape sequence at bytes[i] (an ESC), or 0 when it is none. Which sets
// exist is yaz's business; this only knows the shape ISO 2022 gives them.
std::size_t escapeLength(std::string_view bytes, std::size_t i)
{
    std::size_t k = i + 1;
    if (k >= bytes.size())
        return 0;
    const char c = bytes[k];
    if (c == 'g' || c == 'b' || c == 'p' || c == 's')
        return 2;
    if (c == '$') {
        ++k;
        if (k < bytes.size() && (bytes[k] == ',' || bytes[k] == ')' || bytes[k] == '-'))
            ++k;
    } else if (c == '(' || c == ',' || c == ')' || c == '-') {
        ++k;
    } else {
        return 0;
    }
    if (k < bytes.size() && bytes[k] == '!')
        ++k;
    if (k >= bytes.size() || static_cast<unsigned char>(bytes[k]) < 0x20 ||
        static_cast<unsigned char>(bytes[k]) > 0x7E)
        return 0;
    return k + 1 - i;
}

bool designatesG1(std::string_view escape)
{
    return escape.find_first_of(")-") != std::string_view::npos;
}

// Whether yaz has the set an escape sequence designates. yaz takes the designation of a set
// it does not have without a word, then rejects every byte read in that set; such an escape
// is bytes, not a change of set. Asked of yaz once per designation and thread.
bool designatesKnownSet(std::string_view escape)
{
    if (escape.size() == 2)
        return true; // ESC g, b, p, s: sets of their own, no designation
    const bool multibyte = escape[1] == '$';
    std::size_t k = multibyte ? 2 : 1;
    static constexpr std::string_view kIntermediates = "(,)-";
    std::size_t intermediate = 0; // none: a multibyte set in G0
    if (k < escape.size() - 1 && kIntermediates.find(escape[k]) != std::string_view::npos)
        intermediate = 1 + kIntermediates.find(escape[k++]);
    const bool bang = escape[k] == '!';
    const auto final = static_cast<unsigned char>(escape.back()) - 0x20u; // 0 .. 94
    // No destructor, as in howYazWrites.
    thread_local unsigned char known[2][5][2][95]; // 0 not asked, 1 has it, 2 has not
    unsigned char& answer = known[multibyte][intermediate][bang][final];
    if (answer == 0) {
        const bool g1 = designatesG1(escape);
        // A character of every set yaz has: "!" (and its place in G1) in the single-byte
        // sets, and the first ideograph of the East Asian set.
        const std::string_view probes[] = {g1 ? "\xA1" : "!", g1 ? "\xC1" : "A",
                                           g1 ? "\xA1\xB0\xA1" : "!0!"};
        answer = 2;
        for (const std::string_view probe : probes) {
            const std::optional<std::string> utf8 =
                decodeWhole(std::string(escape) + std::string(probe));
            if (utf8 && !utf8->empty()) {
                answer = 1;
                break;
            }
        }
    }
    return answer == 1;
}

// The length of the escape sequence at bytes[i] when it changes to a set yaz has, else 0: an
// escape to a set yaz does not have is bytes like any other.
std::size_t setChangeLength(std::string_view bytes, std::size_t i)
{
    const std::size_t len = escapeLength(bytes, i);
    return len && designatesKnownSet(bytes.substr(i, len)) ? len : 0;
}

// The bytes that are not escape sequences: what a field holds apart from where its sets
// change.
std::string withoutEscapes(std::string_view bytes)
{
    std::string kept;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t len = bytes[i] == kEscape ? setChangeLength(bytes, i) : 0;
        if (len) {
            i += len;
        } else {
            kept.push_back(bytes[i++]);
        }
    }
    return kept;
}

void appendRun(std::string& out, std::u16string_view run);

// How yaz writes a character of the Basic Multilingual Plane as MARC-8.
enum class Written : unsigned char
{
    Unknown,
    Dropped,   // not at all, and without a word ("■", for one)
    Spacing,   // where it stands
    Combining, // before the character it follows: a diacritic or vowel point
};

std::string encodedAlone(std::u16string_view text)
{
    const std::string utf8 = Utf8Text::encodeLiterally(text);
    yaz_iconv_t cd = encoder();
    std::string_view in = utf8;
    std::string bytes;
    const int error = convert(cd, in, bytes);
    flush(cd, bytes);
    return error ? std::string() : bytes;
}

// Asked of yaz once per character and thread.
Written howYazWrites(char16_t c)
{
    // No destructor: thread-local objects with one are not reliably destroyed by every
    // run-time.
    thread_local Written known[0x10000];
    if (known[c] == Written::Unknown) {
        if (encodedAlone(std::u16string(1, c)).empty())
            known[c] = Written::Dropped;
        else
            known[c] = encodedAlone(std::u16string{u'a', c}).rfind('a', 0) == 0
                           ? Written::Spacing
                           : Written::Combining;
    }
    return known[c];
}

// Character by character: each unit is decoded on its own after the escapes in force, so a
// byte yaz rejects or skips is found and kept as a placeholder.
std::u16string decodeCarefully(std::string_view bytes)
{
    std::u16string out;
    std::string g0;
    std::string g1;
    std::string input;
    for (std::size_t i = 0; i < bytes.size();) {
        if (bytes[i] == kEscape) {
            if (const std::size_t len = setChangeLength(bytes, i)) {
                (designatesG1(bytes.substr(i, len)) ? g1 : g0) = bytes.substr(i, len);
                i += len;
                continue;
            }
        }
        bool decoded = false;
        for (std::size_t w = 1; w <= kMaxUnit && i + w <= bytes.size(); ++w) {
            input = g0 + g1;
            input.append(bytes.substr(i, w));
            const std::optional<std::string> utf8 = decodeWhole(input);
            // Nothing yet: part of a multibyte character, or a byte yaz skips (kept below).
            if (!utf8 || utf8->empty())
                continue;
            // Diacritics (or vowel points) with no character after them to sit on (the field
            // ends first, or more of them than yaz holds): as text they would sit on the
            // character before, and be written back before it. yaz tells them by holding them
            // for the next letter, or by writing them before a letter.
            const std::optional<std::string> withLetter = decodeWhole(input + "\x1B(Ba");
            if (!withLetter || *withLetter != *utf8 + "a" ||
                howYazWrites(Utf8Text::decode(*utf8)[0]) == Written::Combining)
                continue;
            // The unit must write back as its own bytes: a double diacritic read without the
            // second half that follows it would be written with that half, and the half kept
            // as a byte of its own besides.
            std::string again;
            appendRun(again, Utf8Text::decode(*utf8));
            if (withoutEscapes(again) != withoutEscapes(bytes.substr(i, w)))
                continue;
            // The same text without the first byte: yaz skipped that byte (a lone one amid
            // three-byte characters), which is kept below.
            if (w > 1 && decodeWhole(g0 + g1 + std::string(bytes.substr(i + 1, w - 1))) == utf8)
                break;
            Utf8Text::appendDecoded(out, *utf8);
            // A unit may hold escapes (a diacritic before a change of set): the sets they
            // designate are in force after it.
            for (std::size_t j = i; j < i + w; ++j)
                if (const std::size_t len = bytes[j] == kEscape ? setChangeLength(bytes, j) : 0) {
                    (designatesG1(bytes.substr(j, len)) ? g1 : g0) = bytes.substr(j, len);
                    j += len - 1;
                }
            i += w;
            decoded = true;
            break;
        }
        if (!decoded)
            out.push_back(placeholderFor(static_cast<unsigned char>(bytes[i++])));
    }
    return out;
}

void appendReference(std::string& out, char32_t cp)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "&#x%04X;", static_cast<unsigned>(cp));
    out += buffer;
}

// The code point of the UTF-8 sequence `in` starts with, and its length.
char32_t firstCodePoint(std::string_view in, std::size_t& length)
{
    const std::u16string text = Utf8Text::decode(in.substr(0, std::min<std::size_t>(4, in.size())));
    const char16_t c = text.empty() ? u'?' : text[0];
    if (c >= 0xD800 && c <= 0xDBFF && text.size() > 1) {
        length = 4;
        return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (text[1] - 0xDC00);
    }
    length = c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
    if (isPlaceholder(c)) // an ill-formed byte
        length = 1;
    return c;
}

void appendRun(std::string& out, std::u16string_view run)
{
    // MARC-8 has no character beyond the Basic Multilingual Plane, and yaz drops such a
    // character without a word, as it drops some others it has no form for: each becomes the
    // reference MARC 21 prescribes for it.
    for (std::size_t i = 0; i < run.size(); ++i) {
        const bool pair = i + 1 < run.size() && run[i] >= 0xD800 && run[i] <= 0xDBFF &&
                          run[i + 1] >= 0xDC00 && run[i + 1] <= 0xDFFF;
        const bool dropped = !pair && run[i] >= 0x80 && (run[i] < 0xD800 || run[i] > 0xDFFF) &&
                             howYazWrites(run[i]) == Written::Dropped;
        if (!pair && !dropped)
            continue;
        appendRun(out, run.substr(0, i));
        appendReference(out,
                        pair ? 0x10000 + ((char32_t(run[i]) - 0xD800) << 10) + (run[i + 1] - 0xDC00)
                             : char32_t(run[i]));
        appendRun(out, run.substr(i + (pair ? 2 : 1)));
        return;
    }
    if (run.empty())
        return;
    const std::string utf8 = Utf8Text::encodeLiterally(run);
    yaz_iconv_t cd = encoder();
    std::string_view in = utf8;
    while (!in.empty()) {
        const int error = convert(cd, in, out);
        if (!error)
            break;
        // The character yaz has no MARC-8 form for: back to the default sets, then the
        // reference MARC 21 prescribes for it.
        flush(cd, out);
        std::size_t length = 1;
        appendReference(out, firstCodePoint(in, length));
        in.remove_prefix(std::min(length, in.size()));
    }
    flush(cd, out);
}

// Whether `bytes` decode to text that encodes back to them.
bool isExactMarc8(std::string_view bytes)
{
    const std::optional<std::string> utf8 = decodeWhole(bytes);
    if (!utf8 || utf8->empty())
        return false;
    std::string again;
    appendRun(again, Utf8Text::decode(*utf8));
    return again == bytes;
}

} // namespace

const std::array<Marc8::ByteKind, 128>& Marc8::highByteKinds()
{
    static const std::array<ByteKind, 128> kinds = [] {
        std::array<ByteKind, 128> k{};
        for (unsigned b = 0x80; b <= 0xFF; ++b) {
            const char probe[2] = {static_cast<char>(b), 'a'};
            const std::optional<std::string> utf8 = decodeWhole(std::string_view(probe, 2));
            ByteKind kind = ByteKind::Undefined;
            if (utf8 && utf8->size() > 1)
                kind = (*utf8)[0] == 'a' ? ByteKind::Combining : ByteKind::Spacing;
            // The second half of a double diacritic (ligature, double tilde) stands only after
            // a first half: yaz reads the two as one mark over both letters, and writes that
            // mark back as both halves.
            for (const char first : {'\xEB', '\xFA'}) {
                const char pair[4] = {first, 'a', static_cast<char>(b), 'b'};
                const std::string_view bytes(pair, 4);
                if (kind == ByteKind::Undefined && isExactMarc8(bytes))
                    kind = ByteKind::Combining;
            }
            k[b - 0x80] = kind;
        }
        return k;
    }();
    return kinds;
}

std::u16string Marc8::decode(std::string_view bytes)
{
    if (const std::optional<std::string> utf8 = decodeWhole(bytes)) {
        std::u16string text = Utf8Text::decode(*utf8);
        std::string again;
        appendEncoded(again, text);
        // yaz skips some bytes without a word; only text that encodes back to the same bytes
        // is known to hold all of them. With escape sequences yaz may write them differently
        // (a redundant one left out, one added to return to ASCII): the text is kept when the
        // other bytes are all there and it reads back the same.
        if (again == bytes)
            return text;
        if (bytes.find(kEscape) != std::string_view::npos &&
            withoutEscapes(again) == withoutEscapes(bytes)) {
            const std::optional<std::string> reread = decodeWhole(again);
            if (reread && *reread == *utf8)
                return text;
        }
    }
    return decodeCarefully(bytes);
}

void Marc8::appendEncoded(std::string& out, std::u16string_view text)
{
    std::size_t runStart = 0;
    std::vector<std::size_t> escapes; // where a placeholder wrote the byte ESC
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!isPlaceholder(text[i]))
            continue;
        appendRun(out, text.substr(runStart, i - runStart));
        if (text[i] - kPlaceholderBase == kEscape)
            escapes.push_back(out.size());
        out.push_back(static_cast<char>(text[i] - kPlaceholderBase));
        runStart = i + 1;
    }
    appendRun(out, text.substr(runStart));
    // An ESC that was bytes, not a change of set, where the text now written after it would
    // make it one (its neighbours were bytes the display leaves out, a terminator in a field):
    // written as its reference, so that the bytes after it keep their meaning.
    for (auto p = escapes.rbegin(); p != escapes.rend(); ++p)
        if (setChangeLength(out, *p))
            out.replace(*p, 1, "&#x1B;");
}

Marc8::Session::Session() : m_outer(t_session)
{
    Converter decoder = open("UTF8", "MARC8");
    Converter encoder = open("MARC8", "UTF8");
    m_converters = std::make_unique<Converters>(Converters{decoder.release(), encoder.release()});
    t_session = m_converters.get();
}

Marc8::Session::~Session()
{
    t_session = m_outer;
    yaz_iconv_close(m_converters->decoder);
    yaz_iconv_close(m_converters->encoder);
}

} // namespace bibliora
