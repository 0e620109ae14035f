// wsdemo: makes each of the 46 traced Winsock 1.1 calls at least once, with known parameters,
// on the loopback interface, and prints one line per call: "[id] call = result, error N", where
// N is the thread's error after the call. Lines that show socket handle values start with
// "handle ", since only they may differ from run to run.
//
//   wsdemo [port]   TCP and UDP ports port .. port+4 on 127.0.0.1 (default 5150)
//
// Exit status 0 when the connection, the transfers and the expected failures behaved as
// Winsock says they do, 1 otherwise.
#include <winsock.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr UINT kAsyncSelectMsg = WM_USER + 1;
constexpr UINT kLookupDoneMsg = WM_USER + 2;

int g_problems = 0;

void Expect(bool ok, const char* what) {
  if (!ok) {
    std::printf("unexpected: %s\n", what);
    ++g_problems;
  }
}

void Show(int id, const std::string& call, const std::string& result, DWORD error) {
  std::printf("[%d] %s = %s, error %lu\n", id, call.c_str(), result.c_str(),
              static_cast<unsigned long>(error));
}

void ShowHandle(const char* role, SOCKET s) {
  std::printf("handle %s=%lu\n", role, static_cast<unsigned long>(s));
}

std::string Int(long value) {
  return std::to_string(value);
}
std::string Hex(unsigned long value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", value);
  return text;
}
std::string Ptr(const void* p) {
  return p != nullptr ? "non-null" : "NULL";
}
std::string Sock(SOCKET s) {
  return s == INVALID_SOCKET ? "INVALID_SOCKET" : "a socket";
}

// Runs one call and prints it with the error it left; `show` renders the result.
#define STEP(id, text, expr, show)         \
  [&] {                                    \
    auto result_ = (expr);                 \
    const DWORD error_ = GetLastError();   \
    Show(id, text, show(result_), error_); \
    return result_;                        \
  }()

// 127.0.0.1 and a port, built byte by byte so that no conversion call adds to the trace.
sockaddr_in Loopback(unsigned port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  auto* p = reinterpret_cast<unsigned char*>(&a.sin_port);
  p[0] = static_cast<unsigned char>(port >> 8);
  p[1] = static_cast<unsigned char>(port);
  auto* b = reinterpret_cast<unsigned char*>(&a.sin_addr);
  b[0] = 127;
  b[3] = 1;
  return a;
}

const sockaddr* Addr(const sockaddr_in& a) {
  return reinterpret_cast<const sockaddr*>(&a);
}
sockaddr* Addr(sockaddr_in& a) {
  return reinterpret_cast<sockaddr*>(&a);
}

std::string Endpoint(const sockaddr_in& a) {
  const auto* p = reinterpret_cast<const unsigned char*>(&a.sin_port);
  const auto* b = reinterpret_cast<const unsigned char*>(&a.sin_addr);
  char text[48];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u:%u", b[0], b[1], b[2], b[3], p[0] << 8 | p[1]);
  return text;
}

// Completions of the asynchronous lookups, in the order they were asked for.
struct Lookup {
  HANDLE handle = nullptr;
  bool done = false;
  int error = 0;
  std::vector<char> buffer = std::vector<char>(MAXGETHOSTSTRUCT);
};
std::vector<Lookup>* g_lookups = nullptr;

LRESULT CALLBACK DemoWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kLookupDoneMsg && g_lookups != nullptr) {
    for (Lookup& l : *g_lookups) {
      if (l.handle == reinterpret_cast<HANDLE>(wParam)) {
        l.done = true;
        l.error = WSAGETASYNCERROR(lParam);
      }
    }
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND MakeWindow() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DemoWndProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "wsdemo";
  RegisterClassA(&wc);
  return CreateWindowA("wsdemo", "wsdemo", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                       nullptr);
}

// Waits up to ten seconds for every lookup to complete.
void WaitForLookups(std::vector<Lookup>& lookups) {
  const DWORD start = GetTickCount();
  auto allDone = [&] {
    for (const Lookup& l : lookups) {
      if (l.handle != nullptr && !l.done) return false;
    }
    return true;
  };
  while (!allDone() && GetTickCount() - start < 10000) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  }
}

// A blocking hook has the type FARPROC; it returns FALSE when it found no message to handle.
INT_PTR WINAPI BlockingHook() {
  return FALSE;
}

std::string Hook(FARPROC p) {
  return p != nullptr ? "non-null" : "NULL";
}

