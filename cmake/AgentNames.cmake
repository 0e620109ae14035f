# The agent libraries' names, read from their one home, src/protocol/AgentFiles.h:
#   QUARNET_AGENT_<MODULE>_<32|64>  the agent a 32- or 64-bit program loads in place of MODULE
#                                   (QUARNET_AGENT_WSOCK32_64 is Klvnt64)
#   QUARNET_AGENT_<MODULE>          the one of this build's width, the name of its target and file
#   QUARNET_AGENTS_32, _64          the agents of each width
set(quarnet_agent_files ${CMAKE_SOURCE_DIR}/src/protocol/AgentFiles.h)
set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${quarnet_agent_files})
set(quarnet_agent_row "^ *{\"([A-Z0-9_]+)\", {\"([A-Za-z0-9_]+)\", \"([A-Za-z0-9_]+)\"}},")
file(STRINGS ${quarnet_agent_files} quarnet_agent_rows REGEX "${quarnet_agent_row}")
if(NOT quarnet_agent_rows)
  message(FATAL_ERROR "${quarnet_agent_files}: no agent rows")
endif()
math(EXPR quarnet_own_width "${CMAKE_SIZEOF_VOID_P} * 8")
set(QUARNET_AGENTS_32)
set(QUARNET_AGENTS_64)
foreach(row IN LISTS quarnet_agent_rows)
  string(REGEX MATCH "${quarnet_agent_row}" row "${row}")
  set(QUARNET_AGENT_${CMAKE_MATCH_1}_32 ${CMAKE_MATCH_2})
  set(QUARNET_AGENT_${CMAKE_MATCH_1}_64 ${CMAKE_MATCH_3})
  set(QUARNET_AGENT_${CMAKE_MATCH_1} ${QUARNET_AGENT_${CMAKE_MATCH_1}_${quarnet_own_width}})
  list(APPEND QUARNET_AGENTS_32 ${CMAKE_MATCH_2})
  list(APPEND QUARNET_AGENTS_64 ${CMAKE_MATCH_3})
endforeach()
