// qntdump: prints every record of a trace file (".spy") as the clipboard export lays out the
// range All, as JSON lines, or writes its data as packets, for scripts and for reading a trace
// without the monitor at hand.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/SettingsFile.h"
#include "display/ClipboardText.h"
#include "format/DisplayModes.h"
#include "format/PacketExport.h"
#include "format/TraceJson.h"
#include "store/FileIo.h"
#include "store/TraceFile.h"

namespace {

constexpr int kExitUnreadable = 1;
constexpr int kExitShortFile = 2;
constexpr int kExitUsage = 64;

constexpr const char* kUsage =
    "usage: qntdump [options] FILE.spy\n"
    "Prints the records of a trace file as Copy to Clipboard lays them out.\n"
    "  --json                         one JSON object per record instead (see the README)\n"
    "  --pcap OUT.pcap                write the data sent and received as packets to OUT.pcap\n"
    "                                 and print nothing (unless --json is given too)\n"
    "  --time, --no-time              time of day in front of each call (default on)\n"
    "  --verbose, --brief             address lines and data dumps (default brief)\n"
    "  --vert-space, --no-vert-space  an empty line after each record (default on)\n"
    "  --data-only, --no-data-only    only the data dumps (default off)\n"
    "  --limit N, --entire            data bytes dumped per record (default entire)\n"
    "  --range FROM-TO                records FROM to TO, counted from 1 (default all)\n"
    "  --crlf                         CR LF line ends, as on the clipboard\n"
    "  --settings FILE                display modes from a settings file (quarnt32.cfg);\n"
    "                                 the options above win over it\n"
    "  --help, --version              this text, the version\n"
    "Exit status: 0 done, 1 a file cannot be read or is not a trace file, 2 the trace file\n"
    "ends early (its complete records are printed), 64 bad options.\n";

struct Arguments {
  std::optional<bool> showTime, verbose, vertSpace, dataOnly;
  std::optional<int32_t> byteLimit;  // -1 for the entire data
  std::optional<std::pair<int32_t, int32_t>> range;
  bool crlf = false;
  bool help = false;
  bool version = false;
  bool json = false;
  std::optional<std::string> pcap;
  std::optional<std::string> settings;
  std::string file;
};

std::optional<int32_t> ParseNumber(std::string_view text) {
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
  return value;
}

std::optional<std::pair<int32_t, int32_t>> ParseRange(std::string_view text) {
  const size_t dash = text.find('-');
  if (dash == std::string_view::npos) return std::nullopt;
  const auto from = ParseNumber(text.substr(0, dash));
  const auto to = ParseNumber(text.substr(dash + 1));
  if (!from || !to) return std::nullopt;
  return std::pair(*from, *to);
}

// Nothing when the command line is not understood.
std::optional<Arguments> ParseArguments(int argc, char** argv) {
  Arguments args;
  bool haveFile = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    // Options that take a value.
    if (arg == "--limit" || arg == "--range" || arg == "--settings" || arg == "--pcap") {
      if (i + 1 == argc) return std::nullopt;
      const std::string_view value = argv[++i];
      if (arg == "--limit") {
        args.byteLimit = ParseNumber(value);
        if (!args.byteLimit) return std::nullopt;
      } else if (arg == "--range") {
        args.range = ParseRange(value);
        if (!args.range) return std::nullopt;
      } else if (arg == "--pcap") {
        args.pcap = std::string(value);
      } else {
        args.settings = std::string(value);
      }
    } else if (arg == "--time" || arg == "--no-time") {
      args.showTime = arg == "--time";
    } else if (arg == "--verbose" || arg == "--brief") {
      args.verbose = arg == "--verbose";
    } else if (arg == "--vert-space" || arg == "--no-vert-space") {
      args.vertSpace = arg == "--vert-space";
    } else if (arg == "--data-only" || arg == "--no-data-only") {
      args.dataOnly = arg == "--data-only";
    } else if (arg == "--entire") {
      args.byteLimit = -1;
    } else if (arg == "--json") {
      args.json = true;
    } else if (arg == "--crlf") {
      args.crlf = true;
    } else if (arg == "--help") {
      args.help = true;
    } else if (arg == "--version") {
      args.version = true;
    } else if (arg.starts_with("-") || haveFile) {
      return std::nullopt;
    } else {
      args.file = std::string(arg);
      haveFile = true;
    }
  }
  if (!haveFile && !args.help && !args.version) return std::nullopt;
  return args;
}

