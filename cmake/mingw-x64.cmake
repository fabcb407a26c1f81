# Cross toolchain: 64-bit Windows programs with MinGW-w64 (posix threads), run under 64-bit Wine.
# This tree is tested on every machine. cmake/i686-mingw.cmake builds the same sources for 32-bit,
# the shipped build, which runs under 32-bit Wine only where the kernel runs 32-bit code (machines
# of one kind differ in that: tools/runs-32bit.sh tells).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
