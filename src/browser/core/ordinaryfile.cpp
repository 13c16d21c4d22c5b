#include "ordinaryfile.h"

#include <QFile>
#include <QFileInfo>

#ifdef _WIN32
#include <QDir>
#include <windows.h>
#endif

namespace bibliora {

bool isHiddenOrSystemFile(const QString& path)
{
#ifdef _WIN32
    const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    const DWORD attributes = GetFileAttributesW(native.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
#else
    (void)path;
    return false;
#endif
}

bool isOrdinaryFile(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isFile() && !isHiddenOrSystemFile(path);
}

std::filesystem::path toFilesystemPath(const QString& path)
{
#ifdef _WIN32
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

} // namespace bibliora
