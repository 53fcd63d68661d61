// The running process: where its executable is, its scheduling priority, its environment.
#pragma once

#include <filesystem>
#include <string>

namespace vn {

// The executable as the kernel knows it (links resolved); empty when that cannot be read.
std::filesystem::path executable_path();

// 0 changes nothing; 1 raises the process a little above normal; 2 raises it as far as the
// user is allowed. Refusals are ignored: an unprivileged user usually cannot raise it at all.
void set_priority(int level);

// The value of the variable, empty when it is not set.
std::string environment_variable(const char* name);

}  // namespace vn
