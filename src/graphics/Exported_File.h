// What exported sprite and background files share: the file read whole, then the leading
// number and one compressed block that opens with its version.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "support/Support_Stream.h"

namespace vn {

// The whole file as a stream; none when it cannot be read.
std::optional<CStream> exported_file_stream(const std::filesystem::path& path);

// Reads the leading number and the compressed block, then the block's version. False for
// a wrong number or version; a short or broken stream raises StreamError, for the
// caller's own reads of the block to be handled alike.
bool open_exported_block(CStream& stream, int32_t version, CStream& block);

}  // namespace vn
