# Each source folder is an OBJECT library (korvex_<folder>) that names the folders below it it
# may use; the static library korvex holds them all. The link graph is the layer graph:
#
#   core <- host, ado <- http (host), script (host) <- component (ado, host)
#        <- render <- listing (and every later screen) <- facade (src/korvex.cpp) <- app
#
# A folder's headers are reachable only through its include directory, a link in the build
# tree that names the folder, so a file that includes a header of a folder its target does not
# link fails to compile. tests/layers_check.cmake checks the same over every source.

# korvex_folder(<folder> [PATH <path under src>] SOURCES ... [DEPENDS folders...]
#               [LIBS external-libraries...])
function(korvex_folder folder)
  cmake_parse_arguments(ARG "" "PATH" "SOURCES;DEPENDS;LIBS" ${ARGN})
  set(target korvex_${folder})
  if(NOT ARG_PATH)
    set(ARG_PATH ${folder})
  endif()
  add_library(${target} OBJECT ${ARG_SOURCES})
  set(include_root ${PROJECT_BINARY_DIR}/include/${folder})
  get_filename_component(link_parent ${include_root}/${ARG_PATH} DIRECTORY)
  file(MAKE_DIRECTORY ${link_parent})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${include_root}/${ARG_PATH} SYMBOLIC)
  target_include_directories(${target} PUBLIC ${include_root})
  foreach(dep IN LISTS ARG_DEPENDS)
    if(NOT TARGET korvex_${dep})
      message(FATAL_ERROR "korvex_${folder} depends on ${dep}, which is not declared before it")
    endif()
    target_link_libraries(${target} PUBLIC korvex_${dep})
  endforeach()
  target_link_libraries(${target} PUBLIC Threads::Threads ${ARG_LIBS})
  set_property(GLOBAL APPEND PROPERTY KORVEX_FOLDERS ${target})
  set_property(GLOBAL PROPERTY KORVEX_DEPENDS_${folder} ${ARG_DEPENDS})
  set_property(GLOBAL APPEND PROPERTY KORVEX_LAYERS "${ARG_PATH}=${folder}")
endfunction()

# The folder and every folder below it, each once: object files of a linked object library
# reach only its direct users, so a program links the whole closure.
function(korvex_closure out)
  set(result "")
  set(pending ${ARGN})
  while(pending)
    list(POP_FRONT pending folder)
    if(NOT folder IN_LIST result)
      list(APPEND result ${folder})
      get_property(deps GLOBAL PROPERTY KORVEX_DEPENDS_${folder})
      list(APPEND pending ${deps})
    endif()
  endwhile()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# korvex_test(<name> [DATABASE] SOURCES ... FOLDERS listing ...)
# A test program linking the named folders and every folder below them, registered with CTest.
# A DATABASE program is registered twice: as is (SQLite) and, named "PostgreSQL.<test>", with
# KORVEX_TEST_BACKEND=postgresql, which runs it on the server KORVEX_TEST_POSTGRES names.
function(korvex_test name)
  cmake_parse_arguments(ARG "DATABASE" "" "SOURCES;FOLDERS;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  korvex_closure(folders ${ARG_FOLDERS})
  foreach(folder IN LISTS folders)
    target_link_libraries(${name} PRIVATE korvex_${folder})
  endforeach()
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    # One variable per property: a list here would be split apart on its way to CTest.
    PROPERTIES ENVIRONMENT "KORVEX_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
               ENVIRONMENT_MODIFICATION "KORVEX_BINARY_DIR=set:${PROJECT_BINARY_DIR}")
  if(ARG_DATABASE)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_PREFIX "PostgreSQL."
      TEST_LIST ${name}_POSTGRES_TESTS
      PROPERTIES ENVIRONMENT_MODIFICATION "KORVEX_BINARY_DIR=set:${PROJECT_BINARY_DIR}")
    # Read by CTest after the list above: a whole environment list set in one quoted value.
    set(script ${CMAKE_CURRENT_BINARY_DIR}/${name}_postgres.cmake)
    file(WRITE ${script}
      "foreach(test IN LISTS ${name}_POSTGRES_TESTS)\n"
      "  set_tests_properties(\"\${test}\" PROPERTIES ENVIRONMENT "
      "\"KORVEX_SOURCE_DIR=${PROJECT_SOURCE_DIR};KORVEX_TEST_BACKEND=postgresql\")\n"
      "endforeach()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
  endif()
endfunction()
