# libfcgi ships no CMake package; Debian's libfcgi-dev has the header and the shared library.
# Defines FastCGI::FastCGI. Installed beside KorvexConfig.cmake, which finds it the same way.
find_path(FastCGI_INCLUDE_DIR fcgiapp.h)
find_library(FastCGI_LIBRARY NAMES fcgi)
mark_as_advanced(FastCGI_INCLUDE_DIR FastCGI_LIBRARY)

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(FastCGI REQUIRED_VARS FastCGI_LIBRARY FastCGI_INCLUDE_DIR)

if(FastCGI_FOUND AND NOT TARGET FastCGI::FastCGI)
  add_library(FastCGI::FastCGI UNKNOWN IMPORTED)
  set_target_properties(FastCGI::FastCGI PROPERTIES
    IMPORTED_LOCATION "${FastCGI_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${FastCGI_INCLUDE_DIR}")
endif()
