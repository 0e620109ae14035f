#include "store/Archive.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Head(const Bytes& all, size_t n) {
  return Bytes(all.begin(), all.begin() + n);
}

TEST(Archive, NumbersAreLittleEndian) {
  store::ArchiveWriter out;
  out.Put8(0x01);
  out.Put16(0xA1B2);
  out.Put32(0xC1D2E3F4);
  EXPECT_EQ(out.Bytes(), (Bytes{0x01, 0xB2, 0xA1, 0xF4, 0xE3, 0xD2, 0xC1}));

  store::ArchiveReader in(out.Bytes());
  uint8_t b = 0;
  uint16_t w = 0;
  uint32_t d = 0;
  ASSERT_TRUE(in.Get8(b) && in.Get16(w) && in.Get32(d));
  EXPECT_EQ(b, 0x01);
  EXPECT_EQ(w, 0xA1B2);
  EXPECT_EQ(d, 0xC1D2E3F4u);
  EXPECT_FALSE(in.Get8(b));
}

TEST(Archive, CountedStringsUseTheThreeLengthForms) {
  struct Case {
    size_t length;
    Bytes prefix;
  };
  const Case cases[] = {{0, {0x00}},
                        {10, {0x0A}},
                        {254, {0xFE}},
                        {255, {0xFF, 0xFF, 0x00}},
                        {65533, {0xFF, 0xFD, 0xFF}},
                        {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
                        {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}}};
  for (const Case& c : cases) {
    const std::string text(c.length, 'q');
    store::ArchiveWriter out;
    out.PutString(text);
    ASSERT_EQ(out.Bytes().size(), c.prefix.size() + c.length) << c.length;
    EXPECT_EQ(Head(out.Bytes(), c.prefix.size()), c.prefix) << c.length;

    store::ArchiveReader in(out.Bytes());
    std::string back;
    ASSERT_TRUE(in.GetString(back)) << c.length;
    EXPECT_EQ(back, text);
    EXPECT_EQ(in.Remaining(), 0u);
  }
}

TEST(Archive, ReadsLengthFormsAnotherWriterMayUse) {
  // A short string in the 16-bit form, and 0xFFFE taken as a 16-bit length.
  const Bytes mid = {0xFF, 0x02, 0x00, 'h', 'i'};
  store::ArchiveReader in(mid);
  std::string text;
  ASSERT_TRUE(in.GetString(text));
  EXPECT_EQ(text, "hi");

  Bytes fffe = {0xFF, 0xFE, 0xFF};
  fffe.resize(3 + 0xFFFE, 'x');
  store::ArchiveReader in2(fffe);
  ASSERT_TRUE(in2.GetString(text));
  EXPECT_EQ(text.size(), 0xFFFEu);
}

TEST(Archive, ReadsThatDoNotFitFailAndConsumeNothing) {
  const Bytes cases[] = {
      {},
      {0x05, 'a', 'b', 'c'},                            // one-byte length past the end
      {0xFF, 0x00},                                     // 16-bit length cut off
      {0xFF, 0x00, 0x01, 'a'},                          // 256 claimed
      {0xFF, 0xFF, 0xFF, 0x10},                         // 32-bit length cut off
      {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a'},  // 4 GiB claimed: no allocation
  };
  for (const Bytes& block : cases) {
    store::ArchiveReader in(block);
    std::string text = "kept";
    EXPECT_FALSE(in.GetString(text));
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(in.Position(), 0u);
  }
  const Bytes three = {1, 2, 3};
  store::ArchiveReader in(three);
  uint32_t d = 7;
  std::vector<uint8_t> out;
  EXPECT_FALSE(in.Get32(d));
  EXPECT_EQ(d, 7u);
  EXPECT_FALSE(in.GetBytes(4, out));
  EXPECT_TRUE(in.GetBytes(3, out));
  EXPECT_EQ(out, three);
}

}  // namespace
