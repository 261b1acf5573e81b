# libzip (with zlib) and, for the tests, GoogleTest built from Debian's sources with the same
# toolchain as everything else (so the MinGW and sanitizer builds get a matching copy).
if(LEDGERINE_LIBZIP_ROOT)
    # The statically cross-built libzip of scripts/build-libzip-mingw.
    find_package(ZLIB REQUIRED)
    add_library(ledgerine_libzip INTERFACE)
    target_include_directories(ledgerine_libzip INTERFACE ${LEDGERINE_LIBZIP_ROOT}/include)
    target_link_libraries(ledgerine_libzip INTERFACE ${LEDGERINE_LIBZIP_ROOT}/lib/libzip.a
                          ZLIB::ZLIB)
    # A static build's zipconf.h defines ZIP_STATIC itself.
    if(WIN32)
        target_link_libraries(ledgerine_libzip INTERFACE advapi32 bcrypt)
    endif()
else()
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(LIBZIP REQUIRED IMPORTED_TARGET libzip)
    add_library(ledgerine_libzip INTERFACE)
    target_link_libraries(ledgerine_libzip INTERFACE PkgConfig::LIBZIP)
endif()

if(LEDGERINE_TESTS AND NOT TARGET gtest)
    set(LEDGERINE_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    add_subdirectory(${LEDGERINE_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
