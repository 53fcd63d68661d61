// The version of the project, as the build names it.
#pragma once

#include <string>

namespace vn {

const std::string& project_version();

}  // namespace vn
