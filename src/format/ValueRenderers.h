// Renderers of single values: socket handles, results, error codes, options, flags, addresses,
// hexadecimal numbers, and the hex dump of captured data. Pure functions; none fails.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "format/NameTables.h"
#include "protocol/Calls.h"

namespace format {

using InAddr = std::array<uint8_t, 4>;  // IPv4 address as stored, network order

// Errors are named as the calls of `family` name them.
using protocol::calls::Family;
std::string FormatErrorCode(int32_t code, Family family = Family::kWinsock1);
// A socket handle or SOCKET result; parameters are rendered with error code 0.
std::string FormatSocket(int32_t value, int32_t error, Family family = Family::kWinsock1);
// An int result: anything but -1 succeeded.
std::string FormatResult(int32_t value, int32_t error, Family family = Family::kWinsock1);
std::string FormatHex16(uint32_t value);  // low 16 bits, "0x%04X"
std::string FormatHex32(uint32_t value);  // "0x%08X"
std::string FormatInAddr(const InAddr& address);
std::string FormatFamily(int16_t family, Family calls = Family::kWinsock1);  // ".family=AF_INET"
std::string FormatAddressFamily(int32_t family, Family calls);               // "AF_INET"
// `port` is the 16-bit field read little-endian from the address image, so its bytes are still
// in network order; the renderer swaps them itself (the core has no socket library).
std::string FormatPort(uint16_t port);
std::string FormatAddress(const InAddr& address);
// An IPv6 address in its shortest form (RFC 5952), an IPv4-mapped one ending in dotted
// decimal, and "%scope" behind it where the scope id is set.
std::string FormatIn6Addr(std::span<const uint8_t, 16> address, uint32_t scope);
// The option named by its level as the calls of `family` name it (an option unknown at that
// level as its number) and its value: `value` holds the option's bytes as the call passed them.
// A number or a flag is their first four bytes as a little-endian 32-bit int (missing bytes
// zero), as on every Winsock; a linger is two 16-bit halves, on and time.
std::string FormatSockOpt(int32_t level, int32_t option, std::span<const uint8_t> value,
                          Family family = Family::kWinsock1);

// Parameter texts of the call lines.
// ", SOL_SOCKET, " or ", level=0x0006, "; the Winsock 2 calls name IPPROTO_TCP and the others.
std::string FormatLevel(int32_t level, Family family = Family::kWinsock1);
std::string FormatIoctlCommand(uint32_t command);  // ends with ", "
std::string FormatIoControlCode(uint32_t code);    // WSAIoctl's: "SIO_KEEPALIVE_VALS"
std::string FormatWsaSocketFlags(uint32_t flags);  // "WSA_FLAG_OVERLAPPED|0x0200", "0"
std::string FormatSocketGroup(uint32_t group);     // "SG_CONSTRAINED_GROUP", "0"
std::string FormatShutdownHow(int32_t how);        // "SD_SEND", "7"
std::string FormatRecvFlags(int32_t flags);
std::string FormatSendFlags(int32_t flags);
// The Winsock 2 MSG_* bits joined by "|", bits without a name in hexadecimal: "MSG_PEEK|0x4000",
// "0x0000".
std::string FormatMsgFlags(int32_t flags);
std::string FormatProtocolFamily(int32_t af, Family calls = Family::kWinsock1);
std::string FormatSocketType(int32_t type);
// A mask of bits: the names of its bits joined by '|', any bits without a name last in
// hexadecimal; "0" for none.
std::string FormatMask(std::span<const format::names::ValueName<uint32_t>> names, uint32_t mask);
// A pointer of the program's, any width: "NULL", or hexadecimal, 8 digits when it fits them.
std::string FormatPointer(uint64_t pointer);

// Appends the hex dump of `data`: per row of 16 bytes a hex text and a character text.
void FormatDumpRows(std::vector<std::string>& lines, std::span<const uint8_t> data);

}  // namespace format
