// The 46 traced calls. Each runs the system's function, and when the monitor asks for the call
// reports it with the error the call left (0 when it succeeded: Winsock leaves stale codes
// behind successful calls), then restores the thread's error so that the program sees what it
// would see untraced. Blocking calls are reported when they return.
#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <new>
#include <vector>

#include "agent/PayloadBuilders.h"
#include "agent/win32/Agent.h"
#include "protocol/Calls.h"
#include "protocol/PayloadLayout.h"
#include "protocol/SpyDatagram.h"

namespace {

using protocol::calls::Id;

// Socket handles travel as 32-bit values; Windows keeps them below 2^32 on 64-bit systems too.
int32_t Handle(SOCKET s) {
  return static_cast<int32_t>(static_cast<uint32_t>(s));
}
uint32_t SocketId(SOCKET s) {
  return static_cast<uint32_t>(s);
}

agent::payload::SockAddrImage Image(const sockaddr* address, int length) {
  agent::payload::SockAddrImage image{};
  if (address != nullptr && length > 0) {
    std::memcpy(image.data(), address, std::min(static_cast<size_t>(length), image.size()));
  }
  return image;
}

std::span<const uint8_t> Bytes(const char* data, size_t count) {
  return {reinterpret_cast<const uint8_t*>(data), count};
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
        m_error(failed ? agent.Real().WSAGetLastError() : 0) {}
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
    return agent::KeptBytes(result, m_agent.SaveEntire(), m_agent.SaveBytes(), fixedPart);
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
  // A transfer: the fixed part and the kept data bytes.
  template <class Build>
  void SendTransfer(Build build, const agent::payload::TransferCall& call, size_t fixedPart,
                    std::span<const uint8_t> data) {
    Deliver([&] {
      std::vector<uint8_t> buffer(fixedPart + data.size());
      const size_t size = build(std::span<uint8_t>(buffer), call, data);
      m_agent.Send(m_api, std::span<const uint8_t>(buffer.data(), size));
    });
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

// The database and asynchronous calls report their error code only.
template <class Result>
Result Generic(agent::Agent& agent, Id api, Result result, bool failed) {
  Report report(agent, api, failed);
  if (report.Wanted()) report.SendGeneric();
  return result;
}

// Options travel with the length the call had; a value longer than the datagram is cut.
std::span<const uint8_t> OptionBytes(const char* value, int length) {
  if (value == nullptr || length <= 0) return {};
  return Bytes(value, static_cast<size_t>(length));
}

template <class Fn>
int BindOrConnect(Id api, Fn real, SOCKET s, const sockaddr* name, int namelen) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = (agent.Real().*real)(s, name, namelen);
  if (!agent.Wants(api)) return result;
  Report report(agent, api, result == SOCKET_ERROR);
  if (report.Wanted({SocketId(s)})) {
    report.Send(
        agent::payload::BuildBindConnect,
        agent::payload::AddressCall{
            report.Error(), Handle(s), result, namelen,
            report.PointersValid() ? Image(name, namelen) : agent::payload::SockAddrImage{}});
  }
  return result;
}

template <class Fn>
int ListenOrShutdown(Id api, Fn real, SOCKET s, int value) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = (agent.Real().*real)(s, value);
  if (!agent.Wants(api)) return result;
  Report report(agent, api, result == SOCKET_ERROR);
  if (report.Wanted({SocketId(s)})) {
    report.Send(agent::payload::BuildListenShutdown,
                agent::payload::SocketValueCall{report.Error(), Handle(s), value, result});
  }
  return result;
}

template <class Fn>
int GetName(Id api, Fn real, SOCKET s, sockaddr* name, int* namelen) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = (agent.Real().*real)(s, name, namelen);
  if (!agent.Wants(api)) return result;
  Report report(agent, api, result == SOCKET_ERROR);
  if (report.Wanted({SocketId(s)})) {
    agent::payload::AddressCall call{
        report.Error(), Handle(s), result, report.ValueAt(namelen), {}};
    if (result != SOCKET_ERROR) call.addr = Image(name, call.addrLen);
    report.Send(agent::payload::BuildGetName, call);
  }
  return result;
}

