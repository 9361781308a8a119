# The Debian packages (make package, or cpack in the build folder), as Debian splits a library:
#   kelvaro_<version>_<arch>.deb      every installed program in /usr/bin, the manual pages in
#                                     /usr/share/man/man1 and the README, the example data, the
#                                     copyright file and the changelog in /usr/share/doc/kelvaro
#   kelvaro-dev_<version>_<arch>.deb  the public headers in /usr/include/kelvaro, the static
#                                     libraries, the CMake package and the pkg-config file
# The programs are linked statically, so neither package depends on anything;
# packaging/lintian-overrides says why.

# The maintainer is the last line of MAINTAINER, a placeholder until someone fills it in.
file(STRINGS ${PROJECT_SOURCE_DIR}/MAINTAINER maintainer_lines REGEX "^[^#].*<.+@.+>")
list(POP_BACK maintainer_lines KELVARO_MAINTAINER)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/MAINTAINER)
if(NOT KELVARO_MAINTAINER)
  message(FATAL_ERROR "MAINTAINER: its last line must be the maintainer as \"Name <address>\"")
endif()

# The changelog in Debian's format, made from NEWS.md (packaging/changelog.sh), and the copyright
# file go beside the README; `make install` installs them too.
set(changelog ${PROJECT_BINARY_DIR}/packaging/changelog)
add_custom_command(OUTPUT ${changelog}.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
  COMMAND sh ${PROJECT_SOURCE_DIR}/packaging/changelog.sh ${PROJECT_SOURCE_DIR}/NEWS.md
          ${KELVARO_MAINTAINER} ${changelog}
  COMMAND gzip -9nf ${changelog}
  DEPENDS ${PROJECT_SOURCE_DIR}/NEWS.md ${PROJECT_SOURCE_DIR}/MAINTAINER
          ${PROJECT_SOURCE_DIR}/packaging/changelog.sh
  COMMENT "Writing the changelog from NEWS.md" VERBATIM)
add_custom_target(changelog ALL DEPENDS ${changelog}.gz)
add_dependencies(programs changelog)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${changelog}.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvaro)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL programs development)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_NAME kelvaro)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME kelvaro-dev)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Each package's description: its summary line, then the long description wrapped for the
# control file.
string(JOIN "\n" CPACK_DEBIAN_PROGRAMS_DESCRIPTION
  "species richness and community dynamics from species detections"
  "kelvaro estimates how many species a community holds, and how it changes"
  "between two samples, from which species were detected at which sites, by"
  "capture-recapture reasoning: jackknife richness estimates of model M(h);"
  "persistence, turnover, rate of change and colonisation with bootstrap"
  "intervals; tests of equal detection and of fit. The same input gives the"
  "same report on every machine."
  "."
  "The package holds five programs:"
  " kelvaro        two samples analysed, as a fixed plain-text report"
  " kelvaro-prep   kelvaro's input from site-by-species or long CSV tables"
  " kelvaro-tidy   a report's results as CSV tables or JSON"
  " kelvaro-batch  every pair of samples of a whole survey, in one run"
  " kelvaro-plan   survey designs compared by simulation (bias, coverage)"
  "."
  "Each has a manual page; the README and example data are in"
  "/usr/share/doc/kelvaro.")
string(JOIN "\n" CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
  "species richness and community dynamics: the C++ library"
  "kelvaro estimates how many species a community holds, and how it changes"
  "between two samples, from which species were detected at which sites, by"
  "capture-recapture reasoning. This package holds the library behind the"
  "programs of the package kelvaro, for C++20 programs: its public headers"
  "in /usr/include/kelvaro, static libraries, a CMake package"
  "(find_package(kelvaro), target kelvaro::kelvaro) and a pkg-config file."
  "."
  "The library reads field data's detection tables, runs the analysis in"
  "process with structured results (the report and result tables too),"
  "reads reports back, analyses a survey's many pairs of samples, and plans"
  "surveys by simulation. A run is safe on any thread; the same input gives"
  "the same numbers on every machine.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SECTION science)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KELVARO_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
# Files only the packages hold, added to their staging folders by cmake/package_extras.cmake.
set(CPACK_KELVARO_LINTIAN_OVERRIDES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/package_extras.cmake)
include(CPack)
