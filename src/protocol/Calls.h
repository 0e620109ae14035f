// The 46 traced Winsock calls, one row each: everything the agent and the monitor know about a
// call follows from its row. The API id is the call's place in the Winsock 1.1 export table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "protocol/PayloadLayout.h"

namespace protocol::calls {

// Which way the call's captured data went; kNone for the calls without data.
enum class Data : uint8_t { kNone, kSend, kRecv };

// The dialog lists that show a call, as bits.
constexpr uint8_t kFilterList = 1;   // the Capture Filters list
constexpr uint8_t kTriggerList = 2;  // the trigger's call list
constexpr uint8_t kBothLists = kFilterList | kTriggerList;

// X(id, ordinal, name, payload layout, takes a socket argument, data, lists)
#define QUARNET_CALLS(X)                                          \
  X(0, 1, accept, kAccept, true, kNone, kBothLists)               \
  X(1, 2, bind, kBindConnect, true, kNone, kBothLists)            \
  X(2, 3, closesocket, kClose, true, kNone, kBothLists)           \
  X(3, 4, connect, kBindConnect, true, kNone, kBothLists)         \
  X(4, 5, getpeername, kGetName, true, kNone, kBothLists)         \
  X(5, 6, getsockname, kGetName, true, kNone, kBothLists)         \
  X(6, 7, getsockopt, kOption, true, kNone, kBothLists)           \
  X(7, 8, htonl, kConvert32, false, kNone, kBothLists)            \
  X(8, 9, htons, kConvert16, false, kNone, kBothLists)            \
  X(9, 10, inet_addr, kInetAddr, false, kNone, kBothLists)        \
  X(10, 11, inet_ntoa, kInetNtoa, false, kNone, kBothLists)       \
  X(11, 12, ioctlsocket, kIoctl, true, kNone, kBothLists)         \
  X(12, 13, listen, kListen, true, kNone, kBothLists)             \
  X(13, 14, ntohl, kConvert32, false, kNone, kBothLists)          \
  X(14, 15, ntohs, kConvert16, false, kNone, kBothLists)          \
  X(15, 16, recv, kRecvSend, true, kRecv, kBothLists)             \
  X(16, 17, recvfrom, kRecvFrom, true, kRecv, kBothLists)         \
  X(17, 18, select, kSelect, false, kNone, kBothLists)            \
  X(18, 19, send, kRecvSend, true, kSend, kBothLists)             \
  X(19, 20, sendto, kSendTo, true, kSend, kBothLists)             \
  X(20, 21, setsockopt, kOption, true, kNone, kBothLists)         \
  X(21, 22, shutdown, kShutdown, true, kNone, kBothLists)         \
  X(22, 23, socket, kSocket, false, kNone, kBothLists)            \
  X(23, 51, gethostbyaddr, kGeneric, false, kNone, 0)             \
  X(24, 52, gethostbyname, kGeneric, false, kNone, 0)             \
  X(25, 53, getprotobyname, kGeneric, false, kNone, 0)            \
  X(26, 54, getprotobynumber, kGeneric, false, kNone, 0)          \
  X(27, 55, getservbyname, kGeneric, false, kNone, 0)             \
  X(28, 56, getservbyport, kGeneric, false, kNone, 0)             \
  X(29, 57, gethostname, kGeneric, false, kNone, 0)               \
  X(30, 101, WSAAsyncSelect, kGeneric, true, kNone, 0)            \
  X(31, 102, WSAAsyncGetHostByAddr, kGeneric, false, kNone, 0)    \
  X(32, 103, WSAAsyncGetHostByName, kGeneric, false, kNone, 0)    \
  X(33, 104, WSAAsyncGetProtoByNumber, kGeneric, false, kNone, 0) \
  X(34, 105, WSAAsyncGetProtoByName, kGeneric, false, kNone, 0)   \
  X(35, 106, WSAAsyncGetServByPort, kGeneric, false, kNone, 0)    \
  X(36, 107, WSAAsyncGetServByName, kGeneric, false, kNone, 0)    \
  X(37, 108, WSACancelAsyncRequest, kGeneric, false, kNone, 0)    \
  X(38, 109, WSASetBlockingHook, kGeneric, false, kNone, 0)       \
  X(39, 110, WSAUnhookBlockingHook, kGeneric, false, kNone, 0)    \
  X(40, 111, WSAGetLastError, kGeneric, false, kNone, 0)          \
  X(41, 112, WSASetLastError, kGeneric, false, kNone, 0)          \
  X(42, 113, WSACancelBlockingCall, kGeneric, false, kNone, 0)    \
  X(43, 114, WSAIsBlocking, kGeneric, false, kNone, 0)            \
  X(44, 115, WSAStartup, kGeneric, false, kNone, 0)               \
  X(45, 116, WSACleanup, kGeneric, false, kNone, 0)

// The ids by the calls' own names: Id::accept, Id::WSAStartup.
enum class Id : uint16_t {
#define QUARNET_CALL_ID(id, ordinal, name, ...) name = id,
  QUARNET_CALLS(QUARNET_CALL_ID)
#undef QUARNET_CALL_ID
};

// The calls the monitor decodes have a help topic each, numbered by id from 175; the calls
// shown by name only share the general topic.
constexpr uint32_t kFirstCallTopic = 175;
constexpr uint32_t kGeneralTopic = 1;

struct Call {
  uint16_t id;
  uint16_t ordinal;
  std::string_view name;
  protocol::layout::Group layout;
  bool socketArg;
  Data data;
  uint8_t lists;

