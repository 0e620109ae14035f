#include "app/HelpLayout.h"

#include <algorithm>

namespace app {

namespace {

HelpFont FontOf(HelpStyle style) {
  switch (style) {
    case HelpStyle::kHeading:
      return HelpFont::kHeading;
    case HelpStyle::kTrace:
      return HelpFont::kTrace;
    case HelpStyle::kLink:
      return HelpFont::kLink;
    case HelpStyle::kText:
      break;
  }
  return HelpFont::kText;
}

// Places words left to right between `left` and `right`, one line after another.
class LineFiller {
 public:
  LineFiller(HelpPage& page, HelpMetrics& metrics, int32_t left, int32_t right, int32_t lineHeight)
      : m_page(page),
        m_metrics(metrics),
        m_left(left),
        m_right(right),
        m_x(left),
        m_lineHeight(lineHeight) {}

  void Add(const HelpSpan& span, HelpFont font) {
    std::string_view text = span.text;
    while (!text.empty()) {
      // A word with the blanks that follow it; the blanks may run past the right edge.
      const size_t wordEnd = std::min(text.find(' '), text.size());
      size_t end = wordEnd;
      while (end < text.size() && text[end] == ' ') ++end;
      const std::string_view word = text.substr(0, wordEnd);
      const int32_t width = m_metrics.TextWidth(word, font);
      if (m_x > m_left && m_x + width > m_right) NewLine();
      if (m_x == m_left && wordEnd == 0) {  // blanks at the start of a wrapped line
        text.remove_prefix(end);
        continue;
      }
      const std::string_view piece = text.substr(0, end);
      Place(piece, width, m_metrics.TextWidth(piece, font), font, span.link);
      text.remove_prefix(end);
    }
  }

  // Ends the block; returns the y below its last line.
  int32_t Finish() {
    if (m_x > m_left || m_page.runs.size() == m_firstRun) m_y += m_lineHeight;
    return m_y;
  }

  void Start(int32_t y) {
    m_y = y;
    m_x = m_left;
    m_firstRun = m_page.runs.size();
  }

 private:
  void NewLine() {
    m_y += m_lineHeight;
    m_x = m_left;
    m_joinable = false;
  }

  void Place(std::string_view piece, int32_t wordWidth, int32_t advance, HelpFont font,
             const std::string& link) {
    HelpRun* last = m_page.runs.size() > m_firstRun ? &m_page.runs.back() : nullptr;
    if (m_joinable && last != nullptr && last->font == font && last->link == link &&
        last->y == m_y) {
      last->text += piece;
    } else {
      m_page.runs.push_back({m_x, m_y, 0, m_lineHeight, std::string(piece), font, link});
    }
    // The run's width covers its words, not the blanks after its last one.
    m_page.runs.back().width = m_x + wordWidth - m_page.runs.back().x;
    m_x += advance;
    m_joinable = true;
  }

  HelpPage& m_page;
  HelpMetrics& m_metrics;
  int32_t m_left;
  int32_t m_right;
  int32_t m_x;
  int32_t m_y = 0;
  int32_t m_lineHeight;
  size_t m_firstRun = 0;
  bool m_joinable = false;
};

}  // namespace

HelpPage LayoutHelpTopic(const HelpTopic& topic, int32_t width, int32_t margin,
                         HelpMetrics& metrics) {
  HelpPage page;
  const int32_t right = std::max(width - margin, margin + 1);
  const int32_t textHeight =
      std::max(metrics.LineHeight(HelpFont::kText), metrics.LineHeight(HelpFont::kTrace));
  const int32_t gap = textHeight / 2;
  const int32_t bulletIndent = metrics.TextWidth("\x95  ", HelpFont::kText);

  LineFiller title(page, metrics, margin, right, metrics.LineHeight(HelpFont::kTitle));
  title.Start(margin);
  title.Add({topic.title, HelpStyle::kText, {}}, HelpFont::kTitle);
  int32_t y = title.Finish() + gap;

  HelpBlockKind previous = HelpBlockKind::kHeading;
  for (const HelpBlock& block : topic.blocks) {
    // Trace lines that follow each other stand as one block; a heading keeps close to its text.
    if (!(block.kind == HelpBlockKind::kTraceLine && previous == HelpBlockKind::kTraceLine) &&
        previous != HelpBlockKind::kHeading) {
      y += gap;
    }
    if (block.kind == HelpBlockKind::kHeading) y += gap;
    previous = block.kind;
    int32_t left = margin;
    if (block.kind == HelpBlockKind::kBullet) {
      page.runs.push_back({margin,
                           y,
                           metrics.TextWidth("\x95", HelpFont::kText),
                           textHeight,
                           "\x95",
                           HelpFont::kText,
                           {}});
      left += bulletIndent;
    }
    const int32_t lineHeight =
        block.kind == HelpBlockKind::kHeading ? metrics.LineHeight(HelpFont::kHeading) : textHeight;
    // Trace lines keep their blanks and never wrap.
    const int32_t blockRight = block.kind == HelpBlockKind::kTraceLine ? INT32_MAX : right;
    LineFiller filler(page, metrics, left, blockRight, lineHeight);
    filler.Start(y);
    for (const HelpSpan& span : block.spans) {
      if (block.kind == HelpBlockKind::kTraceLine) {
        const int32_t w = metrics.TextWidth(span.text, HelpFont::kTrace);
        page.runs.push_back({left, y, w, lineHeight, span.text, HelpFont::kTrace, {}});
        continue;
      }
      filler.Add(span, FontOf(span.style));
    }
    y = block.kind == HelpBlockKind::kTraceLine ? y + lineHeight : filler.Finish();
  }
  page.height = y + margin;
  for (const HelpRun& run : page.runs)
    page.width = std::max(page.width, run.x + run.width + margin);
  return page;
}

const HelpRun* HelpLinkAt(const HelpPage& page, int32_t x, int32_t y) {
  for (const HelpRun& run : page.runs) {
    if (!run.link.empty() && x >= run.x && x < run.x + run.width && y >= run.y &&
        y < run.y + run.height) {
      return &run;
    }
  }
  return nullptr;
}

}  // namespace app
