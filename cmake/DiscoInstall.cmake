# Install layout, run-time search paths and the Debian package.
#   <prefix>/bin/extreme-disco
#   <prefix>/<libdir>/libtolhost.so.<major>        the host library, with its SONAME
#   <prefix>/<libdir>/extreme-disco/libextremeswitchagent.so
#   <prefix>/<includedir>/extreme-disco/host/*.h   the host headers, plug-in ABI included
#   <prefix>/<libdir>/pkgconfig/tolhost.pc         relocatable: paths relative to the .pc file
# Every path is relative to the prefix, so that `cmake --install build --prefix P` works for any P.
# The headers sit in a folder of their own: users include "host/X.h" with
# -I<prefix>/<includedir>/extreme-disco, and nothing lands in a bare /usr/include/host.
set(DISCO_PLUGIN_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/extreme-disco)
set(DISCO_HEADER_ROOT ${CMAKE_INSTALL_INCLUDEDIR}/extreme-disco)

set_target_properties(tolhost PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})

# The program finds the host library through $ORIGIN, and the plug-in (which it finds itself,
# relative to its own location: engine/PluginLocation.h) finds it one folder up. The build tree
# keeps CMake's absolute build RPATHs.
file(RELATIVE_PATH disco_bin_to_lib /p/${CMAKE_INSTALL_BINDIR} /p/${CMAKE_INSTALL_LIBDIR})
file(RELATIVE_PATH disco_bin_to_plugin /p/${CMAKE_INSTALL_BINDIR} /p/${DISCO_PLUGIN_INSTALL_DIR})
file(RELATIVE_PATH disco_plugin_to_lib /p/${DISCO_PLUGIN_INSTALL_DIR} /p/${CMAKE_INSTALL_LIBDIR})
set_target_properties(extreme-disco PROPERTIES INSTALL_RPATH "$ORIGIN/${disco_bin_to_lib}")
set_target_properties(extremeswitchagent PROPERTIES INSTALL_RPATH "$ORIGIN/${disco_plugin_to_lib}")
target_compile_definitions(discoengine PRIVATE
  DISCO_BUILD_PLUGIN="$<TARGET_FILE:extremeswitchagent>"
  DISCO_BUILD_PROGRAM_DIR="$<TARGET_FILE_DIR:extreme-disco>"
  DISCO_INSTALLED_PLUGIN_FROM_BINDIR="${disco_bin_to_plugin}/$<TARGET_FILE_NAME:extremeswitchagent>")

install(TARGETS extreme-disco RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS tolhost LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS extremeswitchagent LIBRARY DESTINATION ${DISCO_PLUGIN_INSTALL_DIR})
install(FILES ${HOST_HEADERS} DESTINATION ${DISCO_HEADER_ROOT}/host)
target_include_directories(tolhost INTERFACE $<INSTALL_INTERFACE:${DISCO_HEADER_ROOT}>)
file(RELATIVE_PATH DISCO_PC_TO_PREFIX /p/${CMAKE_INSTALL_LIBDIR}/pkgconfig /p)
configure_file(${PROJECT_SOURCE_DIR}/cmake/tolhost.pc.in ${PROJECT_BINARY_DIR}/tolhost.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/tolhost.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# `cpack -G DEB`: one package with the program, the plug-in, the host library and its headers.
# Its dependencies are the Debian packages of the libraries the binaries link (dpkg -S on each
# NEEDED entry); tcmalloc only when extreme-disco links it.
set(CPACK_PACKAGE_NAME extreme-disco)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "SNMP discovery of Extreme switches: interfaces, VLANs, FDB and EDP neighbours")
# Lines of at most 72 characters, as Debian descriptions want them.
set(CPACK_PACKAGE_DESCRIPTION
  "extreme-disco discovers Extreme Networks switches over SNMP (v1, v2c and\n\
v3): each switch's interfaces with card, port, MAC, IP address, status,\n\
spanning-tree state, VLANs and trunks, the MAC addresses its forwarding\n\
database learned behind each port, resolved to IP addresses, and the\n\
switches it hears through the Extreme Discovery Protocol. It writes what\n\
it found as JSON. The package holds the program, its switch agent\n\
plug-in, the host library and its headers.")
# The team that builds and answers for the package; the Debian Maintainer field takes its value.
set(CPACK_PACKAGE_CONTACT "Extreme Disco team <disco-team@localhost>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(disco_deb_depends libc6 libstdc++6 libgcc-s1 libsnmp40 libyaml-cpp0.7 libabsl${absl_VERSION})
if(TCMALLOC_LIBRARY AND DISCO_TCMALLOC AND NOT DISCO_SANITIZE AND NOT DISCO_TSAN)
  list(APPEND disco_deb_depends libtcmalloc-minimal4)
endif()
string(REPLACE ";" ", " CPACK_DEBIAN_PACKAGE_DEPENDS "${disco_deb_depends}")
include(CPack)
