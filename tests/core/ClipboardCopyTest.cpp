#include "display/ClipboardCopy.h"

#include <gtest/gtest.h>

#include <string>

#include "display/ClipboardText.h"

namespace {

std::vector<SpyMsgPtr> Records(int count) {
  std::vector<SpyMsgPtr> records;
  for (int i = 0; i < count; ++i) {
    records.push_back(std::make_unique<CSpyMsg>());
    records.back()->m_nApiId = 22;
  }
  return records;
}

TEST(ClipboardCopy, RefusesRangesReckonedAbove65535Bytes) {
  const std::vector<SpyMsgPtr> records = Records(600);
  const format::DisplayModes modes;
  auto oneLine = [](const CSpyMsg&) { return 1; };
  // 511 lines: 65408 bytes reckoned, copied.
  const display::ClipboardCopy accepted =
      display::PrepareClipboardCopy(records, 1, 511, modes, oneLine);
  EXPECT_FALSE(accepted.refused);
  EXPECT_FALSE(accepted.block.empty());
  // 512 lines: 65536 bytes, one more than the limit.
  const display::ClipboardCopy refused =
      display::PrepareClipboardCopy(records, 1, 512, modes, oneLine);
  EXPECT_TRUE(refused.refused);
  EXPECT_TRUE(refused.block.empty());
  // Lines are counted over the range only, clipped to the buffer.
  EXPECT_FALSE(display::PrepareClipboardCopy(records, 90, 600, modes, oneLine).refused);
  EXPECT_TRUE(display::PrepareClipboardCopy(records, 89, 900, modes, oneLine).refused);
  EXPECT_EQ(display::kClipboardTooLarge, "Data area too large for Clipboard!");
}

// Data Only over records without data: no text, and the clipboard keeps what it held.
TEST(ClipboardCopy, RangeWithoutTextCopiesNothing) {
  const std::vector<SpyMsgPtr> records = Records(3);
  const display::ClipboardCopy copy = display::PrepareClipboardCopy(
      records, 1, 3, {.dataOnly = true}, [](const CSpyMsg&) { return 0; });
  EXPECT_TRUE(copy.empty);
  EXPECT_FALSE(copy.refused);
  EXPECT_TRUE(copy.block.empty());
  EXPECT_FALSE(
      display::PrepareClipboardCopy(records, 1, 3, {}, [](const CSpyMsg&) { return 1; }).empty);
}

TEST(ClipboardCopy, BlockHoldsTheWholeTextWhateverTheEstimate) {
  const std::vector<SpyMsgPtr> records = Records(3);
  const format::DisplayModes modes;
  // An estimate far below the text (no lines reckoned) still gets the whole text.
  const display::ClipboardCopy copy =
      display::PrepareClipboardCopy(records, 2, 3, modes, [](const CSpyMsg&) { return 0; });
  const std::string text = display::MakeClipboardText(records, 2, 3, modes);
  ASSERT_FALSE(text.empty());
  ASSERT_EQ(copy.block.size(), text.size() + 1);
  EXPECT_EQ(std::string(copy.block.data(), text.size()), text);
  EXPECT_EQ(copy.block.back(), '\0');
  EXPECT_EQ(text.rfind("[2] ", 0), 0u);
}

}  // namespace
