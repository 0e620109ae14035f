// The traced calls of KL2_32.dll, the Winsock 2 agent: the same reports as Klvnt32.dll's
// (WrapperBodies.h), with the Winsock 2 payloads: handles in 64-bit fields, addresses whole.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cwchar>

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

// ---- The lookups and conversions ----

namespace payload = agent::payload;
using Chars = payload::Text;

// A pointer of the program's as the Winsock 2 payloads hold it.
uint64_t Pointer64(const void* p) {
  return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p));
}

// A text of the program's, read no further than `max` characters or a payload holds; none for
// a null pointer. A wide text is the program's UTF-16 code units as they are.
Chars TextOf(const char* text, size_t max = protocol::spy::kMaxPayload) {
  if (text == nullptr) return {};
  return std::string_view(text, strnlen(text, std::min(max, protocol::spy::kMaxPayload)));
}
static_assert(sizeof(wchar_t) == sizeof(char16_t), "a wide character is a UTF-16 code unit");
Chars TextOf(const wchar_t* text, size_t max = protocol::spy::kMaxPayload) {
  if (text == nullptr) return {};
  return std::u16string_view(reinterpret_cast<const char16_t*>(text),
                             wcsnlen(text, std::min(max, protocol::spy::kMaxPayload)));
}

// What a length pointer of the program's holds before the call, which may rewrite it: read
// without trusting the pointer, which the call has not yet accepted, and without leaving an
// error behind. 0 for a null or unreadable pointer.
template <class T>
int32_t ValueBefore(const T* p) {
  T value{};
  SIZE_T read = 0;
  const DWORD saved = GetLastError();
  const bool ok = p != nullptr &&
                  ReadProcessMemory(GetCurrentProcess(), p, &value, sizeof value, &read) != 0 &&
                  read == sizeof value;
  SetLastError(saved);
  return ok ? static_cast<int32_t>(value) : 0;
}

// An entry of a getaddrinfo or GetAddrInfoW list.
template <class Info>
payload::AddrInfoEntry EntryOf(const Info& ai) {
  const int32_t length = static_cast<int32_t>(std::min<size_t>(ai.ai_addrlen, INT32_MAX));
  payload::AnyAddress address{length, {}};
  if (ai.ai_addr != nullptr) {
    address.bytes = {reinterpret_cast<const uint8_t*>(ai.ai_addr),
                     protocol::layout::CutAddressBytes(length)};
  }
  return {{ai.ai_flags, ai.ai_family, ai.ai_socktype, ai.ai_protocol},
          address,
          TextOf(ai.ai_canonname)};
}

// getaddrinfo and GetAddrInfoW, which return their error. The list the call returned, and how
// many of its entries fit the payload.
template <Id kId, class Char, class Info>
int AddrInfo(const Char* node, const Char* service, const Info* hints, Info** result) {
  agent::Agent& agent = agent::Agent::Get();
  const int error = agent::wrappers::CallReal<kId>(agent, node, service, hints, result);
  if (!agent.Wants(kId)) return error;
  Report report(agent, kId, error != 0, error);
  if (!report.Wanted()) return error;
  const bool read = report.PointersValid();
  payload::AddrInfoCall call{report.Error(),
                             error,
                             0,
                             std::nullopt,
                             0,
                             read ? TextOf(node) : Chars{},
                             read ? TextOf(service) : Chars{}};
  if (hints != nullptr && read) {
    call.hints = {hints->ai_flags, hints->ai_family, hints->ai_socktype, hints->ai_protocol};
  }
  const Info* list = error == 0 && result != nullptr ? *result : nullptr;
  call.list = Pointer64(list);
  size_t capacity = protocol::layout::kAddrInfoFixed + payload::TextSize(call.node) +
                    payload::TextSize(call.service);
  for (const Info* ai = list; ai != nullptr; ai = ai->ai_next) {
    const payload::AddrInfoEntry entry = EntryOf(*ai);
    ++call.count;
    capacity += protocol::layout::kEntryFixed + entry.address.bytes.size() +
                payload::TextSize(entry.canonicalName);
  }
  report.SendUpTo(capacity, [&](std::span<uint8_t> out) {
    size_t size = payload::BuildAddrInfo(out, call);
    for (const Info* ai = list; ai != nullptr; ai = ai->ai_next) {
      const size_t next = payload::AddAddrInfoEntry(out, size, EntryOf(*ai));
      if (next == size) break;
      size = next;
    }
    return size;
  });
  return error;
}

