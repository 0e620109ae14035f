// The traced calls of KL2_32.dll, the Winsock 2 agent: the same reports as Klvnt32.dll's
// (WrapperBodies.h), with the Winsock 2 payloads: handles in 64-bit fields, addresses whole.
#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <optional>

#include "agent/PendingReceives.h"
#include "agent/win32/WrapperBodies.h"
#include "protocol/PayloadLayout.h"

// KL2_32.dll stands in for WS2_32.DLL.
const agent::Library agent::kAgentLibrary = agent::Library::kWs2_32;

namespace {

using agent::wrappers::Address;
using agent::wrappers::Before;
using agent::wrappers::Handle64;
using agent::wrappers::OnSocket;
using agent::wrappers::PointerValue;
using agent::wrappers::Report;
using agent::wrappers::Reported;
using agent::wrappers::ReportedError;
using agent::wrappers::SocketId;
using protocol::calls::Id;

// socket.
void SendSocket(Report& report, int af, int type, int protocol, SOCKET result) {
  report.Send(agent::payload::BuildSocket2,
              agent::payload::Socket2Call{report.Error(), af, type, protocol, Handle64(result)});
}

// recv and send.
void SendRecvSend(Report& report, SOCKET s, const char* buf, int len, int flags, int result) {
  constexpr size_t kFixed = protocol::layout::kTransfer2.fixed;
  report.SendTransfer(
      agent::payload::BuildRecvSend2,
      agent::payload::Transfer2Call{report.Error(), result, Handle64(s), flags, len}, kFixed,
      agent::wrappers::Bytes(buf, report.KeptBytes(result, kFixed)));
}

// A text of the WSADATA, read no further than its array.
template <size_t kSize>
std::string_view Text(const char (&text)[kSize]) {
  return {text, strnlen(text, kSize)};
}

// ---- The lookups and conversions ----

namespace payload = agent::payload;
using Chars = payload::Text;

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
  return ReportedError<kId>(agent, error, [&](Report& report) {
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
    call.list = PointerValue(list);
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
  });
}

// getnameinfo and GetNameInfoW, which return their error.
template <Id kId, class Char>
int NameInfo(const sockaddr* address, socklen_t length, Char* host, DWORD hostLength, Char* service,
             DWORD serviceLength, INT flags) {
  agent::Agent& agent = agent::Agent::Get();
  const int error = agent::wrappers::CallReal<kId>(agent, address, length, host, hostLength,
                                                   service, serviceLength, flags);
  return ReportedError<kId>(agent, error, [&](Report& report) {
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
  });
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
  return Reported<kId>(agent, result, result != 1, {}, [&](Report& report) {
    const payload::PtonCall call{
        report.Error(), result, family,
        result == 1 ? InAddrBytes(family, address) : std::span<const uint8_t>{},
        report.PointersValid() ? TextOf(text) : Chars{}};
    report.SendUpTo(protocol::layout::kPtonFixed + payload::TextSize(call.text),
                    payload::BuildInetPton, call);
  });
}

// ---- The WSABUF calls, and the collection of overlapped receives ----

using agent::PendingReceives;

// The receives pending on an OVERLAPPED, which the program's threads share.
class Pending {
 public:
  static Pending& Get() {
    static Pending pending;
    return pending;
  }
  void Remember(const PendingReceives::Receive& receive) {
    Locked([&](PendingReceives& table) { table.Remember(receive); });
  }
  std::optional<PendingReceives::Receive> Take(uint64_t overlapped, uint64_t socket) {
    std::optional<PendingReceives::Receive> taken;
    Locked([&](PendingReceives& table) { taken = table.Take(overlapped, socket); });
    return taken;
  }
  void Forget(uint64_t overlapped) {
    Locked([&](PendingReceives& table) { table.Forget(overlapped); });
  }
  void ForgetSocket(uint64_t socket) {
    Locked([&](PendingReceives& table) { table.ForgetSocket(socket); });
  }

