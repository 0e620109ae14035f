// Turns one trace record into the text the user reads: its call lines, its returns text and,
// for the four transfer calls, the hex dump of the captured data. Keeps no state; every caller
// formats again each time it draws, copies or prints.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "store/SpyMsg.h"

namespace format {

// Appends the call lines (one, or four for a Verbose address call) to `lines` and returns the
// returns text, which is drawn directly behind the last call line. With `showTime` the first
// line starts with the record's local time of day, "HH:MM:SS  ".
std::string FormatEvent(const CSpyMsg& msg, std::vector<std::string>& lines, bool showTime,
                        bool verbose);

// The number of call lines FormatEvent appends with that Verbose setting, without formatting.
int GetEventLineCount(const CSpyMsg& msg, bool verbose);

// True for recv, recvfrom, send and sendto.
bool HasDataBlock(const CSpyMsg& msg);

// The captured bytes of a transfer call: none for failed calls and other calls, at most
// `byteLimit` (unless -1), and never past the end of the payload.
std::span<const uint8_t> CapturedData(const CSpyMsg& msg, int32_t byteLimit);

// The line after the dump of a transfer whose data the size of a message cut, "(C of R bytes
// captured)": the call's result R exceeds the captured count C, and C exceeds the largest "Up to"
// limit, so that a limit the user chose is never taken for a cut. Empty for every other record.
std::string FormatCaptureNote(const CSpyMsg& msg);
// Whether FormatCaptureNote gives a line, without formatting it.
bool HasCaptureNote(const CSpyMsg& msg);

// Dump rows FormatDataBlock would append; `byteLimit` is -1 for the entire data.
int GetDataRowCount(const CSpyMsg& msg, int32_t byteLimit);

// Appends two strings per dump row (hex text, character text) and returns the size of `lines`
// afterwards. Failed calls and other calls append nothing.
int FormatDataBlock(const CSpyMsg& msg, std::vector<std::string>& lines, int32_t byteLimit);

}  // namespace format
