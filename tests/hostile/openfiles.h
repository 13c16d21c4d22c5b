#pragma once

#include <filesystem>
#include <string>
#include <system_error>

namespace bibliora::hostile {

// Whether this process holds a descriptor open on `path` (Linux: /proc/self/fd).
inline bool processHoldsOpen(const std::filesystem::path& path)
{
    std::error_code ec;
    const std::filesystem::path wanted = std::filesystem::weakly_canonical(path, ec);
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
        std::error_code linkError;
        const std::filesystem::path target = std::filesystem::read_symlink(entry.path(), linkError);
        if (!linkError && (target == wanted || target == path))
            return true;
    }
    return false;
}

} // namespace bibliora::hostile
