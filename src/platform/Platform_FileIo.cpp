#include "platform/Platform_FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

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

bool write_file_atomic(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                       std::string& error) {
  std::filesystem::path folder = path.parent_path();
  std::random_device random;
  std::filesystem::path temporary =
      folder / ("." + path.filename().string() + ".tmp" + std::to_string(random() % 1000000));
  FileDescriptor file{::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644)};
  if (file.fd < 0) {
    error = reason(temporary);
    return false;
  }
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t count = ::write(file.fd, bytes.data() + done, bytes.size() - done);
    if (count < 0) {
      if (errno == EINTR) continue;
      error = reason(temporary);
      ::unlink(temporary.c_str());
      return false;
    }
    done += size_t(count);
  }
  if (::fsync(file.fd) != 0 || ::close(file.fd) != 0) {
    file.fd = -1;
    error = reason(temporary);
    ::unlink(temporary.c_str());
    return false;
  }
  file.fd = -1;
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    error = reason(path);
    ::unlink(temporary.c_str());
    return false;
  }
  // The rename itself lasts only once the folder is on the disk too.
  FileDescriptor directory{::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
  if (directory.fd >= 0) ::fsync(directory.fd);
  return true;
}

}  // namespace vn
