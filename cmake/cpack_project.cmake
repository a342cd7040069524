# Run by cpack for each package.
#
# Dates: every file in every package carries the date of the sources, so that
# two builds of one commit give the same bytes. SOURCE_DATE_EPOCH, when given,
# wins; otherwise it is the last commit's date or, where the sources are not a
# git work tree of their own (an unpacked source tarball), the date the
# tarball gave CMakeLists.txt.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  file(REAL_PATH "${CPACK_QUORVEL_SOURCE_DIR}" top)
  execute_process(COMMAND git -C "${top}" rev-parse --show-toplevel
                  OUTPUT_VARIABLE git_top ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(git_top STREQUAL top)
    execute_process(COMMAND git -C "${top}" log -1 --format=%ct
                    OUTPUT_VARIABLE epoch ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  endif()
  if(NOT epoch)
    file(TIMESTAMP "${top}/CMakeLists.txt" epoch "%s" UTC)
  endif()
  set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
endif()

# The Debian package takes the Debian layout (the install component
# "debian"), not the plain one of cmake --install.
if(CPACK_GENERATOR STREQUAL "DEB" AND CPACK_QUORVEL_DEBIAN_PROJECT)
  set(CPACK_INSTALL_CMAKE_PROJECTS "${CPACK_QUORVEL_DEBIAN_PROJECT}")
endif()

# A cross build whose Debian architecture is unknown makes no package at all.
if(CPACK_GENERATOR STREQUAL "DEB" AND CPACK_QUORVEL_NO_DEB)
  message(FATAL_ERROR "${CPACK_QUORVEL_NO_DEB}")
endif()

# A cross build's package: dpkg-shlibdeps reads the target's libraries.
if(CPACK_GENERATOR STREQUAL "DEB" AND CPACK_DEBIAN_PACKAGE_ARCHITECTURE)
  set(ENV{DEB_HOST_ARCH} "${CPACK_DEBIAN_PACKAGE_ARCHITECTURE}")
endif()

# The source tarball: every file that is not under version control is left
# out: build trees, the quick start's output, anything a run left behind.
if(CPACK_GENERATOR STREQUAL "TGZ" AND CPACK_SOURCE_INSTALLED_DIRECTORIES)
  list(GET CPACK_SOURCE_INSTALLED_DIRECTORIES 0 top)
  execute_process(COMMAND git -C "${top}" -c core.quotePath=false ls-files --others --directory
                  OUTPUT_VARIABLE untracked RESULT_VARIABLE git_failed ERROR_QUIET
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(ignore "/\\.git/")
  if(NOT git_failed)
    string(REPLACE "\n" ";" untracked "${untracked}")
    foreach(path IN LISTS untracked)
      if(path STREQUAL "")
        continue()
      endif()
      string(REGEX REPLACE "([][+.*()^$?|\\\\])" "\\\\\\1" path "${top}/${path}")
      list(APPEND ignore "^${path}")
    endforeach()
  else()
    # No git (an unpacked tarball): leave out what builds and runs make.
    list(APPEND ignore "/build[^/]*/" "/sample-out\\.m2v$" "/crash-" "/leak-" "/timeout-")
  endif()
  set(CPACK_SOURCE_IGNORE_FILES ${ignore})
  set(CPACK_IGNORE_FILES ${ignore})
endif()
