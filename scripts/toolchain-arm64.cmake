# Cross-builds for Debian arm64 on an amd64 machine (TICKORA_ARCH=arm64 scripts/dev.sh), with
# Debian's aarch64 compilers and the arm64 libraries installed beside the machine's own
# (dpkg --add-architecture arm64). The programs built run through qemu's user-mode emulator,
# called by name: nothing is registered with the kernel.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
# Only the arm64 libraries and their headers: the machine's own would not link.
set(CMAKE_IGNORE_PATH /lib/x86_64-linux-gnu /usr/lib/x86_64-linux-gnu /usr/lib/x86_64-linux-gnu/cmake
                      /usr/include/x86_64-linux-gnu)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64-static)