void DatabaseCalls(HWND window) {
  char name[256] = "";
  STEP(29, "gethostname(name, 256)", gethostname(name, sizeof name), Int);
  STEP(24, "gethostbyname(\"localhost\")", gethostbyname("localhost"), Ptr);
  const sockaddr_in local = Loopback(0);
  STEP(23, "gethostbyaddr(127.0.0.1, 4, AF_INET)",
       gethostbyaddr(reinterpret_cast<const char*>(&local.sin_addr), 4, AF_INET), Ptr);
  STEP(25, "getprotobyname(\"tcp\")", getprotobyname("tcp"), Ptr);
  STEP(26, "getprotobynumber(17)", getprotobynumber(17), Ptr);
  STEP(27, "getservbyname(\"http\", \"tcp\")", getservbyname("http", "tcp"), Ptr);
  const sockaddr_in http = Loopback(80);
  STEP(28, "getservbyport(80, \"tcp\")", getservbyport(http.sin_port, "tcp"), Ptr);

  std::vector<Lookup> lookups(6);
  g_lookups = &lookups;
  auto started = [](HANDLE h) { return std::string(h != nullptr ? "a task" : "0"); };
  lookups[0].handle = STEP(
      31, "WSAAsyncGetHostByAddr(127.0.0.1)",
      WSAAsyncGetHostByAddr(window, kLookupDoneMsg, reinterpret_cast<const char*>(&local.sin_addr),
                            4, AF_INET, lookups[0].buffer.data(), MAXGETHOSTSTRUCT),
      started);
  lookups[1].handle = STEP(32, "WSAAsyncGetHostByName(\"localhost\")",
                           WSAAsyncGetHostByName(window, kLookupDoneMsg, "localhost",
                                                 lookups[1].buffer.data(), MAXGETHOSTSTRUCT),
                           started);
  lookups[2].handle = STEP(33, "WSAAsyncGetProtoByNumber(6)",
                           WSAAsyncGetProtoByNumber(window, kLookupDoneMsg, 6,
                                                    lookups[2].buffer.data(), MAXGETHOSTSTRUCT),
                           started);
  lookups[3].handle = STEP(34, "WSAAsyncGetProtoByName(\"udp\")",
                           WSAAsyncGetProtoByName(window, kLookupDoneMsg, "udp",
                                                  lookups[3].buffer.data(), MAXGETHOSTSTRUCT),
                           started);
  lookups[4].handle = STEP(35, "WSAAsyncGetServByPort(80, \"tcp\")",
                           WSAAsyncGetServByPort(window, kLookupDoneMsg, http.sin_port, "tcp",
                                                 lookups[4].buffer.data(), MAXGETHOSTSTRUCT),
                           started);
  lookups[5].handle = STEP(36, "WSAAsyncGetServByName(\"http\", \"tcp\")",
                           WSAAsyncGetServByName(window, kLookupDoneMsg, "http", "tcp",
                                                 lookups[5].buffer.data(), MAXGETHOSTSTRUCT),
                           started);
  WaitForLookups(lookups);
  for (const Lookup& l : lookups) {
    std::printf("lookup %s, error %d\n",
                l.handle == nullptr ? "not started"
                : l.done            ? "completed"
                                    : "timed out",
                l.error);
  }
  // The request is over, so there is nothing left to cancel.
  STEP(37, "WSACancelAsyncRequest(finished task)", WSACancelAsyncRequest(lookups[1].handle), Int);
  g_lookups = nullptr;
}

void BlockingHookCalls() {
  STEP(38, "WSASetBlockingHook(hook)", WSASetBlockingHook(BlockingHook), Hook);
  STEP(43, "WSAIsBlocking()", WSAIsBlocking(), Int);
  STEP(42, "WSACancelBlockingCall()", WSACancelBlockingCall(), Int);
  STEP(39, "WSAUnhookBlockingHook()", WSAUnhookBlockingHook(), Int);
}

void Conversions() {
  Expect(STEP(7, "htonl(0x01020304)", htonl(0x01020304), Hex) == 0x04030201, "htonl");
  STEP(13, "ntohl(0x04030201)", ntohl(0x04030201), Hex);
  STEP(14, "ntohs(0x901F)", ntohs(0x901F), Hex);
  const unsigned long loopback = STEP(9, "inet_addr(\"127.0.0.1\")", inet_addr("127.0.0.1"), Hex);
  Expect(STEP(9, "inet_addr(\"abc\")", inet_addr("abc"), Hex) == INADDR_NONE, "inet_addr(abc)");
  in_addr in;
  in.s_addr = loopback;
  const char* text = STEP(10, "inet_ntoa(127.0.0.1)", inet_ntoa(in), Ptr);
  Expect(text != nullptr && std::strcmp(text, "127.0.0.1") == 0, "inet_ntoa");
}

