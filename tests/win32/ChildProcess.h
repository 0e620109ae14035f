// Running a program under test and collecting what it printed, for the Windows tests.
#pragma once

#include <windows.h>

#include <string>

// A path given on the command line by the build, which under Wine is a Unix path: "/a/b"
// becomes "Z:\a\b" (Wine's drive for the root); Windows paths stay as they are.
inline std::string WindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

inline std::string DirectoryOf(const std::string& path) {
  return path.substr(0, path.find_last_of("\\/"));
}

struct ChildResult {
  bool started = false;
  DWORD exitCode = 0;
  DWORD processId = 0;
  std::string output;  // stdout and stderr
};

// Runs `path` with `arguments` in its own folder and waits up to a minute for it to end.
inline ChildResult RunChild(const std::string& path, const std::string& arguments) {
  ChildResult result;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return result;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = writeEnd;
  si.hStdError = writeEnd;
  PROCESS_INFORMATION pi{};
  std::string commandLine = "\"" + path + "\" " + arguments;
  const std::string directory = DirectoryOf(path);
  result.started = CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                                  nullptr, directory.c_str(), &si, &pi) != 0;
  CloseHandle(writeEnd);
  if (result.started) {
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) {
      result.output.append(buffer, got);
    }
    WaitForSingleObject(pi.hProcess, 60000);
    GetExitCodeProcess(pi.hProcess, &result.exitCode);
    result.processId = pi.dwProcessId;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  CloseHandle(readEnd);
  return result;
}
