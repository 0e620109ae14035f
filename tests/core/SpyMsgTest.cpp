#include "store/SpyMsg.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <vector>

#include "protocol/Bytes.h"
#include "protocol/PayloadLayout.h"

namespace {

// A transfer record as the agent lays it out: result and captured count, then the data.
std::unique_ptr<CSpyMsg> TransferRecord(int apiId, int32_t result, std::vector<uint8_t> data,
                                        size_t extraBytes = 0) {
  const bool longLayout = apiId == 16 || apiId == 19;
  const protocol::layout::Transfer offsets =
      longLayout ? protocol::layout::kLongTransfer : protocol::layout::kShortTransfer;
  const size_t resultOffset = offsets.result;
  const size_t countOffset = offsets.count;
  const size_t dataOffset = offsets.fixed;
  auto record = std::make_unique<CSpyMsg>();
  record->m_nApiId = apiId;
  store::Payload payload(dataOffset + data.size() + extraBytes);
  uint8_t* out = payload.MutableBytes().data();
  protocol::bytes::PutLE32(out + resultOffset, static_cast<uint32_t>(result));
  protocol::bytes::PutLE32(out + countOffset, static_cast<uint32_t>(data.size()));
  std::copy(data.begin(), data.end(), out + dataOffset);
  record->m_hData = std::move(payload);
  return record;
}

std::array<uint8_t, 100> Pattern(std::initializer_list<uint8_t> head) {
  std::array<uint8_t, 100> pattern{};
  std::copy(head.begin(), head.end(), pattern.begin());
  return pattern;
}

TEST(SpyMsg, NewRecordIsZeroWithoutPayload) {
  CSpyMsg record;
  EXPECT_EQ(record.m_time, 0u);
  EXPECT_EQ(record.m_nApiId, 0);
  EXPECT_EQ(record.m_dwReserved, 0u);
  EXPECT_EQ(record.m_nError, 0);
  EXPECT_EQ(record.m_bTrigger, 0);
  EXPECT_FALSE(record.m_hData.IsPresent());
  EXPECT_TRUE(record.PayloadBytes().empty());
}

TEST(SpyMsg, CloneIsDeepAndIndependent) {
  CSpyMsg source;
  source.m_time = 0x90000000u;  // past 2038 as a signed value: must survive as unsigned
  source.m_nApiId = 19;
  source.m_dwReserved = 0xDEADBEEF;
  source.m_nError = 10035;
  source.m_bTrigger = 1;
  store::Payload payload(488);
  for (size_t i = 0; i < 488; ++i) payload.MutableBytes()[i] = static_cast<uint8_t>(i * 7);
  source.m_hData = std::move(payload);

  auto copy = source.Clone();
  EXPECT_EQ(copy->m_time, 0x90000000u);
  EXPECT_EQ(copy->m_nApiId, 19);
  EXPECT_EQ(copy->m_dwReserved, 0xDEADBEEFu);
  EXPECT_EQ(copy->m_nError, 10035);
  EXPECT_EQ(copy->m_bTrigger, 1);
  ASSERT_EQ(copy->m_hData.Size(), 488u);
  EXPECT_TRUE(std::equal(copy->PayloadBytes().begin(), copy->PayloadBytes().end(),
                         source.PayloadBytes().begin()));
  EXPECT_NE(copy->PayloadBytes().data(), source.PayloadBytes().data());

  copy->m_hData.MutableBytes()[0] = 0xFF;
  copy->m_bTrigger = 0;
  EXPECT_EQ(source.PayloadBytes()[0], 0);
  EXPECT_EQ(source.m_bTrigger, 1);
}

TEST(SpyMsg, CloneKeepsAbsentAndEmptyPayloads) {
  CSpyMsg none;
  EXPECT_FALSE(none.Clone()->m_hData.IsPresent());
  CSpyMsg empty;
  empty.m_hData = store::Payload(size_t{0});
  auto copy = empty.Clone();
  EXPECT_TRUE(copy->m_hData.IsPresent());
  EXPECT_FALSE(copy->m_hData.HasData());
}

TEST(SpyMsgMatchPattern, ComparesDataAfterTheFixedPartOfEachLayout) {
  const auto pattern = Pattern({0xCA, 0xFE});
  auto send = TransferRecord(18, 4, {0x00, 0xCA, 0xFE, 0x01});
  EXPECT_EQ(send->MatchPattern(1, 2, pattern), 1);
  EXPECT_EQ(send->MatchPattern(0, 2, pattern), 0);
  auto sendto = TransferRecord(19, 4, {0x00, 0xCA, 0xFE, 0x01});
  EXPECT_EQ(sendto->MatchPattern(1, 2, pattern), 1);
  auto recv = TransferRecord(15, 2, {0xCA, 0xFE});
  EXPECT_EQ(recv->MatchPattern(0, 2, pattern), 1);
  auto recvfrom = TransferRecord(16, 2, {0xCA, 0xFE});
  EXPECT_EQ(recvfrom->MatchPattern(0, 2, pattern), 1);
  // A partial match is no match: the first difference ends the comparison.
  EXPECT_EQ(recvfrom->MatchPattern(0, 3, Pattern({0xCA, 0xFE, 0x01})), 0);
}

TEST(SpyMsgMatchPattern, OnlyTransferCallsWithSuccessfulResultsMatch) {
  const auto pattern = Pattern({});
  auto failedRecv = TransferRecord(15, -1, {1, 2, 3});
  EXPECT_EQ(failedRecv->MatchPattern(0, 0, pattern), 0);
  auto connect = TransferRecord(18, 3, {1, 2, 3});
  connect->m_nApiId = 3;
  EXPECT_EQ(connect->MatchPattern(0, 0, pattern), 0);
  CSpyMsg noPayload;
  noPayload.m_nApiId = 18;
  EXPECT_EQ(noPayload.MatchPattern(0, 0, pattern), 0);
  CSpyMsg emptyPayload;
  emptyPayload.m_nApiId = 18;
  emptyPayload.m_hData = store::Payload(size_t{0});
  EXPECT_EQ(emptyPayload.MatchPattern(0, 0, pattern), 0);
}

TEST(SpyMsgMatchPattern, EmptyPatternMatchesUpToTheCapturedCount) {
  const auto pattern = Pattern({});
  auto send = TransferRecord(18, 3, {1, 2, 3});
  EXPECT_EQ(send->MatchPattern(0, 0, pattern), 1);
  EXPECT_EQ(send->MatchPattern(3, 0, pattern), 1);
  EXPECT_EQ(send->MatchPattern(4, 0, pattern), 0);
  EXPECT_EQ(send->MatchPattern(2, 1, Pattern({3})), 1);
  EXPECT_EQ(send->MatchPattern(2, 2, Pattern({3, 0})), 0);  // would pass the captured count
}

TEST(SpyMsgMatchPattern, UnsafeRangesMatchNothing) {
  std::array<uint8_t, 100> zeros{};
  auto send = TransferRecord(18, 200, std::vector<uint8_t>(200, 0));
  EXPECT_EQ(send->MatchPattern(0, 100, zeros), 1);
  EXPECT_EQ(send->MatchPattern(0, 101, zeros), 0);  // beyond the pattern's 100 bytes
  EXPECT_EQ(send->MatchPattern(0, 65535, zeros), 0);
  EXPECT_EQ(send->MatchPattern(-1, 4, zeros), 0);
  EXPECT_EQ(send->MatchPattern(0, -4, zeros), 0);
  const int32_t max = std::numeric_limits<int32_t>::max();
  EXPECT_EQ(send->MatchPattern(max, 4, zeros), 0);  // offset + length must not wrap
  EXPECT_EQ(send->MatchPattern(max, 0, zeros), 0);
}

TEST(SpyMsgMatchPattern, NeverReadsPastThePayloadWhateverTheCountClaims) {
  std::array<uint8_t, 100> zeros{};
  auto send = TransferRecord(18, 10, std::vector<uint8_t>(10, 0));
  // A trace file may claim more captured bytes than the block holds.
  protocol::bytes::PutLE32(
      send->m_hData.MutableBytes().data() + protocol::layout::kShortTransfer.count, 5000);
  EXPECT_EQ(send->MatchPattern(0, 10, zeros), 1);
  EXPECT_EQ(send->MatchPattern(0, 11, zeros), 0);
  EXPECT_EQ(send->MatchPattern(10, 0, zeros), 1);
  EXPECT_EQ(send->MatchPattern(11, 0, zeros), 0);
}

}  // namespace
