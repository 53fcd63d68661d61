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
  return fonts ? fonts->name_of(index) : "<undefined>";
}

int add_font(std::unique_ptr<CFont> font) {
  return world_resources().fonts->add_new("__newfont", std::move(font));
}

bool delete_font(int64_t index) {
  TResourceList<CFont>* fonts = world_resources().fonts;
  return fonts != nullptr && fonts->remove(index);
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
