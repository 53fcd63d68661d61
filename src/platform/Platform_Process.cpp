#include "platform/Platform_Process.h"

#include <sys/resource.h>

#include <cerrno>
#include <cstdlib>

namespace vn {

std::filesystem::path executable_path() {
  std::error_code error;
  std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : path;
}

void set_priority(int level) {
  if (level != 1 && level != 2) {
    return;
  }
  // getpriority may legitimately return -1, so errno tells failure apart.
  errno = 0;
  const int current = getpriority(PRIO_PROCESS, 0);
  if (current == -1 && errno != 0) {
    return;
  }
  if (level == 1) {
    setpriority(PRIO_PROCESS, 0, current - 2);
    return;
  }
  if (setpriority(PRIO_PROCESS, 0, -20) == 0) {
    return;
  }
  // Without privilege the soft limit says how low the nice value may go: 20 - limit.
  rlimit limit{};
  if (getrlimit(RLIMIT_NICE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    const int lowest = 20 - int(limit.rlim_cur);
    if (lowest < current) {
      setpriority(PRIO_PROCESS, 0, lowest);
    }
  }
}

std::string environment_variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace vn
