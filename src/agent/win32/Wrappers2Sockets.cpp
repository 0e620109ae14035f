// The traced calls of KL2_32.dll that make, connect, name, configure and duplicate sockets:
// accept, WSAAccept, WSASocketA/W, WSAConnect, listen, shutdown, getsockname, getpeername,
// getsockopt, setsockopt, ioctlsocket, WSAIoctl, WSADuplicateSocketA/W. Out-values are read
// only after a call that succeeded; the lengths and values the program offers a call are read
// before it, in a way that cannot fault (Before).
#include <algorithm>
#include <cstdint>

#include "agent/win32/WrapperBodies.h"
#include "protocol/PayloadLayout.h"

namespace {

using agent::wrappers::Address;
using agent::wrappers::Before;
using agent::wrappers::Bytes;
using agent::wrappers::CallReal;
using agent::wrappers::Handle64;
using agent::wrappers::OnSocket;
using agent::wrappers::PointerValue;
using agent::wrappers::Report;
using agent::wrappers::Reported;
using agent::wrappers::SocketId;
using protocol::calls::Id;

// An option's bytes, as many as its length says (the builder keeps what fits).
std::span<const uint8_t> OptionBytes(const char* value, int length) {
  if (value == nullptr || length <= 0) return {};
  return Bytes(value, static_cast<size_t>(length));
}

// accept and WSAAccept; `extra` are WSAAccept's condition function and callback data.
template <Id kId, class... Extra>
SOCKET Accept(SOCKET s, sockaddr* addr, int* addrlen, uint64_t condition, uint64_t callbackData,
              Extra... extra) {
  agent::Agent& agent = agent::Agent::Get();
  const int offered = Before(agent, kId, addrlen);
  const SOCKET result = CallReal<kId>(agent, s, addr, addrlen, extra...);
  return Reported<kId>(agent, result, result == INVALID_SOCKET, {SocketId(s), SocketId(result)},
                       [&](Report& report) {
                         agent::wrappers::ReportAccept2(report, s, result, addr, addrlen, offered,
                                                        condition, callbackData);
                       });
}

// WSASocketA and WSASocketW; `Info` is WSAPROTOCOL_INFOA or WSAPROTOCOL_INFOW.
template <class Info>
void SendWSASocket(Report& report, int af, int type, int protocol, Info* info, GROUP group,
                   DWORD flags, SOCKET result) {
  report.Send(agent::payload::BuildWSASocket,
              agent::payload::WSASocketCall{report.Error(), af, type, protocol, Handle64(result),
                                            PointerValue(info), group, flags});
}

// listen and shutdown.
void SendListenShutdown(Report& report, SOCKET s, int value, int result) {
  report.Send(agent::payload::BuildListenShutdown2,
              agent::payload::Value2Call{report.Error(), result, Handle64(s), value});
}

template <Id kId>
int GetName(SOCKET s, sockaddr* name, int* namelen) {
  agent::Agent& agent = agent::Agent::Get();
  const int offered = Before(agent, kId, namelen);
  const int result = CallReal<kId>(agent, s, name, namelen);
  return Reported<kId>(agent, result, result == SOCKET_ERROR, {SocketId(s)}, [&](Report& report) {
    agent::wrappers::ReportGetName2(report, s, result, name, namelen, offered);
  });
}

// WSADuplicateSocketA and WSADuplicateSocketW; `Info` is WSAPROTOCOL_INFOA or WSAPROTOCOL_INFOW.
template <class Info>
void SendDuplicate(Report& report, SOCKET s, DWORD processId, Info* info, int result) {
  agent::payload::DuplicateCall call{report.Error(),     result, Handle64(s), processId,
                                     PointerValue(info), 0,      0,           0};
  if (result == 0 && info != nullptr) {
    call.af = info->iAddressFamily;
    call.type = info->iSocketType;
    call.protocol = info->iProtocol;
  }
  report.Send(agent::payload::BuildDuplicateSocket, call);
}

// A buffer length for the save limit, which counts in ints.
int32_t Length(DWORD length) {
  return static_cast<int32_t>(std::min<DWORD>(length, INT32_MAX));
}

}  // namespace

