// Open files that scripts read and write byte by byte, and the lock that keeps two
// processes from changing a shared file at the same time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace vn {

enum class FileAccess { read, write, read_write };

struct RFileOpening {
  FileAccess access = FileAccess::read;
  bool create = false;    // a missing file is made (mode 0644 less the umask)
  bool truncate = false;  // an existing file is emptied
  bool append = false;    // every write goes to the end
};

// A regular file opened by its descriptor. Folders, pipes and devices are refused at open,
// so that reading can neither block nor run forever. Not copyable; movable.
class CFileHandle {
 public:
  CFileHandle() = default;
  ~CFileHandle();
  CFileHandle(const CFileHandle&) = delete;
  CFileHandle& operator=(const CFileHandle&) = delete;
  CFileHandle(CFileHandle&& other) noexcept;
  CFileHandle& operator=(CFileHandle&& other) noexcept;

  // Closes what was open first. False with the system's reason.
  bool open(const std::filesystem::path& path, const RFileOpening& opening, std::string& error);
  bool is_open() const { return descriptor_ >= 0; }
  // False when the system reported an error; the handle is closed either way.
  bool close();

  // At the current position, which advances. The count read (0 at the end), -1 on error.
  int64_t read(void* buffer, size_t size);
  // Everything or false.
  bool write(const void* data, size_t size);
  // At a given offset; the current position stays.
  int64_t read_at(int64_t offset, void* buffer, size_t size);
  bool write_at(int64_t offset, const void* data, size_t size);

  int64_t size() const;  // -1 on error
  bool truncate(int64_t size);

 private:
  int descriptor_ = -1;
};

// An exclusive advisory lock on a lock file (created when missing), held until unlock or
// destruction. Taking it waits for the holder in another process to let go; the system
// releases it when the holding process dies, so a killed writer never leaves it taken.
class CFileLock {
 public:
  CFileLock() = default;
  ~CFileLock();
  CFileLock(const CFileLock&) = delete;
  CFileLock& operator=(const CFileLock&) = delete;

  bool lock(const std::filesystem::path& lock_file, std::string& error);
  void unlock();
  bool locked() const { return descriptor_ >= 0; }

 private:
  int descriptor_ = -1;
};

}  // namespace vn