 private:
  Pending() { InitializeCriticalSection(&m_lock); }
  template <class Fn>
  void Locked(Fn fn) {
    EnterCriticalSection(&m_lock);
    fn(m_table);
    LeaveCriticalSection(&m_lock);
  }

  CRITICAL_SECTION m_lock;
  PendingReceives m_table;
};

// The lengths of the first buffers, as many as a report lists.
struct Lengths {
  std::array<uint32_t, PendingReceives::kMaxBuffers> values{};
  size_t count = 0;

  Lengths(const WSABUF* buffers, size_t bufferCount) {
    count = buffers != nullptr ? std::min(bufferCount, values.size()) : 0;
    for (size_t i = 0; i < count; ++i) values[i] = buffers[i].len;
  }
  std::span<const uint32_t> Listed() const { return {values.data(), count}; }
};

// The bytes the buffers hold, as far as an int counts them.
int32_t Total(const WSABUF* buffers, size_t count) {
  uint64_t total = 0;
  for (size_t i = 0; i < count; ++i) total += buffers[i].len;
  return static_cast<int32_t>(std::min<uint64_t>(total, INT32_MAX));
}

// The bytes of a call that completed at once: its count, or where the program asked for none,
// the OVERLAPPED's, in which the system keeps it.
int32_t Transferred(const DWORD* count, const WSAOVERLAPPED* overlapped) {
  if (count != nullptr) return static_cast<int32_t>(*count);
  return overlapped != nullptr ? static_cast<int32_t>(overlapped->InternalHigh) : 0;
}

// Reports a WSABUF call, or a collection, whose `bytes` were moved: the bytes kept of them,
// gathered from the buffers in order, and the buffers' lengths. `buffers` is null where they
// may not be read.
template <class Call, class Build>
void SendBuffers(Report& report, Build build, const Call& call, size_t fixed, const WSABUF* buffers,
                 size_t count) {
  const Lengths lengths(buffers, count);
  const size_t fixedPart = fixed + 4 * lengths.count;
  const size_t kept = buffers != nullptr
                          ? std::min<size_t>(report.KeptBytes(call.bytes, fixedPart),
                                             static_cast<size_t>(Total(buffers, count)))
                          : 0;
  report.SendUpTo(fixedPart + kept, [&](std::span<uint8_t> out) {
    std::vector<uint8_t> data;
    data.reserve(kept);
    for (size_t i = 0; i < count && data.size() < kept; ++i) {
      const size_t n = std::min<size_t>(buffers[i].len, kept - data.size());
      const auto* bytes = reinterpret_cast<const uint8_t*>(buffers[i].buf);
      data.insert(data.end(), bytes, bytes + n);
    }
    return build(out, call, data, lengths.Listed());
  });
}

// WSASend and WSASendTo: one report of the buffers' bytes in order. A send that pends has handed
// its bytes over, and they are reported with it: its collection carries none.
template <Id kId>
int SendBuffersCall(int result, SOCKET s, const WSABUF* buffers, DWORD count, const DWORD* sent,
                    DWORD flags, const sockaddr* to, int tolen, WSAOVERLAPPED* overlapped,
                    uint64_t completion) {
  agent::Agent& agent = agent::Agent::Get();
  // The OVERLAPPED now belongs to this send.
  if (overlapped != nullptr) Pending::Get().Forget(PointerValue(overlapped));
  return Reported<kId>(agent, result, result == SOCKET_ERROR, {SocketId(s)}, [&](Report& report) {
    constexpr bool kAddressed = kId == Id::WSASendTo;
    agent::payload::BuffersCall call{report.Error(),
                                     result,
                                     Handle64(s),
                                     -1,
                                     static_cast<int32_t>(flags),
                                     0,
                                     count,
                                     0,
                                     PointerValue(overlapped),
                                     completion,
                                     {protocol::layout::kNoAddress, {}}};
    if (kAddressed) call.address = Address(report, to, tolen);
    const bool readable = report.PointersValid() && buffers != nullptr;
    if (result == 0) {
      call.bytes = Transferred(sent, overlapped);
    } else if (report.Error() == WSA_IO_PENDING && readable) {
      call.bytes = Total(buffers, count);
    }
    if (kAddressed) {
      SendBuffers(report, agent::payload::BuildWsaBuffersAddr, call,
                  protocol::layout::kWsaBuffersAddr.fixed, readable ? buffers : nullptr, count);
    } else {
      SendBuffers(report, agent::payload::BuildWsaBuffers, call,
                  protocol::layout::kWsaBuffers.fixed, readable ? buffers : nullptr, count);
    }
  });
}

