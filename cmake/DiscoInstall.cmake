# Install layout, run-time search paths and the Debian package.
#   <prefix>/bin/extreme-disco
#   <prefix>/<libdir>/libtolhost.so.<major>        the host library, with its SONAME
#   <prefix>/<libdir>/extreme-disco/libextremeswitchagent.so
#   <prefix>/<includedir>/extreme-disco/host/*.h   the host headers, plug-in ABI included
#   <prefix>/<libdir>/pkgconfig/tolhost.pc         relocatable: paths relative to the .pc file
#   <prefix>/<mandir>/man1/extreme-disco.1.gz      when help2man is installed
#   <prefix>/lib/systemd/system/extreme-disco.{service,timer}   installed, never enabled
#   <prefix>/share/doc/extreme-disco/{copyright,changelog.Debian.gz,examples/scope.yaml}
#   <prefix>/share/lintian/overrides/extreme-disco
# Every path is relative to the prefix, so that `cmake --install build --prefix P` works for any P.
# The headers sit in a folder of their own: users include "host/X.h" with
# -I<prefix>/<includedir>/extreme-disco, and nothing lands in a bare /usr/include/host.
set(DISCO_PLUGIN_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/extreme-disco)
set(DISCO_HEADER_ROOT ${CMAKE_INSTALL_INCLUDEDIR}/extreme-disco)

set_target_properties(tolhost PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})

