#include "app/HelpBook.h"

#include <algorithm>
#include <charconv>

namespace app {

namespace {

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\r' || s.back() == '\t')) {
    s.remove_suffix(1);
  }
  return s;
}

std::string_view Trim(std::string_view s) {
  s = TrimRight(s);
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  return s;
}

std::optional<uint32_t> ParseNumber(std::string_view text) {
  uint32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

class Parser {
 public:
  Parser(std::vector<HelpTopic>& topics, std::vector<std::string>& problems)
      : m_topics(topics), m_problems(problems) {}

  void Line(std::string_view line, int number) {
    m_line = number;
    line = TrimRight(line);
    if (line.starts_with('#')) return;
    if (line.starts_with('@')) {
      Header(line);
      return;
    }
    if (m_topics.empty()) {
      if (!line.empty()) Problem("text before the first @topic");
      return;
    }
    Body(line);
  }

  void Finish() {
    EndTopic();
    for (const HelpTopic& topic : m_topics) {
      for (const HelpBlock& block : topic.blocks) {
        for (const HelpSpan& span : block.spans) {
          if (span.style == HelpStyle::kLink &&
              std::none_of(m_topics.begin(), m_topics.end(),
                           [&](const HelpTopic& t) { return t.key == span.link; })) {
            m_problems.push_back("topic " + topic.key + ": link to no topic: " + span.link);
          }
        }
      }
    }
  }

 private:
  void Problem(const std::string& what) {
    m_problems.push_back("line " + std::to_string(m_line) + ": " + what);
  }

  void Header(std::string_view line) {
    const size_t blank = line.find(' ');
    const std::string_view name = line.substr(0, blank);
    const std::string_view value =
        blank == std::string_view::npos ? std::string_view() : Trim(line.substr(blank));
    if (name == "@topic") {
      EndTopic();
      if (value.empty() || value.find(' ') != std::string_view::npos) {
        Problem("a topic's key is one word");
      }
      m_topics.push_back(HelpTopic{std::string(value), {}, {}, {}});
      return;
    }
    if (m_topics.empty()) {
      Problem("header before the first @topic");
      return;
    }
    HelpTopic& topic = m_topics.back();
    if (name == "@title") {
      topic.title = std::string(value);
      return;
    }
    const std::optional<uint32_t> number = ParseNumber(value);
    if (name != "@context" && name != "@dialog" && name != "@command") {
      Problem("unknown header " + std::string(name));
    } else if (!number) {
      Problem(std::string(name) + " needs a number");
    } else {
      const uint32_t context = name == "@dialog"    ? ui::DialogHelpContext(*number)
                               : name == "@command" ? ui::CommandHelpContext(*number)
                                                    : *number;
      for (const HelpTopic& other : m_topics) {
        if (std::find(other.contexts.begin(), other.contexts.end(), context) !=
            other.contexts.end()) {
          Problem(std::string(value) + " already opens topic " + other.key);
        }
      }
      topic.contexts.push_back(context);
    }
  }

  void Body(std::string_view line) {
    HelpTopic& topic = m_topics.back();
    if (line.empty()) {
      m_open = false;
      return;
    }
    if (line.starts_with("  ")) {
      topic.blocks.push_back(
          {HelpBlockKind::kTraceLine, {{std::string(line.substr(2)), HelpStyle::kTrace, {}}}});
      m_open = false;
      return;
    }
    if (line.starts_with("= ")) {
      topic.blocks.push_back({HelpBlockKind::kHeading, {}});
      AppendInline(topic.blocks.back(), Trim(line.substr(2)), HelpStyle::kHeading);
      m_open = false;
      return;
    }
    if (line.starts_with("* ")) {
      topic.blocks.push_back({HelpBlockKind::kBullet, {}});
      line = Trim(line.substr(2));
    } else if (!m_open) {
      topic.blocks.push_back({HelpBlockKind::kParagraph, {}});
    } else {
      AppendText(topic.blocks.back(), " ", HelpStyle::kText);
    }
    m_open = true;
    AppendInline(topic.blocks.back(), line, HelpStyle::kText);
  }

  // Text with its {links} and `trace text`, in `plain` style elsewhere.
  void AppendInline(HelpBlock& block, std::string_view text, HelpStyle plain) {
    while (!text.empty()) {
      const size_t open = text.find_first_of("{`");
      AppendText(block, text.substr(0, open), plain);
      if (open == std::string_view::npos) return;
      const char close = text[open] == '{' ? '}' : '`';
      const size_t end = text.find(close, open + 1);
      if (end == std::string_view::npos) {
        Problem(std::string("no closing ") + close);
        AppendText(block, text.substr(open), plain);
        return;
      }
      const std::string_view inner = text.substr(open + 1, end - open - 1);
      if (close == '`') {
        AppendText(block, inner, HelpStyle::kTrace);
      } else {
        const size_t bar = inner.find('|');
        const std::string_view key = inner.substr(0, bar);
        const std::string_view words = bar == std::string_view::npos ? key : inner.substr(bar + 1);
        block.spans.push_back({std::string(words), HelpStyle::kLink, std::string(key)});
      }
      text.remove_prefix(end + 1);
    }
  }

  static void AppendText(HelpBlock& block, std::string_view text, HelpStyle style) {
    if (text.empty()) return;
    if (!block.spans.empty() && block.spans.back().style == style && style != HelpStyle::kLink) {
      block.spans.back().text += text;
    } else {
      block.spans.push_back({std::string(text), style, {}});
    }
  }

  void EndTopic() {
    m_open = false;
    if (m_topics.empty()) return;
    const HelpTopic& topic = m_topics.back();
    if (topic.title.empty()) Problem("topic " + topic.key + " has no @title");
    if (topic.blocks.empty()) Problem("topic " + topic.key + " has no text");
    for (size_t i = 0; i + 1 < m_topics.size(); ++i) {
      if (m_topics[i].key == topic.key) Problem("topic " + topic.key + " is there twice");
    }
  }

  std::vector<HelpTopic>& m_topics;
  std::vector<std::string>& m_problems;
  int m_line = 0;
  bool m_open = false;  // the last block is a paragraph or bullet that the next line continues
};

}  // namespace

HelpBook HelpBook::Parse(std::string_view source) {
  HelpBook book;
  Parser parser(book.m_topics, book.m_problems);
  int number = 0;
  while (!source.empty()) {
    const size_t end = source.find('\n');
    parser.Line(source.substr(0, end), ++number);
    source.remove_prefix(end == std::string_view::npos ? source.size() : end + 1);
  }
  parser.Finish();
  return book;
}

std::optional<size_t> HelpBook::FindContext(uint32_t context) const {
  for (size_t i = 0; i < m_topics.size(); ++i) {
    const auto& contexts = m_topics[i].contexts;
    if (std::find(contexts.begin(), contexts.end(), context) != contexts.end()) return i;
  }
  return std::nullopt;
}

std::optional<size_t> HelpBook::FindKey(std::string_view key) const {
  for (size_t i = 0; i < m_topics.size(); ++i) {
    if (m_topics[i].key == key) return i;
  }
  return std::nullopt;
}

void HelpHistory::Show(size_t topic) {
  if (m_current == topic) return;
  if (m_current) m_back.push_back(*m_current);
  m_current = topic;
}

void HelpHistory::Back() {
  if (m_back.empty()) return;
  m_current = m_back.back();
  m_back.pop_back();
}

}  // namespace app
