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

file(GLOB QUARNET_WIN32_SUBDIRS CONFIGURE_DEPENDS
     ${CMAKE_SOURCE_DIR}/src/*/win32/CMakeLists.txt
     ${CMAKE_SOURCE_DIR}/tools/*/win32/CMakeLists.txt)
foreach(cml IN LISTS QUARNET_WIN32_SUBDIRS)
  get_filename_component(dir ${cml} DIRECTORY)
  add_subdirectory(${dir})
endforeach()

add_subdirectory(tests/win32)
add_subdirectory(bench/win32)
add_subdirectory(tests/e2e)
