// The codec's code page 936 and UTF-8 conversions against ICU's on every case of gbk_cases.h.
// Linux only: the Windows build has no ICU, and runs the same portable code.
#include "gbk.h"
#include "gbk_cases.h"

#include <gtest/gtest.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

using namespace bibliora;
using namespace bibliora::test;

namespace {

// ICU's code page 936, "?" for what it cannot hold. Never closed: reachable to the end.
UConverter* cp936()
{
    static UConverter* const conv = [] {
        UErrorCode status = U_ZERO_ERROR;
        UConverter* c = ucnv_open("windows-936-2000", &status);
        ucnv_setSubstChars(c, "?", 1, &status);
        EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
        return c;
    }();
    return conv;
}

// What an ICU call writes into room for `capacity` units; `call` takes the buffer, its size
// and the status, and returns how many units it wrote.
template <typename Out, typename Call> Out icuOutput(std::size_t capacity, Call call)
{
    Out out(capacity, 0);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = call(out.data(), static_cast<int32_t>(out.size()), &status);
    EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
    out.resize(static_cast<std::size_t>(n));
    return out;
}

std::u16string icuDecode(std::string_view bytes)
{
    ucnv_resetToUnicode(cp936());
    return icuOutput<std::u16string>(bytes.size() + 1, [&](UChar* out, int32_t room, auto* st) {
        return ucnv_toUChars(cp936(), out, room, bytes.data(), int32_t(bytes.size()), st);
    });
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
    ucnv_resetFromUnicode(cp936());
    return icuOutput<std::string>(text.size() * 2 + 1, [&](char* out, int32_t room, auto* st) {
        return ucnv_fromUChars(cp936(), out, room, text.data(), int32_t(text.size()), st);
    });
}

std::u16string icuFromUtf8(std::string_view utf8)
{
    return icuOutput<std::u16string>(utf8.size() + 1, [&](UChar* out, int32_t room, auto* st) {
        int32_t n = 0;
        u_strFromUTF8WithSub(out, room, &n, utf8.data(), int32_t(utf8.size()), 0xFFFD, nullptr, st);
        return n;
    });
}

std::string icuToUtf8(std::u16string_view text)
{
    return icuOutput<std::string>(text.size() * 3 + 1, [&](char* out, int32_t room, auto* st) {
        int32_t n = 0;
        u_strToUTF8WithSub(out, room, &n, text.data(), int32_t(text.size()), 0xFFFD, nullptr, st);
        return n;
    });
}

// The start of a string, for a failure message: random cases run to 2,000 units.
template <typename String> std::string startOf(const String& s)
{
    return ::testing::PrintToString(s.substr(0, 24)) + (s.size() > 24 ? "..." : "");
}

// Fails on the first three cases that the codec converts otherwise than ICU.
template <typename Input, typename Codec, typename Icu>
void expectAsIcu(const char* what, const std::vector<Input>& cases, Codec codec, Icu icu)
{
    std::size_t differing = 0;
    for (const Input& in : cases)
        if (codec(in) != icu(in) && ++differing <= 3)
            ADD_FAILURE() << what << " of " << startOf(in) << " gives " << startOf(codec(in))
                          << ", ICU " << startOf(icu(in));
}

} // namespace

TEST(GbkAgainstIcu, EveryCaseConvertsAsIcuConvertsIt)
{
    // An encodedLength other than the length of the bytes encode writes makes them differ.
    const auto encode = [](const std::u16string& text) {
        const std::string bytes = Gbk::encode(text);
        const std::size_t length = Gbk::encodedLength(text);
        return length == bytes.size() ? bytes : "(encodedLength " + std::to_string(length) + ")";
    };
    const auto toUtf8 = [](const std::u16string& text) { return Gbk::toUtf8(text); };
    expectAsIcu("decode", gbkDecodeCases(), Gbk::decode, icuDecode);
    expectAsIcu("encode", utf16Cases(), encode, icuEncode);
    expectAsIcu("fromUtf8", utf8Cases(), Gbk::fromUtf8, icuFromUtf8);
    expectAsIcu("toUtf8", utf16Cases(), toUtf8, icuToUtf8);
}
