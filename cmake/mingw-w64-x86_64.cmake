# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(PICTARN_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PICTARN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PICTARN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${PICTARN_MINGW_PREFIX}-windres)

# Libraries and headers come from the mingw sysroot and from prefixes named
# in CMAKE_PREFIX_PATH (such as the cross-built libjpeg); programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${PICTARN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
