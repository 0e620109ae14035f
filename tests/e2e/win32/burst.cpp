// Makes a burst of Winsock calls as fast as it can: WSAStartup, N calls of ntohs, WSACleanup.
// "burst send BYTES" makes one send of BYTES bytes on a loopback connection instead, which a
// second thread takes in with recvs of kRecvBytes, each once that many bytes (or the rest) wait:
// the receiving socket's buffer holds them.
// Imports WSOCK32, so that a launcher copy reports every call through the agent.
#include <winsock.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kRecvBytes = 65000;

struct Receiver {
  SOCKET socket;
  int expected;
  int received = 0;
};

DWORD WINAPI Receive(void* context) {
  auto* receiver = static_cast<Receiver*>(context);
  std::vector<char> buffer(kRecvBytes);
  while (receiver->received < receiver->expected) {
    const int want = std::min(kRecvBytes, receiver->expected - receiver->received);
    u_long waiting = 0;
    for (int tries = 0; tries < 200 && ioctlsocket(receiver->socket, FIONREAD, &waiting) == 0 &&
                        waiting < static_cast<u_long>(want);
         ++tries) {
      Sleep(1);
    }
    const int got = recv(receiver->socket, buffer.data(), want, 0);
    if (got <= 0) break;
    receiver->received += got;
  }
  return 0;
}

bool SendOnce(int bytes) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  auto* name = reinterpret_cast<sockaddr*>(&address);
  const SOCKET listener = socket(AF_INET, SOCK_STREAM, 0);
  const SOCKET client = socket(AF_INET, SOCK_STREAM, 0);
  const int buffer = 4 * kRecvBytes;  // the accepted socket's too
  setsockopt(listener, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&buffer),
             sizeof buffer);
  if (bind(listener, name, sizeof address) != 0 || listen(listener, 1) != 0 ||
      getsockname(listener, name, &length) != 0 || connect(client, name, sizeof address) != 0) {
    return false;
  }
  Receiver receiver{accept(listener, nullptr, nullptr), bytes};
  HANDLE thread = CreateThread(nullptr, 0, Receive, &receiver, 0, nullptr);
  std::vector<char> data(static_cast<size_t>(bytes));
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>('a' + i % 26);
  const bool sent = send(client, data.data(), bytes, 0) == bytes;
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  closesocket(receiver.socket);
  closesocket(client);
  closesocket(listener);
  return sent && receiver.received == bytes;
}

}  // namespace

int main(int argc, char** argv) {
  const bool sendOnce = argc > 2 && std::strcmp(argv[1], "send") == 0;
  const int count = argc > 1 ? std::atoi(argv[argc - 1]) : 1498;
  WSADATA data{};
  if (WSAStartup(0x0101, &data) != 0) return 1;
  unsigned sum = 0;
  bool ok = true;
  if (sendOnce) {
    ok = SendOnce(count);
  } else {
    for (int i = 0; i < count; ++i) sum += ntohs(static_cast<u_short>(i));
    ok = sum != 0 || count <= 1;
  }
  WSACleanup();
  return ok ? 0 : 1;
}