  constexpr uint32_t HelpContext() const {
    return layout == protocol::layout::Group::kGeneric ? kGeneralTopic : kFirstCallTopic + id;
  }
};

inline constexpr Call kCalls[] = {
#define QUARNET_CALL_ROW(id, ordinal, name, group, socketArg, data, lists) \
  {id, ordinal, #name, protocol::layout::Group::group, socketArg, Data::data, lists},
    QUARNET_CALLS(QUARNET_CALL_ROW)
#undef QUARNET_CALL_ROW
};

constexpr int kCount = static_cast<int>(std::size(kCalls));

// The row of an API id; null for ids outside the table (records from files hold anything).
constexpr const Call* Find(int32_t id) {
  return id >= 0 && id < kCount ? &kCalls[id] : nullptr;
}

constexpr Data DataOf(int32_t id) {
  const Call* call = Find(id);
  return call != nullptr ? call->data : Data::kNone;
}

// Where the captured data of the call lies; none for the calls without data.
constexpr std::optional<protocol::layout::Transfer> TransferOf(int32_t id) {
  const Call* call = Find(id);
  return call != nullptr ? protocol::layout::TransferOf(call->layout) : std::nullopt;
}

constexpr uint32_t HelpContext(int32_t id) {
  const Call* call = Find(id);
  return call != nullptr ? call->HelpContext() : kGeneralTopic;
}

// The names a dialog list shows, in id order. Both lists hold the first ids, so entry i of a
// list stands for API id i.
template <uint8_t kList>
constexpr auto ListNames() {
  constexpr size_t size = [] {
    size_t n = 0;
    for (const Call& call : kCalls) n += (call.lists & kList) != 0 ? 1 : 0;
    return n;
  }();
  std::array<std::string_view, size> names{};
  for (size_t i = 0; i < size; ++i) names[i] = kCalls[i].name;
  return names;
}

inline constexpr auto kFilterListNames = ListNames<kFilterList>();
inline constexpr auto kTriggerListNames = ListNames<kTriggerList>();

namespace detail {
constexpr bool IdsAreRowNumbers() {
  for (size_t i = 0; i < std::size(kCalls); ++i) {
    if (kCalls[i].id != i) return false;
  }
  return true;
}
template <uint8_t kList>
constexpr bool ListHoldsFirstIds() {
  for (size_t i = 0; i < std::size(kCalls); ++i) {
    if (((kCalls[i].lists & kList) != 0) != (i < ListNames<kList>().size())) return false;
  }
  return true;
}
}  // namespace detail

// Find() and the lists' entry numbers depend on these.
static_assert(detail::IdsAreRowNumbers(), "API ids must be 0, 1, 2 ... in row order");
static_assert(detail::ListHoldsFirstIds<kFilterList>() && detail::ListHoldsFirstIds<kTriggerList>(),
              "a dialog list must show the first ids, so that entry i is API id i");

}  // namespace protocol::calls
