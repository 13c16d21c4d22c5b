#pragma once

#include <cstdio>
#include <filesystem>

namespace bibliora {

// The file for reading in binary, null when the path is not a regular file or cannot be
// opened. The caller closes it.
std::FILE* openRegularFile(const std::filesystem::path& path);

} // namespace bibliora
