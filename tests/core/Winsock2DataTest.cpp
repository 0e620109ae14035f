// The Winsock 2 calls that move data: sendto, recvfrom, the WSABUF calls and
// WSAGetOverlappedResult. Their payloads are written out here field by field, independent of the
// layout constants; the agent's builder must write them, and the window, the JSON export, the
// trigger and the packet export must read them back.
#include <gtest/gtest.h>

#include "Winsock2Images.h"
#include "agent/PendingReceives.h"
#include "format/PacketExport.h"

namespace {

using namespace agent::payload;
using namespace ws2images;

const Block kV4{2, 0, 0x14, 0x85, 127, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0};  // 127.0.0.1:5253

Block AddressBlock(int32_t length, const Block& address) {
  Block bytes = address;
  bytes.resize(128, 0);
  return Image().I32(length).Raw(bytes).bytes;
}
Block NoAddress() {
  return AddressBlock(-1, {});
}

// The WSABUF calls' fixed part: result, socket, bytes, captured count, flags in and out, buffer
// count, fromlen, OVERLAPPED, completion routine, and the count of lengths listed.
Image Buffers(int32_t error, int32_t result, int32_t bytes, int32_t captured, int32_t flags,
              int32_t flagsOut, int32_t count, int32_t listed, int32_t fromLen, uint64_t overlapped,
              uint64_t s = 260) {
  return Image()
      .I32(error)
      .I32(result)
      .U64(s)
      .I32(bytes)
      .I32(captured)
      .I32(flags)
      .I32(flagsOut)
      .I32(count)
      .I32(fromLen)
      .U64(overlapped)
      .U64(0)
      .I32(listed);
}

TEST(Winsock2Data, SeveralBuffersSendOneMessage) {
  const std::vector<uint32_t> lengths{5, 7};
  const Block send = Buffers(0, 0, 12, 12, 0, 0, 2, 2, 0, 0)
                         .Raw(testrec::Bytes("Hello, world"))
                         .I32(5)
                         .I32(7)
                         .bytes;
  EXPECT_EQ(Built([&](auto out) {
              return BuildWsaBuffers(out, {0, 0, 260, 12, 0, 0, 2, 0, 0, 0, {}},
                                     testrec::Bytes("Hello, world"), lengths);
            }),
            send);
  const auto record = Record(69, send);
  const std::string line =
      "WSASend (SOCKET=260, buffers=2 [5, 7], flags=0x0000, overlapped=NULL, "
      "routine=NULL)";
  ExpectText(*record, {line}, {line}, " returns (12 bytes)");
  EXPECT_EQ(format::FormatMsgFlags(0x4000A), "MSG_PEEK|MSG_WAITALL|0x40000");
  // A record as it arrives, its payload padded to whole datagram chunks.
  Block padded = send;
  padded.resize(244, 0);
  EXPECT_EQ(testrec::Format(*Record(69, padded), false).lines, Lines{line});
  ExpectJson(*record,
             R"("buffers":{"value":2,"text":"2"},"lengths":{"value":"5,7","text":"[5, 7]"})");
  ExpectJson(*record, R"("sent":{"value":12,"text":"12"}},"result":{"value":0,"text":"12 bytes"})");
  ExpectJson(*record, R"("data":{"captured":12,"total":12,"hex":"48656c6c6f2c20776f726c64"})");
  // The data trigger looks into the message across the buffers' border.
  EXPECT_EQ(record->MatchPattern(3, 4, testrec::Bytes("lo, ")), 1);

  // The save limit kept 3 bytes: the lengths follow them. A send that pends has handed its bytes
  // over; a report lists at most the lengths it has room for.
  const Block pending = Buffers(997, -1, 12, 3, 4, 0, 20, 2, 0, 0x2CFE30)
                            .Raw(testrec::Bytes("Hel"))
                            .I32(5)
                            .I32(7)
                            .bytes;
  const auto pendingRecord = Record(69, pending);
  ExpectText(*pendingRecord,
             {"WSASend (SOCKET=260, buffers=20 [5, 7, ...], flags=MSG_DONTROUTE, "
              "overlapped=0x002CFE30, routine=NULL)"},
             {"WSASend (SOCKET=260, buffers=20 [5, 7, ...], flags=MSG_DONTROUTE, "
              "overlapped=0x002CFE30, routine=NULL)"},
             " returns (WSA_IO_PENDING)");
  ExpectJson(*pendingRecord, R"("overlapped":{"value":2948656,"text":"0x002CFE30"})");
  ExpectJson(*pendingRecord, R"("data":{"captured":3,"total":12,"hex":"48656c"})");

  // sendto: the destination of any family, whole.
  const Block v6 = In6(false, 0);
  const Block sendto = Image()
                           .I32(0)
                           .I32(4)
                           .U64(260)
                           .I32(0)
                           .I32(4)
                           .I32(4)
                           .I32(0)
                           .Raw(AddressBlock(28, v6))
                           .Raw(testrec::Bytes("ping"))
                           .bytes;
  EXPECT_EQ(
      Built([&](auto out) {
        return BuildTransferAddr2(out, {0, 4, 260, 0, 4, 0, {28, v6}}, testrec::Bytes("ping"));
      }),
      sendto);
  ExpectText(*Record(70, sendto), {"sendto (SOCKET=260, len=4, flags=0x0000,... )"},
             {"sendto (SOCKET=260, len=4, flags=0x0000, SOCKADDR.length=28,", ".family=AF_INET6",
              ".port=5257", ".address=::1)"},
             " returns (4 bytes)");

  // WSASendTo: the buffers, then the address.
  const Block sendTo = Buffers(0, 0, 3, 3, 0, 0, 1, 1, 0, 0)
                           .Raw(AddressBlock(16, kV4))
                           .Raw(testrec::Bytes("abc"))
                           .I32(3)
                           .bytes;
  EXPECT_EQ(Built([&](auto out) {
              return BuildWsaBuffersAddr(out, {0, 0, 260, 3, 0, 0, 1, 0, 0, 0, {16, kV4}},
                                         testrec::Bytes("abc"), std::vector<uint32_t>{3});
            }),
            sendTo);
  const auto sendToRecord = Record(71, sendTo);
  EXPECT_EQ(testrec::Format(*sendToRecord, true).lines,
            (Lines{"WSASendTo (SOCKET=260, buffers=1 [3], flags=0x0000, overlapped=NULL, "
                   "routine=NULL,",
                   "SOCKADDR.length=16,", ".family=AF_INET", ".port=5253", ".address=127.0.0.1)"}));
  ExpectJson(*sendToRecord, R"("tolen":{"value":16,"text":"16"})");
}

TEST(Winsock2Data, PendingReceiveCollectedByItsOverlapped) {
  // WSARecv pends: the call is shown, no data yet.
  const Block pending = Buffers(997, -1, -1, 0, 2, 0, 1, 1, 0, 0x2CFE30).I32(64).bytes;
  EXPECT_EQ(Built([&](auto out) {
              return BuildWsaBuffers(out, {997, -1, 260, -1, 2, 0, 1, 0, 0x2CFE30, 0, {}}, {},
                                     std::vector<uint32_t>{64});
            }),
            pending);
  const auto pendingRecord = Record(72, pending);
  ExpectText(*pendingRecord,
             {"WSARecv (SOCKET=260, buffers=1 [64], flags=MSG_PEEK, "
              "overlapped=0x002CFE30, routine=NULL)"},
             {"WSARecv (SOCKET=260, buffers=1 [64], flags=MSG_PEEK, "
              "overlapped=0x002CFE30, routine=NULL)"},
             " returns (WSA_IO_PENDING)");
  ExpectJson(*pendingRecord, R"("data":null)");

  // The WSAGetOverlappedResult that collects a WSARecvFrom: the bytes, the flags it returned,
  // the source, and which receive it collected.
  const Block v6 = In6(true, 3);
  const Block collect = Image()
                            .I32(0)
                            .I32(1)
                            .U64(260)
                            .I32(5)
                            .I32(5)
                            .I32(0)
                            .I32(0x8000)
                            .I32(2)
                            .I32(74)
                            .U64(0x2CFE30)
                            .I32(5)
                            .I32(0)
                            .I32(2)
                            .Raw(AddressBlock(28, v6))
                            .Raw(testrec::Bytes("IPv6!"))
                            .I32(4)
                            .I32(60)
                            .bytes;
  EXPECT_EQ(Built([&](auto out) {
              return BuildOverlappedResult(out,
                                           {0, 1, 260, 0x2CFE30, 0, 5, 0x8000, 74, 5, 2, {28, v6}},
                                           testrec::Bytes("IPv6!"), std::vector<uint32_t>{4, 60});
            }),
            collect);
  const auto collected = Record(75, collect);
  ExpectText(*collected,
             {"WSAGetOverlappedResult (SOCKET=260, overlapped=0x002CFE30, wait=FALSE, "
              "collects=WSARecvFrom [4, 60],... )"},
             {"WSAGetOverlappedResult (SOCKET=260, overlapped=0x002CFE30, wait=FALSE, "
              "collects=WSARecvFrom [4, 60],",
              "SOCKADDR.length=28,", ".family=AF_INET6", ".port=5257", ".address=fe80::1%3)"},
             " returns (5 bytes, MSG_PARTIAL)");
  ExpectJson(*collected, R"("lengths":{"value":"4,60","text":"[4, 60]"})");
  ExpectJson(*collected, R"("transferred":{"value":5,"text":"5"},)"
                         R"("flags_out":{"value":32768,"text":"MSG_PARTIAL"}})");
  ExpectJson(*collected, R"("data":{"captured":5,"total":5,"hex":"4950763621"})");
  EXPECT_EQ(format::GetDataRowCount(*collected, -1), 1);

  // The collection of a send, or one still under way: no data.
  const Block ofSend = Image()
                           .I32(0)
                           .I32(1)
                           .U64(260)
                           .I32(-1)
                           .I32(0)
                           .I32(1)
                           .I32(0)
                           .I32(0)
                           .I32(0)
                           .U64(0x2CFE30)
                           .I32(12)
                           .I32(0)
                           .I32(0)
                           .Raw(NoAddress())
                           .bytes;
  const auto sendRecord = Record(75, ofSend);
  ExpectText(*sendRecord, {"WSAGetOverlappedResult (SOCKET=260, overlapped=0x002CFE30, wait=TRUE)"},
             {"WSAGetOverlappedResult (SOCKET=260, overlapped=0x002CFE30, wait=TRUE)"},
             " returns (12 bytes)");
  ExpectJson(*sendRecord, R"("data":null)");
  Block incomplete = ofSend;
  incomplete[0] = 0xE4, incomplete[1] = 0x03, incomplete[4] = 0;  // WSA_IO_INCOMPLETE, FALSE
  EXPECT_EQ(testrec::Format(*Record(75, incomplete), false).returns,
            " returns (WSA_IO_INCOMPLETE)");
}

// The agent's memory of pending receives: each collected once, by the OVERLAPPED and socket that
// started it, forgotten with its socket, and bounded.
TEST(Winsock2Data, PendingReceivesAreRememberedByTheirOverlapped) {
  agent::PendingReceives table;
  const auto receive = [](uint64_t overlapped, uint64_t socket, uint32_t count) {
    agent::PendingReceives::Receive r;
    r.overlapped = overlapped;
    r.socket = socket;
    r.api = 72;
    r.bufferCount = count;
    return r;
  };
  table.Remember(receive(0x100, 4, 1));
  table.Remember(receive(0x200, 4, 20));
  table.Remember(receive(0x100, 8, 2));  // the OVERLAPPED used again: the newer receive
  EXPECT_FALSE(table.Take(0x300, 4));
  const auto taken = table.Take(0x100, 8);
  ASSERT_TRUE(taken);
  EXPECT_EQ(taken->bufferCount, 2u);
  EXPECT_FALSE(table.Take(0x100, 8));  // collected once
  EXPECT_EQ(table.Take(0x200, 4)->Kept(), 16u);

  table.Remember(receive(0x100, 4, 1));
  EXPECT_FALSE(table.Take(0x100, 5));  // collected on another socket: not its receive
  EXPECT_TRUE(table.Empty());
  table.Remember(receive(0x100, 4, 1));
  table.Remember(receive(0x200, 5, 1));
  table.ForgetSocket(4);
  table.Forget(0x200);
  EXPECT_TRUE(table.Empty());

  for (uint64_t i = 1; i <= agent::PendingReceives::kCapacity + 1; ++i) {
    table.Remember(receive(i, 4, 1));
  }
  EXPECT_FALSE(table.Take(1, 4));  // the oldest made room
  EXPECT_TRUE(table.Take(2, 4));
  EXPECT_TRUE(table.Take(agent::PendingReceives::kCapacity + 1, 4));
}

// recvfrom shows the source it got; a receive that failed has none. Records without an address
// take one line in Verbose too.
TEST(Winsock2Data, ReceivesShowTheSourceTheyGot) {
  const Block recvfrom = Image()
                             .I32(0)
                             .I32(2)
                             .U64(260)
                             .I32(0)
                             .I32(512)
                             .I32(2)
                             .I32(128)
                             .Raw(AddressBlock(16, kV4))
                             .Raw({0xAB, 0xCD})
                             .bytes;
  const auto record = Record(73, recvfrom);
  ExpectText(*record, {"recvfrom (SOCKET=260, len=512, flags=0x0000, fromlen=128,... )"},
             {"recvfrom (SOCKET=260, len=512, flags=0x0000, fromlen=128, SOCKADDR.length=16,",
              ".family=AF_INET", ".port=5253", ".address=127.0.0.1)"},
             " returns (2 bytes)");
  ExpectJson(*record, R"("fromlen_in":{"value":128,"text":"128"},"fromlen":{"value":16,)");

  const Block failed =
      Image().I32(10035).I32(-1).U64(260).I32(0).I32(512).I32(0).I32(128).Raw(NoAddress()).bytes;
  EXPECT_EQ(Built([](auto out) {
              return BuildTransferAddr2(out, {10035, -1, 260, 0, 512, 128, {-1, {}}}, {});
            }),
            failed);
  ExpectText(*Record(73, failed), {"recvfrom (SOCKET=260, len=512, flags=0x0000, fromlen=128)"},
             {"recvfrom (SOCKET=260, len=512, flags=0x0000, fromlen=128)"},
             " returns (WSAEWOULDBLOCK)");

  // WSARecvFrom completed at once, with the flags it returned.
  const Block recvFrom = Buffers(0, 0, 1, 1, 0, 0x0100, 1, 1, 28, 0)
                             .Raw(AddressBlock(16, kV4))
                             .Raw({'x'})
                             .I32(1)
                             .bytes;
  const auto recvFromRecord = Record(74, recvFrom);
  EXPECT_EQ(testrec::Format(*recvFromRecord, false).lines,
            (Lines{"WSARecvFrom (SOCKET=260, buffers=1 [1], flags=0x0000, fromlen=28, "
                   "overlapped=NULL, routine=NULL,... )"}));
  EXPECT_EQ(testrec::Format(*recvFromRecord, false).returns, " returns (1 bytes, MSG_TRUNC)");
  ExpectJson(*recvFromRecord, R"("received":{"value":1,"text":"1"})");
}

// The packet export writes the datagrams and streams of IPv6 sockets as IPv6 packets, and
// takes a Winsock 2 socket's type from the call that made it (socket, WSASocketA/W).
TEST(Winsock2Data, PacketsOfEveryFamily) {
  std::vector<SpyMsgPtr> trace;
  const auto socket = [](uint64_t s, int32_t af, int32_t type) {
    return Record(48, Image().I32(0).I32(af).I32(type).I32(0).U64(s).bytes);
  };
  trace.push_back(socket(300, 23, 2));
  trace.push_back(
      Record(50, Image().I32(0).I32(0).U64(300).Raw(AddressBlock(28, In6(false, 0))).bytes));
  // A WSASend on a datagram socket whose type the socket call gave: UDP to its connected peer.
  Block peer = In6(false, 0);
  peer[3] = 0x8A;  // port 5258
  trace.push_back(Record(51, Image().I32(0).I32(0).U64(300).Raw(AddressBlock(28, peer)).bytes));
  trace.push_back(
      Record(69, Buffers(0, 0, 2, 2, 0, 0, 1, 1, 0, 0, 300).Raw({'h', 'i'}).I32(2).bytes));
  // A datagram socket made by WSASocketA: its type is read from the same fields, so a WSARecv,
  // which names no address, is UDP too.
  trace.push_back(testrec::Make(56, [](auto out) {
    return BuildWSASocket(out, {.af = 23, .type = 2, .protocol = 17, .result = 301});
  }));
  trace.push_back(Record(51, Image().I32(0).I32(0).U64(301).Raw(AddressBlock(28, peer)).bytes));
  trace.push_back(Record(72, Buffers(0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 301).Raw({'u'}).I32(1).bytes));
  // A stream socket whose addresses never appear: placeholders of its family.
  trace.push_back(socket(302, 23, 1));
  trace.push_back(
      Record(72, Buffers(0, 0, 3, 3, 0, 0, 1, 1, 0, 0, 302).Raw({'a', 'b', 'c'}).I32(3).bytes));
  trace.push_back(Record(49, Image().I32(0).I32(0).U64(302).bytes));
  for (size_t i = 0; i < trace.size(); ++i) trace[i]->m_time = 1000 + static_cast<uint32_t>(i);

  const std::vector<uint8_t> file = format::WritePcap(trace);
  std::vector<std::vector<uint8_t>> packets;
  for (size_t at = 24; at + 16 <= file.size();) {
    const uint32_t caplen = protocol::bytes::GetLE32(file, at + 8);
    packets.emplace_back(file.begin() + static_cast<std::ptrdiff_t>(at + 16),
                         file.begin() + static_cast<std::ptrdiff_t>(at + 16 + caplen));
    at += 16 + caplen;
  }
  ASSERT_EQ(packets.size(), 3u);
  // The UDP datagram: version 6, payload length 10, next header 17, ::1 port 5257 to ::1 port
  // 5258, the UDP length and a checksum that sums to all ones over the pseudo-header.
  const std::vector<uint8_t>& udp = packets[0];
  ASSERT_EQ(udp.size(), 50u);
  EXPECT_EQ(udp[0], 0x60);
  EXPECT_EQ(udp[4] << 8 | udp[5], 10);
  EXPECT_EQ(udp[6], 17);
  EXPECT_EQ(udp[23], 1);
  EXPECT_EQ(udp[39], 1);
  EXPECT_EQ(udp[40] << 8 | udp[41], 5257);
  EXPECT_EQ(udp[42] << 8 | udp[43], 5258);
  EXPECT_EQ(udp[44] << 8 | udp[45], 10);
  uint32_t sum = 17 + 10;
  for (size_t i = 8; i < 40; i += 2) sum += udp[i] << 8 | udp[i + 1];
  for (size_t i = 40; i < 50; i += 2) sum += udp[i] << 8 | udp[i + 1];
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  EXPECT_EQ(sum, 0xFFFFu);
  EXPECT_EQ(std::string(udp.begin() + 48, udp.end()), "hi");
  EXPECT_EQ(packets[1].size(), 49u);
  EXPECT_EQ(packets[1][6], 17);
  // The stream: TCP from the placeholder peer 2001:2:0:1::1 to the placeholder 2001:2::1, 20-byte
  // header, PSH and ACK.
  const std::vector<uint8_t>& tcp = packets[2];
  ASSERT_EQ(tcp.size(), 63u);
  EXPECT_EQ(tcp[6], 6);
  EXPECT_EQ(Block(tcp.begin() + 8, tcp.begin() + 24),
            (Block{0x20, 0x01, 0, 2, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1}));
  EXPECT_EQ(tcp[24 + 7], 0);
  EXPECT_EQ(tcp[39], 1);
  EXPECT_EQ(tcp[53], 0x18);
  EXPECT_EQ(std::string(tcp.begin() + 60, tcp.end()), "abc");
}

}  // namespace
