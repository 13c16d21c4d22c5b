// The record checker over arbitrary files, each record checked and checked again: the checks
// are checkerProblem's.
#include "fuzzchecks.h"

using namespace bibliora::support;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    abortOnProblem(checkerProblem(asBytes(data, size)));
    return 0;
}
