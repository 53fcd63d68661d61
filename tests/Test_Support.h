// Helpers shared by the unit tests.
#pragma once

#include <filesystem>
#include <string>

namespace vn::test {

// A fresh folder under the build tree, removed when the object goes.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& name);
  ~ScratchDir();
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

}  // namespace vn::test
