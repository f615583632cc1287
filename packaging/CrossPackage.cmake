# Read by cpack in a cross build: dpkg-shlibdeps works for the packages' architecture, so it
# reads the programs and the sysroot's libraries with that architecture's objdump.
set(ENV{DEB_HOST_ARCH} "${CPACK_DEBIAN_PACKAGE_ARCHITECTURE}")