int Usage() {
  std::fputs(kUsage, stderr);
  return kExitUsage;
}

int Fail(const std::string& file, const char* why) {
  std::fprintf(stderr, "qntdump: %s: %s\n", file.c_str(), why);
  return kExitUnreadable;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Arguments> args = ParseArguments(argc, argv);
  if (!args) return Usage();
  if (args->version) {
    std::puts("qntdump " QUARNET_VERSION);
    return 0;
  }
  if (args->help) {
    std::fputs(kUsage, stdout);
    return 0;
  }

  // The program's defaults, except that the whole data is dumped unless a limit is asked for.
  format::DisplayModes modes;
  if (args->settings) {
    const auto bytes = store::ReadWholeFile(*args->settings, config::kSettingsFileSize);
    if (!bytes) return Fail(*args->settings, "cannot read the settings file");
    config::Options options;
    ReadSettings(*bytes, options);  // a foreign or short file leaves the defaults
    modes = format::DisplayModes::FromOptions(options);
  }
  modes.showTime = args->showTime.value_or(modes.showTime);
  modes.verbose = args->verbose.value_or(modes.verbose);
  modes.vertSpace = args->vertSpace.value_or(modes.vertSpace);
  modes.dataOnly = args->dataOnly.value_or(modes.dataOnly);
  modes.byteLimit = args->byteLimit.value_or(modes.byteLimit);

  std::ifstream file(args->file, std::ios::binary);
  if (!file) return Fail(args->file, "cannot read the file");
  const store::TraceFileContents contents = store::ReadTraceFile(file);
  if (contents.status == store::TraceFileStatus::kForeignHeader) {
    return Fail(args->file, "not a trace file (the header is not \"QNT32 1.00\")");
  }

  const int32_t count =
      contents.hasCount ? contents.declaredCount : static_cast<int32_t>(contents.records.size());
  int32_t from = 1;
  int32_t to = count;
  if (args->range) {
    std::tie(from, to) = *args->range;
    if (from < 1 || from > to || to > count) {
      std::fprintf(stderr, "qntdump: %s: --range %d-%d is outside the records 1-%d\n",
                   args->file.c_str(), from, to, count);
      return Usage();
    }
  }

  // A file that ends early holds fewer records than its count says.
  const size_t last = std::min(static_cast<size_t>(to), contents.records.size());
  const size_t first = std::min(static_cast<size_t>(from - 1), last);
  const auto shown = std::span(contents.records).subspan(first, last - first);
  if (args->pcap) {
    const std::vector<uint8_t> pcap = format::WritePcap(shown);
    if (!store::WriteFileReplacing(*args->pcap, pcap))
      return Fail(*args->pcap, "cannot write the file");
  }
  std::string text;
  if (args->json) {
    for (size_t i = 0; i < shown.size(); ++i) {
      text += format::RecordJson(*shown[i], static_cast<int32_t>(first + i + 1)) + "\n";
    }
  } else if (!args->pcap) {
    text =
        display::MakeClipboardText(contents.records, from, to, modes, args->crlf ? "\r\n" : "\n");
  }
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout)) {
    std::fprintf(stderr, "qntdump: cannot write the output\n");
    return kExitUnreadable;
  }
  if (contents.status == store::TraceFileStatus::kShort) {
    std::fprintf(stderr, "qntdump: %s: %s\n", args->file.c_str(),
                 TraceFileMessage(contents).c_str());
    return kExitShortFile;
  }
  return 0;
}
