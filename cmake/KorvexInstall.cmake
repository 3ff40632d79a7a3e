# What `cmake --install` puts under its prefix, and the Debian package `cpack -G DEB` makes:
#
#   bin/korvex                        component Runtime: the program, the only part packaged,
#   share/doc/korvex/                   with the README and the nginx example for korvex fastcgi
#   lib/libkorvex.a                   component Development: the library, its public headers,
#   include/korvex/<folder>/*.h         its CMake package (find_package(Korvex)) and korvex.pc
#   lib/cmake/Korvex/, lib/pkgconfig/korvex.pc
#
# Headers keep the spelling they have inside the tree ("core/variant.h", "host/http/server.h")
# under the one include root include/korvex.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(KORVEX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Korvex)

install(TARGETS korvex_app RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT Runtime)
install(FILES deploy/nginx-fastcgi.conf DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples
  COMPONENT Runtime)

# What an embedding program includes: the automation basics, the host interfaces with the HTTP
# server and the CGI adapter, data access, the component and the page-script runner. Every
# header of src/ they include comes along (cmake/InstallHeaders.cmake), so none is missing;
# the screens, the providers and the headers that include Boost or Duktape stay inside.
set(KORVEX_PUBLIC_HEADERS
  korvex.h
  core/class_registry.h core/collection.h core/member_table.h
  host/cgi.h host/encoding.h host/page_host.h host/sqlite_session_store.h
  host/http/server.h host/fastcgi/fastcgi_server.h
  ado/ado_constants.h ado/connection.h ado/recordset.h ado/stream.h
  component/admin_recordset.h component/screens.h component/select_options.h component/tools.h
  script/script_page_runner.h)
install(CODE "
  set(KORVEX_HEADER_SOURCE \"${PROJECT_SOURCE_DIR}/src\")
  set(KORVEX_HEADER_ROOTS \"${KORVEX_PUBLIC_HEADERS}\")
  set(KORVEX_HEADER_DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_INCLUDEDIR}/korvex\")
  include(\"${PROJECT_SOURCE_DIR}/cmake/InstallHeaders.cmake\")"
  COMPONENT Development)

# The libraries libkorvex.a needs after it, each found again by KorvexConfig.cmake. Boost is
# not one: it is header-only and included by the server's sources alone.
foreach(library SQLite::SQLite3 PostgreSQL::PostgreSQL Duktape::Duktape FastCGI::FastCGI
        Threads::Threads)
  target_link_libraries(korvex INTERFACE $<INSTALL_INTERFACE:${library}>)
endforeach()
target_include_directories(korvex INTERFACE
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/korvex>)

install(TARGETS korvex EXPORT KorvexTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development)
install(EXPORT KorvexTargets NAMESPACE Korvex:: DESTINATION ${KORVEX_CMAKE_DIR}
  COMPONENT Development)
configure_package_config_file(cmake/KorvexConfig.cmake.in
  ${PROJECT_BINARY_DIR}/KorvexConfig.cmake INSTALL_DESTINATION ${KORVEX_CMAKE_DIR})
# The package's version is the program's; a project asking for an earlier version is
# served by this one.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KorvexConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY AnyNewerVersion)
install(FILES ${PROJECT_BINARY_DIR}/KorvexConfig.cmake
  ${PROJECT_BINARY_DIR}/KorvexConfigVersion.cmake ${PROJECT_SOURCE_DIR}/cmake/FindDuktape.cmake
  ${PROJECT_SOURCE_DIR}/cmake/FindFastCGI.cmake
  DESTINATION ${KORVEX_CMAKE_DIR} COMPONENT Development)

# korvex.pc finds its prefix from its own folder, so the installed tree may be moved.
file(RELATIVE_PATH KORVEX_PC_TO_PREFIX /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
string(REGEX REPLACE "/$" "" KORVEX_PC_TO_PREFIX "${KORVEX_PC_TO_PREFIX}")
configure_file(cmake/korvex.pc.in ${PROJECT_BINARY_DIR}/korvex.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/korvex.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT Development)

# The Debian package of the program. The built-in site and the HTML editor's files are
# compiled into it; its dependencies are read from the program by dpkg-shlibdeps.
set(KORVEX_PACKAGE_CONTACT "Korvex developers <korvex@example.org>"
    CACHE STRING "The Maintainer of the Debian package")
set(CPACK_PACKAGE_NAME korvex)
set(CPACK_PACKAGE_CONTACT "${KORVEX_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "administration screens for the tables of a database
korvex serve (HTTP), korvex fastcgi (behind a web server) and korvex cgi (CGI/1.1) serve an editing list, add, edit and delete
forms, search forms, reports, a file manager and an HTML editor for every table of a SQLite
or PostgreSQL database, and run server pages (*.ksp) written in JavaScript.")
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};Runtime;/")
include(CPack)
