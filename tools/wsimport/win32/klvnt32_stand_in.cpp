// Stands in for the agent library in the launcher test: wsimport's copy exits with 42 when it
// loaded this library in place of the system's.
#include <windows.h>

extern "C" __declspec(dllexport) unsigned short WINAPI htons(unsigned short) {
  return 42 << 8;
}
