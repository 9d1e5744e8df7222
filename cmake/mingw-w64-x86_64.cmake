# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 GCC (posix threads), from
# g++-mingw-w64-x86-64-posix. Programs are run under Wine for the tests.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KEBLOR_MINGW_PREFIX x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${KEBLOR_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KEBLOR_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KEBLOR_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KEBLOR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained .exe: the C and C++ runtimes and winpthread linked in, no DLLs to ship.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

set(CMAKE_CROSSCOMPILING_EMULATOR wine)