// inet_ntop and InetNtopW: the text, or null when the call failed.
template <Id kId, class Char>
const Char* Ntop(INT family, const void* address, Char* buffer, size_t size) {
  agent::Agent& agent = agent::Agent::Get();
  const Char* result = agent::wrappers::CallReal<kId>(agent, family, address, buffer, size);
  return Reported<kId>(agent, result, result == nullptr, {}, [&](Report& report) {
    const payload::NtopCall call{
        report.Error(), family, size,
        report.PointersValid() ? InAddrBytes(family, address) : std::span<const uint8_t>{},
        TextOf(result, size)};
    report.SendUpTo(protocol::layout::kNtopFixed + payload::TextSize(call.result),
                    payload::BuildInetNtop, call);
  });
}

template <Id kId, class Info, class Char>
INT AddressToString(LPSOCKADDR address, DWORD length, Info* info, Char* text, LPDWORD textLength) {
  agent::Agent& agent = agent::Agent::Get();
  const int32_t lengthIn = static_cast<int32_t>(Before(agent, kId, textLength));
  const INT result = agent::wrappers::CallReal<kId>(agent, address, length, info, text, textLength);
  return Reported<kId>(agent, result, result == SOCKET_ERROR, {}, [&](Report& report) {
    payload::AddressToStringCall call{report.Error(),
                                      result,
                                      Address(report, address, static_cast<int>(length)),
                                      PointerValue(info),
                                      lengthIn,
                                      0,
                                      {}};
    if (result == 0) {
      call.lengthOut = report.ValueAt(textLength);
      call.text = TextOf(text, static_cast<size_t>(std::max(call.lengthOut, 0)));
    }
    report.SendUpTo(protocol::layout::kToStringFixed + payload::TextSize(call.text),
                    payload::BuildAddressToString, call);
  });
}

template <Id kId, class Char, class Info>
INT StringToAddress(Char* text, INT family, Info* info, LPSOCKADDR address, LPINT length) {
  agent::Agent& agent = agent::Agent::Get();
  const int32_t lengthIn = static_cast<int32_t>(Before(agent, kId, length));
  const INT result = agent::wrappers::CallReal<kId>(agent, text, family, info, address, length);
  return Reported<kId>(agent, result, result == SOCKET_ERROR, {}, [&](Report& report) {
    payload::StringToAddressCall call{report.Error(),
                                      result,
                                      report.PointersValid() ? TextOf(text) : Chars{},
                                      family,
                                      PointerValue(info),
                                      lengthIn,
                                      {}};
    if (result == 0) call.address = Address(report, address, report.ValueAt(length));
    report.SendUpTo(protocol::layout::kToAddressFixed + payload::TextSize(call.text),
                    payload::BuildStringToAddress, call);
  });
}

// What WSARecv and WSARecvFrom were given, read before the call where it may overwrite it.
struct ReceiveArgs {
  SOCKET s;
  WSABUF* buffers;
  DWORD count;
  const DWORD* received;
  const DWORD* flags;
  int32_t flagsIn;
  sockaddr* from;
  const int* fromlen;
  int32_t fromLenIn;
  WSAOVERLAPPED* overlapped;
  uint64_t completion;
};

template <Id kId>
ReceiveArgs PeekReceive(ReceiveArgs args) {
  const agent::Agent& agent = agent::Agent::Get();
  args.flagsIn = static_cast<int32_t>(Before(agent, kId, args.flags));
  args.fromLenIn = Before(agent, kId, args.fromlen);
  return args;
}

