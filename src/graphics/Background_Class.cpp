#include "graphics/Background_Class.h"

#include "support/Support_Record.h"

namespace vn {

constexpr int32_t kBackgroundVersion = 710;

void CBackground::read(CStream& stream) {
  *this = CBackground();
  expect_version(stream, kBackgroundVersion);
  image.read(stream);
}

void CBackground::write(CStream& stream) const {
  write_int(stream, kBackgroundVersion);
  image.write(stream);
}

}  // namespace vn
