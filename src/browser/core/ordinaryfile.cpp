#include "ordinaryfile.h"

#include <cerrno>

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

namespace {

QString reasonFor(int error)
{
    switch (error) {
    case ENOSPC:
        return QStringLiteral("磁盘空间不足");
#ifdef EDQUOT
    case EDQUOT:
        return QStringLiteral("磁盘配额已用完");
#endif
    case EFBIG:
        return QStringLiteral("文件超过了允许的大小");
    case ENOENT:
        return QStringLiteral("文件夹不存在");
    case ENOTDIR:
        return QStringLiteral("路径中有一部分不是文件夹");
    case EISDIR:
        return QStringLiteral("这是一个文件夹,不是文件");
    case EACCES:
    case EPERM:
        return QStringLiteral("没有写入权限");
    case EROFS:
        return QStringLiteral("只读的文件系统");
#ifdef ETXTBSY
    case ETXTBSY:
        return QStringLiteral("文件正被运行的程序使用");
#endif
    case EIO:
        return QStringLiteral("磁盘读写出错");
    default:
        // The system's own text may be in any language; the user reads Chinese.
        return QStringLiteral("原因不明,错误代码%1").arg(error);
    }
}

} // namespace

QString fileFailure(const QString& path, const QString& what, int error)
{
    return QStringLiteral("%1: %2 (%3)").arg(what, path, reasonFor(error));
}

} // namespace bibliora
