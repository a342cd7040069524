# The program linked statically, for any Linux (QUORVEL_STATIC).
# Nothing the program calls may need glibc's shared runtime (NSS, dlopen,
# iconv): the linker warns of such a call, and the warning fails the build.
# Position-independent (static-pie), so that it runs at a random address,
# where the target's C library can start such a program; plain static
# where it cannot (Debian's armel and riscv64 C libraries have no rcrt1.o).
include(CheckCXXSourceCompiles)
set(CMAKE_REQUIRED_FLAGS -fPIE)
set(CMAKE_REQUIRED_LINK_OPTIONS -static-pie)
set(CMAKE_REQUIRED_QUIET ON)
check_cxx_source_compiles("int main() { return 0; }" QUORVEL_STATIC_PIE)
unset(CMAKE_REQUIRED_FLAGS)
unset(CMAKE_REQUIRED_LINK_OPTIONS)
if(QUORVEL_STATIC_PIE)
  set_target_properties(quorvel_core PROPERTIES POSITION_INDEPENDENT_CODE ON)
  foreach(objects IN ITEMS quorvel_run quorvel_entry)  # the program's own, as PIE code
    target_compile_options(${objects} PRIVATE -fPIE)
  endforeach()
  target_link_options(quorvel PRIVATE -static-pie -Wl,--fatal-warnings)
  message(STATUS "Static program: static-pie")
else()
  target_link_options(quorvel PRIVATE -static -Wl,--fatal-warnings)
  message(STATUS "Static program: plain static (no static-pie for this target)")
endif()