const char kTcpMessage[] = "Hello over TCP from wsdemo, 40 bytes....";

void TcpCalls(unsigned port) {
  const SOCKET listener =
      STEP(22, "socket(AF_INET, SOCK_STREAM, 0)", socket(AF_INET, SOCK_STREAM, 0), Sock);
  ShowHandle("listener", listener);
  const BOOL on = TRUE;
  STEP(
      20, "setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, TRUE)",
      setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on),
      Int);
  const sockaddr_in server = Loopback(port);
  Expect(STEP(1, "bind(listener, " + Endpoint(server) + ")",
              bind(listener, Addr(server), sizeof server), Int) == 0,
         "bind listener");
  STEP(12, "listen(listener, 5)", listen(listener, 5), Int);
  sockaddr_in name{};
  int nameLength = sizeof name;
  STEP(5, "getsockname(listener)", getsockname(listener, Addr(name), &nameLength), Int);
  std::printf("listener address %s\n", Endpoint(name).c_str());

  const SOCKET client =
      STEP(22, "socket(AF_INET, SOCK_STREAM, 0)", socket(AF_INET, SOCK_STREAM, 0), Sock);
  ShowHandle("client", client);
  const sockaddr_in clientAddress = Loopback(port + 1);
  STEP(1, "bind(client, " + Endpoint(clientAddress) + ")",
       bind(client, Addr(clientAddress), sizeof clientAddress), Int);
  Expect(STEP(3, "connect(client, " + Endpoint(server) + ")",
              connect(client, Addr(server), sizeof server), Int) == 0,
         "connect");
  sockaddr_in peer{};
  int peerLength = sizeof peer;
  const SOCKET accepted =
      STEP(0, "accept(listener)", accept(listener, Addr(peer), &peerLength), Sock);
  ShowHandle("accepted", accepted);
  std::printf("accepted peer %s\n", Endpoint(peer).c_str());
  peerLength = sizeof peer;
  STEP(4, "getpeername(client)", getpeername(client, Addr(peer), &peerLength), Int);
  std::printf("client peer %s\n", Endpoint(peer).c_str());

  Expect(STEP(18, "send(client, 40 bytes, 0)", send(client, kTcpMessage, 40, 0), Int) == 40,
         "send");
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(accepted, &readable);
  timeval wait{5, 0};
  STEP(17, "select(read: accepted)", select(0, &readable, nullptr, nullptr, &wait), Int);
  u_long pending = 0;
  STEP(11, "ioctlsocket(accepted, FIONREAD)", ioctlsocket(accepted, FIONREAD, &pending), Int);
  std::printf("bytes waiting %lu\n", pending);
  char buffer[100];
  Expect(STEP(15, "recv(accepted, 100, 0)", recv(accepted, buffer, sizeof buffer, 0), Int) == 40,
         "recv");
  u_long nonBlocking = 1;
  STEP(11, "ioctlsocket(accepted, FIONBIO, 1)", ioctlsocket(accepted, FIONBIO, &nonBlocking), Int);
  Expect(STEP(15, "recv(accepted, 100, MSG_PEEK)", recv(accepted, buffer, sizeof buffer, MSG_PEEK),
              Int) == SOCKET_ERROR &&
             GetLastError() == WSAEWOULDBLOCK,
         "recv that would block");

  int size = 0;
  int sizeLength = sizeof size;
  STEP(6, "getsockopt(accepted, SOL_SOCKET, SO_RCVBUF)",
       getsockopt(accepted, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&size), &sizeLength),
       Int);
  std::printf("SO_RCVBUF %d\n", size);
  int noDelay = 0;
  int noDelayLength = sizeof noDelay;
  STEP(6, "getsockopt(client, IPPROTO_TCP, TCP_NODELAY)",
       getsockopt(client, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<char*>(&noDelay),
                  &noDelayLength),
       Int);
  std::printf("TCP_NODELAY %d\n", noDelay);
  STEP(20, "setsockopt(client, IPPROTO_TCP, TCP_NODELAY, TRUE)",
       setsockopt(client, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on),
       Int);
  STEP(21, "shutdown(client, 1)", shutdown(client, 1), Int);
  STEP(2, "closesocket(client)", closesocket(client), Int);
  STEP(2, "closesocket(accepted)", closesocket(accepted), Int);
  STEP(2, "closesocket(listener)", closesocket(listener), Int);

  const SOCKET refused =
      STEP(22, "socket(AF_INET, SOCK_STREAM, 0)", socket(AF_INET, SOCK_STREAM, 0), Sock);
  ShowHandle("refused", refused);
  const sockaddr_in nobody = Loopback(port + 3);
  Expect(STEP(3, "connect(refused, " + Endpoint(nobody) + ")",
              connect(refused, Addr(nobody), sizeof nobody), Int) == SOCKET_ERROR &&
             GetLastError() == WSAECONNREFUSED,
         "refused connect");
  STEP(2, "closesocket(refused)", closesocket(refused), Int);
}

