# Reads every include of the library's sources and fails when a file includes a header of a
# folder its own folder does not link, directly or through the folders below it.
#   cmake -DSOURCE_DIR=<src> -DLAYERS="<path>=<folder>:<reachable>,<reachable>|..." -P ...
# LAYERS holds each folder with every folder its links reach, itself included, as
# src/*/CMakeLists.txt declare them (korvex_folder's DEPENDS).

cmake_minimum_required(VERSION 3.25)

set(paths "")
string(REPLACE "|" ";" LAYERS "${LAYERS}")
foreach(entry IN LISTS LAYERS)
  string(REGEX MATCH "^([^=]+)=([^:]+):(.*)$" _ "${entry}")
  set(path ${CMAKE_MATCH_1})
  set(folder_${path} ${CMAKE_MATCH_2})
  string(REPLACE "," ";" reachable "${CMAKE_MATCH_3}")
  set(reachable_${CMAKE_MATCH_2} ${reachable})
  list(APPEND paths ${path})
endforeach()
# Longest paths first, so host/http is matched before host.
list(SORT paths COMPARE STRING ORDER DESCENDING)

# The folder a path under src/ belongs to; "" for the facade at the top.
function(folder_of relative out)
  set(${out} "" PARENT_SCOPE)
  foreach(path IN LISTS paths)
    if(relative MATCHES "^${path}/")
      set(${out} ${folder_${path}} PARENT_SCOPE)
      return()
    endif()
  endforeach()
endfunction()

set(failures 0)
file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
foreach(relative IN LISTS sources)
  folder_of(${relative} own)
  if(own STREQUAL "")
    continue()  # the facade may include anything
  endif()
  set(allowed ${reachable_${own}})
  file(STRINGS ${SOURCE_DIR}/${relative} includes REGEX "^#include \"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" header "${line}")
    folder_of(${header} target)
    if(target STREQUAL "" AND header MATCHES "/")
      message(SEND_ERROR "${relative}: includes ${header}, which belongs to no library folder")
      math(EXPR failures "${failures} + 1")
    elseif(NOT target STREQUAL "" AND NOT target IN_LIST allowed)
      message(SEND_ERROR "${relative} (${own}): includes ${header} of ${target}, a folder "
                         "${own} does not link")
      math(EXPR failures "${failures} + 1")
    endif()
  endforeach()
endforeach()
list(LENGTH sources count)
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} include(s) cross the layers")
endif()
message(STATUS "${count} files, every include follows the layers")
