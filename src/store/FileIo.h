// Whole-file reads and writes for the trace and settings files. A write goes to a new file
// beside the target, which then replaces the target, so a failed write leaves the old file as
// it was.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

// The file's bytes, or nothing when it cannot be opened or read.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::filesystem::path& path);

// Writes `bytes` to `path` + ".new", then renames it over `path`. False (and `path` untouched)
// when any step fails; the new file is then removed.
bool WriteFileReplacing(const std::filesystem::path& path, std::span<const uint8_t> bytes);
