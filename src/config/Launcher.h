// Launch Pgm's file work: a copy of the chosen executable beside it, named *.tmp, in which every
// reference to a Winsock module names the agent library that takes its place instead: WSOCK32
// becomes KLVNT32 and WS2_32 becomes KL2_32, in 8-bit and in UTF-16LE strings alike. Each agent's
// name is as long as its module's, so the rewrite is done in place and nothing in the file moves.
//
// The shell runs the file dialog, the message boxes and the process start; everything it must
// decide is answered here.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <iosfwd>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

namespace config::launcher {

inline constexpr size_t kBlockSize = 512;

// A Winsock module and the agent library loaded in its place, both without the extension and
// of equal length. The module's letters match in any case, its other characters exactly; every
// character of the agent's name is written, each letter in the case of the letter it replaces.
struct ModuleRedirect {
  std::string_view module;
  std::string_view agent;
};

// The rows of kModuleRedirects.
enum ModuleRow : size_t { kWsock32, kWs2_32 };

inline constexpr ModuleRedirect kModuleRedirects[] = {
    {"WSOCK32", "KLVNT32"},  // kWsock32
    {"WS2_32", "KL2_32"},    // kWs2_32
};
inline constexpr size_t kModuleCount = std::size(kModuleRedirects);

// A name is stored one byte a character, or in UTF-16LE two: the character, then 0.
inline constexpr size_t kMaxCharWidth = 2;

// The most bytes one reference spans: the longest module name in UTF-16.
inline constexpr size_t kMatchWindow =
    std::ranges::max(kModuleRedirects, {}, [](const ModuleRedirect& r) { return r.module.size(); })
        .module.size() *
    kMaxCharWidth;
static_assert(std::ranges::all_of(kModuleRedirects,
                                  [](const ModuleRedirect& r) {
                                    return r.module.size() == r.agent.size();
                                  }),
              "the rewrite is in place: an agent's name is as long as its module's");

// Occurrences rewritten, counted for each row of kModuleRedirects (both encodings together).
using Rewrites = std::array<int, kModuleCount>;

// A reference found at a position: the row of its module and the bytes it spans.
struct Occurrence {
  ModuleRow module;
  size_t length;
};

// The text and caption of a message box.
struct Message {
  std::string text;
  std::string caption;
};

// The chosen path up to its last "." (of the whole path, directories included), then ".tmp";
// nothing when the path has no ".".
std::optional<std::string> CopyPath(const std::string& chosenPath);

// What the shell does after the file dialog.
struct LaunchPlan {
  enum class Step {
    kRefuse,            // show `message`, stop
    kConfirmOverwrite,  // ask `message` with Yes/No; only Yes goes on to the copy
    kCopy,              // go on to the copy
  };
  Step step = Step::kRefuse;
  std::string copyPath;
  Message message;
};

LaunchPlan PlanLaunch(const std::string& chosenPath);

// Reads the match window of `source` at `position`; when a reference to a module starts there,
// writes its agent's name at the same position of `copy` and returns it. A reference running
// past the end is no match. Both streams' positions and the source's end-of-file state may
// change.
std::optional<Occurrence> PatchModuleName(std::istream& source, std::ostream& copy,
                                          uint64_t position);

// The copy from stream to stream: `copy` starts empty; `source` is read block by block from
// its start. Returns the occurrences rewritten, or nothing when reading or writing failed.
std::optional<Rewrites> CopyRedirected(std::istream& source, std::ostream& copy);

struct CopyResult {
  bool ok = false;
  Rewrites rewrites{};  // which module names were found, and how often
  Message error;        // when not ok; nothing may be started then
};

// Creates (or empties) the copy and fills it block by block from the chosen file, rewriting
// every occurrence that lies wholly within the file. A copy left incomplete by a failure is
// removed.
CopyResult CopyWithModuleRedirect(const std::string& chosenPath, const std::string& copyPath);

// A copy that found no module name loads no agent, so the program's calls cannot be traced:
// the warning that says so, nothing when a name was found. qntcap prints it and starts the
// program; Launch Pgm asks LaunchAnyway.
std::optional<std::string> UntracedWarning(const std::string& chosenPath, const Rewrites& rewrites);
// Launch Pgm's question on the warning, with Yes and No; No deletes the copy.
Message LaunchAnyway(const std::string& warning);

// The start of the copy by WinExec, whose result above 31 means it started: nothing then, else
// the message that says why the chosen program could not be launched.
std::optional<Message> StartFailure(const std::string& chosenPath, uint32_t winExecResult);

// The PATH a launched copy starts with: `folder` (where the agent libraries lie) first, then
// `path` as it was, without a second entry for `folder`. Folders compare without case and
// without a trailing backslash, as Windows names them.
std::string PathWithFolderFirst(const std::string& path, const std::string& folder);

}  // namespace config::launcher
