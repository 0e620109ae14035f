// wsdemo2: makes each Winsock 2 call that Quarnet decodes at least once, with known parameters,
// on the loopback interface only (127.0.0.1 and ::1): IPv4 and IPv6, TCP and UDP, blocking and
// non-blocking sockets, an overlapped receive that pends and is collected by
// WSAGetOverlappedResult, event select, window messages, WSAPoll, a refused connect and a failed
// numeric lookup. The IPv6 sockets are skipped, and said to be, when ::1 cannot be bound; the
// conversions of IPv6 texts need no IPv6 network and always run.
//
//   wsdemo2 [port] [--log FILE]   TCP and UDP ports port .. port+7 (default 5250)
//
// Console: one line per call, "call(key=value, ...) = result, error N -> key=value, ...", where N
// is WSAGetLastError() right after the call (the error is set to 0 before each call) and what
// follows "->" is what the call wrote back. Sockets, events, the window and OVERLAPPED structures
// show by the role they play ("client", "overlapped1"); the lines that show their values start
// with "handle ". Ports the system chose (a connecting socket's) differ from run to run.
//
// Log (--log FILE, or the file the environment variable WSDEMO2_LOG names): one JSON object per
// line, for each call above, in call order:
//   {"call":"WSASend","args":{"s":312,"buffers":[5,7],"flags":0,"overlapped":0,
//    "completion_routine":0,"data":"48656c6c6f2c20776f726c64"},"result":0,"error":0,
//    "out":{"sent":12}}
// and one line {"skipped":"IPv6 UDP","reason":"::1 cannot be bound"} for a part left out.
//   call    the name the program called
//   args    the arguments passed, keyed by their Winsock parameter names without the type
//           prefix ("s", "level", "optname", "buffers", "overlapped", "namelen" ...)
//   result  the return value; null for freeaddrinfo, which has none
//   error   WSAGetLastError() right after the call
//   out     what the call wrote back; {} when nothing (a failed or pending call)
// Values:
//   - numbers as passed or got: flags, event masks and levels as the program gives them, ioctl
//     codes as unsigned 32-bit numbers, inet_addr's result as the u_long holds it, a BOOL as 0/1;
//   - handles as unsigned numbers: sockets ("s", "fd", the members of an fd_set, the result of
//     socket, WSASocketA/W, accept, WSAAccept), events ("event") and the window ("hwnd"); and
//     pointers the same way: "overlapped", "protocol_info", "condition", "res" (getaddrinfo's),
//     "ai", the hostent gethostbyname and gethostbyaddr return, and "completion_routine",
//     "caller_data", "callee_data", "sqos" and "gqos", always 0; NULL is 0, INVALID_SOCKET -1.
//     They, the ports the system chose and "process_id" differ from run to run; the rest does
//     not (the host's name and the WSAStartup texts differ from system to system);
//   - socket addresses ("address") as text: "127.0.0.1:5250", "[::1]:5257", "[fe80::1%3]:80",
//     another family "family N: " and its bytes in hex; bare IPv4 addresses as "127.0.0.1";
//   - bytes ("data", inet_pton's "dst", inet_ntop's "src", WSAIoctl's "input" and "output") as
//     lowercase hex: of several buffers, their bytes in order; a receive's, those it returned;
//   - the buffers of WSASend, WSASendTo, WSARecv, WSARecvFrom ("buffers") as their lengths;
//   - strings (wide ones in UTF-8) as JSON strings, also the results of inet_ntoa, inet_ntop and
//     InetNtopW (null for NULL);
//   - fd_sets as lists of sockets (null for NULL), a timeval as {"sec":S,"usec":U}, WSAPoll's
//     array as [{"fd":F,"events":E}] and its out-values as "revents":[R].
//
// Exit status 0 when everything behaved as Winsock says it does, 1 otherwise, 2 for bad usage.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr UINT kSelectMsg = WM_USER + 1;
constexpr DWORD kWaitMs = 5000;

FILE* g_log = nullptr;
int g_problems = 0;
int g_error = 0;  // the error the last call left
std::map<uintptr_t, std::string> g_roles;

void Expect(bool ok, const char* what) {
  if (!ok) {
    std::printf("unexpected: %s\n", what);
    ++g_problems;
  }
}

// ---- Values, each rendered twice: JSON for the log and text for the console ----

struct Value {
  std::string json;
  std::string text;
};

