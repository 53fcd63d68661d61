#include "graphics/Exported_File.h"

#include <string>
#include <utility>
#include <vector>

#include "graphics/BM32_File.h"
#include "platform/Platform_FileIo.h"

namespace vn {

std::optional<CStream> exported_file_stream(const std::filesystem::path& path) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!read_file(path, bytes, error)) return std::nullopt;
  return CStream(std::move(bytes));
}

bool open_exported_block(CStream& stream, int32_t version, CStream& block) {
  if (read_int(stream) != kExportedFileMagic) return false;
  block = read_compressed_block(stream);
  return read_int(block) == version;
}

}  // namespace vn
