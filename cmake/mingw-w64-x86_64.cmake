# SPDX-License-Identifier: GPL-3.0-or-later
# Cross build for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64-posix):
#   cmake -S . -B build-windows --toolchain cmake/mingw-w64-x86_64.cmake
# The compiler is clang++ with lld where both are installed, on MinGW's headers and libraries:
# MinGW's own g++ emulates thread-local storage, and the search reads its tables through it
# at every node (its engine is about 20% slower). Without them, MinGW's g++.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)
find_program(MINGW_CLANGXX clang++)
find_program(MINGW_LLD ld.lld)
file(GLOB MINGW_GCC_DIRS /usr/lib/gcc/${MINGW_TRIPLE}/*-posix)
if(MINGW_CLANGXX AND MINGW_LLD AND MINGW_GCC_DIRS)
  list(GET MINGW_GCC_DIRS 0 MINGW_GCC_DIR)
  set(CMAKE_CXX_COMPILER ${MINGW_CLANGXX})
  set(CMAKE_CXX_COMPILER_TARGET ${MINGW_TRIPLE})
  # clang does not find Debian's "-posix" flavour of MinGW's C++ library by itself.
  set(CMAKE_CXX_FLAGS_INIT
      "-isystem ${MINGW_GCC_DIR}/include/c++ -isystem ${MINGW_GCC_DIR}/include/c++/${MINGW_TRIPLE}")
  # lld takes a library wherever it stands on the line: the threads' one is named first.
  set(MINGW_LINK_FLAGS "-fuse-ld=lld -L${MINGW_GCC_DIR} -lpthread")
else()
  set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
  set(MINGW_LINK_FLAGS "")
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The binaries run where no MinGW runtime is installed: its C++, gcc and thread libraries
# are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "${MINGW_LINK_FLAGS} -static -static-libgcc -static-libstdc++")
# Tests are run under wine by scripts/test-windows.sh, not by ctest.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
