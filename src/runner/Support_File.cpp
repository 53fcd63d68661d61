#include "runner/Support_File.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>

#include "platform/Platform_File.h"
#include "platform/Platform_Process.h"
#include "platform/Platform_Signal.h"
#include "runner/Support_Message.h"

namespace vn {
namespace {

// Far more than the numbers there are: a base where nothing can be made fails, not hangs.
constexpr int kMaxDraws = 200000;

// tempdir.txt may come with a game made on Windows: "C:\temp" means "/temp" here.
std::string system_path(std::string line) {
  if (line.size() >= 2 && line[1] == ':' &&
      ((line[0] >= 'A' && line[0] <= 'Z') || (line[0] >= 'a' && line[0] <= 'z'))) {
    line.erase(0, 2);
  }
  for (char& c : line) {
    if (c == '\\') {
      c = '/';
    }
  }
  return line;
}

std::string absolute_base(const std::string& base) {
  std::error_code error;
  std::string path = std::filesystem::absolute(base, error).string();
  if (error) {
    path = base;
  }
  while (path.size() > 1 && path.back() == '/') {
    path.pop_back();
  }
  return path;
}

std::string inside(const std::string& folder, const std::string& name) {
  return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

std::vector<std::string> temp_folder_bases(const std::filesystem::path& executable_folder,
                                           const EnvironmentLookup& environment) {
  std::string base;
  std::ifstream list(executable_folder / "tempdir.txt", std::ios::binary);
  std::string line;
  // The first line ends at a CR, an LF or both, whichever the editor wrote.
  if (list && std::getline(list, line)) {
    line.erase(std::min(line.find('\r'), line.size()));
    base = system_path(line);
  }
  for (const char* name : {"TMPDIR", "TEMP", "TMP"}) {
    if (!base.empty()) {
      break;
    }
    base = environment(name);
  }
  if (base.empty()) {
    base = "/tmp";
  }
  std::error_code error;
  std::string current = std::filesystem::current_path(error).string();
  if (error) {
    current = ".";
  }
  return {absolute_base(base), "/tmp", current};
}

CTempFolder::CTempFolder()
    : random_(uint32_t(std::chrono::system_clock::now().time_since_epoch().count()) ^
              std::random_device()()) {}

CTempFolder::CTempFolder(uint32_t seed) : random_(seed) {}

CTempFolder::~CTempFolder() { release_folder(hold_); }

int CTempFolder::draw() { return std::uniform_int_distribution<int>(0, 99999)(random_); }

bool CTempFolder::create(const std::vector<std::string>& bases) {
  for (const std::string& base : bases) {
    std::error_code error;
    std::filesystem::create_directories(base, error);
    if (error || !std::filesystem::is_directory(base, error)) {
      continue;
    }
    for (int attempt = 0; attempt < kMaxDraws; ++attempt) {
      const std::string folder = inside(base, "vn_ttt_" + std::to_string(draw()));
      const FolderCreation made = create_private_folder(folder);
      if (made == FolderCreation::created) {
        base_ = base;
        folder_ = folder;
        removed_ = false;
        release_folder(hold_);
        hold_ = hold_folder(folder_);
        remove_abandoned_siblings();
        return true;
      }
      if (made == FolderCreation::failed) {
        break;
      }
    }
  }
  base_.clear();
  folder_.clear();
  return false;
}

std::string CTempFolder::file_name(std::string_view suffix) {
  std::string name;
  for (int attempt = 0; attempt < kMaxDraws; ++attempt) {
    name = inside(folder_, "a" + std::to_string(draw()) + std::string(suffix));
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(name, error))) {
      break;
    }
  }
  return name;
}

void CTempFolder::remove_abandoned_siblings() const {
  std::error_code failure;
  for (std::filesystem::directory_iterator it(base_, failure), end; !failure && it != end;
       it.increment(failure)) {
    const std::string name = it->path().filename().string();
    if (name.rfind("vn_ttt_", 0) != 0 || name.size() == 7 ||
        name.find_first_not_of("0123456789", 7) != std::string::npos ||
        it->path().string() == folder_) {
      continue;
    }
    remove_folder_if_abandoned(it->path());
  }
}

void CTempFolder::remove() {
  if (folder_.empty() || removed_) {
    return;
  }
  remove_tree_no_follow(folder_);
  release_folder(hold_);
  hold_ = -1;
  removed_ = true;
}

namespace {

struct RProcessTempFolder {
  CTempFolder folder;
  bool initialised = false;
};

RProcessTempFolder& process_temp_folder() {
  static RProcessTempFolder instance;
  return instance;
}

}  // namespace

void init_temp_folder() {
  RProcessTempFolder& state = process_temp_folder();
  if (state.initialised) {
    return;
  }
  state.initialised = true;
  const std::vector<std::string> bases =
      temp_folder_bases(executable_path().parent_path(), environment_variable);
  if (!state.folder.create(bases)) {
    show_message("Failed to create temp dir. This can cause serious problems with sounds, etc.");
    return;
  }
  // Also covers runs that end through exit() rather than the end of main, and runs ended
  // at once by a stop signal.
  std::atexit(remove_temp_folder);
  set_emergency_cleanup(temp_folder_emergency_cleanup({}));
}

const std::string& temp_folder() {
  init_temp_folder();
  return process_temp_folder().folder.folder();
}

std::string temp_file_name(std::string_view suffix) {
  init_temp_folder();
  return process_temp_folder().folder.file_name(suffix);
}

void remove_temp_folder() { process_temp_folder().folder.remove(); }

std::function<void()> temp_folder_emergency_cleanup(std::vector<std::filesystem::path> files) {
  std::string folder = process_temp_folder().folder.folder();
  return [files = std::move(files), folder = std::move(folder)] {
    for (const std::filesystem::path& file : files) {
      std::error_code ignored;
      std::filesystem::remove(file, ignored);
    }
    if (!folder.empty()) remove_tree_no_follow(folder);
  };
}

}  // namespace vn
