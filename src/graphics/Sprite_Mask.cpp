#include "graphics/Sprite_Mask.h"

#include <cstring>

#include "support/Support_Record.h"

namespace vn {

constexpr int32_t kMaskVersion = 800;

void TMask::read(CStream& stream) {
  *this = TMask();
  expect_version(stream, kMaskVersion);
  int32_t w = read_int(stream);
  int32_t h = read_int(stream);
  left = read_int(stream);
  right = read_int(stream);
  bottom = read_int(stream);
  top = read_int(stream);
  if (w < 0 || h < 0) {
    throw DataError("negative mask size");
  }
  int64_t count = int64_t(w) * int64_t(h);
  if (uint64_t(count) > stream.remaining() / 4) {
    throw StreamError("Stream read error");
  }
  width = w;
  height = h;
  cells.resize(size_t(count));
  const uint8_t* data = stream.data() + stream.position();
  for (size_t i = 0; i < cells.size(); ++i) {
    int32_t value;
    std::memcpy(&value, data + 4 * i, 4);
    cells[i] = value > 0 ? 1 : 0;
  }
  stream.skip(cells.size() * 4);
}

void TMask::write(CStream& stream) const {
  write_int(stream, kMaskVersion);
  write_int(stream, width);
  write_int(stream, height);
  write_int(stream, left);
  write_int(stream, right);
  write_int(stream, bottom);
  write_int(stream, top);
  std::vector<int32_t> values(cells.begin(), cells.end());
  stream.write(values.data(), values.size() * 4);
}

}  // namespace vn