extern "C" {

SOCKET WINAPI Klv_ws2_accept(SOCKET s, sockaddr* addr, int* addrlen) {
  return Accept<Id::ws2_accept>(s, addr, addrlen, 0, 0);
}

SOCKET WINAPI Klv_WSAAccept(SOCKET s, sockaddr* addr, LPINT addrlen, LPCONDITIONPROC lpfnCondition,
                            DWORD_PTR dwCallbackData) {
  return Accept<Id::WSAAccept>(s, addr, addrlen, PointerValue(lpfnCondition), dwCallbackData,
                               lpfnCondition, dwCallbackData);
}

SOCKET WINAPI Klv_WSASocketA(int af, int type, int protocol, LPWSAPROTOCOL_INFOA lpProtocolInfo,
                             GROUP g, DWORD dwFlags) {
  return agent::wrappers::NewSocket<Id::WSASocketA, SendWSASocket<WSAPROTOCOL_INFOA>>(
      af, type, protocol, lpProtocolInfo, g, dwFlags);
}

SOCKET WINAPI Klv_WSASocketW(int af, int type, int protocol, LPWSAPROTOCOL_INFOW lpProtocolInfo,
                             GROUP g, DWORD dwFlags) {
  return agent::wrappers::NewSocket<Id::WSASocketW, SendWSASocket<WSAPROTOCOL_INFOW>>(
      af, type, protocol, lpProtocolInfo, g, dwFlags);
}

int WINAPI Klv_WSAConnect(SOCKET s, const sockaddr* name, int namelen, LPWSABUF lpCallerData,
                          LPWSABUF lpCalleeData, LPQOS lpSQOS, LPQOS lpGQOS) {
  agent::Agent& agent = agent::Agent::Get();
  const int result =
      agent.Real().WSAConnect(s, name, namelen, lpCallerData, lpCalleeData, lpSQOS, lpGQOS);
  return Reported<Id::WSAConnect>(
      agent, result, result == SOCKET_ERROR, {SocketId(s)}, [&](Report& report) {
        report.Send(agent::payload::BuildWSAConnect,
                    agent::payload::WSAConnectCall{
                        report.Error(), result, Handle64(s), Address(report, name, namelen),
                        PointerValue(lpCallerData), PointerValue(lpCalleeData),
                        PointerValue(lpSQOS), PointerValue(lpGQOS)});
      });
}

int WINAPI Klv_ws2_listen(SOCKET s, int backlog) {
  return OnSocket<Id::ws2_listen, SendListenShutdown>(s, backlog);
}

int WINAPI Klv_ws2_shutdown(SOCKET s, int how) {
  return OnSocket<Id::ws2_shutdown, SendListenShutdown>(s, how);
}

int WINAPI Klv_ws2_getsockname(SOCKET s, sockaddr* name, int* namelen) {
  return GetName<Id::ws2_getsockname>(s, name, namelen);
}

int WINAPI Klv_ws2_getpeername(SOCKET s, sockaddr* name, int* namelen) {
  return GetName<Id::ws2_getpeername>(s, name, namelen);
}

int WINAPI Klv_ws2_getsockopt(SOCKET s, int level, int optname, char* optval, int* optlen) {
  agent::Agent& agent = agent::Agent::Get();
  const int offered = Before(agent, Id::ws2_getsockopt, optlen);
  const int result = agent.Real().ws2_getsockopt(s, level, optname, optval, optlen);
  return Reported<Id::ws2_getsockopt>(
      agent, result, result == SOCKET_ERROR, {SocketId(s)}, [&](Report& report) {
        const int length = result == 0 && optlen != nullptr ? *optlen : 0;
        report.Send(agent::payload::BuildSockOpt2,
                    agent::payload::Option2Call{report.Error(), result, Handle64(s), level, optname,
                                                offered, length},
                    OptionBytes(optval, offered > 0 ? std::min(length, offered) : length));
      });
}

int WINAPI Klv_ws2_setsockopt(SOCKET s, int level, int optname, const char* optval, int optlen) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = agent.Real().ws2_setsockopt(s, level, optname, optval, optlen);
  return Reported<Id::ws2_setsockopt>(
      agent, result, result == SOCKET_ERROR, {SocketId(s)}, [&](Report& report) {
        // A failed call may have been given a bad pointer; its value is not read then.
        report.Send(agent::payload::BuildSockOpt2,
                    agent::payload::Option2Call{report.Error(), result, Handle64(s), level, optname,
                                                optlen, optlen},
                    result == 0 ? OptionBytes(optval, optlen) : std::span<const uint8_t>());
      });
}

