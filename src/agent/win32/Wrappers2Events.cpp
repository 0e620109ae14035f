// KL2_32.dll's wrappers of the calls that wait for sockets (select, WSAPoll), select and collect
// network events, look up hosts and convert IPv4 addresses.
#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <vector>

#include "agent/win32/WrapperBodies.h"
#include "protocol/PayloadLayout.h"

namespace {

using agent::wrappers::CallReal;
using agent::wrappers::Handle64;
using agent::wrappers::Report;
using agent::wrappers::Reported;
using agent::wrappers::SocketId;
using protocol::calls::Id;
namespace layout = protocol::layout;

static_assert(FD_SETSIZE == layout::kFdSetSize, "a set's sockets as the agent reads them");

// A window, event or hostent pointer as a 64-bit value, widened with its sign as sockets are.
uint64_t Pointer64(const void* p) {
  return static_cast<uint64_t>(static_cast<int64_t>(reinterpret_cast<intptr_t>(p)));
}

// Whether `size` bytes of the program's at `p` can be read: committed, readable, no guard page.
// select's sets are read before the call, which is yet to say whether it refuses them.
bool Readable(const void* p, size_t size) {
  constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                              PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  auto at = reinterpret_cast<uintptr_t>(p);
  const uintptr_t end = at + size;
  if (p == nullptr || end < at) return false;
  while (at < end) {
    MEMORY_BASIC_INFORMATION region;
    if (VirtualQuery(reinterpret_cast<const void*>(at), &region, sizeof region) == 0) return false;
    if (region.State != MEM_COMMIT || (region.Protect & kReadable) == 0 ||
        (region.Protect & PAGE_GUARD) != 0) {
      return false;
    }
    at = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
  }
  return true;
}

// A set's count and first sockets, as far as they can be read.
struct FdSetCopy {
  uint32_t count = 0;
  std::array<uint64_t, layout::kFdSetSize> sockets{};

  explicit FdSetCopy(const fd_set* set) {
    if (!Readable(set, sizeof set->fd_count)) return;
    count = set->fd_count;
    const size_t kept = std::min<size_t>(count, sockets.size());
    if (!Readable(set->fd_array, kept * sizeof(SOCKET))) return;
    for (size_t i = 0; i < kept; ++i) sockets[i] = Handle64(set->fd_array[i]);
  }
  agent::payload::FdSetImage Image() const { return {count, sockets}; }
};

// A text the call read or gave, up to its end or `most` bytes.
std::string_view Text(const char* text, size_t most = protocol::spy::kMaxPayload) {
  return text != nullptr ? std::string_view(text, strnlen(text, most)) : std::string_view();
}

// gethostbyname and gethostbyaddr: their arguments, and the hostent when the call returned one.
void SendHostent(Report& report, const hostent* result, agent::payload::HostentCall call) {
  report.SendUpTo(protocol::spy::kMaxPayload, [&](std::span<uint8_t> out) {
    std::vector<std::string_view> aliases;
    std::vector<const uint8_t*> addresses;
    if (result != nullptr) {
      call.result = Pointer64(result);
      call.hostName = Text(result->h_name);
      for (char** alias = result->h_aliases; alias != nullptr && *alias != nullptr; ++alias) {
        aliases.push_back(Text(*alias));
      }
      call.addrType = result->h_addrtype;
      call.length = result->h_length;
      for (char** address = result->h_addr_list; address != nullptr && *address != nullptr;
           ++address) {
        addresses.push_back(reinterpret_cast<const uint8_t*>(*address));
      }
      call.aliases = aliases;
      call.addresses = addresses;
    }
    return agent::payload::BuildHostent(out, call);
  });
}

}  // namespace

