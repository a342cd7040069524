# A Debian cross target: Linux on another processor, built with Debian's
# cross compiler for the GNU triplet in QUORVEL_CROSS (aarch64-linux-gnu,
# arm-linux-gnueabi, arm-linux-gnueabihf, i686-linux-gnu, s390x-linux-gnu,
# riscv64-linux-gnu; the linux-* presets set it). The tests run under the
# target's qemu-user emulator, which tests/setup_cross.sh registers with
# binfmt_misc, so that the program the tests start as a child runs under it
# too.
if(NOT QUORVEL_CROSS)
  message(FATAL_ERROR "Set QUORVEL_CROSS to the target's GNU triplet, such as arm-linux-gnueabihf")
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUORVEL_CROSS)
string(REGEX MATCH "^[^-]+" processor ${QUORVEL_CROSS})
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${processor})
set(CMAKE_C_COMPILER ${QUORVEL_CROSS}-gcc)
set(CMAKE_CXX_COMPILER ${QUORVEL_CROSS}-g++)
# qemu calls every 32-bit x86 processor i386.
string(REGEX REPLACE "^i[3-6]86$" "i386" processor ${processor})
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${processor})
set(CMAKE_FIND_ROOT_PATH /usr/${QUORVEL_CROSS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
