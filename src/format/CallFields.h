// The one reader of call payloads: one record's call as named fields, each with its raw value,
// the text the window shows for it and its piece of the call line. The window's lines
// (CallFormatters), the JSON export and the packet export all render these fields.
#pragma once

#include <array>
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

// Where the call line shows a field.
enum class Shown : uint8_t {
  kInLine,   // in the first call line, after the fields before it
  kAddress,  // the socket address: its length and three parts, which a brief line leaves out
  kNot,      // nowhere of its own: the line shows it within another field (optname in optval)
};

struct CallField {
  std::string name;
  std::variant<int64_t, std::string> value;
  std::string text;  // the window's rendering, without the parameter's label
  std::string line;  // its piece of the call line: the text with its label and separators
  Shown shown = Shown::kInLine;
  bool utf8 = false;  // its strings are UTF-8, from a wide string of the program's (WideText.h)
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
  std::array<uint8_t, 16> address6{};  // an AF_INET6 address's, in network order
};

struct DecodedCall {
  std::string_view name;            // empty for an API id outside the call table
  std::optional<int32_t> socket;    // the socket argument
  std::vector<CallField> params;    // in call order, the address fields last
  std::optional<CallField> result;  // absent where the window shows none
  int32_t error = 0;
  protocol::calls::Family family = protocol::calls::Family::kWinsock1;  // names the error
  AddressRole role = AddressRole::kNone;
  SockAddr address;
  protocol::calls::Data direction = protocol::calls::Data::kNone;
  // Transfer calls that moved bytes: how many, and the captured ones within the payload.
  std::optional<int32_t> total;
  std::span<const uint8_t> data;

  // The number a parameter (or "result") holds; nothing for an absent or text field.
  std::optional<int64_t> Number(std::string_view name) const;
};

// Reads the record's payload by its call's layout group. The calls decoded by name only, and
// records without a payload, give no fields and no result. Reads past the payload count as
// zero, and texts and option values end at its end; `data` points into `msg`.
DecodedCall DecodeCall(const CSpyMsg& msg);

}  // namespace format