extern "C" {

int WINAPI Klv_ws2_select(int nfds, fd_set* readfds, fd_set* writefds, fd_set* exceptfds,
                          const PTIMEVAL timeout) {
  agent::Agent& agent = agent::Agent::Get();
  if (!agent.Wants(Id::ws2_select)) {
    return CallReal<Id::ws2_select>(agent, nfds, readfds, writefds, exceptfds, timeout);
  }
  // The sets as passed, before the call rewrites them, and the timeout; the thread's error
  // stays as the program left it.
  const DWORD programError = GetLastError();
  const std::array<const fd_set*, 3> sets{readfds, writefds, exceptfds};
  const std::array<FdSetCopy, 3> before{FdSetCopy(readfds), FdSetCopy(writefds),
                                        FdSetCopy(exceptfds)};
  agent::payload::Select2Call call{};
  call.nfds = nfds;
  if (timeout != nullptr) call.passed |= layout::kPassedTimeout;
  if (Readable(timeout, sizeof *timeout)) {
    call.sec = timeout->tv_sec;
    call.usec = timeout->tv_usec;
  }
  SetLastError(programError);
  const int result = CallReal<Id::ws2_select>(agent, nfds, readfds, writefds, exceptfds, timeout);
  agent::wrappers::ReportAs(agent, Id::ws2_select, result == SOCKET_ERROR, {}, [&](Report& report) {
    call.error = report.Error();
    call.result = result;
    const std::array<FdSetCopy, 3> after{FdSetCopy(result != SOCKET_ERROR ? readfds : nullptr),
                                         FdSetCopy(result != SOCKET_ERROR ? writefds : nullptr),
                                         FdSetCopy(result != SOCKET_ERROR ? exceptfds : nullptr)};
    for (size_t i = 0; i < sets.size(); ++i) {
      if (sets[i] != nullptr) call.passed |= 1u << i;
      call.before[i] = before[i].Image();
      call.after[i] = after[i].Image();
    }
    constexpr size_t kMost = layout::kSelect2Fixed + 6 * 8 * layout::kFdSetSize;
    report.SendUpTo(kMost, agent::payload::BuildSelect2, call);
  });
  return result;
}

int WINAPI Klv_WSAPoll(LPWSAPOLLFD fdArray, ULONG fds, INT timeout) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = CallReal<Id::WSAPoll>(agent, fdArray, fds, timeout);
  return Reported<Id::WSAPoll>(agent, result, result == SOCKET_ERROR, {}, [&](Report& report) {
    // As many entries as a message holds; revents only of a call that succeeded.
    constexpr size_t kMost =
        (protocol::spy::kMaxPayload - layout::kPollFixed) / layout::kPollEntrySize;
    const size_t kept = std::min<size_t>(fds, kMost);
    const bool readable = report.PointersValid() && Readable(fdArray, kept * sizeof(WSAPOLLFD));
    report.SendUpTo(
        layout::kPollFixed + kept * layout::kPollEntrySize, [&](std::span<uint8_t> out) {
          std::vector<agent::payload::PollEntry> entries;
          if (readable) {
            for (size_t i = 0; i < kept; ++i) {
              entries.push_back({Handle64(fdArray[i].fd), fdArray[i].events,
                                 result != SOCKET_ERROR ? fdArray[i].revents : SHORT{0}});
            }
          }
          return agent::payload::BuildPoll(
              out, {report.Error(), result, static_cast<uint32_t>(fds), timeout, entries});
        });
  });
}

int WINAPI Klv_ws2_WSAAsyncSelect(SOCKET s, HWND hWnd, u_int wMsg, long lEvent) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = CallReal<Id::ws2_WSAAsyncSelect>(agent, s, hWnd, wMsg, lEvent);
  return Reported<Id::ws2_WSAAsyncSelect>(
      agent, result, result == SOCKET_ERROR, {SocketId(s)}, [&](Report& report) {
        report.Send(
            agent::payload::BuildSelectEvents,
            agent::payload::SelectEventsCall{report.Error(), result, Handle64(s), Pointer64(hWnd),
                                             static_cast<int32_t>(lEvent), wMsg});
      });
}

