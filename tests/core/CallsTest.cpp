// The table of the traced calls against what the system fixes: the lists the dialogs show,
// which calls carry data, the help contexts, and the agent's export table. (Ids are checked
// to be dense at compile time, in Calls.h.)
#include "protocol/Calls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "SourceFile.h"

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
  EXPECT_EQ(protocol::calls::kCount, 46);
}

TEST(Calls, OnlyTheFourTransfersCarryData) {
  using protocol::calls::Data;
  const std::map<std::string_view, Data> transfers = {{"recv", Data::kRecv},
                                                      {"recvfrom", Data::kRecv},
                                                      {"send", Data::kSend},
                                                      {"sendto", Data::kSend}};
  for (const protocol::calls::Call& call : protocol::calls::kCalls) {
    const auto it = transfers.find(call.name);
    EXPECT_EQ(call.data, it != transfers.end() ? it->second : Data::kNone) << call.name;
    EXPECT_EQ(protocol::calls::TransferOf(call.id).has_value(), it != transfers.end()) << call.name;
  }
  EXPECT_EQ(protocol::calls::DataOf(-1), Data::kNone);
  EXPECT_EQ(protocol::calls::DataOf(46), Data::kNone);
}

TEST(Calls, HelpContextIs175PlusIdForTheSocketCallsElseOne) {
  for (int32_t id = -1; id <= 46; ++id) {
    EXPECT_EQ(protocol::calls::HelpContext(id),
              id >= 0 && id <= 22 ? 175u + static_cast<uint32_t>(id) : 1u)
        << id;
  }
}

// The wrappers' exports in Klvnt32.def: "  name = Klv_name@bytes @ordinal". The traced calls lie
// at the system library's ordinals: ids 0-22 at 1-23, 23-29 at 51-57, 30-45 at 101-116.
TEST(Calls, AgentExportsEveryCallAtItsOrdinal) {
  const std::string def = SourceFile("src/agent/win32/Klvnt32.def");
  ASSERT_FALSE(def.empty());
  const std::regex wrapper(R"(^ +(\w+) = Klv_(\w+)@\d+ @(\d+)\s*$)");
  std::map<std::string, int> exported;
  std::istringstream lines(def);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (!std::regex_match(line, m, wrapper)) continue;
    EXPECT_EQ(m[1], m[2]) << line;
    exported[m[1]] = std::stoi(m[3]);
  }
  std::map<std::string, int> expected;
  for (const protocol::calls::Call& call : protocol::calls::kCalls) {
    const int id = call.id;
    const int ordinal = id <= 22 ? id + 1 : id <= 29 ? id - 23 + 51 : id - 30 + 101;
    EXPECT_EQ(call.ordinal, ordinal) << call.name;
    expected[std::string(call.name)] = call.ordinal;
  }
  EXPECT_EQ(exported, expected);
}

}  // namespace