std::string JsonString(std::string_view s) {
  std::string out = "\"";
  for (const char c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string Utf8(const wchar_t* w) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
  std::string out(size > 0 ? size : 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, w, -1, out.data(), size, nullptr, nullptr);
  out.resize(std::strlen(out.c_str()));
  return out;
}

template <class Number>
Value Num(Number n) {
  const std::string s = std::to_string(n);
  return {s, s};
}
Value Null() {
  return {"null", "NULL"};
}
std::string Enclosed(char open, std::string_view s, char close) {
  std::string out(1, open);
  out.append(s);
  out += close;
  return out;
}

Value Text(std::string_view s) {
  return {JsonString(s), Enclosed('"', s, '"')};
}
Value Text(const char* s) {
  return s != nullptr ? Text(std::string_view(s)) : Null();
}
Value Text(const wchar_t* s) {
  return s != nullptr ? Text(Utf8(s)) : Null();
}

Value Bytes(const void* p, size_t n) {
  const auto* b = static_cast<const unsigned char*>(p);
  std::string hex;
  bool printable = n <= 48;
  for (size_t i = 0; i < n; ++i) {
    char two[3];
    std::snprintf(two, sizeof two, "%02x", b[i]);
    hex += two;
    printable = printable && b[i] >= 0x20 && b[i] < 0x7F;
  }
  const std::string_view chars(static_cast<const char*>(p), n);
  return {Enclosed('"', hex, '"'),
          printable ? Enclosed('"', chars, '"') : std::to_string(n) + " bytes"};
}
Value Bytes(std::string_view s) {
  return Bytes(s.data(), s.size());
}

std::string RoleOf(uintptr_t value) {
  const auto role = g_roles.find(value);
  return role != g_roles.end() ? role->second : "non-null";
}

// A socket, event or window handle; the console shows the role it was given.
Value Handle(uintptr_t h) {
  if (h == INVALID_SOCKET) return {"-1", "INVALID_SOCKET"};
  if (h == 0) return {"0", "NULL"};
  return {std::to_string(h), RoleOf(h)};
}
Value Handle(const void* h) {
  return Handle(reinterpret_cast<uintptr_t>(h));
}
Value Ptr(const void* p) {
  const auto value = reinterpret_cast<uintptr_t>(p);
  return {std::to_string(value), value != 0 ? RoleOf(value) : "NULL"};
}

// Gives a handle or pointer its role and shows its value.
void Name(uintptr_t value, const std::string& role) {
  if (value == INVALID_SOCKET || value == 0) return;
  g_roles[value] = role;
  std::printf("handle %s=%llu\n", role.c_str(), static_cast<unsigned long long>(value));
}
void Name(const void* value, const std::string& role) {
  Name(reinterpret_cast<uintptr_t>(value), role);
}

Value List(const std::vector<Value>& items) {
  Value v{"[", "["};
  for (size_t i = 0; i < items.size(); ++i) {
    v.json += (i > 0 ? "," : "") + items[i].json;
    v.text += (i > 0 ? ", " : "") + items[i].text;
  }
  v.json += "]";
  v.text += "]";
  return v;
}

class Fields {
 public:
  Fields& operator()(const char* key, Value value) {
    m_fields.emplace_back(key, std::move(value));
    return *this;
  }
  bool Empty() const { return m_fields.empty(); }
  std::string Json() const {
    std::string out = "{";
    for (size_t i = 0; i < m_fields.size(); ++i) {
      if (i > 0) out += ',';
      out.append(JsonString(m_fields[i].first)).append(":").append(m_fields[i].second.json);
    }
    return out + "}";
  }
  std::string Text() const {
    std::string out;
    for (size_t i = 0; i < m_fields.size(); ++i) {
      if (i > 0) out += ", ";
      out.append(m_fields[i].first).append("=").append(m_fields[i].second.text);
    }
    return out;
  }

 private:
  std::vector<std::pair<std::string, Value>> m_fields;
};

Value Object(const Fields& f) {
  return {f.Json(), Enclosed('{', f.Text(), '}')};
}

// ---- Addresses, built and written byte by byte so that no conversion call adds to a trace ----

void PutPort(void* field, unsigned port) {
  auto* p = static_cast<unsigned char*>(field);
  p[0] = static_cast<unsigned char>(port >> 8);
  p[1] = static_cast<unsigned char>(port);
}
unsigned GetPort(const void* field) {
  const auto* p = static_cast<const unsigned char*>(field);
  return p[0] << 8 | p[1];
}

sockaddr_in V4(unsigned port) {  // 127.0.0.1
  sockaddr_in a{};
  a.sin_family = AF_INET;
  PutPort(&a.sin_port, port);
  auto* b = reinterpret_cast<unsigned char*>(&a.sin_addr);
  b[0] = 127;
  b[3] = 1;
  return a;
}
sockaddr_in6 V6(unsigned port) {  // ::1
  sockaddr_in6 a{};
  a.sin6_family = AF_INET6;
  PutPort(&a.sin6_port, port);
  reinterpret_cast<unsigned char*>(&a.sin6_addr)[15] = 1;
  return a;
}
template <class SockAddr>
const sockaddr* Sa(const SockAddr& a) {
  return reinterpret_cast<const sockaddr*>(&a);
}

std::string Ip4Text(const void* address) {
  const auto* b = static_cast<const unsigned char*>(address);
  return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
         std::to_string(b[3]);
}

// The shortest form: the longest run of two or more zero groups (the first of equal ones) as
// "::", hexadecimal digits in lower case without leading zeros.
std::string Ip6Text(const void* address) {
  const auto* b = static_cast<const unsigned char*>(address);
  unsigned groups[8];
  for (int i = 0; i < 8; ++i) groups[i] = b[2 * i] << 8 | b[2 * i + 1];
  int bestStart = -1, bestLength = 1;
  for (int i = 0; i < 8;) {
    int j = i;
    while (j < 8 && groups[j] == 0) ++j;
    if (j - i > bestLength) bestStart = i, bestLength = j - i;
    i = j > i ? j : i + 1;
  }
  std::string out;
  for (int i = 0; i < 8; ++i) {
    if (i == bestStart) {
      out += "::";
      i += bestLength - 1;
      continue;
    }
    char group[8];
    std::snprintf(group, sizeof group, "%x", groups[i]);
    if (!out.empty() && out.back() != ':') out += ':';
    out += group;
  }
  return out;
}

Value Addr(const sockaddr* sa, int length) {
  if (sa == nullptr) return Null();
  std::string text;
  if (sa->sa_family == AF_INET && length >= static_cast<int>(sizeof(sockaddr_in))) {
    const auto* a = reinterpret_cast<const sockaddr_in*>(sa);
    text = Ip4Text(&a->sin_addr) + ":" + std::to_string(GetPort(&a->sin_port));
  } else if (sa->sa_family == AF_INET6 && length >= static_cast<int>(sizeof(sockaddr_in6))) {
    const auto* a = reinterpret_cast<const sockaddr_in6*>(sa);
    text = "[";
    text += Ip6Text(&a->sin6_addr);
    if (a->sin6_scope_id != 0) text += "%" + std::to_string(a->sin6_scope_id);
    text += "]:" + std::to_string(GetPort(&a->sin6_port));
  } else {
    const size_t bytes = length > 2 ? static_cast<size_t>(length) - 2 : 0;
    const std::string hex = Bytes(sa->sa_data, bytes).json;
    text = "family " + std::to_string(sa->sa_family) + ": " + hex.substr(1, hex.size() - 2);
  }
  return Text(text);
}
template <class SockAddr>
Value Addr(const SockAddr& a) {
  return Addr(Sa(a), sizeof a);
}

// ---- Reporting ----

// Runs one call with the thread's error cleared before it and kept after it.
template <class Call>
auto Run(Call call) {
  WSASetLastError(0);
  const auto result = call();
  g_error = WSAGetLastError();
  return result;
}

void Report(const char* call, const Fields& args, const Value& result, const Fields& out = {}) {
  std::printf("%s(%s) = %s, error %d%s%s\n", call, args.Text().c_str(), result.text.c_str(),
              g_error, out.Empty() ? "" : " -> ", out.Text().c_str());
  if (g_log != nullptr) {
    std::fprintf(g_log, "{\"call\":%s,\"args\":%s,\"result\":%s,\"error\":%d,\"out\":%s}\n",
                 JsonString(call).c_str(), args.Json().c_str(), result.json.c_str(), g_error,
                 out.Json().c_str());
  }
}

void Skip(const char* part, const char* reason) {
  std::printf("skipped: %s, %s\n", part, reason);
  if (g_log != nullptr) {
    std::fprintf(g_log, "{\"skipped\":%s,\"reason\":%s}\n", JsonString(part).c_str(),
                 JsonString(reason).c_str());
  }
}

void Section(const char* title) {
  std::printf("-- %s\n", title);
}

// ---- The calls, each reported with what it was given and what it gave back ----

int Startup(WORD version) {
  WSADATA data{};
  const int r = Run([&] { return WSAStartup(version, &data); });
  Fields out;
  if (r == 0) {
    out("version", Num(data.wVersion))("high_version", Num(data.wHighVersion))(
        "description", Text(data.szDescription))("system_status", Text(data.szSystemStatus));
  }
  Report("WSAStartup", Fields()("version", Num(version)), Num(r), out);
  return r;
}

int Cleanup() {
  const int r = Run([] { return WSACleanup(); });
  Report("WSACleanup", Fields(), Num(r));
  return r;
}

SOCKET Socket(const char* role, int af, int type, int protocol) {
  const SOCKET s = Run([&] { return socket(af, type, protocol); });
  Name(s, role);
  Report("socket", Fields()("af", Num(af))("type", Num(type))("protocol", Num(protocol)),
         Handle(s));
  return s;
}

template <class Info>
Fields SocketArgs(int af, int type, int protocol, const Info* info, DWORD flags) {
  return Fields()("af", Num(af))("type", Num(type))("protocol", Num(protocol))(
      "protocol_info", Ptr(info))("group", Num(0))("flags", Num(flags));
}

SOCKET SocketA(const char* role, int af, int type, int protocol, WSAPROTOCOL_INFOA* info,
               DWORD flags) {
  const SOCKET s = Run([&] { return WSASocketA(af, type, protocol, info, 0, flags); });
  Name(s, role);
  Report("WSASocketA", SocketArgs(af, type, protocol, info, flags), Handle(s));
  return s;
}

SOCKET SocketW(const char* role, int af, int type, int protocol, WSAPROTOCOL_INFOW* info,
               DWORD flags) {
  const SOCKET s = Run([&] { return WSASocketW(af, type, protocol, info, 0, flags); });
  Name(s, role);
  Report("WSASocketW", SocketArgs(af, type, protocol, info, flags), Handle(s));
  return s;
}

int Bind(SOCKET s, const sockaddr* a, int length) {
  const int r = Run([&] { return bind(s, a, length); });
  Report("bind", Fields()("s", Handle(s))("address", Addr(a, length))("namelen", Num(length)),
         Num(r));
  return r;
}
template <class SockAddr>
int Bind(SOCKET s, const SockAddr& a) {
  return Bind(s, Sa(a), sizeof a);
}

template <class SockAddr>
int Connect(SOCKET s, const SockAddr& a) {
  const int r = Run([&] { return connect(s, Sa(a), sizeof a); });
  Report("connect", Fields()("s", Handle(s))("address", Addr(a))("namelen", Num(sizeof a)), Num(r));
  return r;
}

int WsaConnect(SOCKET s, const sockaddr_in& a) {
  const int r =
      Run([&] { return WSAConnect(s, Sa(a), sizeof a, nullptr, nullptr, nullptr, nullptr); });
  Report("WSAConnect",
         Fields()("s", Handle(s))("address", Addr(a))("namelen", Num(sizeof a))(
             "caller_data", Ptr(nullptr))("callee_data", Ptr(nullptr))("sqos", Ptr(nullptr))(
             "gqos", Ptr(nullptr)),
         Num(r));
  return r;
}

Fields AddressOut(SOCKET result, const sockaddr_storage& a, int length) {
  Fields out;
  if (result != INVALID_SOCKET) out("address", Addr(Sa(a), length))("addrlen", Num(length));
  return out;
}

SOCKET Accept(const char* role, SOCKET listener) {
  sockaddr_storage peer{};
  int length = sizeof peer;
  const int lengthIn = length;
  const SOCKET s =
      Run([&] { return accept(listener, reinterpret_cast<sockaddr*>(&peer), &length); });
  Name(s, role);
  Report("accept", Fields()("s", Handle(listener))("addrlen", Num(lengthIn)), Handle(s),
         AddressOut(s, peer, length));
  return s;
}

int CALLBACK AcceptCondition(LPWSABUF callerId, LPWSABUF, LPQOS, LPQOS, LPWSABUF, LPWSABUF, GROUP*,
                             DWORD_PTR) {
  std::printf("condition function: caller %s, CF_ACCEPT\n",
              Addr(reinterpret_cast<const sockaddr*>(callerId->buf), callerId->len).text.c_str());
  return CF_ACCEPT;
}

SOCKET WsaAccept(const char* role, SOCKET listener) {
  sockaddr_storage peer{};
  int length = sizeof peer;
  const int lengthIn = length;
  const SOCKET s = Run([&] {
    return WSAAccept(listener, reinterpret_cast<sockaddr*>(&peer), &length, AcceptCondition, 0);
  });
  Name(s, role);
  Report("WSAAccept",
         Fields()("s", Handle(listener))("addrlen", Num(lengthIn))(
             "condition", Ptr(reinterpret_cast<const void*>(AcceptCondition)))("callback_data",
                                                                               Num(0)),
         Handle(s), AddressOut(s, peer, length));
  return s;
}

int Listen(SOCKET s, int backlog) {
  const int r = Run([&] { return listen(s, backlog); });
  Report("listen", Fields()("s", Handle(s))("backlog", Num(backlog)), Num(r));
  return r;
}

int Shutdown(SOCKET s, int how) {
  const int r = Run([&] { return shutdown(s, how); });
  Report("shutdown", Fields()("s", Handle(s))("how", Num(how)), Num(r));
  return r;
}

int Close(SOCKET s) {
  const int r = Run([&] { return closesocket(s); });
  Report("closesocket", Fields()("s", Handle(s)), Num(r));
  return r;
}

int Send(SOCKET s, std::string_view data) {
  const int r = Run([&] { return send(s, data.data(), static_cast<int>(data.size()), 0); });
  Report("send",
         Fields()("s", Handle(s))("data", Bytes(data))("len", Num(data.size()))("flags", Num(0)),
         Num(r));
  return r;
}

template <class SockAddr>
int SendTo(SOCKET s, std::string_view data, const SockAddr& to) {
  const int r = Run(
      [&] { return sendto(s, data.data(), static_cast<int>(data.size()), 0, Sa(to), sizeof to); });
  Report("sendto",
         Fields()("s", Handle(s))("data", Bytes(data))("len", Num(data.size()))("flags", Num(0))(
             "address", Addr(to))("tolen", Num(sizeof to)),
         Num(r));
  return r;
}

int Recv(SOCKET s, int length, int flags) {
  std::vector<char> buffer(length);
  const int r = Run([&] { return recv(s, buffer.data(), length, flags); });
  Fields out;
  if (r != SOCKET_ERROR) out("data", Bytes(buffer.data(), r));
  Report("recv", Fields()("s", Handle(s))("len", Num(length))("flags", Num(flags)), Num(r), out);
  return r;
}

int RecvFrom(SOCKET s, int length) {
  std::vector<char> buffer(length);
  sockaddr_storage from{};
  int fromLength = sizeof from;
  const int fromLengthIn = fromLength;
  const int r = Run([&] {
    return recvfrom(s, buffer.data(), length, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
  });
  Fields out;
  if (r != SOCKET_ERROR) {
    out("data", Bytes(buffer.data(), r))("address", Addr(Sa(from), fromLength))("fromlen",
                                                                                Num(fromLength));
  }
  Report(
      "recvfrom",
      Fields()("s", Handle(s))("len", Num(length))("flags", Num(0))("fromlen", Num(fromLengthIn)),
      Num(r), out);
  return r;
}

// The buffers of a scatter or gather call and what they hold.
struct Buffers {
  std::vector<std::vector<char>> storage;
  std::vector<WSABUF> bufs;

  explicit Buffers(const std::vector<std::string>& parts) {
    for (const std::string& p : parts) storage.emplace_back(p.begin(), p.end());
    Point();
  }
  explicit Buffers(const std::vector<ULONG>& lengths) {
    for (const ULONG n : lengths) storage.emplace_back(n);
    Point();
  }
  void Point() {
    for (auto& s : storage) bufs.push_back(WSABUF{static_cast<ULONG>(s.size()), s.data()});
  }
  DWORD Count() const { return static_cast<DWORD>(bufs.size()); }
  Value Lengths() const {
    std::vector<Value> lengths;
    for (const WSABUF& b : bufs) lengths.push_back(Num(b.len));
    return List(lengths);
  }
  // The first `bytes` bytes, across the buffers in order.
  Value Data(DWORD bytes) const {
    std::string all;
    for (const auto& s : storage) all.append(s.begin(), s.end());
    return Bytes(all.data(), bytes < all.size() ? bytes : all.size());
  }
};

bool Pending(int r) {
  return r == SOCKET_ERROR && g_error == WSA_IO_PENDING;
}

int WsaSend(SOCKET s, Buffers& b, WSAOVERLAPPED* ov) {
  DWORD sent = 0;
  const int r = Run([&] { return WSASend(s, b.bufs.data(), b.Count(), &sent, 0, ov, nullptr); });
  Fields out;
  if (r == 0) out("sent", Num(sent));
  Report("WSASend",
         Fields()("s", Handle(s))("buffers", b.Lengths())("flags", Num(0))("overlapped", Ptr(ov))(
             "completion_routine", Ptr(nullptr))("data", b.Data(~0u)),
         Num(r), out);
  return r;
}

template <class SockAddr>
int WsaSendTo(SOCKET s, Buffers& b, const SockAddr& to) {
  DWORD sent = 0;
  const int r = Run([&] {
    return WSASendTo(s, b.bufs.data(), b.Count(), &sent, 0, Sa(to), sizeof to, nullptr, nullptr);
  });
  Fields out;
  if (r == 0) out("sent", Num(sent));
  Report("WSASendTo",
         Fields()("s", Handle(s))("buffers", b.Lengths())("flags", Num(0))("address", Addr(to))(
             "tolen", Num(sizeof to))("overlapped", Ptr(nullptr))(
             "completion_routine", Ptr(nullptr))("data", b.Data(~0u)),
         Num(r), out);
  return r;
}

int WsaRecv(SOCKET s, Buffers& b, WSAOVERLAPPED* ov) {
  DWORD received = 0, flags = 0;
  const int r =
      Run([&] { return WSARecv(s, b.bufs.data(), b.Count(), &received, &flags, ov, nullptr); });
  Fields out;
  if (r == 0) out("received", Num(received))("flags", Num(flags))("data", b.Data(received));
  Report("WSARecv",
         Fields()("s", Handle(s))("buffers", b.Lengths())("flags", Num(0))("overlapped", Ptr(ov))(
             "completion_routine", Ptr(nullptr)),
         Num(r), out);
  return r;
}

// A receive's source, filled in when the receive completes.
struct From {
  sockaddr_storage address{};
  int length = sizeof address;
};

int WsaRecvFrom(SOCKET s, Buffers& b, From& from, WSAOVERLAPPED* ov) {
  DWORD received = 0, flags = 0;
  const int fromLengthIn = from.length;
  const int r = Run([&] {
    return WSARecvFrom(s, b.bufs.data(), b.Count(), &received, &flags,
                       reinterpret_cast<sockaddr*>(&from.address), &from.length, ov, nullptr);
  });
  Fields out;
  if (r == 0) {
    out("received", Num(received))("flags", Num(flags))("data", b.Data(received))(
        "address", Addr(Sa(from.address), from.length))("fromlen", Num(from.length));
  }
  Report(
      "WSARecvFrom",
      Fields()("s", Handle(s))("buffers", b.Lengths())("flags", Num(0))(
          "fromlen", Num(fromLengthIn))("overlapped", Ptr(ov))("completion_routine", Ptr(nullptr)),
      Num(r), out);
  return r;
}

// Collects an overlapped call; for a receive, `b` (and `from`) are the buffers it named.
BOOL OverlappedResult(SOCKET s, WSAOVERLAPPED* ov, BOOL wait, const Buffers* b,
                      const From* from = nullptr) {
  DWORD transferred = 0, flags = 0;
  const BOOL r = Run([&] { return WSAGetOverlappedResult(s, ov, &transferred, wait, &flags); });
  Fields out;
  if (r) {
    out("transferred", Num(transferred))("flags", Num(flags));
    if (b != nullptr) out("data", b->Data(transferred));
    if (from != nullptr) {
      out("address", Addr(Sa(from->address), from->length))("fromlen", Num(from->length));
    }
  }
  Report("WSAGetOverlappedResult",
         Fields()("s", Handle(s))("overlapped", Ptr(ov))("wait", Num(wait)), Num(r), out);
  return r;
}

Value FdSet(const fd_set* set) {
  if (set == nullptr) return Null();
  std::vector<Value> sockets;
  for (u_int i = 0; i < set->fd_count; ++i) sockets.push_back(Handle(set->fd_array[i]));
  return List(sockets);
}

// select with one socket in the read set, waiting five seconds at most.
int SelectRead(SOCKET s) {
  fd_set readable{};
  readable.fd_count = 1;
  readable.fd_array[0] = s;
  timeval timeout{5, 0};
  const Fields args = Fields()("nfds", Num(0))("readfds", FdSet(&readable))(
      "writefds", FdSet(nullptr))("exceptfds", FdSet(nullptr))(
      "timeout", Object(Fields()("sec", Num(timeout.tv_sec))("usec", Num(timeout.tv_usec))));
  const int r = Run([&] { return select(0, &readable, nullptr, nullptr, &timeout); });
  Fields out;
  if (r != SOCKET_ERROR) {
    out("readfds", FdSet(&readable))("writefds", FdSet(nullptr))("exceptfds", FdSet(nullptr));
  }
  Report("select", args, Num(r), out);
  return r;
}

// WSAPoll of one socket for `events`; the events that came.
SHORT Poll(SOCKET s, SHORT events) {
  WSAPOLLFD fd{s, events, 0};
  const Fields args =
      Fields()("fds", List({Object(Fields()("fd", Handle(s))("events", Num(events)))}))(
          "nfds", Num(1))("timeout", Num(kWaitMs));
  const int r = Run([&] { return WSAPoll(&fd, 1, kWaitMs); });
  Fields out;
  if (r != SOCKET_ERROR) out("revents", List({Num(fd.revents)}));
  Report("WSAPoll", args, Num(r), out);
  return fd.revents;
}

u_long IoctlSocket(SOCKET s, long cmd, u_long arg) {
  const u_long argIn = arg;
  const int r = Run([&] { return ioctlsocket(s, cmd, &arg); });
  Fields out;
  if (r == 0) out("argp", Num(arg));
  Report("ioctlsocket",
         Fields()("s", Handle(s))("cmd", Num(static_cast<uint32_t>(cmd)))("argp", Num(argIn)),
         Num(r), out);
  return arg;
}

// WSAIoctl with a u_long in (FIONBIO) or out (FIONREAD); returns the one out.
u_long WsaIoctl(SOCKET s, DWORD code, const u_long* in, bool hasOut) {
  u_long output = 0;
  DWORD returned = 0;
  const DWORD inLength = in != nullptr ? sizeof *in : 0;
  const DWORD outLength = hasOut ? sizeof output : 0;
  const int r = Run([&] {
    return WSAIoctl(s, code, const_cast<u_long*>(in), inLength, hasOut ? &output : nullptr,
                    outLength, &returned, nullptr, nullptr);
  });
  Fields out;
  if (r == 0) {
    out("output", hasOut ? Bytes(&output, returned) : Null())("returned", Num(returned));
  }
  Report("WSAIoctl",
         Fields()("s", Handle(s))("code", Num(code))(
             "input", in != nullptr ? Bytes(in, inLength) : Null())("input_len", Num(inLength))(
             "output_len", Num(outLength))("overlapped", Ptr(nullptr))("completion_routine",
                                                                       Ptr(nullptr)),
         Num(r), out);
  return output;
}

int SetOption(SOCKET s, int level, int name, int value) {
  const int r = Run([&] {
    return setsockopt(s, level, name, reinterpret_cast<const char*>(&value), sizeof value);
  });
  Report("setsockopt",
         Fields()("s", Handle(s))("level", Num(level))("optname", Num(name))("optval", Num(value))(
             "optlen", Num(sizeof value)),
         Num(r));
  return r;
}

int GetOption(SOCKET s, int level, int name) {
  int value = 0;
  int length = sizeof value;
  const int r =
      Run([&] { return getsockopt(s, level, name, reinterpret_cast<char*>(&value), &length); });
  Fields out;
  if (r == 0) out("optval", Num(value))("optlen", Num(length));
  Report("getsockopt",
         Fields()("s", Handle(s))("level", Num(level))("optname", Num(name))("optlen",
                                                                             Num(sizeof value)),
         Num(r), out);
  return value;
}

using NameCall = int(WSAAPI*)(SOCKET, sockaddr*, int*);
int SockName(const char* call, NameCall name, SOCKET s) {
  sockaddr_storage a{};
  int length = sizeof a;
  const int r = Run([&] { return name(s, reinterpret_cast<sockaddr*>(&a), &length); });
  Fields out;
  if (r == 0) out("address", Addr(Sa(a), length))("namelen", Num(length));
  Report(call, Fields()("s", Handle(s))("namelen", Num(sizeof a)), Num(r), out);
  return r;
}
int GetSockName(SOCKET s) {
  return SockName("getsockname", getsockname, s);
}
int GetPeerName(SOCKET s) {
  return SockName("getpeername", getpeername, s);
}

int AsyncSelect(SOCKET s, HWND window, UINT msg, long events) {
  const int r = Run([&] { return WSAAsyncSelect(s, window, msg, events); });
  Report("WSAAsyncSelect",
         Fields()("s", Handle(s))("hwnd", Handle(window))("msg", Num(msg))("events", Num(events)),
         Num(r));
  return r;
}

int EventSelect(SOCKET s, WSAEVENT event, long events) {
  const int r = Run([&] { return WSAEventSelect(s, event, events); });
  Report("WSAEventSelect", Fields()("s", Handle(s))("event", Handle(event))("events", Num(events)),
         Num(r));
  return r;
}

long EnumNetworkEvents(SOCKET s, WSAEVENT event) {
  WSANETWORKEVENTS events{};
  const int r = Run([&] { return WSAEnumNetworkEvents(s, event, &events); });
  Fields out;
  if (r == 0) {
    std::vector<Value> errors;
    for (const int e : events.iErrorCode) errors.push_back(Num(e));
    out("events", Num(events.lNetworkEvents))("errors", List(errors));
  }
  Report("WSAEnumNetworkEvents", Fields()("s", Handle(s))("event", Handle(event)), Num(r), out);
  return events.lNetworkEvents;
}

template <class Info>
Value Hints(const Info& h) {
  return Object(Fields()("flags", Num(h.ai_flags))("family", Num(h.ai_family))(
      "socktype", Num(h.ai_socktype))("protocol", Num(h.ai_protocol)));
}

template <class Info>
Fields AddrInfoOut(int r, const Info* res) {
  Fields out;
  if (r != 0) return out;
  std::vector<Value> list;
  for (const Info* ai = res; ai != nullptr; ai = ai->ai_next) {
    list.push_back(Object(Fields()("flags", Num(ai->ai_flags))("family", Num(ai->ai_family))(
        "socktype", Num(ai->ai_socktype))("protocol", Num(ai->ai_protocol))(
        "canonname", Text(ai->ai_canonname))("address",
                                             Addr(ai->ai_addr, static_cast<int>(ai->ai_addrlen)))));
  }
  out("res", Ptr(res))("list", List(list));
  return out;
}

int LookUp(const char* node, const char* service, const addrinfo& hints, addrinfo*& res) {
  res = nullptr;
  const int r = Run([&] { return getaddrinfo(node, service, &hints, &res); });
  Report("getaddrinfo",
         Fields()("node", Text(node))("service", Text(service))("hints", Hints(hints)), Num(r),
         AddrInfoOut(r, res));
  return r;
}

ADDRINFOW* LookUpW(const wchar_t* node, const wchar_t* service, const ADDRINFOW& hints) {
  ADDRINFOW* res = nullptr;
  const int r = Run([&] { return ::GetAddrInfoW(node, service, &hints, &res); });
  Report("GetAddrInfoW",
         Fields()("node", Text(node))("service", Text(service))("hints", Hints(hints)), Num(r),
         AddrInfoOut(r, res));
  return res;
}

void FreeLookUp(addrinfo* ai) {
  WSASetLastError(0);
  freeaddrinfo(ai);
  g_error = WSAGetLastError();
  Report("freeaddrinfo", Fields()("ai", Ptr(ai)), Value{"null", "void"});
}

constexpr int kNumeric = NI_NUMERICHOST | NI_NUMERICSERV;

template <class SockAddr>
int NameOf(const SockAddr& a) {
  char host[NI_MAXHOST] = "", serv[NI_MAXSERV] = "";
  const int r = Run(
      [&] { return getnameinfo(Sa(a), sizeof a, host, sizeof host, serv, sizeof serv, kNumeric); });
  Fields out;
  if (r == 0) out("host", Text(host))("serv", Text(serv));
  Report("getnameinfo",
         Fields()("address", Addr(a))("salen", Num(sizeof a))("hostlen", Num(sizeof host))(
             "servlen", Num(sizeof serv))("flags", Num(kNumeric)),
         Num(r), out);
  return r;
}

template <class SockAddr>
int NameOfW(const SockAddr& a) {
  wchar_t host[NI_MAXHOST] = L"", serv[NI_MAXSERV] = L"";
  const int r = Run([&] {
    return ::GetNameInfoW(Sa(a), sizeof a, host, NI_MAXHOST, serv, NI_MAXSERV, kNumeric);
  });
  Fields out;
  if (r == 0) out("host", Text(host))("serv", Text(serv));
  Report("GetNameInfoW",
         Fields()("address", Addr(a))("salen", Num(sizeof a))("hostlen", Num(NI_MAXHOST))(
             "servlen", Num(NI_MAXSERV))("flags", Num(kNumeric)),
         Num(r), out);
  return r;
}

Fields HostentOut(const hostent* h) {
  Fields out;
  if (h == nullptr) return out;
  std::vector<Value> aliases, addresses;
  for (char** a = h->h_aliases; a != nullptr && *a != nullptr; ++a) aliases.push_back(Text(*a));
  for (char** a = h->h_addr_list; a != nullptr && *a != nullptr; ++a) {
    addresses.push_back(h->h_addrtype == AF_INET && h->h_length == 4
                            ? Text(Ip4Text(*a))
                            : Bytes(*a, static_cast<size_t>(h->h_length)));
  }
  out("name", Text(h->h_name))("aliases", List(aliases))("addrtype", Num(h->h_addrtype))(
      "length", Num(h->h_length))("addresses", List(addresses));
  return out;
}

const hostent* HostByName(const char* name) {
  const hostent* h = Run([&] { return gethostbyname(name); });
  Report("gethostbyname", Fields()("name", Text(name)), Ptr(h), HostentOut(h));
  return h;
}

const hostent* HostByAddr(const in_addr& address) {
  const hostent* h = Run([&] {
    return gethostbyaddr(reinterpret_cast<const char*>(&address), sizeof address, AF_INET);
  });
  Report(
      "gethostbyaddr",
      Fields()("addr", Text(Ip4Text(&address)))("len", Num(sizeof address))("type", Num(AF_INET)),
      Ptr(h), HostentOut(h));
  return h;
}

int HostName() {
  char name[256] = "";
  const int r = Run([&] { return gethostname(name, sizeof name); });
  Fields out;
  if (r == 0) out("name", Text(name));
  Report("gethostname", Fields()("namelen", Num(sizeof name)), Num(r), out);
  return r;
}

u_long InetAddr(const char* text) {
  const u_long r = Run([&] { return inet_addr(text); });
  Report("inet_addr", Fields()("cp", Text(text)), Num(r));
  return r;
}

const char* InetNtoa(in_addr address) {
  const char* r = Run([&] { return inet_ntoa(address); });
  Report("inet_ntoa", Fields()("in", Text(Ip4Text(&address))), Text(r));
  return r;
}

int TextToBytes(int af, const char* text, void* address) {
  const int r = Run([&] { return inet_pton(af, text, address); });
  Fields out;
  if (r == 1) out("dst", Bytes(address, af == AF_INET6 ? 16 : 4));
  Report("inet_pton", Fields()("af", Num(af))("src", Text(text)), Num(r), out);
  return r;
}

int TextToBytesW(int af, const wchar_t* text, void* address) {
  const int r = Run([&] { return ::InetPtonW(af, text, address); });
  Fields out;
  if (r == 1) out("dst", Bytes(address, af == AF_INET6 ? 16 : 4));
  Report("InetPtonW", Fields()("af", Num(af))("src", Text(text)), Num(r), out);
  return r;
}

Fields NtopArgs(int af, const void* address, size_t size) {
  return Fields()("af", Num(af))("src", Bytes(address, af == AF_INET6 ? 16 : 4))("size", Num(size));
}

const char* BytesToText(int af, const void* address) {
  char text[INET6_ADDRSTRLEN] = "";
  const char* r = Run([&] { return inet_ntop(af, address, text, sizeof text); });
  Report("inet_ntop", NtopArgs(af, address, sizeof text), Text(r));
  return r;
}

const wchar_t* BytesToTextW(int af, const void* address) {
  wchar_t text[INET6_ADDRSTRLEN] = L"";
  const wchar_t* r = Run([&] { return ::InetNtopW(af, address, text, INET6_ADDRSTRLEN); });
  Report("InetNtopW", NtopArgs(af, address, INET6_ADDRSTRLEN), Text(r));
  return r;
}

Fields StringToAddressArgs(Value text, int af, int length) {
  return Fields()("string", std::move(text))("af", Num(af))("protocol_info", Ptr(nullptr))(
      "length", Num(length));
}
Fields StringToAddressOut(int r, const sockaddr_storage& a, int length) {
  Fields out;
  if (r == 0) out("address", Addr(Sa(a), length))("length", Num(length));
  return out;
}

int StringToAddressA(std::string text, int af, sockaddr_storage& a) {
  int length = sizeof a;
  const int lengthIn = length;
  const int r = Run([&] {
    return WSAStringToAddressA(text.data(), af, nullptr, reinterpret_cast<sockaddr*>(&a), &length);
  });
  Report("WSAStringToAddressA", StringToAddressArgs(Text(text), af, lengthIn), Num(r),
         StringToAddressOut(r, a, length));
  return length;
}

int StringToAddressW(std::wstring text, int af, sockaddr_storage& a) {
  int length = sizeof a;
  const int lengthIn = length;
  const int r = Run([&] {
    return WSAStringToAddressW(text.data(), af, nullptr, reinterpret_cast<sockaddr*>(&a), &length);
  });
  Report("WSAStringToAddressW", StringToAddressArgs(Text(text.c_str()), af, lengthIn), Num(r),
         StringToAddressOut(r, a, length));
  return length;
}

Fields AddressToStringArgs(const sockaddr_storage& a, int length, DWORD textLength) {
  return Fields()("address", Addr(Sa(a), length))("length", Num(length))(
      "protocol_info", Ptr(nullptr))("string_length", Num(textLength));
}

int AddressToStringA(sockaddr_storage& a, int length) {
  char text[64] = "";
  DWORD textLength = sizeof text;
  const int r = Run([&] {
    return WSAAddressToStringA(reinterpret_cast<sockaddr*>(&a), length, nullptr, text, &textLength);
  });
  Fields out;
  if (r == 0) out("string", Text(text))("string_length", Num(textLength));
  Report("WSAAddressToStringA", AddressToStringArgs(a, length, sizeof text), Num(r), out);
  return r;
}

int AddressToStringW(sockaddr_storage& a, int length) {
  wchar_t text[64] = L"";
  DWORD textLength = 64;
  const int r = Run([&] {
    return WSAAddressToStringW(reinterpret_cast<sockaddr*>(&a), length, nullptr, text, &textLength);
  });
  Fields out;
  if (r == 0) out("string", Text(text))("string_length", Num(textLength));
  Report("WSAAddressToStringW", AddressToStringArgs(a, length, 64), Num(r), out);
  return r;
}

// The process id changes from run to run; the console shows it as what it is.
Value OwnProcess() {
  return {std::to_string(GetCurrentProcessId()), "this process"};
}

template <class Info>
Fields DuplicateOut(int r, const Info& info) {
  Fields out;
  if (r == 0) {
    out("af", Num(info.iAddressFamily))("type", Num(info.iSocketType))("protocol",
                                                                       Num(info.iProtocol));
  }
  return out;
}

int DuplicateA(SOCKET s, WSAPROTOCOL_INFOA& info) {
  const int r = Run([&] { return WSADuplicateSocketA(s, GetCurrentProcessId(), &info); });
  Report("WSADuplicateSocketA", Fields()("s", Handle(s))("process_id", OwnProcess()), Num(r),
         DuplicateOut(r, info));
  return r;
}

int DuplicateW(SOCKET s, WSAPROTOCOL_INFOW& info) {
  const int r = Run([&] { return WSADuplicateSocketW(s, GetCurrentProcessId(), &info); });
  Report("WSADuplicateSocketW", Fields()("s", Handle(s))("process_id", OwnProcess()), Num(r),
         DuplicateOut(r, info));
  return r;
}

// ---- Waiting, which calls nothing that is traced ----

WSAEVENT NewEvent(const char* role) {
  const WSAEVENT event = WSACreateEvent();
  Name(event, role);
  return event;
}

bool WaitFor(WSAEVENT event) {
  return WSAWaitForMultipleEvents(1, &event, TRUE, kWaitMs, FALSE) == WSA_WAIT_EVENT_0;
}

// Pumps the window's messages until WSAAsyncSelect's message for `s` arrives with `event`.
bool WaitForMessage(SOCKET s, long event) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kWaitMs) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == kSelectMsg && msg.wParam == s && WSAGETSELECTEVENT(msg.lParam) == event) {
        std::printf("message: event %ld for %s, error %d\n", event, RoleOf(s).c_str(),
                    WSAGETSELECTERROR(msg.lParam));
        return true;
      }
      DispatchMessageA(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  }
  return false;
}

