#pragma once

#include <QString>
#include <filesystem>

namespace bibliora {

// True for a file that Windows marks hidden or system. Always false elsewhere, where hidden
// is only a naming habit and a user may open such files on purpose.
bool isHiddenOrSystemFile(const QString& path);

// An ordinary file: one that exists, is no folder, and is neither hidden nor system. Anything
// else counts as absent when a file is opened, and when an export asks about an existing file.
bool isOrdinaryFile(const QString& path);

// The path as the C++ library names files: UTF-16 on Windows, so a name outside the ANSI code
// page still opens; the file system's own encoding elsewhere.
std::filesystem::path toFilesystemPath(const QString& path);

// "what: path (reason)" for a failed open or write, the reason told in Chinese from the
// system's error number.
QString fileFailure(const QString& path, const QString& what, int error);

} // namespace bibliora
