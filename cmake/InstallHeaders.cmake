# Run by `cmake --install`: copies the public headers KORVEX_HEADER_ROOTS (paths under
# KORVEX_HEADER_SOURCE, as they are included) and every header of the tree they include, at any
# depth, into KORVEX_HEADER_DESTINATION. Done at install time, so an include added to a
# public header never leaves the installed copy naming a file that is not there.
cmake_policy(VERSION 3.25)  # an install script sets no policies of its own

set(pending ${KORVEX_HEADER_ROOTS})
set(done "")
while(pending)
  list(POP_FRONT pending header)
  if(header IN_LIST done)
    continue()
  endif()
  list(APPEND done ${header})
  set(file ${KORVEX_HEADER_SOURCE}/${header})
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "no header src/${header} to install (included as \"${header}\")")
  endif()
  get_filename_component(folder ${header} DIRECTORY)
  file(INSTALL ${file} DESTINATION ${KORVEX_HEADER_DESTINATION}/${folder})
  file(STRINGS ${file} includes REGEX "^#include \"[^\"]+\"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^#include \"([^\"]+)\".*$" "\\1" included "${line}")
    list(APPEND pending ${included})
  endforeach()
endwhile()