template <class Fn>
u_long Convert32(Id api, Fn real, u_long value) {
  agent::Agent& agent = agent::Agent::Get();
  const u_long result = (agent.Real().*real)(value);
  if (!agent.Wants(api)) return result;
  Report report(agent, api, false);
  if (report.Wanted()) {
    report.Send(agent::payload::BuildConvert32,
                agent::payload::Convert32Call{0, static_cast<uint32_t>(value),
                                              static_cast<uint32_t>(result)});
  }
  return result;
}

template <class Fn>
u_short Convert16(Id api, Fn real, u_short value) {
  agent::Agent& agent = agent::Agent::Get();
  const u_short result = (agent.Real().*real)(value);
  if (!agent.Wants(api)) return result;
  Report report(agent, api, false);
  if (report.Wanted())
    report.Send(agent::payload::BuildConvert16, agent::payload::Convert16Call{0, value, result});
  return result;
}

}  // namespace

extern "C" {

SOCKET WINAPI Klv_accept(SOCKET s, sockaddr* addr, int* addrlen) {
  agent::Agent& agent = agent::Agent::Get();
  const SOCKET result = agent.Real().accept(s, addr, addrlen);
  if (!agent.Wants(Id::accept)) return result;
  Report report(agent, Id::accept, result == INVALID_SOCKET);
  if (report.Wanted({SocketId(s), SocketId(result)})) {
    agent::payload::AddressCall call{
        report.Error(), Handle(s), Handle(result), report.ValueAt(addrlen), {}};
    if (result != INVALID_SOCKET) call.addr = Image(addr, call.addrLen);
    report.Send(agent::payload::BuildAccept, call);
  }
  return result;
}

int WINAPI Klv_bind(SOCKET s, const sockaddr* name, int namelen) {
  return BindOrConnect(Id::bind, &agent::RealWinsock::bind, s, name, namelen);
}

int WINAPI Klv_closesocket(SOCKET s) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.Real().closesocket(s);
  if (!agent.Wants(Id::closesocket)) return result;
  Report report(agent, Id::closesocket, result == SOCKET_ERROR);
  if (report.Wanted({SocketId(s)})) {
    report.Send(agent::payload::BuildCloseSocket,
                agent::payload::ResultCall{report.Error(), Handle(s), result});
  }
  return result;
}

int WINAPI Klv_connect(SOCKET s, const sockaddr* name, int namelen) {
  return BindOrConnect(Id::connect, &agent::RealWinsock::connect, s, name, namelen);
}

int WINAPI Klv_getpeername(SOCKET s, sockaddr* name, int* namelen) {
  return GetName(Id::getpeername, &agent::RealWinsock::getpeername, s, name, namelen);
}

int WINAPI Klv_getsockname(SOCKET s, sockaddr* name, int* namelen) {
  return GetName(Id::getsockname, &agent::RealWinsock::getsockname, s, name, namelen);
}

int WINAPI Klv_getsockopt(SOCKET s, int level, int optname, char* optval, int* optlen) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.Real().getsockopt(s, level, optname, optval, optlen);
  if (!agent.Wants(Id::getsockopt)) return result;
  Report report(agent, Id::getsockopt, result == SOCKET_ERROR);
  if (report.Wanted({SocketId(s)})) {
    const int length = report.ValueAt(optlen);
    report.Send(
        agent::payload::BuildSockOpt,
        agent::payload::OptionCall{report.Error(), Handle(s), level, optname, length, result},
        result == SOCKET_ERROR ? std::span<const uint8_t>() : OptionBytes(optval, length));
  }
  return result;
}

u_long WINAPI Klv_htonl(u_long hostlong) {
  return Convert32(Id::htonl, &agent::RealWinsock::htonl, hostlong);
}

u_short WINAPI Klv_htons(u_short hostshort) {
  return Convert16(Id::htons, &agent::RealWinsock::htons, hostshort);
}

