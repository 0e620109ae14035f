// What the wrappers of both agent libraries share: the system function of a row, the handle
// and byte views of its arguments, and the report of a call after it returned.
#pragma once

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <new>
#include <span>
#include <string_view>
#include <type_traits>
#include <vector>

#include "agent/PayloadBuilders.h"
#include "agent/win32/Agent.h"
#include "protocol/Calls.h"
#include "protocol/PayloadLayout.h"
#include "protocol/SpyDatagram.h"

// Every call an agent exports has a wrapper of the system function's own type, whose
// parameters fill as many stack slots as its row says: its i686 export name is decorated with
// that many 4-byte slots (MakeDef.cmake).
namespace agent::wrappers {

template <class Fn>
struct StackSlots;
template <class Result, class... Args>
struct StackSlots<Result(WINAPI*)(Args...)> {
  static constexpr size_t kCount = (0 + ... + ((sizeof(Args) + sizeof(void*) - 1) / sizeof(void*)));
};

}  // namespace agent::wrappers

extern "C" {
#define QUARNET_WRAPPER(id, key, name, wsock32, ws2_32, flag, args, ...)        \
  decltype(::name) Klv_##key;                                                   \
  static_assert(agent::wrappers::StackSlots<decltype(&::name)>::kCount == args, \
                #name ": the table's parameter count differs from the system's");
QUARNET_CALLS(QUARNET_WRAPPER)
#undef QUARNET_WRAPPER
}

namespace agent::wrappers {

using protocol::calls::Id;

// Runs the system's function of the call with the program's arguments.
template <Id kId, class... Args>
auto CallReal(const agent::Agent& agent, Args... args) {
  return (agent.Real().*agent::kEntryOf<kId>)(args...);
}

// A socket handle in a payload of ids 0-45, and of the Winsock 2 ids; as the tracking options
// compare it.
using agent::payload::Handle;
using agent::payload::Handle64;
inline uint32_t SocketId(SOCKET s) {
  return static_cast<uint32_t>(Handle(s));
}

inline std::span<const uint8_t> Bytes(const char* data, size_t count) {
  return {reinterpret_cast<const uint8_t*>(data), count};
}
// A pointer of the program, data or function, for a 64-bit field.
template <class Pointer>
uint64_t PointerValue(Pointer p) {
  return reinterpret_cast<uintptr_t>(p);
}

// One traced call after it returned.
class Report {
 public:
  // `error` overrides what WSAGetLastError says, for WSAStartup, which returns its code.
  Report(agent::Agent& agent, Id api, bool failed)
      : m_agent(agent),
        m_api(api),
        m_failed(failed),
        m_saved(GetLastError()),
        m_error(failed ? ::WSAGetLastError() : 0) {}
  Report(agent::Agent& agent, Id api, bool failed, int32_t error) : Report(agent, api, failed) {
    if (failed) m_error = error;
  }
  ~Report() { SetLastError(m_saved); }
  Report(const Report&) = delete;
  Report& operator=(const Report&) = delete;

  int32_t Error() const { return m_error; }
  // Whether the call accepted the program's pointers: after WSAEFAULT they are not read.
  bool PointersValid() const { return !(m_failed && m_error == WSAEFAULT); }
  // What a length or value pointer of the program holds after the call; 0 when unreadable.
  template <class T>
  int32_t ValueAt(const T* p) const {
    return p != nullptr && PointersValid() ? static_cast<int32_t>(*p) : 0;
  }
  // By the tracking options; `sockets` are the call's socket and any new one.
  bool Wanted(std::initializer_list<uint32_t> sockets = {}) const {
    return agent::ShouldReport(m_agent.Tracking(), m_failed, m_error, sockets);
  }
  size_t KeptBytes(int result, size_t fixedPart) const {
    return agent::KeptBytes(result, m_agent.SaveEntire(), m_agent.SaveBytes(), fixedPart,
                            m_agent.MaxPayload());
  }

  // Builds a payload that fits one datagram and sends it.
  template <class Build, class... Args>
  void Send(Build build, const Args&... args) {
    Deliver([&] {
      std::array<uint8_t, protocol::spy::kChunkSize> buffer;
      const size_t size = build(std::span<uint8_t>(buffer), args...);
      m_agent.Send(m_api, std::span<const uint8_t>(buffer.data(), size));
    });
  }
  // Builds a payload of up to `capacity` bytes, as many datagrams or chunks of a record as it
  // takes, and sends it.
  template <class Build, class... Args>
  void SendUpTo(size_t capacity, Build build, const Args&... args) {
    Deliver([&] {
      std::vector<uint8_t> buffer(std::min(capacity, m_agent.MaxPayload()));
      const size_t size = build(std::span<uint8_t>(buffer), args...);
      m_agent.Send(m_api, std::span<const uint8_t>(buffer.data(), size));
    });
  }
  // A transfer: the fixed part and the kept data bytes.
  template <class Build, class Call>
  void SendTransfer(Build build, const Call& call, size_t fixedPart,
                    std::span<const uint8_t> data) {
    SendUpTo(fixedPart + data.size(), build, call, data);
  }
  void SendGeneric() { Send(agent::payload::BuildGeneric, m_error); }

 private:
  // No exception may unwind into the program, which gets the real call's result and error
  // whatever happens here. A report that could not be built or sent is lost; its message
  // number is used up, so that the monitor sees the gap.
  template <class Fn>
  void Deliver(Fn send) noexcept {
    try {
#ifdef KLVNT32_FAIL_SEND_REPORTS  // the agent test's build: every report of send fails
      if (m_api == protocol::calls::Id::send) throw std::bad_alloc();
#endif
      send();
    } catch (...) {
      m_agent.Lose();
    }
  }

  agent::Agent& m_agent;
  Id m_api;
  bool m_failed;
  DWORD m_saved;  // the thread's error as the call left it
  int32_t m_error;
};

// The report of a traced call under `id` (the call's own, or the Winsock 2 id of a long
// address): `send(report)` builds and sends its payload when the tracking options want a call on
// `sockets` that `failed`. The thread's error is as the call left it afterwards.
template <class Send>
void ReportAs(agent::Agent& agent, Id id, bool failed, std::initializer_list<uint32_t> sockets,
              Send send) {
  Report report(agent, id, failed);
  if (report.Wanted(sockets)) send(report);
}

// How a wrapper ends: the call's report (ReportAs) when the monitor traces call kId, and the
// call's result for the program.
template <Id kId, class Result, class Send>
Result Reported(agent::Agent& agent, Result result, bool failed,
                std::initializer_list<uint32_t> sockets, Send send) {
  if (agent.Wants(kId)) ReportAs(agent, kId, failed, sockets, send);
  return result;
}

// How a call that returns its error code rather than setting it ends (WSAStartup, getaddrinfo,
// getnameinfo): as Reported, failed when the code is not 0.
template <Id kId, class Send>
int ReportedError(agent::Agent& agent, int error, Send send) {
  if (agent.Wants(kId)) {
    Report report(agent, kId, error != 0, error);
    if (report.Wanted()) send(report);
  }
  return error;
}

// What the program's value holds before the call, while the call is traced: the call may be
// about to refuse the pointer (WSAEFAULT) or to overwrite the value, so it is read only where it
// can be read without a fault, and the thread's error is kept. 0 for a null or unreadable pointer.
template <class T>
T Before(const agent::Agent& agent, Id id, const T* p) {
  if (p == nullptr || !agent.Wants(id)) return T{};
  const DWORD saved = GetLastError();
  const T value = IsBadReadPtr(p, sizeof *p) ? T{} : *p;
  SetLastError(saved);
  return value;
}

// The bytes of a socket address the program passed or got, as many as its length says and the
// payload's address block holds; none when the call refused the pointer.
inline agent::payload::AnyAddress Address(const Report& report, const sockaddr* address,
                                          int length) {
  agent::payload::AnyAddress any{length, {}};
  if (address != nullptr && length > 0 && report.PointersValid()) {
    any.bytes = {reinterpret_cast<const uint8_t*>(address),
                 std::min(static_cast<size_t>(length), protocol::layout::kAddrBlockCapacity)};
  }
  return any;
}

// The address a successful call filled in, as long as the length it returned says and no
// longer than the program offered, where that is known.
inline agent::payload::AnyAddress Filled(const sockaddr* address, const int* length, int offered) {
  agent::payload::AnyAddress any{};
  if (length == nullptr) return any;
  any.length = *length;
  const int count = offered > 0 ? std::min(*length, offered) : *length;
  if (address != nullptr && count > 0) {
    any.bytes = {reinterpret_cast<const uint8_t*>(address),
                 std::min(static_cast<size_t>(count), protocol::layout::kAddrBlockCapacity)};
  }
  return any;
}

// The Winsock 2 sendto, recvfrom, accept, getsockname and getpeername, whose addresses are
// whole; the Winsock 1.1 agent reports a call under these ids when its address does not fit the
// 16-byte image. `offered` is the address length the program offered, read before the call.
inline void ReportSendTo2(Report& report, SOCKET s, const char* buf, int len, int flags,
                          const sockaddr* to, int tolen, int result) {
  constexpr size_t kFixed = protocol::layout::kTransferAddr2.fixed;
  report.SendTransfer(agent::payload::BuildTransferAddr2,
                      agent::payload::TransferAddr2Call{report.Error(), result, Handle64(s), flags,
                                                        len, 0, Address(report, to, tolen)},
                      kFixed, Bytes(buf, report.KeptBytes(result, kFixed)));
}
// bind and connect.
inline void ReportBindConnect2(Report& report, SOCKET s, const sockaddr* name, int namelen,
                               int result) {
  report.Send(agent::payload::BuildBindConnect2,
              agent::payload::Address2Call{report.Error(), result, Handle64(s),
                                           Address(report, name, namelen)});
}
// `fromLenIn` is what *fromlen held before the call; the source is read only after a success.
inline void ReportRecvFrom2(Report& report, SOCKET s, const char* buf, int len, int flags,
                            const sockaddr* from, const int* fromlen, int32_t fromLenIn,
                            int result) {
  constexpr size_t kFixed = protocol::layout::kTransferAddr2.fixed;
  agent::payload::TransferAddr2Call call{report.Error(),
                                         result,
                                         Handle64(s),
                                         flags,
                                         len,
                                         fromLenIn,
                                         {protocol::layout::kNoAddress, {}}};
  if (result != SOCKET_ERROR && from != nullptr && fromlen != nullptr) {
    call.address = Address(report, from, *fromlen);
  }
  report.SendTransfer(agent::payload::BuildTransferAddr2, call, kFixed,
                      Bytes(buf, report.KeptBytes(result, kFixed)));
}

// accept and WSAAccept: the peer's address after a success; `condition` and `callbackData` are
// WSAAccept's, 0 for accept.
inline void ReportAccept2(Report& report, SOCKET s, SOCKET result, const sockaddr* addr,
                          const int* addrlen, int offered, uint64_t condition = 0,
                          uint64_t callbackData = 0) {
  agent::payload::Accept2Call call{report.Error(), offered,      Handle64(s), Handle64(result),
                                   condition,      callbackData, {}};
  if (result != INVALID_SOCKET) call.address = Filled(addr, addrlen, offered);
  report.Send(agent::payload::BuildAccept2, call);
}
// getsockname and getpeername.
inline void ReportGetName2(Report& report, SOCKET s, int result, const sockaddr* name,
                           const int* namelen, int offered) {
  agent::payload::GetName2Call call{report.Error(), result, Handle64(s), offered, {}};
  if (result == 0) call.address = Filled(name, namelen, offered);
  report.Send(agent::payload::BuildGetName2, call);
}

// A pointer result fails as null, an int result as SOCKET_ERROR, an unsigned one (a socket,
// an address) as all ones: INVALID_SOCKET, INADDR_NONE.
template <class Result>
bool Failed(Result result) {
  if constexpr (std::is_pointer_v<Result>) {
    return result == nullptr;
  } else if constexpr (std::is_unsigned_v<Result>) {
    return result == static_cast<Result>(-1);
  } else {
    return result == SOCKET_ERROR;
  }
}

template <class First, class... Rest>
First FirstOf(First first, Rest...) {
  return first;
}

// A call on socket `s`, its first argument, that fails as SOCKET_ERROR and is reported on that
// socket by `kSend(report, s, args..., result)`: for calls of one shape whose payload is the
// agent's own (listen and shutdown, recv and send, ...).
template <Id kId, auto kSend, class... Args>
int OnSocket(SOCKET s, Args... args) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = CallReal<kId>(agent, s, args...);
  return Reported<kId>(agent, result, result == SOCKET_ERROR, {SocketId(s)},
                       [&](Report& report) { kSend(report, s, args..., result); });
}

// socket, WSASocketA and WSASocketW: a new socket, reported on itself by
// `kSend(report, args..., result)`.
template <Id kId, auto kSend, class... Args>
SOCKET NewSocket(Args... args) {
  agent::Agent& agent = agent::Agent::Get();
  const SOCKET result = CallReal<kId>(agent, args...);
  const auto sendReport = [&](Report& report) { kSend(report, args..., result); };
  // A socket that failed has no handle for the socket restriction to match.
  if (result == INVALID_SOCKET) return Reported<kId>(agent, result, true, {}, sendReport);
  return Reported<kId>(agent, result, false, {SocketId(result)}, sendReport);
}

// inet_addr and inet_ntoa, which both agents report alike.
template <Id kId>
unsigned long InetAddr(const char* cp) {
  agent::Agent& agent = agent::Agent::Get();
  const unsigned long result = CallReal<kId>(agent, cp);
  return Reported<kId>(agent, result, false, {}, [&](Report& report) {
    // The text is read only as far as a datagram holds it.
    const size_t length = cp != nullptr ? strnlen(cp, protocol::spy::kChunkSize) : 0;
    report.Send(agent::payload::BuildInetAddr, 0, static_cast<uint32_t>(result),
                std::string_view(cp != nullptr ? cp : "", length));
  });
}

template <Id kId>
char* InetNtoa(in_addr in) {
  agent::Agent& agent = agent::Agent::Get();
  char* result = CallReal<kId>(agent, in);
  return Reported<kId>(agent, result, result == nullptr, {}, [&](Report& report) {
    uint32_t address;
    std::memcpy(&address, &in, sizeof(address));
    report.Send(agent::payload::BuildInetNtoa, report.Error(), address,
                std::string_view(result != nullptr ? result : ""));
  });
}

// The calls decoded by name only report their error code.
template <Id kId, class... Args>
auto ByName(Args... args) {
  agent::Agent& agent = agent::Agent::Get();
  using Result = decltype(CallReal<kId>(agent, args...));
  const auto sendGeneric = [](Report& report) { report.SendGeneric(); };
  if constexpr (std::is_void_v<Result>) {
    CallReal<kId>(agent, args...);
    if (agent.Wants(kId)) ReportAs(agent, kId, false, {}, sendGeneric);
  } else {
    const Result result = CallReal<kId>(agent, args...);
    // A call on a socket takes it first; the socket restriction applies to it.
    if constexpr (protocol::calls::kCalls[static_cast<size_t>(kId)].socketArg) {
      return Reported<kId>(agent, result, Failed(result), {SocketId(FirstOf(args...))},
                           sendGeneric);
    } else {
      return Reported<kId>(agent, result, Failed(result), {}, sendGeneric);
    }
  }
}

}  // namespace agent::wrappers
