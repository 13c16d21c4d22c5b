// lookupSubfield over arbitrary records. The first byte picks a spec: 0-5 characters taken
// from the next bytes (a byte above 0x7F stands for a Chinese character, so case and code
// comparisons meet non-ASCII codes), or one of the specs the record list uses. The rest is
// the record. Every look-up of the record list is made too.
#include "fuzzsupport.h"

using namespace bibliora;
using namespace bibliora::fuzz;

namespace {

void checkValue(const std::u16string& value, std::u16string_view spec, std::string_view record)
{
    require(value.find(char16_t(kFieldTerminator)) == std::u16string::npos,
            "look-up value holds a field terminator");
    // A subfield ends at the next delimiter; only 001 and 005 come back whole.
    const bool whole = spec.substr(0, 3) == u"001" || spec.substr(0, 3) == u"005";
    if (!whole)
        require(value.find(char16_t(kSubfieldDelimiter)) == std::u16string::npos,
                "subfield value holds a subfield delimiter");
    require(value.size() <= record.size(), "look-up value longer than the record");
    if (spec.size() != 4)
        require(value.empty(), "a spec that is not 4 characters found something");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    static const char16_t* const kListSpecs[] = {u"200a", u"245a", u"010a", u"020a", u"011a",
                                                 u"091a", u"016a", u"001a", u"005 "};
    const unsigned mode = data[0];
    std::u16string spec;
    std::size_t used = 1;
    if (mode < 0xC0) {
        const std::size_t length = mode % 6;
        for (; used < size && spec.size() < length; ++used)
            spec.push_back(data[used] < 0x80 ? char16_t(data[used])
                                             : char16_t(0x4E00 + data[used]));
    } else {
        spec = kListSpecs[mode % (sizeof kListSpecs / sizeof kListSpecs[0])];
    }
    const std::string_view record = asBytes(data + used, size - used);
    checkValue(lookupSubfield(record, spec), spec, record);
    const RowTexts row = rowTextsFor(1, record);
    checkValue(row.title, u"200a", record);
    checkValue(row.standardNumber, u"010a", record);
    return 0;
}