// WSARecv and WSARecvFrom: the bytes received when the call completed at once. One that pends
// leaves its buffers (and source) with the OVERLAPPED, for the WSAGetOverlappedResult that
// collects it.
template <Id kId>
int ReceiveBuffersCall(int result, const ReceiveArgs& args) {
  agent::Agent& agent = agent::Agent::Get();
  if (args.overlapped != nullptr) {
    const bool pending = result == SOCKET_ERROR && ::WSAGetLastError() == WSA_IO_PENDING;
    if (pending && agent.Wants(Id::WSAGetOverlappedResult)) {
      PendingReceives::Receive receive;
      receive.overlapped = PointerValue(args.overlapped);
      receive.socket = Handle64(args.s);
      receive.api = static_cast<uint16_t>(kId);
      receive.bufferCount = args.count;
      for (size_t i = 0; i < receive.Kept(); ++i) {
        receive.buffers[i] = {reinterpret_cast<uint8_t*>(args.buffers[i].buf), args.buffers[i].len};
      }
      receive.from = reinterpret_cast<const uint8_t*>(args.from);
      receive.fromLen = args.fromlen;
      Pending::Get().Remember(receive);
    } else {
      Pending::Get().Forget(PointerValue(args.overlapped));
    }
  }
  return Reported<kId>(
      agent, result, result == SOCKET_ERROR, {SocketId(args.s)}, [&](Report& report) {
        constexpr bool kAddressed = kId == Id::WSARecvFrom;
        agent::payload::BuffersCall call{report.Error(),
                                         result,
                                         Handle64(args.s),
                                         -1,
                                         args.flagsIn,
                                         0,
                                         args.count,
                                         args.fromLenIn,
                                         PointerValue(args.overlapped),
                                         args.completion,
                                         {protocol::layout::kNoAddress, {}}};
        const bool completed = result == 0;
        if (completed) {
          call.bytes = Transferred(args.received, args.overlapped);
          call.flagsOut = args.flags != nullptr ? static_cast<int32_t>(*args.flags) : 0;
          if (args.from != nullptr && args.fromlen != nullptr) {
            call.address = Address(report, args.from, *args.fromlen);
          }
        }
        // The buffers are listed, and their bytes read as far as the call filled them.
        const WSABUF* readable = report.PointersValid() ? args.buffers : nullptr;
        if (kAddressed) {
          SendBuffers(report, agent::payload::BuildWsaBuffersAddr, call,
                      protocol::layout::kWsaBuffersAddr.fixed, readable, args.count);
        } else {
          SendBuffers(report, agent::payload::BuildWsaBuffers, call,
                      protocol::layout::kWsaBuffers.fixed, readable, args.count);
        }
      });
}

}  // namespace

extern "C" {

int WINAPI Klv_ws2_WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.Real().ws2_WSAStartup(wVersionRequested, lpWSAData);
  if (result == 0) agent.ProgramStarted();
  // WSAStartup returns its error code rather than setting it.
  return ReportedError<Id::ws2_WSAStartup>(agent, result, [&](Report& report) {
    agent::payload::StartupCall call{report.Error(), result, wVersionRequested, 0, 0, {}, {}};
    if (result == 0) {
      call.version = lpWSAData->wVersion;
      call.highVersion = lpWSAData->wHighVersion;
      call.description = Text(lpWSAData->szDescription);
      call.systemStatus = Text(lpWSAData->szSystemStatus);
    }
    report.Send(agent::payload::BuildStartup, call);
  });
}

int WINAPI Klv_ws2_WSACleanup() {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.ProgramCleanup(agent.Real().ws2_WSACleanup);
  return Reported<Id::ws2_WSACleanup>(
      agent, result, result == SOCKET_ERROR, {},
      [&](Report& report) { report.Send(agent::payload::BuildCleanup, report.Error(), result); });
}

SOCKET WINAPI Klv_ws2_socket(int af, int type, int protocol) {
  return agent::wrappers::NewSocket<Id::ws2_socket, SendSocket>(af, type, protocol);
}

