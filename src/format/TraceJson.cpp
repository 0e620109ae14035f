#include "format/TraceJson.h"

#include <cstdio>

#include "format/CallFields.h"
#include "format/TimeStamp.h"
#include "format/WideText.h"
#include "protocol/WinsockErrors.h"

namespace format {

namespace {

// One character of a JSON string: quotes and backslashes escaped, and everything outside
// printable ASCII written as its UTF-16 unit.
void AppendEscaped(std::string& out, char16_t unit) {
  if (unit == '"' || unit == '\\') {
    out += '\\';
    out += static_cast<char>(unit);
  } else if (unit < 0x20 || unit >= 0x7F) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(unit));
    out += escape;
  } else {
    out += static_cast<char>(unit);
  }
}

// A UTF-8 string, from a wide string of the program's: its characters, not its bytes.
std::string JsonUtf8String(std::string_view text) {
  std::string out = "\"";
  for (const char16_t unit : Utf16FromUtf8(text)) AppendEscaped(out, unit);
  return out + "\"";
}

std::string Value(const std::variant<int64_t, std::string>& value, bool utf8) {
  if (const auto* number = std::get_if<int64_t>(&value)) return std::to_string(*number);
  const std::string& text = std::get<std::string>(value);
  return utf8 ? JsonUtf8String(text) : JsonString(text);
}

std::string Field(const CallField& field) {
  return "{\"value\":" + Value(field.value, field.utf8) +
         ",\"text\":" + (field.utf8 ? JsonUtf8String(field.text) : JsonString(field.text)) + "}";
}

std::string Hex(std::span<const uint8_t> data) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(2 * data.size());
  for (const uint8_t byte : data) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0x0F];
  }
  return hex;
}

}  // namespace

std::string JsonString(std::string_view bytes) {
  std::string out = "\"";
  for (const char c : bytes) AppendEscaped(out, static_cast<uint8_t>(c));
  return out + "\"";
}

std::string RecordJson(const CSpyMsg& msg, int32_t number) {
  const DecodedCall call = DecodeCall(msg);
  std::string time = FormatTimeStamp(msg.m_time);
  time.resize(8);  // without the two blanks that follow it in the window
  const std::string_view errorName =
      protocol::errors::Name(call.error, protocol::calls::FamilyOf(msg.m_nApiId));

  std::string out = "{";
  const auto member = [&out](std::string_view name, const std::string& value) {
    if (out.size() > 1) out += ',';
    out.append(JsonString(name)).append(":").append(value);
  };
  member("number", std::to_string(number));
  member("time", std::to_string(msg.m_time));
  member("time_text", JsonString(time));
  member("trigger", msg.m_bTrigger ? "true" : "false");
  member("api_id", std::to_string(msg.m_nApiId));
  member("api", call.name.empty() ? "null" : JsonString(call.name));
  member("socket", call.socket ? std::to_string(*call.socket) : "null");
  member("payload_size", std::to_string(msg.m_hData.Size()));
  std::string params = "{";
  for (const CallField& field : call.params) {
    if (params.size() > 1) params += ',';
    params.append(JsonString(field.name)).append(":").append(Field(field));
  }
  member("params", params + "}");
  member("result", call.result ? Field(*call.result) : "null");
  member("error", "{\"value\":" + std::to_string(call.error) +
                      ",\"name\":" + (errorName.empty() ? "null" : JsonString(errorName)) + "}");
  std::string data = "null";
  if (call.total) {
    data = "{\"captured\":" + std::to_string(call.data.size()) +
           ",\"total\":" + std::to_string(*call.total) + ",\"hex\":\"" + Hex(call.data) + "\"}";
  }
  member("data", data);
  return out + "}";
}

}  // namespace format
