// Writes src/codec/gbktables.cpp, the code page 936 tables of the codec, from ICU's
// "windows-936-2000" converter, and checks that ICU still follows the byte structure that
// gbktables.h describes and gbk.cpp relies on (one trail byte after a lead byte; a lead byte
// followed by a non-trail byte, or by nothing, is one U+FFFD and the byte after it is read
// again). Any other behaviour stops the generator instead of writing tables that gbk.cpp
// would misread.
//
//   bibliora-gbktables OUTPUT.cpp
#include "gbktables.h"

#include <unicode/ucnv.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace bibliora::gbktables;

struct ConverterCloser
{
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

[[noreturn]] void fail(const std::string& why)
{
    std::cerr << "bibliora-gbktables: " << why << '\n';
    std::exit(1);
}

std::string hex(unsigned v, int digits)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, v);
    return buf;
}

ConverterPtr open(bool stopOnErrors)
{
    UErrorCode status = U_ZERO_ERROR;
    ConverterPtr conv(ucnv_open("windows-936-2000", &status));
    if (U_FAILURE(status) || !conv)
        fail("ICU has no windows-936-2000 converter");
    if (stopOnErrors) {
        ucnv_setToUCallBack(conv.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                            &status);
        ucnv_setFromUCallBack(conv.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                              &status);
    }
    return conv;
}

// ICU's decoding of bytes; "" with stopOnErrors when they hold an error.
std::u16string decode(UConverter* conv, std::string bytes)
{
    UChar out[8];
    UErrorCode status = U_ZERO_ERROR;
    ucnv_resetToUnicode(conv);
    int32_t n =
        ucnv_toUChars(conv, out, 8, bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status))
        return {};
    return std::u16string(reinterpret_cast<const char16_t*>(out), static_cast<std::size_t>(n));
}

// ICU's encoding of one BMP character: lead << 8 | trail, one byte, or 0 for none.
std::uint16_t encode(UConverter* conv, char16_t c)
{
    char bytes[8];
    UErrorCode status = U_ZERO_ERROR;
    ucnv_resetFromUnicode(conv);
    UChar in = c;
    int32_t n = ucnv_fromUChars(conv, bytes, sizeof bytes, &in, 1, &status);
    if (U_FAILURE(status))
        return 0;
    // ICU writes nothing for an unmappable default-ignorable character (U+00AD, U+200B, ...);
    // the codec writes "?" for it like for any other character without a GBK form.
    if (n == 0)
        return 0;
    auto byte = [&](int i) { return static_cast<unsigned char>(bytes[i]); };
    if (n == 1 && byte(0) != 0)
        return byte(0);
    if (n == 2 && isLead(byte(0)) && isTrail(byte(1)))
        return static_cast<std::uint16_t>(byte(0) << 8 | byte(1));
    fail("U+" + hex(c, 4) + " encodes to an unexpected byte sequence");
}

