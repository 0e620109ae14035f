// The help source as the program compiles it in, the markup it is written in, the layout of a
// topic in a window, and Back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "app/CommandTable.h"
#include "app/HelpBook.h"
#include "app/HelpLayout.h"
#include "dialogs/BufferAllocIds.h"
#include "dialogs/CaptureFiltersIds.h"
#include "dialogs/RangeIds.h"

namespace {

using app::HelpBook;
using app::HelpFont;
using app::HelpStyle;

std::string HelpSource() {
  const char* top = std::getenv("QUARNET_SOURCE_DIR");
  std::ifstream in(std::string(top ? top : ".") + "/res/help/quarnet-help.txt");
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Problems(const HelpBook& book) {
  std::string all;
  for (const std::string& p : book.Problems()) all += p + "\n";
  return all;
}

// The calls' topics are checked in the program's compiled resources (tests/win32).
TEST(HelpSource, EveryTopicHasTextAndEveryDialogATopic) {
  const HelpBook book = HelpBook::Parse(HelpSource());
  // A topic without a title or text, a link to nowhere and a context twice are problems.
  EXPECT_TRUE(book.Problems().empty()) << Problems(book);
  for (uint32_t dialog : {IDD_ABOUTBOX, IDD_CAPTURE_FILTERS, IDD_RANGE, IDD_BUFFER_ALLOC}) {
    EXPECT_TRUE(book.FindContext(ui::DialogHelpContext(dialog))) << "dialog " << dialog;
  }
  // Context help on a menu item or toolbar button opens a topic only for commands there are.
  for (const app::HelpTopic& topic : book.Topics()) {
    for (uint32_t context : topic.contexts) {
      if (context > ui::kCommandHelpBase && context < ui::kDialogHelpBase) {
        EXPECT_NE(app::FindCommand(static_cast<uint16_t>(context - ui::kCommandHelpBase)), nullptr)
            << topic.key;
      }
    }
  }
  EXPECT_TRUE(book.FindKey(app::kUsingHelpKey));
}

TEST(HelpBook, ReadsHeadersBlocksLinksAndTraceText) {
  const HelpBook book = HelpBook::Parse(
      "# comment\n"
      "@topic first\n@title First\n@context 7\n@dialog 102\n@command 32772\n"
      "One line\ncontinued, see {second|the second} and {second}.\n"
      "\n= Head `x`\n* a bullet\n  that goes on\n  trace  line\n\n"
      "@topic second\n@title Second\ntext `SOCKET=3` end\n");
  ASSERT_TRUE(book.Problems().empty()) << Problems(book);
  ASSERT_EQ(book.Topics().size(), 2u);
  const app::HelpTopic& first = book.Topics()[0];
  EXPECT_EQ(first.contexts,
            (std::vector<uint32_t>{7, ui::DialogHelpContext(102), ui::CommandHelpContext(32772)}));
  EXPECT_EQ(book.FindContext(ui::CommandHelpContext(32772)), 0u);
  EXPECT_EQ(book.FindKey("second"), 1u);
  EXPECT_FALSE(book.FindContext(8));
  EXPECT_EQ(book.ContextOrOverview(8), app::kHelpContextOverview);
  EXPECT_EQ(book.ContextOrOverview(7), 7u);
  ASSERT_EQ(first.blocks.size(), 5u);
  EXPECT_EQ(first.blocks[0].spans,
            (std::vector<app::HelpSpan>{{"One line continued, see ", HelpStyle::kText, ""},
                                        {"the second", HelpStyle::kLink, "second"},
                                        {" and ", HelpStyle::kText, ""},
                                        {"second", HelpStyle::kLink, "second"},
                                        {".", HelpStyle::kText, ""}}));
  EXPECT_EQ(first.blocks[1].kind, app::HelpBlockKind::kHeading);
  EXPECT_EQ(first.blocks[1].spans[1], (app::HelpSpan{"x", HelpStyle::kTrace, ""}));
  // A bullet goes on until a blank line or another kind of line; trace lines keep their blanks.
  EXPECT_EQ(first.blocks[2].kind, app::HelpBlockKind::kBullet);
  EXPECT_EQ(first.blocks[2].spans[0].text, "a bullet");
  EXPECT_EQ(first.blocks[3].spans[0].text, "that goes on");
  EXPECT_EQ(first.blocks[4].spans[0].text, "trace  line");
  EXPECT_EQ(book.Topics()[1].blocks[0].spans[1],
            (app::HelpSpan{"SOCKET=3", HelpStyle::kTrace, ""}));
}

TEST(HelpBook, ReportsWhatWouldLeaveTheReaderStranded) {
  const HelpBook book = HelpBook::Parse(
      "stray\n@topic a\n@title A\n@context 5\n@color red\ngo {nowhere} and `open\n"
      "@topic b\n@context 5\n@dialog x\n@topic a\n@title Again\ntext\n");
  const std::string all = Problems(book);
  for (const char* expected :
       {"line 1: text before the first @topic", "line 5: unknown header @color",
        "line 6: no closing `", "line 8: 5 already opens topic a", "line 9: @dialog needs a number",
        "topic b has no @title", "topic b has no text", "topic a is there twice",
        "topic a: link to no topic: nowhere"}) {
    EXPECT_NE(all.find(expected), std::string::npos) << expected << "\nin:\n" << all;
  }
}

// Every character 10 pixels wide; the title font 20 pixels high, the others 16.
class FixedMetrics : public app::HelpMetrics {
 public:
  int32_t TextWidth(std::string_view text, HelpFont) override {
    return static_cast<int32_t>(text.size()) * 10;
  }
  int32_t LineHeight(HelpFont font) override { return font == HelpFont::kTitle ? 20 : 16; }
};

TEST(HelpLayout, WrapsWordsInsideTheMarginAndKeepsTraceLinesWhole) {
  const HelpBook book = HelpBook::Parse(
      "@topic t\n@title T\nalpha beta {t|gamma delta} epsilonepsilonepsilon\n"
      "  a trace line wider than the window\n");
  FixedMetrics metrics;
  // 10-pixel margins: text from x 10 to 170, sixteen characters a line.
  const app::HelpPage page = app::LayoutHelpTopic(book.Topics()[0], 180, 10, metrics);
  std::vector<std::tuple<int32_t, int32_t, std::string, HelpFont>> runs;
  for (const app::HelpRun& run : page.runs) runs.emplace_back(run.x, run.y, run.text, run.font);
  const int32_t top = 10 + 20 + 8;  // the title's line, then half a line
  EXPECT_EQ(runs, (decltype(runs){
                      {10, 10, "T", HelpFont::kTitle},
                      {10, top, "alpha beta ", HelpFont::kText},
                      {120, top, "gamma ", HelpFont::kLink},
                      {10, top + 16, "delta", HelpFont::kLink},
                      {60, top + 16, " ", HelpFont::kText},
                      {10, top + 32, "epsilonepsilonepsilon", HelpFont::kText},
                      {10, top + 56, "a trace line wider than the window", HelpFont::kTrace},
                  }));
  EXPECT_EQ(page.height, top + 56 + 16 + 10);
  EXPECT_EQ(page.width, 10 + 340 + 10);  // the trace line, which does not wrap
  // The link answers over its words on both lines, not over the blank that follows it.
  EXPECT_EQ(app::HelpLinkAt(page, 125, top + 5)->link, "t");
  EXPECT_EQ(app::HelpLinkAt(page, 55, top + 20)->link, "t");
  EXPECT_EQ(app::HelpLinkAt(page, 65, top + 20), nullptr);
  EXPECT_EQ(app::HelpLinkAt(page, 15, top + 5), nullptr);
}

TEST(HelpHistory, BackReturnsAlongTheTopicsShown) {
  app::HelpHistory history;
  EXPECT_FALSE(history.Current());
  history.Show(3);
  EXPECT_FALSE(history.CanGoBack());
  history.Show(5);
  history.Show(5);  // the same topic again adds no step
  history.Show(1);
  history.Back();
  EXPECT_EQ(history.Current(), 5u);
  history.Back();
  EXPECT_EQ(history.Current(), 3u);
  EXPECT_FALSE(history.CanGoBack());
  history.Back();
  EXPECT_EQ(history.Current(), 3u);
}

}  // namespace