int WINAPI Klv_ws2_closesocket(SOCKET s) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.Real().ws2_closesocket(s);
  if (result == 0) Pending::Get().ForgetSocket(Handle64(s));
  return Reported<Id::ws2_closesocket>(
      agent, result, result == SOCKET_ERROR, {SocketId(s)}, [&](Report& report) {
        report.Send(agent::payload::BuildClose2,
                    agent::payload::Result2Call{report.Error(), result, Handle64(s)});
      });
}

int WINAPI Klv_ws2_bind(SOCKET s, const sockaddr* name, int namelen) {
  return OnSocket<Id::ws2_bind, agent::wrappers::ReportBindConnect2>(s, name, namelen);
}

int WINAPI Klv_ws2_connect(SOCKET s, const sockaddr* name, int namelen) {
  return OnSocket<Id::ws2_connect, agent::wrappers::ReportBindConnect2>(s, name, namelen);
}

int WINAPI Klv_ws2_recv(SOCKET s, char* buf, int len, int flags) {
  return OnSocket<Id::ws2_recv, SendRecvSend>(s, buf, len, flags);
}

int WINAPI Klv_ws2_send(SOCKET s, const char* buf, int len, int flags) {
  return OnSocket<Id::ws2_send, SendRecvSend>(s, buf, len, flags);
}

// The calls shown by name only until their payloads are decoded.
int WINAPI Klv_WSASend(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount,
                       LPDWORD lpNumberOfBytesSent, DWORD dwFlags, LPWSAOVERLAPPED lpOverlapped,
                       LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine) {
  const int result = agent::Agent::Get().Real().WSASend(
      s, lpBuffers, dwBufferCount, lpNumberOfBytesSent, dwFlags, lpOverlapped, lpCompletionRoutine);
  return SendBuffersCall<Id::WSASend>(result, s, lpBuffers, dwBufferCount, lpNumberOfBytesSent,
                                      dwFlags, nullptr, 0, lpOverlapped,
                                      PointerValue(lpCompletionRoutine));
}

int WINAPI Klv_ws2_sendto(SOCKET s, const char* buf, int len, int flags, const sockaddr* to,
                          int tolen) {
  return OnSocket<Id::ws2_sendto, agent::wrappers::ReportSendTo2>(s, buf, len, flags, to, tolen);
}

int WINAPI Klv_WSASendTo(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount,
                         LPDWORD lpNumberOfBytesSent, DWORD dwFlags, const sockaddr* lpTo,
                         int iTolen, LPWSAOVERLAPPED lpOverlapped,
                         LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine) {
  const int result = agent::Agent::Get().Real().WSASendTo(
      s, lpBuffers, dwBufferCount, lpNumberOfBytesSent, dwFlags, lpTo, iTolen, lpOverlapped,
      lpCompletionRoutine);
  return SendBuffersCall<Id::WSASendTo>(result, s, lpBuffers, dwBufferCount, lpNumberOfBytesSent,
                                        dwFlags, lpTo, iTolen, lpOverlapped,
                                        PointerValue(lpCompletionRoutine));
}

int WINAPI Klv_WSARecv(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount,
                       LPDWORD lpNumberOfBytesRecvd, LPDWORD lpFlags, LPWSAOVERLAPPED lpOverlapped,
                       LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine) {
  const ReceiveArgs args = PeekReceive<Id::WSARecv>(
      {s, lpBuffers, dwBufferCount, lpNumberOfBytesRecvd, lpFlags, 0, nullptr, nullptr, 0,
       lpOverlapped, PointerValue(lpCompletionRoutine)});
  const int result =
      agent::Agent::Get().Real().WSARecv(s, lpBuffers, dwBufferCount, lpNumberOfBytesRecvd, lpFlags,
                                         lpOverlapped, lpCompletionRoutine);
  return ReceiveBuffersCall<Id::WSARecv>(result, args);
}

