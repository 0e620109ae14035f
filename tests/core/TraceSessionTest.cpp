#include "app/TraceSession.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "RecordingAgentLink.h"
#include "protocol/SpyDatagram.h"

namespace {

class FixedClock : public capture::IClock {
 public:
  uint32_t Now() override { return 100; }
};

class Queue : public capture::IDatagramSource {
 public:
  int Receive(uint8_t* buffer, int, uint32_t& from) override {
    if (datagrams.empty()) return -1;
    std::copy(datagrams.front().begin(), datagrams.front().end(), buffer);
    datagrams.pop_front();
    from = 0x7F000001;
    return static_cast<int>(protocol::spy::kDatagramSize);
  }
  std::deque<protocol::spy::Datagram> datagrams;
};

void Fill(std::vector<SpyMsgPtr>& buffer, int count) {
  for (int i = 0; i < count; ++i) {
    buffer.push_back(std::make_unique<CSpyMsg>());
    buffer.back()->m_time = static_cast<uint32_t>(i);
  }
}

std::vector<std::string> EnableCalls(
    const std::array<int32_t, protocol::calls::kFlagCount>& flags) {
  std::vector<std::string> calls;
  for (int id = 0; id < protocol::calls::kFlagCount; ++id) {
    calls.push_back("enable " + std::to_string(id) + " " +
                    std::to_string(flags[static_cast<size_t>(id)]));
  }
  return calls;
}

class TraceSessionTest : public ::testing::Test {
 protected:
  config::Options options;
  FixedClock clock;
  std::unique_ptr<RecordingAgentLink> link = std::make_unique<RecordingAgentLink>();
  RecordingAgentLink& agent = *link;
  app::TraceSession session{options, clock, std::move(link)};
  store::TraceStore& store = session.Store();
};

TEST_F(TraceSessionTest, ContactSwitchesEveryCallOffUntilBeginTrace) {
  agent.revision = 3;
  EXPECT_EQ(session.ContactAgent(nullptr, 5150), 3);
  std::vector<std::string> expected = {"contact 5150 1"};
  for (const std::string& call : EnableCalls({})) expected.push_back(call);
  expected.push_back("tracking 0 0 0 0");
  EXPECT_EQ(agent.calls, expected);

  // A failed contact is all the agent hears.
  agent.calls.clear();
  agent.revision = 0;
  EXPECT_EQ(session.ContactAgent(nullptr, 5150), 0);
  session.EndContact(nullptr);
  EXPECT_EQ(agent.calls, (std::vector<std::string>{"contact 5150 1", "contact 1025 0"}));
}

// Another monitor held the contact: Begin Trace asks again, and begins only once it has it.
TEST_F(TraceSessionTest, BeginTraceAsksForARefusedContactAgain) {
  agent.revision = 0;
  EXPECT_EQ(session.ContactAgent(nullptr, 5150), 0);
  store.m_trapBuf.push_back(std::make_unique<CSpyMsg>());
  agent.calls.clear();
  EXPECT_FALSE(session.BeginTrace());
  EXPECT_EQ(agent.calls, std::vector<std::string>{"contact 5150 1"});
  EXPECT_EQ(store.m_bTracing, 0);
  EXPECT_EQ(store.m_trapBuf.size(), 1u);  // nothing began, nothing was dropped

  agent.revision = 3;
  EXPECT_TRUE(session.BeginTrace());
  EXPECT_EQ(session.AgentRevision(), 3);
  EXPECT_EQ(store.m_bTracing, 1);
  session.EndTrace();
  agent.calls.clear();
  EXPECT_TRUE(session.EnsureContact());  // held: the agent is not asked again
  EXPECT_TRUE(agent.calls.empty());
}

TEST_F(TraceSessionTest, BeginAndEndTraceTellTheAgent) {
  Queue source;
  source.datagrams.push_back(
      protocol::spy::FragmentMessage({1, 1, 18}, std::vector<uint8_t>(300, 0))[0]);
  session.ReceivePass(source);
  ASSERT_EQ(session.PendingCount(), 1u);
  options.m_bIgnoreWouldBlock = 0;
  options.m_bErrorsOnly = 1;
  options.m_bRestrictSocket = 1;
  options.m_nSocketId = 77;
  options.m_bSaveEntire = 0;
  options.m_nSaveBytes = 512;
  options.m_bViewTrap = 1;
  Fill(store.m_traceBuf, 2);
  store.ToggleTriggerEnable();
  store.m_trapBuf.push_back(std::make_unique<CSpyMsg>());
  store.m_bTrapActive = 1;

  session.BeginTrace();
  EXPECT_EQ(session.PendingCount(), 0u);
  EXPECT_EQ(store.m_bTracing, 1);
  EXPECT_EQ(store.m_bTrapActive, 0);
  EXPECT_EQ(store.m_bTriggerEnabled, 1);  // an armed trigger stays armed
  EXPECT_TRUE(store.m_trapBuf.empty());
  EXPECT_EQ(store.m_traceBuf.size(), 2u);  // the Trace Buffer is kept
  EXPECT_EQ(options.m_bViewTrap, 0);
  std::vector<std::string> expected = EnableCalls(config::Options::DefaultApiEnable());
  expected.push_back("tracking 0 1 1 77");
  expected.push_back("datablock 0 512");
  EXPECT_EQ(agent.calls, expected);

  agent.calls.clear();
  session.EndTrace();
  EXPECT_EQ(store.m_bTracing, 0);
  expected = EnableCalls({});
  expected.push_back("tracking 0 0 0 0");
  EXPECT_EQ(agent.calls, expected);
  EXPECT_EQ(store.m_traceBuf.size(), 2u);
}

TEST_F(TraceSessionTest, ReceivePassFeedsTheTriggerEveryRecordThenTrims) {
  Queue source;
  const std::vector<uint8_t> payload(10, 0);
  for (uint16_t n = 0; n < 60; ++n) {
    source.datagrams.push_back(protocol::spy::FragmentMessage({1, n, 1}, payload)[0]);
  }
  options.m_nTriggerApi = 1;
  options.m_nTriggerPos = 2;
  store.ToggleTriggerEnable();
  EXPECT_EQ(session.ReceivePass(source).records, 60);
  EXPECT_EQ(store.m_traceBuf.size(), 49u);
  EXPECT_EQ(store.m_trapBuf.size(), 10u);
}

// With a report channel the contact asks for it; its records come in with the datagrams', and
// its lost reports count with theirs.
TEST_F(TraceSessionTest, ChannelIsAskedForAtContactAndReadInTheReceivePass) {
  namespace pc = protocol::channel;
  std::unique_ptr<uint64_t[]> mapping(new uint64_t[pc::kMappingBytes / 8]());
  auto* bytes = reinterpret_cast<uint8_t*>(mapping.get());
  pc::ChannelReader(bytes).Format(1, 2);
  session.AttachChannel(bytes, 9);
  session.ContactAgent(nullptr, 5150);
  EXPECT_EQ(agent.calls.back(), "channel 9");

  class Host : public pc::IWriterHost {
    uint32_t Milliseconds() override { return 0; }
    void Pause() override {}
    void Wake() override {}
  } host;
  pc::LaneWriter writer(bytes, *pc::LaneWriter::Claim(bytes, 0x40, 0), bytes + pc::kTableBytes);
  writer.Put(0, 18, std::vector<uint8_t>(30), host);
  writer.End(2, host);
  Queue source;
  source.datagrams.push_back(protocol::spy::FragmentMessage({1, 0, 1}, {})[0]);
  const capture::ReceivePassStats stats = session.ReceivePass(source);
  EXPECT_EQ(stats.records, 2);
  EXPECT_EQ(stats.entries, 1);
  ASSERT_EQ(store.m_traceBuf.size(), 2u);
  EXPECT_EQ(store.m_traceBuf[1]->m_nApiId, 18);
  EXPECT_EQ(session.LostCount(), 1u);
}

TEST_F(TraceSessionTest, TraceNoneWhileTracingDisablesEveryCallInOrder) {
  store.m_bTracing = 1;
  dialogs::CaptureFiltersModel dlg(options, true);
  dlg.OnInitDialog();
  dlg.OnTraceNone();
  dlg.OnErrorsOnly();
  ASSERT_TRUE(dlg.OnOK("7").ok);
  session.ApplyCaptureFilters(dlg);

  std::vector<std::string> expected = EnableCalls({});
  expected.push_back("tracking 1 1 0 7");  // ignore-would-block is on by default
  expected.push_back("datablock 1 16");
  EXPECT_EQ(agent.calls, expected);
  EXPECT_EQ(options.m_apiEnable, (std::array<int32_t, protocol::calls::kFlagCount>{}));
  EXPECT_EQ(options.m_bErrorsOnly, 1);
  EXPECT_EQ(options.m_nSocketId, 7);

  // Idle: the options change, the agent hears nothing.
  store.m_bTracing = 0;
  agent.calls.clear();
  dialogs::CaptureFiltersModel idle(options, false);
  idle.OnInitDialog();
  idle.OnTraceAll();
  ASSERT_TRUE(idle.OnOK("7").ok);
  session.ApplyCaptureFilters(idle);
  EXPECT_TRUE(agent.calls.empty());
  EXPECT_EQ(options.m_apiEnable[22], 1);
  EXPECT_EQ(options.m_apiEnable[23], 0);
}

TEST_F(TraceSessionTest, SmallerSizesTrimTraceBufferOnlyAndShowTrapFull) {
  options.m_nTraceSize = 2000;
  options.m_nTrapSize = 200;
  Fill(store.m_traceBuf, 1200);
  Fill(store.m_trapBuf, 30);

  dialogs::CaptureFiltersModel dlg(options, false);
  dlg.OnInitDialog();
  dialogs::BufferValues buffers = dlg.Buffers();
  buffers.m_nTraceSize = 50;
  buffers.m_nTrapSize = 10;
  dlg.OnBuffersAccepted(buffers);
  ASSERT_TRUE(dlg.OnOK("0").ok);
  session.ApplyCaptureFilters(dlg);

  ASSERT_EQ(store.m_traceBuf.size(), 50u);
  EXPECT_EQ(store.m_traceBuf.front()->m_time, 1150u);  // the 1150 oldest went
  EXPECT_EQ(store.m_trapBuf.size(), 30u);
  EXPECT_EQ(store.TrapStatusText(), "Trap Buffer Full");
  EXPECT_EQ(options.m_nTrapSize, 10);
}

}  // namespace
