// The traced Winsock calls, read from their table (CallTable.h), and what follows from a row.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "protocol/CallTable.h"
#include "protocol/PayloadLayout.h"

namespace protocol::calls {

// Which way the call's captured data went; kNone for the calls without data.
enum class Data : uint8_t { kNone, kSend, kRecv };

// The dialog lists that show a call, as bits.
constexpr uint8_t kFilterList = 1;   // the Capture Filters list
constexpr uint8_t kTriggerList = 2;  // the trigger's call list
constexpr uint8_t kBothLists = kFilterList | kTriggerList;

// The ids by the rows' keys: Id::accept, Id::WSAStartup, Id::ws2_WSAStartup.
enum class Id : uint16_t {
#define QUARNET_CALL_ID(id, key, ...) key = id,
  QUARNET_CALLS(QUARNET_CALL_ID)
#undef QUARNET_CALL_ID
};

// The calls the monitor decodes have a help topic each, numbered by id from 175; the calls
// shown by name only share the general topic.
constexpr uint32_t kFirstCallTopic = 175;
constexpr uint32_t kGeneralTopic = 1;

struct Call {
  uint16_t id;
  std::string_view name;
  uint16_t wsock32;  // the ordinals at which each agent exports it; 0 where one does not
  uint16_t ws2_32;
  uint16_t flag;  // the id whose trace flag governs it
  uint8_t args;   // the function's parameters, each one stack slot wide
  protocol::layout::Group layout;
  bool socketArg;
  Data data;
  uint8_t lists;

  constexpr uint32_t HelpContext() const {
    return layout == protocol::layout::Group::kGeneric ? kGeneralTopic : kFirstCallTopic + id;
  }
};

inline constexpr Call kCalls[] = {
#define QUARNET_CALL_ROW(id, key, name, wsock32, ws2_32, flag, args, group, socketArg, data, \
                         lists)                                                              \
  {id,                                                                                       \
   #name,                                                                                    \
   wsock32,                                                                                  \
   ws2_32,                                                                                   \
   static_cast<uint16_t>(Id::flag),                                                          \
   args,                                                                                     \
   protocol::layout::Group::group,                                                           \
   socketArg,                                                                                \
   Data::data,                                                                               \
   lists},
    QUARNET_CALLS(QUARNET_CALL_ROW)
#undef QUARNET_CALL_ROW
};

constexpr int kRowCount = static_cast<int>(std::size(kCalls));

// The monitor keeps a trace flag for each of the first 46 ids, the Winsock 1.1 calls: the
// settings file, the control block and SPAEnableSpy hold these 46. Every later call is governed
// by the flag of the call its row names.
constexpr int kFlagCount = 46;

// The row of an API id; null for ids outside the table (records from files hold anything).
constexpr const Call* Find(int32_t id) {
  return id >= 0 && id < kRowCount ? &kCalls[id] : nullptr;
}

// The generations of the interface: the ids with flags of their own are the Winsock 1.1 calls,
// every later id a Winsock 2 call. A family knows its own set of error names.
enum class Family : uint8_t { kWinsock1, kWinsock2 };

constexpr Family FamilyOf(int32_t id) {
  return id >= 0 && id < kFlagCount ? Family::kWinsock1 : Family::kWinsock2;
}

// The index in the 46 trace flags of the flag that governs the call.
constexpr size_t FlagOf(Id id) {
  return kCalls[static_cast<size_t>(id)].flag;
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
constexpr bool FlagsAreOwnOrFirstIds() {
  for (const Call& call : kCalls) {
    if (call.id < kFlagCount ? call.flag != call.id : call.flag >= kFlagCount) return false;
  }
  return true;
}
}  // namespace detail

// Find() and the lists' entry numbers depend on these.
static_assert(detail::IdsAreRowNumbers(), "API ids must be 0, 1, 2 ... in row order");
static_assert(kRowCount >= kFlagCount && detail::FlagsAreOwnOrFirstIds(),
              "the Winsock 1.1 calls keep their own flags; a later call names one of theirs");
static_assert(detail::ListHoldsFirstIds<kFilterList>() && detail::ListHoldsFirstIds<kTriggerList>(),
              "a dialog list must show the first ids, so that entry i is API id i");

}  // namespace protocol::calls
