# Run by cpack for each package. For the source tarball, every file that is
# not under version control is left out: build trees, the quick start's
# output, anything a run left behind.
if(CPACK_GENERATOR STREQUAL "TGZ" AND CPACK_SOURCE_INSTALLED_DIRECTORIES)
  list(GET CPACK_SOURCE_INSTALLED_DIRECTORIES 0 top)
  execute_process(COMMAND git -C "${top}" -c core.quotePath=false ls-files --others --directory
                  OUTPUT_VARIABLE untracked RESULT_VARIABLE git_failed OUTPUT_STRIP_TRAILING_WHITESPACE)
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
