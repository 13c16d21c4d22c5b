// The digests of gbk_cases.h against ICU itself: gbk_test.cpp checks the codec's code page 936
// and UTF-8 conversions against them, so together they compare the codec with ICU on every
// case. Linux only: the Windows build has no ICU.
#include "gbk_cases.h"

#include <gtest/gtest.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

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

} // namespace

// ICU's outputs over every case hash to the digests that gbk_test.cpp finds the codec's
// outputs hash to: the codec converts every case as ICU does.
TEST(GbkAgainstIcu, IcusOutputsGiveTheDigestsTheCodecIsCheckedAgainst)
{
    const std::pair<std::uint64_t, std::uint64_t> digests[] = {
        {digestOf(gbkDecodeCases(), icuDecode), kDecodeDigest},
        {digestOf(utf16Cases(), icuEncode), kEncodeDigest},
        {digestOf(utf8Cases(), icuFromUtf8), kFromUtf8Digest},
        {digestOf(utf16Cases(), icuToUtf8), kToUtf8Digest}};
    for (const auto& [icu, expected] : digests)
        EXPECT_EQ(icu, expected) << "the digest in gbk_cases.h would be 0x" << std::hex << icu;
}
