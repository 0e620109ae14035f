// klvnt32b.dll: the monitor's private socket library. Each function takes the arguments and
// gives the results of the Winsock 1.1 call named by the rest of its name.
#pragma once

#include <winsock.h>

extern "C" {
int WINAPI QSAStartup(WORD versionRequested, LPWSADATA data);
int WINAPI QSACleanup();
int WINAPI QSAAsyncSelect(SOCKET s, HWND window, u_int message, long events);
int WINAPI QSAGetLastError();
SOCKET WINAPI q_socket(int af, int type, int protocol);
int WINAPI q_bind(SOCKET s, const sockaddr* name, int namelen);
int WINAPI q_getsockname(SOCKET s, sockaddr* name, int* namelen);
u_short WINAPI q_ntohs(u_short netshort);
u_short WINAPI q_htons(u_short hostshort);
u_long WINAPI q_ntohl(u_long netlong);
u_long WINAPI q_htonl(u_long hostlong);
int WINAPI q_recvfrom(SOCKET s, char* buf, int len, int flags, sockaddr* from, int* fromlen);
int WINAPI q_sendto(SOCKET s, const char* buf, int len, int flags, const sockaddr* to, int tolen);
int WINAPI q_closesocket(SOCKET s);
int WINAPI q_setsockopt(SOCKET s, int level, int optname, const char* optval, int optlen);
int WINAPI q_getsockopt(SOCKET s, int level, int optname, char* optval, int* optlen);
int WINAPI q_ioctlsocket(SOCKET s, long cmd, u_long* argp);
int WINAPI q_select(int nfds, fd_set* readfds, fd_set* writefds, fd_set* exceptfds,
                    const timeval* timeout);
}
