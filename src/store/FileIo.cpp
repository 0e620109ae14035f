#include "store/FileIo.h"

#include <fstream>
#include <system_error>

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<uint8_t> bytes;
  char chunk[4096];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    bytes.insert(bytes.end(), chunk, chunk + in.gcount());
  }
  if (in.bad()) return std::nullopt;
  return bytes;
}

bool WriteFileReplacing(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
  std::filesystem::path fresh = path;
  fresh += ".new";
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