// Unified ideographs are written as themselves so that a reader can check rows against a
// code chart; everything else (symbols, private use, compatibility ideographs, which some
// editors would normalise) as an escape.
void appendChar(std::string& out, char16_t c)
{
    if ((c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF)) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += "\\u" + hex(c, 4);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: bibliora-gbktables OUTPUT.cpp\n";
        return 2;
    }
    ConverterPtr strict = open(true);
    ConverterPtr substituting = open(false);

    std::array<char16_t, 128> high{};
    for (unsigned b = 0x80; b <= 0xFF; ++b) {
        std::string in(1, static_cast<char>(b));
        std::u16string got = decode(substituting.get(), in);
        if (isLead(b)) {
            if (got != u"\uFFFD")
                fail("lead byte " + hex(b, 2) + " alone is not one U+FFFD");
            high[b - 0x80] = 0xFFFD;
        } else {
            if (got.size() != 1 || decode(strict.get(), in) != got)
                fail("byte " + hex(b, 2) + " is not one character");
            high[b - 0x80] = got[0];
        }
    }
    for (unsigned b = 0; b < 0x80; ++b)
        if (decode(strict.get(), std::string(1, static_cast<char>(b))) !=
            std::u16string(1, static_cast<char16_t>(b)))
            fail("byte " + hex(b, 2) + " is not ASCII");
    auto standalone = [&](unsigned b) { return b < 0x80 ? char16_t(b) : high[b - 0x80]; };

    std::vector<char16_t> pairs(kPairCount);
    for (unsigned lead = kLeadFirst; lead <= kLeadLast; ++lead) {
        for (unsigned trail = 0; trail <= 0xFF; ++trail) {
            std::string in{static_cast<char>(lead), static_cast<char>(trail)};
            std::u16string got = decode(substituting.get(), in);
            const std::string where = hex(lead, 2) + " " + hex(trail, 2);
            if (!isTrail(trail)) {
                if (isLead(trail) || got != std::u16string{0xFFFD, standalone(trail)})
                    fail(where + " is not U+FFFD and the second byte on its own");
            } else {
                if (got.size() != 1)
                    fail(where + " is not one character");
                pairs[pairIndex(lead, trail)] = got[0];
            }
        }
    }

    // Encoding must be the inverse of decoding, which must never give one character twice.
    std::vector<std::uint16_t> inverse(0x10000, 0);
    auto invert = [&](char16_t c, unsigned bytes) {
        if (c == 0xFFFD)
            return;
        if (inverse[c] != 0)
            fail("U+" + hex(c, 4) + " is decoded from both " + hex(inverse[c], 2) + " and " +
                 hex(bytes, 2));
        inverse[c] = static_cast<std::uint16_t>(bytes);
    };
    for (unsigned b = 0x80; b <= 0xFF; ++b)
        if (!isLead(b))
            invert(high[b - 0x80], b);
    for (unsigned lead = kLeadFirst; lead <= kLeadLast; ++lead)
        for (unsigned trail = kTrailFirst; trail <= kTrailLast; ++trail)
            if (isTrail(trail))
                invert(pairs[pairIndex(lead, trail)], lead << 8 | trail);
    for (unsigned u = 1; u <= 0xFFFF; ++u) {
        if (u >= 0xD800 && u <= 0xDFFF)
            continue;
        const std::uint16_t expected = u < 0x80 ? std::uint16_t(u) : inverse[u];
        if (encode(strict.get(), static_cast<char16_t>(u)) != expected)
            fail("ICU encodes U+" + hex(u, 4) + " other than the inverse of decoding");
    }

    std::string out;
    // No ICU version in the file, so that it does not change with the version number alone:
    // gbktables.current compares it with what the build host's ICU gives.
    out +=
        "// Code page 936 tables, generated by scripts/gbktables from ICU's \"windows-936-2000\"\n"
        "// converter. Do not edit: regenerate with\n"
        "//   cmake --build build --target gbk-tables\n"
        "// (the generator is built when ICU is found) or by hand with\n"
        "//   build/bin/bibliora-gbktables src/codec/gbktables.cpp\n"
        "// The gbktables.current test compares this file with what the generator writes today.\n"
        "#include \"gbktables.h\"\n\n#include <iterator>\n\n"
        "namespace bibliora::gbktables {\n\n// clang-format off\n";
    out += "const char16_t kHighBytes[] =\n";
    for (unsigned row = 0x80; row <= 0xFF; row += 0x20) {
        out += "    u\"";
        for (unsigned b = row; b < row + 0x20; ++b)
            appendChar(out, high[b - 0x80]);
        out += "\" // " + hex(row, 2) + "-" + hex(row + 0x1F, 2) + "\n";
    }
    out += ";\nstatic_assert(std::size(kHighBytes) == 128 + 1);\n\n";
    out += "const char16_t kPairs[] =\n";
    for (unsigned lead = kLeadFirst; lead <= kLeadLast; ++lead) {
        for (auto [first, last] :
             {std::pair{kTrailFirst, kTrailGap - 1}, {kTrailGap + 1, kTrailLast}}) {
            out += "    u\"";
            for (unsigned trail = first; trail <= last; ++trail)
                appendChar(out, pairs[pairIndex(lead, trail)]);
            out += "\" // " + hex(lead, 2) + " " + hex(first, 2) + "-" + hex(last, 2) + "\n";
        }
    }
    out += ";\nstatic_assert(std::size(kPairs) == kPairCount + 1);\n// clang-format on\n\n"
           "} // namespace bibliora::gbktables\n";

    std::ofstream file(argv[1], std::ios::binary);
    file << out;
    if (!file.flush())
        fail(std::string("cannot write ") + argv[1]);
    std::cerr << "bibliora-gbktables: " << kPairCount << " pairs, " << out.size() << " bytes\n";
    return 0;
}
