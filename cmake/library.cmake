# The library installed for C++ users (component "development"; the Debian package kelvaro-dev):
# the public headers in include/kelvaro/, every library of src/ as a static library, a CMake
# package (find_package(kelvaro), then target_link_libraries(app kelvaro::kelvaro)) and a
# pkg-config file (pkg-config --cflags --libs kelvaro). Users compile as C++20.

# The libraries, each before those it uses (the order a linker needs them in). Darwin Core
# archives on disk (zip and XML) are read by a library of native builds only.
set(KELVARO_LIBRARIES)
if(TARGET kelvaro_darwin_core_files)
  list(APPEND KELVARO_LIBRARIES kelvaro_darwin_core_files)
endif()
list(APPEND KELVARO_LIBRARIES kelvaro_darwin_core
  kelvaro_planner kelvaro_batch kelvaro_surveys kelvaro_report_reader kelvaro_tables kelvaro_curves
  kelvaro_run kelvaro_field_tables kelvaro_checked_output kelvaro_options kelvaro_report kelvaro_estimators
  kelvaro_bootstrap kelvaro_jackknife kelvaro_equal_detection kelvaro_goodness_of_fit
  kelvaro_dynamics kelvaro_random kelvaro_probability kelvaro_textio kelvaro_exactmath
  kelvaro_parallel)

# kelvaro::kelvaro: every library. Installed targets are named without the prefix
# (kelvaro::run, kelvaro::planner, ...).
add_library(kelvaro_everything INTERFACE)
add_library(kelvaro::kelvaro ALIAS kelvaro_everything)
target_link_libraries(kelvaro_everything INTERFACE ${KELVARO_LIBRARIES})
target_compile_features(kelvaro_everything INTERFACE cxx_std_20)
set_target_properties(kelvaro_everything PROPERTIES EXPORT_NAME kelvaro)
# Libraries built with sanitizers need their run-time libraries in every program they go into.
set(KELVARO_PC_LINK_OPTIONS "")
if(KELVARO_SANITIZE)
  set(KELVARO_PC_LINK_OPTIONS -fsanitize=address,undefined)
elseif(KELVARO_THREAD_SANITIZER)
  set(KELVARO_PC_LINK_OPTIONS -fsanitize=thread)
endif()
target_link_options(kelvaro_everything INTERFACE ${KELVARO_PC_LINK_OPTIONS})
foreach(lib IN LISTS KELVARO_LIBRARIES ITEMS kelvaro_numeric)
  string(REGEX REPLACE "^kelvaro_" "" name ${lib})
  set_target_properties(${lib} PROPERTIES EXPORT_NAME ${name})
endforeach()
# make install and make package build the programs first; the libraries come with them.
add_dependencies(programs ${KELVARO_LIBRARIES})

# The libraries go where the system keeps those of its architecture (Debian's multiarch folder,
# lib/x86_64-linux-gnu, which its linker, pkg-config and CMake search under /usr and /usr/local).
set(library_dir ${CMAKE_INSTALL_LIBDIR})
if(CMAKE_LIBRARY_ARCHITECTURE AND NOT library_dir MATCHES "${CMAKE_LIBRARY_ARCHITECTURE}$")
  set(library_dir ${library_dir}/${CMAKE_LIBRARY_ARCHITECTURE})
endif()
set(package_dir ${library_dir}/cmake/kelvaro)
install(TARGETS ${KELVARO_LIBRARIES} kelvaro_numeric kelvaro_everything EXPORT kelvaro
        ARCHIVE DESTINATION ${library_dir} COMPONENT development)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/kelvaro DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        COMPONENT development)
install(EXPORT kelvaro NAMESPACE kelvaro:: FILE kelvaro-targets.cmake DESTINATION ${package_dir}
        COMPONENT development)

include(CMakePackageConfigHelpers)
# The zip and XML libraries the archives' library links (Debian's static ones): pugixml's own
# CMake package, and minizip and zlib under the names src/darwin_core_files/ gives them.
set(archive_dependencies "")
if(TARGET kelvaro_darwin_core_files)
  string(CONCAT archive_dependencies
    "find_dependency(pugixml CONFIG)\n"
    "if(NOT TARGET kelvaro::minizip)\n"
    "  find_library(KELVARO_MINIZIP_LIBRARY NAMES libminizip.a minizip REQUIRED)\n"
    "  find_library(KELVARO_ZLIB_LIBRARY NAMES libz.a z REQUIRED)\n"
    "  add_library(kelvaro::zlib UNKNOWN IMPORTED)\n"
    "  set_target_properties(kelvaro::zlib PROPERTIES IMPORTED_LOCATION \${KELVARO_ZLIB_LIBRARY})\n"
    "  add_library(kelvaro::minizip UNKNOWN IMPORTED)\n"
    "  set_target_properties(kelvaro::minizip PROPERTIES IMPORTED_LOCATION\n"
    "    \${KELVARO_MINIZIP_LIBRARY} INTERFACE_LINK_LIBRARIES kelvaro::zlib)\n"
    "endif()\n")
endif()
file(WRITE ${PROJECT_BINARY_DIR}/kelvaro-config.cmake
     "include(CMakeFindDependencyMacro)\n"
     "find_dependency(Threads)\n"
     "${archive_dependencies}"
     "include(\${CMAKE_CURRENT_LIST_DIR}/kelvaro-targets.cmake)\n")
write_basic_package_version_file(${PROJECT_BINARY_DIR}/kelvaro-config-version.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/kelvaro-config.cmake
              ${PROJECT_BINARY_DIR}/kelvaro-config-version.cmake
        DESTINATION ${package_dir} COMPONENT development)

# The pkg-config file finds the prefix from its own place, so that it holds wherever the files
# are installed (make install PREFIX=..., the Debian package's /usr).
set(pkgconfig_dir ${library_dir}/pkgconfig)
set(KELVARO_PC_LIBDIR ${library_dir})
file(RELATIVE_PATH KELVARO_PC_PREFIX /prefix/${pkgconfig_dir} /prefix)
string(REGEX REPLACE "/$" "" KELVARO_PC_PREFIX ${KELVARO_PC_PREFIX})
list(TRANSFORM KELVARO_LIBRARIES REPLACE "^kelvaro_" "-lkelvaro_" OUTPUT_VARIABLE flags)
if(TARGET kelvaro_darwin_core_files)
  list(APPEND flags -lpugixml -lminizip -lz)
endif()
string(JOIN " " KELVARO_PC_LIBS ${flags} ${KELVARO_PC_LINK_OPTIONS})
configure_file(${PROJECT_SOURCE_DIR}/cmake/kelvaro.pc.in ${PROJECT_BINARY_DIR}/kelvaro.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kelvaro.pc DESTINATION ${pkgconfig_dir}
        COMPONENT development)
