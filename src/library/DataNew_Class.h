// An included file: a file carried by the game and exported when it starts.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/Support_Stream.h"

namespace vn {

enum ExportMode { kExportNone = 0, kExportTemp = 1, kExportWorking = 2, kExportFolder = 3 };

// What exporting and removing need from the running game.
struct RExportContext {
  std::filesystem::path temp_folder;
  bool secure_mode = false;
  std::function<void(const std::string&)> report_error;  // a non-fatal error
};

class CDataFile {
 public:
  std::string file_name;    // without folder
  std::string source_path;  // where the file came from when the game was made
  bool stored = false;
  int32_t source_size = 0;
  bool data_follows = false;
  std::vector<uint8_t> data;  // present when stored and data_follows
  int export_mode = kExportWorking;
  std::string export_folder;
  bool overwrite = false;
  bool free_after_export = true;
  bool remove_at_end = true;

  // Included-file record, version 800 (the payload of one compressed block).
  void read(CStream& stream);
  void write(CStream& stream) const;

  // The start-of-game export; false when the file could not be written.
  bool export_file(const RExportContext& context);
  // The end-of-game removal of what export_file wrote.
  void remove_exported(const RExportContext& context) const;
  // What remove_exported would remove; none when it removes nothing.
  std::optional<std::filesystem::path> removal_target(const RExportContext& context) const;

  bool operator==(const CDataFile&) const = default;

 private:
  bool has_folder_in_name() const;
  std::filesystem::path target(const RExportContext& context) const;
};

}  // namespace vn
