// The traced calls of the WSOCK32 agent (Klvnt32.dll, Klvnt64.dll). Each runs the system's
// function, and when the monitor asks for the call reports it with the error the call left (0
// when it succeeded: Winsock leaves stale codes behind successful calls), then restores the
// thread's error so that the program sees what it would see untraced. Blocking calls are reported
// when they return. The calls of one payload group share one body, which finds the system's
// function and the call's row by the API id.
#include <algorithm>
#include <cstring>

#include "agent/win32/WrapperBodies.h"
#include "protocol/PayloadLayout.h"

// This agent stands in for WSOCK32.DLL.
const agent::Library agent::kAgentLibrary = agent::Library::kWsock32;

namespace {

using agent::wrappers::ByName;
using agent::wrappers::Bytes;
using agent::wrappers::CallReal;
using agent::wrappers::Handle;
using agent::wrappers::OnSocket;
using agent::wrappers::Report;
using agent::wrappers::ReportAs;
using agent::wrappers::Reported;
using agent::wrappers::SocketId;
using protocol::calls::Id;

agent::payload::SockAddrImage Image(const sockaddr* address, int length) {
  agent::payload::SockAddrImage image{};
  if (address != nullptr && length > 0) {
    std::memcpy(image.data(), address, std::min(static_cast<size_t>(length), image.size()));
  }
  return image;
}

// Options travel with the length the call had; a value longer than the datagram is cut.
std::span<const uint8_t> OptionBytes(const char* value, int length) {
  if (value == nullptr || length <= 0) return {};
  return Bytes(value, static_cast<size_t>(length));
}

// An address longer than the 16-byte image of ids 0-45 (an IPv6 one) is reported whole, under the
// Winsock 2 id of the same call.
bool FitsImage(int length) {
  return length <= static_cast<int>(protocol::layout::kSockAddrSize);
}

template <Id kId, Id kWhole>
int BindOrConnect(SOCKET s, const sockaddr* name, int namelen) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = CallReal<kId>(agent, s, name, namelen);
  if (!agent.Wants(kId)) return result;
  if (!FitsImage(namelen)) {
    ReportAs(agent, kWhole, result == SOCKET_ERROR, {SocketId(s)}, [&](Report& report) {
      agent::wrappers::ReportBindConnect2(report, s, name, namelen, result);
    });
    return result;
  }
  ReportAs(agent, kId, result == SOCKET_ERROR, {SocketId(s)}, [&](Report& report) {
    report.Send(
        agent::payload::BuildBindConnect,
        agent::payload::AddressCall{
            report.Error(), Handle(s), result, namelen,
            report.PointersValid() ? Image(name, namelen) : agent::payload::SockAddrImage{}});
  });
  return result;
}

// listen and shutdown.
void SendListenShutdown(Report& report, SOCKET s, int value, int result) {
  report.Send(agent::payload::BuildListenShutdown,
              agent::payload::SocketValueCall{report.Error(), Handle(s), value, result});
}

template <Id kId, Id kWhole>
int GetName(SOCKET s, sockaddr* name, int* namelen) {
  agent::Agent& agent = agent::Agent::Get();
  const int32_t offered = agent::wrappers::Before(agent, kId, namelen);
  const int result = CallReal<kId>(agent, s, name, namelen);
  if (!agent.Wants(kId)) return result;
  if (result == 0 && namelen != nullptr && !FitsImage(*namelen)) {
    ReportAs(agent, kWhole, false, {SocketId(s)}, [&](Report& report) {
      agent::wrappers::ReportGetName2(report, s, result, name, namelen, offered);
    });
    return result;
  }
  ReportAs(agent, kId, result == SOCKET_ERROR, {SocketId(s)}, [&](Report& report) {
    agent::payload::AddressCall call{
        report.Error(), Handle(s), result, report.ValueAt(namelen), {}};
    if (result != SOCKET_ERROR) call.addr = Image(name, call.addrLen);
    report.Send(agent::payload::BuildGetName, call);
  });
  return result;
}

template <Id kId>
u_long Convert32(u_long value) {
  agent::Agent& agent = agent::Agent::Get();
  const u_long result = CallReal<kId>(agent, value);
  return Reported<kId>(agent, result, false, {}, [&](Report& report) {
    report.Send(agent::payload::BuildConvert32,
                agent::payload::Convert32Call{0, static_cast<uint32_t>(value),
                                              static_cast<uint32_t>(result)});
  });
}

template <Id kId>
u_short Convert16(u_short value) {
  agent::Agent& agent = agent::Agent::Get();
  const u_short result = CallReal<kId>(agent, value);
  return Reported<kId>(agent, result, false, {}, [&](Report& report) {
    report.Send(agent::payload::BuildConvert16, agent::payload::Convert16Call{0, value, result});
  });
}

