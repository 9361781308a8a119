# Run by cpack after it has installed the files into its staging folder, before it builds the
# package: adds the files only the Debian package holds (lintian's overrides).
set(staged ${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
file(MAKE_DIRECTORY ${staged}/share/lintian/overrides)
file(COPY_FILE ${CPACK_KELVARO_LINTIAN_OVERRIDES} ${staged}/share/lintian/overrides/kelvaro)
file(CHMOD ${staged}/share/lintian/overrides/kelvaro
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

# Debian's packages keep no compiler version strings in their programs (dh_strip removes them).
file(GLOB programs ${staged}/bin/*)
foreach(program IN LISTS programs)
  execute_process(COMMAND ${CPACK_OBJCOPY_EXECUTABLE} --remove-section=.comment ${program}
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "objcopy could not remove the .comment section of ${program}")
  endif()
endforeach()
