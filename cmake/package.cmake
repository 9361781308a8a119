# The Debian package (make package, or cpack in the build folder): kelvaro_<version>_<arch>.deb with
# every installed program in /usr/bin, the manual pages in /usr/share/man/man1 and the README with
# the example data in /usr/share/doc/kelvaro. The programs are linked statically, so the package
# depends on nothing.
set(KELVARO_PACKAGE_MAINTAINER "kelvaro developers <kelvaro@example.org>" CACHE STRING
    "The Maintainer field of the Debian package (name <email>)")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvaro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "species richness and community dynamics from species detections")
# The long description, wrapped for the package's control file.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "kelvaro estimates how many species a community holds, and how it changes"
  "between two samples, from which species were detected at which sites, by"
  "capture-recapture reasoning: jackknife richness estimates of model M(h);"
  "persistence, turnover, rate of change and colonisation with bootstrap"
  "intervals; tests of equal detection and of fit. Companion programs build"
  "kelvaro's input from detection tables (kelvaro-prep) and turn its report"
  "into CSV or JSON tables (kelvaro-tidy).")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KELVARO_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
include(CPack)
