# Linux builds get the hardening that Debian builds its own packages with
# (not under the sanitizers or for fuzzing), each part only
# where neither the builder's flags (CXXFLAGS, LDFLAGS, or the build type's)
# nor the compiler's defaults choose it: a distribution's choice wins.
string(TOUPPER "${CMAKE_BUILD_TYPE}" type)
set(builder_flags "${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${type}}")
set(builder_link_flags "${CMAKE_EXE_LINKER_FLAGS} ${CMAKE_EXE_LINKER_FLAGS_${type}}")
include(CheckCXXSourceCompiles)
set(CMAKE_REQUIRED_FLAGS -O2)  # some compilers fortify optimised code by default
set(CMAKE_REQUIRED_QUIET ON)
unset(QUORVEL_UNFORTIFIED CACHE)
check_cxx_source_compiles("#ifdef _FORTIFY_SOURCE\n#error\n#endif\nint main() { return 0; }"
                          QUORVEL_UNFORTIFIED)
unset(CMAKE_REQUIRED_FLAGS)
if(QUORVEL_UNFORTIFIED AND NOT builder_flags MATCHES "_FORTIFY_SOURCE")
  add_compile_options(-D_FORTIFY_SOURCE=2)
endif()
if(NOT builder_flags MATCHES "-f(no-)?stack-protector")
  add_compile_options(-fstack-protector-strong)
endif()
if(NOT builder_link_flags MATCHES "relro")
  add_link_options(-Wl,-z,relro)
endif()
if(NOT builder_link_flags MATCHES "z,? ?now")
  add_link_options(-Wl,-z,now)
endif()
