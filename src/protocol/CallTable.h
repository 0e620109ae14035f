// The traced Winsock calls, one row each: everything the agent and the monitor know about a call
// follows from its row. Calls.h reads the table; the build makes the agents' module-definition
// files from it by running it through the preprocessor, so this file holds the table alone.
//
// X(id, key, name, wsock32, ws2_32, flag, args, layout, socketArg, data, lists)
//   id         the API id of its records
//   key        the row's identifier in the code (Id::key, the wrapper Klv_key): the function's
//              name where one library exports it, ws2_<name> for the WS2_32 row of a function
//              both libraries export
//   name       the function, as the program calls it
//   wsock32    the ordinal at which the WSOCK32.DLL agent exports it; 0 where that agent does not
//   ws2_32     the same for the WS2_32.DLL agent
//   flag       the call whose trace flag governs it
//   args       the number of the function's parameters
//   layout     its payload group (PayloadLayout.h)
//   socketArg  whether it takes a socket
//   data       which way its captured data goes (kNone, kSend, kRecv)
//   lists      the dialog lists that show it
//
// The first 46 ids are the Winsock 1.1 calls, numbered by their WSOCK32 ordinals: ids 0-22 are
// ordinals 1-23, ids 23-29 ordinals 51-57, ids 30-45 ordinals 101-116. The Winsock 2 calls
// follow from id 46.
#pragma once

