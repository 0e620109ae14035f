// wscwd: starts Winsock (one traced call each way), then writes its current directory to
// standard output, followed by its arguments as it received them, one a line, and the directory
// alone to "wscwd.txt" in that directory, a relative path, as a program that opens its own files
// does. Exit code 0 when Winsock started and the file was written.
//   wscwd [ARGS...]
//   wscwd crash      dereferences null once Winsock has started: a traced program that crashes
#include <windows.h>
#include <winsock.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  WSADATA data{};
  const bool started = WSAStartup(MAKEWORD(1, 1), &data) == 0;
  if (argc == 2 && std::strcmp(argv[1], "crash") == 0) {
    int* volatile nowhere = nullptr;
    *nowhere = 1;
  }
  char folder[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, folder);
  std::printf("%s\n", folder);
  for (int i = 1; i < argc; ++i) std::printf("%s\n", argv[i]);
  std::FILE* file = std::fopen("wscwd.txt", "w");
  if (file != nullptr) {
    std::fprintf(file, "%s\n", folder);
    std::fclose(file);
  }
  if (started) WSACleanup();
  return started && file != nullptr ? 0 : 1;
}
