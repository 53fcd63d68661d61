#include "Test_Support.h"

#include <random>

namespace vn::test {

ScratchDir::ScratchDir(const std::string& name) {
  std::random_device device;
  path_ = std::filesystem::path(VN_BINARY_DIR) / "scratch" /
          (name + "_" + std::to_string(device() % 1000000));
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace vn::test
