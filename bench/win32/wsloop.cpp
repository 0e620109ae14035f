// wsloop: 64-byte round trips on loopback, UDP then TCP, timed inside the program. Each round
// trip makes four Winsock calls (send, receive, send back, receive); the program prints the
// mean time of one call in microseconds for each protocol and for both together:
//   udp <us> tcp <us> all <us>
//   wsloop [round trips per protocol, default 2000]
#include <winsock.h>

#include "LoopTiming.h"

namespace {

// Receives exactly `n` bytes of a stream.
bool RecvAll(SOCKET s, char* buffer, int n) {
  for (int got = 0; got < n;) {
    const int r = recv(s, buffer + got, n - got, 0);
    if (r <= 0) return false;
    got += r;
  }
  return true;
}

bool UdpRoundTrip(loop::Pair& p, char* out, char* in) {
  return sendto(p.a, out, 64, 0, loop::Addr(p.bAddr), sizeof(sockaddr_in)) == 64 &&
         recvfrom(p.b, in, 64, 0, nullptr, nullptr) == 64 &&
         sendto(p.b, in, 64, 0, loop::Addr(p.aAddr), sizeof(sockaddr_in)) == 64 &&
         recvfrom(p.a, in, 64, 0, nullptr, nullptr) == 64;
}

bool TcpRoundTrip(loop::Pair& p, char* out, char* in) {
  return send(p.a, out, 64, 0) == 64 && RecvAll(p.b, in, 64) && send(p.b, in, 64, 0) == 64 &&
         RecvAll(p.a, in, 64);
}

}  // namespace

int main(int argc, char** argv) {
  return loop::Run(
      "wsloop", argc, argv, MAKEWORD(1, 1), [](loop::Pair&) { return true; }, UdpRoundTrip,
      TcpRoundTrip);
}
