# Builds for arm64 boards (Raspberry Pi OS, Debian 12 based) on an amd64 Debian 12 machine:
# Debian's cross compiler against an arm64 Debian 12 root in a folder of its own (the sysroot,
# which tools/cross-arm64.sh makes). The host's Qt tools (moc, rcc) run for the build; the
# build's own programs (the icon export, the tests) run under qemu-user with the sysroot as
# their root, so no binfmt registration is needed.
#
#   cmake -S . -B build-arm64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/arm64-toolchain.cmake \
#         -DVELMORA_SYSROOT=<arm64 root> -DVELMORA_QEMU=<qemu-aarch64>
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

# The toolchain file is read again for each compiler check, which sees only what is handed on.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VELMORA_SYSROOT VELMORA_QEMU)
if(NOT VELMORA_SYSROOT OR NOT EXISTS "${VELMORA_SYSROOT}/usr/include/${CMAKE_LIBRARY_ARCHITECTURE}")
    message(FATAL_ERROR "VELMORA_SYSROOT must name an arm64 Debian 12 root "
                        "(tools/cross-arm64.sh makes one), not \"${VELMORA_SYSROOT}\"")
endif()
set(CMAKE_SYSROOT "${VELMORA_SYSROOT}")

# Libraries, headers and CMake packages come from the sysroot alone, programs from the host.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_SYSROOT_DIR} "${VELMORA_SYSROOT}")
set(ENV{PKG_CONFIG_LIBDIR}
    "${VELMORA_SYSROOT}/usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/pkgconfig:${VELMORA_SYSROOT}/usr/share/pkgconfig")

# Qt's tools of the same version, installed on the host.
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)

# The build's own programs run under qemu-user, 8.0 or later: Qt's QProcess starts a child with
# clone(CLONE_PIDFD) wherever the kernel has pidfds, which 7.2 (Debian 12's) refuses, so no test
# could start a program. tools/cross-arm64.sh takes Debian 13's static qemu-aarch64.
find_program(VELMORA_QEMU NAMES qemu-aarch64 qemu-aarch64-static)
if(NOT VELMORA_QEMU)
    message(FATAL_ERROR "VELMORA_QEMU must name qemu-user's qemu-aarch64")
endif()
# qemu-user looks up the programs' absolute paths in the sysroot first, but not for every call
# (not for access(), with which Qt sees whether its plugin folder exists), so Qt is told where
# its plugins are. Made from the two settings above and kept in the cache, where tests read it
# to start the build's programs as the build runs them.
set(qt_plugins "${VELMORA_SYSROOT}/usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/qt6/plugins")
set(CMAKE_CROSSCOMPILING_EMULATOR "${VELMORA_QEMU};-L;${VELMORA_SYSROOT};-E;QT_PLUGIN_PATH=${qt_plugins}"
    CACHE STRING "How the build's own programs run on this machine" FORCE)

# The packages are for the boards, not for the machine that makes them.
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
