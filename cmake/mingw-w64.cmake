# Cross-compiles for 64-bit Windows with Debian's mingw-w64, GCC 12 of the -posix flavour: the
# -win32 one has no std::thread. Both flavours install x86_64-w64-mingw32-g++ as an alternative
# that either may hold, so the compilers are named with their suffix.
#
#   cmake -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DKELVO_WINDOWS_PREFIX=<prefix> ...
#
# <prefix> holds the static libraries scripts/windows-deps.sh builds; scripts/setup-windows.sh
# passes it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KELVO_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KELVO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KELVO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KELVO_MINGW_TRIPLET}-windres)

set(KELVO_WINDOWS_PREFIX "" CACHE PATH "Prefix of the static Windows libraries (scripts/windows-deps.sh)")
# try_compile projects read this file again without the cache; they must find the same prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KELVO_WINDOWS_PREFIX)

# Libraries and headers come from our prefix first, then from the toolchain's own root (Windows'
# import libraries, winpthreads, Debian's mingw zlib); programs that run during the build are
# the host's.
set(CMAKE_FIND_ROOT_PATH ${KELVO_WINDOWS_PREFIX} /usr/${KELVO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config sees the prefix's .pc files alone, never the host's: they say what a static link
# needs (zlib included).
if(KELVO_WINDOWS_PREFIX)
  set(ENV{PKG_CONFIG_LIBDIR} "${KELVO_WINDOWS_PREFIX}/lib/pkgconfig")
  set(ENV{PKG_CONFIG_PATH} "")
endif()

# Debian's mingw zlib ships an import library beside the static one, and find_library takes
# the import library first; the static one keeps zlib1.dll out of our programs.
set(ZLIB_INCLUDE_DIR /usr/${KELVO_MINGW_TRIPLET}/include CACHE PATH "")
set(ZLIB_LIBRARY /usr/${KELVO_MINGW_TRIPLET}/lib/libz.a CACHE FILEPATH "")

# The GCC runtime, the C++ library and winpthreads linked in: a program then imports only
# Windows' own DLLs and runs from any folder.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

# Test programs run under Wine in a prefix private to the build tree (scripts/wine-run.sh). The
# dependency builds pass an empty emulator: nothing of theirs should run at configure time.
if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  get_filename_component(KELVO_WINE_RUN "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh" ABSOLUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${KELVO_WINE_RUN};${CMAKE_BINARY_DIR}/wine")
endif()
