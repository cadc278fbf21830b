# The engine as a library for other programs: libtaverlune_engine (static;
# shared, with its SONAME, under -DBUILD_SHARED_LIBS=ON), its public headers
# with the version header written here, a CMake package (find_package(taverlune
# CONFIG) gives taverlune::engine) and taverlune.pc for pkg-config; then the
# Python module (python.cmake). Everything installed is built with the
# program's target, so that installing after building `taverlune` alone works.
include(CMakePackageConfigHelpers)

set(TAVERLUNE_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/taverlune)

# The version, from project(VERSION), in a header of the build tree installed
# beside the others; taverlune::version() gives the library's own.
configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in ${PROJECT_BINARY_DIR}/include/taverlune/version.h @ONLY)
# Appended as a path relative to the sources, as the other sources are listed.
set_property(TARGET taverlune_engine APPEND PROPERTY SOURCES src/engine/version.cpp)
target_include_directories(taverlune_engine PUBLIC $<BUILD_INTERFACE:${PROJECT_BINARY_DIR}/include>
                                                   $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
# Position-independent, for the shared library and for the Python module that
# takes the static one in; calls inside the library stay direct (and inlined)
# all the same.
set_target_properties(taverlune_engine PROPERTIES
  EXPORT_NAME engine
  POSITION_INDEPENDENT_CODE ON
  VERSION ${PROJECT_VERSION}
  SOVERSION ${PROJECT_VERSION_MAJOR})
target_compile_options(taverlune_engine PRIVATE -fno-semantic-interposition)
if(BUILD_SHARED_LIBS)
  # The installed program finds the shared engine beside it, wherever the tree is moved.
  file(RELATIVE_PATH bin_vers_lib ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
  set_target_properties(taverlune PROPERTIES INSTALL_RPATH "$ORIGIN/${bin_vers_lib}")
endif()

install(TARGETS taverlune_engine EXPORT taverlune_cibles
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The public headers alone: include/taverlune/ holds nothing else.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/taverlune ${PROJECT_BINARY_DIR}/include/taverlune
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h")

# The CMake package, relocatable: its files find the prefix from where they lie.
install(EXPORT taverlune_cibles NAMESPACE taverlune:: FILE taverluneTargets.cmake
        DESTINATION ${TAVERLUNE_CMAKEDIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/taverluneConfig.cmake.in
  ${PROJECT_BINARY_DIR}/taverluneConfig.cmake INSTALL_DESTINATION ${TAVERLUNE_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/taverluneConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/taverluneConfig.cmake ${PROJECT_BINARY_DIR}/taverluneConfigVersion.cmake
        DESTINATION ${TAVERLUNE_CMAKEDIR})

# pkg-config, relocatable too: the prefix is found from the .pc file's place.
# A static engine needs the threads at every link, a shared one only its own.
function(taverlune_chemin_pc variable dossier)
  if(IS_ABSOLUTE "${dossier}")
    set(${variable} "${dossier}" PARENT_SCOPE)
  else()
    set(${variable} "\${prefix}/${dossier}" PARENT_SCOPE)
  endif()
endfunction()
file(RELATIVE_PATH pc_prefixe ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" pc_prefixe "${pc_prefixe}")
taverlune_chemin_pc(pc_libdir "${CMAKE_INSTALL_LIBDIR}")
taverlune_chemin_pc(pc_includedir "${CMAKE_INSTALL_INCLUDEDIR}")
if(BUILD_SHARED_LIBS)
  set(pc_libs "")
  set(pc_libs_private " -pthread")
else()
  set(pc_libs " -pthread")
  set(pc_libs_private "")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/taverlune.pc.in ${PROJECT_BINARY_DIR}/taverlune.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/taverlune.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

include(${CMAKE_CURRENT_LIST_DIR}/python.cmake)

# Installed into a temporary prefix, moved, then used as others would: the C++
# consumer (tests/consumer/) through find_package and pkg-config, the Python
# tests on the installed module. Not under the sanitizers: a program of
# someone else's is not built with their runtimes.
if(BUILD_TESTING AND NOT TAVERLUNE_SANITIZE AND NOT TAVERLUNE_TSAN)
  add_test(NAME library_installed_and_used COMMAND bash ${PROJECT_SOURCE_DIR}/tests/consumer/run.sh ${PROJECT_BINARY_DIR})
endif()