// socket.
void SendSocket(Report& report, int af, int type, int protocol, SOCKET result) {
  report.Send(agent::payload::BuildSocket,
              agent::payload::SocketCall{report.Error(), af, type, protocol, Handle(result)});
}

// recv and send; the payload does not list the length the program offered.
void SendRecvSend(Report& report, SOCKET s, const char* buf, int, int flags, int result) {
  constexpr size_t kFixed = protocol::layout::kShortTransfer.fixed;
  report.SendTransfer(agent::payload::BuildRecvSend,
                      agent::payload::TransferCall{report.Error(), Handle(s), flags, result, 0, {}},
                      kFixed, Bytes(buf, report.KeptBytes(result, kFixed)));
}

}  // namespace

extern "C" {

SOCKET WINAPI Klv_accept(SOCKET s, sockaddr* addr, int* addrlen) {
  agent::Agent& agent = agent::Agent::Get();
  const int32_t offered = agent::wrappers::Before(agent, Id::accept, addrlen);
  const SOCKET result = agent.Real().accept(s, addr, addrlen);
  if (!agent.Wants(Id::accept)) return result;
  if (result != INVALID_SOCKET && addrlen != nullptr && !FitsImage(*addrlen)) {
    ReportAs(agent, Id::ws2_accept, false, {SocketId(s), SocketId(result)}, [&](Report& report) {
      agent::wrappers::ReportAccept2(report, s, result, addr, addrlen, offered);
    });
    return result;
  }
  ReportAs(agent, Id::accept, result == INVALID_SOCKET, {SocketId(s), SocketId(result)},
           [&](Report& report) {
             agent::payload::AddressCall call{
                 report.Error(), Handle(s), Handle(result), report.ValueAt(addrlen), {}};
             if (result != INVALID_SOCKET) call.addr = Image(addr, call.addrLen);
             report.Send(agent::payload::BuildAccept, call);
           });
  return result;
}

int WINAPI Klv_bind(SOCKET s, const sockaddr* name, int namelen) {
  return BindOrConnect<Id::bind, Id::ws2_bind>(s, name, namelen);
}

int WINAPI Klv_closesocket(SOCKET s) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.Real().closesocket(s);
  return Reported<Id::closesocket>(
      agent, result, result == SOCKET_ERROR, {SocketId(s)}, [&](Report& report) {
        report.Send(agent::payload::BuildCloseSocket,
                    agent::payload::ResultCall{report.Error(), Handle(s), result});
      });
}

int WINAPI Klv_connect(SOCKET s, const sockaddr* name, int namelen) {
  return BindOrConnect<Id::connect, Id::ws2_connect>(s, name, namelen);
}

int WINAPI Klv_getpeername(SOCKET s, sockaddr* name, int* namelen) {
  return GetName<Id::getpeername, Id::ws2_getpeername>(s, name, namelen);
}

int WINAPI Klv_getsockname(SOCKET s, sockaddr* name, int* namelen) {
  return GetName<Id::getsockname, Id::ws2_getsockname>(s, name, namelen);
}

int WINAPI Klv_getsockopt(SOCKET s, int level, int optname, char* optval, int* optlen) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.Real().getsockopt(s, level, optname, optval, optlen);
  return Reported<Id::getsockopt>(
      agent, result, result == SOCKET_ERROR, {SocketId(s)}, [&](Report& report) {
        const int length = report.ValueAt(optlen);
        report.Send(
            agent::payload::BuildSockOpt,
            agent::payload::OptionCall{report.Error(), Handle(s), level, optname, length, result},
            result == SOCKET_ERROR ? std::span<const uint8_t>() : OptionBytes(optval, length));
      });
}

u_long WINAPI Klv_htonl(u_long hostlong) {
  return Convert32<Id::htonl>(hostlong);
}

u_short WINAPI Klv_htons(u_short hostshort) {
  return Convert16<Id::htons>(hostshort);
}

unsigned long WINAPI Klv_inet_addr(const char* cp) {
  return agent::wrappers::InetAddr<Id::inet_addr>(cp);
}

char* WINAPI Klv_inet_ntoa(in_addr in) {
  return agent::wrappers::InetNtoa<Id::inet_ntoa>(in);
}

int WINAPI Klv_ioctlsocket(SOCKET s, long cmd, u_long* argp) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.Real().ioctlsocket(s, cmd, argp);
  return Reported<Id::ioctlsocket>(
      agent, result, result == SOCKET_ERROR, {SocketId(s)}, [&](Report& report) {
        const agent::payload::IoctlCall call{report.Error(), Handle(s), static_cast<uint32_t>(cmd),
                                             static_cast<uint32_t>(report.ValueAt(argp)), result};
        report.Send(agent::payload::BuildIoctl, call);
      });
}

