#include "agent/PayloadBuilders.h"

#include <gtest/gtest.h>

#include <vector>

#include "protocol/Bytes.h"

namespace {

using namespace agent::payload;
using Block = std::vector<uint8_t>;

template <typename Build>
Block Built(Build build, size_t room = 512) {
  Block out(room, 0xAA);  // stale bytes the builder must overwrite
  out.resize(build(std::span<uint8_t>(out)));
  return out;
}

int32_t At(const Block& b, size_t offset) {
  return protocol::bytes::GetLE32Signed(b, offset);
}

// Offsets written out here on purpose, independent of the layout constants.
TEST(PayloadBuilders, AddressLayouts) {
  const AddressCall call{.error = 10061,
                         .s = 3,
                         .result = -1,
                         .addrLen = 16,
                         .addr = MakeSockAddr(2, 8080, {192, 168, 1, 10})};
  const Block connect = Built([&](auto out) { return BuildBindConnect(out, call); });
  ASSERT_EQ(connect.size(), 48u);
  EXPECT_EQ(At(connect, 0), 10061);
  EXPECT_EQ(At(connect, 4), 3);
  EXPECT_EQ(At(connect, 28), -1);
  EXPECT_EQ(At(connect, 12), 16);
  EXPECT_EQ(Block(connect.begin() + 32, connect.end()),
            (Block{2, 0, 0x1F, 0x90, 192, 168, 1, 10, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(At(connect, 8), 0);  // unnamed bytes are zero
  const Block accept = Built([&](auto out) { return BuildAccept(out, call); });
  EXPECT_EQ(At(accept, 8), -1);
  EXPECT_EQ(At(accept, 16), 16);
  EXPECT_EQ(At(accept, 28), 0);
  const Block name = Built([&](auto out) { return BuildGetName(out, call); });
  EXPECT_EQ(At(name, 28), -1);
  EXPECT_EQ(At(name, 16), 16);
  EXPECT_EQ(At(name, 12), 0);
}

TEST(PayloadBuilders, TransferLayoutsCountWhatTheyWrote) {
  const TransferCall call{.error = 0,
                          .s = 4,
                          .flags = 2,
                          .result = 5,
                          .addrLen = 16,
                          .addr = MakeSockAddr(2, 53, {8, 8, 8, 8})};
  const Block data{'h', 'e', 'l', 'l', 'o'};
  const Block recv = Built([&](auto out) { return BuildRecvSend(out, call, data); });
  ASSERT_EQ(recv.size(), 29u);
  EXPECT_EQ(At(recv, 4), 4);
  EXPECT_EQ(At(recv, 12), 2);
  EXPECT_EQ(At(recv, 16), 5);
  EXPECT_EQ(At(recv, 20), 5);
  EXPECT_EQ(Block(recv.begin() + 24, recv.end()), data);

  const Block recvfrom = Built([&](auto out) { return BuildRecvFrom(out, call, data); });
  ASSERT_EQ(recvfrom.size(), 53u);
  EXPECT_EQ(At(recvfrom, 20), 5);
  EXPECT_EQ(At(recvfrom, 24), 16);
  EXPECT_EQ(At(recvfrom, 16), 0);
  EXPECT_EQ(recvfrom[28], 2);
  EXPECT_EQ(recvfrom[31], 53);
  EXPECT_EQ(At(recvfrom, 44), 5);
  const Block sendto = Built([&](auto out) { return BuildSendTo(out, call, data); });
  EXPECT_EQ(At(sendto, 16), 16);
  EXPECT_EQ(At(sendto, 24), 0);

  // Only what fits is captured, and the count says so.
  const Block cut = Built([&](auto out) { return BuildSendTo(out, call, data); }, 50);
  ASSERT_EQ(cut.size(), 50u);
  EXPECT_EQ(At(cut, 44), 2);
  EXPECT_EQ(Built([&](auto out) { return BuildRecvSend(out, call, data); }, 23).size(), 0u);
}

TEST(PayloadBuilders, OtherLayouts) {
  const uint8_t value[] = {0x40, 0x9C, 0, 0};
  const Block option = Built([&](auto out) {
    return BuildSockOpt(
        out, {.error = 1, .s = 2, .level = 3, .optname = 4, .optlen = 4, .result = 5}, value);
  });
  ASSERT_EQ(option.size(), 52u);
  EXPECT_EQ((std::vector<int32_t>{At(option, 0), At(option, 4), At(option, 16), At(option, 20),
                                  At(option, 24), At(option, 28), At(option, 48)}),
            (std::vector<int32_t>{1, 2, 4, 3, 4, 5, 0x9C40}));

  const Block close = Built([](auto out) { return BuildCloseSocket(out, {1, 2, 3}); });
  EXPECT_EQ(
      (std::vector<int32_t>{int32_t(close.size()), At(close, 0), At(close, 4), At(close, 28)}),
      (std::vector<int32_t>{48, 1, 2, 3}));
  const Block htonl = Built([](auto out) { return BuildConvert32(out, {1, 2, 3}); });
  EXPECT_EQ((std::vector<int32_t>{int32_t(htonl.size()), At(htonl, 4), At(htonl, 8)}),
            (std::vector<int32_t>{16, 2, 3}));
  const Block htons = Built([](auto out) { return BuildConvert16(out, {1, 0x1234, 0x5678}); });
  EXPECT_EQ(protocol::bytes::GetLE16(htons, 12), 0x1234);
  EXPECT_EQ(protocol::bytes::GetLE16(htons, 14), 0x5678);
  const Block ioctl = Built([](auto out) { return BuildIoctl(out, {1, 2, 3, 4, 5}); });
  EXPECT_EQ((std::vector<int32_t>{int32_t(ioctl.size()), At(ioctl, 4), At(ioctl, 8), At(ioctl, 12),
                                  At(ioctl, 16)}),
            (std::vector<int32_t>{20, 2, 3, 4, 5}));
  const Block listen = Built([](auto out) { return BuildListenShutdown(out, {1, 2, 3, 4}); });
  EXPECT_EQ(
      (std::vector<int32_t>{int32_t(listen.size()), At(listen, 4), At(listen, 8), At(listen, 12)}),
      (std::vector<int32_t>{16, 2, 3, 4}));
  const Block select = Built([](auto out) { return BuildSelect(out, {1, 2, 3, 4, 5}); });
  EXPECT_EQ(select.size(), 36u);
  EXPECT_EQ(At(select, 24), 2);
  EXPECT_EQ(protocol::bytes::GetLE16(select, 28), 3);
  EXPECT_EQ(protocol::bytes::GetLE16(select, 30), 4);
  EXPECT_EQ(protocol::bytes::GetLE16(select, 32), 5);
  const Block socket = Built([](auto out) { return BuildSocket(out, {1, 2, 3, 4, 5}); });
  EXPECT_EQ((std::vector<int32_t>{int32_t(socket.size()), At(socket, 4), At(socket, 8),
                                  At(socket, 12), At(socket, 16)}),
            (std::vector<int32_t>{20, 2, 3, 4, 5}));
  EXPECT_EQ(Built([](auto out) { return BuildGeneric(out, 10035); }), (Block{0x33, 0x27, 0, 0}));
}

TEST(PayloadBuilders, TextsEndWithAZeroByteWhenThereIsRoom) {
  const Block addr = Built([](auto out) { return BuildInetAddr(out, 0, 0xFFFFFFFF, "abc"); });
  EXPECT_EQ(addr, (Block{0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 'a', 'b', 'c', 0}));
  const Block ntoa = Built([](auto out) { return BuildInetNtoa(out, 0, 0x0100007F, ""); });
  EXPECT_EQ(ntoa, (Block{0, 0, 0, 0, 0, 0, 0, 0, 0x7F, 0, 0, 1, 0}));
  EXPECT_EQ(Built([](auto out) { return BuildInetNtoa(out, 0, 1, "1.2.3.4"); }, 15).back(), 0);
  EXPECT_EQ(Built([](auto out) { return BuildInetNtoa(out, 0, 1, "1.2.3.4"); }, 15).size(), 15u);
  EXPECT_EQ(Built([](auto out) { return BuildInetAddr(out, 0, 1, "x"); }, 12).size(), 12u);
  EXPECT_EQ(Built([](auto out) { return BuildInetAddr(out, 0, 1, "x"); }, 11).size(), 0u);
}

}  // namespace
