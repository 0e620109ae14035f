// The Winsock 2 lookups and conversions: each payload's bytes written out here field by field,
// independent of the layout constants; the agent's builder must write them, and the window and
// the JSON export must read them back. Wide texts show in the ANSI code page (Windows-1252 in
// the native build) and in JSON as Unicode.
#include <gtest/gtest.h>

#include "Winsock2Images.h"
#include "display/RecordLayout.h"
#include "format/WideText.h"

namespace {

using namespace agent::payload;
using namespace ws2images;

const Block kV4{2, 0, 0x14, 0x82, 127, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0};  // 127.0.0.1:5250

// An address block: the length, then the address padded to 128 bytes.
Block AddressBlock(int32_t length, const Block& address) {
  Block padded = address;
  padded.resize(128, 0);
  return Image().I32(length).Raw(padded).bytes;
}

template <typename Build>
Block BuiltInto(size_t size, Build build) {
  Block out(size, 0xAA);
  out.resize(build(std::span<uint8_t>(out)));
  return out;
}

TEST(Winsock2Lookups, AddressLookupsShowTheListTheyReturned) {
  // getaddrinfo("localhost", "5257") answers ::1 first, with its canonical name, then 127.0.0.1.
  const Block v6 = In6(false, 0);
  const Block v4At5257{2, 0, 0x14, 0x89, 127, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0};
  const Block lookup = Image()
                           .I32(0)
                           .I32(0)
                           .U64(0x000001F2A3B4C5D0)
                           .I32(1)
                           .I32(2)
                           .I32(0)
                           .I32(1)
                           .I32(6)
                           .I32(2)
                           .I32(2)
                           .Narrow("localhost")
                           .Narrow("5257")
                           .I32(2)
                           .I32(23)
                           .I32(1)
                           .I32(6)
                           .I32(28)
                           .Raw(v6)
                           .Narrow("localhost")
                           .I32(0)
                           .I32(2)
                           .I32(1)
                           .I32(6)
                           .I32(16)
                           .Raw(v4At5257)
                           .Null()
                           .bytes;
  const AddrInfoCall call{0,
                          0,
                          0x000001F2A3B4C5D0,
                          AddrInfoFields{2, 0, 1, 6},
                          2,
                          std::string_view("localhost"),
                          std::string_view("5257")};
  const AddrInfoEntry entries[] = {{{2, 23, 1, 6}, {28, v6}, std::string_view("localhost")},
                                   {{0, 2, 1, 6}, {16, v4At5257}, {}}};
  const auto build = [&](std::span<uint8_t> out) {
    size_t size = BuildAddrInfo(out, call);
    for (const AddrInfoEntry& entry : entries) size = AddAddrInfoEntry(out, size, entry);
    return size;
  };
  EXPECT_EQ(Built(build), lookup);
  const auto record = Record(81, lookup);
  const std::string first =
      "getaddrinfo (node=localhost, service=5257, hints={AI_CANONNAME, AF_UNSPEC, SOCK_STREAM, "
      "0x0006}, res=0x000001F2A3B4C5D0";
  ExpectText(*record, {first + ",... )"},
             {first + ",", "ADDRINFO.count=2,",
              ".ai[0]=AF_INET6, SOCK_STREAM, 0x0006, [::1]:5257, flags=AI_CANONNAME, "
              "canonname=localhost",
              ".ai[1]=AF_INET, SOCK_STREAM, 0x0006, 127.0.0.1:5257)"},
             " returns (NO ERROR)");
  ExpectJson(*record, R"("ai[0].family":{"value":23,"text":"AF_INET6"},)");
  ExpectJson(*record, R"("ai[0].port":{"value":5257,"text":"5257"},)"
                      R"("ai[0].address":{"value":"::1","text":"::1"},)"
                      R"("ai[0].canonname":{"value":"localhost","text":"localhost"})");
  ExpectJson(*record, R"("res":{"value":2141640246736,"text":"0x000001F2A3B4C5D0"})");

  // A payload that holds one entry of two still counts both.
  const Block cut = BuiltInto(lookup.size() - 10, build);
  EXPECT_EQ(cut.size(), lookup.size() - (20 + 16 + 8));  // the second entry left out
  EXPECT_EQ(testrec::Format(*Record(81, cut), true).lines.back(),
            ".ai[0]=AF_INET6, SOCK_STREAM, 0x0006, [::1]:5257, flags=AI_CANONNAME, "
            "canonname=localhost)");

  // A numeric lookup of a name fails: the call returns its error, and no list is shown.
  const Block failed = Image()
                           .I32(11001)
                           .I32(11001)
                           .U64(0)
                           .I32(1)
                           .I32(4)
                           .Zeros(12)
                           .I32(0)
                           .I32(0)
                           .Narrow("no.such.host.invalid")
                           .Null()
                           .bytes;
  EXPECT_EQ(Built([](auto out) {
              return BuildAddrInfo(out, {11001,
                                         11001,
                                         0,
                                         AddrInfoFields{4, 0, 0, 0},
                                         0,
                                         std::string_view("no.such.host.invalid"),
                                         {}});
            }),
            failed);
  const auto failedRecord = Record(81, failed);
  const std::string line =
      "getaddrinfo (node=no.such.host.invalid, service=NULL, hints={AI_NUMERICHOST, AF_UNSPEC, "
      "0x0000, 0x0000})";
  ExpectText(*failedRecord, {line}, {line}, " returns (WSAHOST_NOT_FOUND)");
  ExpectJson(*failedRecord, R"("service":{"value":0,"text":"NULL"},)");
  ExpectJson(*failedRecord, R"("error":{"value":11001,"name":"WSAHOST_NOT_FOUND"})");

  // freeaddrinfo hands back the list; it has no result.
  const Block freed = Image().I32(0).I32(0).U64(0x000001F2A3B4C5D0).bytes;
  EXPECT_EQ(Built([](auto out) { return BuildFreeAddrInfo(out, 0, 0x000001F2A3B4C5D0); }), freed);
  const auto freedRecord = Record(83, freed);
  ExpectText(*freedRecord, {"freeaddrinfo (ai=0x000001F2A3B4C5D0)"},
             {"freeaddrinfo (ai=0x000001F2A3B4C5D0)"}, "");
  ExpectJson(*freedRecord, R"("result":null)");
}

TEST(Winsock2Lookups, NameLookupsShowTheAddressAndTheTextsReturned) {
  const Block lookup = Image()
                           .I32(0)
                           .I32(0)
                           .I32(1025)
                           .I32(32)
                           .I32(0x0A)
                           .Raw(AddressBlock(16, kV4))
                           .Narrow("127.0.0.1")
                           .Narrow("5250")
                           .bytes;
  EXPECT_EQ(Built([](auto out) {
              return BuildNameInfo(out, {0,
                                         0,
                                         {16, kV4},
                                         1025,
                                         32,
                                         0x0A,
                                         std::string_view("127.0.0.1"),
                                         std::string_view("5250")});
            }),
            lookup);
  const auto record = Record(84, lookup);
  const std::string first =
      "getnameinfo (hostlen=1025, servlen=32, flags=NI_NUMERICHOST|NI_NUMERICSERV, "
      "host=127.0.0.1, serv=5250";
  ExpectText(
      *record, {first + ",... )"},
      {first + ",", "SOCKADDR.length=16,", ".family=AF_INET", ".port=5250", ".address=127.0.0.1)"},
      " returns (NO ERROR)");
  // The address opens a line of its own under the first parameter, and its lines stand under
  // the dot of its length, not under one of the host's.
  const format::DisplayModes verbose{.showTime = false, .verbose = true, .vertSpace = false};
  const std::vector<display::LayoutRow> rows = display::RecordLayout(verbose).Lay(*record, "[8] ");
  ASSERT_EQ(rows.size(), 5u);
  const auto open = static_cast<int32_t>(rows[0].text.find('(') + 1);
  EXPECT_EQ(rows[1].x, open);
  for (size_t i = 2; i < rows.size(); ++i) EXPECT_EQ(rows[i].x, open + 8) << rows[i].text;

  // A failed lookup leaves its buffers unread.
  const Block failed = Image()
                           .I32(11001)
                           .I32(11001)
                           .I32(1025)
                           .I32(32)
                           .I32(0x04)
                           .Raw(AddressBlock(28, In6(true, 3)))
                           .Null()
                           .Null()
                           .bytes;
  EXPECT_EQ(Built([](auto out) {
              return BuildNameInfo(out, {11001, 11001, {28, In6(true, 3)}, 1025, 32, 4, {}, {}});
            }),
            failed);
  ExpectText(*Record(85, failed),
             {"GetNameInfoW (hostlen=1025, servlen=32, flags=NI_NAMEREQD,... )"},
             {"GetNameInfoW (hostlen=1025, servlen=32, flags=NI_NAMEREQD,", "SOCKADDR.length=28,",
              ".family=AF_INET6", ".port=5257", ".address=fe80::1%3)"},
             " returns (WSAHOST_NOT_FOUND)");
}

TEST(Winsock2Lookups, ConversionsShowTextsAndBytes) {
  const Block loopback6{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  const Block pton = Image().I32(0).I32(1).I32(23).I32(16).Raw(loopback6).Narrow("::1").bytes;
  EXPECT_EQ(Built([&](auto out) {
              return BuildInetPton(out, {0, 1, 23, loopback6, std::string_view("::1")});
            }),
            pton);
  ExpectText(
      *Record(91, pton), {"inet_pton (af=AF_INET6, src=::1, dst=00000000000000000000000000000001)"},
      {"inet_pton (af=AF_INET6, src=::1, dst=00000000000000000000000000000001)"}, " returns (1)");
  const Block refused = Image().I32(10047).I32(-1).I32(99).I32(0).Zeros(16).Narrow("1.2.3.4").bytes;
  EXPECT_EQ(testrec::Format(*Record(91, refused), false).lines[0],
            "inet_pton (af=0x0063, src=1.2.3.4)");
  EXPECT_EQ(testrec::Format(*Record(91, refused), false).returns, " returns (WSAEAFNOSUPPORT)");

  const Block ntop =
      Image().I32(0).I32(2).U64(46).I32(4).Raw({127, 0, 0, 1}).Zeros(12).Narrow("127.0.0.1").bytes;
  EXPECT_EQ(
      Built([](auto out) {
        return BuildInetNtop(out, {0, 2, 46, Block{127, 0, 0, 1}, std::string_view("127.0.0.1")});
      }),
      ntop);
  ExpectText(*Record(92, ntop), {"inet_ntop (af=AF_INET, src=7f000001, size=46)"},
             {"inet_ntop (af=AF_INET, src=7f000001, size=46)"}, " returns (127.0.0.1)");
  // A null result: the error, or NULL without one.
  const Block none = Image().I32(10047).I32(99).U64(46).I32(0).Zeros(16).Null().bytes;
  const auto noneRecord = Record(94, none);
  EXPECT_EQ(testrec::Format(*noneRecord, false).returns, " returns (WSAEAFNOSUPPORT)");
  ExpectJson(*noneRecord, R"("result":{"value":"","text":"WSAEAFNOSUPPORT"})");

  // WSAAddressToStringA: the buffer's length as passed and as set.
  const Block toString = Image()
                             .I32(0)
                             .I32(0)
                             .U64(0)
                             .I32(64)
                             .I32(11)
                             .Raw(AddressBlock(28, In6(false, 0)))
                             .Narrow("[::1]:5257")
                             .bytes;
  EXPECT_EQ(Built([](auto out) {
              return BuildAddressToString(
                  out, {0, 0, {28, In6(false, 0)}, 0, 64, 11, std::string_view("[::1]:5257")});
            }),
            toString);
  const auto toStringRecord = Record(95, toString);
  EXPECT_EQ(testrec::Format(*toStringRecord, false).lines[0],
            "WSAAddressToStringA (protocol_info=NULL, size=64->11, string=[::1]:5257,... )");
  ExpectJson(*toStringRecord, R"("size":{"value":64,"text":"64"},)"
                              R"("size_out":{"value":11,"text":"11"},)");

  // WSAStringToAddressA: the address it filled in, none when it failed.
  const Block toAddress = Image()
                              .I32(0)
                              .I32(0)
                              .I32(2)
                              .I32(128)
                              .U64(0)
                              .Raw(AddressBlock(16, kV4))
                              .Narrow("127.0.0.1:5250")
                              .bytes;
  EXPECT_EQ(Built([](auto out) {
              return BuildStringToAddress(
                  out, {0, 0, std::string_view("127.0.0.1:5250"), 2, 0, 128, {16, kV4}});
            }),
            toAddress);
  const std::string first =
      "WSAStringToAddressA (string=127.0.0.1:5250, af=AF_INET, protocol_info=NULL, length=128";
  ExpectText(
      *Record(97, toAddress), {first + ",... )"},
      {first + ",", "SOCKADDR.length=16,", ".family=AF_INET", ".port=5250", ".address=127.0.0.1)"},
      " returns (NO ERROR)");
  const Block bad = Image()
                        .I32(10022)
                        .I32(-1)
                        .I32(2)
                        .I32(128)
                        .U64(0)
                        .Raw(AddressBlock(0, {}))
                        .Narrow("bad")
                        .bytes;
  const std::string badLine =
      "WSAStringToAddressA (string=bad, af=AF_INET, protocol_info=NULL, length=128)";
  ExpectText(*Record(97, bad), {badLine}, {badLine}, " returns (WSAEINVAL)");
}

TEST(Winsock2Lookups, WideTextsShowInTheAnsiCodePageAndAsUnicodeInJson) {
  // u-umlaut and the euro sign are in Windows-1252, the Cyrillic Zhe is not.
  const std::u16string host = u"b\u00FCcher\u20AC\u0416";
  const Block lookup = Image()
                           .I32(0)
                           .I32(0)
                           .I32(1025)
                           .I32(32)
                           .I32(0)
                           .Raw(AddressBlock(16, kV4))
                           .Wide(host)
                           .Wide(u"5250")
                           .bytes;
  EXPECT_EQ(Built([&](auto out) {
              return BuildNameInfo(out, {0,
                                         0,
                                         {16, kV4},
                                         1025,
                                         32,
                                         0,
                                         std::u16string_view(host),
                                         std::u16string_view(u"5250")});
            }),
            lookup);
  const auto record = Record(85, lookup);
  EXPECT_EQ(testrec::Format(*record, false).lines[0],
            "GetNameInfoW (hostlen=1025, servlen=32, flags=0, host=b\xFC"
            "cher\x80?, serv=5250,... )");
  ExpectJson(*record,
             R"("host":{"value":"b\u00fccher\u20ac\u0416","text":"b\u00fccher\u20ac\u0416"})");

  // A wide result, and a wide text that is no address.
  const Block ntop = Image().I32(0).I32(23).U64(46).I32(16).Zeros(15).Raw({1}).Wide(u"::1").bytes;
  EXPECT_EQ(testrec::Format(*Record(94, ntop), false).returns, " returns (::1)");
  const Block pton = Image().I32(10022).I32(0).I32(23).I32(0).Zeros(16).Wide(u"\u0416::1").bytes;
  const auto ptonRecord = Record(93, pton);
  EXPECT_EQ(testrec::Format(*ptonRecord, false).lines[0], "InetPtonW (af=AF_INET6, src=?::1)");
  EXPECT_EQ(testrec::Format(*ptonRecord, false).returns, " returns (0)");
  ExpectJson(*ptonRecord, R"("src":{"value":"\u0416::1",)");

  // A character beyond 16 bits is one '?'; an unpaired surrogate is U+FFFD, also in JSON.
  const Block units{0x3D, 0xD8, 0x00, 0xDE, 0x00, 0xD8, 'a', 0};
  const std::string utf8 = format::Utf8FromUtf16Le(units);
  EXPECT_EQ(utf8,
            "\xF0\x9F\x98\x80\xEF\xBF\xBD"
            "a");
  EXPECT_EQ(format::AnsiFromUtf8(utf8), "??a");
  const Block odd = Image()
                        .I32(0)
                        .I32(0)
                        .I32(1025)
                        .I32(32)
                        .I32(0)
                        .Raw(AddressBlock(16, kV4))
                        .I32(2)
                        .I32(2)
                        .Raw({0x00, 0xD8, 'a', 0})
                        .Null()
                        .bytes;
  ExpectJson(*Record(85, odd), R"("host":{"value":"\ufffda",)");
}

}  // namespace
