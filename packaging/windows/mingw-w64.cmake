# Cross-building the Windows programs on Debian with MinGW-w64 (posix threads, 64-bit).
#   cmake -DCMAKE_TOOLCHAIN_FILE=packaging/windows/mingw-w64.cmake \
#         -DCMAKE_PREFIX_PATH=<the Windows Qt> ...
# scripts/windows does this with the dependencies it builds.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_triple}-windres)
set(CMAKE_AR ${_triple}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${_triple}-ranlib CACHE FILEPATH "")

# BIBLIORA_WINDOWS_PREFIX: where the Windows builds of Qt (and the other dependencies) live.
set(BIBLIORA_WINDOWS_PREFIX "" CACHE PATH "Prefix of the Windows dependencies")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES BIBLIORA_WINDOWS_PREFIX)
set(CMAKE_FIND_ROOT_PATH /usr/${_triple} ${BIBLIORA_WINDOWS_PREFIX})
# Programs (moc, rcc, uic) come from the build machine; libraries and headers from the
# target's prefixes only, so a Linux library is never linked into a Windows program.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
