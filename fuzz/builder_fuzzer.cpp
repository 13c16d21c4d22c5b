// buildIsoRecord over arbitrary text. The first byte's low bit says how the rest is read:
// 0 as UTF-8 (what a user types or pastes), 1 as raw UTF-16LE code units (lone surrogates,
// NULs and every control character included). A built record is well formed, saving it
// again unedited gives the same bytes, and the checked and the plain builder agree.
#include "fuzzsupport.h"

using namespace bibliora;
using namespace bibliora::fuzz;

namespace {

// Whether the first line, without the characters the builder drops, begins with three digits.
bool startsWithTag(std::u16string_view text)
{
    int digits = 0;
    for (char16_t c : text.substr(0, text.find(u'\r'))) {
        if (c == u'\n' || c == char16_t(kFieldTerminator) || c == char16_t(kRecordTerminator))
            continue;
        if (c < u'0' || c > u'9')
            break;
        if (++digits == 3)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    std::u16string text;
    if (data[0] & 1) {
        for (std::size_t i = 1; i + 1 < size; i += 2)
            text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    } else {
        text = Gbk::fromUtf8(asBytes(data + 1, size - 1));
    }
    const BuildResult checked = buildIsoRecordChecked(text, kClock);
    require(checked.record.empty() == (checked.error != BuildError::None),
            "a record and an error, or neither");
    const MarcRecord built = buildIsoRecord(text, kClock);
    require(built == checked.record, "buildIsoRecord and buildIsoRecordChecked differ");
    requireWellFormed(built);
    // Saved again unedited, the record stays as it was built. Two kinds of text may change
    // once: one shorter than the header line (8 characters), whose fallback leader is shown
    // as a normal one, and one whose first line is a field line, whose "_" indicators are
    // kept as they are (only later lines turn them into blanks).
    if (!built.empty() && text.size() >= 8 && !startsWithTag(text))
        require(save(built) == built, "saving a built record again changes it");
    requireStableSave(built);
    return 0;
}
