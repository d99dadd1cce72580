# Cross toolchain for 64-bit Windows: mingw-w64 with posix threads (std::thread, Qt).
# TOVIK_WIN_PREFIX lists the folders of the cross-built libraries (Qt, curl, QtKeychain).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TOVIK_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TOVIK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOVIK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TOVIK_MINGW_TRIPLE}-windres)

# try_compile projects need the same prefixes.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TOVIK_WIN_PREFIX)

# Libraries and headers only from the mingw sysroot and the cross-built prefixes, never the
# Linux ones; programs (moc, rcc, uic) from the Linux side.
set(CMAKE_FIND_ROOT_PATH /usr/${TOVIK_MINGW_TRIPLE} ${TOVIK_WIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
