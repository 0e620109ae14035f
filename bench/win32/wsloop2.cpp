// wsloop2: wsloop's round trips made with the Winsock 2 calls, through WS2_32: each round trip
// is four calls (WSASend, WSARecv, WSASend back, WSARecv), 64 bytes each, on loopback, UDP (two
// connected datagram sockets) then TCP, timed inside the program. Prints as wsloop does:
//   udp <us> tcp <us> all <us>
//   wsloop2 [round trips per protocol, default 2000]
#include <winsock2.h>

#include <cstdio>
#include <cstdlib>

namespace {

sockaddr_in Loopback() {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

sockaddr* Addr(sockaddr_in& a) {
  return reinterpret_cast<sockaddr*>(&a);
}

// A socket bound to an ephemeral loopback port, and that port's address.
SOCKET Bound(int type, sockaddr_in& at) {
  const SOCKET s = socket(AF_INET, type, 0);
  at = Loopback();
  int len = sizeof at;
  if (bind(s, Addr(at), len) != 0 || getsockname(s, Addr(at), &len) != 0) return INVALID_SOCKET;
  return s;
}

struct Pair {
  SOCKET a = INVALID_SOCKET;
  SOCKET b = INVALID_SOCKET;
};

bool UdpPair(Pair& p) {
  sockaddr_in aAt, bAt;
  p.a = Bound(SOCK_DGRAM, aAt);
  p.b = Bound(SOCK_DGRAM, bAt);
  return p.a != INVALID_SOCKET && p.b != INVALID_SOCKET &&
         connect(p.a, Addr(bAt), sizeof bAt) == 0 && connect(p.b, Addr(aAt), sizeof aAt) == 0;
}

bool TcpPair(Pair& p) {
  sockaddr_in at;
  const SOCKET listener = Bound(SOCK_STREAM, at);
  if (listener == INVALID_SOCKET || listen(listener, 1) != 0) return false;
  p.a = socket(AF_INET, SOCK_STREAM, 0);
  if (connect(p.a, Addr(at), sizeof at) != 0) return false;
  p.b = accept(listener, nullptr, nullptr);
  closesocket(listener);
  const BOOL on = TRUE;
  setsockopt(p.a, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  setsockopt(p.b, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  return p.b != INVALID_SOCKET;
}

bool Send(SOCKET s, char* data, ULONG n) {
  WSABUF buffer{n, data};
  DWORD sent = 0;
  return WSASend(s, &buffer, 1, &sent, 0, nullptr, nullptr) == 0 && sent == n;
}

// Receives exactly `n` bytes: a datagram, or as many stream reads as it takes.
bool Receive(SOCKET s, char* data, ULONG n) {
  for (ULONG got = 0; got < n;) {
    WSABUF buffer{n - got, data + got};
    DWORD received = 0;
    DWORD flags = 0;
    if (WSARecv(s, &buffer, 1, &received, &flags, nullptr, nullptr) != 0 || received == 0) {
      return false;
    }
    got += received;
  }
  return true;
}

bool RoundTrip(const Pair& p, char* out, char* in) {
  return Send(p.a, out, 64) && Receive(p.b, in, 64) && Send(p.b, in, 64) && Receive(p.a, in, 64);
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 2000;
  if (rounds <= 0) {
    std::printf("usage: wsloop2 [round trips]\n");
    return 2;
  }
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return 1;
  char out[64] = "sixty-four bytes of loop data, the same every round trip.......";
  char in[64];

  Pair udp;
  Pair tcp;
  if (!UdpPair(udp) || !TcpPair(tcp)) {
    std::printf("wsloop2: could not set up the sockets\n");
    return 1;
  }
  LARGE_INTEGER t0, t1, t2;
  QueryPerformanceCounter(&t0);
  for (int i = 0; i < rounds; ++i) {
    if (!RoundTrip(udp, out, in)) {
      std::printf("wsloop2: UDP round trip %d failed\n", i);
      return 1;
    }
  }
  QueryPerformanceCounter(&t1);
  for (int i = 0; i < rounds; ++i) {
    if (!RoundTrip(tcp, out, in)) {
      std::printf("wsloop2: TCP round trip %d failed\n", i);
      return 1;
    }
  }
  QueryPerformanceCounter(&t2);
  const double calls = 4.0 * rounds;
  std::printf("udp %.2f tcp %.2f all %.2f\n", Seconds(t0, t1) / calls * 1e6,
              Seconds(t1, t2) / calls * 1e6, Seconds(t0, t2) / (2 * calls) * 1e6);
  closesocket(udp.a);
  closesocket(udp.b);
  closesocket(tcp.a);
  closesocket(tcp.b);
  WSACleanup();
  return 0;
}
