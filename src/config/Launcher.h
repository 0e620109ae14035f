// Launch Pgm's file work: a copy of the chosen executable beside it, named *.tmp, in which every
// reference to the Winsock module WSOCK32 names the agent library KLVNT32 instead. Both names
// have seven characters, so the rewrite is done in place and nothing in the file moves.
//
// The shell runs the file dialog, the message boxes and the process start; everything it must
// decide is answered here.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

namespace config::launcher {

inline constexpr size_t kBlockSize = 512;
inline constexpr size_t kModuleNameLength = 7;

// A message box with the stop icon.
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

// Reads the seven bytes of `source` at `position`; when they spell WSOCK32 (letters in any case,
// digits exact) writes KLVNT32 with each letter in the case of the letter it replaces at the
// same position of `copy` and returns true. A window running past the end is no match. Both
// streams' positions and the source's end-of-file state may change.
bool PatchModuleName(std::istream& source, std::ostream& copy, uint64_t position);

// The copy from stream to stream: `copy` starts empty; `source` is read block by block from
// its start. Returns the number of occurrences rewritten, or nothing when reading or writing
// failed.
std::optional<int> CopyRedirected(std::istream& source, std::ostream& copy);

struct CopyResult {
  bool ok = false;
  int patched = 0;  // occurrences rewritten
  Message error;    // when not ok; nothing may be started then
};

// Creates (or empties) the copy and fills it block by block from the chosen file, rewriting
// every occurrence that lies wholly within the file. A copy left incomplete by a failure is
// removed.
CopyResult CopyWithModuleRedirect(const std::string& chosenPath, const std::string& copyPath);

// The start of the copy by WinExec, whose result above 31 means it started: nothing then, else
// the message that says why the chosen program could not be launched.
std::optional<Message> StartFailure(const std::string& chosenPath, uint32_t winExecResult);

// The PATH a launched copy starts with: `folder` (where the agent libraries lie) first, then
// `path` as it was, without a second entry for `folder`. Folders compare without case and
// without a trailing backslash, as Windows names them.
std::string PathWithFolderFirst(const std::string& path, const std::string& folder);

}  // namespace config::launcher
