// The MARCXML reader over arbitrary bytes, whole and a few bytes a step, and the MARCXML
// writer over every record it read: the checks are marcXmlProblem's.
#include "fuzzchecks.h"

using namespace bibliora::support;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    abortOnProblem(marcXmlProblem(asBytes(data, size)));
    return 0;
}