// getnameinfo and GetNameInfoW, which return their error.
template <Id kId, class Char>
int NameInfo(const sockaddr* address, socklen_t length, Char* host, DWORD hostLength, Char* service,
             DWORD serviceLength, INT flags) {
  agent::Agent& agent = agent::Agent::Get();
  const int error = agent::wrappers::CallReal<kId>(agent, address, length, host, hostLength,
                                                   service, serviceLength, flags);
  if (!agent.Wants(kId)) return error;
  Report report(agent, kId, error != 0, error);
  if (report.Wanted()) {
    payload::NameInfoCall call{report.Error(),
                               error,
                               Address(report, address, length),
                               static_cast<int32_t>(hostLength),
                               static_cast<int32_t>(serviceLength),
                               flags,
                               {},
                               {}};
    if (error == 0) {
      call.host = TextOf(host, hostLength);
      call.service = TextOf(service, serviceLength);
    }
    report.SendUpTo(protocol::layout::kNameInfoFixed + payload::TextSize(call.host) +
                        payload::TextSize(call.service),
                    payload::BuildNameInfo, call);
  }
  return error;
}

// The bytes of an address of the family inet_pton and inet_ntop convert.
std::span<const uint8_t> InAddrBytes(INT family, const void* address) {
  const size_t count = family == AF_INET ? 4 : family == AF_INET6 ? 16 : 0;
  if (address == nullptr) return {};
  return {static_cast<const uint8_t*>(address), count};
}

// inet_pton and InetPtonW: 1 converted, 0 for a text that is no address, -1 failed.
template <Id kId, class Char>
int Pton(INT family, const Char* text, PVOID address) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent::wrappers::CallReal<kId>(agent, family, text, address);
  if (!agent.Wants(kId)) return result;
  Report report(agent, kId, result != 1);
  if (report.Wanted()) {
    const payload::PtonCall call{
        report.Error(), result, family,
        result == 1 ? InAddrBytes(family, address) : std::span<const uint8_t>{},
        report.PointersValid() ? TextOf(text) : Chars{}};
    report.SendUpTo(protocol::layout::kPtonFixed + payload::TextSize(call.text),
                    payload::BuildInetPton, call);
  }
  return result;
}

// inet_ntop and InetNtopW: the text, or null when the call failed.
template <Id kId, class Char>
const Char* Ntop(INT family, const void* address, Char* buffer, size_t size) {
  agent::Agent& agent = agent::Agent::Get();
  const Char* result = agent::wrappers::CallReal<kId>(agent, family, address, buffer, size);
  if (!agent.Wants(kId)) return result;
  Report report(agent, kId, result == nullptr);
  if (report.Wanted()) {
    const payload::NtopCall call{
        report.Error(), family, size,
        report.PointersValid() ? InAddrBytes(family, address) : std::span<const uint8_t>{},
        TextOf(result, size)};
    report.SendUpTo(protocol::layout::kNtopFixed + payload::TextSize(call.result),
                    payload::BuildInetNtop, call);
  }
  return result;
}

template <Id kId, class Info, class Char>
INT AddressToString(LPSOCKADDR address, DWORD length, Info* info, Char* text, LPDWORD textLength) {
  agent::Agent& agent = agent::Agent::Get();
  const int32_t lengthIn = agent.Wants(kId) ? ValueBefore(textLength) : 0;
  const INT result = agent::wrappers::CallReal<kId>(agent, address, length, info, text, textLength);
  if (!agent.Wants(kId)) return result;
  Report report(agent, kId, result == SOCKET_ERROR);
  if (report.Wanted()) {
    payload::AddressToStringCall call{report.Error(),
                                      result,
                                      Address(report, address, static_cast<int>(length)),
                                      Pointer64(info),
                                      lengthIn,
                                      0,
                                      {}};
    if (result == 0) {
      call.lengthOut = report.ValueAt(textLength);
      call.text = TextOf(text, static_cast<size_t>(std::max(call.lengthOut, 0)));
    }
    report.SendUpTo(protocol::layout::kToStringFixed + payload::TextSize(call.text),
                    payload::BuildAddressToString, call);
  }
  return result;
}