unsigned long WINAPI Klv_inet_addr(const char* cp) {
  agent::Agent& agent = agent::Agent::Get();
  const unsigned long result = agent.Real().inet_addr(cp);
  if (!agent.Wants(Id::inet_addr)) return result;
  Report report(agent, Id::inet_addr, false);
  if (report.Wanted()) {
    // The text is read only as far as a datagram holds it.
    const size_t length = cp != nullptr ? strnlen(cp, protocol::spy::kChunkSize) : 0;
    report.Send(agent::payload::BuildInetAddr, 0, static_cast<uint32_t>(result),
                std::string_view(cp != nullptr ? cp : "", length));
  }
  return result;
}

char* WINAPI Klv_inet_ntoa(in_addr in) {
  agent::Agent& agent = agent::Agent::Get();
  char* result = agent.Real().inet_ntoa(in);
  if (!agent.Wants(Id::inet_ntoa)) return result;
  Report report(agent, Id::inet_ntoa, result == nullptr);
  if (report.Wanted()) {
    uint32_t address;
    std::memcpy(&address, &in, sizeof(address));
    report.Send(agent::payload::BuildInetNtoa, report.Error(), address,
                std::string_view(result != nullptr ? result : ""));
  }
  return result;
}

int WINAPI Klv_ioctlsocket(SOCKET s, long cmd, u_long* argp) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.Real().ioctlsocket(s, cmd, argp);
  if (!agent.Wants(Id::ioctlsocket)) return result;
  Report report(agent, Id::ioctlsocket, result == SOCKET_ERROR);
  if (report.Wanted({SocketId(s)})) {
    const agent::payload::IoctlCall call{report.Error(), Handle(s), static_cast<uint32_t>(cmd),
                                         static_cast<uint32_t>(report.ValueAt(argp)), result};
    report.Send(agent::payload::BuildIoctl, call);
  }
  return result;
}

int WINAPI Klv_listen(SOCKET s, int backlog) {
  return ListenOrShutdown(Id::listen, &agent::RealWinsock::listen, s, backlog);
}

u_long WINAPI Klv_ntohl(u_long netlong) {
  return Convert32(Id::ntohl, &agent::RealWinsock::ntohl, netlong);
}

u_short WINAPI Klv_ntohs(u_short netshort) {
  return Convert16(Id::ntohs, &agent::RealWinsock::ntohs, netshort);
}

int WINAPI Klv_recv(SOCKET s, char* buf, int len, int flags) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.Real().recv(s, buf, len, flags);
  if (!agent.Wants(Id::recv)) return result;
  Report report(agent, Id::recv, result == SOCKET_ERROR);
  if (report.Wanted({SocketId(s)})) {
    constexpr size_t kFixed = protocol::layout::kShortTransfer.fixed;
    report.SendTransfer(
        agent::payload::BuildRecvSend,
        agent::payload::TransferCall{report.Error(), Handle(s), flags, result, 0, {}}, kFixed,
        Bytes(buf, report.KeptBytes(result, kFixed)));
  }
  return result;
}

int WINAPI Klv_recvfrom(SOCKET s, char* buf, int len, int flags, sockaddr* from, int* fromlen) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.Real().recvfrom(s, buf, len, flags, from, fromlen);
  if (!agent.Wants(Id::recvfrom)) return result;
  Report report(agent, Id::recvfrom, result == SOCKET_ERROR);
  if (report.Wanted({SocketId(s)})) {
    constexpr size_t kFixed = protocol::layout::kLongTransfer.fixed;
    agent::payload::TransferCall call{report.Error(),          Handle(s), flags, result,
                                      report.ValueAt(fromlen), {}};
    if (result != SOCKET_ERROR) call.addr = Image(from, call.addrLen);
    report.SendTransfer(agent::payload::BuildRecvFrom, call, kFixed,
                        Bytes(buf, report.KeptBytes(result, kFixed)));
  }
  return result;
}

