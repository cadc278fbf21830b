# cmake --install into a fresh prefix, then the installed program run: its
# version, one short calculation through a pipe, and its manual page.
#
#   cmake -DBUILD=<build dir> -DPREFIX=<empty dir> -DVERSION=<x.y.z> -P install_test.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${PREFIX}" RESULT_VARIABLE statut
                OUTPUT_QUIET)
if(NOT statut EQUAL 0)
  message(FATAL_ERROR "cmake --install ended with ${statut}")
endif()

# The program, its French catalogue and its two pages, nothing else.
file(GLOB_RECURSE installes RELATIVE "${PREFIX}" "${PREFIX}/*")
list(SORT installes)
if(NOT installes STREQUAL
   "bin/taverlune;share/locale/fr/LC_MESSAGES/taverlune.mo;share/man/fr/man1/taverlune.1;share/man/man1/taverlune.1")
  message(FATAL_ERROR "installed: ${installes}")
endif()

execute_process(COMMAND "${PREFIX}/bin/taverlune" --version OUTPUT_VARIABLE sortie RESULT_VARIABLE statut)
if(NOT statut EQUAL 0 OR NOT sortie STREQUAL "taverlune ${VERSION}\n")
  message(FATAL_ERROR "--version: status ${statut}, '${sortie}'")
endif()

# N = 6, counted, the target N, no new calculation: the perfect number is
# settled at once, then the last question; status 1.
execute_process(COMMAND printf "6 0 0 0\\n" COMMAND "${PREFIX}/bin/taverlune" OUTPUT_VARIABLE sortie
                RESULT_VARIABLE statut)
set(fin " a  6  convient. \n  \n \n \t Nouveau calcul , Oui[1] / Non[0] ? :  ")
string(LENGTH "${sortie}" n)
string(LENGTH "${fin}" m)
math(EXPR debut "${n} - ${m}")
if(debut LESS 0)
  set(debut 0)
endif()
string(SUBSTRING "${sortie}" ${debut} -1 queue)
if(NOT statut EQUAL 1 OR NOT queue STREQUAL fin)
  message(FATAL_ERROR "N = 6: status ${statut}, ending with '${queue}'")
endif()

file(READ "${PREFIX}/share/man/man1/taverlune.1" page)
string(FIND "${page}" ".TH TAVERLUNE 1 \"\" \"taverlune ${VERSION}\"" titre)
if(titre LESS 0)
  message(FATAL_ERROR "the manual page has no title line for version ${VERSION}")
endif()
message(STATUS "installed and ran ${PREFIX}/bin/taverlune ${VERSION}")

# The installed catalogue speaks French where the machine has a French locale.
execute_process(COMMAND locale -a OUTPUT_VARIABLE locales)
if(locales MATCHES "fr_FR\\.utf8")
  execute_process(COMMAND env LC_ALL= LANGUAGE=fr LANG=fr_FR.UTF-8 TAVERLUNE_LOCALEDIR=${PREFIX}/share/locale
                          "${PREFIX}/bin/taverlune" --help OUTPUT_VARIABLE aide)
  if(NOT aide MATCHES "^Usage : taverlune\n")
    message(FATAL_ERROR "the installed catalogue is not read: '${aide}'")
  endif()
  file(READ "${PREFIX}/share/man/fr/man1/taverlune.1" page)
  if(NOT page MATCHES "\\.SH NOM")
    message(FATAL_ERROR "the French manual page is not installed")
  endif()
endif()
