# Cross-compiles for 64-bit ARM Linux (a Raspberry Pi on Raspberry Pi OS or Debian 12) with
# Debian's cross compiler (crossbuild-essential-arm64) against the arm64 libraries of Debian's
# multiarch packages (qt6-base-dev:arm64 and so on). The tests run under qemu's user-mode
# emulator; Qt's host tools (moc) are the build machine's own.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(KEBLOR_CROSS_TRIPLE aarch64-linux-gnu)

set(CMAKE_C_COMPILER ${KEBLOR_CROSS_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${KEBLOR_CROSS_TRIPLE}-g++)

# Headers and libraries of the target in Debian's multiarch folders; programs of the build machine.
set(CMAKE_LIBRARY_ARCHITECTURE ${KEBLOR_CROSS_TRIPLE})
set(CMAKE_FIND_ROOT_PATH /usr/${KEBLOR_CROSS_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${KEBLOR_CROSS_TRIPLE}/pkgconfig:/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
set(QT_HOST_PATH /usr)

# qemu runs our programs with the target's root at / (-L /): the loader is then the one of the
# multiarch C library (libc6:arm64), the same build as the libc.so.6 and the other libraries the
# loader finds in /usr/lib/aarch64-linux-gnu. The cross compiler's copy under
# /usr/${KEBLOR_CROSS_TRIPLE} is another build of the C library; its loader with the multiarch
# libc.so.6 read the loader's shared data at different offsets, and a thread started after one
# has ended, or a fork, then walks a list that never ends.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64;-L;/)
