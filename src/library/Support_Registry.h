// The registry the games were written for, kept as a per-user store file. Every root's keys
// live in the one file; keys and value names match without regard to case, as in the
// registry, and a value keeps its kind (real or string).
//
// The store file, "registry" in $XDG_CONFIG_HOME/varnock/ (else ~/.config/varnock/), is
// UTF-8 text with LF line ends:
//
//   varnock registry 1
//   key<TAB>HKEY_CURRENT_USER\Software\Varnock\1234
//   real<TAB>score<TAB>1500
//   string<TAB>player<TAB>Anna
//   end
//
// A key line starts a key; the value lines after it belong to it. A real is written in
// the shortest form that reads back to the same double ("nan", "inf" and "-inf" too). Key
// paths, names and strings are Windows-1252 inside and UTF-8 in the file; the bytes "%",
// TAB, CR, LF and the other control characters are written as "%" and two upper-case hex
// digits. The "end" line makes a complete file; a store is only ever replaced whole.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vn {

enum RegistryRoot {
  kCurrentUser = 0,
  kLocalMachine = 1,
  kClassesRoot = 2,
  kUsers = 3,
};

// The root a script's registry_set_root number picks (any other number: the current user).
RegistryRoot registry_root_from_number(int number);

struct RRegistryValue {
  bool is_real = false;
  double real = 0;
  std::string string;  // Windows-1252
  bool operator==(const RRegistryValue&) const = default;
};

// True for a real above 0, or a string that reads as such a number.
bool registry_value_truth(const RRegistryValue& value);

// The store's contents: keys by their lower-cased full path (root name first), values by
// their lower-cased name; each keeps its name as first written.
struct RRegistryKey {
  std::string path;
  std::map<std::string, std::pair<std::string, RRegistryValue>> values;
  bool operator==(const RRegistryKey&) const = default;
};
using RRegistryData = std::map<std::string, RRegistryKey>;

// The full path of a key below a root: the root's name, then the key's parts with empty
// ones dropped ("\Software\\x\" is "Software\x").
std::string registry_key_path(RegistryRoot root, std::string_view key);

std::string format_registry(const RRegistryData& data);
// False when the text is not a complete store; what could be read is in data all the same.
bool parse_registry(std::string_view text, RRegistryData& data);

class CRegistryStore {
 public:
  explicit CRegistryStore(std::filesystem::path folder);

  // Read on the first question, then kept; writes keep the copy up to date.
  std::optional<RRegistryValue> read(const std::string& key_path, std::string_view name);
  bool key_exists(const std::string& key_path);

  // Takes the lock, reads the file afresh (another game may have written it since), makes
  // the change, writes the whole store to a new file and renames it over the old one.
  // False when the store could not be written.
  bool write(const std::string& key_path, std::string_view name, const RRegistryValue& value);
  // The same for several values of one key in one replacement of the file, so that a
  // crash leaves either all of them or none changed.
  bool write(const std::string& key_path,
             const std::vector<std::pair<std::string, RRegistryValue>>& values);

  std::filesystem::path file() const { return folder_ / "registry"; }
  std::filesystem::path lock_file() const { return folder_ / "registry.lock"; }

 private:
  void load_once();
  // False when the file exists but cannot be read; a missing file is an empty store.
  bool load_file(RRegistryData& data) const;

  std::filesystem::path folder_;
  RRegistryData data_;
  bool loaded_ = false;
};

// The current user's store. The folder is found on the first call; tests may set another
// (which also drops what was read).
CRegistryStore& registry_store();
void set_registry_folder(const std::filesystem::path& folder);

// The secure-mode preference of the authoring tool: the value "Warning" of
// HKEY_CURRENT_USER\Software\Varnock\Version 8\Preferences read as a boolean, and, when a
// value "VarnockRunning" is there too, that one as well. Off when they are missing.
bool read_secure_mode_preference();

}  // namespace vn
