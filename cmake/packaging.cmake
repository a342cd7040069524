# Installation and packages: cpack -G DEB on Linux, cpack -G ZIP from a
# Windows build, cpack --config CPackSourceConfig.cmake for the sources.
include(GNUInstallDirs)
set(QUORVEL_MAINTAINER "The Quorvel developers <quorvel@localhost>" CACHE STRING
    "Maintainer of the Debian package, as \"Name <address>\"")
if(WIN32 OR QUORVEL_STATIC)
  # One folder: the program, its documents and, for Linux, the manual page
  # as it is (man ./quorvel.1).
  install(TARGETS quorvel RUNTIME DESTINATION .)
  install(FILES README.md LICENSE CHANGELOG.md DESTINATION .)
  if(NOT WIN32)
    install(FILES man/quorvel.1 DESTINATION .)
  endif()
else()
  # A plain install: the program, its manual page and the documents.
  install(TARGETS quorvel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES man/quorvel.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES README.md CHANGELOG.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
  # The Debian package's own layout, installed only by cpack -G DEB (the
  # component "debian"): the manual page and a Debian changelog compressed
  # without timestamps, and the DEP-5 copyright file in place of LICENSE.
  configure_file(packaging/changelog.in changelog @ONLY)
  foreach(source IN ITEMS ${CMAKE_CURRENT_SOURCE_DIR}/man/quorvel.1 ${CMAKE_CURRENT_BINARY_DIR}/changelog)
    get_filename_component(name ${source} NAME)
    add_custom_command(OUTPUT ${name}.gz COMMAND gzip -9nc ${source} > ${name}.gz DEPENDS ${source})
    list(APPEND compressed_docs ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz)
  endforeach()
  add_custom_target(compressed_docs ALL DEPENDS ${compressed_docs})
  install(TARGETS quorvel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT debian EXCLUDE_FROM_ALL)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/quorvel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
          COMPONENT debian EXCLUDE_FROM_ALL)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz packaging/copyright README.md CHANGELOG.md
          DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT debian EXCLUDE_FROM_ALL)
  set(CPACK_QUORVEL_DEBIAN_PROJECT "${CMAKE_CURRENT_BINARY_DIR};${PROJECT_NAME};debian;/")
endif()
set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VENDOR "The Quorvel developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "embed SVCD scan information placeholders in an MPEG-2 video stream")
set(CPACK_PACKAGE_DESCRIPTION
    "Quorvel copies an MPEG-2 video elementary stream byte for byte and, after the
first picture coding extension that follows each sequence header, inserts an
18-byte SVCD scan information user data block with placeholder offsets. A
multiplexer or disc imager (mplex -f 4, vcdimager --update-scan-offsets) fills
them in, so that fast-forward and rewind work on the Super Video CD. Pictures
that already carry scan information are left as they are.")
set(CPACK_PACKAGE_CONTACT "${QUORVEL_MAINTAINER}")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
if(DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.34), libgcc-s1 (>= 3.0), libstdc++6 (>= 12)")
endif()
if(WIN32)
  set(CPACK_SYSTEM_NAME "windows-${CMAKE_SYSTEM_PROCESSOR}")
elseif(QUORVEL_STATIC)
  # quorvel-VERSION-linux-ARCH.tar.gz: x86_64, aarch64, i686, riscv64, and
  # arm from the armel compiler: ARMv5TE code, which every 32-bit ARM runs,
  # hard float or not. A static armhf build (ARMv7 only) says so in its name.
  set(CPACK_SYSTEM_NAME "linux-${CMAKE_SYSTEM_PROCESSOR}")
  if(CMAKE_LIBRARY_ARCHITECTURE MATCHES "gnueabihf$")
    set(CPACK_SYSTEM_NAME linux-armhf)
  endif()
elseif(CMAKE_CROSSCOMPILING AND CMAKE_LIBRARY_ARCHITECTURE)
  # The target's Debian architecture (arm64 for aarch64-linux-gnu), not the
  # build machine's; dpkg-shlibdeps is told it too.
  # Without it (no dpkg-dev) cpack -G DEB stops rather than label the
  # package with the build machine's architecture.
  execute_process(COMMAND dpkg-architecture -t${CMAKE_LIBRARY_ARCHITECTURE} -qDEB_HOST_ARCH
                  OUTPUT_VARIABLE CPACK_DEBIAN_PACKAGE_ARCHITECTURE RESULT_VARIABLE failed
                  ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(failed OR NOT CPACK_DEBIAN_PACKAGE_ARCHITECTURE)
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE "")
    set(CPACK_QUORVEL_NO_DEB "The Debian architecture of ${CMAKE_LIBRARY_ARCHITECTURE} is unknown: \
dpkg-architecture failed or is missing. Install dpkg-dev (apt-get install dpkg-dev) and configure again.")
    message(WARNING "${CPACK_QUORVEL_NO_DEB} Until then cpack -G DEB makes no package here.")
  endif()
endif()
# Packages are reproducible (their dates are the sources'), and the source
# tarball holds exactly the files under version control; see
# cmake/cpack_project.cmake.
set(CPACK_QUORVEL_SOURCE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_SOURCE_DIR}/cmake/cpack_project.cmake)
include(CPack)
