#include "format/ValueRenderers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/Bytes.h"

namespace {

using Lines = std::vector<std::string>;

TEST(ValueRenderers, SocketsAndResultsNameTheFailureOnlyForMinusOne) {
  EXPECT_EQ(format::FormatSocket(-1, 0), "INVALID_SOCKET");
  EXPECT_EQ(format::FormatSocket(-1, 10038), "WSAENOTSOCK");
  EXPECT_EQ(format::FormatSocket(5, 10038), "SOCKET=5");
  EXPECT_EQ(format::FormatSocket(-2, 0), "SOCKET=-2");
  EXPECT_EQ(format::FormatResult(0, 10035), "NO ERROR");
  EXPECT_EQ(format::FormatResult(7, 0), "NO ERROR");
  EXPECT_EQ(format::FormatResult(-1, 0), "SOCKET_ERROR");
  EXPECT_EQ(format::FormatResult(-1, 10035), "WSAEWOULDBLOCK");
  EXPECT_EQ(format::FormatResult(-1, 10005), "Error Code = 10005");
  EXPECT_EQ(format::FormatResult(-1, 11001), "Error Code = 11001");
  EXPECT_EQ(format::FormatErrorCode(10004), "WSAEINTR");
  EXPECT_EQ(format::FormatErrorCode(10071), "WSAEREMOTE");
  EXPECT_EQ(format::FormatErrorCode(-5), "Error Code = -5");
}

TEST(ValueRenderers, HexNumbersHaveFixedWidth) {
  EXPECT_EQ(format::FormatHex16(0x8000), "0x8000");
  EXPECT_EQ(format::FormatHex16(0x12345), "0x2345");
  EXPECT_EQ(format::FormatHex16(6), "0x0006");
  EXPECT_EQ(format::FormatHex16(0xFFFFFFFF), "0xFFFF");
  EXPECT_EQ(format::FormatHex32(255), "0x000000FF");
  EXPECT_EQ(format::FormatHex32(0xFFFFFFFF), "0xFFFFFFFF");
}

// The option's value as a 32-bit little-endian int, as most options pass it.
std::string SockOpt(int32_t level, int32_t option, int32_t value) {
  uint8_t bytes[4];
  protocol::bytes::PutLE32(bytes, static_cast<uint32_t>(value));
  return format::FormatSockOpt(level, option, bytes);
}

TEST(ValueRenderers, SocketOptionSuffixes) {
  // A linger is two 16-bit halves: on (low) and time (high).
  EXPECT_EQ(SockOpt(0xFFFF, 0x0080, 30 << 16 | 1), "SO_LINGER=ON, TIME=30");
  EXPECT_EQ(SockOpt(0xFFFF, 0x0080, 30 << 16), "SO_LINGER=OFF");
  EXPECT_EQ(SockOpt(0xFFFF, 0x0080, static_cast<int32_t>(0xFFFF0001u)), "SO_LINGER=ON, TIME=-1");
  // Numbers and flags are the whole 32-bit value: 131072 and 40000 once showed as 0 and -25536.
  EXPECT_EQ(SockOpt(0xFFFF, 0x1001, 0x2000), "SO_SNDBUF=8192");
  EXPECT_EQ(SockOpt(0xFFFF, 0x1002, 131072), "SO_RCVBUF=131072");
  EXPECT_EQ(SockOpt(0xFFFF, 0x1002, 40000), "SO_RCVBUF=40000");
  EXPECT_EQ(SockOpt(0xFFFF, 0x1002, -2), "SO_RCVBUF=-2");
  EXPECT_EQ(SockOpt(0xFFFF, 0x1005, 0x1234), "SO_SNDTIMEO");
  EXPECT_EQ(SockOpt(0xFFFF, -129, 1), "SO_DONTLINGER=TRUE");
  EXPECT_EQ(SockOpt(0xFFFF, 0x0001, 0x10000), "SO_DEBUG=TRUE");
  EXPECT_EQ(SockOpt(0xFFFF, 0x0001, 0), "SO_DEBUG=FALSE");
  EXPECT_EQ(SockOpt(0xFFFF, 0x4000, 1), "16384");
  EXPECT_EQ(SockOpt(0xFFFF, -7, 1), "-7");
  // A short value counts its missing bytes as zero.
  const uint8_t one[] = {1};
  EXPECT_EQ(format::FormatSockOpt(0xFFFF, 0x1001, one), "SO_SNDBUF=1");
}

TEST(ValueRenderers, SocketOptionsAreNamedByTheirLevel) {
  EXPECT_EQ(SockOpt(6, 1, 0), "TCP_NODELAY=FALSE");
  EXPECT_EQ(SockOpt(6, 1, 1), "TCP_NODELAY=TRUE");
  EXPECT_EQ(SockOpt(6, 2, 1), "2");
  EXPECT_EQ(SockOpt(0, 7, 64), "IP_TTL=64");
  EXPECT_EQ(SockOpt(0, 3, 255), "IP_MULTICAST_TTL=255");
  EXPECT_EQ(SockOpt(0, 8, 0x10), "IP_TOS=16");
  EXPECT_EQ(SockOpt(0, 4, 1), "IP_MULTICAST_LOOP=TRUE");
  EXPECT_EQ(SockOpt(0, 9, 0), "IP_DONTFRAGMENT=FALSE");
  const uint8_t membership[] = {224, 0, 0, 251, 10, 0, 0, 1};
  EXPECT_EQ(format::FormatSockOpt(0, 2, membership), "IP_MULTICAST_IF=224.0.0.251");
  EXPECT_EQ(format::FormatSockOpt(0, 5, membership),
            "IP_ADD_MEMBERSHIP=224.0.0.251, INTERFACE=10.0.0.1");
  EXPECT_EQ(format::FormatSockOpt(0, 6, membership),
            "IP_DROP_MEMBERSHIP=224.0.0.251, INTERFACE=10.0.0.1");
  const uint8_t options[] = {0x94, 0x04, 0x00, 0x0A};
  EXPECT_EQ(format::FormatSockOpt(0, 1, options), "IP_OPTIONS=0x9404000A");
  EXPECT_EQ(format::FormatSockOpt(0, 1, {}), "IP_OPTIONS");
  EXPECT_EQ(SockOpt(0, 10, 1), "10");
  // Numbers are options of their own level only.
  EXPECT_EQ(SockOpt(0, 0x0080, 1), "128");
  EXPECT_EQ(SockOpt(0x1234, 1, 1), "1");
}

TEST(ValueRenderers, AddressParts) {
  const uint8_t port8080[] = {0x1F, 0x90};
  const uint8_t port50000[] = {0xC3, 0x50};
  EXPECT_EQ(format::FormatPort(protocol::bytes::GetLE16(port8080, 0)), ".port=8080");
  EXPECT_EQ(format::FormatPort(protocol::bytes::GetLE16(port50000, 0)), ".port=50000");
  EXPECT_EQ(format::FormatAddress({192, 168, 1, 10}), ".address=192.168.1.10");
  EXPECT_EQ(format::FormatInAddr({255, 0, 0, 1}), "255.0.0.1");
  EXPECT_EQ(format::FormatFamily(2), ".family=AF_INET");
  EXPECT_EQ(format::FormatFamily(-1), ".family=0xFFFF");
}

TEST(ValueRenderers, ParameterTexts) {
  EXPECT_EQ(format::FormatLevel(0xFFFF), ", SOL_SOCKET, ");
  EXPECT_EQ(format::FormatLevel(6), ", level=0x0006, ");
  EXPECT_EQ(format::FormatIoctlCommand(0x8004667E), "cmd=FIONBIO, ");
  EXPECT_EQ(format::FormatIoctlCommand(0x4004667F), "cmd=FIONREAD, ");
  EXPECT_EQ(format::FormatIoctlCommand(0x40047307), "cmd=SIOCATMARK, ");
  EXPECT_EQ(format::FormatIoctlCommand(0x1234), "cmd=0x00001234, ");
  EXPECT_EQ(format::FormatRecvFlags(2), "MSG_PEEK");
  EXPECT_EQ(format::FormatRecvFlags(1), "MSG_OOB");
  EXPECT_EQ(format::FormatRecvFlags(3), "0x0003");
  EXPECT_EQ(format::FormatRecvFlags(4), "0x0004");
  EXPECT_EQ(format::FormatSendFlags(4), "MSG_DONTROUTE");
  EXPECT_EQ(format::FormatSendFlags(2), "0x0002");
  EXPECT_EQ(format::FormatSendFlags(0), "0x0000");
  EXPECT_EQ(format::FormatProtocolFamily(2), "PF_INET");
  EXPECT_EQ(format::FormatProtocolFamily(23), "0x0017");
  EXPECT_EQ(format::FormatSocketType(1), "SOCK_STREAM");
  EXPECT_EQ(format::FormatSocketType(2), "SOCK_DGRAM");
  EXPECT_EQ(format::FormatSocketType(3), "0x0003");
}

TEST(DumpRows, TwentyBytesWithLineEnds) {
  const std::string text = "ABC DEF GHI JKLM\r\n\r\n";
  Lines lines;
  format::FormatDumpRows(lines,
                         std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  EXPECT_EQ(lines, (Lines{"0000:   41 42 43 20 44 45 46 20   47 48 49 20 4A 4B 4C 4D ",
                          "ABC.DEF.GHI.JKLM", "0010:   0D 0A 0D 0A ", "...."}));
  EXPECT_EQ(lines[0].size(), 58u);
}

TEST(DumpRows, EightByteRowEndsWithThreeBlanksAndEdgeBytes) {
  const uint8_t data[] = {0x00, 0x20, 0x21, 0x7E, 0x7F, 0x80, 0xFF, 0x0A};
  Lines lines;
  format::FormatDumpRows(lines, data);
  EXPECT_EQ(lines, (Lines{"0000:   00 20 21 7E 7F 80 FF 0A   ", "..!~...."}));
}

TEST(DumpRows, OffsetsPastFourDigitsKeepTwoBlanks) {
  std::vector<uint8_t> data(0x100011, 0x41);
  Lines lines;
  format::FormatDumpRows(lines, data);
  ASSERT_EQ(lines.size(), 2u * 0x10002);
  EXPECT_EQ(lines[2 * 0xFFF], "FFF0:   41 41 41 41 41 41 41 41   41 41 41 41 41 41 41 41 ");
  EXPECT_EQ(lines[2 * 0x1000], "10000:  41 41 41 41 41 41 41 41   41 41 41 41 41 41 41 41 ");
  EXPECT_EQ(lines[2 * 0x10000], "100000:  41 41 41 41 41 41 41 41   41 41 41 41 41 41 41 41 ");
  EXPECT_EQ(lines[2 * 0x10001], "100010:  41 ");
  EXPECT_EQ(lines.back(), "A");
}

}  // namespace
