#include "platform/Platform_Spawn.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

extern char** environ;

namespace vn {

namespace {

std::vector<pid_t>& forgotten() {
  static std::vector<pid_t> processes;
  return processes;
}

}  // namespace

bool spawn_program(const std::string& program, const std::vector<std::string>& arguments,
                   int64_t& process, std::string& error) {
  reap_ended_programs();
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t child = 0;
  // The runner keeps the stop signals blocked for its signal thread; a program it starts
  // must hear them as usual.
  posix_spawnattr_t attributes;
  ::posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  ::posix_spawnattr_setsigmask(&attributes, &none);
  ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  // The C library reports a failed exec as the result, so a missing program is an error
  // here rather than a child that exits at once.
  int status =
      program.find('/') == std::string::npos
          ? ::posix_spawnp(&child, program.c_str(), nullptr, &attributes, argv.data(), environ)
          : ::posix_spawn(&child, program.c_str(), nullptr, &attributes, argv.data(), environ);
  ::posix_spawnattr_destroy(&attributes);
  if (status != 0) {
    error = program + ": " + std::strerror(status);
    return false;
  }
  process = child;
  return true;
}

bool program_ended(int64_t process) {
  if (process <= 0) return true;
  int status = 0;
  for (;;) {
    pid_t result = ::waitpid(pid_t(process), &status, WNOHANG);
    if (result == 0) return false;
    if (result < 0 && errno == EINTR) continue;
    return true;
  }
}

void forget_program(int64_t process) {
  if (process > 0 && !program_ended(process)) forgotten().push_back(pid_t(process));
}

void reap_ended_programs() {
  std::vector<pid_t>& processes = forgotten();
  processes.erase(std::remove_if(processes.begin(), processes.end(),
                                 [](pid_t process) { return program_ended(process); }),
                  processes.end());
}

bool is_executable_file(const std::filesystem::path& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         ::access(path.c_str(), X_OK) == 0;
}

}  // namespace vn
