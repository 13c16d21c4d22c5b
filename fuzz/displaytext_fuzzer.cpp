// formatRecordText over arbitrary records, then the save of that text: the display starts
// with its header line, and a saved record is well formed and saves again to the same bytes.
#include "fuzzsupport.h"

using namespace bibliora;
using namespace bibliora::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view record = asBytes(data, size);
    const std::u16string text = formatRecordText(record);
    if (record.empty()) {
        require(text.empty(), "an empty record has a display text");
        return 0;
    }
    require(text.compare(0, 7, u"HEA    ") == 0, "display text does not start with HEA");
    requireStableSave(record);
    return 0;
}
