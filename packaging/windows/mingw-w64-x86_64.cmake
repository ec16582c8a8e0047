# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (POSIX threads,
# so std::thread and std::mutex work as on Linux). Used for the toolchain's
# libraries and for the programs themselves.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_AR ${triple}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${triple}-gcc-ranlib-posix CACHE FILEPATH "")

# Libraries and headers come only from MinGW and the prefix the toolchain's
# libraries are installed in (QUELLMARK_WINDOWS_PREFIX), programs from the
# build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
if(QUELLMARK_WINDOWS_PREFIX)
    list(APPEND CMAKE_FIND_ROOT_PATH ${QUELLMARK_WINDOWS_PREFIX})
    list(APPEND CMAKE_PREFIX_PATH ${QUELLMARK_WINDOWS_PREFIX})
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUELLMARK_WINDOWS_PREFIX)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
