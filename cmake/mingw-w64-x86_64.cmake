# 64-bit Windows, with Debian's g++-mingw-w64-x86-64.
set(MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
