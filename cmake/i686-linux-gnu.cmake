# Debian's i686 cross compiler (apt install g++-i686-linux-gnu): the
# appliance's word size from a toolchain other than the host's multilib one,
#   cmake -S . -B build-i686 -DCMAKE_TOOLCHAIN_FILE=cmake/i686-linux-gnu.cmake
# As with QVX_M32, the provider, owapi and their unit tests are built; the
# simulator and the object-manager stand-in need native libraries.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER i686-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(CMAKE_FIND_ROOT_PATH /usr/i686-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The unit tests run under qemu's user-mode emulator, with the cross
# toolchain's C and C++ libraries.
find_program(QVX_QEMU_I386 qemu-i386)
if(QVX_QEMU_I386)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QVX_QEMU_I386} -L /usr/i686-linux-gnu)
endif()
# GNUInstallDirs leaves out Debian's multiarch folder when cross compiling.
set(CMAKE_INSTALL_LIBDIR lib/i386-linux-gnu CACHE PATH "Object code libraries")
