// The machine-readable exports: JSON lines and packets.
#include <gtest/gtest.h>

#include <algorithm>

#include "FormatTestRecords.h"
#include "format/CallFields.h"
#include "format/PacketExport.h"
#include "format/TimeStamp.h"
#include "format/TraceJson.h"

namespace {

using namespace agent::payload;
using testrec::Make;

constexpr std::array<uint8_t, 4> kLoopback{127, 0, 0, 1};

SpyMsgPtr Socket(int32_t s, int32_t type) {
  return Make(22, [=](auto out) { return BuildSocket(out, {.af = 2, .type = type, .result = s}); });
}
SpyMsgPtr Named(int32_t id, int32_t s, uint16_t port, std::array<uint8_t, 4> address = kLoopback) {
  return Make(id, [=](auto out) {
    const agent::payload::AddressCall call{
        .s = s, .addrLen = 16, .addr = MakeSockAddr(2, port, address)};
    return id == 1 || id == 3 ? BuildBindConnect(out, call) : BuildGetName(out, call);
  });
}
SpyMsgPtr Accept(int32_t s, int32_t accepted, uint16_t peerPort) {
  return Make(0, [=](auto out) {
    return BuildAccept(
        out,
        {.s = s, .result = accepted, .addrLen = 16, .addr = MakeSockAddr(2, peerPort, kLoopback)});
  });
}
SpyMsgPtr Transfer(int32_t id, int32_t s, std::string_view data, int32_t result = -2,
                   uint16_t port = 0) {
  return Make(id, [=](auto out) {
    const agent::payload::TransferCall call{
        .s = s,
        .result = result == -2 ? static_cast<int32_t>(data.size()) : result,
        .addrLen = 16,
        .addr = MakeSockAddr(2, port, kLoopback)};
    const auto bytes = testrec::Bytes(data);
    if (id == 16) return BuildRecvFrom(out, call, bytes);
    if (id == 19) return BuildSendTo(out, call, bytes);
    return BuildRecvSend(out, call, bytes);
  });
}
SpyMsgPtr Close(int32_t s) {
  return Make(2, [=](auto out) { return BuildCloseSocket(out, {.s = s}); });
}

struct Packet {
  uint32_t time = 0, caplen = 0, len = 0;
  uint8_t protocol = 0;
  std::string source, destination;  // "a.b.c.d:port"
  uint32_t sequence = 0, ack = 0;
  std::string data;
};

uint32_t BE(std::span<const uint8_t> b, size_t at, size_t width) {
  uint32_t value = 0;
  for (size_t i = 0; i < width; ++i) value = value << 8 | b[at + i];
  return value;
}

std::string Endpoint(std::span<const uint8_t> ip, size_t address, size_t port) {
  return std::to_string(ip[address]) + "." + std::to_string(ip[address + 1]) + "." +
         std::to_string(ip[address + 2]) + "." + std::to_string(ip[address + 3]) + ":" +
         std::to_string(BE(ip, port, 2));
}

// Reads back what WritePcap wrote, checking the file and IPv4 headers on the way.
std::vector<Packet> ReadPcap(const std::vector<uint8_t>& file) {
  EXPECT_EQ(protocol::bytes::GetLE32(file, 0), 0xA1B2C3D4u);
  EXPECT_EQ(protocol::bytes::GetLE32(file, 20), format::kPcapLinkTypeRaw);
  std::vector<Packet> packets;
  for (size_t at = 24; at < file.size();) {
    Packet packet;
    packet.time = protocol::bytes::GetLE32(file, at);
    packet.caplen = protocol::bytes::GetLE32(file, at + 8);
    packet.len = protocol::bytes::GetLE32(file, at + 12);
    const std::span<const uint8_t> ip(&file[at + 16], packet.caplen);
    EXPECT_EQ(ip[0], 0x45);
    EXPECT_EQ(BE(ip, 2, 2), std::min<uint32_t>(packet.len, 0xFFFF));
    uint32_t sum = 0;
    for (size_t i = 0; i < 20; i += 2) sum += BE(ip, i, 2);
    EXPECT_EQ((sum & 0xFFFF) + (sum >> 16), 0xFFFFu) << "IPv4 header checksum";
    packet.protocol = ip[9];
    packet.source = Endpoint(ip, 12, 20);
    packet.destination = Endpoint(ip, 16, 22);
    const size_t headers = packet.protocol == 6 ? 40 : 28;
    if (packet.protocol == 6) {
      packet.sequence = BE(ip, 24, 4);
      packet.ack = BE(ip, 28, 4);
    } else {
      EXPECT_EQ(BE(ip, 24, 2), packet.len - 20);
    }
    packet.data.assign(ip.begin() + headers, ip.end());
    packets.push_back(packet);
    at += 16 + packet.caplen;
  }
  return packets;
}

std::vector<Packet> Export(std::vector<SpyMsgPtr>& trace) {
  for (size_t i = 0; i < trace.size(); ++i) trace[i]->m_time = 1000 + static_cast<uint32_t>(i);
  return ReadPcap(format::WritePcap(trace));
}

TEST(PacketExport, TcpBytesOnceWithSequenceNumbersPerDirection) {
  std::vector<SpyMsgPtr> trace;
  trace.push_back(Socket(10, 1));
  trace.push_back(Named(1, 11, 5150));  // the listener, bound before we see its socket call
  trace.push_back(Named(1, 10, 5151));
  trace.push_back(Named(3, 10, 5150));
  trace.push_back(Accept(11, 12, 5151));
  trace.push_back(Transfer(18, 10, "Hello"));
  trace.push_back(Transfer(18, 10, " world"));
  trace.push_back(Transfer(15, 12, "Hello world"));  // its sender is traced: not again
  trace.push_back(Transfer(18, 12, "ok"));
  trace.push_back(Transfer(18, 12, "0123456789", 100));  // the save limit kept 10 of 100
  trace.push_back(Transfer(18, 10, "again"));
  const std::vector<Packet> packets = Export(trace);
  ASSERT_EQ(packets.size(), 5u);
  const std::string client = "127.0.0.1:5151", server = "127.0.0.1:5150";
  for (const Packet& p : packets) EXPECT_EQ(p.protocol, 6);
  EXPECT_EQ(packets[0].source + ">" + packets[0].destination, client + ">" + server);
  EXPECT_EQ(packets[2].source + ">" + packets[2].destination, server + ">" + client);
  EXPECT_EQ(packets[0].time, 1005u);
  EXPECT_EQ(packets[0].data + packets[1].data, "Hello world");
  EXPECT_EQ(packets[1].sequence, 6u);
  EXPECT_EQ(packets[2].sequence, 1u);
  EXPECT_EQ(packets[2].ack, 12u);
  EXPECT_EQ(packets[3].data, "0123456789");
  EXPECT_EQ(packets[3].caplen, 50u);
  EXPECT_EQ(packets[3].len, 140u);
  EXPECT_EQ(packets[4].sequence, 12u);
  EXPECT_EQ(packets[4].ack, 103u);  // the cut bytes still count in the stream
}

TEST(PacketExport, UntracedSendersPlaceholdersAndReusedHandles) {
  std::vector<SpyMsgPtr> trace;
  trace.push_back(Transfer(15, 20, "abc"));  // a socket whose addresses never appear
  trace.push_back(Close(20));
  trace.push_back(Transfer(15, 20, "de"));  // the handle again: another socket
  trace.push_back(Socket(30, 2));
  trace.push_back(Named(1, 30, 5152));
  trace.push_back(Socket(31, 2));
  trace.push_back(Named(1, 31, 5154));
  trace.push_back(Transfer(19, 31, "udp", -2, 5152));
  trace.push_back(Transfer(16, 30, "udp", -2, 5154));    // sent by a traced socket
  trace.push_back(Transfer(16, 30, "other", -2, 9999));  // sent from outside the trace
  trace.push_back(Transfer(15, 31, "", -1));             // failed: no packet
  const std::vector<Packet> packets = Export(trace);
  ASSERT_EQ(packets.size(), 4u);
  EXPECT_EQ(packets[0].source + ">" + packets[0].destination, "198.19.0.1:1024>198.18.0.1:1024");
  EXPECT_EQ(packets[0].data, "abc");
  EXPECT_EQ(packets[1].source + ">" + packets[1].destination, "198.19.0.1:1025>198.18.0.1:1025");
  EXPECT_EQ(packets[2].protocol, 17);
  EXPECT_EQ(packets[2].source + ">" + packets[2].destination, "127.0.0.1:5154>127.0.0.1:5152");
  EXPECT_EQ(packets[2].data, "udp");
  EXPECT_EQ(packets[3].source + ">" + packets[3].destination, "127.0.0.1:9999>127.0.0.1:5152");
}

TEST(TraceJson, OneRecordWithEveryTopLevelField) {
  auto msg = Transfer(16, 5, "a\x80", -2, 53);
  msg->m_time = 0;
  msg->m_bTrigger = 1;
  EXPECT_EQ(format::RecordJson(*msg, 7),
            R"({"number":7,"time":0,"time_text":")" + format::FormatTimeStamp(0).substr(0, 8) +
                R"(","trigger":true,"api_id":16,)"
                R"("api":"recvfrom","socket":5,"payload_size":50,"params":{)"
                R"("s":{"value":5,"text":"5"},"flags":{"value":0,"text":"0x0000"},)"
                R"("fromlen":{"value":16,"text":"16"},"family":{"value":2,"text":"AF_INET"},)"
                R"("port":{"value":53,"text":"53"},)"
                R"("address":{"value":2130706433,"text":"127.0.0.1"}},)"
                R"("result":{"value":2,"text":"2 bytes"},"error":{"value":0,"name":null},)"
                R"("data":{"captured":2,"total":2,"hex":"6180"}})");

  auto unknown = testrec::WithoutPayload(0xFFFF);
  unknown->m_nError = 10035;
  const std::string line = format::RecordJson(*unknown, 1);
  EXPECT_NE(line.find(R"("api":null,"socket":null,"payload_size":0,"params":{},"result":null,)"
                      R"("error":{"value":10035,"name":"WSAEWOULDBLOCK"},"data":null})"),
            std::string::npos)
      << line;
  EXPECT_EQ(format::JsonString("\"\\\x01\x7F\x80\xFF/"), R"("\"\\\u0001\u007f\u0080\u00ff/")");
}

