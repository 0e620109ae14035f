// The readers of the Winsock 2 calls that wait for sockets (select, WSAPoll), select their
// network events, look up hosts and convert host names.
#include <algorithm>

#include "format/NameTables.h"
#include "format/PayloadReader.h"

namespace format::payload {

namespace {

using protocol::calls::Family;
using protocol::calls::Id;

bool Succeeded(const Reader& r) {
  return r.I32(layout::kResult2) != -1;
}

// select and WSAPoll return how many sockets are ready.
void ReadyResult(Reader& r) {
  const int32_t result = r.I32(layout::kResult2);
  r.Result(result, result == -1 ? FormatResult(-1, r.I32(layout::kError), Family::kWinsock2)
                                : std::to_string(result) + " ready");
}

std::string Handle(uint64_t s) {
  return std::to_string(static_cast<int64_t>(s));
}

// The sockets of each select set as stored: as passed, then as the call left them.
struct StoredSets {
  std::array<uint32_t, 3> count;
  std::array<size_t, 3> offset;  // of the first socket
};
StoredSets SetsAt(const Reader& r, size_t counts, size_t offset) {
  StoredSets sets{};
  for (size_t i = 0; i < 3; ++i) {
    sets.count[i] = r.U32(counts + 4 * i);
    sets.offset[i] = offset;
    offset += 8 * std::min<size_t>(sets.count[i], layout::kFdSetSize);
  }
  return sets;
}
size_t EndOf(const StoredSets& sets) {
  return sets.offset[2] + 8 * std::min<size_t>(sets.count[2], layout::kFdSetSize);
}

// A set's stored sockets: their values, and as the window lists them.
std::pair<std::string, std::string> Members(const Reader& r, const StoredSets& sets, size_t i) {
  const size_t stored = std::min<size_t>(sets.count[i], layout::kFdSetSize);
  std::string value;
  std::string text;
  for (size_t k = 0; k < stored; ++k) {
    const std::string s = Handle(r.U64(sets.offset[i] + 8 * k));
    value += k > 0 ? " " : "";
    value += s;
    text += k > 0 ? ", " : "";
    text += s;
  }
  if (sets.count[i] > stored) text += ", ...";
  return {value, text};
}

// A family's name where the Winsock 2 calls know one, else its number.
std::string FamilyName(int32_t family) {
  const char* name = names::Find<int32_t>(names::kAddressFamilies, family);
  if (name == nullptr) name = names::Find<int32_t>(names::kWinsock2AddressFamilies, family);
  return name != nullptr ? name : std::to_string(family);
}

// An address of a family: IPv4 dotted, IPv6 in its shortest form, else its bytes in hex.
std::string HostAddress(Block bytes, int32_t family) {
  if (family == layout::kFamilyInet && bytes.size() == 4) {
    return FormatInAddr({bytes[0], bytes[1], bytes[2], bytes[3]});
  }
  if (family == layout::kFamilyInet6 && bytes.size() == 16) {
    return FormatIn6Addr(bytes.first<16>(), 0);
  }
  std::string hex;
  for (const uint8_t byte : bytes) hex += HexByte(byte);
  return hex;
}

// The bytes from `offset`, as many as the payload holds of `size`.
Block BytesAt(Block p, size_t offset, size_t size) {
  return offset < p.size() ? p.subspan(offset, std::min(size, p.size() - offset)) : Block();
}

// WSAPoll's entries, as many as it says it holds and fit in the payload.
size_t PollEntries(Block p) {
  const size_t room = p.size() > layout::kPollFixed ? p.size() - layout::kPollFixed : 0;
  return std::min<size_t>(protocol::bytes::GetLE32(p, layout::kPollKept),
                          room / layout::kPollEntrySize);
}

// Entry i of the FD_* names is bit i, which WSANETWORKEVENTS's error codes are indexed by.
constexpr bool EventsAreBits() {
  for (size_t i = 0; i < std::size(names::kNetworkEvents); ++i) {
    if (names::kNetworkEvents[i].value != 1u << i) return false;
  }
  return std::size(names::kNetworkEvents) == layout::kNetworkEventsCount;
}
static_assert(EventsAreBits());

}  // namespace

void ReadSelect2(Reader& r) {
  static constexpr const char* kNames[] = {"readfds", "writefds", "exceptfds"};
  static constexpr const char* kCounts[] = {", #reads=", ", #writes=", ", #excepts="};
  r.Decimal("nfds", "nfds=", layout::kSelect2Nfds);
  const uint32_t passed = r.U32(layout::kSelect2Passed);
  const StoredSets before = SetsAt(r, layout::kSelect2CountsBefore, layout::kSelect2Fixed);
  const StoredSets after = SetsAt(r, layout::kSelect2CountsAfter, EndOf(before));
  for (size_t i = 0; i < 3; ++i) {
    r.Labelled(kNames[i], before.count[i], kCounts[i] + std::to_string(before.count[i]));
  }
  if ((passed & layout::kPassedTimeout) != 0) {
    r.Decimal("tv_sec", ", tv_sec=", layout::kSelect2Sec);
    r.Decimal("tv_usec", ", tv_usec=", layout::kSelect2Usec);
  } else {
    r.Field("timeout", "NULL", "NULL", ", timeout=NULL");
  }
  // Verbose: a line for each set passed, its sockets before the call and, after one that
  // succeeded, those ready.
  bool first = true;
  for (size_t i = 0; i < 3; ++i) {
    if ((passed & 1u << i) == 0) continue;
    const std::string name = kNames[i];
    const auto [value, text] = Members(r, before, i);
    std::string line = (first ? ", FD_SET." : ".") + name + "={" + text + "}";
    first = false;
    if (!Succeeded(r)) {
      r.Field((name + ".in").c_str(), value, text, line, Shown::kAddress);
      continue;
    }
    const auto [readyValue, readyText] = Members(r, after, i);
    r.Field((name + ".in").c_str(), value, text, line + " -> {" + readyText + "}", Shown::kAddress);
    r.Field((name + ".out").c_str(), readyValue, readyText, {}, Shown::kNot);
  }
  ReadyResult(r);
}

void ReadPoll(Reader& r) {
  r.Labelled("nfds", r.U32(layout::kPollCount),
             "nfds=" + std::to_string(r.U32(layout::kPollCount)));
  r.Decimal("timeout", ", timeout=", layout::kPollTimeout);
  const bool succeeded = Succeeded(r);
  const size_t kept = PollEntries(r.p);
  for (size_t i = 0; i < kept; ++i) {
    const size_t entry = layout::kPollFixed + i * layout::kPollEntrySize;
    const std::string name = "fdArray[" + std::to_string(i) + "].";
    const uint64_t fd = r.U64(entry);
    const auto events = static_cast<int16_t>(r.U16(entry + layout::kPollEvents));
    const auto revents = static_cast<int16_t>(r.U16(entry + layout::kPollRevents));
    const std::string eventsText = FormatMask(names::kPollEvents, static_cast<uint16_t>(events));
    const std::string reventsText = FormatMask(names::kPollEvents, static_cast<uint16_t>(revents));
    std::string line =
        (i == 0 ? ", WSAPOLLFD.fd=" : ".fd=") + Handle(fd) + ", events=" + eventsText;
    if (succeeded) line += ", revents=" + reventsText;
    r.Field((name + "fd").c_str(), static_cast<int64_t>(fd), Handle(fd), line, Shown::kAddress);
    r.Field((name + "events").c_str(), events, eventsText, {}, Shown::kNot);
    if (succeeded) r.Field((name + "revents").c_str(), revents, reventsText, {}, Shown::kNot);
  }
  ReadyResult(r);
}

void ReadSelectEvents(Reader& r) {
  r.Socket64();
  const bool window = r.row.id == static_cast<uint16_t>(Id::ws2_WSAAsyncSelect);
  const uint64_t handle = r.U64(layout::kSelectEventsHandle);
  r.Labelled(window ? "hWnd" : "hEventObject", static_cast<int64_t>(handle),
             (window ? ", hWnd=" : ", hEventObject=") + FormatPointer(handle));
  if (window) r.Decimal("wMsg", ", wMsg=", layout::kSelectEventsMessage);
  const int32_t events = r.I32(layout::kSelectEventsMask);
  r.Labelled(window ? "lEvent" : "lNetworkEvents", events,
             (window ? ", lEvent=" : ", lNetworkEvents=") +
                 FormatMask(names::kNetworkEvents, static_cast<uint32_t>(events)));
  r.IntResult(layout::kResult2);
}

void ReadNetworkEvents(Reader& r) {
  r.Socket64();
  const uint64_t event = r.U64(layout::kNetworkEventsHandle);
  r.Labelled("hEventObject", static_cast<int64_t>(event), ", hEventObject=" + FormatPointer(event));
  if (Succeeded(r)) {
    const int32_t events = r.I32(layout::kNetworkEventsMask);
    r.Labelled(
        "lNetworkEvents", events,
        ", lNetworkEvents=" + FormatMask(names::kNetworkEvents, static_cast<uint32_t>(events)));
    // Every error code in the value; the text and the line name those of the events set.
    std::string value;
    std::string text;
    std::string line;
    for (size_t i = 0; i < layout::kNetworkEventsCount; ++i) {
      const int32_t code = r.I32(layout::kNetworkEventsErrors + 4 * i);
      value += i > 0 ? " " : "";
      value += std::to_string(code);
      if ((events & 1 << i) == 0) continue;
      const std::string piece = std::string(names::kNetworkEvents[i].name) + "_BIT]=" +
                                (code == 0 ? "0" : FormatErrorCode(code, Family::kWinsock2));
      text += text.empty() ? "[" : ", [";
      text += piece;
      line += ", iErrorCode[" + piece;
    }
    r.Field("iErrorCode", value, text, line);
  }
  r.IntResult(layout::kResult2);
}

void ReadHostent(Reader& r) {
  const int32_t error = r.I32(layout::kError);
  const std::string name = PayloadText(r.p, layout::kHostentFixed);
  const bool byName = r.row.id == static_cast<uint16_t>(Id::ws2_gethostbyname);
  if (byName) {
    r.Field("name", name, name, "name=" + name);
  } else {
    const int32_t len = r.I32(layout::kHostentLen);
    const int32_t type = r.I32(layout::kHostentType);
    const size_t size = std::clamp<int32_t>(len, 0, layout::kHostAddrCapacity);
    const std::string addr = HostAddress(BytesAt(r.p, layout::kHostentAddr, size), type);
    r.Field("addr", addr, addr, "addr=" + addr);
    r.Decimal("len", ", len=", layout::kHostentLen);
    r.Labelled("type", type, ", type=" + FamilyName(type));
  }
  const uint64_t result = r.U64(layout::kHostentResult);
  if (result == 0) {
    r.Result(0, error == 0 ? "NULL" : FormatErrorCode(error, Family::kWinsock2));
    return;
  }
  // The hostent, a Verbose line for each of its members.
  size_t at = layout::kHostentFixed + name.size() + 1;
  const std::string hostName = PayloadText(r.p, at);
  at += hostName.size() + 1;
  r.Field("h_name", hostName, hostName, ", HOSTENT.h_name=" + hostName, Shown::kAddress);
  std::string aliases;
  std::string aliasesText;
  for (size_t i = 0; i < r.U16(layout::kHostentAliases) && at < r.p.size(); ++i) {
    const std::string alias = PayloadText(r.p, at);
    at += alias.size() + 1;
    aliases += i > 0 ? " " : "";
    aliases += alias;
    aliasesText += i > 0 ? ", " : "";
    aliasesText += alias;
  }
  r.Field("h_aliases", aliases, aliasesText, ".h_aliases=" + aliasesText, Shown::kAddress);
  const auto type = static_cast<int16_t>(r.U16(layout::kHostentAddrType));
  const auto length = static_cast<int16_t>(r.U16(layout::kHostentLength));
  r.Labelled("h_addrtype", type, ".h_addrtype=" + FamilyName(type), Shown::kAddress);
  r.Labelled("h_length", length, ".h_length=" + std::to_string(length), Shown::kAddress);
  const size_t size = std::clamp<int16_t>(length, 0, layout::kHostAddrCapacity);
  std::string addresses;
  std::string addressesText;
  for (size_t i = 0; i < r.U16(layout::kHostentAddresses) && size > 0 && at + size <= r.p.size();
       ++i, at += size) {
    const std::string address = HostAddress(r.p.subspan(at, size), type);
    addresses += i > 0 ? " " : "";
    addresses += address;
    addressesText += i > 0 ? ", " : "";
    addressesText += address;
  }
  r.Field("h_addr_list", addresses, addressesText, ".h_addr_list=" + addressesText,
          Shown::kAddress);
  // Briefly, what was looked up: the address a name has, the name of an address.
  const std::string found = byName ? addresses.substr(0, addresses.find(' ')) : hostName;
  r.Result(static_cast<int64_t>(result), found.empty() ? "HOSTENT" : found);
}

void ReadHostName(Reader& r) {
  r.Decimal("namelen", "namelen=", layout::kHostNameLen);
  if (Succeeded(r)) {
    const std::string name = PayloadText(r.p, layout::kHostNameFixed);
    r.Field("name", name, name, ", name=" + name);
  }
  r.IntResult(layout::kResult2);
}

}  // namespace format::payload