int WINAPI Klv_select(int nfds, fd_set* readfds, fd_set* writefds, fd_set* exceptfds,
                      const PTIMEVAL timeout) {
  agent::Agent& agent = agent::Agent::Get();
  if (!agent.Wants(Id::select))
    return agent.Real().select(nfds, readfds, writefds, exceptfds, timeout);
  // The counts the program asked about; the call rewrites the sets.
  auto count = [](const fd_set* set) {
    return static_cast<uint16_t>(set != nullptr ? set->fd_count : 0);
  };
  const agent::payload::SelectCall asked{0, 0, count(readfds), count(writefds), count(exceptfds)};
  const int result = agent.Real().select(nfds, readfds, writefds, exceptfds, timeout);
  Report report(agent, Id::select, result == SOCKET_ERROR);
  if (report.Wanted()) {
    agent::payload::SelectCall call = asked;
    call.error = report.Error();
    call.result = result;
    report.Send(agent::payload::BuildSelect, call);
  }
  return result;
}

int WINAPI Klv_send(SOCKET s, const char* buf, int len, int flags) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.Real().send(s, buf, len, flags);
  if (!agent.Wants(Id::send)) return result;
  Report report(agent, Id::send, result == SOCKET_ERROR);
  if (report.Wanted({SocketId(s)})) {
    constexpr size_t kFixed = protocol::layout::kShortTransfer.fixed;
    report.SendTransfer(
        agent::payload::BuildRecvSend,
        agent::payload::TransferCall{report.Error(), Handle(s), flags, result, 0, {}}, kFixed,
        Bytes(buf, report.KeptBytes(result, kFixed)));
  }
  return result;
}

int WINAPI Klv_sendto(SOCKET s, const char* buf, int len, int flags, const sockaddr* to,
                      int tolen) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.Real().sendto(s, buf, len, flags, to, tolen);
  if (!agent.Wants(Id::sendto)) return result;
  Report report(agent, Id::sendto, result == SOCKET_ERROR);
  if (report.Wanted({SocketId(s)})) {
    constexpr size_t kFixed = protocol::layout::kLongTransfer.fixed;
    report.SendTransfer(
        agent::payload::BuildSendTo,
        agent::payload::TransferCall{
            report.Error(), Handle(s), flags, result, tolen,
            report.PointersValid() ? Image(to, tolen) : agent::payload::SockAddrImage{}},
        kFixed, Bytes(buf, report.KeptBytes(result, kFixed)));
  }
  return result;
}

int WINAPI Klv_setsockopt(SOCKET s, int level, int optname, const char* optval, int optlen) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.Real().setsockopt(s, level, optname, optval, optlen);
  if (!agent.Wants(Id::setsockopt)) return result;
  Report report(agent, Id::setsockopt, result == SOCKET_ERROR);
  if (report.Wanted({SocketId(s)})) {
    // A failed call may have been given a bad pointer; its value is not read then.
    report.Send(
        agent::payload::BuildSockOpt,
        agent::payload::OptionCall{report.Error(), Handle(s), level, optname, optlen, result},
        result == SOCKET_ERROR ? std::span<const uint8_t>() : OptionBytes(optval, optlen));
  }
  return result;
}

int WINAPI Klv_shutdown(SOCKET s, int how) {
  return ListenOrShutdown(Id::shutdown, &agent::RealWinsock::shutdown, s, how);
}

SOCKET WINAPI Klv_socket(int af, int type, int protocol) {
  agent::Agent& agent = agent::Agent::Get();
  const SOCKET result = agent.Real().socket(af, type, protocol);
  if (!agent.Wants(Id::socket)) return result;
  Report report(agent, Id::socket, result == INVALID_SOCKET);
  const bool wanted =
      result == INVALID_SOCKET ? report.Wanted() : report.Wanted({SocketId(result)});
  if (wanted) {
    report.Send(agent::payload::BuildSocket,
                agent::payload::SocketCall{report.Error(), af, type, protocol, Handle(result)});
  }
  return result;
}

hostent* WINAPI Klv_gethostbyaddr(const char* addr, int len, int type) {
  agent::Agent& agent = agent::Agent::Get();
  hostent* result = agent.Real().gethostbyaddr(addr, len, type);
  if (!agent.Wants(Id::gethostbyaddr)) return result;
  return Generic(agent, Id::gethostbyaddr, result, result == nullptr);
}

hostent* WINAPI Klv_gethostbyname(const char* name) {
  agent::Agent& agent = agent::Agent::Get();
  hostent* result = agent.Real().gethostbyname(name);
  if (!agent.Wants(Id::gethostbyname)) return result;
  return Generic(agent, Id::gethostbyname, result, result == nullptr);
}

