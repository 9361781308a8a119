# The programs a user runs, installed. Every target named in KELVARO_PROGRAMS that this build
# defines is linked statically, built by the `programs` target and installed into bin/, with its
# manual page (man/<program>.1.in, the version filled in, compressed with gzip -9n as Debian wants)
# in share/man/man1/. The README and the example data go to share/doc/kelvaro/ (the copyright file
# and the changelog too: cmake/package.cmake). KELVARO_BUILT_PROGRAMS lists the programs taken.
include(GNUInstallDirs)
# What a user runs (and its documentation) is the component "programs"; the library for C++ users
# is "development" (cmake/library.cmake). cmake --install and make install install both.
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME programs)

# A static executable runs on a machine that has none of the build's libraries, and starts in about
# half the time of a dynamically linked one, which is most of a small kelvaro run's cost. Sanitizer
# and fuzz builds keep dynamic linking (their runtimes need it).
if(KELVARO_SANITIZE OR KELVARO_FUZZ OR KELVARO_THREAD_SANITIZER)
  set(KELVARO_STATIC_PROGRAMS OFF)
else()
  set(KELVARO_STATIC_PROGRAMS ON)
endif()

# Installing (cmake --install, cpack) takes what is built and builds nothing, not even the tests:
# make install and make package build the `programs` target first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

add_custom_target(programs)
set(KELVARO_BUILT_PROGRAMS "")
foreach(program IN LISTS KELVARO_PROGRAMS)
  if(NOT TARGET ${program})
    continue()
  endif()
  set(page_source ${PROJECT_SOURCE_DIR}/man/${program}.1.in)
  if(NOT EXISTS ${page_source})
    message(FATAL_ERROR "${program} has no manual page: write man/${program}.1.in "
                        "(the other pages there show the sections every page has)")
  endif()
  set(page ${PROJECT_BINARY_DIR}/man/${program}.1)
  configure_file(${page_source} ${page} @ONLY)
  add_custom_command(OUTPUT ${page}.gz COMMAND gzip -9nkf ${page} DEPENDS ${page_source}
                     COMMENT "Compressing the manual page ${program}.1" VERBATIM)
  add_custom_target(${program}_manual_page ALL DEPENDS ${page}.gz)
  add_dependencies(programs ${program}_manual_page)
  if(KELVARO_STATIC_PROGRAMS)
    target_link_options(${program} PRIVATE -static)
  endif()
  add_dependencies(programs ${program})
  install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  list(APPEND KELVARO_BUILT_PROGRAMS ${program})
endforeach()

install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The guides the README links to, with their figures.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs
        FILES_MATCHING PATTERN "*.md" PATTERN "*.png")
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