int WINAPI Klv_ws2_ioctlsocket(SOCKET s, long cmd, u_long* argp) {
  agent::Agent& agent = agent::Agent::Get();
  const u_long before = Before(agent, Id::ws2_ioctlsocket, argp);
  const int result = agent.Real().ws2_ioctlsocket(s, cmd, argp);
  return Reported<Id::ws2_ioctlsocket>(
      agent, result, result == SOCKET_ERROR, {SocketId(s)}, [&](Report& report) {
        const u_long after = result == 0 && argp != nullptr ? *argp : 0;
        report.Send(agent::payload::BuildIoctl2,
                    agent::payload::Ioctl2Call{report.Error(), result, Handle64(s),
                                               static_cast<uint32_t>(cmd), before, after});
      });
}

int WINAPI Klv_WSAIoctl(SOCKET s, DWORD dwIoControlCode, LPVOID lpvInBuffer, DWORD cbInBuffer,
                        LPVOID lpvOutBuffer, DWORD cbOutBuffer, LPDWORD lpcbBytesReturned,
                        LPWSAOVERLAPPED lpOverlapped,
                        LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine) {
  agent::Agent& agent = agent::Agent::Get();
  const int result =
      agent.Real().WSAIoctl(s, dwIoControlCode, lpvInBuffer, cbInBuffer, lpvOutBuffer, cbOutBuffer,
                            lpcbBytesReturned, lpOverlapped, lpCompletionRoutine);
  return Reported<Id::WSAIoctl>(
      agent, result, result == SOCKET_ERROR, {SocketId(s)}, [&](Report& report) {
        constexpr size_t kFixed = protocol::layout::kWSAIoctlFixed;
        // The call took its input when it succeeded or went on in the background; it gave its
        // output only when it succeeded. Both are kept within the save limit.
        const bool started = result == 0 || report.Error() == WSA_IO_PENDING;
        const DWORD returned = result == 0 && lpcbBytesReturned != nullptr ? *lpcbBytesReturned : 0;
        std::span<const uint8_t> input, output;
        if (started && lpvInBuffer != nullptr) {
          input = Bytes(static_cast<const char*>(lpvInBuffer),
                        report.KeptBytes(Length(cbInBuffer), kFixed));
        }
        if (result == 0 && lpvOutBuffer != nullptr) {
          output = Bytes(
              static_cast<const char*>(lpvOutBuffer),
              report.KeptBytes(Length(std::min(returned, cbOutBuffer)), kFixed + input.size()));
        }
        report.SendUpTo(kFixed + input.size() + output.size(), agent::payload::BuildWSAIoctl,
                        agent::payload::WSAIoctlCall{report.Error(), result, Handle64(s),
                                                     dwIoControlCode, cbInBuffer, cbOutBuffer,
                                                     returned, PointerValue(lpOverlapped),
                                                     PointerValue(lpCompletionRoutine)},
                        input, output);
      });
}

int WINAPI Klv_WSADuplicateSocketA(SOCKET s, DWORD dwProcessId,
                                   LPWSAPROTOCOL_INFOA lpProtocolInfo) {
  return OnSocket<Id::WSADuplicateSocketA, SendDuplicate<WSAPROTOCOL_INFOA>>(s, dwProcessId,
                                                                             lpProtocolInfo);
}

int WINAPI Klv_WSADuplicateSocketW(SOCKET s, DWORD dwProcessId,
                                   LPWSAPROTOCOL_INFOW lpProtocolInfo) {
  return OnSocket<Id::WSADuplicateSocketW, SendDuplicate<WSAPROTOCOL_INFOW>>(s, dwProcessId,
                                                                             lpProtocolInfo);
}

}  // extern "C"
