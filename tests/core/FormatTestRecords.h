// Records for the formatter tests, built with the agent's own payload builders.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "agent/PayloadBuilders.h"
#include "format/EventFormatter.h"
#include "protocol/Bytes.h"
#include "protocol/SpyDatagram.h"
#include "store/SpyMsg.h"

namespace testrec {

// A record of API id `id` whose payload `build(buffer)` writes, as the receiver would keep it.
template <typename Build>
std::unique_ptr<CSpyMsg> Make(int32_t id, Build build) {
  std::vector<uint8_t> buffer(protocol::spy::kMaxPayload);
  buffer.resize(build(std::span<uint8_t>(buffer)));
  auto msg = std::make_unique<CSpyMsg>();
  msg->m_nApiId = id;
  msg->m_nError = protocol::bytes::GetLE32Signed(buffer, 0);
  msg->m_hData = store::Payload(std::move(buffer));
  return msg;
}

inline std::unique_ptr<CSpyMsg> WithoutPayload(int32_t id) {
  auto msg = std::make_unique<CSpyMsg>();
  msg->m_nApiId = id;
  return msg;
}

inline std::vector<uint8_t> Bytes(std::string_view text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

struct Text {
  std::vector<std::string> lines;
  std::string returns;
};

inline Text Format(const CSpyMsg& msg, bool verbose, bool showTime = false) {
  Text text;
  text.returns = format::FormatEvent(msg, text.lines, showTime, verbose);
  return text;
}

}  // namespace testrec
