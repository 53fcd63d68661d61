#include "platform/Platform_Files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace vn {

namespace {

std::string reason(const std::filesystem::path& path) {
  return path.string() + ": " + std::strerror(errno);
}

}  // namespace

CFileHandle::~CFileHandle() { close(); }

CFileHandle::CFileHandle(CFileHandle&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)) {}

CFileHandle& CFileHandle::operator=(CFileHandle&& other) noexcept {
  if (this != &other) {
    close();
    descriptor_ = std::exchange(other.descriptor_, -1);
  }
  return *this;
}

bool CFileHandle::open(const std::filesystem::path& path, const RFileOpening& opening,
                       std::string& error) {
  close();
  int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  switch (opening.access) {
    case FileAccess::read:
      flags |= O_RDONLY;
      break;
    case FileAccess::write:
      flags |= O_WRONLY;
      break;
    case FileAccess::read_write:
      flags |= O_RDWR;
      break;
  }
  if (opening.create) flags |= O_CREAT;
  if (opening.append) flags |= O_APPEND;
  // Non-blocking only while opening, so that a pipe without a writer cannot stall us; the
  // truncation waits until the file is known to be a regular one.
  int descriptor = ::open(path.c_str(), flags, 0644);
  if (descriptor < 0) {
    error = reason(path);
    return false;
  }
  struct stat info;
  if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
    error = path.string() + ": not a regular file";
    ::close(descriptor);
    return false;
  }
  ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
  if (opening.truncate && ::ftruncate(descriptor, 0) != 0) {
    error = reason(path);
    ::close(descriptor);
    return false;
  }
  descriptor_ = descriptor;
  return true;
}

bool CFileHandle::close() {
  if (descriptor_ < 0) return true;
  int status = ::close(descriptor_);
  descriptor_ = -1;
  return status == 0;
}

int64_t CFileHandle::read(void* buffer, size_t size) {
  if (descriptor_ < 0) return -1;
  for (;;) {
    ssize_t count = ::read(descriptor_, buffer, size);
    if (count >= 0) return count;
    if (errno != EINTR) return -1;
  }
}

bool CFileHandle::write(const void* data, size_t size) {
  if (descriptor_ < 0) return false;
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t count = ::write(descriptor_, bytes, size);
    if (count < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes += count;
    size -= size_t(count);
  }
  return true;
}

int64_t CFileHandle::read_at(int64_t offset, void* buffer, size_t size) {
  if (descriptor_ < 0 || offset < 0) return -1;
  for (;;) {
    ssize_t count = ::pread(descriptor_, buffer, size, off_t(offset));
    if (count >= 0) return count;
    if (errno != EINTR) return -1;
  }
}

bool CFileHandle::write_at(int64_t offset, const void* data, size_t size) {
  if (descriptor_ < 0 || offset < 0) return false;
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t count = ::pwrite(descriptor_, bytes, size, off_t(offset));
    if (count < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes += count;
    offset += count;
    size -= size_t(count);
  }
  return true;
}

int64_t CFileHandle::size() const {
  struct stat info;
  if (descriptor_ < 0 || ::fstat(descriptor_, &info) != 0) return -1;
  return int64_t(info.st_size);
}

bool CFileHandle::truncate(int64_t size) {
  return descriptor_ >= 0 && size >= 0 && ::ftruncate(descriptor_, off_t(size)) == 0;
}

CFileLock::~CFileLock() { unlock(); }

bool CFileLock::lock(const std::filesystem::path& lock_file, std::string& error) {
  unlock();
  int descriptor = ::open(lock_file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600);
  if (descriptor < 0) {
    error = reason(lock_file);
    return false;
  }
  while (::flock(descriptor, LOCK_EX) != 0) {
    if (errno != EINTR) {
      error = reason(lock_file);
      ::close(descriptor);
      return false;
    }
  }
  descriptor_ = descriptor;
  return true;
}

void CFileLock::unlock() {
  if (descriptor_ < 0) return;
  // Closing the descriptor releases the lock.
  ::close(descriptor_);
  descriptor_ = -1;
}

}  // namespace vn
