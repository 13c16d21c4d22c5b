// The codec's code page 936 and UTF-8 conversions against ICU itself, on every case of
// gbk_cases.h; also checks that the digests gbk_test.cpp compares with are ICU's. Linux only:
// the Windows build has no ICU.
#include "gbk.h"
#include "gbk_cases.h"

#include <gtest/gtest.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <cstdio>
#include <memory>

using namespace bibliora;
using namespace bibliora::test;

namespace {

struct ConverterCloser
{
    void operator()(UConverter* c) const { ucnv_close(c); }
};

UConverter* cp936()
{
    static const std::unique_ptr<UConverter, ConverterCloser> conv = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<UConverter, ConverterCloser> c(ucnv_open("windows-936-2000", &status));
        ucnv_setSubstChars(c.get(), "?", 1, &status);
        EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
        return c;
    }();
    return conv.get();
}

std::u16string icuDecode(std::string_view bytes)
{
    std::u16string out(bytes.size() + 1, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    ucnv_resetToUnicode(cp936());
    int32_t n = ucnv_toUChars(cp936(), reinterpret_cast<UChar*>(out.data()),
                              static_cast<int32_t>(out.size()), bytes.data(),
                              static_cast<int32_t>(bytes.size()), &status);
    EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
    out.resize(static_cast<std::size_t>(n));
    return out;
}

// ICU drops an unmappable default-ignorable character (U+00AD, U+200B, ...) where the codec
// writes "?" as for every other character without a GBK form: ICU is given U+FFFF instead,
// which it has no form for either.
std::string icuEncode(std::u16string_view original)
{
    std::u16string text;
    for (std::size_t i = 0; i < original.size();) {
        const std::size_t start = i;
        UChar32 c;
        U16_NEXT(original.data(), i, original.size(), c);
        if (u_hasBinaryProperty(c, UCHAR_DEFAULT_IGNORABLE_CODE_POINT))
            text += u'\uFFFF';
        else
            text += original.substr(start, i - start);
    }
    std::string out(text.size() * 2 + 1, '\0');
    UErrorCode status = U_ZERO_ERROR;
    ucnv_resetFromUnicode(cp936());
    int32_t n = ucnv_fromUChars(cp936(), out.data(), static_cast<int32_t>(out.size()),
                                reinterpret_cast<const UChar*>(text.data()),
                                static_cast<int32_t>(text.size()), &status);
    EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
    out.resize(static_cast<std::size_t>(n));
    return out;
}

std::u16string icuFromUtf8(std::string_view utf8)
{
    std::u16string out(utf8.size() + 1, u'\0');
    int32_t n = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), &n,
                         utf8.data(), static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
    EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
    out.resize(static_cast<std::size_t>(n));
    return out;
}

std::string icuToUtf8(std::u16string_view text)
{
    std::string out(text.size() * 3 + 1, '\0');
    int32_t n = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &n,
                       reinterpret_cast<const UChar*>(text.data()),
                       static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
    EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
    out.resize(static_cast<std::size_t>(n));
    return out;
}

// The first units of a string in hex, for failure messages.
template <typename String> std::string hex(const String& s)
{
    std::string out;
    char buf[8];
    for (std::size_t i = 0; i < s.size() && i < 24; ++i) {
        std::snprintf(buf, sizeof buf, " %0*X", int(sizeof s[0] * 2),
                      unsigned(std::make_unsigned_t<typename String::value_type>(s[i])));
        out += buf;
    }
    return s.size() > 24 ? out + " ... (" + std::to_string(s.size()) + " units)" : out;
}

// Runs ours and ICU's conversion over the cases, reports the first differences and checks
// ICU's outputs against the digest gbk_test.cpp holds.
template <typename Input, typename Ours, typename Icu>
void compare(const std::vector<Input>& cases, Ours ours, Icu icu, std::uint64_t digest,
             const char* digestName)
{
    int mismatches = 0;
    const auto icuChecked = [&](const Input& in) {
        const auto expected = icu(in);
        const auto got = ours(in);
        if (got != expected && ++mismatches <= 10)
            ADD_FAILURE() << "input" << hex(in) << "\n  ICU " << hex(expected) << "\n  ours"
                          << hex(got);
        return expected;
    };
    const std::uint64_t icuDigest = digestOf(cases, icuChecked);
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(icuDigest, digest) << "ICU's outputs differ from the digest: " << digestName
                                 << " in gbk_cases.h would be 0x" << std::hex << icuDigest;
}

} // namespace

TEST(GbkAgainstIcu, ConvertsEveryCaseAsIcu)
{
    const auto encode = [](const std::u16string& s) { return Gbk::encode(s); };
    const auto toUtf8 = [](const std::u16string& s) { return Gbk::toUtf8(s); };
    compare(gbkDecodeCases(), Gbk::decode, icuDecode, kDecodeDigest, "kDecodeDigest");
    compare(utf16Cases(), encode, icuEncode, kEncodeDigest, "kEncodeDigest");
    compare(utf8Cases(), Gbk::fromUtf8, icuFromUtf8, kFromUtf8Digest, "kFromUtf8Digest");
    compare(utf16Cases(), toUtf8, icuToUtf8, kToUtf8Digest, "kToUtf8Digest");
}
