# The Windows program as it ships: 32-bit, statically linked.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUARNET_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
# Tests of this build run under 32-bit Wine; scripts/test prepares the prefix and the display.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