protoent* WINAPI Klv_getprotobyname(const char* name) {
  agent::Agent& agent = agent::Agent::Get();
  protoent* result = agent.Real().getprotobyname(name);
  if (!agent.Wants(Id::getprotobyname)) return result;
  return Generic(agent, Id::getprotobyname, result, result == nullptr);
}

protoent* WINAPI Klv_getprotobynumber(int number) {
  agent::Agent& agent = agent::Agent::Get();
  protoent* result = agent.Real().getprotobynumber(number);
  if (!agent.Wants(Id::getprotobynumber)) return result;
  return Generic(agent, Id::getprotobynumber, result, result == nullptr);
}

servent* WINAPI Klv_getservbyname(const char* name, const char* proto) {
  agent::Agent& agent = agent::Agent::Get();
  servent* result = agent.Real().getservbyname(name, proto);
  if (!agent.Wants(Id::getservbyname)) return result;
  return Generic(agent, Id::getservbyname, result, result == nullptr);
}

servent* WINAPI Klv_getservbyport(int port, const char* proto) {
  agent::Agent& agent = agent::Agent::Get();
  servent* result = agent.Real().getservbyport(port, proto);
  if (!agent.Wants(Id::getservbyport)) return result;
  return Generic(agent, Id::getservbyport, result, result == nullptr);
}

int WINAPI Klv_gethostname(char* name, int namelen) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.Real().gethostname(name, namelen);
  if (!agent.Wants(Id::gethostname)) return result;
  return Generic(agent, Id::gethostname, result, result == SOCKET_ERROR);
}

int WINAPI Klv_WSAAsyncSelect(SOCKET s, HWND hWnd, u_int wMsg, long lEvent) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.Real().WSAAsyncSelect(s, hWnd, wMsg, lEvent);
  if (!agent.Wants(Id::WSAAsyncSelect)) return result;
  Report report(agent, Id::WSAAsyncSelect, result == SOCKET_ERROR);
  if (report.Wanted({SocketId(s)})) report.SendGeneric();
  return result;
}

HANDLE WINAPI Klv_WSAAsyncGetHostByAddr(HWND hWnd, u_int wMsg, const char* addr, int len, int type,
                                        char* buf, int buflen) {
  agent::Agent& agent = agent::Agent::Get();
  HANDLE result = agent.Real().WSAAsyncGetHostByAddr(hWnd, wMsg, addr, len, type, buf, buflen);
  if (!agent.Wants(Id::WSAAsyncGetHostByAddr)) return result;
  return Generic(agent, Id::WSAAsyncGetHostByAddr, result, result == nullptr);
}

HANDLE WINAPI Klv_WSAAsyncGetHostByName(HWND hWnd, u_int wMsg, const char* name, char* buf,
                                        int buflen) {
  agent::Agent& agent = agent::Agent::Get();
  HANDLE result = agent.Real().WSAAsyncGetHostByName(hWnd, wMsg, name, buf, buflen);
  if (!agent.Wants(Id::WSAAsyncGetHostByName)) return result;
  return Generic(agent, Id::WSAAsyncGetHostByName, result, result == nullptr);
}

HANDLE WINAPI Klv_WSAAsyncGetProtoByNumber(HWND hWnd, u_int wMsg, int number, char* buf,
                                           int buflen) {
  agent::Agent& agent = agent::Agent::Get();
  HANDLE result = agent.Real().WSAAsyncGetProtoByNumber(hWnd, wMsg, number, buf, buflen);
  if (!agent.Wants(Id::WSAAsyncGetProtoByNumber)) return result;
  return Generic(agent, Id::WSAAsyncGetProtoByNumber, result, result == nullptr);
}

HANDLE WINAPI Klv_WSAAsyncGetProtoByName(HWND hWnd, u_int wMsg, const char* name, char* buf,
                                         int buflen) {
  agent::Agent& agent = agent::Agent::Get();
  HANDLE result = agent.Real().WSAAsyncGetProtoByName(hWnd, wMsg, name, buf, buflen);
  if (!agent.Wants(Id::WSAAsyncGetProtoByName)) return result;
  return Generic(agent, Id::WSAAsyncGetProtoByName, result, result == nullptr);
}

