// Saving over an existing file on Windows: the new file must replace the old one (a plain
// rename refuses when the target exists), and a failed write must leave the old file alone.
#include <windows.h>

#include <filesystem>
#include <vector>

#include "Check.h"
#include "store/FileIo.h"

int main() {
  const auto dir = std::filesystem::temp_directory_path() / "quarnet-file-replace";
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  std::filesystem::create_directories(dir);
  const auto path = dir / "quarnt32.cfg";

  const std::vector<uint8_t> first = {1, 2, 3};
  const std::vector<uint8_t> second = {4, 5};
  CHECK(WriteFileReplacing(path, first));
  CHECK(WriteFileReplacing(path, second));
  CHECK(ReadWholeFile(path) == second);
  CHECK(!std::filesystem::exists(dir / "quarnt32.cfg.new"));

  // A read-only file stays as it is, read-only: a rename would replace it with a writable one.
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
  CHECK(IsReadOnlyFile(path));
  CHECK(!WriteFileReplacing(path, first));
  CHECK(ReadWholeFile(path) == second);
  CHECK(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY);
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);

  std::filesystem::create_directories(dir / "busy.spy" / "inside");
  CHECK(!WriteFileReplacing(dir / "busy.spy", first));
  CHECK(std::filesystem::is_directory(dir / "busy.spy" / "inside"));
  CHECK(!std::filesystem::exists(dir / "busy.spy.new"));

  std::filesystem::remove_all(dir, ec);
  return check::Finish("file_replace_test");
}