# The program finds the host library through $ORIGIN, and the plug-in (which it finds itself,
# relative to its own location: engine/cli/PluginLocation.h) finds it one folder up. The build tree
# keeps CMake's absolute build RPATHs.
file(RELATIVE_PATH disco_bin_to_lib /p/${CMAKE_INSTALL_BINDIR} /p/${CMAKE_INSTALL_LIBDIR})
file(RELATIVE_PATH disco_bin_to_plugin /p/${CMAKE_INSTALL_BINDIR} /p/${DISCO_PLUGIN_INSTALL_DIR})
file(RELATIVE_PATH disco_plugin_to_lib /p/${DISCO_PLUGIN_INSTALL_DIR} /p/${CMAKE_INSTALL_LIBDIR})
set_target_properties(extreme-disco PROPERTIES INSTALL_RPATH "$ORIGIN/${disco_bin_to_lib}")
set_target_properties(extremeswitchagent PROPERTIES INSTALL_RPATH "$ORIGIN/${disco_plugin_to_lib}")
target_compile_definitions(disco_cli PRIVATE
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

# The files a Debian system expects beside the program (packaging/README.md says what each is).
set(DISCO_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(DISCO_DOC_INSTALL_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/extreme-disco)
find_program(GZIP_PROGRAM gzip REQUIRED)

# extreme-disco(1), made from the program's --help by help2man: the page says what the program
# says, and changes with it. The version comes from the project: --version names the plug-in of
# the build tree, which is not the installed program's.
find_program(HELP2MAN_PROGRAM help2man)
if(HELP2MAN_PROGRAM)
  set(disco_man_page ${PROJECT_BINARY_DIR}/extreme-disco.1)
  add_custom_command(OUTPUT ${disco_man_page}.gz
    COMMAND ${HELP2MAN_PROGRAM} --no-info --version-string=${PROJECT_VERSION}
      --name "discover Extreme Networks switches and their topology over SNMP"
      --include ${DISCO_PACKAGING_DIR}/extreme-disco.h2m
      --output ${disco_man_page} $<TARGET_FILE:extreme-disco>
    COMMAND ${GZIP_PROGRAM} -9nf ${disco_man_page}
    DEPENDS extreme-disco ${DISCO_PACKAGING_DIR}/extreme-disco.h2m
    COMMENT "Generating the man page extreme-disco(1)" VERBATIM)
  add_custom_target(disco-man-page ALL DEPENDS ${disco_man_page}.gz)
  install(FILES ${disco_man_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(STATUS "help2man not found: no man page extreme-disco(1) (apt-get install help2man)")
endif()

# The service runs the package's program, /usr/bin/extreme-disco; after an install under another
# prefix the administrator overrides ExecStart (systemctl edit extreme-disco.service). Unit files
# are not placed by GNUInstallDirs: under the package's /usr they go to /usr/lib/systemd/system
# whatever the library folder is.
set(DISCO_UNIT_PROGRAM /usr/${CMAKE_INSTALL_BINDIR}/extreme-disco)
set(DISCO_SYSTEMD_UNIT_DIR lib/systemd/system CACHE STRING
  "Folder of the systemd units, relative to the prefix")
configure_file(${DISCO_PACKAGING_DIR}/extreme-disco.service.in
  ${PROJECT_BINARY_DIR}/extreme-disco.service @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/extreme-disco.service ${DISCO_PACKAGING_DIR}/extreme-disco.timer
  DESTINATION ${DISCO_SYSTEMD_UNIT_DIR})
# The example scope goes with the documentation; the scope in /etc is the administrator's alone.
install(FILES ${DISCO_PACKAGING_DIR}/scope.yaml DESTINATION ${DISCO_DOC_INSTALL_DIR}/examples)

# Debian's copyright file and changelog. The changelog's newest entry names the package's version.
file(STRINGS ${DISCO_PACKAGING_DIR}/changelog disco_changelog_top LIMIT_COUNT 1)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${DISCO_PACKAGING_DIR}/changelog)
if(NOT disco_changelog_top MATCHES "^extreme-disco \\(([^)]+)\\)")
  message(FATAL_ERROR "packaging/changelog: the first line is not a Debian changelog entry")
endif()
# The package is not a native Debian one: its version is the project's with a Debian revision, and
# its changelog is changelog.Debian.gz.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(disco_deb_version ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
if(NOT CMAKE_MATCH_1 STREQUAL disco_deb_version)
  message(FATAL_ERROR "packaging/changelog: the newest entry is ${CMAKE_MATCH_1}, the package "
    "${disco_deb_version}; add an entry for ${disco_deb_version}")
endif()
set(disco_changelog ${PROJECT_BINARY_DIR}/changelog.Debian)
add_custom_command(OUTPUT ${disco_changelog}.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${DISCO_PACKAGING_DIR}/changelog ${disco_changelog}
  COMMAND ${GZIP_PROGRAM} -9nf ${disco_changelog}
  DEPENDS ${DISCO_PACKAGING_DIR}/changelog VERBATIM)
add_custom_target(disco-changelog ALL DEPENDS ${disco_changelog}.gz)
install(FILES ${DISCO_PACKAGING_DIR}/copyright ${disco_changelog}.gz
  DESTINATION ${DISCO_DOC_INSTALL_DIR})
install(FILES ${DISCO_PACKAGING_DIR}/lintian-overrides
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME extreme-disco)

# `cpack -G DEB`: one package with the program, the plug-in, the host library and its headers.
# Its dependencies are the Debian packages of the libraries the binaries link (dpkg -S on each
# NEEDED entry); tcmalloc only when extreme-disco links it.
set(CPACK_PACKAGE_NAME extreme-disco)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "SNMP discovery of Extreme switches, their neighbours and the topology")
# Lines of at most 72 characters, as Debian descriptions want them.
set(CPACK_PACKAGE_DESCRIPTION
  "extreme-disco discovers Extreme Networks switches over SNMP (v1, v2c and\n\
v3): each switch's interfaces with card, port, MAC, IP address, status,\n\
spanning-tree state, VLANs and trunks; the MAC addresses its forwarding\n\
database learned behind each port, resolved to IP addresses through ARP\n\
data; its neighbours heard through the Extreme Discovery Protocol (EDP)\n\
and LLDP; and the VLAN-aware forwarding tables of EXOS switches and of\n\
standard bridges (Q-BRIDGE-MIB). From all switches it maps the topology:\n\
every link between switches with both ends' ports, and every host on its\n\
edge port, drawn as a Graphviz DOT or SVG picture. It writes what it\n\
found as JSON and prints a summary.\n\
.\n\
The package holds the program, its switch agent plug-in, the host\n\
library and its headers, a man page, and a systemd service and timer\n\
(disabled) for a discovery every 15 minutes.")
# The team that builds and answers for the package; the Debian Maintainer field takes its value.
set(CPACK_PACKAGE_CONTACT "Extreme Disco maintainers <maintainers@extreme-disco.org>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(disco_deb_depends libc6 libstdc++6 libgcc-s1 libsnmp40 libyaml-cpp0.7 libabsl${absl_VERSION}
  libsqlite3-0 libpq5 libcpp-httplib0.11)
if(TCMALLOC_LIBRARY AND DISCO_TCMALLOC AND NOT DISCO_SANITIZE AND NOT DISCO_TSAN)
  list(APPEND disco_deb_depends libtcmalloc-minimal4)
endif()
string(REPLACE ";" ", " CPACK_DEBIAN_PACKAGE_DEPENDS "${disco_deb_depends}")
# Vendors of MAC addresses in the inventory's answers (read at run time); --svg's dot program.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ieee-data, graphviz")
# The package's libtolhost.so.2 gets a shlibs entry, so that packages built against it depend on
# this one, and dpkg runs ldconfig (the triggers file) after installing or removing it. The
# maintainer scripts only tell systemd about the units (and stop them on removal): given, they
# also keep CPack from adding its own, which call ldconfig directly.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${DISCO_PACKAGING_DIR}/triggers
  ${DISCO_PACKAGING_DIR}/postinst ${DISCO_PACKAGING_DIR}/prerm ${DISCO_PACKAGING_DIR}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
