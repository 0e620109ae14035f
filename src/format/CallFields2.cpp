// The readers of the Winsock 2 calls' payloads.
#include "format/PayloadReader.h"

namespace format::payload {

namespace {

using protocol::calls::Family;
using protocol::calls::Id;

// A Winsock version word: the major version in its low byte.
std::string Version(uint16_t version) {
  return std::to_string(version & 0xFF) + "." + std::to_string(version >> 8);
}

}  // namespace

void ReadStartup(Reader& r) {
  const uint16_t requested = r.U16(layout::kStartupRequested);
  r.Labelled("version", requested, "version=" + Version(requested));
  const uint16_t version = r.U16(layout::kStartupVersion);
  const uint16_t high = r.U16(layout::kStartupHighVersion);
  r.Labelled("wVersion", version, ", wVersion=" + Version(version));
  r.Labelled("wHighVersion", high, ", wHighVersion=" + Version(high));
  const std::string description = PayloadText(r.p, layout::kStartupFixed);
  const std::string status = PayloadText(r.p, layout::kStartupFixed + description.size() + 1);
  r.Field("szDescription", description, description, {}, Shown::kNot);
  r.Field("szSystemStatus", status, status, {}, Shown::kNot);
  // WSAStartup returns its error code.
  r.ErrorCodeResult(layout::kResult2);
}
void ReadCleanup(Reader& r) {
  r.IntResult(layout::kResult2);
}
void ReadSocket2(Reader& r) {
  SocketArgs2(r);
  r.Socket64Result(layout::kSocket2Result);
}
void ReadClose2(Reader& r) {
  r.Socket64();
  r.IntResult(layout::kResult2);
}
void ReadBindConnect2(Reader& r) {
  r.Socket64();
  const bool bind = r.row.id == static_cast<uint16_t>(Id::ws2_bind);
  r.AnyAddress("namelen", layout::kBindConnect2Address,
               bind ? AddressRole::kLocal : AddressRole::kPeer);
  r.IntResult(layout::kResult2);
}

void ReadRecvSend2(Reader& r) {
  r.Socket64();
  r.Decimal("len", ", len=", layout::kTransfer2Len);
  Flags(r, layout::kTransfer2Flags);
  r.TransferResult(layout::kTransfer2);
}

}  // namespace format::payload
