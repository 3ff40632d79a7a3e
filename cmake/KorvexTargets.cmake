# Each source folder is an OBJECT library (korvex_<folder>); the static library korvex holds
# them all. Tests link just the folders they exercise, so one folder can be built and tested
# while another is being changed.

# korvex_folder(<folder> SOURCES ... [LIBS external-libraries...])
function(korvex_folder folder)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  set(target korvex_${folder})
  add_library(${target} OBJECT ${ARG_SOURCES})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${target} PUBLIC Threads::Threads ${ARG_LIBS})
  set_property(GLOBAL APPEND PROPERTY KORVEX_FOLDERS ${target})
endfunction()

# korvex_test(<name> SOURCES ... FOLDERS core host ...)
# A test program linking the named folders' objects, registered with CTest.
function(korvex_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;FOLDERS;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  foreach(folder IN LISTS ARG_FOLDERS)
    target_link_libraries(${name} PRIVATE korvex_${folder})
  endforeach()
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    # One variable per property: a list here would be split apart on its way to CTest.
    PROPERTIES ENVIRONMENT "KORVEX_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
               ENVIRONMENT_MODIFICATION "KORVEX_BINARY_DIR=set:${PROJECT_BINARY_DIR}")
endfunction()