int WINAPI Klv_WSAEventSelect(SOCKET s, WSAEVENT hEventObject, long lNetworkEvents) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = CallReal<Id::WSAEventSelect>(agent, s, hEventObject, lNetworkEvents);
  return Reported<Id::WSAEventSelect>(
      agent, result, result == SOCKET_ERROR, {SocketId(s)}, [&](Report& report) {
        report.Send(agent::payload::BuildSelectEvents,
                    agent::payload::SelectEventsCall{report.Error(), result, Handle64(s),
                                                     Pointer64(hEventObject),
                                                     static_cast<int32_t>(lNetworkEvents), 0});
      });
}

int WINAPI Klv_WSAEnumNetworkEvents(SOCKET s, WSAEVENT hEventObject,
                                    LPWSANETWORKEVENTS lpNetworkEvents) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = CallReal<Id::WSAEnumNetworkEvents>(agent, s, hEventObject, lpNetworkEvents);
  return Reported<Id::WSAEnumNetworkEvents>(
      agent, result, result == SOCKET_ERROR, {SocketId(s)}, [&](Report& report) {
        agent::payload::NetworkEventsCall call{report.Error(),          result, Handle64(s),
                                               Pointer64(hEventObject), 0,      {}};
        if (result == 0) {
          call.events = static_cast<int32_t>(lpNetworkEvents->lNetworkEvents);
          std::copy(std::begin(lpNetworkEvents->iErrorCode), std::end(lpNetworkEvents->iErrorCode),
                    call.errors.begin());
        }
        report.Send(agent::payload::BuildNetworkEvents, call);
      });
}

hostent* WINAPI Klv_ws2_gethostbyname(const char* name) {
  agent::Agent& agent = agent::Agent::Get();
  hostent* result = CallReal<Id::ws2_gethostbyname>(agent, name);
  return Reported<Id::ws2_gethostbyname>(agent, result, result == nullptr, {}, [&](Report& report) {
    agent::payload::HostentCall call{};
    call.error = report.Error();
    if (report.PointersValid()) call.name = Text(name);
    SendHostent(report, result, call);
  });
}

hostent* WINAPI Klv_ws2_gethostbyaddr(const char* addr, int len, int type) {
  agent::Agent& agent = agent::Agent::Get();
  hostent* result = CallReal<Id::ws2_gethostbyaddr>(agent, addr, len, type);
  return Reported<Id::ws2_gethostbyaddr>(agent, result, result == nullptr, {}, [&](Report& report) {
    agent::payload::HostentCall call{};
    call.error = report.Error();
    call.len = len;
    call.type = type;
    const size_t size = std::clamp<int>(len, 0, layout::kHostAddrCapacity);
    if (report.PointersValid() && Readable(addr, size)) {
      call.addr = {reinterpret_cast<const uint8_t*>(addr), size};
    }
    SendHostent(report, result, call);
  });
}

int WINAPI Klv_ws2_gethostname(char* name, int namelen) {
  agent::Agent& agent = agent::Agent::Get();
  const int result = CallReal<Id::ws2_gethostname>(agent, name, namelen);
  return Reported<Id::ws2_gethostname>(
      agent, result, result == SOCKET_ERROR, {}, [&](Report& report) {
        const std::string_view got = result == 0
                                         ? Text(name, static_cast<size_t>(std::max(namelen, 0)))
                                         : std::string_view();
        report.SendUpTo(layout::kHostNameFixed + got.size() + 1, agent::payload::BuildHostName,
                        report.Error(), result, namelen, got);
      });
}

unsigned long WINAPI Klv_ws2_inet_addr(const char* cp) {
  return agent::wrappers::InetAddr<Id::ws2_inet_addr>(cp);
}

char* WINAPI Klv_ws2_inet_ntoa(in_addr in) {
  return agent::wrappers::InetNtoa<Id::ws2_inet_ntoa>(in);
}

}  // extern "C"
