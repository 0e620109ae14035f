#include "format/EventFormatter.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "FormatTestRecords.h"
#include "capture/CaptureOptions.h"
#include "protocol/Calls.h"

namespace {

using Lines = std::vector<std::string>;
using namespace agent::payload;
using testrec::Format;
using testrec::Make;

const SockAddrImage kServer = MakeSockAddr(2, 80, {192, 168, 1, 10});

std::unique_ptr<CSpyMsg> Connect(int32_t result, int32_t error) {
  return Make(3, [&](auto out) {
    return BuildBindConnect(
        out, {.error = error, .s = 3, .result = result, .addrLen = 16, .addr = kServer});
  });
}

std::unique_ptr<CSpyMsg> Transfer(int32_t id, TransferCall call, std::string_view data) {
  return Make(id, [&](auto out) {
    const auto bytes = testrec::Bytes(data);
    switch (id) {
      case 16:
        return BuildRecvFrom(out, call, bytes);
      case 19:
        return BuildSendTo(out, call, bytes);
      default:
        return BuildRecvSend(out, call, bytes);
    }
  });
}

void ExpectText(const CSpyMsg& msg, bool verbose, const Lines& lines, const std::string& returns) {
  const auto text = Format(msg, verbose);
  EXPECT_EQ(text.lines, lines);
  EXPECT_EQ(text.returns, returns);
}

TEST(AddressCalls, ConnectBriefAndVerbose) {
  const auto connect = Connect(0, 0);
  ExpectText(*connect, false, {"connect (SOCKET=3,... )"}, " returns (NO ERROR)");
  ExpectText(*connect, true,
             {"connect (SOCKET=3, SOCKADDR.length=16,", ".family=AF_INET", ".port=80",
              ".address=192.168.1.10)"},
             " returns (NO ERROR)");
  ExpectText(*Connect(-1, 10061), false, {"connect (SOCKET=3,... )"}, " returns (WSAECONNREFUSED)");
  ExpectText(*Connect(-1, 0), false, {"connect (SOCKET=3,... )"}, " returns (SOCKET_ERROR)");
}

TEST(AddressCalls, EachCallReadsItsOwnOffsets) {
  const AddressCall call{.error = 0,
                         .s = 3,
                         .result = 7,
                         .addrLen = 16,
                         .addr = MakeSockAddr(2, 50000, {10, 0, 0, 1})};
  const auto accept = Make(0, [&](auto out) { return BuildAccept(out, call); });
  ExpectText(*accept, false, {"accept (SOCKET=3,... )"}, " returns (SOCKET=7)");
  ExpectText(*accept, true,
             {"accept (SOCKET=3, SOCKADDR.length=16,", ".family=AF_INET", ".port=50000",
              ".address=10.0.0.1)"},
             " returns (SOCKET=7)");
  const auto failedAccept = Make(0, [&](auto out) {
    return BuildAccept(out, {.error = 10035, .s = 3, .result = -1, .addrLen = 16});
  });
  ExpectText(*failedAccept, false, {"accept (SOCKET=3,... )"}, " returns (WSAEWOULDBLOCK)");

  AddressCall bind = call;
  bind.addrLen = 12;
  bind.addr = MakeSockAddr(23, 0, {0, 0, 0, 0});
  ExpectText(
      *Make(1, [&](auto out) { return BuildBindConnect(out, bind); }), true,
      {"bind (SOCKET=3, SOCKADDR.length=12,", ".family=0x0017", ".port=0", ".address=0.0.0.0)"},
      " returns (NO ERROR)");
  for (int32_t id : {4, 5}) {
    AddressCall name = call;
    name.result = -1;
    name.error = 10057;
    const auto msg = Make(id, [&](auto out) { return BuildGetName(out, name); });
    const std::string function = id == 4 ? "getpeername" : "getsockname";
    ExpectText(*msg, false, {function + " (SOCKET=3,... )"}, " returns (WSAENOTCONN)");
    ExpectText(*msg, true,
               {function + " (SOCKET=3, SOCKADDR.length=16,", ".family=AF_INET", ".port=50000",
                ".address=10.0.0.1)"},
               " returns (WSAENOTCONN)");
  }
}

TEST(TransferCalls, SendAndRecvLines) {
  const auto send = Transfer(18, {.s = 4, .flags = 0, .result = 120}, std::string(120, 'x'));
  ExpectText(*send, false, {"send (SOCKET=4, flags=0x0000)"}, " returns (120 bytes)");
  ExpectText(*send, true, {"send (SOCKET=4, flags=0x0000)"}, " returns (120 bytes)");
  ExpectText(*Transfer(18, {.s = 4, .flags = 4, .result = 0}, ""), false,
             {"send (SOCKET=4, flags=MSG_DONTROUTE)"}, " returns (0 bytes)");
  ExpectText(*Transfer(15, {.error = 10035, .s = 4, .flags = 2, .result = -1}, ""), false,
             {"recv (SOCKET=4, flags=MSG_PEEK)"}, " returns (WSAEWOULDBLOCK)");
  ExpectText(*Transfer(15, {.s = 4, .flags = 4, .result = -1}, ""), false,
             {"recv (SOCKET=4, flags=0x0004)"}, " returns (SOCKET_ERROR)");
}

TEST(TransferCalls, RecvFromAndSendToAddressLines) {
  const TransferCall call{
      .s = 5, .flags = 1, .result = 3, .addrLen = 16, .addr = MakeSockAddr(2, 53, {8, 8, 4, 4})};
  const auto recvfrom = Transfer(16, call, "abc");
  ExpectText(*recvfrom, false, {"recvfrom (SOCKET=5, flags=MSG_OOB,... )"}, " returns (3 bytes)");
  ExpectText(*recvfrom, true,
             {"recvfrom (SOCKET=5, flags=MSG_OOB, SOCKADDR.length=16,", ".family=AF_INET",
              ".port=53", ".address=8.8.4.4)"},
             " returns (3 bytes)");
  const auto sendto = Transfer(19, call, "abc");
  ExpectText(*sendto, false, {"sendto (SOCKET=5, flags=MSG_OOB,... )"}, " returns (3 bytes)");
  ExpectText(*sendto, true,
             {"sendto (SOCKET=5, flags=MSG_OOB,  SOCKADDR.length=16,", ".family=AF_INET",
              ".port=53", ".address=8.8.4.4)"},
             " returns (3 bytes)");

  TransferCall blocked = call;
  blocked.result = -1;
  blocked.error = 10035;
  blocked.flags = 0;
  ExpectText(*Transfer(16, blocked, "ignored"), true,
             {"recvfrom (SOCKET=5, flags=0x0000, SOCKADDR.length=16,", ".family=AF_INET",
              ".port=53", ".address=8.8.4.4)"},
             " returns (WSAEWOULDBLOCK)");
}

TEST(OtherCalls, OneLineEachInBothForms) {
  struct Case {
    std::unique_ptr<CSpyMsg> msg;
    std::string line;
    std::string returns;
  };
  const uint8_t on[] = {1, 0};
  const uint8_t linger[] = {1, 0, 30, 0, 0xEE};
  Case cases[] = {
      {Make(2, [](auto out) { return BuildCloseSocket(out, {.s = 4}); }), "closesocket (SOCKET=4)",
       " returns (NO ERROR)"},
      {Make(
           2,
           [](auto out) { return BuildCloseSocket(out, {.error = 10038, .s = -1, .result = -1}); }),
       "closesocket (INVALID_SOCKET)", " returns (WSAENOTSOCK)"},
      {Make(20,
            [](auto out) {
              return BuildSockOpt(out, {.s = 4, .level = 0xFFFF, .optname = 8, .optlen = 4},
                                  std::array<uint8_t, 4>{1, 0, 0, 0});
            }),
       "setsockopt (SOCKET=4, SOL_SOCKET, SO_KEEPALIVE=TRUE)", " returns (NO ERROR)"},
      {Make(20,
            [&](auto out) {
              return BuildSockOpt(out, {.s = 4, .level = 0xFFFF, .optname = 8, .optlen = 2}, on);
            }),
       "setsockopt (SOCKET=4, SOL_SOCKET, SO_KEEPALIVE=TRUE)", " returns (NO ERROR)"},
      {Make(6,
            [](auto out) {
              return BuildSockOpt(
                  out,
                  {.error = 10042, .s = 4, .level = 6, .optname = 1, .optlen = 4, .result = -1},
                  std::array<uint8_t, 4>{0, 0, 1, 0});
            }),
       "getsockopt (SOCKET=4, level=0x0006, TCP_NODELAY=TRUE)", " returns (WSAENOPROTOOPT)"},
      {Make(6,
            [](auto out) {
              return BuildSockOpt(out, {.s = 4, .level = 0xFFFF, .optname = 0x1002, .optlen = 4},
                                  std::array<uint8_t, 4>{0, 0, 2, 0});
            }),
       "getsockopt (SOCKET=4, SOL_SOCKET, SO_RCVBUF=131072)", " returns (NO ERROR)"},
      // The option value counts only up to optlen: the linger time lies beyond it here.
      {Make(6,
            [&](auto out) {
              return BuildSockOpt(out, {.s = 4, .level = 0xFFFF, .optname = 0x80, .optlen = 2},
                                  linger);
            }),
       "getsockopt (SOCKET=4, SOL_SOCKET, SO_LINGER=ON, TIME=0)", " returns (NO ERROR)"},
      {Make(6,
            [&](auto out) {
              return BuildSockOpt(out, {.s = 4, .level = 0xFFFF, .optname = 0x80, .optlen = 5},
                                  linger);
            }),
       "getsockopt (SOCKET=4, SOL_SOCKET, SO_LINGER=ON, TIME=30)", " returns (NO ERROR)"},
      {Make(20,
            [&](auto out) {
              return BuildSockOpt(out, {.s = 4, .level = 0xFFFF, .optname = 8, .optlen = -4}, on);
            }),
       "setsockopt (SOCKET=4, SOL_SOCKET, SO_KEEPALIVE=FALSE)", " returns (NO ERROR)"},
      {Make(
           7,
           [](auto out) { return BuildConvert32(out, {.arg = 0x01020304, .result = 0x04030201}); }),
       "htonl (0x01020304)", " returns (0x04030201)"},
      {Make(13, [](auto out) { return BuildConvert32(out, {.arg = 255, .result = 0xFF000000}); }),
       "ntohl (0x000000FF)", " returns (0xFF000000)"},
      {Make(8, [](auto out) { return BuildConvert16(out, {.arg = 0x1F90, .result = 0x901F}); }),
       "htons (0x1F90)", " returns (0x901F)"},
      {Make(14, [](auto out) { return BuildConvert16(out, {.arg = 0x0050, .result = 0x5000}); }),
       "ntohs (0x0050)", " returns (0x5000)"},
      {Make(9, [](auto out) { return BuildInetAddr(out, 0, 0xFFFFFFFF, "abc"); }),
       "inet_addr (abc)", " returns (INADDR_NONE)"},
      {Make(9, [](auto out) { return BuildInetAddr(out, 0, 0x0A01A8C0, "192.168.1.10"); }),
       "inet_addr (192.168.1.10)", " returns (0x0A01A8C0)"},
      {Make(10, [](auto out) { return BuildInetNtoa(out, 0, 0x0A01A8C0, "192.168.1.10"); }),
       "inet_ntoa (0x0A01A8C0)", " returns (192.168.1.10)"},
      {Make(10, [](auto out) { return BuildInetNtoa(out, 0, 0, ""); }), "inet_ntoa (0x00000000)",
       " returns (NULL)"},
      {Make(11, [](auto out) { return BuildIoctl(out, {.s = 4, .cmd = 0x8004667E, .arg = 1}); }),
       "ioctlsocket (SOCKET=4, cmd=FIONBIO, arg=0x00000001)", " returns (NO ERROR)"},
      {Make(11,
            [](auto out) {
              return BuildIoctl(out,
                                {.error = 10022, .s = 4, .cmd = 0x1234, .arg = 0, .result = -1});
            }),
       "ioctlsocket (SOCKET=4, cmd=0x00001234, arg=0x00000000)", " returns (WSAEINVAL)"},
      {Make(12, [](auto out) { return BuildListenShutdown(out, {.s = 4, .value = 5}); }),
       "listen (SOCKET=4, backlog=5)", " returns (NO ERROR)"},
      {Make(21,
            [](auto out) {
              return BuildListenShutdown(out, {.error = 10057, .s = 4, .value = 2, .result = -1});
            }),
       "shutdown (SOCKET=4, how=2)", " returns (WSAENOTCONN)"},
      {Make(17, [](auto out) { return BuildSelect(out, {.result = 1, .reads = 1}); }),
       "select (..,#reads=1, #writes=0, #excepts=0,..)", " returns (NO ERROR)"},
      {Make(17,
            [](auto out) {
              return BuildSelect(out, {.result = 0, .reads = 65535, .writes = 2, .excepts = 3});
            }),
       "select (..,#reads=65535, #writes=2, #excepts=3,..)", " returns (NO ERROR)"},
      {Make(22, [](auto out) { return BuildSocket(out, {.af = 2, .type = 1, .result = 4}); }),
       "socket (af=PF_INET, type=SOCK_STREAM, protocol=0x0000)", " returns (SOCKET=4)"},
      {Make(22,
            [](auto out) {
              return BuildSocket(
                  out, {.error = 10047, .af = 23, .type = 2, .protocol = 17, .result = -1});
            }),
       "socket (af=0x0017, type=SOCK_DGRAM, protocol=0x0011)", " returns (WSAEAFNOSUPPORT)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    ExpectText(*c.msg, false, {c.line}, c.returns);
    ExpectText(*c.msg, true, {c.line}, c.returns);
  }
}

class TimeZone : public ::testing::Test {
 protected:
  void SetUp() override { setenv("TZ", "UTC0", 1); }
  void TearDown() override { unsetenv("TZ"); }
};

TEST_F(TimeZone, GenericAndUnknownIdsCarryTheTimeStamp) {
  auto byName = Make(24, [](auto out) { return BuildGeneric(out, 10035); });
  byName->m_time = 9 * 3600 + 5 * 60 + 3;
  const auto text = Format(*byName, true, true);
  EXPECT_EQ(text.lines, Lines{"09:05:03  gethostbyname(... )"});
  EXPECT_EQ(text.returns, "");
  setenv("TZ", "XYZ-2", 1);
  EXPECT_EQ(Format(*byName, false, true).lines, Lines{"11:05:03  gethostbyname(... )"});

  ExpectText(*testrec::WithoutPayload(45), true, {"WSACleanup(... )"}, "");
  ExpectText(*testrec::WithoutPayload(23), false, {"gethostbyaddr(... )"}, "");
  for (int32_t id : {0xFFFF, -1, 0x10000}) {
    auto unknown = Make(id, [](auto out) { return BuildGeneric(out, 0); });
    ExpectText(*unknown, true, {"??????"}, "");
    unknown->m_time = 0x80000000u;  // a valid time in 2038, not a negative one
    EXPECT_EQ(Format(*unknown, false, true).lines, Lines{"05:14:08  ??????"});
  }
}

TEST_F(TimeZone, TimeStampOnlyOnTheFirstLine) {
  auto connect = Connect(0, 0);
  connect->m_time = 0xFFFFFFFFu;
  EXPECT_EQ(Format(*connect, true, true).lines,
            (Lines{"06:28:15  connect (SOCKET=3, SOCKADDR.length=16,", ".family=AF_INET",
                   ".port=80", ".address=192.168.1.10)"}));
  auto bare = testrec::WithoutPayload(16);
  EXPECT_EQ(Format(*bare, true, true).lines, Lines{"00:00:00  recvfrom(... )"});
}

TEST(NoPayload, PlaceholderInBothForms) {
  for (int32_t id = 0; id <= 22; ++id) {
    const auto msg = testrec::WithoutPayload(id);
    const std::string line = std::string(protocol::calls::Find(id)->name) + "(... )";
    ExpectText(*msg, false, {line}, " SPYNOBUFS");
    ExpectText(*msg, true, {line}, " SPYNOBUFS");
    // An empty block from a trace file is the same as none.
    msg->m_hData = store::Payload(size_t{0});
    ExpectText(*msg, true, {line}, " SPYNOBUFS");
  }
}

// One record of every API id, with a full payload.
std::unique_ptr<CSpyMsg> Sample(int32_t id) {
  const AddressCall address{.s = 3, .result = 1, .addrLen = 16, .addr = kServer};
  const TransferCall transfer{.s = 3, .result = 40, .addrLen = 16, .addr = kServer};
  const std::string data(40, '*');
  const uint8_t value[] = {1, 0, 9, 0};
  return Make(id, [&](std::span<uint8_t> out) -> size_t {
    switch (id) {
      case 0:
        return BuildAccept(out, address);
      case 1:
      case 3:
        return BuildBindConnect(out, address);
      case 4:
      case 5:
        return BuildGetName(out, address);
      case 2:
        return BuildCloseSocket(out, {.s = 3});
      case 6:
      case 20:
        return BuildSockOpt(out, {.s = 3, .level = 0xFFFF, .optname = 0x80, .optlen = 4}, value);
      case 7:
      case 13:
        return BuildConvert32(out, {.arg = 1, .result = 0x01000000});
      case 8:
      case 14:
        return BuildConvert16(out, {.arg = 1, .result = 0x0100});
      case 9:
        return BuildInetAddr(out, 0, 0x0100007F, "127.0.0.1");
      case 10:
        return BuildInetNtoa(out, 0, 0x0100007F, "127.0.0.1");
      case 11:
        return BuildIoctl(out, {.s = 3, .cmd = 0x4004667F, .arg = 12});
      case 12:
      case 21:
        return BuildListenShutdown(out, {.s = 3, .value = 1});
      case 15:
      case 18:
        return BuildRecvSend(out, transfer, testrec::Bytes(data));
      case 16:
        return BuildRecvFrom(out, transfer, testrec::Bytes(data));
      case 19:
        return BuildSendTo(out, transfer, testrec::Bytes(data));
      case 17:
        return BuildSelect(out, {.result = 1, .reads = 1, .writes = 1});
      case 22:
        return BuildSocket(out, {.af = 2, .type = 2, .result = 3});
      default:
        return BuildGeneric(out, 0);
    }
  });
}

TEST(LineCount, EqualsTheLinesFormatEventAppends) {
  for (int32_t id = -1; id <= 47; ++id) {
    for (bool withPayload : {true, false}) {
      const auto msg = withPayload ? Sample(id) : testrec::WithoutPayload(id);
      for (bool verbose : {false, true}) {
        for (bool showTime : {false, true}) {
          SCOPED_TRACE(testing::Message()
                       << "id " << id << " payload " << withPayload << " verbose " << verbose);
          Lines lines;
          format::FormatEvent(*msg, lines, showTime, verbose);
          EXPECT_EQ(format::GetEventLineCount(*msg, verbose), static_cast<int>(lines.size()));
        }
      }
      EXPECT_EQ(format::HasDataBlock(*msg), id == 15 || id == 16 || id == 18 || id == 19);
    }
  }
  EXPECT_EQ(format::GetEventLineCount(*Sample(16), true), 4);
  EXPECT_EQ(format::GetEventLineCount(*Sample(16), false), 1);
  EXPECT_EQ(format::GetEventLineCount(*Sample(15), true), 1);
  EXPECT_EQ(format::GetEventLineCount(*testrec::WithoutPayload(3), true), 1);
}

TEST(DataBlock, LimitsFailedCallsAndOtherCalls) {
  std::string hundred;
  for (int i = 0; i < 100; ++i) hundred += static_cast<char>('0' + i % 10);
  const auto recv = Transfer(15, {.s = 4, .result = 100}, hundred);
  EXPECT_EQ(format::GetDataRowCount(*recv, -1), 7);
  EXPECT_EQ(format::GetDataRowCount(*recv, 0), 0);
  EXPECT_EQ(format::GetDataRowCount(*recv, 17), 2);
  Lines lines{"kept"};
  EXPECT_EQ(format::FormatDataBlock(*recv, lines, 17), 5);
  EXPECT_EQ(lines, (Lines{"kept", "0000:   30 31 32 33 34 35 36 37   38 39 30 31 32 33 34 35 ",
                          "0123456789012345", "0010:   36 ", "6"}));
  lines.clear();
  EXPECT_EQ(format::FormatDataBlock(*recv, lines, 0), 0);

  const auto failed = Transfer(16, {.error = 10035, .s = 4, .result = -1}, hundred);
  EXPECT_EQ(format::GetDataRowCount(*failed, -1), 0);
  EXPECT_EQ(format::FormatDataBlock(*failed, lines, -1), 0);

  // The long layouts dump what follows their 48-byte fixed part.
  const auto sendto = Transfer(19, {.s = 4, .result = 20}, "ABC DEF GHI JKLM\r\n\r\n");
  EXPECT_EQ(format::FormatDataBlock(*sendto, lines, -1), 4);
  EXPECT_EQ(lines, (Lines{"0000:   41 42 43 20 44 45 46 20   47 48 49 20 4A 4B 4C 4D ",
                          "ABC.DEF.GHI.JKLM", "0010:   0D 0A 0D 0A ", "...."}));

  lines.clear();
  EXPECT_EQ(format::FormatDataBlock(*Sample(3), lines, -1), 0);
  EXPECT_EQ(format::GetDataRowCount(*Sample(3), -1), 0);
  EXPECT_EQ(format::GetDataRowCount(*testrec::WithoutPayload(18), -1), 0);
}

TEST(DataBlock, StatedCountRunningPastThePayloadIsCut) {
  auto send = Transfer(18, {.s = 4, .result = 100}, "0123456789ABCDEFxyz");
  std::vector<uint8_t> bytes(send->PayloadBytes().begin(), send->PayloadBytes().end());
  protocol::bytes::PutLE32(bytes.data() + 20, 0x7FFFFFFF);
  send->m_hData = store::Payload(std::move(bytes));
  Lines lines;
  EXPECT_EQ(format::FormatDataBlock(*send, lines, -1), 4);
  EXPECT_EQ(lines[3], "xyz");
  EXPECT_EQ(format::GetDataRowCount(*send, -1), 2);
  EXPECT_EQ(format::GetDataRowCount(*send, 16), 1);
}

// Only a count above every "Up to" limit can be the size of a message cutting the data.
TEST(DataBlock, NoteTellsWhenTheMessageSizeCutTheData) {
  constexpr int32_t kMost = capture::kUpToBytesMax;
  const std::string data(kMost + 1, 'x');
  const auto note = [&](int32_t id, int32_t result, size_t captured) {
    return format::FormatCaptureNote(
        *Transfer(id, {.s = 4, .result = result}, data.substr(0, captured)));
  };
  EXPECT_EQ(note(15, 200000, kMost + 1),
            "(" + std::to_string(kMost + 1) + " of 200000 bytes captured)");
  EXPECT_EQ(note(19, 70000, kMost + 1),
            "(" + std::to_string(kMost + 1) + " of 70000 bytes captured)");
  EXPECT_TRUE(format::HasCaptureNote(*Transfer(16, {.s = 4, .result = 200000}, data)));
  EXPECT_EQ(note(18, 200000, kMost), "");         // the user's own limit
  EXPECT_EQ(note(15, kMost + 1, kMost + 1), "");  // all of it
  EXPECT_EQ(note(15, -1, kMost + 1), "");
  EXPECT_FALSE(format::HasCaptureNote(*testrec::WithoutPayload(15)));
}

// Cuts a record's payload to its first `size` bytes, as a damaged trace file may hold it.
std::unique_ptr<CSpyMsg> Cut(const CSpyMsg& msg, size_t size, size_t zeroPadTo = 0) {
  auto copy = msg.Clone();
  std::vector<uint8_t> bytes(msg.PayloadBytes().begin(), msg.PayloadBytes().begin() + size);
  if (bytes.size() < zeroPadTo) bytes.resize(zeroPadTo, 0);
  copy->m_hData = store::Payload(std::move(bytes));
  return copy;
}

TEST(ShortPayloads, MissingBytesOfEveryLayoutCountAsZero) {
  for (int32_t id = 0; id <= 45; ++id) {
    const auto full = Sample(id);
    for (size_t size = 1; size < full->PayloadBytes().size(); ++size) {
      SCOPED_TRACE(testing::Message() << "id " << id << " cut to " << size);
      const auto cut = Cut(*full, size);
      const auto padded = Cut(*full, size, 48);
      for (bool verbose : {false, true}) {
        const auto text = Format(*cut, verbose);
        EXPECT_EQ(text.lines, Format(*padded, verbose).lines);
        EXPECT_EQ(text.returns, Format(*padded, verbose).returns);
      }
      Lines rows;
      format::FormatDataBlock(*cut, rows, -1);
      const size_t shown = rows.empty() ? 0 : (rows.size() / 2 - 1) * 16 + rows.back().size();
      const size_t dataOffset = id == 16 || id == 19 ? 48 : 24;
      EXPECT_EQ(shown, format::HasDataBlock(*full) && size > dataOffset ? size - dataOffset : 0);
      EXPECT_EQ(format::GetDataRowCount(*cut, -1), static_cast<int>(rows.size() / 2));
    }
  }
}

TEST(ShortPayloads, TextsAndOptionValuesEndAtThePayload) {
  const auto addr = Make(9, [](auto out) { return BuildInetAddr(out, 0, 0, "10.1.2.3"); });
  ExpectText(*Cut(*addr, 16), false, {"inet_addr (10.1)"}, " returns (0x00000000)");
  const auto ntoa = Make(10, [](auto out) { return BuildInetNtoa(out, 0, 1, "10.1.2.3"); });
  ExpectText(*Cut(*ntoa, 12), false, {"inet_ntoa (0x00000001)"}, " returns (NULL)");
  ExpectText(*Cut(*ntoa, 13), false, {"inet_ntoa (0x00000001)"}, " returns (1)");
  const uint8_t linger[] = {1, 0, 30, 0};
  const auto option = Make(6, [&](auto out) {
    return BuildSockOpt(out, {.s = 4, .level = 0xFFFF, .optname = 0x80, .optlen = 4}, linger);
  });
  ExpectText(*Cut(*option, 50), false, {"getsockopt (SOCKET=4, SOL_SOCKET, SO_LINGER=ON, TIME=0)"},
             " returns (NO ERROR)");
  ExpectText(*Cut(*option, 21), false, {"getsockopt (SOCKET=4, level=0x00FF, 0)"},
             " returns (NO ERROR)");
}

}  // namespace
