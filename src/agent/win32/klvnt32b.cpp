// klvnt32b.dll holds no code of its own: every export forwards to the system's WSOCK32.DLL
// (klvnt32b.def). A DLL still needs an entry point.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
  return TRUE;
}