// clang-format off
#define QUARNET_CALLS(X) \
  X(0, accept, accept, 1, 0, accept, 3, kAccept, true, kNone, kBothLists)                                                   \
  X(1, bind, bind, 2, 0, bind, 3, kBindConnect, true, kNone, kBothLists)                                                    \
  X(2, closesocket, closesocket, 3, 0, closesocket, 1, kClose, true, kNone, kBothLists)                                     \
  X(3, connect, connect, 4, 0, connect, 3, kBindConnect, true, kNone, kBothLists)                                           \
  X(4, getpeername, getpeername, 5, 0, getpeername, 3, kGetName, true, kNone, kBothLists)                                   \
  X(5, getsockname, getsockname, 6, 0, getsockname, 3, kGetName, true, kNone, kBothLists)                                   \
  X(6, getsockopt, getsockopt, 7, 0, getsockopt, 5, kOption, true, kNone, kBothLists)                                       \
  X(7, htonl, htonl, 8, 0, htonl, 1, kConvert32, false, kNone, kBothLists)                                                  \
  X(8, htons, htons, 9, 0, htons, 1, kConvert16, false, kNone, kBothLists)                                                  \
  X(9, inet_addr, inet_addr, 10, 0, inet_addr, 1, kInetAddr, false, kNone, kBothLists)                                      \
  X(10, inet_ntoa, inet_ntoa, 11, 0, inet_ntoa, 1, kInetNtoa, false, kNone, kBothLists)                                     \
  X(11, ioctlsocket, ioctlsocket, 12, 0, ioctlsocket, 3, kIoctl, true, kNone, kBothLists)                                   \
  X(12, listen, listen, 13, 0, listen, 2, kListen, true, kNone, kBothLists)                                                 \
  X(13, ntohl, ntohl, 14, 0, ntohl, 1, kConvert32, false, kNone, kBothLists)                                                \
  X(14, ntohs, ntohs, 15, 0, ntohs, 1, kConvert16, false, kNone, kBothLists)                                                \
  X(15, recv, recv, 16, 0, recv, 4, kRecvSend, true, kRecv, kBothLists)                                                     \
  X(16, recvfrom, recvfrom, 17, 0, recvfrom, 6, kRecvFrom, true, kRecv, kBothLists)                                         \
  X(17, select, select, 18, 0, select, 5, kSelect, false, kNone, kBothLists)                                                \
  X(18, send, send, 19, 0, send, 4, kRecvSend, true, kSend, kBothLists)                                                     \
  X(19, sendto, sendto, 20, 0, sendto, 6, kSendTo, true, kSend, kBothLists)                                                 \
  X(20, setsockopt, setsockopt, 21, 0, setsockopt, 5, kOption, true, kNone, kBothLists)                                     \
  X(21, shutdown, shutdown, 22, 0, shutdown, 2, kShutdown, true, kNone, kBothLists)                                         \
  X(22, socket, socket, 23, 0, socket, 3, kSocket, false, kNone, kBothLists)                                                \
  X(23, gethostbyaddr, gethostbyaddr, 51, 0, gethostbyaddr, 3, kGeneric, false, kNone, 0)                                   \
  X(24, gethostbyname, gethostbyname, 52, 0, gethostbyname, 1, kGeneric, false, kNone, 0)                                   \
  X(25, getprotobyname, getprotobyname, 53, 0, getprotobyname, 1, kGeneric, false, kNone, 0)                                \
  X(26, getprotobynumber, getprotobynumber, 54, 0, getprotobynumber, 1, kGeneric, false, kNone, 0)                          \
  X(27, getservbyname, getservbyname, 55, 0, getservbyname, 2, kGeneric, false, kNone, 0)                                   \
  X(28, getservbyport, getservbyport, 56, 0, getservbyport, 2, kGeneric, false, kNone, 0)                                   \
  X(29, gethostname, gethostname, 57, 0, gethostname, 2, kGeneric, false, kNone, 0)                                         \
  X(30, WSAAsyncSelect, WSAAsyncSelect, 101, 0, WSAAsyncSelect, 4, kGeneric, true, kNone, 0)                                \
  X(31, WSAAsyncGetHostByAddr, WSAAsyncGetHostByAddr, 102, 0, WSAAsyncGetHostByAddr, 7, kGeneric, false, kNone, 0)          \
  X(32, WSAAsyncGetHostByName, WSAAsyncGetHostByName, 103, 0, WSAAsyncGetHostByName, 5, kGeneric, false, kNone, 0)          \
  X(33, WSAAsyncGetProtoByNumber, WSAAsyncGetProtoByNumber, 104, 0, WSAAsyncGetProtoByNumber, 5, kGeneric, false, kNone, 0) \
  X(34, WSAAsyncGetProtoByName, WSAAsyncGetProtoByName, 105, 0, WSAAsyncGetProtoByName, 5, kGeneric, false, kNone, 0)       \
  X(35, WSAAsyncGetServByPort, WSAAsyncGetServByPort, 106, 0, WSAAsyncGetServByPort, 6, kGeneric, false, kNone, 0)          \
  X(36, WSAAsyncGetServByName, WSAAsyncGetServByName, 107, 0, WSAAsyncGetServByName, 6, kGeneric, false, kNone, 0)          \
  X(37, WSACancelAsyncRequest, WSACancelAsyncRequest, 108, 0, WSACancelAsyncRequest, 1, kGeneric, false, kNone, 0)          \
  X(38, WSASetBlockingHook, WSASetBlockingHook, 109, 0, WSASetBlockingHook, 1, kGeneric, false, kNone, 0)                   \
  X(39, WSAUnhookBlockingHook, WSAUnhookBlockingHook, 110, 0, WSAUnhookBlockingHook, 0, kGeneric, false, kNone, 0)          \
  X(40, WSAGetLastError, WSAGetLastError, 111, 0, WSAGetLastError, 0, kGeneric, false, kNone, 0)                            \
  X(41, WSASetLastError, WSASetLastError, 112, 0, WSASetLastError, 1, kGeneric, false, kNone, 0)                            \
  X(42, WSACancelBlockingCall, WSACancelBlockingCall, 113, 0, WSACancelBlockingCall, 0, kGeneric, false, kNone, 0)          \
  X(43, WSAIsBlocking, WSAIsBlocking, 114, 0, WSAIsBlocking, 0, kGeneric, false, kNone, 0)                                  \
  X(44, WSAStartup, WSAStartup, 115, 0, WSAStartup, 2, kGeneric, false, kNone, 0)                                           \
  X(45, WSACleanup, WSACleanup, 116, 0, WSACleanup, 0, kGeneric, false, kNone, 0)                                           \
  X(46, ws2_WSAStartup, WSAStartup, 0, 115, WSAStartup, 2, kStartup, false, kNone, 0)                                       \
  X(47, ws2_WSACleanup, WSACleanup, 0, 116, WSACleanup, 0, kCleanup, false, kNone, 0)                                       \
  X(48, ws2_socket, socket, 0, 23, socket, 3, kSocket2, false, kNone, 0)                                                    \
  X(49, ws2_closesocket, closesocket, 0, 3, closesocket, 1, kClose2, true, kNone, 0)                                        \
  X(50, ws2_bind, bind, 0, 2, bind, 3, kBindConnect2, true, kNone, 0)                                                       \
  X(51, ws2_connect, connect, 0, 4, connect, 3, kBindConnect2, true, kNone, 0)                                             \
  X(52, ws2_recv, recv, 0, 16, recv, 4, kRecvSend2, true, kRecv, 0)                                                         \
  X(53, ws2_send, send, 0, 19, send, 4, kRecvSend2, true, kSend, 0)                                                         \
  X(54, ws2_accept, accept, 0, 1, accept, 3, kAccept2, true, kNone, 0)                                                      \
  X(55, WSAAccept, WSAAccept, 0, 37, accept, 5, kAccept2, true, kNone, 0)                                                   \
  X(56, WSASocketA, WSASocketA, 0, 94, socket, 6, kWSASocket, false, kNone, 0)                                              \
  X(57, WSASocketW, WSASocketW, 0, 95, socket, 6, kWSASocket, false, kNone, 0)                                              \
  X(58, WSAConnect, WSAConnect, 0, 41, connect, 7, kWSAConnect, true, kNone, 0)                                             \
  X(59, ws2_listen, listen, 0, 13, listen, 2, kListenShutdown2, true, kNone, 0)                                             \
  X(60, ws2_shutdown, shutdown, 0, 22, shutdown, 2, kListenShutdown2, true, kNone, 0)                                       \
  X(61, ws2_getsockname, getsockname, 0, 6, getsockname, 3, kGetName2, true, kNone, 0)                                      \
  X(62, ws2_getpeername, getpeername, 0, 5, getpeername, 3, kGetName2, true, kNone, 0)                                      \
  X(63, ws2_getsockopt, getsockopt, 0, 7, getsockopt, 5, kOption2, true, kNone, 0)                                          \
  X(64, ws2_setsockopt, setsockopt, 0, 21, setsockopt, 5, kOption2, true, kNone, 0)                                         \
  X(65, ws2_ioctlsocket, ioctlsocket, 0, 10, ioctlsocket, 3, kIoctl2, true, kNone, 0)                                       \
  X(66, WSAIoctl, WSAIoctl, 0, 70, ioctlsocket, 9, kWSAIoctl, true, kNone, 0)                                               \
  X(67, WSADuplicateSocketA, WSADuplicateSocketA, 0, 45, socket, 3, kDuplicateSocket, true, kNone, 0)                       \
  X(68, WSADuplicateSocketW, WSADuplicateSocketW, 0, 46, socket, 3, kDuplicateSocket, true, kNone, 0)                       \
  X(69, WSASend, WSASend, 0, 87, send, 7, kWsaBuffers, true, kSend, 0)                                                      \
  X(70, ws2_sendto, sendto, 0, 20, sendto, 6, kTransferAddr2, true, kSend, 0)                                               \
  X(71, WSASendTo, WSASendTo, 0, 90, sendto, 9, kWsaBuffersAddr, true, kSend, 0)                                            \
  X(72, WSARecv, WSARecv, 0, 82, recv, 7, kWsaBuffers, true, kRecv, 0)                                                      \
  X(73, ws2_recvfrom, recvfrom, 0, 17, recvfrom, 6, kTransferAddr2, true, kRecv, 0)                                         \
  X(74, WSARecvFrom, WSARecvFrom, 0, 84, recvfrom, 9, kWsaBuffersAddr, true, kRecv, 0)                                      \
  X(75, WSAGetOverlappedResult, WSAGetOverlappedResult, 0, 60, recv, 5, kOverlappedResult, true, kRecv, 0)                  \
  X(76, ws2_select, select, 0, 18, select, 5, kSelect2, false, kNone, 0)                                                    \
  X(77, WSAPoll, WSAPoll, 0, 80, select, 3, kPoll, false, kNone, 0)                                                         \
  X(78, ws2_WSAAsyncSelect, WSAAsyncSelect, 0, 101, select, 4, kSelectEvents, true, kNone, 0)                               \
  X(79, WSAEventSelect, WSAEventSelect, 0, 59, select, 3, kSelectEvents, true, kNone, 0)                                    \
  X(80, WSAEnumNetworkEvents, WSAEnumNetworkEvents, 0, 49, select, 3, kNetworkEvents, true, kNone, 0)                       \
  X(81, getaddrinfo, getaddrinfo, 0, 128, inet_addr, 4, kAddrInfo, false, kNone, 0)                                         \
  X(82, GetAddrInfoW, GetAddrInfoW, 0, 30, inet_addr, 4, kAddrInfo, false, kNone, 0)                                        \
  X(83, freeaddrinfo, freeaddrinfo, 0, 127, inet_addr, 1, kFreeAddrInfo, false, kNone, 0)                                   \
  X(84, getnameinfo, getnameinfo, 0, 129, inet_ntoa, 7, kNameInfo, false, kNone, 0)                                         \
  X(85, GetNameInfoW, GetNameInfoW, 0, 32, inet_ntoa, 7, kNameInfo, false, kNone, 0)                                        \
  X(86, ws2_gethostbyname, gethostbyname, 0, 52, inet_addr, 1, kHostent, false, kNone, 0)                                   \
  X(87, ws2_gethostbyaddr, gethostbyaddr, 0, 51, inet_ntoa, 3, kHostent, false, kNone, 0)                                   \
  X(88, ws2_gethostname, gethostname, 0, 57, inet_addr, 2, kHostName, false, kNone, 0)                                      \
  X(89, ws2_inet_addr, inet_addr, 0, 11, inet_addr, 1, kInetAddr, false, kNone, 0)                                          \
  X(90, ws2_inet_ntoa, inet_ntoa, 0, 12, inet_ntoa, 1, kInetNtoa, false, kNone, 0)                                          \
  X(91, inet_pton, inet_pton, 0, 131, inet_addr, 3, kInetPton, false, kNone, 0)                                             \
  X(92, inet_ntop, inet_ntop, 0, 130, inet_ntoa, 4, kInetNtop, false, kNone, 0)                                             \
  X(93, InetPtonW, InetPtonW, 0, 34, inet_addr, 3, kInetPton, false, kNone, 0)                                              \
  X(94, InetNtopW, InetNtopW, 0, 33, inet_ntoa, 4, kInetNtop, false, kNone, 0)                                              \
  X(95, WSAAddressToStringA, WSAAddressToStringA, 0, 38, inet_ntoa, 5, kAddressToString, false, kNone, 0)                   \
  X(96, WSAAddressToStringW, WSAAddressToStringW, 0, 39, inet_ntoa, 5, kAddressToString, false, kNone, 0)                   \
  X(97, WSAStringToAddressA, WSAStringToAddressA, 0, 96, inet_addr, 5, kStringToAddress, false, kNone, 0)                   \
  X(98, WSAStringToAddressW, WSAStringToAddressW, 0, 97, inet_addr, 5, kStringToAddress, false, kNone, 0)
// clang-format on