int WINAPI Klv_ws2_recvfrom(SOCKET s, char* buf, int len, int flags, sockaddr* from, int* fromlen) {
  agent::Agent& agent = agent::Agent::Get();
  const int32_t fromLenIn = Before(agent, Id::ws2_recvfrom, fromlen);
  const int result = agent.Real().ws2_recvfrom(s, buf, len, flags, from, fromlen);
  return Reported<Id::ws2_recvfrom>(
      agent, result, result == SOCKET_ERROR, {SocketId(s)}, [&](Report& report) {
        agent::wrappers::ReportRecvFrom2(report, s, buf, len, flags, from, fromlen, fromLenIn,
                                         result);
      });
}

int WINAPI Klv_WSARecvFrom(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount,
                           LPDWORD lpNumberOfBytesRecvd, LPDWORD lpFlags, sockaddr* lpFrom,
                           LPINT lpFromlen, LPWSAOVERLAPPED lpOverlapped,
                           LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine) {
  const ReceiveArgs args = PeekReceive<Id::WSARecvFrom>(
      {s, lpBuffers, dwBufferCount, lpNumberOfBytesRecvd, lpFlags, 0, lpFrom, lpFromlen, 0,
       lpOverlapped, PointerValue(lpCompletionRoutine)});
  const int result = agent::Agent::Get().Real().WSARecvFrom(
      s, lpBuffers, dwBufferCount, lpNumberOfBytesRecvd, lpFlags, lpFrom, lpFromlen, lpOverlapped,
      lpCompletionRoutine);
  return ReceiveBuffersCall<Id::WSARecvFrom>(result, args);
}

// The bytes of a receive the agent saw pend are read once this call says it completed; a call
// that is still under way (WSA_IO_INCOMPLETE) leaves them for the next one.
BOOL WINAPI Klv_WSAGetOverlappedResult(SOCKET s, LPWSAOVERLAPPED lpOverlapped, LPDWORD lpcbTransfer,
                                       BOOL fWait, LPDWORD lpdwFlags) {
  agent::Agent& agent = agent::Agent::Get();
  const BOOL result =
      agent.Real().WSAGetOverlappedResult(s, lpOverlapped, lpcbTransfer, fWait, lpdwFlags);
  std::optional<PendingReceives::Receive> receive;
  if (result) {
    receive = Pending::Get().Take(PointerValue(lpOverlapped), Handle64(s));
  } else if (::WSAGetLastError() != WSA_IO_INCOMPLETE) {
    Pending::Get().Forget(PointerValue(lpOverlapped));
  }
  return Reported<Id::WSAGetOverlappedResult>(
      agent, result, !result, {SocketId(s)}, [&](Report& report) {
        agent::payload::CollectCall call{report.Error(), result, Handle64(s),
                                         PointerValue(lpOverlapped), fWait};
        std::array<WSABUF, PendingReceives::kMaxBuffers> buffers{};
        if (result) {
          call.transferred = lpcbTransfer != nullptr ? static_cast<int32_t>(*lpcbTransfer) : 0;
          call.flagsOut = lpdwFlags != nullptr ? static_cast<int32_t>(*lpdwFlags) : 0;
        }
        if (receive) {
          call.collected = receive->api;
          call.bufferCount = receive->bufferCount;
          call.bytes = call.transferred;
          for (size_t i = 0; i < receive->Kept(); ++i) {
            buffers[i] = {receive->buffers[i].length,
                          reinterpret_cast<char*>(receive->buffers[i].data)};
          }
          if (receive->from != nullptr && receive->fromLen != nullptr) {
            call.address = Address(report, reinterpret_cast<const sockaddr*>(receive->from),
                                   *receive->fromLen);
          }
        }
        SendBuffers(report, agent::payload::BuildOverlappedResult, call,
                    protocol::layout::kWsaBuffersAddr.fixed, receive ? buffers.data() : nullptr,
                    receive ? receive->Kept() : 0);
      });
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
  agent::wrappers::ReportAs(agent, Id::freeaddrinfo, false, {}, [&](Report& report) {
    report.Send(agent::payload::BuildFreeAddrInfo, report.Error(), PointerValue(pAddrInfo));
  });
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
