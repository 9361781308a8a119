# Removes the files an install wrote, as a manifest lists them (one path a line; make uninstall
# passes the record that make install keeps), then the manifest itself and kelvaro's own folders
# left empty: its documentation (.../doc/kelvaro and below), its headers (.../include/kelvaro) and
# its CMake package (.../cmake/kelvaro):
#   cmake -DMANIFEST=build/installed-files.txt -P cmake/uninstall.cmake
# Other folders (bin, lib, share/man/man1, pkgconfig) stay: they are shared with other software.
if(NOT DEFINED MANIFEST OR NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "nothing to uninstall: '${MANIFEST}' does not exist. make install writes "
                      "it; if this build folder was removed since, install again with the same "
                      "PREFIX (make install PREFIX=...) and then run make uninstall.")
endif()

file(STRINGS "${MANIFEST}" installed_files)
set(own_folders "")
foreach(installed IN LISTS installed_files)
  if(installed STREQUAL "")
    continue()
  endif()
  if(EXISTS "${installed}" OR IS_SYMLINK "${installed}")
    message(STATUS "Removing: ${installed}")
    file(REMOVE "${installed}")
  endif()
  get_filename_component(folder "${installed}" DIRECTORY)
  while(folder MATCHES "/(doc|include|cmake)/kelvaro(/|$)")
    list(APPEND own_folders "${folder}")
    get_filename_component(folder "${folder}" DIRECTORY)
  endwhile()
endforeach()
file(REMOVE "${MANIFEST}")

# In descending order a folder comes before its parent; rmdir removes it only when empty.
list(REMOVE_DUPLICATES own_folders)
list(SORT own_folders ORDER DESCENDING)
foreach(folder IN LISTS own_folders)
  if(IS_DIRECTORY "${folder}")
    execute_process(COMMAND rmdir "${folder}" OUTPUT_QUIET ERROR_QUIET)
  endif()
endforeach()
