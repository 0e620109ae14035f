// Whole-file reads and writes for the trace and settings files. A write goes to a new file
// beside the target, which then replaces the target, so a failed write leaves the old file as
// it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace store {

// The file's bytes, at most `maxBytes` of them from its start, or nothing when it cannot be
// opened or read.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::filesystem::path& path,
                                                  size_t maxBytes = SIZE_MAX);

// Whether `path` is an existing file that its owner may not write.
bool IsReadOnlyFile(const std::filesystem::path& path);

// Writes `bytes` to `path` + ".new", then renames it over `path`. False (and `path` untouched)
// when any step fails, or when `path` is read-only: a rename would replace it with a writable
// file. The new file is then removed.
bool WriteFileReplacing(const std::filesystem::path& path, std::span<const uint8_t> bytes);

// Whether WriteFileReplacing could write `path` now: it is not read-only, and the new file beside
// it can be created (it is, and removed again).
bool CanWriteReplacing(const std::filesystem::path& path);

}  // namespace store
