// klvnt32b.dll holds no code of its own: every export forwards to the system's WSOCK32.DLL
// (klvnt32b.def). A DLL still needs an entry point.
#include <windows.h>
#include <winsock.h>

// A forwarder does not hold the library it forwards to when another library had loaded it
// first (Wine): once Klvnt32.dll, which imports it, is freed, the monitor's socket functions
// would point into an unloaded library. Importing it holds it as long as this library.
[[gnu::used]] static const auto kHoldsSystemLibrary = &WSAGetLastError;

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
  return TRUE;
}
