#include "display/DisplayColors.h"

#include <gtest/gtest.h>

#include <vector>

#include "RecordingCanvas.h"
#include "display/DisplayFont.h"
#include "display/ViewOptions.h"

namespace {

using display::DisplayColors;

TEST(DisplayColors, DefaultsAndFontDescription) {
  const display::ViewOptions options;
  const DisplayColors& colors = options;
  EXPECT_EQ(colors, DisplayColors{});
  EXPECT_EQ(colors.m_crBackground, 0xFFFFFFu);
  EXPECT_EQ(colors.m_crApiCalls, 0u);
  EXPECT_EQ(colors.m_crSend, 0u);
  EXPECT_EQ(colors.m_crRecv, 0x969696u);
  EXPECT_EQ(colors.m_crReturns, 0x0000FFu);  // red is the low byte

  const display::LogFont& font = options.m_logFont;
  EXPECT_EQ(font.lfHeight, -13);
  EXPECT_EQ(font.lfWeight, 400);
  EXPECT_EQ(font.lfOutPrecision, 1);
  EXPECT_EQ(font.lfClipPrecision, 2);
  EXPECT_EQ(font.lfQuality, 1);
  EXPECT_EQ(font.lfPitchAndFamily, 0x31);
  EXPECT_STREQ(font.lfFaceName.data(), "Courier");
}

TEST(DisplayColors, ButtonsEditTheirOwnRole) {
  DisplayColors colors;
  *display::ColorForButton(colors, 1012) = ui::Rgb(1, 2, 3);  // Send
  *display::ColorForButton(colors, 1011) = ui::Rgb(4, 5, 6);  // Recv
  *display::ColorForButton(colors, 1009) = ui::Rgb(7, 8, 9);  // Window Background
  EXPECT_EQ(display::ColorForButton(colors, 1013), nullptr);
  EXPECT_EQ(colors.m_crSend, ui::Rgb(1, 2, 3));
  EXPECT_EQ(colors.m_crRecv, ui::Rgb(4, 5, 6));
  EXPECT_EQ(colors.m_crBackground, ui::Rgb(7, 8, 9));
  EXPECT_EQ(colors.m_crApiCalls, 0u);
}

TEST(DisplayColors, SampleDrawsEightStringsInTheirColoursAndPlaces) {
  const DisplayColors colors{ui::Rgb(1, 1, 1), ui::Rgb(2, 2, 2), ui::Rgb(3, 3, 3), ui::Rgb(4, 4, 4),
                             ui::Rgb(5, 5, 5)};
  RecordingCanvas canvas;
  display::PaintColorSample(canvas, {10, 20, 300, 200}, colors);

  ASSERT_EQ(canvas.fills.size(), 1u);
  EXPECT_EQ(canvas.fills[0].rect, (ui::Rect{10, 20, 300, 200}));
  EXPECT_EQ(canvas.fills[0].colour, colors.m_crBackground);
  EXPECT_TRUE(canvas.fills[0].bordered);

  const int32_t h = RecordingCanvas::kLineHeight;
  const int32_t callWidth = 24 * RecordingCanvas::kCharWidth;  // both call texts are 24 long
  struct Expected {
    int32_t x, y;
    const char* text;
    ui::ColorRef colour;
  };
  const Expected expected[] = {
      {12, 22, "send (SOCKET=0x0001,...)", colors.m_crApiCalls},
      {12 + callWidth, 22, " = 21", colors.m_crReturns},
      {12, 22 + h, "00 01 10 23 00 00 11 0A . . .", colors.m_crSend},
      {12, 22 + 2 * h, "AA 55 AA 55 00", colors.m_crSend},
      {12, 22 + 4 * h, "recv (SOCKET=0x0001,...)", colors.m_crApiCalls},
      {12 + callWidth, 22 + 4 * h, " = 21", colors.m_crReturns},
      {12, 22 + 5 * h, "FF FE EF C6 FF FF EE F5 . . .", colors.m_crRecv},
      {12, 22 + 6 * h, "55 AA 55 AA FF", colors.m_crRecv},
  };
  ASSERT_EQ(canvas.texts.size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(expected[i].text);
    EXPECT_EQ(canvas.texts[i].x, expected[i].x);
    EXPECT_EQ(canvas.texts[i].y, expected[i].y);
    EXPECT_EQ(canvas.texts[i].text, expected[i].text);
    EXPECT_EQ(canvas.texts[i].colour, expected[i].colour);
  }
}

// A description the system cannot make a font of never replaces the one in use, which the
// settings file then stores.
TEST(DisplayFont, OnlyADescriptionThatGivesAFontIsKept) {
  display::LogFont kept;
  display::LogFont chosen;
  chosen.lfHeight = -27;
  chosen.lfFaceName = {"Nonesuch"};
  std::vector<int32_t> tried;
  const auto fails = [&](const display::LogFont& font) {
    tried.push_back(font.lfHeight);
    return false;
  };
  EXPECT_FALSE(display::AcceptChosenFont(kept, chosen, fails));
  EXPECT_EQ(kept, display::LogFont{});
  EXPECT_TRUE(display::AcceptChosenFont(kept, chosen, [&](const display::LogFont& font) {
    tried.push_back(font.lfHeight);
    return true;
  }));
  EXPECT_EQ(kept, chosen);
  EXPECT_EQ(tried, (std::vector<int32_t>{-27, -27}));
}

}  // namespace
