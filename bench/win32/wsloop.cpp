// wsloop: 64-byte round trips on loopback, UDP then TCP, timed inside the program. Each round
// trip makes four Winsock calls (send, receive, send back, receive); the program prints the
// mean time of one call in microseconds for each protocol and for both together:
//   udp <us> tcp <us> all <us>
//   wsloop [round trips per protocol, default 2000]
#include <winsock.h>

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

// Two sockets bound to ephemeral loopback ports; `ok` is false when any call failed.
struct Pair {
  SOCKET a = INVALID_SOCKET;
  SOCKET b = INVALID_SOCKET;
  sockaddr_in aAddr = Loopback();
  sockaddr_in bAddr = Loopback();
};

bool UdpPair(Pair& p) {
  p.a = socket(AF_INET, SOCK_DGRAM, 0);
  p.b = socket(AF_INET, SOCK_DGRAM, 0);
  int len = sizeof(sockaddr_in);
  return bind(p.a, Addr(p.aAddr), len) == 0 && bind(p.b, Addr(p.bAddr), len) == 0 &&
         getsockname(p.a, Addr(p.aAddr), &len) == 0 &&
         (len = sizeof(sockaddr_in), getsockname(p.b, Addr(p.bAddr), &len) == 0);
}

bool TcpPair(Pair& p) {
  SOCKET listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in at = Loopback();
  int len = sizeof at;
  if (bind(listener, Addr(at), len) != 0 || listen(listener, 1) != 0 ||
      getsockname(listener, Addr(at), &len) != 0) {
    return false;
  }
  p.a = socket(AF_INET, SOCK_STREAM, 0);
  if (connect(p.a, Addr(at), sizeof at) != 0) return false;
  p.b = accept(listener, nullptr, nullptr);
  closesocket(listener);
  const BOOL on = TRUE;
  setsockopt(p.a, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  setsockopt(p.b, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  return p.b != INVALID_SOCKET;
}

// Receives exactly `n` bytes of a stream.
bool RecvAll(SOCKET s, char* buffer, int n) {
  for (int got = 0; got < n;) {
    const int r = recv(s, buffer + got, n - got, 0);
    if (r <= 0) return false;
    got += r;
  }
  return true;
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
    std::printf("usage: wsloop [round trips]\n");
    return 2;
  }
  WSADATA data;
  if (WSAStartup(MAKEWORD(1, 1), &data) != 0) return 1;
  char out[64] = "sixty-four bytes of loop data, the same every round trip.......";
  char in[64];

  Pair udp;
  Pair tcp;
  if (!UdpPair(udp) || !TcpPair(tcp)) {
    std::printf("wsloop: could not set up the sockets\n");
    return 1;
  }
  LARGE_INTEGER t0, t1, t2;
  QueryPerformanceCounter(&t0);
  for (int i = 0; i < rounds; ++i) {
    if (sendto(udp.a, out, 64, 0, Addr(udp.bAddr), sizeof(sockaddr_in)) != 64 ||
        recvfrom(udp.b, in, 64, 0, nullptr, nullptr) != 64 ||
        sendto(udp.b, in, 64, 0, Addr(udp.aAddr), sizeof(sockaddr_in)) != 64 ||
        recvfrom(udp.a, in, 64, 0, nullptr, nullptr) != 64) {
      std::printf("wsloop: UDP round trip %d failed\n", i);
      return 1;
    }
  }
  QueryPerformanceCounter(&t1);
  for (int i = 0; i < rounds; ++i) {
    if (send(tcp.a, out, 64, 0) != 64 || !RecvAll(tcp.b, in, 64) || send(tcp.b, in, 64, 0) != 64 ||
        !RecvAll(tcp.a, in, 64)) {
      std::printf("wsloop: TCP round trip %d failed\n", i);
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
