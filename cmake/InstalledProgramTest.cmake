# Installs the build into a fresh prefix and discovers the sample network offline with the
# installed program: it must find its host library and its plug-in from the install tree alone.
# The installed headers must compile on their own with the flags tolhost.pc gives, and the
# example scope shipped for the systemd service must be one the program accepts.
# Usage: cmake -DBUILD_DIR=<build> -DSOURCE_DIR=<source> -DPREFIX=<scratch folder>
#   -DLIBDIR=<libdir> -DPLUGIN_DIR=<plug-in folder> -DUNIT_DIR=<systemd units> -DDOC_DIR=<docs>
#   -DMAN_PAGE=<man page or empty when help2man is missing> (all relative to the prefix)
#   -DCXX=<C++ compiler> -DPKG_CONFIG=<pkg-config> -P <this file>
cmake_minimum_required(VERSION 3.19)
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
  RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install ${BUILD_DIR} --prefix ${PREFIX} failed: ${status}")
endif()
foreach(installed bin/extreme-disco ${PLUGIN_DIR}/libextremeswitchagent.so
    include/extreme-disco/host/DiscoPluginAbi.h ${LIBDIR}/pkgconfig/tolhost.pc
    ${UNIT_DIR}/extreme-disco.service ${UNIT_DIR}/extreme-disco.timer
    ${DOC_DIR}/examples/scope.yaml ${DOC_DIR}/copyright ${DOC_DIR}/changelog.Debian.gz ${MAN_PAGE})
  if(NOT EXISTS ${PREFIX}/${installed})
    message(FATAL_ERROR "${PREFIX}/${installed} was not installed")
  endif()
endforeach()
if(EXISTS ${PREFIX}/include/host)
  message(FATAL_ERROR "${PREFIX}/include/host: the host headers belong in include/extreme-disco/")
endif()

# pkg-config names the headers' root, from which every installed header compiles as its users
# include it ("host/X.h"), without the build tree's include roots.
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${PREFIX}/${LIBDIR}/pkgconfig
    ${PKG_CONFIG} --cflags tolhost
  RESULT_VARIABLE status OUTPUT_VARIABLE cflags ERROR_VARIABLE err OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "pkg-config --cflags tolhost failed: ${status}\n${err}")
endif()
if(NOT cflags MATCHES "^-I([^ ]+)$")
  message(FATAL_ERROR "pkg-config --cflags tolhost gave '${cflags}', not one -I folder")
endif()
file(REAL_PATH ${CMAKE_MATCH_1} header_root)
file(REAL_PATH ${PREFIX}/include/extreme-disco expected_root)
if(NOT header_root STREQUAL expected_root)
  message(FATAL_ERROR "pkg-config --cflags tolhost names ${header_root}, not ${expected_root}")
endif()
file(GLOB headers RELATIVE ${header_root} ${header_root}/host/*.h)
set(includes "")
foreach(h ${headers})
  string(APPEND includes "#include \"${h}\"\n")
endforeach()
file(WRITE ${PREFIX}/all-headers.cc "${includes}")
execute_process(COMMAND ${CXX} -std=c++17 -fsyntax-only ${cflags} ${PREFIX}/all-headers.cc
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the installed headers do not compile with ${cflags}:\n${out}\n${err}")
endif()

# No LD_LIBRARY_PATH: the installed RPATHs must do.
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH
    ${PREFIX}/bin/extreme-disco --scope examples/sample-network.yaml
    --replay examples/sample-network --sleep-scale 0.001 -o ${PREFIX}/r.json
  WORKING_DIRECTORY ${SOURCE_DIR}
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "installed extreme-disco exited with ${status}\n${out}\n${err}")
endif()
file(READ ${PREFIX}/r.json results)
string(JSON discovered GET "${results}" run discovered)
string(JSON devices LENGTH "${results}" devices)
if(NOT discovered EQUAL 5 OR NOT devices EQUAL 5)
  message(FATAL_ERROR "expected 5 discovered devices, got ${discovered} of ${devices}")
endif()
# The plug-in that did the work is the installed one, not the build tree's.
string(JSON plugin GET "${results}" agent plugin)
file(REAL_PATH ${PREFIX}/${PLUGIN_DIR}/libextremeswitchagent.so expected)
file(REAL_PATH ${plugin} loaded)
if(NOT loaded STREQUAL expected)
  message(FATAL_ERROR "the installed program loaded ${plugin}, not ${expected}")
endif()

# The example scope, copied as the README says (mode 600: it holds secrets), parses and names its
# devices. Empty recordings stand in for the switches and nothing is pinged: no packet leaves.
set(scope ${PREFIX}/etc/extreme-disco/scope.yaml)
file(COPY ${PREFIX}/${DOC_DIR}/examples/scope.yaml DESTINATION ${PREFIX}/etc/extreme-disco
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE)
set(example_devices 192.0.2.1 core-1 edge-1 edge-2)
file(MAKE_DIRECTORY ${PREFIX}/recordings)
foreach(device ${example_devices})
  file(TOUCH ${PREFIX}/recordings/${device}.snmprec)
endforeach()
execute_process(
  COMMAND ${PREFIX}/bin/extreme-disco --quiet --scope ${scope} --replay ${PREFIX}/recordings
    --no-ping --sleep-scale 0.001 -o ${PREFIX}/example.json
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
# 1: the run finished, but the empty recordings answered nothing.
if(NOT status EQUAL 1)
  message(FATAL_ERROR "the example scope's run exited with ${status}, not 1\n${out}\n${err}")
endif()
file(READ ${PREFIX}/example.json results)
string(JSON devices LENGTH "${results}" devices)
list(LENGTH example_devices expected)
if(NOT devices EQUAL expected)
  message(FATAL_ERROR "the example scope gave ${devices} devices, not ${expected}")
endif()