HWND MakeWindow() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "wsdemo2";
  RegisterClassA(&wc);
  const HWND window = CreateWindowA("wsdemo2", "wsdemo2", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    wc.hInstance, nullptr);
  Name(window, "window");
  return window;
}

// ---- The program ----

void Conversions(unsigned port) {
  Section("conversions");
  const u_long loopback = InetAddr("127.0.0.1");
  Expect(InetAddr("no.such.address") == INADDR_NONE, "inet_addr of a name");
  in_addr in{};
  in.s_addr = loopback;
  const char* text = InetNtoa(in);
  Expect(text != nullptr && std::strcmp(text, "127.0.0.1") == 0, "inet_ntoa");

  unsigned char v4[4] = {}, v6[16] = {};
  Expect(TextToBytes(AF_INET, "127.0.0.1", v4) == 1 && v4[0] == 127 && v4[3] == 1, "inet_pton");
  Expect(TextToBytes(AF_INET6, "::1", v6) == 1 && v6[15] == 1, "inet_pton IPv6");
  text = BytesToText(AF_INET6, v6);
  Expect(text != nullptr, "inet_ntop");
  Expect(TextToBytesW(AF_INET6, L"::1", v6) == 1 && v6[15] == 1, "InetPtonW");
  Expect(BytesToTextW(AF_INET, v4) != nullptr, "InetNtopW");

  sockaddr_storage a{};
  int length = StringToAddressA("127.0.0.1:" + std::to_string(port), AF_INET, a);
  Expect(AddressToStringW(a, length) == 0, "WSAAddressToStringW");
  a = sockaddr_storage{};
  length = StringToAddressW(L"[::1]:" + std::to_wstring(port + 7), AF_INET6, a);
  Expect(AddressToStringA(a, length) == 0, "WSAAddressToStringA");
}

