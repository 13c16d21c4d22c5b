#include "gbk.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <array>
#include <memory>
#include <stdexcept>
#include <vector>

namespace bibliora {
namespace {

constexpr unsigned kLeadFirst = 0x81;
constexpr unsigned kLeadLast = 0xFE;
constexpr unsigned kTrailFirst = 0x40;
constexpr unsigned kTrailLast = 0xFE;
constexpr unsigned kTrailCount = kTrailLast - kTrailFirst + 1;
constexpr char16_t kNoChar = 0xFFFF; // U+FFFF is a non-character: never a table value

struct ConverterCloser
{
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

ConverterPtr openCp936()
{
    UErrorCode status = U_ZERO_ERROR;
    ConverterPtr conv(ucnv_open("windows-936-2000", &status));
    if (U_FAILURE(status) || !conv)
        throw std::runtime_error("ICU has no windows-936-2000 converter");
    return conv;
}

// Tables taken once from ICU so that the hot paths (loading a million records) are plain
// array look-ups; anything the tables cannot answer goes back to ICU itself.
struct Tables
{
    std::array<char16_t, 256> single{};
    std::vector<char16_t> pair;        // (lead - 0x81) * 191 + (trail - 0x40)
    std::vector<std::uint16_t> encode; // 0: no GBK form; < 0x100 one byte; else lead << 8 | trail

    Tables()
        : pair(std::size_t(kLeadLast - kLeadFirst + 1) * kTrailCount, kNoChar), encode(0x10000, 0)
    {
        ConverterPtr conv = openCp936();
        UErrorCode status = U_ZERO_ERROR;
        ucnv_setToUCallBack(conv.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                            &status);
        ucnv_setFromUCallBack(conv.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                              &status);
        UChar out[4];
        for (unsigned b = 0; b < 256; ++b) {
            single[b] = kNoChar;
            if (b >= kLeadFirst && b <= kLeadLast)
                continue;
            char in = static_cast<char>(b);
            status = U_ZERO_ERROR;
            ucnv_resetToUnicode(conv.get());
            int32_t n = ucnv_toUChars(conv.get(), out, 4, &in, 1, &status);
            if (U_SUCCESS(status) && n == 1)
                single[b] = out[0];
        }
        for (unsigned lead = kLeadFirst; lead <= kLeadLast; ++lead) {
            for (unsigned trail = kTrailFirst; trail <= kTrailLast; ++trail) {
                char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                status = U_ZERO_ERROR;
                ucnv_resetToUnicode(conv.get());
                int32_t n = ucnv_toUChars(conv.get(), out, 4, in, 2, &status);
                if (U_SUCCESS(status) && n == 1 && out[0] != 0xFFFD)
                    pair[(lead - kLeadFirst) * kTrailCount + (trail - kTrailFirst)] = out[0];
            }
        }
        char bytes[8];
        for (unsigned u = 1; u < 0x10000; ++u) {
            if (u >= 0xD800 && u <= 0xDFFF)
                continue;
            UChar ch = static_cast<UChar>(u);
            status = U_ZERO_ERROR;
            ucnv_resetFromUnicode(conv.get());
            int32_t n = ucnv_fromUChars(conv.get(), bytes, sizeof bytes, &ch, 1, &status);
            if (U_FAILURE(status))
                continue;
            if (n == 1)
                encode[u] = static_cast<unsigned char>(bytes[0]);
            else if (n == 2)
                encode[u] = static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[0]) << 8 |
                                                       static_cast<unsigned char>(bytes[1]));
        }
    }
};

const Tables& tables()
{
    static const Tables t;
    return t;
}

void appendDecodedByIcu(std::u16string& out, std::string_view bytes)
{
    static thread_local ConverterPtr conv = openCp936();
    ucnv_resetToUnicode(conv.get());
    std::size_t old = out.size();
    out.resize(old + bytes.size() + 1);
    UErrorCode status = U_ZERO_ERROR;
    int32_t n = ucnv_toUChars(conv.get(), reinterpret_cast<UChar*>(&out[old]),
                              static_cast<int32_t>(bytes.size() + 1), bytes.data(),
                              static_cast<int32_t>(bytes.size()), &status);
    out.resize(old + (U_SUCCESS(status) ? static_cast<std::size_t>(n) : 0));
}

} // namespace

void Gbk::appendDecoded(std::u16string& out, std::string_view bytes)
{
    const Tables& t = tables();
    const std::size_t start = out.size();
    out.reserve(start + bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n; ++i) {
        unsigned b = p[i];
        if (b < 0x80) {
            out.push_back(static_cast<char16_t>(b));
            continue;
        }
        char16_t c = kNoChar;
        if (b >= kLeadFirst && b <= kLeadLast) {
            if (i + 1 < n && p[i + 1] >= kTrailFirst && p[i + 1] <= kTrailLast) {
                c = t.pair[(b - kLeadFirst) * kTrailCount + (p[i + 1] - kTrailFirst)];
                ++i;
            }
        } else {
            c = t.single[b];
        }
        if (c == kNoChar) {
            // An invalid sequence: let ICU decide how many bytes each substitute covers.
            out.resize(start);
            appendDecodedByIcu(out, bytes);
            return;
        }
        out.push_back(c);
    }
}

std::u16string Gbk::decode(std::string_view bytes)
{
    std::u16string out;
    appendDecoded(out, bytes);
    return out;
}

void Gbk::appendEncoded(std::string& out, std::u16string_view text)
{
    const Tables& t = tables();
    out.reserve(out.size() + text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            ++i; // a supplementary character has no GBK form
            out.push_back('?');
            continue;
        }
        std::uint16_t g = t.encode[c];
        if (g == 0)
            out.push_back('?');
        else if (g < 0x100)
            out.push_back(static_cast<char>(g));
        else {
            out.push_back(static_cast<char>(g >> 8));
            out.push_back(static_cast<char>(g & 0xFF));
        }
    }
}

std::string Gbk::encode(std::u16string_view text)
{
    std::string out;
    appendEncoded(out, text);
    return out;
}

std::size_t Gbk::encodedLength(std::u16string_view text)
{
    const Tables& t = tables();
    std::size_t len = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c < 0x80) {
            ++len;
        } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                   text[i + 1] <= 0xDFFF) {
            ++i;
            ++len;
        } else {
            len += t.encode[c] >= 0x100 ? 2 : 1;
        }
    }
    return len;
}

std::u16string Gbk::fromUtf8(std::string_view utf8)
{
    std::u16string out(utf8.size() + 1, u'\0');
    int32_t n = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), &n,
                         utf8.data(), static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
    out.resize(U_SUCCESS(status) ? static_cast<std::size_t>(n) : 0);
    return out;
}

std::string Gbk::toUtf8(std::u16string_view text)
{
    std::string out(text.size() * 3 + 1, '\0');
    int32_t n = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &n,
                       reinterpret_cast<const UChar*>(text.data()),
                       static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
    out.resize(U_SUCCESS(status) ? static_cast<std::size_t>(n) : 0);
    return out;
}

} // namespace bibliora
