// The agent libraries' names, written once: each Winsock library a program may load by name, and
// the agents that take its place in 32-bit and in 64-bit programs. Every file, target and text
// that names an agent derives from this table: the build reads its rows (cmake/AgentNames.cmake),
// and so do the scripts (scripts/agent-names); keep each row on one line.
#pragma once

#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>

namespace protocol {

// The width of a program, and of the agents it can load.
enum class Width : size_t { k32, k64 };
inline constexpr size_t kWidthCount = 2;
// The width this code is built for: a monitor contacts the agents through its own width's.
inline constexpr Width kOwnWidth = sizeof(void*) == 8 ? Width::k64 : Width::k32;

// A Winsock library as a program names it, without ".DLL", and its agent for each width, without
// ".dll", as long as the library's name (the launcher rewrites it in place).
struct AgentFile {
  std::string_view module;
  std::string_view agent[kWidthCount];

  constexpr std::string_view Agent(Width width) const { return agent[static_cast<size_t>(width)]; }
};

// The rows of kAgentFiles.
enum AgentRow : size_t { kWsock32, kWs2_32 };

inline constexpr AgentFile kAgentFiles[] = {
    {"WSOCK32", {"Klvnt32", "Klvnt64"}},  // kWsock32
    {"WS2_32", {"KL2_32", "KL2_64"}},     // kWs2_32
};
inline constexpr size_t kAgentRowCount = std::size(kAgentFiles);

// "Klvnt64.dll": the file of an agent.
inline std::string AgentDll(AgentRow row, Width width = kOwnWidth) {
  return std::string(kAgentFiles[row].Agent(width)) + ".dll";
}

}  // namespace protocol
