#include "agent/win32/RealWinsock.h"

#include <string>

namespace {

[[noreturn]] void Unusable(const std::string& what) {
  FatalAppExitA(0, ("Klvnt32.dll: the system's WSOCK32.DLL " + what).c_str());
  ExitProcess(1);
}

template <class Fn>
void Bind(HMODULE module, const char* name, Fn& fn) {
  FARPROC proc = GetProcAddress(module, name);
  if (proc == nullptr) Unusable(std::string("has no ") + name);
  fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
}

}  // namespace

RealWinsock RealWinsock::Load() {
  char path[MAX_PATH + 16];
  const UINT n = GetSystemDirectoryA(path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) Unusable("cannot be found");
  lstrcatA(path, "\\wsock32.dll");
  HMODULE module = LoadLibraryA(path);
  if (module == nullptr) Unusable(std::string("cannot be loaded from ") + path);

  RealWinsock w{};
#define KLV_BIND(name) Bind(module, #name, w.name)
  KLV_BIND(accept);
  KLV_BIND(bind);
  KLV_BIND(closesocket);
  KLV_BIND(connect);
  KLV_BIND(getpeername);
  KLV_BIND(getsockname);
  KLV_BIND(getsockopt);
  KLV_BIND(htonl);
  KLV_BIND(htons);
  KLV_BIND(inet_addr);
  KLV_BIND(inet_ntoa);
  KLV_BIND(ioctlsocket);
  KLV_BIND(listen);
  KLV_BIND(ntohl);
  KLV_BIND(ntohs);
  KLV_BIND(recv);
  KLV_BIND(recvfrom);
  KLV_BIND(select);
  KLV_BIND(send);
  KLV_BIND(sendto);
  KLV_BIND(setsockopt);
  KLV_BIND(shutdown);
  KLV_BIND(socket);
  KLV_BIND(gethostbyaddr);
  KLV_BIND(gethostbyname);
  KLV_BIND(getprotobyname);
  KLV_BIND(getprotobynumber);
  KLV_BIND(getservbyname);
  KLV_BIND(getservbyport);
  KLV_BIND(gethostname);
  KLV_BIND(WSAAsyncSelect);
  KLV_BIND(WSAAsyncGetHostByAddr);
  KLV_BIND(WSAAsyncGetHostByName);
  KLV_BIND(WSAAsyncGetProtoByNumber);
  KLV_BIND(WSAAsyncGetProtoByName);
  KLV_BIND(WSAAsyncGetServByPort);
  KLV_BIND(WSAAsyncGetServByName);
  KLV_BIND(WSACancelAsyncRequest);
  KLV_BIND(WSASetBlockingHook);
  KLV_BIND(WSAUnhookBlockingHook);
  KLV_BIND(WSAGetLastError);
  KLV_BIND(WSASetLastError);
  KLV_BIND(WSACancelBlockingCall);
  KLV_BIND(WSAIsBlocking);
  KLV_BIND(WSAStartup);
  KLV_BIND(WSACleanup);
#undef KLV_BIND
  return w;
}
