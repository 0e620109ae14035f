// The traced calls of KL2_32.dll, the Winsock 2 agent: the same reports as Klvnt32.dll's
// (WrapperBodies.h), with the Winsock 2 payloads: handles in 64-bit fields, addresses whole.
#include <algorithm>
#include <cstring>

#include "agent/win32/WrapperBodies.h"
#include "protocol/PayloadLayout.h"

// KL2_32.dll stands in for WS2_32.DLL.
const agent::Library agent::kAgentLibrary = agent::Library::kWs2_32;

namespace {

using agent::wrappers::Handle64;
using agent::wrappers::Report;
using agent::wrappers::SocketId;
using protocol::calls::Id;

// The bytes of a socket address the program passed, as many as its length says and the
// payload's address block holds; none when the call refused the pointer.
agent::payload::AnyAddress Address(const Report& report, const sockaddr* address, int length) {
  agent::payload::AnyAddress any{length, {}};
  if (address != nullptr && length > 0 && report.PointersValid()) {
    any.bytes = {reinterpret_cast<const uint8_t*>(address),
                 std::min(static_cast<size_t>(length), protocol::layout::kAddrBlockCapacity)};
  }
  return any;
}

template <Id kId>
int BindOrConnect(SOCKET s, const sockaddr* name, int namelen) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent::wrappers::CallReal<kId>(agent, s, name, namelen);
  if (!agent.Wants(kId)) return result;
  Report report(agent, kId, result == SOCKET_ERROR);
  if (report.Wanted({SocketId(s)})) {
    report.Send(agent::payload::BuildBindConnect2,
                agent::payload::Address2Call{report.Error(), result, Handle64(s),
                                             Address(report, name, namelen)});
  }
  return result;
}

// recv and send; `Buffer` is char* or const char*.
template <Id kId, class Buffer>
int RecvSend(SOCKET s, Buffer buf, int len, int flags) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent::wrappers::CallReal<kId>(agent, s, buf, len, flags);
  if (!agent.Wants(kId)) return result;
  Report report(agent, kId, result == SOCKET_ERROR);
  if (report.Wanted({SocketId(s)})) {
    constexpr size_t kFixed = protocol::layout::kTransfer2.fixed;
    report.SendTransfer(
        agent::payload::BuildRecvSend2,
        agent::payload::Transfer2Call{report.Error(), result, Handle64(s), flags, len}, kFixed,
        agent::wrappers::Bytes(buf, report.KeptBytes(result, kFixed)));
  }
  return result;
}

// A text of the WSADATA, read no further than its array.
template <size_t kSize>
std::string_view Text(const char (&text)[kSize]) {
  return {text, strnlen(text, kSize)};
}

}  // namespace

extern "C" {

int WINAPI Klv_ws2_WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.Real().ws2_WSAStartup(wVersionRequested, lpWSAData);
  if (result == 0) agent.ProgramStarted();
  if (!agent.Wants(Id::ws2_WSAStartup)) return result;
  // WSAStartup returns its error code rather than setting it.
  Report report(agent, Id::ws2_WSAStartup, result != 0, result);
  if (report.Wanted()) {
    agent::payload::StartupCall call{report.Error(), result, wVersionRequested, 0, 0, {}, {}};
    if (result == 0) {
      call.version = lpWSAData->wVersion;
      call.highVersion = lpWSAData->wHighVersion;
      call.description = Text(lpWSAData->szDescription);
      call.systemStatus = Text(lpWSAData->szSystemStatus);
    }
    report.Send(agent::payload::BuildStartup, call);
  }
  return result;
}

int WINAPI Klv_ws2_WSACleanup() {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.ProgramCleanup(agent.Real().ws2_WSACleanup);
  if (!agent.Wants(Id::ws2_WSACleanup)) return result;
  Report report(agent, Id::ws2_WSACleanup, result == SOCKET_ERROR);
  if (report.Wanted()) report.Send(agent::payload::BuildCleanup, report.Error(), result);
  return result;
}

SOCKET WINAPI Klv_ws2_socket(int af, int type, int protocol) {
  agent::Agent& agent = agent::Agent::Get();
  const SOCKET result = agent.Real().ws2_socket(af, type, protocol);
  if (!agent.Wants(Id::ws2_socket)) return result;
  Report report(agent, Id::ws2_socket, result == INVALID_SOCKET);
  const bool wanted =
      result == INVALID_SOCKET ? report.Wanted() : report.Wanted({SocketId(result)});
  if (wanted) {
    report.Send(agent::payload::BuildSocket2,
                agent::payload::Socket2Call{report.Error(), af, type, protocol, Handle64(result)});
  }
  return result;
}

int WINAPI Klv_ws2_closesocket(SOCKET s) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.Real().ws2_closesocket(s);
  if (!agent.Wants(Id::ws2_closesocket)) return result;
  Report report(agent, Id::ws2_closesocket, result == SOCKET_ERROR);
  if (report.Wanted({SocketId(s)})) {
    report.Send(agent::payload::BuildClose2,
                agent::payload::Result2Call{report.Error(), result, Handle64(s)});
  }
  return result;
}

int WINAPI Klv_ws2_bind(SOCKET s, const sockaddr* name, int namelen) {
  return BindOrConnect<Id::ws2_bind>(s, name, namelen);
}

int WINAPI Klv_ws2_connect(SOCKET s, const sockaddr* name, int namelen) {
  return BindOrConnect<Id::ws2_connect>(s, name, namelen);
}

int WINAPI Klv_ws2_recv(SOCKET s, char* buf, int len, int flags) {
  return RecvSend<Id::ws2_recv>(s, buf, len, flags);
}

int WINAPI Klv_ws2_send(SOCKET s, const char* buf, int len, int flags) {
  return RecvSend<Id::ws2_send>(s, buf, len, flags);
}

}  // extern "C"
