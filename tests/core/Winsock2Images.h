// Byte images of Winsock 2 payloads written out field by field, independent of the layout
// constants, and the checks that the agent's builder writes them and the window and the JSON
// export read them back.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FormatTestRecords.h"
#include "agent/PayloadBuilders.h"
#include "format/TraceJson.h"
#include "format/ValueRenderers.h"

namespace ws2images {

using Lines = std::vector<std::string>;
using Block = std::vector<uint8_t>;

// Little-endian fields appended in order.
struct Image {
  Block bytes;
  Image& U16(uint16_t v) { return Put(v, 2); }
  Image& I32(int32_t v) { return Put(static_cast<uint32_t>(v), 4); }
  Image& U64(uint64_t v) { return Put(v, 8); }
  Image& Raw(const Block& b) {
    bytes.insert(bytes.end(), b.begin(), b.end());
    return *this;
  }
  Image& Zeros(size_t n) { return Raw(Block(n, 0)); }
  Image& Text(const std::string& t) {
    bytes.insert(bytes.end(), t.begin(), t.end());
    bytes.push_back(0);
    return *this;
  }
  // A counted text: its length in characters and their size, then the characters.
  Image& Narrow(const std::string& t) {
    I32(static_cast<int32_t>(t.size())).I32(1);
    bytes.insert(bytes.end(), t.begin(), t.end());
    return *this;
  }
  Image& Wide(const std::u16string& t) {
    I32(static_cast<int32_t>(t.size())).I32(2);
    for (const char16_t unit : t) U16(unit);
    return *this;
  }
  Image& Null() { return I32(-1).I32(0); }

 private:
  Image& Put(uint64_t v, size_t n) {
    for (size_t i = 0; i < n; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return *this;
  }
};

template <typename Build>
Block Built(Build build) {
  Block out(512, 0xAA);  // stale bytes the builder must overwrite
  out.resize(build(std::span<uint8_t>(out)));
  return out;
}

inline std::unique_ptr<CSpyMsg> Record(int32_t id, const Block& payload) {
  return testrec::Make(id, [&](std::span<uint8_t> out) {
    std::copy(payload.begin(), payload.end(), out.begin());
    return payload.size();
  });
}

// The lines, and the count the view lays out without rendering them.
inline void ExpectText(const CSpyMsg& msg, const Lines& brief, const Lines& verbose,
                       const std::string& returns) {
  EXPECT_EQ(testrec::Format(msg, false).lines, brief);
  const testrec::Text text = testrec::Format(msg, true);
  EXPECT_EQ(text.lines, verbose);
  EXPECT_EQ(format::GetEventLineCount(msg, true), static_cast<int>(verbose.size()));
  EXPECT_EQ(text.returns, returns);
}

inline void ExpectJson(const CSpyMsg& msg, const std::string& part) {
  const std::string json = format::RecordJson(msg, 1);
  EXPECT_NE(json.find(part), std::string::npos) << json;
}

// A sockaddr_in6 for ::1 (or fe80::1), port 5257, with a scope id.
inline Block In6(bool linkLocal, uint32_t scope) {
  Block a{23, 0, 0x14, 0x89, 0, 0, 0, 0};  // family, port, flow info
  Block address(16, 0);
  if (linkLocal) address[0] = 0xFE, address[1] = 0x80;
  address[15] = 1;
  a.insert(a.end(), address.begin(), address.end());
  for (int i = 0; i < 4; ++i) a.push_back(static_cast<uint8_t>(scope >> (8 * i)));
  return a;
}

}  // namespace ws2images
