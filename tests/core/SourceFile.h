// A file of the source tree, read whole; empty when it cannot be read. The test run sets
// QUARNET_SOURCE_DIR; without it paths are taken from the working directory.
#pragma once

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

inline std::string SourceFile(const std::string& path) {
  const char* top = std::getenv("QUARNET_SOURCE_DIR");
  std::ifstream in(std::string(top ? top : ".") + "/" + path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}
