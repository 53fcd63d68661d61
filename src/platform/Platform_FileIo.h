// Whole-file reading and crash-safe writing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace vn {

// False with the system's reason when the file cannot be read.
bool read_file(const std::filesystem::path& path, std::vector<uint8_t>& bytes, std::string& error);

// Writes a new file beside the target, flushes it to the disk and renames it over the
// target, so that a crash at any point leaves either the old file or the new one.
bool write_file_atomic(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                       std::string& error);

}  // namespace vn
