# Duktape ships no CMake package; Debian's duktape-dev has the header and the shared library.
# Defines Duktape::Duktape. Installed beside KorvexConfig.cmake, which finds Duktape the same way.
find_path(Duktape_INCLUDE_DIR duktape.h)
find_library(Duktape_LIBRARY NAMES duktape)
mark_as_advanced(Duktape_INCLUDE_DIR Duktape_LIBRARY)

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Duktape REQUIRED_VARS Duktape_LIBRARY Duktape_INCLUDE_DIR)

if(Duktape_FOUND AND NOT TARGET Duktape::Duktape)
  add_library(Duktape::Duktape UNKNOWN IMPORTED)
  set_target_properties(Duktape::Duktape PROPERTIES
    IMPORTED_LOCATION "${Duktape_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${Duktape_INCLUDE_DIR}")
endif()
