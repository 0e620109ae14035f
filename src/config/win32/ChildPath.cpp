#include "config/win32/ChildPath.h"

#include <windows.h>

#include "config/Launcher.h"

namespace config {

namespace {

std::optional<std::string> ReadPath() {
  const DWORD size = GetEnvironmentVariableA("PATH", nullptr, 0);
  if (size == 0) return std::nullopt;
  std::string value(size, '\0');
  const DWORD length = GetEnvironmentVariableA("PATH", value.data(), size);
  value.resize(length < size ? length : 0);
  return value;
}

}  // namespace

ScopedChildPath::ScopedChildPath(const std::string& agentFolder) : m_strSaved(ReadPath()) {
  const std::string path = launcher::PathWithFolderFirst(m_strSaved.value_or(""), agentFolder);
  SetEnvironmentVariableA("PATH", path.c_str());
}

ScopedChildPath::~ScopedChildPath() {
  SetEnvironmentVariableA("PATH", m_strSaved ? m_strSaved->c_str() : nullptr);
}

}  // namespace config
