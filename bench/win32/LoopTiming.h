// What the timed loops (wsloop through WSOCK32, wsloop2 through WS2_32) share: a UDP and a TCP
// pair of sockets on loopback, and the timing of `rounds` round trips on each, printed as
//   udp <us> tcp <us> all <us>
// the mean time of one call. The including file includes its Winsock header first.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <initializer_list>

namespace loop {

inline sockaddr_in Loopback() {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

inline sockaddr* Addr(sockaddr_in& a) {
  return reinterpret_cast<sockaddr*>(&a);
}

// Two sockets, each bound to an ephemeral loopback port, and those ports' addresses.
struct Pair {
  SOCKET a = INVALID_SOCKET;
  SOCKET b = INVALID_SOCKET;
  sockaddr_in aAddr = Loopback();
  sockaddr_in bAddr = Loopback();
};

// A socket bound to an ephemeral loopback port; `at` is that port's address.
inline SOCKET Bound(int type, sockaddr_in& at) {
  const SOCKET s = socket(AF_INET, type, 0);
  at = Loopback();
  int len = sizeof at;
  if (bind(s, Addr(at), len) != 0 || getsockname(s, Addr(at), &len) != 0) return INVALID_SOCKET;
  return s;
}

inline bool UdpPair(Pair& p) {
  p.a = Bound(SOCK_DGRAM, p.aAddr);
  p.b = Bound(SOCK_DGRAM, p.bAddr);
  return p.a != INVALID_SOCKET && p.b != INVALID_SOCKET;
}

inline bool TcpPair(Pair& p) {
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

inline double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// One 64-byte round trip on a pair: four calls.
using RoundTrip = bool (*)(Pair& p, char* out, char* in);

// The program: WSAStartup with `version`, the pairs (`udpReady` finishes the UDP pair), the
// timed round trips, and the cleanup. Exit status 0, 1 when a call failed, 2 for bad usage.
inline int Run(const char* name, int argc, char** argv, WORD version, bool (*udpReady)(Pair&),
               RoundTrip udp, RoundTrip tcp) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 2000;
  if (rounds <= 0) {
    std::printf("usage: %s [round trips]\n", name);
    return 2;
  }
  WSADATA data;
  if (WSAStartup(version, &data) != 0) return 1;
  char out[64] = "sixty-four bytes of loop data, the same every round trip.......";
  char in[64];

  Pair udpPair;
  Pair tcpPair;
  if (!UdpPair(udpPair) || !udpReady(udpPair) || !TcpPair(tcpPair)) {
    std::printf("%s: could not set up the sockets\n", name);
    return 1;
  }
  LARGE_INTEGER t0, t1, t2;
  QueryPerformanceCounter(&t0);
  for (int i = 0; i < rounds; ++i) {
    if (!udp(udpPair, out, in)) {
      std::printf("%s: UDP round trip %d failed\n", name, i);
      return 1;
    }
  }
  QueryPerformanceCounter(&t1);
  for (int i = 0; i < rounds; ++i) {
    if (!tcp(tcpPair, out, in)) {
      std::printf("%s: TCP round trip %d failed\n", name, i);
      return 1;
    }
  }
  QueryPerformanceCounter(&t2);
  const double calls = 4.0 * rounds;
  std::printf("udp %.2f tcp %.2f all %.2f\n", Seconds(t0, t1) / calls * 1e6,
              Seconds(t1, t2) / calls * 1e6, Seconds(t0, t2) / (2 * calls) * 1e6);
  for (const SOCKET s : {udpPair.a, udpPair.b, tcpPair.a, tcpPair.b}) closesocket(s);
  WSACleanup();
  return 0;
}

}  // namespace loop
