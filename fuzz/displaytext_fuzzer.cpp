// formatRecordText over arbitrary records, then the save of that text: the checks are
// displayTextProblem's.
#include "fuzzchecks.h"

using namespace bibliora::support;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    abortOnProblem(displayTextProblem(asBytes(data, size)));
    return 0;
}
