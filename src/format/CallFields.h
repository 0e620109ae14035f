// One record's call as named fields, each with its raw value and the text the window shows for
// it: what the JSON export writes and what the packet export reads its sockets, addresses and
// data from.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "format/ValueRenderers.h"
#include "protocol/Calls.h"
#include "store/SpyMsg.h"

namespace format {

struct CallField {
  std::string name;
  std::variant<int64_t, std::string> value;
  std::string text;  // the window's rendering, without the parameter's label
};

// Whose address a call names.
enum class AddressRole {
  kNone,
  kLocal,        // bind, getsockname
  kPeer,         // connect, getpeername, accept (the peer of the new socket)
  kDestination,  // sendto
  kSource,       // recvfrom
};

struct SockAddr {
  int16_t family = 0;
  uint16_t port = 0;  // host order
  InAddr address{};
};

struct DecodedCall {
  std::string_view name;            // empty for an API id outside the call table
  std::optional<int32_t> socket;    // the socket argument
  std::vector<CallField> params;    // in call order
  std::optional<CallField> result;  // absent where the window shows none
  int32_t error = 0;
  AddressRole role = AddressRole::kNone;
  SockAddr address;
  protocol::calls::Data direction = protocol::calls::Data::kNone;
  // Transfer calls that moved bytes: how many, and the captured ones within the payload.
  std::optional<int32_t> total;
  std::span<const uint8_t> data;

  // The number a parameter (or "result") holds; nothing for an absent or text field.
  std::optional<int64_t> Number(std::string_view name) const;
};

// Reads past the payload count as zero, as in the window; `data` points into `msg`.
DecodedCall DecodeCall(const CSpyMsg& msg);

}  // namespace format