// Every field's text is what the window shows: it stands in the record's Verbose lines.
TEST(TraceJson, FieldTextsAgreeWithTheWindow) {
  std::vector<SpyMsgPtr> records;
  records.push_back(Accept(3, 7, 80));
  records.push_back(Named(5, 4, 8080));
  records.push_back(Transfer(19, 4, "x", -1));
  records.push_back(Transfer(15, 4, "", -1));
  records.push_back(Make(20, [](auto out) {
    const std::array<uint8_t, 4> value{1, 0, 30, 0};
    return BuildSockOpt(out, {.s = 4, .level = 0xFFFF, .optname = 0x80, .optlen = 4}, value);
  }));
  records.push_back(
      Make(11, [](auto out) { return BuildIoctl(out, {.s = 4, .cmd = 0x8004667E, .arg = 1}); }));
  records.push_back(Make(9, [](auto out) { return BuildInetAddr(out, 0, 0xFFFFFFFF, "abc"); }));
  records.push_back(Make(10, [](auto out) { return BuildInetNtoa(out, 0, 0x0100007F, ""); }));
  records.push_back(Make(8, [](auto out) { return BuildConvert16(out, {.arg = 0x1F90}); }));
  records.push_back(Make(17, [](auto out) { return BuildSelect(out, {.reads = 1}); }));
  records.push_back(Socket(4, 1));
  records.push_back(testrec::WithoutPayload(18));
  for (const auto& record : records) {
    const testrec::Text text = testrec::Format(*record, true);
    std::string all;
    for (const std::string& line : text.lines) all += line;
    SCOPED_TRACE(all + text.returns);
    const format::DecodedCall call = format::DecodeCall(*record);
    for (const format::CallField& field : call.params) {
      EXPECT_NE(all.find(field.text), std::string::npos) << field.name;
    }
    if (call.result) {
      EXPECT_EQ(text.returns, " returns (" + call.result->text + ")");
    } else {
      EXPECT_EQ(text.returns, " SPYNOBUFS");
    }
  }
}

}  // namespace
