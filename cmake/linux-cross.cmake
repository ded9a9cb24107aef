# The part the ARM toolchain files share: Debian's cross compiler named by TARNWICK_CROSS_PREFIX,
# the target's libraries and headers from its folder under /usr, and a static executable.
set(CMAKE_CXX_COMPILER ${TARNWICK_CROSS_PREFIX}-g++)

# Libraries and headers of the target only; programs of the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${TARNWICK_CROSS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C library, the C++ runtime and the thread library are linked into the executables, so that
# they run on any Linux kernel of their processor whatever its system carries (Android's included,
# whose C library is not the GNU one) and need no loader or library beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
