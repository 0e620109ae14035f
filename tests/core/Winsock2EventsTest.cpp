// The Winsock 2 payloads of the calls that wait for sockets, select network events and look up
// hosts: each written out here field by field, built by the agent's builder, and read back by
// the window and the JSON export.
#include <gtest/gtest.h>

#include "Winsock2Images.h"
#include "display/RecordLayout.h"

namespace {

using namespace agent::payload;
using namespace ws2images;

TEST(Winsock2Events, SelectAndPollShowTheSocketsAskedAndReady) {
  // Two sockets to read, five seconds; one of them readable.
  const Block select = Image()
                           .I32(0)
                           .I32(1)
                           .I32(0)
                           .I32(0x9)  // the read set and the timeout passed
                           .I32(5)
                           .I32(0)
                           .I32(2)
                           .I32(0)
                           .I32(0)
                           .I32(1)
                           .I32(0)
                           .I32(0)
                           .U64(260)
                           .U64(264)
                           .U64(260)
                           .bytes;
  const std::vector<uint64_t> asked{260, 264}, ready{260};
  Select2Call call{
      0, 1, 0, 0x9, 5, 0, {FdSetImage{2, asked}, {}, {}}, {FdSetImage{1, ready}, {}, {}}};
  EXPECT_EQ(Built([&](auto out) { return BuildSelect2(out, call); }), select);
  const auto record = Record(76, select);
  ExpectText(*record,
             {"select (nfds=0, #reads=2, #writes=0, #excepts=0, tv_sec=5, tv_usec=0,... )"},
             {"select (nfds=0, #reads=2, #writes=0, #excepts=0, tv_sec=5, tv_usec=0, "
              "FD_SET.readfds={260, 264} -> {260})"},
             " returns (1 ready)");
  ExpectJson(*record, R"("readfds.in":{"value":"260 264","text":"260, 264"},)"
                      R"("readfds.out":{"value":"260","text":"260"}})");

  // A failed call without a timeout: the sets as passed, nothing after.
  const Block failed = Image()
                           .I32(10038)
                           .I32(-1)
                           .I32(0)
                           .I32(0x3)
                           .Zeros(8)
                           .I32(1)
                           .I32(1)
                           .Zeros(16)
                           .U64(260)
                           .U64(264)
                           .bytes;
  ExpectText(
      *Record(76, failed), {"select (nfds=0, #reads=1, #writes=1, #excepts=0, timeout=NULL,... )"},
      {"select (nfds=0, #reads=1, #writes=1, #excepts=0, timeout=NULL, FD_SET.readfds={260},",
       ".writefds={264})"},
      " returns (WSAENOTSOCK)");
  // A set holds FD_SETSIZE sockets at most, whatever its count says.
  const std::vector<uint64_t> many(64, 7);
  call.before[0] = {70, many};
  Block room(1024);
  EXPECT_EQ(BuildSelect2(room, call), 48u + 8 * (64 + 1));

  const Block poll = Image()
                         .I32(0)
                         .I32(1)
                         .I32(2)
                         .I32(5000)
                         .I32(2)
                         .U64(260)
                         .U16(0x0010)
                         .U16(0x0010)
                         .Zeros(4)
                         .U64(264)
                         .U16(0x0300)
                         .U16(0)
                         .Zeros(4)
                         .bytes;
  const PollEntry entries[] = {{260, 0x0010, 0x0010}, {264, 0x0300, 0}};
  EXPECT_EQ(Built([&](auto out) { return BuildPoll(out, {0, 1, 2, 5000, entries}); }), poll);
  const auto pollRecord = Record(77, poll);
  ExpectText(*pollRecord, {"WSAPoll (nfds=2, timeout=5000,... )"},
             {"WSAPoll (nfds=2, timeout=5000, WSAPOLLFD.fd=260, events=POLLWRNORM, "
              "revents=POLLWRNORM,",
              ".fd=264, events=POLLRDNORM|POLLRDBAND, revents=0)"},
             " returns (1 ready)");
  ExpectJson(*pollRecord, R"("fdArray[1].events":{"value":768,"text":"POLLRDNORM|POLLRDBAND"})");
  // Entries are cut whole to what the payload holds.
  Block small(20 + 16 + 15);
  EXPECT_EQ(BuildPoll(small, {0, 1, 2, 5000, entries}), 36u);
  EXPECT_EQ(small[16], 1);
}

TEST(Winsock2Events, EventSelectionNamesTheEventsAndTheirErrors) {
  const Block async = Image().I32(0).I32(0).U64(260).U64(0x10050).I32(0x21).I32(1025).bytes;
  EXPECT_EQ(Built([](auto out) {
              return BuildSelectEvents(out, {0, 0, 260, 0x10050, 0x21, 1025});
            }),
            async);
  ExpectText(*Record(78, async),
             {"WSAAsyncSelect (SOCKET=260, hWnd=0x00010050, wMsg=1025, lEvent=FD_READ|FD_CLOSE)"},
             {"WSAAsyncSelect (SOCKET=260, hWnd=0x00010050, wMsg=1025, lEvent=FD_READ|FD_CLOSE)"},
             " returns (NO ERROR)");
  // A bit without a name shows as a number; the event handle takes 64 bits.
  const Block event = Image().I32(10022).I32(-1).U64(260).U64(0x123456789).I32(0x408).I32(0).bytes;
  const auto eventRecord = Record(79, event);
  EXPECT_EQ(testrec::Format(*eventRecord, false).lines,
            Lines{"WSAEventSelect (SOCKET=260, hEventObject=0x0000000123456789, "
                  "lNetworkEvents=FD_ACCEPT|0x00000400)"});
  ExpectJson(*eventRecord, R"("hEventObject":{"value":4886718345,"text":"0x0000000123456789"})");

  std::array<int32_t, 10> errors{};
  errors[4] = 10061;
  const Block enumerated =
      Image().I32(0).I32(0).U64(260).U64(0x4C).I32(0x30).Zeros(16).I32(10061).Zeros(20).bytes;
  EXPECT_EQ(Built([&](auto out) {
              return BuildNetworkEvents(out, {0, 0, 260, 0x4C, 0x30, errors});
            }),
            enumerated);
  const auto enumRecord = Record(80, enumerated);
  const std::string line =
      "WSAEnumNetworkEvents (SOCKET=260, hEventObject=0x0000004C, "
      "lNetworkEvents=FD_CONNECT|FD_CLOSE, "
      "iErrorCode[FD_CONNECT_BIT]=WSAECONNREFUSED, iErrorCode[FD_CLOSE_BIT]=0)";
  ExpectText(*enumRecord, {line}, {line}, " returns (NO ERROR)");
  ExpectJson(*enumRecord, R"("iErrorCode":{"value":"0 0 0 0 10061 0 0 0 0 0",)");
  // A failed call filled nothing.
  ExpectText(*Record(80, Image().I32(10038).I32(-1).U64(260).U64(0x4C).Zeros(44).bytes),
             {"WSAEnumNetworkEvents (SOCKET=260, hEventObject=0x0000004C)"},
             {"WSAEnumNetworkEvents (SOCKET=260, hEventObject=0x0000004C)"},
             " returns (WSAENOTSOCK)");
}

// gethostbyname's and gethostbyaddr's fixed part: the hostent pointer, gethostbyaddr's len, type
// and address bytes, and the hostent's address type, length and list counts.
Image HostentHead(int32_t error, uint64_t result, int32_t len, int32_t type, const Block& addr,
                  int16_t addrType, int16_t length, uint16_t aliases, uint16_t addresses) {
  Block bytes = addr;
  bytes.resize(16, 0);
  Image image;
  image.I32(error).I32(0).U64(result).I32(len).I32(type).Raw(bytes);
  image.U16(static_cast<uint16_t>(addrType)).U16(static_cast<uint16_t>(length));
  image.U16(aliases).U16(addresses);
  return image;
}

TEST(Winsock2Events, HostLookupsShowTheHostentReturned) {
  const Block byName = HostentHead(0, 0x5000, 0, 0, {}, 2, 4, 1, 1)
                           .Text("localhost")
                           .Text("localhost")
                           .Text("lh")
                           .Raw({127, 0, 0, 1})
                           .bytes;
  const std::string_view aliases[] = {"lh"};
  const uint8_t loopback[] = {127, 0, 0, 1};
  const uint8_t* const addresses[] = {loopback};
  HostentCall call{0, 0x5000, "localhost", 0, 0, {}, "localhost", aliases, 2, 4, addresses};
  EXPECT_EQ(Built([&](auto out) { return BuildHostent(out, call); }), byName);
  const auto record = Record(86, byName);
  ExpectText(*record, {"gethostbyname (name=localhost,... )"},
             {"gethostbyname (name=localhost, HOSTENT.h_name=localhost,", ".h_aliases=lh",
              ".h_addrtype=AF_INET", ".h_length=4", ".h_addr_list=127.0.0.1)"},
             " returns (127.0.0.1)");
  ExpectJson(*record, R"("h_addr_list":{"value":"127.0.0.1","text":"127.0.0.1"}})");
  // Cut: a text to what fits, an address only whole.
  Block small(48 + 10 + 10 + 2);
  EXPECT_EQ(BuildHostent(small, call), small.size());
  EXPECT_EQ(small[44], 1);  // the alias, cut
  EXPECT_EQ(small[46], 0);  // no address

  Block v6(16, 0);
  v6[15] = 1;
  const Block byAddress =
      HostentHead(0, 0x5000, 16, 23, v6, 23, 16, 0, 1).Text("").Text("ip6-localhost").Raw(v6).bytes;
  ExpectText(*Record(87, byAddress), {"gethostbyaddr (addr=::1, len=16, type=AF_INET6,... )"},
             {"gethostbyaddr (addr=::1, len=16, type=AF_INET6, HOSTENT.h_name=ip6-localhost,",
              ".h_aliases=", ".h_addrtype=AF_INET6", ".h_length=16", ".h_addr_list=::1)"},
             " returns (ip6-localhost)");

  // Its lines stand under the HOSTENT's dot, not under the dots of the address before it.
  const Block v4Address =
      HostentHead(0, 0x5000, 4, 2, {127, 0, 0, 1}, 2, 4, 0, 0).Text("").Text("localhost").bytes;
  const auto rows = display::RecordLayout(format::DisplayModes{.showTime = false, .verbose = true})
                        .Lay(*Record(87, v4Address), "[1] ");
  ASSERT_GE(rows.size(), 2u);
  EXPECT_EQ(rows[1].x, static_cast<int32_t>(rows[0].text.find("HOSTENT.") + 7)) << rows[0].text;

  // A failed lookup has no hostent; its error is named as Winsock 2 names it.
  const Block notFound = HostentHead(11001, 0, 0, 0, {}, 0, 0, 0, 0).Text("no.such.host").bytes;
  EXPECT_EQ(Built([](auto out) {
              return BuildHostent(out, {11001, 0, "no.such.host", 0, 0, {}, "x", {}, 2, 4, {}});
            }),
            notFound);
  const auto failed = Record(86, notFound);
  ExpectText(*failed, {"gethostbyname (name=no.such.host)"}, {"gethostbyname (name=no.such.host)"},
             " returns (WSAHOST_NOT_FOUND)");
  ExpectJson(*failed, R"("result":{"value":0,"text":"WSAHOST_NOT_FOUND"})");

  const Block hostName = Image().I32(0).I32(0).I32(256).Text("quarnet").bytes;
  EXPECT_EQ(Built([](auto out) { return BuildHostName(out, 0, 0, 256, "quarnet"); }), hostName);
  ExpectText(*Record(88, hostName), {"gethostname (namelen=256, name=quarnet)"},
             {"gethostname (namelen=256, name=quarnet)"}, " returns (NO ERROR)");
  EXPECT_EQ(Built([](auto out) { return BuildHostName(out, 10014, -1, 1, "quarnet"); }),
            Image().I32(10014).I32(-1).I32(1).bytes);

  // inet_addr and inet_ntoa keep the Winsock 1.1 payloads.
  EXPECT_EQ(testrec::Format(*Record(89, Built([](auto out) {
                                      return BuildInetAddr(out, 0, 0xFFFFFFFF, "no.such.address");
                                    })),
                            false)
                .returns,
            " returns (INADDR_NONE)");
}

}  // namespace
