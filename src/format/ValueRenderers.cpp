#include "format/ValueRenderers.h"

#include <algorithm>
#include <cstdio>

#include "format/NameTables.h"
#include "protocol/Bytes.h"
#include "protocol/WinsockErrors.h"

namespace format {

namespace {

template <typename... Args>
std::string Printf(const char* format, Args... args) {
  char buffer[64];
  const int length = std::snprintf(buffer, sizeof buffer, format, args...);
  return std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

std::string NameOrHex16(std::span<const format::names::ValueName<int32_t>> table, int32_t value) {
  const char* name = format::names::Find(table, value);
  return name ? std::string(name) : FormatHex16(static_cast<uint32_t>(value));
}

template <typename T>
std::string NameOrDecimal(std::span<const format::names::ValueName<T>> table, T value) {
  const char* name = format::names::Find(table, value);
  return name ? std::string(name) : std::to_string(value);
}

// The names of the bits set, joined by "|", and the bits without a name in hexadecimal; empty
// for no bits.
std::string BitNames(std::span<const format::names::ValueName<uint32_t>> table, uint32_t bits) {
  std::string text;
  for (const auto& bit : table) {
    if ((bits & bit.value) == 0) continue;
    if (!text.empty()) text += '|';
    text += bit.name;
    bits &= ~bit.value;
  }
  if (bits != 0) {
    if (!text.empty()) text += '|';
    text += Printf("0x%04lX", static_cast<unsigned long>(bits));
  }
  return text;
}

}  // namespace

std::string FormatErrorCode(int32_t code, Family family) {
  const std::string_view name = protocol::errors::Name(code, family);
  return !name.empty() ? std::string(name) : Printf("Error Code = %d", code);
}

std::string FormatSocket(int32_t value, int32_t error, Family family) {
  if (value == -1) return error == 0 ? "INVALID_SOCKET" : FormatErrorCode(error, family);
  return Printf("SOCKET=%ld", static_cast<long>(value));
}

std::string FormatResult(int32_t value, int32_t error, Family family) {
  if (value == -1) return error == 0 ? "SOCKET_ERROR" : FormatErrorCode(error, family);
  return "NO ERROR";
}

std::string FormatHex16(uint32_t value) {
  return Printf("0x%04X", value & 0xFFFFu);
}

std::string FormatHex32(uint32_t value) {
  return Printf("0x%08lX", static_cast<unsigned long>(value));
}

std::string FormatInAddr(const InAddr& address) {
  return Printf("%d.%d.%d.%d", address[0], address[1], address[2], address[3]);
}

std::string FormatFamily(int16_t family, Family calls) {
  return ".family=" + FormatAddressFamily(family, calls);
}

std::string FormatAddressFamily(int32_t family, Family calls) {
  const char* name = format::names::Find<int32_t>(format::names::kAddressFamilies, family);
  if (name == nullptr && calls == Family::kWinsock2) {
    name = format::names::Find<int32_t>(format::names::kWinsock2AddressFamilies, family);
  }
  return name ? std::string(name) : FormatHex16(static_cast<uint16_t>(family));
}

std::string FormatPort(uint16_t port) {
  const unsigned host = static_cast<uint16_t>(port >> 8 | port << 8);
  return Printf(".port=%u", host);
}

std::string FormatAddress(const InAddr& address) {
  return ".address=" + FormatInAddr(address);
}

std::string FormatIn6Addr(std::span<const uint8_t, 16> address, uint32_t scope) {
  std::array<unsigned, 8> groups{};
  for (size_t i = 0; i < groups.size(); ++i) groups[i] = address[2 * i] << 8 | address[2 * i + 1];
  std::string text;
  if (std::all_of(groups.begin(), groups.begin() + 5, [](unsigned g) { return g == 0; }) &&
      groups[5] == 0xFFFF) {
    text = "::ffff:" + FormatInAddr({address[12], address[13], address[14], address[15]});
  } else {
    // The longest run of two or more zero groups, the first of equal ones, becomes "::".
    size_t runStart = groups.size();
    size_t runLength = 1;
    for (size_t i = 0; i < groups.size();) {
      size_t end = i;
      while (end < groups.size() && groups[end] == 0) ++end;
      if (end - i > runLength) runStart = i, runLength = end - i;
      i = end > i ? end : i + 1;
    }
    for (size_t i = 0; i < groups.size(); ++i) {
      if (i == runStart) {
        text += "::";
        i += runLength - 1;
        continue;
      }
      if (!text.empty() && text.back() != ':') text += ':';
      text += Printf("%x", groups[i]);
    }
  }
  if (scope != 0) text += Printf("%%%lu", static_cast<unsigned long>(scope));
  return text;
}

std::string FormatSockOpt(int32_t level, int32_t option, std::span<const uint8_t> value,
                          Family family) {
  const format::names::SocketOption* known = format::names::FindSocketOption(family, level, option);
  if (!known) return Printf("%d", option);
  std::string text = known->name;
  const auto addressAt = [value](size_t i) {
    using protocol::bytes::Get8;
    return FormatInAddr(
        {Get8(value, i), Get8(value, i + 1), Get8(value, i + 2), Get8(value, i + 3)});
  };
  const uint32_t bits = protocol::bytes::GetLE32(value, 0);
  const auto number = static_cast<int32_t>(bits);
  switch (known->suffix) {
    case format::names::OptionSuffix::kBoolean:
      text += number != 0 ? "=TRUE" : "=FALSE";
      break;
    case format::names::OptionSuffix::kLinger:
      text +=
          (bits & 0xFFFFu) == 0 ? "=OFF" : Printf("=ON, TIME=%d", static_cast<int16_t>(bits >> 16));
      break;
    case format::names::OptionSuffix::kNumber:
      text += Printf("=%ld", static_cast<long>(number));
      break;
    case format::names::OptionSuffix::kNone:
      break;
    case format::names::OptionSuffix::kAddress:
      text += Printf("=%s", addressAt(0).c_str());
      break;
    case format::names::OptionSuffix::kMembership:
      text += Printf("=%s, INTERFACE=%s", addressAt(0).c_str(), addressAt(4).c_str());
      break;
    case format::names::OptionSuffix::kHex:
      if (!value.empty()) {
        text += "=0x";
        for (const uint8_t byte : value) text += Printf("%02X", byte);
      }
      break;
    case format::names::OptionSuffix::kMembership6: {
      std::array<uint8_t, 16> group{};
      for (size_t i = 0; i < group.size(); ++i) group[i] = protocol::bytes::Get8(value, i);
      text += '=';
      text += FormatIn6Addr(group, 0);
      text += Printf(", INTERFACE=%lu",
                     static_cast<unsigned long>(protocol::bytes::GetLE32(value, group.size())));
      break;
    }
  }
  return text;
}

std::string FormatLevel(int32_t level, Family family) {
  const char* name = family == Family::kWinsock2 || level == format::names::kSolSocket
                         ? format::names::Find<int32_t>(format::names::kOptionLevels, level)
                         : nullptr;
  return name ? ", " + std::string(name) + ", "
              : ", level=" + FormatHex16(static_cast<uint32_t>(level)) + ", ";
}

std::string FormatIoctlCommand(uint32_t command) {
  const char* name = format::names::Find<uint32_t>(format::names::kIoctlCommands, command);
  return "cmd=" + (name ? std::string(name) : FormatHex32(command)) + ", ";
}

std::string FormatIoControlCode(uint32_t code) {
  const char* name = format::names::Find<uint32_t>(format::names::kWsaIoctlCodes, code);
  if (name == nullptr) name = format::names::Find<uint32_t>(format::names::kIoctlCommands, code);
  return name ? std::string(name) : FormatHex32(code);
}

std::string FormatWsaSocketFlags(uint32_t flags) {
  const std::string text = BitNames(format::names::kWsaSocketFlags, flags);
  return text.empty() ? "0" : text;
}

std::string FormatSocketGroup(uint32_t group) {
  return NameOrDecimal<uint32_t>(format::names::kSocketGroups, group);
}

std::string FormatShutdownHow(int32_t how) {
  return NameOrDecimal<int32_t>(format::names::kShutdownHow, how);
}

std::string FormatRecvFlags(int32_t flags) {
  return NameOrHex16(format::names::kRecvFlags, flags);
}
std::string FormatSendFlags(int32_t flags) {
  return NameOrHex16(format::names::kSendFlags, flags);
}
std::string FormatMsgFlags(int32_t flags) {
  const std::string text = BitNames(format::names::kWinsock2MsgFlags, static_cast<uint32_t>(flags));
  return text.empty() ? "0x0000" : text;
}
std::string FormatProtocolFamily(int32_t af, Family calls) {
  if (calls == Family::kWinsock2) {
    if (const char* name =
            format::names::Find<int32_t>(format::names::kWinsock2ProtocolFamilies, af))
      return name;
  }
  return NameOrHex16(format::names::kProtocolFamilies, af);
}
std::string FormatSocketType(int32_t type) {
  return NameOrHex16(format::names::kSocketTypes, type);
}

std::string FormatMask(std::span<const format::names::ValueName<uint32_t>> names, uint32_t mask) {
  if (mask == 0) return "0";
  std::string text;
  const auto append = [&text](std::string_view name) {
    if (!text.empty()) text += '|';
    text += name;
  };
  for (const auto& bit : names) {
    if ((mask & bit.value) == 0) continue;
    append(bit.name);
    mask &= ~bit.value;
  }
  if (mask != 0) append(Printf("0x%08lX", static_cast<unsigned long>(mask)));
  return text;
}

std::string FormatPointer(uint64_t pointer) {
  if (pointer == 0) return "NULL";
  if (pointer <= 0xFFFFFFFFu) return FormatHex32(static_cast<uint32_t>(pointer));
  return Printf("0x%016llX", static_cast<unsigned long long>(pointer));
}

void FormatDumpRows(std::vector<std::string>& lines, std::span<const uint8_t> data) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  constexpr size_t kRowBytes = 16;
  constexpr size_t kFirstByteColumn = 8;
  for (size_t start = 0; start < data.size(); start += kRowBytes) {
    const std::span<const uint8_t> row =
        data.subspan(start, std::min(kRowBytes, data.size() - start));
    std::string hex = Printf("%04lX:", static_cast<unsigned long>(start));
    hex.append(hex.size() + 2 < kFirstByteColumn ? kFirstByteColumn - hex.size() : 2, ' ');
    std::string chars;
    for (size_t i = 0; i < row.size(); ++i) {
      const uint8_t byte = row[i];
      hex += kDigits[byte >> 4];
      hex += kDigits[byte & 0x0F];
      hex.append(i == 7 ? 3 : 1, ' ');
      chars += byte >= 0x21 && byte <= 0x7E ? static_cast<char>(byte) : '.';
    }
    lines.push_back(std::move(hex));
    lines.push_back(std::move(chars));
  }
}

}  // namespace format
