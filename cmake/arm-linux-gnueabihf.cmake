# Cross-builds the engine for 32-bit ARM Linux (ARMv7 with hardware floating point, Debian's
# armhf) with Debian's cross compiler (package g++-arm-linux-gnueabihf): `make arm`, or
# cmake -S . -B build/armhf -DCMAKE_TOOLCHAIN_FILE=cmake/arm-linux-gnueabihf.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(TARNWICK_CROSS_PREFIX arm-linux-gnueabihf)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