int WINAPI Klv_listen(SOCKET s, int backlog) {
  return OnSocket<Id::listen, SendListenShutdown>(s, backlog);
}

u_long WINAPI Klv_ntohl(u_long netlong) {
  return Convert32<Id::ntohl>(netlong);
}

u_short WINAPI Klv_ntohs(u_short netshort) {
  return Convert16<Id::ntohs>(netshort);
}

int WINAPI Klv_recv(SOCKET s, char* buf, int len, int flags) {
  return OnSocket<Id::recv, SendRecvSend>(s, buf, len, flags);
}

int WINAPI Klv_recvfrom(SOCKET s, char* buf, int len, int flags, sockaddr* from, int* fromlen) {
  agent::Agent& agent = agent::Agent::Get();
  const int32_t fromLenIn = agent::wrappers::Before(agent, Id::recvfrom, fromlen);
  const int result = agent.Real().recvfrom(s, buf, len, flags, from, fromlen);
  if (!agent.Wants(Id::recvfrom)) return result;
  if (result != SOCKET_ERROR && from != nullptr && fromlen != nullptr && !FitsImage(*fromlen)) {
    ReportAs(agent, Id::ws2_recvfrom, false, {SocketId(s)}, [&](Report& report) {
      agent::wrappers::ReportRecvFrom2(report, s, buf, len, flags, from, fromlen, fromLenIn,
                                       result);
    });
    return result;
  }
  ReportAs(agent, Id::recvfrom, result == SOCKET_ERROR, {SocketId(s)}, [&](Report& report) {
    constexpr size_t kFixed = protocol::layout::kLongTransfer.fixed;
    agent::payload::TransferCall call{report.Error(),          Handle(s), flags, result,
                                      report.ValueAt(fromlen), {}};
    if (result != SOCKET_ERROR) call.addr = Image(from, call.addrLen);
    report.SendTransfer(agent::payload::BuildRecvFrom, call, kFixed,
                        Bytes(buf, report.KeptBytes(result, kFixed)));
  });
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
  ReportAs(agent, Id::select, result == SOCKET_ERROR, {}, [&](Report& report) {
    agent::payload::SelectCall call = asked;
    call.error = report.Error();
    call.result = result;
    report.Send(agent::payload::BuildSelect, call);
  });
  return result;
}

int WINAPI Klv_send(SOCKET s, const char* buf, int len, int flags) {
  return OnSocket<Id::send, SendRecvSend>(s, buf, len, flags);
}

int WINAPI Klv_sendto(SOCKET s, const char* buf, int len, int flags, const sockaddr* to,
                      int tolen) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.Real().sendto(s, buf, len, flags, to, tolen);
  if (!agent.Wants(Id::sendto)) return result;
  if (!FitsImage(tolen)) {
    ReportAs(agent, Id::ws2_sendto, result == SOCKET_ERROR, {SocketId(s)}, [&](Report& report) {
      agent::wrappers::ReportSendTo2(report, s, buf, len, flags, to, tolen, result);
    });
    return result;
  }
  ReportAs(agent, Id::sendto, result == SOCKET_ERROR, {SocketId(s)}, [&](Report& report) {
    constexpr size_t kFixed = protocol::layout::kLongTransfer.fixed;
    report.SendTransfer(
        agent::payload::BuildSendTo,
        agent::payload::TransferCall{
            report.Error(), Handle(s), flags, result, tolen,
            report.PointersValid() ? Image(to, tolen) : agent::payload::SockAddrImage{}},
        kFixed, Bytes(buf, report.KeptBytes(result, kFixed)));
  });
  return result;
}

int WINAPI Klv_setsockopt(SOCKET s, int level, int optname, const char* optval, int optlen) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.Real().setsockopt(s, level, optname, optval, optlen);
  return Reported<Id::setsockopt>(
      agent, result, result == SOCKET_ERROR, {SocketId(s)}, [&](Report& report) {
        // A failed call may have been given a bad pointer; its value is not read then.
        report.Send(
            agent::payload::BuildSockOpt,
            agent::payload::OptionCall{report.Error(), Handle(s), level, optname, optlen, result},
            result == SOCKET_ERROR ? std::span<const uint8_t>() : OptionBytes(optval, optlen));
      });
}

int WINAPI Klv_shutdown(SOCKET s, int how) {
  return OnSocket<Id::shutdown, SendListenShutdown>(s, how);
}

