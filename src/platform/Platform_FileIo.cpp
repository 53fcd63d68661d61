#include "platform/Platform_FileIo.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <random>
#include <vector>

namespace vn {

namespace {
struct FileDescriptor {
  int fd = -1;
  ~FileDescriptor() {
    if (fd >= 0) ::close(fd);
  }
};

std::string reason(const std::filesystem::path& path) {
  return path.string() + ": " + std::strerror(errno);
}
}  // namespace

bool read_file(const std::filesystem::path& path, std::vector<uint8_t>& bytes, std::string& error) {
  FileDescriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  if (file.fd < 0) {
    error = reason(path);
    return false;
  }
  struct stat info;
  if (::fstat(file.fd, &info) != 0) {
    error = reason(path);
    return false;
  }
  if (S_ISDIR(info.st_mode)) {
    error = path.string() + ": is a folder";
    return false;
  }
  bytes.clear();
  if (info.st_size > 0) bytes.reserve(size_t(info.st_size));
  uint8_t buffer[65536];
  for (;;) {
    ssize_t count = ::read(file.fd, buffer, sizeof buffer);
    if (count < 0) {
      if (errno == EINTR) continue;
      error = reason(path);
      return false;
    }
    if (count == 0) break;
    bytes.insert(bytes.end(), buffer, buffer + count);
  }
  return true;
}

namespace {

// A writer's new file is named "." + the target's name + ".tmp" + digits, and the writer
// holds it locked from before it has that name until after the rename, so a temporary
// file nobody holds was left by a writer that died.
std::string temporary_prefix(const std::string& target) { return "." + target + ".tmp"; }

bool is_temporary_of(const std::string& name, const std::string& prefix) {
  if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return false;
  for (size_t i = prefix.size(); i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  return true;
}

// Removes the temporary files of dead writers of the target. Where new files could not be
// made locked before they were named, a file is also left alone for its first seconds,
// when its writer may not have locked it yet.
void remove_abandoned_temporaries(int folder, const std::string& target, bool named_unlocked) {
  const int listing = ::dup(folder);
  if (listing < 0) return;
  DIR* entries = ::fdopendir(listing);
  if (entries == nullptr) {
    ::close(listing);
    return;
  }
  const std::string prefix = temporary_prefix(target);
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(entries)) {
    if (is_temporary_of(entry->d_name, prefix)) names.emplace_back(entry->d_name);
  }
  ::closedir(entries);
  for (const std::string& name : names) {
    FileDescriptor file{
        ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)};
    struct stat info;
    if (file.fd < 0 || ::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_uid != ::geteuid()) {
      continue;
    }
    if (named_unlocked && ::time(nullptr) - info.st_ctime < 5) continue;
    if (::flock(file.fd, LOCK_EX | LOCK_NB) != 0) continue;  // its writer is alive
    ::unlinkat(folder, name.c_str(), 0);
  }
}

bool write_all(int fd, std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t count = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (count < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += size_t(count);
  }
  return true;
}

std::string draw_temporary_name(const std::string& target) {
  static std::random_device random;
  return temporary_prefix(target) + std::to_string(random() % 1000000);
}

// An unnamed file in the folder, locked, then given a temporary name: a writer killed
// before the name leaves nothing behind, one killed after leaves a file nobody holds.
// -1 when the file system cannot make unnamed files (errno says why).
int create_unnamed_then_name(int folder, const std::string& target, std::span<const uint8_t> bytes,
                             std::string& name) {
  FileDescriptor file{::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644)};
  if (file.fd < 0) return -1;
  ::flock(file.fd, LOCK_EX);
  if (!write_all(file.fd, bytes) || ::fsync(file.fd) != 0) return -2;
  const std::string self = "/proc/self/fd/" + std::to_string(file.fd);
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = draw_temporary_name(target);
    if (::linkat(AT_FDCWD, self.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      const int fd = file.fd;
      file.fd = -1;
      return fd;
    }
    if (errno != EEXIST) return errno == ENOENT ? -1 : -2;  // ENOENT: no /proc
  }
  return -2;
}

// The same without unnamed files: named first, then locked at once.
int create_named_then_lock(int folder, const std::string& target, std::span<const uint8_t> bytes,
                           std::string& name) {
  FileDescriptor file;
  for (int attempt = 0; attempt < 100 && file.fd < 0; ++attempt) {
    name = draw_temporary_name(target);
    file.fd = ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (file.fd < 0 && errno != EEXIST) return -2;
  }
  if (file.fd < 0) return -2;
  ::flock(file.fd, LOCK_EX);
  if (!write_all(file.fd, bytes) || ::fsync(file.fd) != 0) {
    const int failure = errno;
    ::unlinkat(folder, name.c_str(), 0);
    errno = failure;
    return -2;
  }
  const int fd = file.fd;
  file.fd = -1;
  return fd;
}

}  // namespace

bool write_file_atomic(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                       std::string& error) {
  const std::filesystem::path parent = path.parent_path();
  const std::string target = path.filename().string();
  FileDescriptor folder{
      ::open(parent.empty() ? "." : parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
  if (folder.fd < 0 || target.empty()) {
    if (target.empty()) errno = EISDIR;
    error = reason(path);
    return false;
  }
  std::string name;
  FileDescriptor file{create_unnamed_then_name(folder.fd, target, bytes, name)};
  const bool named_unlocked = file.fd == -1;
  if (named_unlocked) file.fd = create_named_then_lock(folder.fd, target, bytes, name);
  // Errors name the file asked for: the temporary name means nothing to whoever asked.
  if (file.fd < 0) {
    error = reason(path);
    return false;
  }
  remove_abandoned_temporaries(folder.fd, target, named_unlocked);
  if (::renameat(folder.fd, name.c_str(), folder.fd, target.c_str()) != 0) {
    error = reason(path);
    ::unlinkat(folder.fd, name.c_str(), 0);
    return false;
  }
  // The rename lasts only once the folder is on the disk too; the lock goes with the close,
  // after the temporary name is gone.
  ::fsync(folder.fd);
  return true;
}

}  // namespace vn
