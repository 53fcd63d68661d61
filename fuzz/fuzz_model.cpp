// Any text given to a model's reader either replaces its records with some that write
// back to a text the reader takes again unchanged, or is refused and leaves the records
// as they were.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "graphics/Graphics_3D_Model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  vn::C3D_Model model;
  model.add(vn::kModelPrimitiveBegin, {4});
  model.add(vn::kModelVertexColor, {1.5, -2, 3, 255, 0.5});
  model.add(vn::kModelPrimitiveEnd, {});
  const std::string before = model.write_text();
  if (!model.read_text(text)) {
    if (model.write_text() != before) std::abort();
    return 0;
  }
  const std::string after = model.write_text();
  vn::C3D_Model again;
  if (!again.read_text(after) || again.write_text() != after) std::abort();
  return 0;
}
