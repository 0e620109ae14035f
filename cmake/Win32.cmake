# The Windows half: quarnet.exe, the two agent libraries, the sample programs and the tests
# that run them under Wine. Everything is linked statically so that the three files are all a
# user copies.
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501)
enable_language(RC)
# windres runs the C preprocessor on a script: have it list the files the script includes (the
# id headers and the command list), so that a change to one of them rebuilds the resources.
set(CMAKE_DEPFILE_FLAGS_RC
    "--preprocessor-arg=-MMD --preprocessor-arg=-MF --preprocessor-arg=<DEP_FILE> --preprocessor-arg=-MT --preprocessor-arg=<OBJECT>")
set(QUARNET_WIN32_LINK_FLAGS -static -static-libgcc -static-libstdc++)
# The Winsock 2 calls of Windows Vista and later (WSAPoll, inet_pton, InetNtopW ...) are declared
# only for that version: a directory whose programs make or wrap them declares it for all of them.
macro(quarnet_winsock2_directory)
  get_directory_property(quarnet_defs COMPILE_DEFINITIONS)
  list(REMOVE_ITEM quarnet_defs _WIN32_WINNT=0x0501)
  list(APPEND quarnet_defs _WIN32_WINNT=0x0600)
  set_directory_properties(PROPERTIES COMPILE_DEFINITIONS "${quarnet_defs}")
endmacro()

include(${CMAKE_CURRENT_LIST_DIR}/AgentNames.cmake)
# Where the agent libraries go: bin/, beside quarnet.exe; a build of the other width's agents
# writes them into the bin/ of the build it serves.
set(QUARNET_AGENT_DIR ${CMAKE_BINARY_DIR}/bin CACHE PATH "Where the agent libraries are written")

if(QUARNET_AGENTS_ONLY)
  foreach(dir src/agent/win32 tools/wsdemo/win32 tools/wsdemo2/win32 tools/wsboth/win32)
    add_subdirectory(${CMAKE_SOURCE_DIR}/${dir} ${dir})
  endforeach()
  return()
endif()

file(GLOB QUARNET_WIN32_SUBDIRS CONFIGURE_DEPENDS
     ${CMAKE_SOURCE_DIR}/src/*/win32/CMakeLists.txt
     ${CMAKE_SOURCE_DIR}/tools/*/win32/CMakeLists.txt)
foreach(cml IN LISTS QUARNET_WIN32_SUBDIRS)
  get_filename_component(dir ${cml} DIRECTORY)
  add_subdirectory(${dir})
endforeach()

# What the monitor needs beside it: the agents it can hand a program, and its socket library.
add_custom_target(agents)
add_dependencies(agents ${QUARNET_AGENT_WSOCK32} ${QUARNET_AGENT_WS2_32} klvnt32b)

add_subdirectory(tests/win32)
add_subdirectory(bench/win32)
add_subdirectory(tests/e2e)

# The 32-bit monitor traces 64-bit programs too: the x86_64 agents go into this build's bin/
# from an x86_64 build of the agents alone in x86_64/, whose bin/ holds the 64-bit demo programs
# (wsdemo, wsdemo2 and wsboth).
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  include(ExternalProject)
  ExternalProject_Add(agents_x86_64
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/x86_64
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/x86_64-w64-mingw32.cmake
               -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE} -DQUARNET_AGENTS_ONLY=ON
               -DQUARNET_AGENT_DIR=${CMAKE_BINARY_DIR}/bin
               -DCMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER}
               -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    BUILD_BYPRODUCTS ${CMAKE_BINARY_DIR}/bin/${QUARNET_AGENT_WSOCK32_64}.dll
                     ${CMAKE_BINARY_DIR}/bin/${QUARNET_AGENT_WS2_32_64}.dll)
  add_dependencies(agents agents_x86_64)
endif()
