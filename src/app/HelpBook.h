// The program's own help: topics written in res/help/quarnet-help.txt, compiled into the
// program's resources, parsed here into topics that a context number, a command, a dialog or a
// link opens. The help window shows one topic at a time with the list of all topics beside it.
//
// Source format, one topic after another:
//   @topic KEY           starts a topic; KEY is what links name
//   @title TEXT          the title, shown above the text and in the topic list
//   @context N           a context number that opens the topic (1, 175 + API id)
//   @dialog N            opened by F1 in the dialog with template id N
//   @command N           opened by context help on the menu item or toolbar button N
//   # comment            ignored, also inside a topic's text
// The lines after the headers are the topic's text: paragraphs separated by blank lines;
// "= text" a heading; "* text" a bulleted paragraph; a line starting with two blanks stands as
// it is, in the trace font. Inside text, {KEY} and {KEY|words} are links, `text` is trace text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/Calls.h"
#include "ui/HelpContext.h"

namespace app {

// The program's overview: the general topic, which help falls back on.
inline constexpr uint32_t kHelpContextOverview = calls::kGeneralTopic;

inline constexpr std::string_view kUsingHelpKey = "using-help";

enum class HelpStyle { kText, kHeading, kTrace, kLink };

struct HelpSpan {
  std::string text;
  HelpStyle style = HelpStyle::kText;
  std::string link;  // the target topic's key, for kLink

  bool operator==(const HelpSpan&) const = default;
};

enum class HelpBlockKind { kParagraph, kHeading, kBullet, kTraceLine };

struct HelpBlock {
  HelpBlockKind kind = HelpBlockKind::kParagraph;
  std::vector<HelpSpan> spans;
};

struct HelpTopic {
  std::string key;
  std::string title;
  std::vector<uint32_t> contexts;  // stated, dialog and command contexts alike
  std::vector<HelpBlock> blocks;
};

class HelpBook {
 public:
  // Parses the whole source. Lines that cannot be read are reported in Problems() and left out.
  static HelpBook Parse(std::string_view source);

  const std::vector<HelpTopic>& Topics() const { return m_topics; }
  // "line N: what is wrong", for every line that was refused and every link without a topic.
  const std::vector<std::string>& Problems() const { return m_problems; }

  // Index into Topics(), or nothing when no topic has this context or key.
  std::optional<size_t> FindContext(uint32_t context) const;
  std::optional<size_t> FindKey(std::string_view key) const;
  // `context` when a topic has it, else the overview's context.
  uint32_t ContextOrOverview(uint32_t context) const {
    return FindContext(context) ? context : kHelpContextOverview;
  }

 private:
  std::vector<HelpTopic> m_topics;
  std::vector<std::string> m_problems;
};

// Which topic the help window shows, and where Back goes. Remembers nothing between runs.
class HelpHistory {
 public:
  // Shows `topic`; the topic shown before it is remembered for Back (showing the same topic
  // again remembers nothing).
  void Show(size_t topic);
  bool CanGoBack() const { return !m_back.empty(); }
  // Returns to the topic shown before the current one.
  void Back();
  std::optional<size_t> Current() const { return m_current; }

 private:
  std::optional<size_t> m_current;
  std::vector<size_t> m_back;
};

}  // namespace app
