// The readers of the Winsock 2 lookups and conversions: getaddrinfo, freeaddrinfo, getnameinfo,
// inet_pton, inet_ntop, WSAAddressToString and WSAStringToAddress, and their wide twins, whose
// texts the payload marks as wide.
#include "format/PayloadReader.h"

namespace format::payload {

namespace {

using protocol::calls::Family;

std::string AddressFamily(int32_t family) {
  return FormatAddressFamily(family, Family::kWinsock2);
}

// The bytes of an IPv4 or IPv6 address inet_pton wrote or inet_ntop read, none when the count
// says so.
std::string InAddrBytes(const Reader& r, size_t countOffset, size_t offset) {
  const auto count = static_cast<size_t>(
      std::clamp<int32_t>(r.I32(countOffset), 0, static_cast<int32_t>(layout::kInAddrCapacity)));
  return HexBytes(r.p, offset, count);
}

// The four fields the hints and every entry of a getaddrinfo list have, as the window shows
// them: flags, family, socket type, protocol.
struct AddrInfoTexts {
  std::string flags, family, socktype, protocol;
};
AddrInfoTexts TextsAt(const Reader& r, size_t flags, size_t family, size_t socktype,
                      size_t protocol) {
  return {FormatMask(format::names::kAddrInfoFlags, r.U32(flags)), AddressFamily(r.I32(family)),
          FormatSocketType(r.I32(socktype)), FormatHex16(r.U32(protocol))};
}

void Hints(Reader& r) {
  if (r.I32(layout::kAddrInfoHints) == 0) {
    r.Field("hints", 0, "NULL", ", hints=NULL");
    return;
  }
  const AddrInfoTexts t = TextsAt(r, layout::kAddrInfoFlags, layout::kAddrInfoFamily,
                                  layout::kAddrInfoSockType, layout::kAddrInfoProtocol);
  r.Field("hints.flags", r.U32(layout::kAddrInfoFlags), t.flags, ", hints={" + t.flags);
  r.Field("hints.family", r.I32(layout::kAddrInfoFamily), t.family, ", " + t.family);
  r.Field("hints.socktype", r.I32(layout::kAddrInfoSockType), t.socktype, ", " + t.socktype);
  r.Field("hints.protocol", r.U32(layout::kAddrInfoProtocol), t.protocol, ", " + t.protocol + "}");
}

// One entry of the list, a line of its own: "ai[0]" and its parts. Returns where the next one
// starts.
size_t Entry(Reader& r, size_t at, size_t index) {
  const std::string name = "ai[" + std::to_string(index) + "]";
  const AddrInfoTexts t = TextsAt(r, at + layout::kEntryFlags, at + layout::kEntryFamily,
                                  at + layout::kEntrySockType, at + layout::kEntryProtocol);
  const AddressParts a = ReadAddressBlock(r.p, at + layout::kEntryAddress);
  const CountedText canonical =
      ReadCountedText(r.p, at + layout::kEntryFixed + layout::CutAddressBytes(a.length));
  // An address with its port as a program writes it: "127.0.0.1:5250", "[::1]:5257".
  const bool brackets = a.family == layout::kFamilyInet6;
  std::string address(brackets ? "[" : "");
  address += a.address;
  if (brackets) address += ']';
  if (a.hasPort) address.append(":").append(std::to_string(a.port));
  std::string text = t.family + ", " + t.socktype + ", " + t.protocol + ", " + address;
  if (r.U32(at + layout::kEntryFlags) != 0) text += ", flags=" + t.flags;
  if (canonical.text) text += ", canonname=" + *canonical.text;
  r.Field(name, text, text, "." + name + "=" + text, Shown::kAddress, canonical.wide);

  r.Field(name + ".flags", r.U32(at + layout::kEntryFlags), t.flags, {}, Shown::kNot);
  r.Field(name + ".family", r.I32(at + layout::kEntryFamily), t.family, {}, Shown::kNot);
  r.Field(name + ".socktype", r.I32(at + layout::kEntrySockType), t.socktype, {}, Shown::kNot);
  r.Field(name + ".protocol", r.U32(at + layout::kEntryProtocol), t.protocol, {}, Shown::kNot);
  r.Field(name + ".addrlen", a.length, std::to_string(a.length), {}, Shown::kNot);
  if (a.hasPort) r.Field(name + ".port", a.port, std::to_string(a.port), {}, Shown::kNot);
  r.Field(name + ".address", a.address, a.address, {}, Shown::kNot);
  if (canonical.text) {
    r.Field(name + ".canonname", *canonical.text, *canonical.text, {}, Shown::kNot, canonical.wide);
  }
  return canonical.end;
}

}  // namespace

void ReadAddrInfo(Reader& r) {
  size_t at = r.Text("node", "node=", layout::kAddrInfoFixed);
  at = r.Text("service", ", service=", at);
  Hints(r);
  // The list and its entries only when the call succeeded; the entries in the payload may be
  // fewer than the count.
  if (r.I32(layout::kResult2) == 0) {
    Pointer(r, "res", ", res=", layout::kAddrInfoList);
    const int32_t held = r.I32(layout::kAddrInfoHeld);
    const int32_t count = r.I32(layout::kAddrInfoCount);
    r.Labelled("count", count, ", ADDRINFO.count=" + std::to_string(count),
               held > 0 ? Shown::kAddress : Shown::kInLine);
    for (int32_t i = 0; i < held && at < r.p.size(); ++i) {
      at = Entry(r, at, static_cast<size_t>(i));
    }
  }
  r.ErrorCodeResult(layout::kResult2);
}

void ReadFreeAddrInfo(Reader& r) {
  Pointer(r, "ai", "ai=", layout::kFreeAddrInfoList);
}

void ReadNameInfo(Reader& r) {
  r.Labelled("hostlen", r.I32(layout::kNameInfoHostLen),
             "hostlen=" + std::to_string(r.I32(layout::kNameInfoHostLen)));
  r.Labelled("servlen", r.I32(layout::kNameInfoServLen),
             ", servlen=" + std::to_string(r.I32(layout::kNameInfoServLen)));
  const uint32_t flags = r.U32(layout::kNameInfoFlags);
  r.Labelled("flags", flags, ", flags=" + FormatMask(format::names::kNameInfoFlags, flags));
  if (r.I32(layout::kResult2) == 0) {
    r.Text("serv", ", serv=", r.Text("host", ", host=", layout::kNameInfoFixed));
  }
  r.AnyAddress("salen", layout::kNameInfoAddress, AddressRole::kNone);
  r.ErrorCodeResult(layout::kResult2);
}

void ReadInetPton(Reader& r) {
  const int32_t family = r.I32(layout::kPtonFamily);
  r.Labelled("af", family, "af=" + AddressFamily(family));
  r.Text("src", ", src=", layout::kPtonFixed);
  const std::string bytes = InAddrBytes(r, layout::kPtonCount, layout::kPtonBytes);
  if (!bytes.empty()) r.Field("dst", bytes, bytes, ", dst=" + bytes);
  // 1 converted, 0 not an address, -1 failed.
  const int32_t result = r.I32(layout::kResult2);
  r.Result(result, result == -1 ? FormatResult(result, r.I32(layout::kError), Family::kWinsock2)
                                : std::to_string(result));
}

void ReadInetNtop(Reader& r) {
  const int32_t family = r.I32(layout::kNtopFamily);
  r.Labelled("af", family, "af=" + AddressFamily(family));
  const std::string bytes = InAddrBytes(r, layout::kNtopCount, layout::kNtopBytes);
  if (!bytes.empty()) r.Field("src", bytes, bytes, ", src=" + bytes);
  r.Labelled("size", static_cast<int64_t>(r.U64(layout::kNtopSize)),
             ", size=" + std::to_string(r.U64(layout::kNtopSize)));
  const CountedText text = ReadCountedText(r.p, layout::kNtopFixed);
  const int32_t error = r.I32(layout::kError);
  if (text.text) {
    r.Result(*text.text, *text.text, text.wide);
  } else {
    r.Result("", error != 0 ? FormatErrorCode(error, Family::kWinsock2) : "NULL");
  }
}

void ReadAddressToString(Reader& r) {
  Pointer(r, "protocol_info", "protocol_info=", layout::kToStringInfo);
  r.Labelled("size", r.I32(layout::kToStringLength),
             ", size=" + std::to_string(r.I32(layout::kToStringLength)));
  if (r.I32(layout::kResult2) == 0) {
    const int32_t size = r.I32(layout::kToStringLengthOut);
    r.Field("size_out", size, std::to_string(size), "->" + std::to_string(size));
    r.Text("string", ", string=", layout::kToStringFixed);
  }
  r.AnyAddress("length", layout::kToStringAddress, AddressRole::kNone);
  r.IntResult(layout::kResult2);
}

void ReadStringToAddress(Reader& r) {
  r.Text("string", "string=", layout::kToAddressFixed);
  const int32_t family = r.I32(layout::kToAddressFamily);
  r.Labelled("af", family, ", af=" + AddressFamily(family));
  Pointer(r, "protocol_info", ", protocol_info=", layout::kToAddressInfo);
  r.Labelled("length", r.I32(layout::kToAddressLength),
             ", length=" + std::to_string(r.I32(layout::kToAddressLength)));
  if (r.I32(layout::kResult2) == 0) {
    r.AnyAddress("addrlen", layout::kToAddressAddress, AddressRole::kNone);
  }
  r.IntResult(layout::kResult2);
}

}  // namespace format::payload