template <Id kId, class Char, class Info>
INT StringToAddress(Char* text, INT family, Info* info, LPSOCKADDR address, LPINT length) {
  agent::Agent& agent = agent::Agent::Get();
  const int32_t lengthIn = agent.Wants(kId) ? ValueBefore(length) : 0;
  const INT result = agent::wrappers::CallReal<kId>(agent, text, family, info, address, length);
  if (!agent.Wants(kId)) return result;
  Report report(agent, kId, result == SOCKET_ERROR);
  if (report.Wanted()) {
    payload::StringToAddressCall call{report.Error(),
                                      result,
                                      report.PointersValid() ? TextOf(text) : Chars{},
                                      family,
                                      Pointer64(info),
                                      lengthIn,
                                      {}};
    if (result == 0) call.address = Address(report, address, report.ValueAt(length));
    report.SendUpTo(protocol::layout::kToAddressFixed + payload::TextSize(call.text),
                    payload::BuildStringToAddress, call);
  }
  return result;
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

int WINAPI Klv_ws2_select(int nfds, fd_set* readfds, fd_set* writefds, fd_set* exceptfds,
                          const PTIMEVAL timeout) {
  return ByName<Id::ws2_select>(nfds, readfds, writefds, exceptfds, timeout);
}

int WINAPI Klv_WSAPoll(LPWSAPOLLFD fdArray, ULONG fds, INT timeout) {
  return ByName<Id::WSAPoll>(fdArray, fds, timeout);
}

int WINAPI Klv_ws2_WSAAsyncSelect(SOCKET s, HWND hWnd, u_int wMsg, long lEvent) {
  return ByName<Id::ws2_WSAAsyncSelect>(s, hWnd, wMsg, lEvent);
}

int WINAPI Klv_WSAEventSelect(SOCKET s, WSAEVENT hEventObject, long lNetworkEvents) {
  return ByName<Id::WSAEventSelect>(s, hEventObject, lNetworkEvents);
}

int WINAPI Klv_WSAEnumNetworkEvents(SOCKET s, WSAEVENT hEventObject,
                                    LPWSANETWORKEVENTS lpNetworkEvents) {
  return ByName<Id::WSAEnumNetworkEvents>(s, hEventObject, lpNetworkEvents);
}

int WINAPI Klv_getaddrinfo(const char* pNodeName, const char* pServiceName, const addrinfo* pHints,
                           addrinfo** ppResult) {
  return AddrInfo<Id::getaddrinfo>(pNodeName, pServiceName, pHints, ppResult);
}

int WINAPI Klv_GetAddrInfoW(PCWSTR pNodeName, PCWSTR pServiceName, const ADDRINFOW* pHints,
                            PADDRINFOW* ppResult) {
  return AddrInfo<Id::GetAddrInfoW>(pNodeName, pServiceName, pHints, ppResult);
}

void WINAPI Klv_freeaddrinfo(LPADDRINFO pAddrInfo) {
  agent::Agent& agent = agent::Agent::Get();
  agent::wrappers::CallReal<Id::freeaddrinfo>(agent, pAddrInfo);
  if (!agent.Wants(Id::freeaddrinfo)) return;
  Report report(agent, Id::freeaddrinfo, false);
  if (report.Wanted()) {
    report.Send(agent::payload::BuildFreeAddrInfo, report.Error(), Pointer64(pAddrInfo));
  }
}

int WINAPI Klv_getnameinfo(const sockaddr* pSockaddr, socklen_t SockaddrLength, PCHAR pNodeBuffer,
                           DWORD NodeBufferSize, PCHAR pServiceBuffer, DWORD ServiceBufferSize,
                           INT Flags) {
  return NameInfo<Id::getnameinfo>(pSockaddr, SockaddrLength, pNodeBuffer, NodeBufferSize,
                                   pServiceBuffer, ServiceBufferSize, Flags);
}

int WINAPI Klv_GetNameInfoW(const SOCKADDR* pSockaddr, socklen_t SockaddrLength, PWCHAR pNodeBuffer,
                            DWORD NodeBufferSize, PWCHAR pServiceBuffer, DWORD ServiceBufferSize,
                            INT Flags) {
  return NameInfo<Id::GetNameInfoW>(pSockaddr, SockaddrLength, pNodeBuffer, NodeBufferSize,
                                    pServiceBuffer, ServiceBufferSize, Flags);
}

hostent* WINAPI Klv_ws2_gethostbyname(const char* name) {
  return ByName<Id::ws2_gethostbyname>(name);
}

hostent* WINAPI Klv_ws2_gethostbyaddr(const char* addr, int len, int type) {
  return ByName<Id::ws2_gethostbyaddr>(addr, len, type);
}

int WINAPI Klv_ws2_gethostname(char* name, int namelen) {
  return ByName<Id::ws2_gethostname>(name, namelen);
}

unsigned long WINAPI Klv_ws2_inet_addr(const char* cp) {
  return ByName<Id::ws2_inet_addr>(cp);
}

char* WINAPI Klv_ws2_inet_ntoa(in_addr in) {
  return ByName<Id::ws2_inet_ntoa>(in);
}

int WINAPI Klv_inet_pton(INT Family, LPCSTR pStringBuf, PVOID pAddr) {
  return Pton<Id::inet_pton>(Family, pStringBuf, pAddr);
}

const char* WINAPI Klv_inet_ntop(INT Family, LPCVOID pAddr, LPSTR pStringBuf,
                                 size_t StringBufSize) {
  return Ntop<Id::inet_ntop>(Family, pAddr, pStringBuf, StringBufSize);
}

int WINAPI Klv_InetPtonW(INT Family, LPCWSTR pStringBuf, PVOID pAddr) {
  return Pton<Id::InetPtonW>(Family, pStringBuf, pAddr);
}

PCWSTR WINAPI Klv_InetNtopW(INT Family, LPCVOID pAddr, LPWSTR pStringBuf, size_t StringBufSize) {
  return Ntop<Id::InetNtopW>(Family, pAddr, pStringBuf, StringBufSize);
}

INT WINAPI Klv_WSAAddressToStringA(LPSOCKADDR lpsaAddress, DWORD dwAddressLength,
                                   LPWSAPROTOCOL_INFOA lpProtocolInfo, LPSTR lpszAddressString,
                                   LPDWORD lpdwAddressStringLength) {
  return AddressToString<Id::WSAAddressToStringA>(lpsaAddress, dwAddressLength, lpProtocolInfo,
                                                  lpszAddressString, lpdwAddressStringLength);
}

INT WINAPI Klv_WSAAddressToStringW(LPSOCKADDR lpsaAddress, DWORD dwAddressLength,
                                   LPWSAPROTOCOL_INFOW lpProtocolInfo, LPWSTR lpszAddressString,
                                   LPDWORD lpdwAddressStringLength) {
  return AddressToString<Id::WSAAddressToStringW>(lpsaAddress, dwAddressLength, lpProtocolInfo,
                                                  lpszAddressString, lpdwAddressStringLength);
}

INT WINAPI Klv_WSAStringToAddressA(LPSTR AddressString, INT AddressFamily,
                                   LPWSAPROTOCOL_INFOA lpProtocolInfo, LPSOCKADDR lpAddress,
                                   LPINT lpAddressLength) {
  return StringToAddress<Id::WSAStringToAddressA>(AddressString, AddressFamily, lpProtocolInfo,
                                                  lpAddress, lpAddressLength);
}

INT WINAPI Klv_WSAStringToAddressW(LPWSTR AddressString, INT AddressFamily,
                                   LPWSAPROTOCOL_INFOW lpProtocolInfo, LPSOCKADDR lpAddress,
                                   LPINT lpAddressLength) {
  return StringToAddress<Id::WSAStringToAddressW>(AddressString, AddressFamily, lpProtocolInfo,
                                                  lpAddress, lpAddressLength);
}
}  // extern "C"