void Lookups(unsigned port) {
  Section("lookups");
  HostName();
  Expect(HostByName("localhost") != nullptr, "gethostbyname");
  const sockaddr_in loopback = V4(0);
  HostByAddr(loopback.sin_addr);
  addrinfo hints{};
  hints.ai_flags = AI_NUMERICHOST;
  addrinfo* none = nullptr;
  Expect(LookUp("no.such.host.invalid", nullptr, hints, none) == EAI_NONAME,
         "numeric lookup of a name");
  Expect(NameOf(V4(port)) == 0, "getnameinfo");
  Expect(NameOfW(V4(port + 3)) == 0, "GetNameInfoW");
}

const char kTcpMessage[] = "Hello over TCP from wsdemo2";

// A listener, a blocking connection, a non-blocking receive and the duplicates of two sockets;
// then a connect to a port nobody listens on.
void TcpV4(unsigned port) {
  Section("IPv4 TCP: blocking and non-blocking");
  addrinfo hints{};
  hints.ai_flags = AI_NUMERICHOST | AI_PASSIVE;
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* ai = nullptr;
  if (LookUp("127.0.0.1", std::to_string(port).c_str(), hints, ai) != 0) {
    Expect(false, "getaddrinfo of 127.0.0.1");
    return;
  }
  const SOCKET listener = Socket("listener", ai->ai_family, ai->ai_socktype, ai->ai_protocol);
  SetOption(listener, SOL_SOCKET, SO_REUSEADDR, 1);
  Expect(Bind(listener, ai->ai_addr, static_cast<int>(ai->ai_addrlen)) == 0, "bind listener");
  FreeLookUp(ai);
  Listen(listener, 5);
  GetSockName(listener);

  const SOCKET client = Socket("client", AF_INET, SOCK_STREAM, 0);
  Expect(Connect(client, V4(port)) == 0, "connect");
  const SOCKET accepted = Accept("accepted", listener);
  GetPeerName(client);
  SetOption(client, IPPROTO_TCP, TCP_NODELAY, 1);
  Expect(GetOption(client, IPPROTO_TCP, TCP_NODELAY) != 0, "TCP_NODELAY");
  Expect(GetOption(accepted, SOL_SOCKET, SO_TYPE) == SOCK_STREAM, "SO_TYPE");

  const std::string_view message(kTcpMessage);
  Expect(Send(client, message) == static_cast<int>(message.size()), "send");
  Expect(SelectRead(accepted) == 1, "select");
  Expect(IoctlSocket(accepted, FIONREAD, 0) == message.size(), "FIONREAD");
  Expect(WsaIoctl(accepted, FIONREAD, nullptr, true) == message.size(), "WSAIoctl FIONREAD");
  Expect(Recv(accepted, 100, 0) == static_cast<int>(message.size()), "recv");
  const u_long on = 1;
  WsaIoctl(accepted, FIONBIO, &on, false);
  Expect(Recv(accepted, 100, 0) == SOCKET_ERROR && g_error == WSAEWOULDBLOCK,
         "recv that would block");
  IoctlSocket(accepted, FIONBIO, 0);

  Buffers gathered(std::vector<std::string>{"Hello", ", world"});
  Expect(WsaSend(client, gathered, nullptr) == 0, "WSASend");
  Buffers scattered(std::vector<ULONG>{64});
  Expect(WsaRecv(accepted, scattered, nullptr) == 0, "WSARecv");

  WSAPROTOCOL_INFOA infoA{};
  if (DuplicateA(accepted, infoA) == 0) {
    const SOCKET copy = SocketA("accepted copy", FROM_PROTOCOL_INFO, FROM_PROTOCOL_INFO,
                                FROM_PROTOCOL_INFO, &infoA, 0);
    Expect(GetSockName(copy) == 0, "getsockname of a duplicate");
    Close(copy);
  }
  WSAPROTOCOL_INFOW infoW{};
  if (DuplicateW(listener, infoW) == 0) {
    const SOCKET copy = SocketW("listener copy", FROM_PROTOCOL_INFO, FROM_PROTOCOL_INFO,
                                FROM_PROTOCOL_INFO, &infoW, 0);
    Close(copy);
  }

  Shutdown(client, SD_SEND);
  Expect(Recv(accepted, 100, 0) == 0, "recv of the end");
  Close(client);
  Close(accepted);
  Close(listener);

  const SOCKET refused = Socket("refused", AF_INET, SOCK_STREAM, IPPROTO_TCP);
  Expect(Connect(refused, V4(port + 1)) == SOCKET_ERROR && g_error == WSAECONNREFUSED,
         "refused connect");
  Close(refused);
}

