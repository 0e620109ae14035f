// The table of the traced calls against what the system fixes: the lists the dialogs show,
// which calls carry data, the help contexts, and the agent's ordinals. (Ids are checked to be
// dense at compile time, in Calls.h.)
#include "protocol/Calls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

TEST(Calls, DialogListsShowTheSocketCallsInIdOrder) {
  const std::vector<std::string_view> expected = {
      "accept",     "bind",   "closesocket", "connect",   "getpeername", "getsockname",
      "getsockopt", "htonl",  "htons",       "inet_addr", "inet_ntoa",   "ioctlsocket",
      "listen",     "ntohl",  "ntohs",       "recv",      "recvfrom",    "select",
      "send",       "sendto", "setsockopt",  "shutdown",  "socket"};
  const auto& filter = protocol::calls::kFilterListNames;
  const auto& trigger = protocol::calls::kTriggerListNames;
  EXPECT_EQ(std::vector<std::string_view>(filter.begin(), filter.end()), expected);
  // The trigger's combo box sorts its entries; its index is the API id only because this
  // order is already alphabetical.
  EXPECT_EQ(std::vector<std::string_view>(trigger.begin(), trigger.end()), expected);
  EXPECT_TRUE(std::is_sorted(trigger.begin(), trigger.end()));
  EXPECT_EQ(protocol::calls::kFlagCount, 46);
}

TEST(Calls, OnlyTheTransfersCarryData) {
  using protocol::calls::Data;
  // A receive's data may come with the overlapped result that collects it.
  const std::map<std::string_view, Data> transfers = {{"recv", Data::kRecv},
                                                      {"recvfrom", Data::kRecv},
                                                      {"WSARecv", Data::kRecv},
                                                      {"WSARecvFrom", Data::kRecv},
                                                      {"WSAGetOverlappedResult", Data::kRecv},
                                                      {"send", Data::kSend},
                                                      {"sendto", Data::kSend},
                                                      {"WSASend", Data::kSend},
                                                      {"WSASendTo", Data::kSend}};
  for (const protocol::calls::Call& call : protocol::calls::kCalls) {
    const auto it = transfers.find(call.name);
    EXPECT_EQ(call.data, it != transfers.end() ? it->second : Data::kNone) << call.name;
    EXPECT_EQ(protocol::calls::TransferOf(call.id).has_value(), it != transfers.end()) << call.name;
  }
  EXPECT_EQ(protocol::calls::DataOf(-1), Data::kNone);
  EXPECT_EQ(protocol::calls::DataOf(0xFFFF), Data::kNone);
}

TEST(Calls, HelpContextIs175PlusIdForTheDecodedCallsElseOne) {
  for (int32_t id = -1; id <= protocol::calls::kRowCount; ++id) {
    const bool decoded = (id >= 0 && id <= 22) || (id >= 46 && id < protocol::calls::kRowCount);
    EXPECT_EQ(protocol::calls::HelpContext(id), decoded ? 175u + static_cast<uint32_t>(id) : 1u)
        << id;
  }
  EXPECT_EQ(protocol::calls::HelpContext(0xFFFF), 1u);
}

// The Winsock 1.1 calls lie at the system library's ordinals: ids 0-22 at 1-23, 23-29 at 51-57,
// 30-45 at 101-116.
TEST(Calls, Winsock1CallsAreAtTheirWsock32Ordinals) {
  for (const protocol::calls::Call& call : protocol::calls::kCalls) {
    if (protocol::calls::FamilyOf(call.id) != protocol::calls::Family::kWinsock1) continue;
    const int id = call.id;
    const int ordinal = id <= 22 ? id + 1 : id <= 29 ? id - 23 + 51 : id - 30 + 101;
    EXPECT_EQ(call.wsock32, ordinal) << call.name;
  }
  EXPECT_EQ(protocol::calls::FamilyOf(45), protocol::calls::Family::kWinsock1);
  EXPECT_EQ(protocol::calls::FamilyOf(0xFFFF), protocol::calls::Family::kWinsock2);
}

}  // namespace
