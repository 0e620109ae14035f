#include "format/CallFormatters.h"

#include "format/CallFields.h"
#include "format/WideText.h"

namespace format {

namespace {

// The window's text of a field's piece of the line: 8-bit, as the window draws it.
std::string LineOf(const CallField& field) {
  return field.utf8 ? AnsiFromUtf8(field.line) : field.line;
}

}  // namespace

std::string FormatCall(const protocol::calls::Call& call, const CSpyMsg& msg,
                       std::vector<std::string>& lines, bool verbose) {
  // The calls decoded by name only show no parameters and no result, whatever they carry.
  const bool byName = call.layout == protocol::layout::Group::kGeneric;
  if (byName || !msg.m_hData.HasData()) {
    lines.push_back(std::string(call.name) + "(... )");
    return byName ? "" : " SPYNOBUFS";
  }
  const DecodedCall decoded = DecodeCall(msg);
  std::string first = std::string(call.name) + " (";
  std::vector<const CallField*> address;
  for (const CallField& field : decoded.params) {
    if (field.shown == Shown::kInLine) first += LineOf(field);
    if (field.shown == Shown::kAddress) address.push_back(&field);
  }
  if (address.empty()) {
    lines.push_back(first + ")");
  } else if (!verbose) {
    lines.push_back(first + ",... )");
  } else {
    // The address length ends the first line, or opens a line of its own after many in-line
    // fields; each part of the address has a line of its own.
    std::string opening = LineOf(*address.front()) + (address.size() > 1 ? "," : "");
    if (protocol::layout::StructureOpensLine(call.layout)) {
      lines.push_back(first + ",");
      lines.push_back(opening.substr(opening.find_first_not_of(", ")));
    } else {
      lines.push_back(first + opening);
    }
    for (size_t i = 1; i < address.size(); ++i) lines.push_back(LineOf(*address[i]));
    lines.back() += ")";
  }
  // A call without a result (freeaddrinfo) shows no returns text.
  if (!decoded.result) return "";
  const CallField& result = *decoded.result;
  return " returns (" + (result.utf8 ? AnsiFromUtf8(result.text) : result.text) + ")";
}

}  // namespace format
