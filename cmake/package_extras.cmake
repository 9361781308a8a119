# Run by cpack after it has installed each package's files into its staging folder
# (<staging>/<component>/usr), before it builds the packages: adds the files only the Debian
# packages hold.
set(programs ${CPACK_TEMPORARY_DIRECTORY}/programs${CPACK_PACKAGING_INSTALL_PREFIX})
set(development ${CPACK_TEMPORARY_DIRECTORY}/development${CPACK_PACKAGING_INSTALL_PREFIX})

# kelvaro's lintian overrides.
file(MAKE_DIRECTORY ${programs}/share/lintian/overrides)
file(COPY_FILE ${CPACK_KELVARO_LINTIAN_OVERRIDES} ${programs}/share/lintian/overrides/kelvaro)
file(CHMOD ${programs}/share/lintian/overrides/kelvaro
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

# kelvaro-dev's copyright file and changelog, which every Debian package holds: kelvaro's own.
file(MAKE_DIRECTORY ${development}/share/doc/kelvaro-dev)
foreach(name copyright changelog.gz)
  file(COPY_FILE ${programs}/share/doc/kelvaro/${name} ${development}/share/doc/kelvaro-dev/${name})
endforeach()

# Debian's packages keep no compiler version strings in their programs and static libraries
# (dh_strip removes them).
file(GLOB binaries ${programs}/bin/* ${development}/lib/*.a ${development}/lib/*/*.a)
foreach(binary IN LISTS binaries)
  execute_process(COMMAND ${CPACK_OBJCOPY_EXECUTABLE} --remove-section=.comment ${binary}
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "objcopy could not remove the .comment section of ${binary}")
  endif()
endforeach()
