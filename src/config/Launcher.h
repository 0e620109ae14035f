// Launch Pgm's file work: a copy of the chosen executable beside it, named *.tmp, in which every
// reference to a Winsock module names the agent library that takes its place instead, the agent
// of the program's width (protocol/AgentFiles.h): WSOCK32 becomes KLVNT32 in a 32-bit program and
// KLVNT64 in a 64-bit one, in 8-bit and in UTF-16LE strings alike. Each agent's name is as long
// as its module's, so the rewrite is done in place and nothing in the file moves. The width is
// read from the program's header; a file that is no program either agent can trace is refused.
//
// The shell runs the file dialog, the message boxes and the process start; everything it must
// decide, and the order in which it is asked (Launch), is answered here.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/AgentFiles.h"

namespace config::launcher {

using protocol::AgentRow;
using protocol::Width;

inline constexpr size_t kBlockSize = 512;

// The rewrite's rows are those of protocol::kAgentFiles: each module's letters match in any
// case, its other characters exactly; every character of the agent's name is written, each
// letter in the case of the letter it replaces.
inline constexpr size_t kModuleCount = protocol::kAgentRowCount;

// A name is stored one byte a character, or in UTF-16LE two: the character, then 0.
inline constexpr size_t kMaxCharWidth = 2;

// The most bytes one reference spans: the longest module name in UTF-16.
inline constexpr size_t kMatchWindow =
    std::ranges::max(protocol::kAgentFiles, {},
                     [](const protocol::AgentFile& r) { return r.module.size(); })
        .module.size() *
    kMaxCharWidth;
static_assert(std::ranges::all_of(protocol::kAgentFiles,
                                  [](const protocol::AgentFile& r) {
                                    return std::ranges::all_of(r.agent, [&](std::string_view a) {
                                      return a.size() == r.module.size();
                                    });
                                  }),
              "the rewrite is in place: an agent's name is as long as its module's");

// Occurrences rewritten, counted for each row of kAgentFiles (both encodings together).
using Rewrites = std::array<int, kModuleCount>;

// A reference found at a position: the row of its module and the bytes it spans.
struct Occurrence {
  AgentRow module;
  size_t length;
};

// The text and caption of a message box.
struct Message {
  std::string text;
  std::string caption;
};

// What a file's header says it is. Only Windows programs for x86 processors, 32- or 64-bit,
// can load an agent.
struct ProgramHeader {
  enum class Kind {
    kProgram,       // an i386 (PE32) or AMD64 (PE32+) program of `width`
    k16Bit,         // "MZ" without a PE header: MS-DOS, or 16-bit Windows ("NE")
    kOtherMachine,  // a PE program for another processor: `machine` (ARM64 ...)
    kNotProgram,    // anything else: no "MZ", a DLL, a header cut short or inconsistent
  };
  Kind kind = Kind::kNotProgram;
  Width width = Width::k32;
  uint16_t machine = 0;
};

// Reads the header from the start of `file`, never past its end.
ProgramHeader ReadProgramHeader(std::istream& file);

// Nothing for a program the agents can trace, else the message that refuses the file.
std::optional<Message> HeaderRefusal(const std::string& chosenPath, const ProgramHeader& header);

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
  Width width = Width::k32;  // the program's, and so of the agents its copy names
};

// Refuses a path without a ".", a file that cannot be read or is no program the agents can
// trace (its header), and a chosen copy; asks before an earlier copy is overwritten.
LaunchPlan PlanLaunch(const std::string& chosenPath);

// Reads the match window of `source` at `position`; when a reference to a module starts there,
// writes the name of its agent of `width` at the same position of `copy` and returns it. A
// reference running past the end is no match. Both streams' positions and the source's end-of-file
// state may change.
std::optional<Occurrence> PatchModuleName(std::istream& source, std::ostream& copy,
                                          uint64_t position, Width width);

// The copy from stream to stream: `copy` starts empty; `source` is read block by block from
// its start; references name the agents of `width`. Returns the occurrences rewritten, or
// nothing when reading or writing failed.
std::optional<Rewrites> CopyRedirected(std::istream& source, std::ostream& copy, Width width);

struct CopyResult {
  bool ok = false;
  Rewrites rewrites{};  // which module names were found, and how often
  Message error;        // when not ok; nothing may be started then
};

// Creates (or empties) the copy and fills it block by block from the chosen file, rewriting
// every occurrence that lies wholly within the file. A copy left incomplete by a failure is
// removed.
CopyResult CopyWithModuleRedirect(const std::string& chosenPath, const std::string& copyPath,
                                  Width width);

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

// What a launch asks of its shell (Launch Pgm's dialogs, or qntcap's command line).
class LaunchShell {
 public:
  virtual ~LaunchShell() = default;
  // The agents' contact; false stops the launch before the file is read.
  virtual bool Contact() = 0;
  // A refusal or failure, after which the launch stops.
  virtual void Refuse(const Message& message) = 0;
  // The question whether an earlier copy may be overwritten: true goes on.
  virtual bool ReplaceCopy(const Message& question) = 0;
  // The copy names neither Winsock library (the warning): true starts it all the same.
  virtual bool StartUntraced(const std::string& warning) = 0;
  // Starts the copy with the agents' folder first on its PATH: nothing when it started, else
  // the message that says why not.
  virtual std::optional<Message> Start(const std::string& copyPath) = 0;
};

// Launches the chosen program through its copy, every check in one order: the contact, the
// header (PlanLaunch), the copy with its rewrite, the question when neither library is named,
// the start. Returns the copy's path when the program started; a copy that is not started is
// removed.
std::optional<std::string> Launch(const std::string& chosenPath, LaunchShell& shell);

}  // namespace config::launcher
