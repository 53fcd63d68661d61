#include "support/Support_Version.h"

namespace vn {

// Given to this one file by the build, so a new version rebuilds nothing else.
const std::string& project_version() {
  static const std::string version = VN_VERSION;
  return version;
}

}  // namespace vn
