# Writes a DLL's module-definition file and the one of its import library, at build time:
#   cmake -DDEF_IN=<file> -DDLL_DEF=<file> -DIMPLIB_DEF=<file> -DDLL=<name> -DPOINTER_SIZE=<4|8>
#         [-DROWS=<file> -DLIBRARY=<wsock32|ws2_32> -DWRAPPER_PREFIX=<prefix>]
#         [-DSYSTEM_DLL=<file> -DOBJDUMP=<tool> -DFORWARD_TO=<module>] -P MakeDef.cmake
# DEF_IN is written with the i686 stdcall decorations; @DLL@ in it becomes the DLL's file name. Its marker line @TRACED_CALLS@ becomes
# the calls that LIBRARY's agent exports, read from ROWS (ExportRows.h as the preprocessor
# expands it): "name = <prefix>key@<bytes> @<ordinal>", each parameter one 4-byte stack slot.
# Its marker line @FORWARDED_CALLS@ becomes every other export of SYSTEM_DLL, the system
# library as OBJDUMP reads it: "name = <module>.name @<ordinal>", forwarded to FORWARD_TO.
# The x86_64 DLL gets the names undecorated. The import library holds only the monitor's
# functions (SPA..., QSA..., q_...), so that a program linking it can never bind a Winsock name
# to the agent.
cmake_minimum_required(VERSION 3.25)
file(READ ${DEF_IN} text)
string(REPLACE "@DLL@" "${DLL}" text "${text}")

if(DEFINED ROWS)
  file(READ ${ROWS} expanded)
  string(REGEX MATCHALL "QUARNET_EXPORT [A-Za-z0-9_]+ [A-Za-z0-9_]+ [0-9]+ [0-9]+ [0-9]+" rows "${expanded}")
  if(NOT rows)
    message(FATAL_ERROR "${ROWS}: no calls")
  endif()
  set(column 4)
  if(LIBRARY STREQUAL "ws2_32")
    set(column 5)
  endif()
  set(calls "")
  foreach(row IN LISTS rows)
    string(REPLACE " " ";" fields "${row}")
    list(GET fields 1 name)
    list(GET fields 2 key)
    list(GET fields 3 args)
    list(GET fields ${column} ordinal)
    if(NOT ordinal EQUAL 0)
      list(APPEND traced_ordinals ${ordinal})
      math(EXPR bytes "${args} * 4")
      string(APPEND calls "  ${name} = ${WRAPPER_PREFIX}${key}@${bytes} @${ordinal}\n")
    endif()
  endforeach()
  string(REPLACE "@TRACED_CALLS@\n" "${calls}" text "${text}")
endif()

if(DEFINED SYSTEM_DLL)
  execute_process(COMMAND ${OBJDUMP} -p ${SYSTEM_DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
  string(REGEX MATCH "Ordinal Base ([0-9]+)" base "${dump}")
  set(base ${CMAKE_MATCH_1})
  string(FIND "${dump}" "[Ordinal/Name Pointer] Table\n" start)
  if(failed OR NOT base OR start EQUAL -1)
    message(FATAL_ERROR "${SYSTEM_DLL}: no export table")
  endif()
  string(SUBSTRING "${dump}" ${start} -1 table)
  string(FIND "${table}" "\n\n" end)
  string(SUBSTRING "${table}" 0 ${end} table)
  # "[  23] FreeAddrInfoEx": the index of the named entry of the address table; its ordinal is
  # the index plus the ordinal base. A forwarder serves a data export as well as a function.
  string(REGEX MATCHALL "\t\\[ *[0-9]+\\] [^\n]+" names "${table}")
  # An export without a name, which programs import by ordinal, would need a forwarder by
  # ordinal. Wine's libraries have none; should one appear, the build stops rather than leave a
  # gap that keeps a program importing it from loading.
  string(REGEX MATCHALL "[+]base\\[ *[0-9]+\\] +[0-9a-f]+ (Export|Forwarder) RVA" addresses
         "${dump}")
  list(LENGTH names named)
  list(LENGTH addresses exported)
  if(named EQUAL 0 OR NOT named EQUAL exported)
    message(FATAL_ERROR "${SYSTEM_DLL}: ${exported} exports, ${named} of them named")
  endif()
  set(forwards "")
  foreach(entry IN LISTS names)
    string(REGEX MATCH "\\[ *([0-9]+)\\] ([^ ]+)" entry "${entry}")
    math(EXPR ordinal "${CMAKE_MATCH_1} + ${base}")
    if(NOT ordinal IN_LIST traced_ordinals)
      list(APPEND forwards "${ordinal} ${CMAKE_MATCH_2}")
    endif()
  endforeach()
  list(SORT forwards COMPARE NATURAL)
  set(lines "")
  foreach(forward IN LISTS forwards)
    string(REPLACE " " ";" fields "${forward}")
    list(GET fields 0 ordinal)
    list(GET fields 1 name)
    string(APPEND lines "  ${name} = ${FORWARD_TO}.${name} @${ordinal}\n")
  endforeach()
  string(REPLACE "@FORWARDED_CALLS@\n" "${lines}" text "${text}")
endif()

# One list element per line; the .def comment sign ";" would split a CMake list.
string(REPLACE ";" "<semicolon>" text "${text}")
string(REPLACE "\n" ";" lines "${text}")
set(dll_text "")
set(implib_text "")
foreach(line IN LISTS lines)
  if(POINTER_SIZE EQUAL 8)
    string(REGEX REPLACE "([A-Za-z0-9_])@[0-9]+" "\\1" line "${line}")
  endif()
  string(REPLACE "<semicolon>" ";" line "${line}")
  string(APPEND dll_text "${line}\n")
  if(line MATCHES "^(LIBRARY|EXPORTS)" OR line MATCHES "^ +(SPA|QSA|q_)")
    string(APPEND implib_text "${line}\n")
  endif()
endforeach()

# Only when changed, so that what links them is not made again for nothing.
foreach(pair "DLL_DEF;dll_text" "IMPLIB_DEF;implib_text")
  list(GET pair 0 path_var)
  list(GET pair 1 text_var)
  file(WRITE ${${path_var}}.tmp "${${text_var}}")
  file(COPY_FILE ${${path_var}}.tmp ${${path_var}} ONLY_IF_DIFFERENT)
  file(REMOVE ${${path_var}}.tmp)
endforeach()
