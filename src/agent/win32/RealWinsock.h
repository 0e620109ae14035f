// The system's WSOCK32.DLL, loaded once by full path from the system directory. The agent
// calls it for the program and for its own datagrams, never through its own exports.
#pragma once

#include <winsock.h>

struct RealWinsock {
  decltype(&::accept) accept;
  decltype(&::bind) bind;
  decltype(&::closesocket) closesocket;
  decltype(&::connect) connect;
  decltype(&::getpeername) getpeername;
  decltype(&::getsockname) getsockname;
  decltype(&::getsockopt) getsockopt;
  decltype(&::htonl) htonl;
  decltype(&::htons) htons;
  decltype(&::inet_addr) inet_addr;
  decltype(&::inet_ntoa) inet_ntoa;
  decltype(&::ioctlsocket) ioctlsocket;
  decltype(&::listen) listen;
  decltype(&::ntohl) ntohl;
  decltype(&::ntohs) ntohs;
  decltype(&::recv) recv;
  decltype(&::recvfrom) recvfrom;
  decltype(&::select) select;
  decltype(&::send) send;
  decltype(&::sendto) sendto;
  decltype(&::setsockopt) setsockopt;
  decltype(&::shutdown) shutdown;
  decltype(&::socket) socket;
  decltype(&::gethostbyaddr) gethostbyaddr;
  decltype(&::gethostbyname) gethostbyname;
  decltype(&::getprotobyname) getprotobyname;
  decltype(&::getprotobynumber) getprotobynumber;
  decltype(&::getservbyname) getservbyname;
  decltype(&::getservbyport) getservbyport;
  decltype(&::gethostname) gethostname;
  decltype(&::WSAAsyncSelect) WSAAsyncSelect;
  decltype(&::WSAAsyncGetHostByAddr) WSAAsyncGetHostByAddr;
  decltype(&::WSAAsyncGetHostByName) WSAAsyncGetHostByName;
  decltype(&::WSAAsyncGetProtoByNumber) WSAAsyncGetProtoByNumber;
  decltype(&::WSAAsyncGetProtoByName) WSAAsyncGetProtoByName;
  decltype(&::WSAAsyncGetServByPort) WSAAsyncGetServByPort;
  decltype(&::WSAAsyncGetServByName) WSAAsyncGetServByName;
  decltype(&::WSACancelAsyncRequest) WSACancelAsyncRequest;
  decltype(&::WSASetBlockingHook) WSASetBlockingHook;
  decltype(&::WSAUnhookBlockingHook) WSAUnhookBlockingHook;
  decltype(&::WSAGetLastError) WSAGetLastError;
  decltype(&::WSASetLastError) WSASetLastError;
  decltype(&::WSACancelBlockingCall) WSACancelBlockingCall;
  decltype(&::WSAIsBlocking) WSAIsBlocking;
  decltype(&::WSAStartup) WSAStartup;
  decltype(&::WSACleanup) WSACleanup;

  // Loads the library and every entry; ends the process with a message when the system has
  // no usable WSOCK32.DLL, since no call could be served then.
  static RealWinsock Load();
};
