#include "store/TriggerPattern.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/TriggerLists.h"

namespace {

std::vector<uint8_t> BytesOf(const store::PatternParse& parse) {
  return std::vector<uint8_t>(parse.bytes.begin(), parse.bytes.begin() + parse.length);
}

TEST(TriggerPattern, AcceptsBytesSeparatedByAnyOneCharacter) {
  struct Case {
    const char* text;
    std::vector<uint8_t> bytes;
    const char* shown;
  };
  const Case cases[] = {
      {"55,AA,55,AA,FF", {0x55, 0xAA, 0x55, 0xAA, 0xFF}, "55,AA,55,AA,FF"},
      {"55 AA 55 AA FF", {0x55, 0xAA, 0x55, 0xAA, 0xFF}, "55,AA,55,AA,FF"},
      {"5,0A,00ff", {0x05, 0x0A, 0xFF}, "05,0A,FF"},
      {"55,", {0x55}, "55"},
      {"80;ff", {0x80, 0xFF}, "80,FF"},
      {"", {}, ""},
  };
  for (const Case& c : cases) {
    const store::PatternParse parse = store::ParseTriggerPattern(c.text);
    EXPECT_EQ(parse.error, "") << c.text;
    EXPECT_EQ(BytesOf(parse), c.bytes) << c.text;
    EXPECT_EQ(store::FormatTriggerPattern(parse.bytes, parse.length), c.shown);
  }
}

TEST(TriggerPattern, RefusesWithTheErrorAndItsPosition) {
  struct Case {
    std::string text;
    const char* error;
    int position;
  };
  std::string hundred;
  for (int i = 0; i < 100; ++i) hundred += "AB,";
  const Case cases[] = {
      {"100", "Value Too Large", 2},
      {"55,1FF", "Value Too Large", 5},
      {",55", "Invalid Character in String", 0},
      {"55,,AA", "Invalid Character in String", 3},
      {"zz", "Invalid Character in String", 0},
      {hundred + "CD", "Pattern Longer Than 100 Bytes", 300},
      {hundred.substr(0, 298) + " 1", "Pattern Longer Than 100 Bytes", 299},
  };
  for (const Case& c : cases) {
    const store::PatternParse parse = store::ParseTriggerPattern(c.text);
    EXPECT_EQ(parse.error, c.error) << c.text;
    EXPECT_EQ(parse.position, c.position) << c.text;
  }
  // Exactly 100 bytes is a whole pattern.
  const store::PatternParse full = store::ParseTriggerPattern(hundred);
  EXPECT_EQ(full.error, "");
  EXPECT_EQ(full.length, 100);
}

TEST(TriggerPattern, ShowsOnlyTheBytesThatExist) {
  store::TriggerPatternBytes pattern{};
  pattern[0] = 0x0F;
  pattern[99] = 0xE1;
  EXPECT_EQ(store::FormatTriggerPattern(pattern, 1), "0F");
  EXPECT_EQ(store::FormatTriggerPattern(pattern, 0), "");
  EXPECT_EQ(store::FormatTriggerPattern(pattern, -3), "");
  const std::string all = store::FormatTriggerPattern(pattern, 65535);  // from a settings file
  EXPECT_EQ(all.size(), 100u * 3 - 1);
  EXPECT_EQ(all.substr(all.size() - 2), "E1");
}

TEST(TriggerLists, SortedErrorIndexesKeepTheirPositionsAndCodes) {
  ASSERT_EQ(store::kSortedTriggerErrors.size(), 37u);
  EXPECT_EQ(store::kSortedTriggerErrors[0].name, "WSAEADDRINUSE");
  EXPECT_EQ(store::kSortedTriggerErrors[8].name, "WSAEDQUOT");
  EXPECT_EQ(store::kSortedTriggerErrors[34].name, "WSAETOOMANYREFS");
  EXPECT_EQ(store::kSortedTriggerErrors[36].name, "WSAEWOULDBLOCK");
  EXPECT_EQ(store::TriggerErrorCode(0), 10048);
  EXPECT_EQ(store::TriggerErrorCode(8), 10069);
  EXPECT_EQ(store::TriggerErrorCode(29), 10071);  // WSAEREMOTE
  EXPECT_EQ(store::TriggerErrorCode(36), 10035);
  EXPECT_EQ(store::TriggerErrorCode(-1), std::nullopt);
  EXPECT_EQ(store::TriggerErrorCode(37), std::nullopt);
  EXPECT_EQ(protocol::calls::kTriggerListNames[18], "send");
}

}  // namespace
