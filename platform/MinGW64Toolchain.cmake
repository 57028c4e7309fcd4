# Cross build for 64-bit Windows with the mingw-w64 compiler (Debian: g++-mingw-w64-x86-64).
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=platform/MinGW64Toolchain.cmake
# Builds the Qt-free library and its tests; the tests run under wine (see CMakeLists.txt).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TARNWICK_MINGW_PREFIX x86_64-w64-mingw32)
# The posix-threads variant: GoogleTest and the tests use std::thread and <mutex>.
find_program(CMAKE_CXX_COMPILER NAMES ${TARNWICK_MINGW_PREFIX}-g++-posix ${TARNWICK_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${TARNWICK_MINGW_PREFIX}-gcc-posix ${TARNWICK_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${TARNWICK_MINGW_PREFIX}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${TARNWICK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static runtime: the executables need no mingw DLLs beside them under wine.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
