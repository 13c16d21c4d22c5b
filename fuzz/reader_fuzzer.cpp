// The file reader over arbitrary bytes, whole and in chunks, as code page 936 and behind FF FE:
// the checks are readerProblem's. The chunked reads go through one in-memory file.
#include "fuzzchecks.h"

#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>

using namespace bibliora::support;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string file = [] {
        const int fd = memfd_create("bibliora-fuzz", 0);
        if (fd < 0) {
            std::perror("memfd_create");
            std::abort();
        }
        return "/proc/self/fd/" + std::to_string(fd);
    }();
    abortOnProblem(readerProblem(asBytes(data, size), file));
    return 0;
}
