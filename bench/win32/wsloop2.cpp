// wsloop2: wsloop's round trips made with the Winsock 2 calls, through WS2_32: each round trip
// is four calls (WSASend, WSARecv, WSASend back, WSARecv), 64 bytes each, on loopback, UDP (two
// connected datagram sockets) then TCP, timed inside the program. Prints as wsloop does:
//   udp <us> tcp <us> all <us>
//   wsloop2 [round trips per protocol, default 2000]
#include <winsock2.h>

#include "LoopTiming.h"

namespace {

// The datagram sockets talk to each other only.
bool Connect(loop::Pair& p) {
  return connect(p.a, loop::Addr(p.bAddr), sizeof p.bAddr) == 0 &&
         connect(p.b, loop::Addr(p.aAddr), sizeof p.aAddr) == 0;
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

bool RoundTrip(loop::Pair& p, char* out, char* in) {
  return Send(p.a, out, 64) && Receive(p.b, in, 64) && Send(p.b, in, 64) && Receive(p.a, in, 64);
}

}  // namespace

int main(int argc, char** argv) {
  return loop::Run("wsloop2", argc, argv, MAKEWORD(2, 2), Connect, RoundTrip, RoundTrip);
}
