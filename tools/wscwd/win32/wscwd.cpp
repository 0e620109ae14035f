// wscwd: starts Winsock (one traced call each way), then writes its current directory to
// standard output and to "wscwd.txt" in that directory, a relative path, as a program that opens
// its own files does. Exit code 0 when Winsock started and the file was written.
#include <windows.h>
#include <winsock.h>

#include <cstdio>

int main() {
  WSADATA data{};
  const bool started = WSAStartup(MAKEWORD(1, 1), &data) == 0;
  char folder[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, folder);
  std::printf("%s\n", folder);
  std::FILE* file = std::fopen("wscwd.txt", "w");
  if (file != nullptr) {
    std::fprintf(file, "%s\n", folder);
    std::fclose(file);
  }
  if (started) WSACleanup();
  return started && file != nullptr ? 0 : 1;
}