const char kPendingMessage[] = "Data for the pending WSARecv";

// A connection made by non-blocking WSAConnect and accepted through event select and WSAAccept;
// an overlapped receive that pends until data arrives, and an overlapped send.
void OverlappedV4(unsigned port) {
  Section("IPv4 TCP: event select, WSAPoll and overlapped");
  const SOCKET listener =
      SocketA("events listener", AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, WSA_FLAG_OVERLAPPED);
  SetOption(listener, SOL_SOCKET, SO_REUSEADDR, 1);
  Expect(Bind(listener, V4(port + 2)) == 0, "bind events listener");
  Listen(listener, 5);
  const WSAEVENT acceptEvent = NewEvent("accept event");
  EventSelect(listener, acceptEvent, FD_ACCEPT);

  const SOCKET client =
      SocketW("overlapped client", AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, WSA_FLAG_OVERLAPPED);
  IoctlSocket(client, FIONBIO, 1);
  Expect(WsaConnect(client, V4(port + 2)) == SOCKET_ERROR && g_error == WSAEWOULDBLOCK,
         "non-blocking WSAConnect");
  Expect(WaitFor(acceptEvent), "FD_ACCEPT signalled");
  Expect(EnumNetworkEvents(listener, acceptEvent) == FD_ACCEPT, "WSAEnumNetworkEvents");
  const SOCKET server = WsaAccept("overlapped server", listener);
  Expect(Poll(client, POLLWRNORM) == POLLWRNORM, "WSAPoll for the connection");
  IoctlSocket(client, FIONBIO, 0);

  WSAOVERLAPPED receiving{};
  receiving.hEvent = NewEvent("receive event");
  Name(&receiving, "overlapped1");
  Buffers in(std::vector<ULONG>{64});
  Expect(Pending(WsaRecv(client, in, &receiving)), "WSARecv pending");
  const std::string_view message(kPendingMessage);
  Send(server, message);
  Expect(WaitFor(receiving.hEvent), "overlapped receive signalled");
  Expect(OverlappedResult(client, &receiving, FALSE, &in), "WSAGetOverlappedResult");

  WSAOVERLAPPED sending{};
  sending.hEvent = NewEvent("send event");
  Name(&sending, "overlapped2");
  Buffers out(std::vector<std::string>{"Hello", ", world"});
  Expect(WsaSend(client, out, &sending) == 0, "overlapped WSASend");
  Expect(OverlappedResult(client, &sending, TRUE, nullptr), "WSAGetOverlappedResult of a send");
  Expect(Poll(server, POLLRDNORM) == POLLRDNORM, "WSAPoll for data");
  Buffers scattered(std::vector<ULONG>{4, 60});
  Expect(WsaRecv(server, scattered, nullptr) == 0, "WSARecv into two buffers");

  Close(client);
  Close(server);
  Close(listener);
  WSACloseEvent(sending.hEvent);
  WSACloseEvent(receiving.hEvent);
  WSACloseEvent(acceptEvent);
}

