# The Python module taverlune (src/python/taverlune.cpp, pybind11), built into
# build/python (PYTHONPATH=build/python python3 -c 'import taverlune') and
# installed with its type stubs under the prefix, where that prefix's Python
# looks: lib/python3.X/dist-packages.
#
# TAVERLUNE_PYTHON: AUTO (built when Python's headers and pybind11 are found,
# else skipped with one line saying why), ON (their absence is an error) or
# OFF. Never built in a cross build, nor under the sanitizers, whose runtimes
# the interpreter has not loaded.
set(TAVERLUNE_PYTHON AUTO CACHE STRING "Build the Python module: AUTO, ON or OFF")
set_property(CACHE TAVERLUNE_PYTHON PROPERTY STRINGS AUTO ON OFF)
if(NOT TAVERLUNE_PYTHON)
  return()
endif()

set(raison "")
if(CMAKE_CROSSCOMPILING)
  set(raison "a cross build makes no module for the build machine's Python")
elseif(TAVERLUNE_SANITIZE OR TAVERLUNE_TSAN)
  set(raison "the sanitizers' runtimes cannot be loaded into the Python interpreter")
else()
  # Debian's interpreter, unless another is named: not the first python3 on PATH.
  if(NOT DEFINED Python3_EXECUTABLE AND EXISTS /usr/bin/python3)
    set(Python3_EXECUTABLE /usr/bin/python3 CACHE FILEPATH "The Python interpreter the module is built for")
  endif()
  find_package(Python3 COMPONENTS Interpreter Development QUIET)
  if(NOT Python3_FOUND)
    set(raison "Python 3 and its headers were not found (Debian: sudo apt-get install python3-dev)")
  else()
    find_package(pybind11 CONFIG QUIET)
    if(NOT pybind11_FOUND)
      set(raison "pybind11 was not found (Debian: sudo apt-get install pybind11-dev)")
    endif()
  endif()
endif()
if(raison)
  if(TAVERLUNE_PYTHON STREQUAL "AUTO")
    message(STATUS "The Python module is not built: ${raison}.")
    return()
  endif()
  message(FATAL_ERROR "TAVERLUNE_PYTHON=${TAVERLUNE_PYTHON}, but ${raison}.")
endif()

pybind11_add_module(taverlune_python MODULE NO_EXTRAS ${PROJECT_SOURCE_DIR}/src/python/taverlune.cpp)
target_link_libraries(taverlune_python PRIVATE taverlune_engine)
set_target_properties(taverlune_python PROPERTIES
  OUTPUT_NAME taverlune
  LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/python)
configure_file(${PROJECT_SOURCE_DIR}/src/python/taverlune.pyi ${PROJECT_BINARY_DIR}/python/taverlune.pyi COPYONLY)
add_dependencies(taverlune taverlune_python)  # built with the program, installed with it

set(TAVERLUNE_PYTHON_INSTALL_DIR
    lib/python${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}/dist-packages
    CACHE STRING "Where the Python module is installed, under the prefix")
install(TARGETS taverlune_python LIBRARY DESTINATION ${TAVERLUNE_PYTHON_INSTALL_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/src/python/taverlune.pyi DESTINATION ${TAVERLUNE_PYTHON_INSTALL_DIR})
if(BUILD_SHARED_LIBS)
  file(RELATIVE_PATH module_vers_lib ${CMAKE_INSTALL_PREFIX}/${TAVERLUNE_PYTHON_INSTALL_DIR}
       ${CMAKE_INSTALL_FULL_LIBDIR})
  set_target_properties(taverlune_python PROPERTIES INSTALL_RPATH "$ORIGIN/${module_vers_lib}")
endif()

# The module's tests, on the module of the build tree (pytest).
if(BUILD_TESTING)
  execute_process(COMMAND ${Python3_EXECUTABLE} -c "import pytest" RESULT_VARIABLE sans_pytest
                  OUTPUT_QUIET ERROR_QUIET)
  if(sans_pytest)
    message(STATUS "pytest was not found (Debian: sudo apt-get install python3-pytest): "
                   "the Python module's tests are left out.")
  else()
    add_test(NAME python_module
             COMMAND ${Python3_EXECUTABLE} -m pytest -q -p no:cacheprovider ${PROJECT_SOURCE_DIR}/tests/python)
    set_tests_properties(python_module PROPERTIES ENVIRONMENT "PYTHONPATH=${PROJECT_BINARY_DIR}/python")
  endif()
endif()
