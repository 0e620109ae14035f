// The Winsock 2 payloads: each group's bytes written out here field by field, independent of
// the layout constants; the agent's builder must write them, and the window and the JSON export
// must read them back.
#include <gtest/gtest.h>

#include "Winsock2Images.h"

namespace {

using namespace agent::payload;
using namespace ws2images;

TEST(Winsock2Calls, StartupAndCleanup) {
  const Block startup = Image()
                            .I32(0)
                            .I32(0)
                            .U16(0x0202)
                            .U16(0x0202)
                            .U16(0x0202)
                            .Zeros(2)
                            .Text("WinSock 2.0")
                            .Text("Running")
                            .bytes;
  EXPECT_EQ(Built([](auto out) {
              return BuildStartup(out, {0, 0, 0x0202, 0x0202, 0x0202, "WinSock 2.0", "Running"});
            }),
            startup);
  const auto record = Record(46, startup);
  ExpectText(*record, {"WSAStartup (version=2.2, wVersion=2.2, wHighVersion=2.2)"},
             {"WSAStartup (version=2.2, wVersion=2.2, wHighVersion=2.2)"}, " returns (NO ERROR)");
  ExpectJson(*record, R"("szDescription":{"value":"WinSock 2.0","text":"WinSock 2.0"},)"
                      R"("szSystemStatus":{"value":"Running","text":"Running"}})");
  // WSAStartup returns its error: the Winsock 2 family names it.
  const Block refused = Image().I32(10092).I32(10092).U16(0x0003).Zeros(6).Text("").Text("").bytes;
  EXPECT_EQ(testrec::Format(*Record(46, refused), false).returns, " returns (WSAVERNOTSUPPORTED)");

  const Block cleanup = Image().I32(10093).I32(-1).bytes;
  EXPECT_EQ(Built([](auto out) { return BuildCleanup(out, 10093, -1); }), cleanup);
  ExpectText(*Record(47, cleanup), {"WSACleanup ()"}, {"WSACleanup ()"},
             " returns (WSANOTINITIALISED)");
}

TEST(Winsock2Calls, SocketAndCloseHoldHandlesIn64Bits) {
  const Block socket = Image().I32(0).I32(23).I32(2).I32(0).U64(260).bytes;
  EXPECT_EQ(Built([](auto out) { return BuildSocket2(out, {0, 23, 2, 0, 260}); }), socket);
  ExpectText(*Record(48, socket), {"socket (af=PF_INET6, type=SOCK_DGRAM, protocol=0x0000)"},
             {"socket (af=PF_INET6, type=SOCK_DGRAM, protocol=0x0000)"}, " returns (SOCKET=260)");
  // INVALID_SOCKET is all ones, from 32-bit and 64-bit programs alike.
  const Block failed = Image().I32(10047).I32(99).I32(1).I32(0).U64(~uint64_t{0}).bytes;
  const auto failedRecord = Record(48, failed);
  EXPECT_EQ(testrec::Format(*failedRecord, false).returns, " returns (WSAEAFNOSUPPORT)");
  ExpectJson(*failedRecord, R"("af":{"value":99,"text":"0x0063"})");
  ExpectJson(*failedRecord, R"("result":{"value":-1,"text":"WSAEAFNOSUPPORT"})");

  const Block close = Image().I32(0).I32(0).U64(260).bytes;
  EXPECT_EQ(Built([](auto out) { return BuildClose2(out, {0, 0, 260}); }), close);
  const auto closeRecord = Record(49, close);
  ExpectText(*closeRecord, {"closesocket (SOCKET=260)"}, {"closesocket (SOCKET=260)"},
             " returns (NO ERROR)");
  ExpectJson(*closeRecord, R"("api":"closesocket","socket":260,)");
}

// A 64-bit program's socket handle travels as a 32-bit program's of the same value: its low 32
// bits in the ids 0-45, 64 bits widened with the sign in the Winsock 2 ids. INVALID_SOCKET is all
// ones in either width, and shows so.
TEST(Winsock2Calls, HandlesOfBothWidthsTravelAlike) {
  const auto close = [](auto s) {
    return Built([&](auto out) { return BuildCloseSocket(out, {0, Handle(s), 0}); });
  };
  const auto close2 = [](auto s) {
    return Built([&](auto out) { return BuildClose2(out, {0, 0, Handle64(s)}); });
  };
  for (const auto& [s32, s64] :
       {std::pair{uint32_t{500}, uint64_t{500}}, std::pair{~uint32_t{0}, ~uint64_t{0}}}) {
    EXPECT_EQ(close(s64), close(s32));
    EXPECT_EQ(close2(s64), close2(s32));
  }
  EXPECT_EQ(testrec::Format(*Record(2, close(~uint64_t{0})), false).lines,
            Lines{"closesocket (INVALID_SOCKET)"});
  ExpectJson(*Record(49, close2(~uint32_t{0})), R"("s":{"value":-1,"text":"INVALID_SOCKET"})");
}

// bind and connect: the address block holds the length and the address's bytes, up to 128.
Block BindConnect(int32_t error, int32_t result, int32_t length, const Block& address) {
  Block block = address;
  block.resize(128, 0);
  return Image().I32(error).I32(result).U64(260).I32(length).Raw(block).bytes;
}

TEST(Winsock2Calls, AddressesOfEveryFamilyWhole) {
  const Block v4{2, 0, 0x14, 0x82, 127, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0};
  const Block bind = BindConnect(0, 0, 16, v4);
  EXPECT_EQ(Built([&](auto out) { return BuildBindConnect2(out, {0, 0, 260, {16, v4}}); }), bind);
  const auto bindRecord = Record(50, bind);
  ExpectText(*bindRecord, {"bind (SOCKET=260,... )"},
             {"bind (SOCKET=260, SOCKADDR.length=16,", ".family=AF_INET", ".port=5250",
              ".address=127.0.0.1)"},
             " returns (NO ERROR)");
  ExpectJson(*bindRecord, R"("port":{"value":5250,"text":"5250"},)"
                          R"("address":{"value":"127.0.0.1","text":"127.0.0.1"}})");

  const Block v6 = In6(false, 0);
  const Block connect = BindConnect(10061, -1, 28, v6);
  EXPECT_EQ(Built([&](auto out) {
              return BuildBindConnect2(out, {10061, -1, 260, {28, v6}});
            }),
            connect);
  ExpectText(*Record(51, connect), {"connect (SOCKET=260,... )"},
             {"connect (SOCKET=260, SOCKADDR.length=28,", ".family=AF_INET6", ".port=5257",
              ".address=::1)"},
             " returns (WSAECONNREFUSED)");
  EXPECT_EQ(testrec::Format(*Record(51, BindConnect(0, 0, 28, In6(true, 3))), true).lines.back(),
            ".address=fe80::1%3)");

  // Another family: its number and the bytes its length covers after the family.
  const Block other = BindConnect(10047, -1, 6, {17, 0, 0xAB, 0xCD, 0x01, 0x02});
  ExpectText(*Record(50, other), {"bind (SOCKET=260,... )"},
             {"bind (SOCKET=260, SOCKADDR.length=6,", ".family=0x0011", ".bytes=abcd0102)"},
             " returns (WSAEAFNOSUPPORT)");
  // An address longer than the block is cut to it, its length kept.
  const Block longAddress(200, 7);
  const Block cut = Built([&](auto out) {
    return BuildBindConnect2(out, {0, 0, 1, {200, longAddress}});
  });
  EXPECT_EQ(cut.size(), 148u);
  EXPECT_EQ(cut.back(), 7);
}

TEST(Winsock2Calls, RecvAndSendCarryTheirData) {
  const Block send =
      Image().I32(0).I32(5).U64(260).I32(0).I32(5).I32(5).Raw({'H', 'e', 'l', 'l', 'o'}).bytes;
  EXPECT_EQ(Built([](auto out) {
              return BuildRecvSend2(out, {0, 5, 260, 0, 5}, testrec::Bytes("Hello"));
            }),
            send);
  const auto record = Record(53, send);
  ExpectText(*record, {"send (SOCKET=260, len=5, flags=0x0000)"},
             {"send (SOCKET=260, len=5, flags=0x0000)"}, " returns (5 bytes)");
  ExpectJson(*record, R"("data":{"captured":5,"total":5,"hex":"48656c6c6f"})");
  EXPECT_TRUE(format::HasDataBlock(*record));

  const Block refused = Image().I32(10035).I32(-1).U64(260).I32(2).I32(512).I32(0).bytes;
  const auto recv = Record(52, refused);
  ExpectText(*recv, {"recv (SOCKET=260, len=512, flags=MSG_PEEK)"},
             {"recv (SOCKET=260, len=512, flags=MSG_PEEK)"}, " returns (WSAEWOULDBLOCK)");
  ExpectJson(*recv, R"("data":null)");
}

TEST(Winsock2Calls, In6AddressesInTheirShortestForm) {
  const auto text = [](Block a, uint32_t scope = 0) {
    return format::FormatIn6Addr(std::span<const uint8_t, 16>(a.data(), 16), scope);
  };
  EXPECT_EQ(text(Block(16, 0)), "::");
  EXPECT_EQ(text({0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1}),
            "2001:db8::1:0:0:1");
  EXPECT_EQ(text({0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1}),
            "2001:db8:0:1:1:1:1:1");
  EXPECT_EQ(text({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 192, 0, 2, 1}), "::ffff:192.0.2.1");
  EXPECT_EQ(text({0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, 12), "fe80::1%12");
}

}  // namespace
