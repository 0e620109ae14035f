# Writes a DLL's module-definition file and the one of its import library, at build time:
#   cmake -DDEF_IN=<file> -DDLL_DEF=<file> -DIMPLIB_DEF=<file> -DPOINTER_SIZE=<4|8>
#         [-DROWS=<file> -DLIBRARY=<wsock32|ws2_32> -DWRAPPER_PREFIX=<prefix>] -P MakeDef.cmake
# DEF_IN is written with the i686 stdcall decorations. Its marker line @TRACED_CALLS@ becomes
# the calls that LIBRARY's agent exports, read from ROWS (ExportRows.h as the preprocessor
# expands it): "name = <prefix>name@<bytes> @<ordinal>", each parameter one 4-byte stack slot.
# The x86_64 DLL gets the names undecorated. The import library holds only the monitor's
# functions (SPA..., QSA..., q_...), so that a program linking it can never bind a Winsock name
# to the agent.
file(READ ${DEF_IN} text)

if(DEFINED ROWS)
  file(READ ${ROWS} expanded)
  string(REGEX MATCHALL "QUARNET_EXPORT [A-Za-z0-9_]+ [0-9]+ [0-9]+ [0-9]+" rows "${expanded}")
  if(NOT rows)
    message(FATAL_ERROR "${ROWS}: no calls")
  endif()
  set(column 3)
  if(LIBRARY STREQUAL "ws2_32")
    set(column 4)
  endif()
  set(calls "")
  foreach(row IN LISTS rows)
    string(REPLACE " " ";" fields "${row}")
    list(GET fields 1 name)
    list(GET fields 2 args)
    list(GET fields ${column} ordinal)
    if(NOT ordinal EQUAL 0)
      math(EXPR bytes "${args} * 4")
      string(APPEND calls "  ${name} = ${WRAPPER_PREFIX}${name}@${bytes} @${ordinal}\n")
    endif()
  endforeach()
  string(REPLACE "@TRACED_CALLS@\n" "${calls}" text "${text}")
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
