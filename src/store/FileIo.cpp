#include "store/FileIo.h"

#include <algorithm>
#include <fstream>
#include <system_error>

namespace store {

namespace {

// Where WriteFileReplacing writes before it renames.
std::filesystem::path FreshPath(const std::filesystem::path& path) {
  std::filesystem::path fresh = path;
  fresh += ".new";
  return fresh;
}

}  // namespace

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::filesystem::path& path,
                                                  size_t maxBytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<uint8_t> bytes;
  char chunk[4096];
  while (bytes.size() < maxBytes && (in.read(chunk, static_cast<std::streamsize>(std::min(
                                                        sizeof chunk, maxBytes - bytes.size()))) ||
                                     in.gcount() > 0)) {
    bytes.insert(bytes.end(), chunk, chunk + in.gcount());
  }
  if (in.bad()) return std::nullopt;
  return bytes;
}

bool IsReadOnlyFile(const std::filesystem::path& path) {
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  return !ec && std::filesystem::is_regular_file(status) &&
         (status.permissions() & std::filesystem::perms::owner_write) ==
             std::filesystem::perms::none;
}

bool WriteFileReplacing(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
  if (IsReadOnlyFile(path)) return false;
  const std::filesystem::path fresh = FreshPath(path);
  std::ofstream out(fresh, std::ios::binary | std::ios::trunc);
  if (out) {
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
  }
  std::error_code ec;
  if (out) {
    std::filesystem::rename(fresh, path, ec);
    if (!ec) return true;
  }
  std::filesystem::remove(fresh, ec);
  return false;
}

bool CanWriteReplacing(const std::filesystem::path& path) {
  if (IsReadOnlyFile(path)) return false;
  const std::filesystem::path fresh = FreshPath(path);
  if (!std::ofstream(fresh, std::ios::binary | std::ios::trunc)) return false;
  std::error_code ec;
  std::filesystem::remove(fresh, ec);
  return true;
}

}  // namespace store
