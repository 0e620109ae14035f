// A fresh folder for one test, removed again at the end. The name is random so that test
// processes running side by side (ctest -j, other checkouts) never share one.
#pragma once

#include <filesystem>
#include <random>
#include <string>

class ScratchDir {
 public:
  explicit ScratchDir(const std::string& purpose) {
    std::random_device random;
    m_path = std::filesystem::temp_directory_path() /
             ("quarnet-" + purpose + "-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(m_path);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

 private:
  std::filesystem::path m_path;
};
