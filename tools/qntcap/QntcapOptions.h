// qntcap's command line: the options that narrow the trace, the trace file to write and the
// program to start with its arguments. Portable, so that its rules are tested natively;
// win32/qntcap.cpp follows what it yields.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "config/Options.h"

namespace qntcap {

// The trace file counts its records in 16 bits.
constexpr int32_t kMaxRecords = 65535;

inline constexpr const char* kUsage =
    "usage: qntcap [options] -o FILE.spy PROGRAM [ARGS...]\n"
    "Starts PROGRAM with its Winsock calls traced, as Launch Pgm does, and writes the trace\n"
    "to FILE.spy when it ends. qntcap's exit code is the program's.\n"
    "  --calls NAME,NAME...|all   the calls traced (default: the monitor's default filters)\n"
    "  --errors-only              only calls that failed\n"
    "  --no-ignore-would-block    trace calls failing with WSAEWOULDBLOCK too (default: not)\n"
    "  --socket N                 only calls on socket N\n"
    "  --save N|all               data bytes kept per call (default all)\n"
    "  --limit N                  records kept, the newest (1 to 65535, default 65535)\n"
    "  --text, --json             print each record as it arrives (as qntdump does)\n"
    "  --fail-on-loss             exit code 3 instead of 0 when reports were lost\n";

enum class Print { kNone, kText, kJson };

struct Arguments {
  config::Options options;  // the capture options and, as m_nTraceSize, --limit
  std::string output;
  std::string program;
  std::string programArgs;  // the program's arguments, each after a blank, as QuotedArgument
  Print print = Print::kNone;
  bool failOnLoss = false;
};

struct CommandLine {
  Arguments arguments;
  // Why the command line cannot be followed, naming the option or value at fault; empty when
  // it can.
  std::string error;
};

// `argument` as it stands in a command line, so that the C runtime's parser (and
// CommandLineToArgvW) reads it back unchanged: as it is when it is not empty and holds no blank
// or quote; else in quotes, each quote inside escaped by a backslash, and each run of
// backslashes that precedes a quote or the closing quote doubled.
std::string QuotedArgument(std::string_view argument);

// Reads the command line after the program's name. Options stand before PROGRAM; everything
// from PROGRAM on is the program's.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// Why the trace file `path` could not be written when the program ends, checked before it
// starts: its folder is missing, it is a folder or read-only, or no file can be created there.
// Empty when it can be written.
std::string OutputProblem(const std::filesystem::path& path);

}  // namespace qntcap
