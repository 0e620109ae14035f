// The Winsock 2 calls that make, connect, name, configure and duplicate sockets: each group's
// bytes written out here field by field, independent of the layout constants; the agent's
// builder must write them, and the window and the JSON export must read them back.
#include <gtest/gtest.h>

#include "Winsock2Images.h"

namespace {

using namespace agent::payload;
using namespace ws2images;

// An address block: the length, then the address's bytes, zero up to 128.
Image& AddressBlock(Image& image, int32_t length, Block address) {
  address.resize(128, 0);
  return image.I32(length).Raw(address);
}

const Block kPeer4{2, 0, 0xC3, 0x50, 127, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0};

TEST(Winsock2Sockets, AcceptFamilyShowsThePeerOfTheNewSocket) {
  Image accept = Image().I32(0).I32(128).U64(260).U64(300).U64(0).U64(0);
  AddressBlock(accept, 16, kPeer4);
  EXPECT_EQ(Built([](auto out) {
              return BuildAccept2(out, {0, 128, 260, 300, 0, 0, {16, kPeer4}});
            }),
            accept.bytes);
  const auto record = Record(54, accept.bytes);
  ExpectText(*record, {"accept (SOCKET=260,... )"},
             {"accept (SOCKET=260, SOCKADDR.length=16,", ".family=AF_INET", ".port=50000",
              ".address=127.0.0.1)"},
             " returns (SOCKET=300)");
  ExpectJson(*record, R"("addrlen_in":{"value":128,"text":"128"},)"
                      R"("addrlen":{"value":16,"text":"16"},)");

  // WSAAccept names its condition function and callback data; here the peer is IPv6.
  const Block v6 = In6(true, 3);
  Image wsaAccept = Image().I32(0).I32(128).U64(260).U64(304).U64(0x7FF6A1B2C3D4).U64(0x10);
  AddressBlock(wsaAccept, 28, v6);
  EXPECT_EQ(Built([&](auto out) {
              return BuildAccept2(out, {0, 128, 260, 304, 0x7FF6A1B2C3D4, 0x10, {28, v6}});
            }),
            wsaAccept.bytes);
  ExpectText(*Record(55, wsaAccept.bytes),
             {"WSAAccept (SOCKET=260, condition=0x00007FF6A1B2C3D4, data=0x00000010,... )"},
             {"WSAAccept (SOCKET=260, condition=0x00007FF6A1B2C3D4, data=0x00000010, "
              "SOCKADDR.length=28,",
              ".family=AF_INET6", ".port=5257", ".address=fe80::1%3)"},
             " returns (SOCKET=304)");

  // A failed accept filled in nothing.
  Image failed = Image().I32(10035).I32(128).U64(260).U64(~uint64_t{0}).U64(0).U64(0);
  AddressBlock(failed, 0, {});
  const auto failedRecord = Record(54, failed.bytes);
  ExpectText(*failedRecord, {"accept (SOCKET=260,... )"},
             {"accept (SOCKET=260, SOCKADDR.length=0,", ".family=AF_UNSPEC", ".bytes=)"},
             " returns (WSAEWOULDBLOCK)");
  ExpectJson(*failedRecord, R"("result":{"value":-1,"text":"WSAEWOULDBLOCK"})");
}

TEST(Winsock2Sockets, WSASocketAndDuplicateSocket) {
  const Block socket =
      Image().I32(0).I32(-1).I32(-1).I32(-1).U64(320).U64(0x22FD10).I32(2).I32(0x281).bytes;
  EXPECT_EQ(Built([](auto out) {
              return BuildWSASocket(out, {0, -1, -1, -1, 320, 0x22FD10, 2, 0x281});
            }),
            socket);
  const auto record = Record(57, socket);
  ExpectText(*record,
             {"WSASocketW (af=FROM_PROTOCOL_INFO, type=FROM_PROTOCOL_INFO, "
              "protocol=FROM_PROTOCOL_INFO, info=0x0022FD10, group=SG_CONSTRAINED_GROUP, "
              "flags=WSA_FLAG_OVERLAPPED|WSA_FLAG_NO_HANDLE_INHERIT|0x0200)"},
             {"WSASocketW (af=FROM_PROTOCOL_INFO, type=FROM_PROTOCOL_INFO, "
              "protocol=FROM_PROTOCOL_INFO, info=0x0022FD10, group=SG_CONSTRAINED_GROUP, "
              "flags=WSA_FLAG_OVERLAPPED|WSA_FLAG_NO_HANDLE_INHERIT|0x0200)"},
             " returns (SOCKET=320)");
  ExpectJson(*record, R"("flags":{"value":641,)");
  EXPECT_EQ(testrec::Format(*Record(56, Image().I32(0).I32(2).I32(1).I32(6).U64(8).Zeros(16).bytes),
                            false)
                .lines[0],
            "WSASocketA (af=PF_INET, type=SOCK_STREAM, protocol=0x0006, info=NULL, group=0, "
            "flags=0)");

  // What the call wrote into the WSAPROTOCOL_INFO is the duplicate's family, type and protocol.
  const Block duplicate =
      Image().I32(0).I32(0).U64(320).I32(4242).Zeros(4).U64(0x22FD10).I32(2).I32(1).I32(6).bytes;
  EXPECT_EQ(Built([](auto out) {
              return BuildDuplicateSocket(out, {0, 0, 320, 4242, 0x22FD10, 2, 1, 6});
            }),
            duplicate);
  ExpectText(*Record(67, duplicate),
             {"WSADuplicateSocketA (SOCKET=320, process=4242, info=0x0022FD10, af=PF_INET, "
              "type=SOCK_STREAM, protocol=0x0006)"},
             {"WSADuplicateSocketA (SOCKET=320, process=4242, info=0x0022FD10, af=PF_INET, "
              "type=SOCK_STREAM, protocol=0x0006)"},
             " returns (NO ERROR)");
  const Block refused = Image().I32(10038).I32(-1).U64(9).I32(4242).Zeros(4).U64(0).Zeros(12).bytes;
  EXPECT_EQ(testrec::Format(*Record(68, refused), false).lines[0],
            "WSADuplicateSocketW (SOCKET=9, process=4242, info=NULL)");
}

TEST(Winsock2Sockets, ConnectListenShutdownAndNames) {
  Image connect = Image().I32(10035).I32(-1).U64(260).U64(0).U64(0).U64(0x1000).U64(0);
  AddressBlock(connect, 16, kPeer4);
  EXPECT_EQ(Built([](auto out) {
              return BuildWSAConnect(out, {10035, -1, 260, {16, kPeer4}, 0, 0, 0x1000, 0});
            }),
            connect.bytes);
  ExpectText(*Record(58, connect.bytes),
             {"WSAConnect (SOCKET=260, caller=NULL, callee=NULL, sqos=0x00001000, gqos=NULL,... )"},
             {"WSAConnect (SOCKET=260, caller=NULL, callee=NULL, sqos=0x00001000, gqos=NULL,",
              "SOCKADDR.length=16,", ".family=AF_INET", ".port=50000", ".address=127.0.0.1)"},
             " returns (WSAEWOULDBLOCK)");

  const Block listen = Image().I32(0).I32(0).U64(260).I32(5).bytes;
  EXPECT_EQ(Built([](auto out) { return BuildListenShutdown2(out, {0, 0, 260, 5}); }), listen);
  ExpectText(*Record(59, listen), {"listen (SOCKET=260, backlog=5)"},
             {"listen (SOCKET=260, backlog=5)"}, " returns (NO ERROR)");
  const auto shutdown = [](int32_t how) {
    return testrec::Format(*Record(60, Image().I32(0).I32(0).U64(260).I32(how).bytes), false)
        .lines[0];
  };
  EXPECT_EQ(shutdown(1), "shutdown (SOCKET=260, how=SD_SEND)");
  EXPECT_EQ(shutdown(7), "shutdown (SOCKET=260, how=7)");

  Image name = Image().I32(0).I32(0).U64(260).I32(128);
  AddressBlock(name, 16, kPeer4);
  EXPECT_EQ(Built([](auto out) {
              return BuildGetName2(out, {0, 0, 260, 128, {16, kPeer4}});
            }),
            name.bytes);
  const auto record = Record(61, name.bytes);
  ExpectText(*record, {"getsockname (SOCKET=260,... )"},
             {"getsockname (SOCKET=260, SOCKADDR.length=16,", ".family=AF_INET", ".port=50000",
              ".address=127.0.0.1)"},
             " returns (NO ERROR)");
  ExpectJson(*record, R"("namelen_in":{"value":128,"text":"128"},"namelen":{"value":16,)");
}

// getsockopt and setsockopt: the option's bytes follow the fixed part.
Block Option(int32_t error, int32_t result, int32_t level, int32_t option, int32_t offered,
             int32_t optlen, const Block& value) {
  return Image()
      .I32(error)
      .I32(result)
      .U64(260)
      .I32(level)
      .I32(option)
      .I32(offered)
      .I32(optlen)
      .Raw(value)
      .bytes;
}

std::string OptionLine(int32_t id, const Block& payload) {
  return testrec::Format(*Record(id, payload), false).lines[0];
}

TEST(Winsock2Sockets, OptionsNamedByLevelWithTheWinsock2Numbers) {
  // getsockopt got one byte of the four it offered.
  const Block nodelay = Option(0, 0, 6, 1, 4, 1, {1});
  EXPECT_EQ(Built([](auto out) {
              return BuildSockOpt2(out, {0, 0, 260, 6, 1, 4, 1}, Block{1});
            }),
            nodelay);
  const auto record = Record(63, nodelay);
  ExpectText(*record, {"getsockopt (SOCKET=260, IPPROTO_TCP, TCP_NODELAY=TRUE)"},
             {"getsockopt (SOCKET=260, IPPROTO_TCP, TCP_NODELAY=TRUE)"}, " returns (NO ERROR)");
  ExpectJson(*record, R"("optname":{"value":1,"text":"TCP_NODELAY"},)"
                      R"("optlen_in":{"value":4,"text":"4"},"optlen":{"value":1,"text":"1"},)"
                      R"("optval":{"value":1,"text":"TCP_NODELAY=TRUE"}})");

  const Block ttl{64, 0, 0, 0};
  EXPECT_EQ(OptionLine(64, Option(0, 0, 0, 4, 4, 4, ttl)),
            "setsockopt (SOCKET=260, IPPROTO_IP, IP_TTL=64)");
  // Winsock 1.1 numbers its IP_* options differently.
  EXPECT_EQ(format::FormatSockOpt(0, 4, ttl), "IP_MULTICAST_LOOP=TRUE");
  EXPECT_EQ(OptionLine(64, Option(0, 0, 0xFFFF, ~4, 4, 4, {1, 0, 0, 0})),
            "setsockopt (SOCKET=260, SOL_SOCKET, SO_EXCLUSIVEADDRUSE=TRUE)");
  EXPECT_EQ(OptionLine(64, Option(0, 0, 0xFFFF, 0x80, 4, 4, {1, 0, 5, 0})),
            "setsockopt (SOCKET=260, SOL_SOCKET, SO_LINGER=ON, TIME=5)");
  EXPECT_EQ(OptionLine(64, Option(0, 0, 41, 27, 4, 4, {1, 0, 0, 0})),
            "setsockopt (SOCKET=260, IPPROTO_IPV6, IPV6_V6ONLY=TRUE)");
  Block mreq6(20, 0);
  mreq6[0] = 0xFF, mreq6[1] = 0x02, mreq6[15] = 1, mreq6[16] = 3;
  EXPECT_EQ(OptionLine(64, Option(0, 0, 41, 12, 20, 20, mreq6)),
            "setsockopt (SOCKET=260, IPPROTO_IPV6, IPV6_ADD_MEMBERSHIP=ff02::1, INTERFACE=3)");
  // Unknown levels and options stay numbers; a failed getsockopt got no value.
  EXPECT_EQ(OptionLine(64, Option(0, 0, 0x1234, 1, 4, 4, {1, 0, 0, 0})),
            "setsockopt (SOCKET=260, level=0x1234, 1)");
  EXPECT_EQ(OptionLine(64, Option(0, 0, 41, 99, 4, 4, {1, 0, 0, 0})),
            "setsockopt (SOCKET=260, IPPROTO_IPV6, 99)");
  const auto failed = Record(63, Option(10042, -1, 6, 1, 4, 0, {}));
  ExpectText(*failed, {"getsockopt (SOCKET=260, IPPROTO_TCP, TCP_NODELAY)"},
             {"getsockopt (SOCKET=260, IPPROTO_TCP, TCP_NODELAY)"}, " returns (WSAENOPROTOOPT)");
}

// WSAIoctl: the fixed part, then the input and the output bytes captured.
Block Ioctl(int32_t error, int32_t result, uint32_t code, int32_t inLen, int32_t outLen,
            int32_t returned, uint64_t overlapped, const Block& input, const Block& output) {
  return Image()
      .I32(error)
      .I32(result)
      .U64(260)
      .I32(static_cast<int32_t>(code))
      .I32(inLen)
      .I32(outLen)
      .I32(returned)
      .U64(overlapped)
      .U64(0)
      .I32(static_cast<int32_t>(input.size()))
      .I32(static_cast<int32_t>(output.size()))
      .Raw(input)
      .Raw(output)
      .bytes;
}

TEST(Winsock2Sockets, IoctlsShowTheirArgumentsWhereTheyGo) {
  // ioctlsocket: FIONBIO's argument goes in, FIONREAD's comes out.
  const Block nonBlocking = Image().I32(0).I32(0).U64(260).I32(0x8004667E).I32(1).I32(1).bytes;
  EXPECT_EQ(Built([](auto out) {
              return BuildIoctl2(out, {0, 0, 260, 0x8004667E, 1, 1});
            }),
            nonBlocking);
  EXPECT_EQ(testrec::Format(*Record(65, nonBlocking), false).lines[0],
            "ioctlsocket (SOCKET=260, cmd=FIONBIO, arg=0x00000001)");
  const auto waiting =
      Record(65, Image().I32(0).I32(0).U64(260).I32(0x4004667F).I32(0).I32(27).bytes);
  ExpectText(*waiting, {"ioctlsocket (SOCKET=260, cmd=FIONREAD, arg=0x0000001B)"},
             {"ioctlsocket (SOCKET=260, cmd=FIONREAD, arg=0x0000001B)"}, " returns (NO ERROR)");
  ExpectJson(*waiting, R"("argp":{"value":0,"text":"0x00000000"},)"
                       R"("argp_out":{"value":27,"text":"0x0000001B"}})");

  const Block keepalive{1, 0, 0, 0, 0x10, 0x27, 0, 0, 0xE8, 3, 0, 0};
  const Block set = Ioctl(0, 0, 0x98000004, 12, 0, 0, 0, keepalive, {});
  EXPECT_EQ(Built([&](auto out) {
              return BuildWSAIoctl(out, {0, 0, 260, 0x98000004, 12, 0, 0, 0, 0}, keepalive, {});
            }),
            set);
  EXPECT_EQ(testrec::Format(*Record(66, set), true).lines[0],
            "WSAIoctl (SOCKET=260, code=SIO_KEEPALIVE_VALS, inlen=12, in=0100000010270000e8030000, "
            "outlen=0, returned=0, overlapped=NULL, routine=NULL)");
  const auto read = Record(66, Ioctl(0, 0, 0x4004667F, 0, 4, 4, 0, {}, {27, 0, 0, 0}));
  EXPECT_EQ(testrec::Format(*read, false).lines[0],
            "WSAIoctl (SOCKET=260, code=FIONREAD, inlen=0, outlen=4, out=1b000000, returned=4, "
            "overlapped=NULL, routine=NULL)");
  ExpectJson(*read, R"("input":{"value":"","text":""},)");
  // An overlapped call that goes on in the background; an unknown code in hexadecimal.
  ExpectText(*Record(66, Ioctl(997, -1, 0x12345678, 0, 8, 0, 0x5000, {}, {})),
             {"WSAIoctl (SOCKET=260, code=0x12345678, inlen=0, outlen=8, returned=0, "
              "overlapped=0x00005000, routine=NULL)"},
             {"WSAIoctl (SOCKET=260, code=0x12345678, inlen=0, outlen=8, returned=0, "
              "overlapped=0x00005000, routine=NULL)"},
             " returns (WSA_IO_PENDING)");
  // What does not fit is cut, the input first.
  std::vector<uint8_t> small(60);
  const Block big(10, 7);
  small.resize(BuildWSAIoctl(small, {0, 0, 260, 1, 10, 10, 10, 0, 0}, big, big));
  EXPECT_EQ(small, Ioctl(0, 0, 1, 10, 10, 10, 0, Block(4, 7), {}));
}

}  // namespace
