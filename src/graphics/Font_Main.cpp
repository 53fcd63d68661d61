#include "graphics/Font_Main.h"

#include "graphics/Font_Build.h"
#include "world/Run_Global.h"

namespace vn {

CFont* font_at(int64_t index) {
  TResourceList<CFont>* fonts = world_resources().fonts;
  return fonts ? fonts->get(index) : nullptr;
}

std::string font_name(int64_t index) {
  const TResourceList<CFont>* fonts = world_resources().fonts;
  if (fonts == nullptr || !fonts->exists(index)) return "<undefined>";
  return fonts->names[size_t(index)];
}

int add_font(std::unique_ptr<CFont> font) {
  TResourceList<CFont>& fonts = *world_resources().fonts;
  const int index = int(fonts.size());
  fonts.add("__newfont" + std::to_string(index), std::move(font));
  return index;
}

bool delete_font(int64_t index) {
  TResourceList<CFont>* fonts = world_resources().fonts;
  if (fonts == nullptr || !fonts->exists(index)) return false;
  fonts->items[size_t(index)].reset();
  fonts->names[size_t(index)].clear();
  return true;
}

const CFont& default_font() {
  // Never destroyed: its texture must not go back to a table that may be gone at exit.
  static const CFont* const font = [] {
    auto* made = new CFont();
    made->font_name = "Arial";
    made->size = 12;
    made->first = 32;
    made->last = 127;
    build_font_sheet(*made);
    return made;
  }();
  return *font;
}

const CFont& font_or_default(int64_t index) {
  const CFont* font = font_at(index);
  return font ? *font : default_font();
}

}  // namespace vn
