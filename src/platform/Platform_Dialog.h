// The common dialogs a game may ask for: choosing a file to open or save, a folder or a
// colour. The desktop's own dialogs (zenity) when that program is installed, else the
// runner's own forms. Texts and paths at this interface are Windows-1252, as the games
// see them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vn {

// --- Windows-style filters: "Text|*.txt;*.text|All|*.*" ---

struct RFileFilter {
  std::string description;            // Windows-1252
  std::vector<std::string> patterns;  // "*.txt", ...; "*.*" is kept as written
};
// Pairs of description and patterns; a description without patterns is dropped.
std::vector<RFileFilter> parse_file_filter(std::string_view filter);
// True when the file name (Windows-1252) matches one of the patterns, without regard to
// case; "*.*" matches every name, with or without a dot.
bool filter_matches(const RFileFilter& filter, std::string_view name);
// The filter as zenity's --file-filter takes it, "Text | *.[tT][xX][tT]" (UTF-8): the
// desktop's patterns heed case, the games' never did.
std::string zenity_file_filter(const RFileFilter& filter);

// --- The dialogs ---

enum class DialogOutcome {
  chosen,
  cancelled,
  unavailable,  // neither zenity nor a window could be shown
};

struct RDialogResult {
  DialogOutcome outcome = DialogOutcome::unavailable;
  std::string path;    // chosen file or folder, Windows-1252
  int32_t colour = 0;  // chosen colour: red in the low byte, blue in the high one
};

enum class FileDialogMode { open, save };

struct RFileDialogSetup {
  FileDialogMode mode = FileDialogMode::open;
  std::string caption;  // Windows-1252
  std::string filter;   // Windows-style, as above
  // The folder the dialog starts in and the name it proposes (system paths).
  std::filesystem::path folder;
  std::string name;  // Windows-1252
};
RDialogResult choose_file(const RFileDialogSetup& setup);

struct RFolderDialogSetup {
  std::string caption;  // Windows-1252
  std::filesystem::path folder;
  // Browsing stays inside this folder when it is set.
  std::filesystem::path root;
};
RDialogResult choose_folder(const RFolderDialogSetup& setup);

RDialogResult choose_colour(const std::string& caption, int32_t initial);

// The zenity to run, found on PATH; empty when there is none. Tests put their own first.
std::filesystem::path find_zenity();

// --- The runner's own file list, apart from its drawing ---

struct RFolderEntry {
  std::string name;  // as on disk (UTF-8); ".." for the parent
  bool folder = false;
};

class CFileListModel {
 public:
  CFileListModel(FileDialogMode mode, std::string_view filter, bool folders_only);

  // Goes to the folder; false (staying put) when it cannot be read or lies outside the root.
  bool enter(const std::filesystem::path& folder);
  void set_root(const std::filesystem::path& root);
  // Folders first, then files matching the current filter, each sorted by name without
  // regard to case; ".." leads unless the folder is the root.
  const std::vector<RFolderEntry>& entries() const { return entries_; }
  const std::filesystem::path& folder() const { return folder_; }

  const std::vector<RFileFilter>& filters() const { return filters_; }
  size_t filter_index() const { return filter_index_; }
  void select_filter(size_t index);

  // The name field (UTF-8, as typed).
  std::string name;
  // A click on an entry: a file fills the name field.
  void pick(const RFolderEntry& entry);
  // A double click, or OK on a folder name: folders are entered, files accepted.
  enum class Action { none, entered, accepted };
  Action activate(const RFolderEntry& entry);
  // OK: a folder in the name field is entered; otherwise the file is accepted (open: it
  // must exist). The accepted path is in accepted().
  Action confirm();
  const std::filesystem::path& accepted() const { return accepted_; }
  // Why the last confirm did nothing ("File not found."), empty otherwise.
  const std::string& problem() const { return problem_; }
  // Save over a file that exists: the form asks first.
  bool accepted_exists() const;

 private:
  void refresh();
  bool inside_root(const std::filesystem::path& folder) const;

  FileDialogMode mode_;
  bool folders_only_;
  std::vector<RFileFilter> filters_;
  size_t filter_index_ = 0;
  std::filesystem::path folder_;
  std::filesystem::path root_;
  std::vector<RFolderEntry> entries_;
  std::filesystem::path accepted_;
  std::string problem_;
};

}  // namespace vn
