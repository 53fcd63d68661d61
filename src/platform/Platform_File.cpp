#include "platform/Platform_File.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

namespace vn {
namespace {

constexpr int kOpenFolder = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool remove_entry(int parent, const char* name, bool parent_in_tree);

// Empties the open folder; the descriptor stays open.
bool empty_folder(int folder) {
  const int listing = dup(folder);
  if (listing < 0) {
    return false;
  }
  DIR* entries = fdopendir(listing);
  if (entries == nullptr) {
    close(listing);
    return false;
  }
  // Names first: removing while reading could make the listing skip entries.
  std::vector<std::string> names;
  while (const dirent* entry = readdir(entries)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") {
      names.push_back(name);
    }
  }
  closedir(entries);
  bool removed_all = true;
  for (const std::string& name : names) {
    removed_all = remove_entry(folder, name.c_str(), true) && removed_all;
  }
  return removed_all;
}

bool unlink_retrying(int parent, const char* name, int flags, bool parent_in_tree) {
  if (unlinkat(parent, name, flags) == 0 || errno == ENOENT) {
    return true;
  }
  if (parent_in_tree && (errno == EACCES || errno == EPERM)) {
    // A folder inside the tree may have lost its write permission; it is ours to restore.
    struct stat info {};
    if (fstat(parent, &info) == 0 && info.st_uid == geteuid() &&
        fchmod(parent, info.st_mode | S_IRWXU) == 0) {
      return unlinkat(parent, name, flags) == 0 || errno == ENOENT;
    }
  }
  return false;
}

bool remove_entry(int parent, const char* name, bool parent_in_tree) {
  struct stat info {};
  if (fstatat(parent, name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
    return errno == ENOENT;
  }
  if (!S_ISDIR(info.st_mode)) {
    if (unlink_retrying(parent, name, 0, parent_in_tree)) {
      return true;
    }
    if (errno != EISDIR) {
      return false;
    }
    // Turned into a folder since it was looked at: fall through and treat it as one.
  }
  const int folder = openat(parent, name, kOpenFolder);
  if (folder < 0) {
    if (errno == ELOOP || errno == ENOTDIR) {
      // Replaced by a link or a file meanwhile: the entry itself goes, nothing behind it.
      return unlink_retrying(parent, name, 0, parent_in_tree);
    }
    return errno == ENOENT;
  }
  const bool emptied = empty_folder(folder);
  close(folder);
  return unlink_retrying(parent, name, AT_REMOVEDIR, parent_in_tree) && emptied;
}

// The mark of a held folder. It is made locked under another name and renamed into place,
// so whoever finds it under this name finds it held unless its holder is gone.
constexpr const char* kHoldMark = ".held";

}  // namespace

FolderCreation create_private_folder(const std::filesystem::path& path) {
  if (mkdir(path.c_str(), S_IRWXU) == 0) {
    return FolderCreation::created;
  }
  return errno == EEXIST ? FolderCreation::name_taken : FolderCreation::failed;
}

bool remove_tree_no_follow(const std::filesystem::path& root) {
  if (root.empty()) {
    return true;
  }
  std::filesystem::path parent_path = root.parent_path();
  std::filesystem::path name = root.filename();
  if (name.empty()) {
    // A trailing separator: "a/b/" names b.
    name = parent_path.filename();
    parent_path = parent_path.parent_path();
  }
  if (name.empty() || name == "." || name == "..") {
    return false;
  }
  if (parent_path.empty()) {
    parent_path = ".";
  }
  // The parent path is followed as given (it is where the caller put the folder); from the
  // root's own entry downwards no link is followed.
  const int parent = open(parent_path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (parent < 0) {
    return errno == ENOENT;
  }
  const bool removed = remove_entry(parent, name.c_str(), false);
  close(parent);
  return removed;
}

int hold_folder(const std::filesystem::path& folder) {
  const int directory = open(folder.c_str(), kOpenFolder);
  if (directory < 0) {
    return -1;
  }
  const std::string making = std::string(kHoldMark) + "." + std::to_string(getpid());
  // Kept open, and so locked, until the process ends; not passed on to programs it starts.
  const int mark = openat(directory, making.c_str(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
  const bool held = mark >= 0 && flock(mark, LOCK_EX | LOCK_NB) == 0 &&
                    renameat(directory, making.c_str(), directory, kHoldMark) == 0;
  if (!held) {
    unlinkat(directory, making.c_str(), 0);
  }
  close(directory);
  if (!held && mark >= 0) {
    close(mark);
    return -1;
  }
  return mark;
}

void release_folder(int hold) {
  if (hold >= 0) {
    close(hold);
  }
}

bool remove_folder_if_abandoned(const std::filesystem::path& folder) {
  const int directory = open(folder.c_str(), kOpenFolder);
  if (directory < 0) {
    return false;
  }
  struct stat info {};
  bool abandoned = false;
  int mark = -1;
  if (fstat(directory, &info) == 0 && info.st_uid == geteuid()) {
    mark = openat(directory, kHoldMark, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    // Held by a live process, the lock is refused; the removal keeps it, so no other
    // process cleaning up at the same time works on the same folder.
    abandoned = mark >= 0 && flock(mark, LOCK_EX | LOCK_NB) == 0;
  }
  close(directory);
  const bool removed = abandoned && remove_tree_no_follow(folder);
  if (mark >= 0) {
    close(mark);
  }
  return removed;
}

}  // namespace vn