HANDLE WINAPI Klv_WSAAsyncGetServByPort(HWND hWnd, u_int wMsg, int port, const char* proto,
                                        char* buf, int buflen) {
  agent::Agent& agent = agent::Agent::Get();
  HANDLE result = agent.Real().WSAAsyncGetServByPort(hWnd, wMsg, port, proto, buf, buflen);
  if (!agent.Wants(Id::WSAAsyncGetServByPort)) return result;
  return Generic(agent, Id::WSAAsyncGetServByPort, result, result == nullptr);
}

HANDLE WINAPI Klv_WSAAsyncGetServByName(HWND hWnd, u_int wMsg, const char* name, const char* proto,
                                        char* buf, int buflen) {
  agent::Agent& agent = agent::Agent::Get();
  HANDLE result = agent.Real().WSAAsyncGetServByName(hWnd, wMsg, name, proto, buf, buflen);
  if (!agent.Wants(Id::WSAAsyncGetServByName)) return result;
  return Generic(agent, Id::WSAAsyncGetServByName, result, result == nullptr);
}

int WINAPI Klv_WSACancelAsyncRequest(HANDLE hAsyncTaskHandle) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.Real().WSACancelAsyncRequest(hAsyncTaskHandle);
  if (!agent.Wants(Id::WSACancelAsyncRequest)) return result;
  return Generic(agent, Id::WSACancelAsyncRequest, result, result == SOCKET_ERROR);
}

FARPROC WINAPI Klv_WSASetBlockingHook(FARPROC lpBlockFunc) {
  agent::Agent& agent = agent::Agent::Get();
  FARPROC result = agent.Real().WSASetBlockingHook(lpBlockFunc);
  if (!agent.Wants(Id::WSASetBlockingHook)) return result;
  return Generic(agent, Id::WSASetBlockingHook, result, result == nullptr);
}

int WINAPI Klv_WSAUnhookBlockingHook() {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.Real().WSAUnhookBlockingHook();
  if (!agent.Wants(Id::WSAUnhookBlockingHook)) return result;
  return Generic(agent, Id::WSAUnhookBlockingHook, result, result == SOCKET_ERROR);
}

int WINAPI Klv_WSAGetLastError() {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.Real().WSAGetLastError();
  if (!agent.Wants(Id::WSAGetLastError)) return result;
  return Generic(agent, Id::WSAGetLastError, result, false);
}

void WINAPI Klv_WSASetLastError(int iError) {
  agent::Agent& agent = agent::Agent::Get();
  agent.Real().WSASetLastError(iError);
  if (!agent.Wants(Id::WSASetLastError)) return;
  Generic(agent, Id::WSASetLastError, 0, false);
}

int WINAPI Klv_WSACancelBlockingCall() {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.Real().WSACancelBlockingCall();
  if (!agent.Wants(Id::WSACancelBlockingCall)) return result;
  return Generic(agent, Id::WSACancelBlockingCall, result, result == SOCKET_ERROR);
}

BOOL WINAPI Klv_WSAIsBlocking() {
  agent::Agent& agent = agent::Agent::Get();
  const BOOL result = agent.Real().WSAIsBlocking();
  if (!agent.Wants(Id::WSAIsBlocking)) return result;
  return Generic(agent, Id::WSAIsBlocking, result, false);
}

int WINAPI Klv_WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.Real().WSAStartup(wVersionRequested, lpWSAData);
  if (result == 0) agent.ProgramStarted();
  if (!agent.Wants(Id::WSAStartup)) return result;
  // WSAStartup returns its error code rather than setting it.
  Report report(agent, Id::WSAStartup, result != 0, result);
  if (report.Wanted()) report.SendGeneric();
  return result;
}

int WINAPI Klv_WSACleanup() {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.ProgramCleanup();
  if (!agent.Wants(Id::WSACleanup)) return result;
  return Generic(agent, Id::WSACleanup, result, result == SOCKET_ERROR);
}

}  // extern "C"
