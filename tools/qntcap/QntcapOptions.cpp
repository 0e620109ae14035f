#include "QntcapOptions.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <optional>
#include <string_view>
#include <system_error>

#include "protocol/Calls.h"
#include "store/FileIo.h"

namespace qntcap {

namespace {

constexpr std::string_view kValuedOptions[] = {"-o", "--calls", "--socket", "--save", "--limit"};

std::optional<int32_t> Number(std::string_view text, int32_t low, int32_t high) {
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
    return std::nullopt;
  }
  return value;
}

std::string Bounds(int32_t low, int32_t high) {
  return std::to_string(low) + " to " + std::to_string(high);
}

// Traces the calls of `list` and no others; the first name that names no call, if any.
std::optional<std::string_view> SetCalls(config::Options& options, std::string_view list) {
  options.m_apiEnable.fill(list == "all" ? 1 : 0);
  if (list == "all") return std::nullopt;
  while (!list.empty()) {
    const size_t comma = list.find(',');
    const std::string_view name = list.substr(0, comma);
    const auto call =
        std::ranges::find(protocol::calls::kCalls, name, &protocol::calls::Call::name);
    if (call == std::end(protocol::calls::kCalls)) return name;
    options.m_apiEnable[call->flag] = 1;
    list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
  }
  return std::nullopt;
}

}  // namespace

std::string QuotedArgument(std::string_view argument) {
  if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string_view::npos) {
    return std::string(argument);
  }
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    quoted += c;
    backslashes = 0;
  }
  quoted.append(2 * backslashes, '\\');
  return quoted + '"';
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  Arguments& parsed = line.arguments;
  parsed.options.m_bSaveEntire = 1;
  parsed.options.m_nTraceSize = kMaxRecords;
  const auto refuse = [&line](std::string error) {
    line.error = std::move(error);
    return line;
  };
  size_t i = 0;
  for (; i < args.size() && args[i].starts_with('-'); ++i) {
    const std::string& option = args[i];
    if (option == "--errors-only") {
      parsed.options.m_bErrorsOnly = 1;
    } else if (option == "--no-ignore-would-block") {
      parsed.options.m_bIgnoreWouldBlock = 0;
    } else if (option == "--text") {
      parsed.print = Print::kText;
    } else if (option == "--json") {
      parsed.print = Print::kJson;
    } else if (option == "--fail-on-loss") {
      parsed.failOnLoss = true;
    } else if (std::ranges::find(kValuedOptions, option) == std::end(kValuedOptions)) {
      return refuse(option + ": unknown option");
    } else if (i + 1 == args.size()) {
      return refuse(option + ": needs a value");
    } else {
      const std::string& value = args[++i];
      const std::string named = option + " " + value + ": ";
      if (option == "-o") {
        parsed.output = value;
      } else if (option == "--calls") {
        if (const auto unknown = SetCalls(parsed.options, value)) {
          return refuse(named + "no call named \"" + std::string(*unknown) + "\"");
        }
      } else if (option == "--socket") {
        const auto socket = Number(value, 0, INT32_MAX);
        if (!socket) return refuse(named + "must be " + Bounds(0, INT32_MAX));
        parsed.options.m_bRestrictSocket = 1;
        parsed.options.m_nSocketId = *socket;
      } else if (option == "--save") {
        const auto bytes = value == "all" ? std::optional(0) : Number(value, 0, INT32_MAX);
        if (!bytes) return refuse(named + "must be all or " + Bounds(0, INT32_MAX));
        parsed.options.m_bSaveEntire = value == "all" ? 1 : 0;
        parsed.options.m_nSaveBytes = *bytes;
      } else {
        const auto limit = Number(value, 1, kMaxRecords);
        if (!limit) return refuse(named + "must be " + Bounds(1, kMaxRecords));
        parsed.options.m_nTraceSize = *limit;
      }
    }
  }
  if (parsed.output.empty()) return refuse("no trace file: -o FILE.spy");
  if (i == args.size()) return refuse("no program to trace");
  parsed.program = args[i];
  for (++i; i < args.size(); ++i) {
    parsed.programArgs += ' ';
    parsed.programArgs += QuotedArgument(args[i]);
  }
  return line;
}

std::string OutputProblem(const std::filesystem::path& path) {
  std::error_code ec;
  const std::filesystem::path folder = path.parent_path();
  if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
    return "its folder does not exist";
  }
  if (std::filesystem::is_directory(path, ec)) return "is a folder";
  if (store::IsReadOnlyFile(path)) return "is read-only";
  if (!store::CanWriteReplacing(path)) return "cannot be created";
  return {};
}

}  // namespace qntcap
