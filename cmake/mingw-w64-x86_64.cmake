# Cross toolchain: 64-bit Windows executables from Debian's MinGW-w64, linked statically so
# that they run on a bare Windows (and under wine) without any DLL beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(LEDGERINE_MINGW_TRIPLET x86_64-w64-mingw32)
# The posix thread model gives std::thread and std::mutex; fall back to the default driver.
find_program(LEDGERINE_MINGW_GCC NAMES ${LEDGERINE_MINGW_TRIPLET}-gcc-posix
             ${LEDGERINE_MINGW_TRIPLET}-gcc REQUIRED)
find_program(LEDGERINE_MINGW_GXX NAMES ${LEDGERINE_MINGW_TRIPLET}-g++-posix
             ${LEDGERINE_MINGW_TRIPLET}-g++ REQUIRED)
find_program(LEDGERINE_MINGW_WINDRES NAMES ${LEDGERINE_MINGW_TRIPLET}-windres REQUIRED)
set(CMAKE_C_COMPILER ${LEDGERINE_MINGW_GCC})
set(CMAKE_CXX_COMPILER ${LEDGERINE_MINGW_GXX})
set(CMAKE_RC_COMPILER ${LEDGERINE_MINGW_WINDRES})

set(CMAKE_FIND_ROOT_PATH /usr/${LEDGERINE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static archives first, so zlib comes from libz.a rather than its import library.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a .dll.a)
set(ZLIB_USE_STATIC_LIBS ON)

# -O2 as in the Linux build: GCC 12 at -O3 reports false -Wrestrict overlaps in std::string
# concatenation (GCC bug 105329), which -Werror turns into failed builds.
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags for release builds")
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags for release builds")

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

# Test executables run under wine, in a wine prefix private to the build folder.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run
    --prefix=${CMAKE_BINARY_DIR}/wine-prefix)
