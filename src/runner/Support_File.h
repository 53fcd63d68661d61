// The run's private temp folder: every file the runner writes for its own use goes there,
// and the whole folder goes when the process ends.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace vn {

// Reads an environment variable; empty means not set.
using EnvironmentLookup = std::function<std::string(const char* name)>;

// The bases to try in order: the first line of "tempdir.txt" in the executable's folder
// (unless blank; a drive letter and backslashes of a Windows path are translated),
// else the first of $TMPDIR, $TEMP, $TMP that is set and not empty, else "/tmp"; then
// "/tmp"; then the current directory. Relative bases are made absolute against the current
// directory, so that a later change of directory does not move the folder.
std::vector<std::string> temp_folder_bases(const std::filesystem::path& executable_folder,
                                           const EnvironmentLookup& environment);

class CTempFolder {
 public:
  CTempFolder();  // seeded from the clock
  explicit CTempFolder(uint32_t seed);
  ~CTempFolder();
  CTempFolder(const CTempFolder&) = delete;
  CTempFolder& operator=(const CTempFolder&) = delete;

  // Tries each base in turn: base + "/vn_ttt_" + a number below 100000, drawn again while
  // the name is taken, created mode 0700 with any missing parents. False when every base
  // failed; the folder is then empty. The folder is held for as long as this process
  // lives, and the folders in the same base left by runners that died (killed before they
  // could remove theirs) are removed; a live runner's folder is never touched.
  bool create(const std::vector<std::string>& bases);

  const std::string& base_folder() const { return base_; }
  const std::string& folder() const { return folder_; }

  // folder + "/a" + a number below 100000 + suffix, drawn again while such a file exists.
  std::string file_name(std::string_view suffix);

  // Removes the folder and all it holds, never following a link out of it. Safe to call
  // again, and when the folder was never made or is already gone.
  void remove();

 private:
  int draw();

  void remove_abandoned_siblings() const;

  std::mt19937 random_;
  std::string base_;
  std::string folder_;
  int hold_ = -1;
  bool removed_ = false;
};

// The process-wide folder, made on the first call to any of these (or by
// init_temp_folder at start). When no base works the player is told once, with the message
// box, and the run goes on with an empty folder name.
void init_temp_folder();
const std::string& temp_folder();
std::string temp_file_name(std::string_view suffix);
// Called by main at the end; also registered to run at exit. Safe to call twice.
void remove_temp_folder();
// What a stop signal's last resort removes (run on the signal thread when the program does
// not end in time): these files, then the temp folder. Paths only, fixed when made.
std::function<void()> temp_folder_emergency_cleanup(std::vector<std::filesystem::path> files);

}  // namespace vn
