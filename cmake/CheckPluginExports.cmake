# Fails when the plug-in's dynamic symbol table defines anything beyond its ABI: DAInstantiate,
# the NSAgentVersion constants and the exported agent classes, or lacks one of the first five.
# Usage: cmake -DNM=<nm> -DPLUGIN=<libextremeswitchagent.so> -P CheckPluginExports.cmake
cmake_minimum_required(VERSION 3.19)
execute_process(COMMAND ${NM} -D --defined-only -C ${PLUGIN}
  OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${PLUGIN}")
endif()
set(classes "(CDiscoSwitchAgent|CDiscoExtreme3ComVlanSwitchAgent|CDiscoExtremeSwitchAgent|CDiscoFdbEntry)")
set(allowed "^(DAInstantiate|NSAgentVersion::g_Agent(MajorVersion|MinorVersion|Revision|Build)"
  "|DiscoSwitchAgentIpReplyThreadFn\\(void\\*, void\\*\\)"
  "|${classes}::.*|(vtable for |typeinfo for |typeinfo name for )${classes})$")
string(CONCAT allowed ${allowed})
string(REPLACE "\n" ";" lines "${listing}")
set(stray "")
set(found "")
foreach(line IN LISTS lines)
  # "<address> <type> <name>"
  if(NOT line MATCHES "^[0-9a-f]+ . (.+)$")
    continue()
  endif()
  set(name "${CMAKE_MATCH_1}")
  if(NOT name MATCHES "${allowed}")
    string(APPEND stray "  ${name}\n")
  endif()
  list(APPEND found "${name}")
endforeach()
if(stray)
  message(FATAL_ERROR "${PLUGIN} exports symbols outside its ABI:\n${stray}")
endif()
foreach(required DAInstantiate NSAgentVersion::g_AgentMajorVersion
    NSAgentVersion::g_AgentMinorVersion NSAgentVersion::g_AgentRevision
    NSAgentVersion::g_AgentBuild)
  if(NOT required IN_LIST found)
    message(FATAL_ERROR "${PLUGIN} does not export ${required}")
  endif()
endforeach()
