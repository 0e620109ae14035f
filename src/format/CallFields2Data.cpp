// The readers of the Winsock 2 calls that move data: sendto and recvfrom, the WSABUF calls
// WSASend, WSARecv, WSASendTo and WSARecvFrom, and WSAGetOverlappedResult, which collects what an
// overlapped receive got.
#include "format/PayloadReader.h"

namespace format::payload {

namespace {

using protocol::calls::Data;
using protocol::calls::Family;

bool Sends(const Reader& r) {
  return r.row.data == Data::kSend;
}

void MsgFlags(Reader& r, const char* name, const char* label, size_t offset,
              Shown shown = Shown::kInLine) {
  r.Labelled(name, r.I32(offset), label + FormatMsgFlags(r.I32(offset)), shown);
}

// The buffer count, and the lengths of the buffers listed behind the captured bytes: "[5, 7]",
// "[5, 7, ...]" when the payload lists fewer than there were ("[...]": none).
void Buffers(Reader& r, layout::Transfer transfer, Shown countShown) {
  const uint32_t count = r.U32(layout::kWsaBufferCount);
  r.Labelled("buffers", count, ", buffers=" + std::to_string(count), countShown);
  const int32_t captured = r.I32(transfer.count);
  const size_t start = transfer.fixed + static_cast<size_t>(std::max(captured, 0));
  const size_t room = start < r.p.size() ? (r.p.size() - start) / 4 : 0;
  const size_t listed = std::min<size_t>({count, r.U32(layout::kWsaListed), room});
  std::string value;
  std::string text = "[";
  for (size_t i = 0; i < listed; ++i) {
    const std::string length = std::to_string(r.U32(start + 4 * i));
    value += (i > 0 ? "," : "") + length;
    text += (i > 0 ? ", " : "") + length;
  }
  if (listed < count) {
    value += listed > 0 ? ",..." : "...";
    text += listed > 0 ? ", ..." : "...";
  }
  text += "]";
  r.Field("lengths", value, text, " " + text);
}

// The result of a call that moved data: the bytes it moved, and the flags a receive returned
// where it set any; else the failure (WSA_IO_PENDING for an overlapped call under way). `ok` says
// whether the call succeeded; `bytes` names the count in the JSON export.
void DataResult(Reader& r, layout::Transfer transfer, bool ok, int32_t moved, const char* bytes,
                size_t flagsOut) {
  const int32_t result = r.I32(layout::kResult2);
  const int32_t error = r.I32(layout::kError);
  // The captured bytes and their total, which a send that pends has too.
  r.Total(r.I32(transfer.result));
  if (!ok) {
    // A BOOL result fails as FALSE, an int one as SOCKET_ERROR.
    r.Result(result, error != 0    ? FormatErrorCode(error, Family::kWinsock2)
                     : result == 0 ? "FALSE"
                                   : "SOCKET_ERROR");
    return;
  }
  std::string text = std::to_string(moved) + " bytes";
  r.Labelled(bytes, moved, std::to_string(moved), Shown::kNot);
  if (!Sends(r)) {
    MsgFlags(r, "flags_out", "", flagsOut, Shown::kNot);
    if (r.I32(flagsOut) != 0) text += ", " + FormatMsgFlags(r.I32(flagsOut));
  }
  r.Result(result, text);
}

void WsaBuffers(Reader& r, layout::Transfer transfer) {
  r.Socket64();
  Buffers(r, transfer, Shown::kInLine);
  MsgFlags(r, "flags", ", flags=", layout::kWsaFlags);
  const bool addressed = transfer.fixed > layout::kWsaAddress;
  if (addressed && !Sends(r)) r.Decimal("fromlen_in", ", fromlen=", layout::kWsaFromLen);
  Pointer(r, "overlapped", ", overlapped=", layout::kWsaOverlapped);
  Pointer(r, "completion_routine", ", routine=", layout::kWsaCompletion);
  if (addressed) {
    r.AnyAddress(Sends(r) ? "tolen" : "fromlen", layout::kWsaAddress,
                 Sends(r) ? AddressRole::kDestination : AddressRole::kSource);
  }
  DataResult(r, transfer, r.I32(layout::kResult2) == 0, r.I32(transfer.result),
             Sends(r) ? "sent" : "received", layout::kWsaFlagsOut);
}

}  // namespace

void ReadTransferAddr2(Reader& r) {
  r.Socket64();
  r.Decimal("len", ", len=", layout::kTransfer2Len);
  MsgFlags(r, "flags", ", flags=", layout::kTransfer2Flags);
  if (!Sends(r)) r.Decimal("fromlen_in", ", fromlen=", layout::kTransferAddr2FromLen);
  r.AnyAddress(Sends(r) ? "tolen" : "fromlen", layout::kTransferAddr2Address,
               Sends(r) ? AddressRole::kDestination : AddressRole::kSource);
  r.TransferResult(layout::kTransferAddr2);
}

void ReadWsaBuffers(Reader& r) {
  WsaBuffers(r, layout::kWsaBuffers);
}

void ReadWsaBuffersAddr(Reader& r) {
  WsaBuffers(r, layout::kWsaBuffersAddr);
}

void ReadOverlappedResult(Reader& r) {
  r.Socket64();
  Pointer(r, "overlapped", ", overlapped=", layout::kWsaOverlapped);
  const int32_t wait = r.I32(layout::kCollectWait);
  r.Labelled("wait", wait, std::string(", wait=") + (wait != 0 ? "TRUE" : "FALSE"));
  // The receive it collected, when the agent saw it pend.
  if (const int32_t id = r.I32(layout::kCollectApi); id != 0) {
    const protocol::calls::Call* call = protocol::calls::Find(id);
    const std::string name = call != nullptr ? std::string(call->name) : std::to_string(id);
    r.Field("collects", name, name, ", collects=" + name);
    Buffers(r, layout::kWsaBuffersAddr, Shown::kNot);
  }
  r.AnyAddress("fromlen", layout::kWsaAddress, AddressRole::kSource);
  DataResult(r, layout::kWsaBuffersAddr, r.I32(layout::kResult2) != 0,
             r.I32(layout::kCollectTransferred), "transferred", layout::kWsaFlagsOut);
}

}  // namespace format::payload