SOCKET WINAPI Klv_socket(int af, int type, int protocol) {
  return agent::wrappers::NewSocket<Id::socket, SendSocket>(af, type, protocol);
}

hostent* WINAPI Klv_gethostbyaddr(const char* addr, int len, int type) {
  return ByName<Id::gethostbyaddr>(addr, len, type);
}

hostent* WINAPI Klv_gethostbyname(const char* name) {
  return ByName<Id::gethostbyname>(name);
}

protoent* WINAPI Klv_getprotobyname(const char* name) {
  return ByName<Id::getprotobyname>(name);
}

protoent* WINAPI Klv_getprotobynumber(int number) {
  return ByName<Id::getprotobynumber>(number);
}

servent* WINAPI Klv_getservbyname(const char* name, const char* proto) {
  return ByName<Id::getservbyname>(name, proto);
}

servent* WINAPI Klv_getservbyport(int port, const char* proto) {
  return ByName<Id::getservbyport>(port, proto);
}

int WINAPI Klv_gethostname(char* name, int namelen) {
  return ByName<Id::gethostname>(name, namelen);
}

int WINAPI Klv_WSAAsyncSelect(SOCKET s, HWND hWnd, u_int wMsg, long lEvent) {
  return ByName<Id::WSAAsyncSelect>(s, hWnd, wMsg, lEvent);
}

HANDLE WINAPI Klv_WSAAsyncGetHostByAddr(HWND hWnd, u_int wMsg, const char* addr, int len, int type,
                                        char* buf, int buflen) {
  return ByName<Id::WSAAsyncGetHostByAddr>(hWnd, wMsg, addr, len, type, buf, buflen);
}

HANDLE WINAPI Klv_WSAAsyncGetHostByName(HWND hWnd, u_int wMsg, const char* name, char* buf,
                                        int buflen) {
  return ByName<Id::WSAAsyncGetHostByName>(hWnd, wMsg, name, buf, buflen);
}

HANDLE WINAPI Klv_WSAAsyncGetProtoByNumber(HWND hWnd, u_int wMsg, int number, char* buf,
                                           int buflen) {
  return ByName<Id::WSAAsyncGetProtoByNumber>(hWnd, wMsg, number, buf, buflen);
}

HANDLE WINAPI Klv_WSAAsyncGetProtoByName(HWND hWnd, u_int wMsg, const char* name, char* buf,
                                         int buflen) {
  return ByName<Id::WSAAsyncGetProtoByName>(hWnd, wMsg, name, buf, buflen);
}

HANDLE WINAPI Klv_WSAAsyncGetServByPort(HWND hWnd, u_int wMsg, int port, const char* proto,
                                        char* buf, int buflen) {
  return ByName<Id::WSAAsyncGetServByPort>(hWnd, wMsg, port, proto, buf, buflen);
}

HANDLE WINAPI Klv_WSAAsyncGetServByName(HWND hWnd, u_int wMsg, const char* name, const char* proto,
                                        char* buf, int buflen) {
  return ByName<Id::WSAAsyncGetServByName>(hWnd, wMsg, name, proto, buf, buflen);
}

int WINAPI Klv_WSACancelAsyncRequest(HANDLE hAsyncTaskHandle) {
  return ByName<Id::WSACancelAsyncRequest>(hAsyncTaskHandle);
}

FARPROC WINAPI Klv_WSASetBlockingHook(FARPROC lpBlockFunc) {
  return ByName<Id::WSASetBlockingHook>(lpBlockFunc);
}

int WINAPI Klv_WSAUnhookBlockingHook() {
  return ByName<Id::WSAUnhookBlockingHook>();
}

int WINAPI Klv_WSAGetLastError() {
  return ByName<Id::WSAGetLastError>();
}

void WINAPI Klv_WSASetLastError(int iError) {
  return ByName<Id::WSASetLastError>(iError);
}

int WINAPI Klv_WSACancelBlockingCall() {
  return ByName<Id::WSACancelBlockingCall>();
}

BOOL WINAPI Klv_WSAIsBlocking() {
  return ByName<Id::WSAIsBlocking>();
}

int WINAPI Klv_WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.Real().WSAStartup(wVersionRequested, lpWSAData);
  if (result == 0) agent.ProgramStarted();
  // WSAStartup returns its error code rather than setting it.
  return agent::wrappers::ReportedError<Id::WSAStartup>(
      agent, result, [](Report& report) { report.SendGeneric(); });
}

int WINAPI Klv_WSACleanup() {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.ProgramCleanup(agent.Real().WSACleanup);
  return Reported<Id::WSACleanup>(agent, result, result == SOCKET_ERROR, {},
                                  [](Report& report) { report.SendGeneric(); });
}

}  // extern "C"
