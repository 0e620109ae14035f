#include "agent/ReportRules.h"

#include <gtest/gtest.h>

#include "protocol/PayloadLayout.h"
#include "protocol/ReportChannel.h"

namespace {

using agent::KeptBytes;
using agent::ShouldReport;
using agent::TrackingOptions;

TEST(ReportRules, WithoutOptionsEveryCallIsReported) {
  const TrackingOptions none;
  EXPECT_TRUE(ShouldReport(none, false, 0, {}));
  EXPECT_TRUE(ShouldReport(none, true, agent::kWsaEWouldBlock, {7}));
}

TEST(ReportRules, IgnoreWouldBlockLeavesOutOnlyCallsFailingWithIt) {
  TrackingOptions options;
  options.ignoreWouldBlock = true;
  EXPECT_FALSE(ShouldReport(options, true, 10035, {4}));
  EXPECT_TRUE(ShouldReport(options, true, 10061, {4}));
  // A stale WSAEWOULDBLOCK behind a successful call is not a failure.
  EXPECT_TRUE(ShouldReport(options, false, 10035, {4}));
}

TEST(ReportRules, ErrorsOnlyReportsFailedCallsWhateverTheirCode) {
  TrackingOptions options;
  options.errorsOnly = true;
  EXPECT_FALSE(ShouldReport(options, false, 0, {4}));
  EXPECT_TRUE(ShouldReport(options, true, 10093, {}));
  options.ignoreWouldBlock = true;
  EXPECT_FALSE(ShouldReport(options, true, 10035, {4}));
}

// An overlapped call that pends (WSA_IO_PENDING) is under way, not failed; only WSAEWOULDBLOCK
// is the code that Ignore WSAEWOULDBLOCK leaves out.
TEST(ReportRules, PendingIsNoFailureAndOnlyWouldBlockIsIgnored) {
  TrackingOptions options;
  options.errorsOnly = true;
  EXPECT_FALSE(ShouldReport(options, true, 997, {4}));
  EXPECT_TRUE(ShouldReport(options, true, 996, {4}));  // WSA_IO_INCOMPLETE
  options.errorsOnly = false;
  options.ignoreWouldBlock = true;
  EXPECT_TRUE(ShouldReport(options, true, 997, {4}));
  EXPECT_TRUE(ShouldReport(options, true, 10036, {4}));
}

TEST(ReportRules, RestrictionMatchesTheSocketArgumentOrTheNewSocket) {
  TrackingOptions options;
  options.restrictSocket = true;
  options.socketId = 132;
  EXPECT_TRUE(ShouldReport(options, false, 0, {132}));
  EXPECT_TRUE(ShouldReport(options, false, 0, {116, 132}));  // accept's new socket
  EXPECT_FALSE(ShouldReport(options, false, 0, {116}));
  EXPECT_FALSE(ShouldReport(options, false, 0, {}));  // calls without a socket
  options.errorsOnly = true;
  EXPECT_FALSE(ShouldReport(options, false, 0, {132}));
}

TEST(ReportRules, KeptBytesFollowTheDataOptions) {
  constexpr size_t kShort = protocol::layout::kShortTransfer.fixed;
  constexpr size_t kMax = protocol::spy::kMaxPayload;
  EXPECT_EQ(KeptBytes(40, true, 0, kShort, kMax), 40u);
  EXPECT_EQ(KeptBytes(40, false, 16, kShort, kMax), 16u);
  EXPECT_EQ(KeptBytes(10, false, 16, kShort, kMax), 10u);
  EXPECT_EQ(KeptBytes(40, false, 0, kShort, kMax), 0u);
  EXPECT_EQ(KeptBytes(40, false, -5, kShort, kMax), 0u);
  EXPECT_EQ(KeptBytes(-1, true, 0, kShort, kMax), 0u);  // a failed call has no data
}

// Datagrams carry at most 255 fragments; the report channel a record of 268 chunks.
TEST(ReportRules, KeptBytesFillTheLargestPayloadOfTheChannel) {
  constexpr size_t kShort = protocol::layout::kShortTransfer.fixed;
  constexpr size_t kLong = protocol::layout::kLongTransfer.fixed;
  constexpr size_t kDatagrams = protocol::spy::kMaxPayload;
  constexpr size_t kChannel = protocol::channel::kMaxPayload;
  EXPECT_EQ(KeptBytes(100000, true, 0, kShort, kDatagrams), 62196u);
  EXPECT_EQ(KeptBytes(100000, true, 0, kLong, kDatagrams), 62172u);
  EXPECT_EQ(KeptBytes(100000, false, 70000, kLong, kDatagrams), 62172u);
  EXPECT_EQ(protocol::spy::FragmentCount(kLong + KeptBytes(100000, true, 0, kLong, kDatagrams)),
            255u);
  EXPECT_EQ(KeptBytes(62196, true, 0, kShort, kDatagrams), 62196u);
  EXPECT_EQ(KeptBytes(65000, true, 0, kShort, kChannel), 65000u);
  EXPECT_EQ(KeptBytes(200000, true, 0, kShort, kChannel), 65368u);
  EXPECT_EQ(kShort + KeptBytes(200000, true, 0, kShort, kChannel), 268u * 244u);
}

}  // namespace
