// The environment a launched copy inherits: the agents' folder first on PATH, for as long as
// the object lives, so that the copy finds its agent wherever it lies and whatever its
// current directory is. The process's own PATH comes back afterwards.
#pragma once

#include <optional>
#include <string>

namespace config {

class ScopedChildPath {
 public:
  explicit ScopedChildPath(const std::string& agentFolder);
  ~ScopedChildPath();
  ScopedChildPath(const ScopedChildPath&) = delete;
  ScopedChildPath& operator=(const ScopedChildPath&) = delete;

 private:
  std::optional<std::string> m_strSaved;  // nothing when PATH was not set
};

}  // namespace config
