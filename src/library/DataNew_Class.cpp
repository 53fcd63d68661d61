#include "library/DataNew_Class.h"

#include "platform/Platform_FileIo.h"
#include "support/Support_Path.h"
#include "support/Support_Record.h"

namespace vn {

constexpr int32_t kDataFileVersion = 800;

void CDataFile::read(CStream& stream) {
  *this = CDataFile();
  expect_version(stream, kDataFileVersion);
  file_name = read_string(stream);
  source_path = read_string(stream);
  stored = read_bool(stream);
  source_size = read_int(stream);
  data_follows = read_bool(stream);
  if (stored && data_follows) {
    data = read_raw_block(stream).take_bytes();
  }
  export_mode = read_int(stream);
  export_folder = read_string(stream);
  overwrite = read_bool(stream);
  free_after_export = read_bool(stream);
  remove_at_end = read_bool(stream);
}

void CDataFile::write(CStream& stream) const {
  write_int(stream, kDataFileVersion);
  write_string(stream, file_name);
  write_string(stream, source_path);
  write_bool(stream, stored);
  write_int(stream, source_size);
  write_bool(stream, data_follows);
  if (stored && data_follows) {
    write_raw_block(stream, data);
  }
  write_int(stream, export_mode);
  write_string(stream, export_folder);
  write_bool(stream, overwrite);
  write_bool(stream, free_after_export);
  write_bool(stream, remove_at_end);
}

bool CDataFile::has_folder_in_name() const {
  return file_name.find_first_of("\\/") != std::string::npos;
}

std::filesystem::path CDataFile::target(const RExportContext& context) const {
  switch (export_mode) {
    case kExportTemp:
      return context.temp_folder / game_path(file_name).relative_path();
    case kExportWorking:
      return game_path(file_name);
    default:
      return join_game_path(export_folder, file_name);
  }
}

bool CDataFile::export_file(const RExportContext& context) {
  if (!(stored && data_follows)) {
    return false;
  }
  if (export_mode == kExportNone) {
    return true;
  }
  if (export_mode < kExportTemp || export_mode > kExportFolder) {
    return false;
  }
  if (context.secure_mode && has_folder_in_name()) {
    if (context.report_error) {
      context.report_error("In secure mode you cannot export a data file to " + file_name);
    }
    return false;
  }
  if (export_mode == kExportFolder) {
    if (context.secure_mode) {
      if (context.report_error) {
        context.report_error(
            "In secure mode you cannot export a data file to an indicated directory.");
      }
      return false;
    }
    std::error_code ignored;
    std::filesystem::create_directories(game_path(export_folder), ignored);
  }
  std::filesystem::path path = target(context);
  std::error_code error;
  bool exists = std::filesystem::exists(path, error);
  bool written = false;
  if (!exists || overwrite) {
    std::string message;
    written = write_file_atomic(path, data, message);
  }
  if (free_after_export) {
    data.clear();
    data.shrink_to_fit();
    stored = false;
  }
  return written;
}

std::optional<std::filesystem::path> CDataFile::removal_target(
    const RExportContext& context) const {
  if (!remove_at_end || export_mode < kExportTemp || export_mode > kExportFolder) {
    return std::nullopt;
  }
  if (context.secure_mode && (has_folder_in_name() || export_mode == kExportFolder)) {
    return std::nullopt;
  }
  return target(context);
}

void CDataFile::remove_exported(const RExportContext& context) const {
  if (std::optional<std::filesystem::path> path = removal_target(context)) {
    std::error_code ignored;
    std::filesystem::remove(*path, ignored);
  }
}

}  // namespace vn
