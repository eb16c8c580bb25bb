# Installs the build into a fresh prefix and discovers the sample network offline with the
# installed program: it must find its host library and its plug-in from the install tree alone.
# Usage: cmake -DBUILD_DIR=<build> -DSOURCE_DIR=<source> -DPREFIX=<scratch folder>
#   -DLIBDIR=<libdir> -DPLUGIN_DIR=<plug-in folder> (both relative to the prefix) -P <this file>
cmake_minimum_required(VERSION 3.19)
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
  RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install ${BUILD_DIR} --prefix ${PREFIX} failed: ${status}")
endif()
foreach(installed bin/extreme-disco ${PLUGIN_DIR}/libextremeswitchagent.so
    include/host/DiscoPluginAbi.h ${LIBDIR}/pkgconfig/tolhost.pc)
  if(NOT EXISTS ${PREFIX}/${installed})
    message(FATAL_ERROR "${PREFIX}/${installed} was not installed")
  endif()
endforeach()

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