void UdpCalls(unsigned port, HWND window) {
  const SOCKET receiver =
      STEP(22, "socket(AF_INET, SOCK_DGRAM, 0)", socket(AF_INET, SOCK_DGRAM, 0), Sock);
  ShowHandle("receiver", receiver);
  const sockaddr_in receiverAddress = Loopback(port + 2);
  STEP(1, "bind(receiver, " + Endpoint(receiverAddress) + ")",
       bind(receiver, Addr(receiverAddress), sizeof receiverAddress), Int);
  const SOCKET sender =
      STEP(22, "socket(AF_INET, SOCK_DGRAM, 0)", socket(AF_INET, SOCK_DGRAM, 0), Sock);
  ShowHandle("sender", sender);
  const sockaddr_in senderAddress = Loopback(port + 4);
  STEP(1, "bind(sender, " + Endpoint(senderAddress) + ")",
       bind(sender, Addr(senderAddress), sizeof senderAddress), Int);

  char datagram[300];
  for (int i = 0; i < 300; ++i) datagram[i] = static_cast<char>(i);
  Expect(STEP(19, "sendto(sender, 300 bytes, 0, " + Endpoint(receiverAddress) + ")",
              sendto(sender, datagram, sizeof datagram, 0, Addr(receiverAddress),
                     sizeof receiverAddress),
              Int) == 300,
         "sendto");
  char received[512];
  sockaddr_in from{};
  int fromLength = sizeof from;
  Expect(
      STEP(16, "recvfrom(receiver, 512, 0)",
           recvfrom(receiver, received, sizeof received, 0, Addr(from), &fromLength), Int) == 300 &&
          std::memcmp(received, datagram, 300) == 0,
      "recvfrom");
  std::printf("datagram from %s\n", Endpoint(from).c_str());
  STEP(30, "WSAAsyncSelect(receiver, window, FD_READ)",
       WSAAsyncSelect(receiver, window, kAsyncSelectMsg, FD_READ), Int);
  STEP(2, "closesocket(sender)", closesocket(sender), Int);
  STEP(2, "closesocket(receiver)", closesocket(receiver), Int);
}

}  // namespace

int main(int argc, char** argv) {
  const unsigned port = argc > 1 ? static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10)) : 5150;
  if (port == 0 || port > 65530) {
    std::printf("usage: wsdemo [port]   (1..65530; ports port..port+4 are used)\n");
    return 2;
  }
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  const HWND window = MakeWindow();

  // Before start-up: a conversion needs none.
  STEP(8, "htons(0x1F90)", htons(0x1F90), Hex);
  WSADATA data;
  if (STEP(44, "WSAStartup(1.1)", WSAStartup(MAKEWORD(1, 1), &data), Int) != 0) return 1;

  Conversions();
  BlockingHookCalls();
  DatabaseCalls(window);
  TcpCalls(port);
  UdpCalls(port, window);

  STEP(41, "WSASetLastError(10035)", (WSASetLastError(WSAEWOULDBLOCK), 0), Int);
  Expect(STEP(40, "WSAGetLastError()", WSAGetLastError(), Int) == WSAEWOULDBLOCK,
         "WSAGetLastError");
  STEP(45, "WSACleanup()", WSACleanup(), Int);

  // After the last WSACleanup Winsock is not initialised any more.
  Expect(STEP(22, "socket(AF_INET, SOCK_STREAM, 0)", socket(AF_INET, SOCK_STREAM, 0), Sock) ==
                 INVALID_SOCKET &&
             GetLastError() == WSANOTINITIALISED,
         "socket after WSACleanup");
  STEP(45, "WSACleanup()", WSACleanup(), Int);

  DestroyWindow(window);
  std::printf("wsdemo: %s\n", g_problems == 0 ? "done" : "finished with unexpected results");
  return g_problems == 0 ? 0 : 1;
}