// Datagrams announced by window messages.
void UdpV4(unsigned port, HWND window) {
  Section("IPv4 UDP: window messages");
  ADDRINFOW hints{};
  hints.ai_flags = AI_NUMERICHOST | AI_PASSIVE;
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  hints.ai_protocol = IPPROTO_UDP;
  ADDRINFOW* ai = LookUpW(L"127.0.0.1", std::to_wstring(port + 3).c_str(), hints);
  Expect(ai != nullptr, "GetAddrInfoW of 127.0.0.1");
  if (ai == nullptr) return;
  const SOCKET receiver = Socket("receiver", AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  Bind(receiver, ai->ai_addr, static_cast<int>(ai->ai_addrlen));
  FreeAddrInfoW(ai);
  const SOCKET sender = Socket("sender", AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  Bind(sender, V4(port + 4));
  AsyncSelect(receiver, window, kSelectMsg, FD_READ);

  std::string datagram(300, '\0');
  for (int i = 0; i < 300; ++i) datagram[i] = static_cast<char>(i);
  Expect(SendTo(sender, datagram, V4(port + 3)) == 300, "sendto");
  Expect(WaitForMessage(receiver, FD_READ), "FD_READ message");
  Expect(RecvFrom(receiver, 512) == 300, "recvfrom");

  Buffers gathered(std::vector<std::string>{"datagram ", "in two"});
  Expect(WsaSendTo(sender, gathered, V4(port + 3)) == 0, "WSASendTo");
  Expect(WaitForMessage(receiver, FD_READ), "second FD_READ message");
  Buffers in(std::vector<ULONG>{64});
  From from;
  Expect(WsaRecvFrom(receiver, in, from, nullptr) == 0, "WSARecvFrom");
  Close(sender);
  Close(receiver);
}

const char kIpv6Message[] = "Hello over IPv6";

// UDP with an overlapped receive from, then a TCP connection, all on ::1.
void Ipv6(unsigned port) {
  Section("IPv6 UDP and TCP");
  const char* const kNoIpv6 = "::1 cannot be bound";
  const SOCKET receiver = Socket("receiver6", AF_INET6, SOCK_DGRAM, IPPROTO_UDP);
  if (receiver == INVALID_SOCKET || Bind(receiver, V6(port + 5)) != 0) {
    if (receiver != INVALID_SOCKET) Close(receiver);
    Skip("IPv6 UDP", kNoIpv6);
    Skip("IPv6 TCP", kNoIpv6);
    return;
  }
  const SOCKET sender = Socket("sender6", AF_INET6, SOCK_DGRAM, IPPROTO_UDP);
  Bind(sender, V6(port + 6));
  const std::string_view message(kIpv6Message);
  Expect(SendTo(sender, message, V6(port + 5)) == static_cast<int>(message.size()), "sendto ::1");
  Expect(SelectRead(receiver) == 1, "select ::1");
  Expect(RecvFrom(receiver, 512) == static_cast<int>(message.size()), "recvfrom ::1");

  WSAOVERLAPPED receiving{};
  receiving.hEvent = NewEvent("receive event6");
  Name(&receiving, "overlapped3");
  Buffers in(std::vector<ULONG>{64});
  From from;
  Expect(Pending(WsaRecvFrom(receiver, in, from, &receiving)), "WSARecvFrom pending");
  Buffers gathered(std::vector<std::string>{"IPv6 ", "datagram"});
  Expect(WsaSendTo(sender, gathered, V6(port + 5)) == 0, "WSASendTo ::1");
  Expect(WaitFor(receiving.hEvent), "overlapped receive from signalled");
  Expect(OverlappedResult(receiver, &receiving, FALSE, &in, &from), "WSAGetOverlappedResult ::1");
  WSACloseEvent(receiving.hEvent);
  Close(sender);
  Close(receiver);

  addrinfo hints{};
  hints.ai_flags = AI_NUMERICHOST | AI_PASSIVE;
  hints.ai_family = AF_INET6;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* ai = nullptr;
  if (LookUp("::1", std::to_string(port + 7).c_str(), hints, ai) != 0) {
    Expect(false, "getaddrinfo of ::1");
    return;
  }
  const SOCKET listener = Socket("listener6", AF_INET6, SOCK_STREAM, IPPROTO_TCP);
  SetOption(listener, SOL_SOCKET, SO_REUSEADDR, 1);
  SetOption(listener, IPPROTO_IPV6, IPV6_V6ONLY, 1);
  Expect(GetOption(listener, IPPROTO_IPV6, IPV6_V6ONLY) == 1, "IPV6_V6ONLY");
  Expect(Bind(listener, ai->ai_addr, static_cast<int>(ai->ai_addrlen)) == 0, "bind [::1]");
  FreeLookUp(ai);
  Listen(listener, 5);
  const SOCKET client = Socket("client6", AF_INET6, SOCK_STREAM, IPPROTO_TCP);
  Expect(Connect(client, V6(port + 7)) == 0, "connect [::1]");
  const SOCKET accepted = Accept("accepted6", listener);
  GetSockName(client);
  GetPeerName(accepted);
  NameOfW(V6(port + 7));
  Expect(Send(client, message) == static_cast<int>(message.size()), "send ::1");
  Expect(Recv(accepted, 100, 0) == static_cast<int>(message.size()), "recv ::1");
  Shutdown(client, SD_SEND);
  Expect(Recv(accepted, 100, 0) == 0, "recv of the end ::1");
  Close(client);
  Close(accepted);
  Close(listener);
}

}  // namespace

int main(int argc, char** argv) {
  unsigned port = 5250;
  const char* logPath = nullptr;
  bool usage = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--log") == 0 && i + 1 < argc) {
      logPath = argv[++i];
    } else {
      char* end = nullptr;
      port = static_cast<unsigned>(std::strtoul(argv[i], &end, 10));
      usage = usage || *end != '\0';
    }
  }
  // Started without arguments (by a monitor's Launch Pgm), it logs where WSDEMO2_LOG says.
  if (logPath == nullptr) logPath = std::getenv("WSDEMO2_LOG");
  if (usage || port == 0 || port > 65526) {
    std::printf(
        "usage: wsdemo2 [port] [--log FILE]   (port 1..65526; ports port..port+7 are used)\n");
    return 2;
  }
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (logPath != nullptr && (g_log = std::fopen(logPath, "wb")) == nullptr) {
    std::printf("wsdemo2: cannot write %s\n", logPath);
    return 2;
  }
  const HWND window = MakeWindow();

  if (Startup(MAKEWORD(2, 2)) != 0) return 1;
  Conversions(port);
  Lookups(port);
  TcpV4(port);
  OverlappedV4(port);
  UdpV4(port, window);
  Ipv6(port);
  Expect(Cleanup() == 0, "WSACleanup");

  DestroyWindow(window);
  if (g_log != nullptr) std::fclose(g_log);
  std::printf("wsdemo2: %s\n", g_problems == 0 ? "done" : "finished with unexpected results");
  return g_problems == 0 ? 0 : 1;
}
