// The traced calls of KL2_32.dll, the Winsock 2 agent: the same reports as Klvnt32.dll's
// (WrapperBodies.h), with the Winsock 2 payloads: handles in 64-bit fields, addresses whole.
#include <cstring>

#include "agent/win32/WrapperBodies.h"
#include "protocol/PayloadLayout.h"

// KL2_32.dll stands in for WS2_32.DLL.
const agent::Library agent::kAgentLibrary = agent::Library::kWs2_32;

namespace {

using agent::wrappers::Address;
using agent::wrappers::ByName;
using agent::wrappers::Handle64;
using agent::wrappers::Report;
using agent::wrappers::SocketId;
using protocol::calls::Id;

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

// The calls shown by name only until their payloads are decoded.
int WINAPI Klv_WSASend(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount,
                       LPDWORD lpNumberOfBytesSent, DWORD dwFlags, LPWSAOVERLAPPED lpOverlapped,
                       LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine) {
  return ByName<Id::WSASend>(s, lpBuffers, dwBufferCount, lpNumberOfBytesSent, dwFlags,
                             lpOverlapped, lpCompletionRoutine);
}

int WINAPI Klv_ws2_sendto(SOCKET s, const char* buf, int len, int flags, const sockaddr* to,
                          int tolen) {
  return ByName<Id::ws2_sendto>(s, buf, len, flags, to, tolen);
}

int WINAPI Klv_WSASendTo(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount,
                         LPDWORD lpNumberOfBytesSent, DWORD dwFlags, const sockaddr* lpTo,
                         int iTolen, LPWSAOVERLAPPED lpOverlapped,
                         LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine) {
  return ByName<Id::WSASendTo>(s, lpBuffers, dwBufferCount, lpNumberOfBytesSent, dwFlags, lpTo,
                               iTolen, lpOverlapped, lpCompletionRoutine);
}

int WINAPI Klv_WSARecv(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount,
                       LPDWORD lpNumberOfBytesRecvd, LPDWORD lpFlags, LPWSAOVERLAPPED lpOverlapped,
                       LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine) {
  return ByName<Id::WSARecv>(s, lpBuffers, dwBufferCount, lpNumberOfBytesRecvd, lpFlags,
                             lpOverlapped, lpCompletionRoutine);
}

int WINAPI Klv_ws2_recvfrom(SOCKET s, char* buf, int len, int flags, sockaddr* from, int* fromlen) {
  return ByName<Id::ws2_recvfrom>(s, buf, len, flags, from, fromlen);
}

int WINAPI Klv_WSARecvFrom(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount,
                           LPDWORD lpNumberOfBytesRecvd, LPDWORD lpFlags, sockaddr* lpFrom,
                           LPINT lpFromlen, LPWSAOVERLAPPED lpOverlapped,
                           LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine) {
  return ByName<Id::WSARecvFrom>(s, lpBuffers, dwBufferCount, lpNumberOfBytesRecvd, lpFlags, lpFrom,
                                 lpFromlen, lpOverlapped, lpCompletionRoutine);
}

BOOL WINAPI Klv_WSAGetOverlappedResult(SOCKET s, LPWSAOVERLAPPED lpOverlapped, LPDWORD lpcbTransfer,
                                       BOOL fWait, LPDWORD lpdwFlags) {
  return ByName<Id::WSAGetOverlappedResult>(s, lpOverlapped, lpcbTransfer, fWait, lpdwFlags);
}

int WINAPI Klv_getaddrinfo(const char* pNodeName, const char* pServiceName, const addrinfo* pHints,
                           addrinfo** ppResult) {
  return ByName<Id::getaddrinfo>(pNodeName, pServiceName, pHints, ppResult);
}

int WINAPI Klv_GetAddrInfoW(PCWSTR pNodeName, PCWSTR pServiceName, const ADDRINFOW* pHints,
                            PADDRINFOW* ppResult) {
  return ByName<Id::GetAddrInfoW>(pNodeName, pServiceName, pHints, ppResult);
}

void WINAPI Klv_freeaddrinfo(LPADDRINFO pAddrInfo) {
  return ByName<Id::freeaddrinfo>(pAddrInfo);
}

int WINAPI Klv_getnameinfo(const sockaddr* pSockaddr, socklen_t SockaddrLength, PCHAR pNodeBuffer,
                           DWORD NodeBufferSize, PCHAR pServiceBuffer, DWORD ServiceBufferSize,
                           INT Flags) {
  return ByName<Id::getnameinfo>(pSockaddr, SockaddrLength, pNodeBuffer, NodeBufferSize,
                                 pServiceBuffer, ServiceBufferSize, Flags);
}

int WINAPI Klv_GetNameInfoW(const SOCKADDR* pSockaddr, socklen_t SockaddrLength, PWCHAR pNodeBuffer,
                            DWORD NodeBufferSize, PWCHAR pServiceBuffer, DWORD ServiceBufferSize,
                            INT Flags) {
  return ByName<Id::GetNameInfoW>(pSockaddr, SockaddrLength, pNodeBuffer, NodeBufferSize,
                                  pServiceBuffer, ServiceBufferSize, Flags);
}

int WINAPI Klv_inet_pton(INT Family, LPCSTR pStringBuf, PVOID pAddr) {
  return ByName<Id::inet_pton>(Family, pStringBuf, pAddr);
}

const char* WINAPI Klv_inet_ntop(INT Family, LPCVOID pAddr, LPSTR pStringBuf,
                                 size_t StringBufSize) {
  return ByName<Id::inet_ntop>(Family, pAddr, pStringBuf, StringBufSize);
}

int WINAPI Klv_InetPtonW(INT Family, LPCWSTR pStringBuf, PVOID pAddr) {
  return ByName<Id::InetPtonW>(Family, pStringBuf, pAddr);
}

PCWSTR WINAPI Klv_InetNtopW(INT Family, LPCVOID pAddr, LPWSTR pStringBuf, size_t StringBufSize) {
  return ByName<Id::InetNtopW>(Family, pAddr, pStringBuf, StringBufSize);
}

INT WINAPI Klv_WSAAddressToStringA(LPSOCKADDR lpsaAddress, DWORD dwAddressLength,
                                   LPWSAPROTOCOL_INFOA lpProtocolInfo, LPSTR lpszAddressString,
                                   LPDWORD lpdwAddressStringLength) {
  return ByName<Id::WSAAddressToStringA>(lpsaAddress, dwAddressLength, lpProtocolInfo,
                                         lpszAddressString, lpdwAddressStringLength);
}

INT WINAPI Klv_WSAAddressToStringW(LPSOCKADDR lpsaAddress, DWORD dwAddressLength,
                                   LPWSAPROTOCOL_INFOW lpProtocolInfo, LPWSTR lpszAddressString,
                                   LPDWORD lpdwAddressStringLength) {
  return ByName<Id::WSAAddressToStringW>(lpsaAddress, dwAddressLength, lpProtocolInfo,
                                         lpszAddressString, lpdwAddressStringLength);
}

INT WINAPI Klv_WSAStringToAddressA(LPSTR AddressString, INT AddressFamily,
                                   LPWSAPROTOCOL_INFOA lpProtocolInfo, LPSOCKADDR lpAddress,
                                   LPINT lpAddressLength) {
  return ByName<Id::WSAStringToAddressA>(AddressString, AddressFamily, lpProtocolInfo, lpAddress,
                                         lpAddressLength);
}

INT WINAPI Klv_WSAStringToAddressW(LPWSTR AddressString, INT AddressFamily,
                                   LPWSAPROTOCOL_INFOW lpProtocolInfo, LPSOCKADDR lpAddress,
                                   LPINT lpAddressLength) {
  return ByName<Id::WSAStringToAddressW>(AddressString, AddressFamily, lpProtocolInfo, lpAddress,
                                         lpAddressLength);
}
}  // extern "C"
