# The same sources as a 64-bit Windows build, for running the Windows tests under 64-bit Wine
# on machines that cannot execute 32-bit Linux programs (and so cannot run 32-bit Wine).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUARNET_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
