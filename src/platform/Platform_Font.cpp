#include "platform/Platform_Font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <map>

#include "support/Support_Text.h"

namespace vn {
namespace {

struct RFaceFile {
  std::string path;
  int index = 0;
};

// FreeType and the faces opened so far live for the whole process.
class CFontCache {
 public:
  ~CFontCache() {
    for (auto& [key, face] : faces_) {
      if (face != nullptr) {
        FT_Done_Face(face);
      }
    }
    if (library_ != nullptr) {
      FT_Done_FreeType(library_);
    }
    if (config_ != nullptr) {
      FcConfigDestroy(config_);
    }
  }

  FT_Face face(const RFontRequest& request) {
    const std::string key =
        request.family + (request.bold ? "|b" : "|") + (request.italic ? "i" : "");
    auto found = faces_.find(key);
    if (found != faces_.end()) {
      return found->second;
    }
    FT_Face face = nullptr;
    const RFaceFile file = match(request);
    if (!file.path.empty() && start()) {
      if (FT_New_Face(library_, file.path.c_str(), file.index, &face) != 0) {
        face = nullptr;
      }
    }
    faces_[key] = face;
    return face;
  }

  // A face of its own for the caller, who closes it (FT_Done_Face); null when none.
  FT_Face open(const RFontRequest& request) {
    const RFaceFile file = match(request);
    FT_Face face = nullptr;
    if (file.path.empty() || !start() ||
        FT_New_Face(library_, file.path.c_str(), file.index, &face) != 0) {
      return nullptr;
    }
    return face;
  }

  // A configuration of our own, so that it can be released (the shared default one never
  // is) and so that other users of fontconfig are not affected.
  RFaceFile match(const RFontRequest& request) {
    RFaceFile file;
    if (config_ == nullptr) {
      config_ = FcInitLoadConfigAndFonts();
    }
    if (config_ == nullptr) {
      return file;
    }
    const std::string family =
        request.family.empty() ? "sans-serif" : cp1252_to_utf8(request.family);
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) {
      return file;
    }
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, request.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config_, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* matched = FcFontMatch(config_, pattern, &result);
    if (matched != nullptr) {
      FcChar8* path = nullptr;
      if (FcPatternGetString(matched, FC_FILE, 0, &path) == FcResultMatch && path != nullptr) {
        file.path = reinterpret_cast<const char*>(path);
        int index = 0;
        if (FcPatternGetInteger(matched, FC_INDEX, 0, &index) == FcResultMatch) {
          file.index = index;
        }
      }
      FcPatternDestroy(matched);
    }
    FcPatternDestroy(pattern);
    return file;
  }

 private:
  bool start() {
    if (library_ == nullptr && FT_Init_FreeType(&library_) != 0) {
      library_ = nullptr;
    }
    return library_ != nullptr;
  }

  FcConfig* config_ = nullptr;
  FT_Library library_ = nullptr;
  std::map<std::string, FT_Face> faces_;
};

CFontCache& cache() {
  static CFontCache instance;
  return instance;
}

// The input comes from cp1252_to_utf8, so it is well formed.
std::vector<char32_t> code_points(const std::string& utf8) {
  std::vector<char32_t> points;
  for (size_t i = 0; i < utf8.size();) {
    const auto lead = uint8_t(utf8[i]);
    const int extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
    char32_t point = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra && i + size_t(k) < utf8.size(); ++k) {
      point = (point << 6) | (uint8_t(utf8[i + size_t(k)]) & 0x3F);
    }
    points.push_back(point);
    i += size_t(extra) + 1;
  }
  return points;
}

struct RGlyph {
  int left = 0;  // pixels from the line origin
  int top = 0;   // pixels above the baseline
  int width = 0;
  int height = 0;
  std::vector<uint8_t> coverage;
};

RGlyph copy_glyph(const FT_GlyphSlot slot, int pen_x) {
  RGlyph glyph;
  const FT_Bitmap& bitmap = slot->bitmap;
  glyph.left = pen_x + slot->bitmap_left;
  glyph.top = slot->bitmap_top;
  glyph.width = int(bitmap.width);
  glyph.height = int(bitmap.rows);
  glyph.coverage.resize(size_t(glyph.width) * size_t(glyph.height));
  for (int y = 0; y < glyph.height; ++y) {
    const unsigned char* row = bitmap.buffer + std::ptrdiff_t(y) * bitmap.pitch;
    for (int x = 0; x < glyph.width; ++x) {
      uint8_t value = 0;
      if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
        value = (row[x >> 3] & (0x80 >> (x & 7))) != 0 ? 255 : 0;
      } else if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
        value = uint8_t(unsigned(row[x]) * 255 / std::max(1u, unsigned(bitmap.num_grays - 1)));
      }
      glyph.coverage[size_t(y) * size_t(glyph.width) + size_t(x)] = value;
    }
  }
  return glyph;
}

// The Unicode character of a Windows-1252 code.
char32_t code_point(int code) {
  const char byte = char(uint8_t(code));
  const std::vector<char32_t> points = code_points(cp1252_to_utf8(std::string_view(&byte, 1)));
  return points.empty() ? char32_t(0) : points.front();
}

FT_Face as_face(void* face) { return static_cast<FT_Face>(face); }

// Loads and renders the character into the face's glyph slot.
bool load_char(FT_Face face, int code) {
  const FT_UInt index = FT_Get_Char_Index(face, code_point(code));
  return FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) == 0;
}

int rounded_div(long value, long divisor) { return int((2 * value + divisor) / (2 * divisor)); }

}  // namespace

CFontFace::CFontFace(const RFontRequest& font) {
  FT_Face face = cache().open(font);
  if (face == nullptr) return;
  const int pixels = std::max(font.pixel_size, 1);
  if (FT_Set_Pixel_Sizes(face, 0, FT_UInt(pixels)) != 0) {
    FT_Done_Face(face);
    return;
  }
  face_ = face;
  // The games' system measured a line by the face's Windows ascent and descent, scaled
  // and rounded as a whole; other faces have only their general ones.
  long above = face->ascender;
  long below = -face->descender;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
    above = os2->usWinAscent;
    below = os2->usWinDescent;
  }
  const long units = std::max<long>(face->units_per_EM, 1);
  if (FT_IS_SCALABLE(face) && above + below > 0) {
    const int height = rounded_div((above + below) * pixels, units);
    descent_ = rounded_div(below * pixels, units);
    ascent_ = height - descent_;
  } else {
    ascent_ = int((face->size->metrics.ascender + 63) >> 6);
    descent_ = int((-face->size->metrics.descender + 63) >> 6);
  }
}

CFontFace::~CFontFace() {
  if (face_ != nullptr) FT_Done_Face(as_face(face_));
}

bool CFontFace::char_widths(int code, RCharWidths& widths) const {
  FT_Face face = as_face(face_);
  if (face == nullptr || !FT_IS_SCALABLE(face) || !load_char(face, code)) return false;
  const FT_GlyphSlot slot = face->glyph;
  const int advance = int((slot->advance.x + 32) >> 6);
  widths.a = slot->bitmap.width > 0 ? slot->bitmap_left : 0;
  widths.b = int(slot->bitmap.width);
  widths.c = advance - widths.a - widths.b;
  return true;
}

int CFontFace::text_width(int code) const {
  FT_Face face = as_face(face_);
  if (face == nullptr || !load_char(face, code)) return 0;
  return int((face->glyph->advance.x + 32) >> 6);
}

void CFontFace::draw_char(int code, int x, int y, uint8_t* canvas, int width, int height) const {
  FT_Face face = as_face(face_);
  if (face == nullptr || !load_char(face, code)) return;
  const RGlyph glyph = copy_glyph(face->glyph, x);
  const int top = y + ascent_ - glyph.top;
  for (int row = std::max(0, -top); row < glyph.height && top + row < height; ++row) {
    uint8_t* target = canvas + size_t(top + row) * size_t(width);
    const uint8_t* source = glyph.coverage.data() + size_t(row) * size_t(glyph.width);
    for (int column = std::max(0, -glyph.left); column < glyph.width && glyph.left + column < width;
         ++column) {
      uint8_t& pixel = target[glyph.left + column];
      pixel = std::max(pixel, source[column]);
    }
  }
}

std::string matched_font_file(const RFontRequest& font) { return cache().match(font).path; }

RTextMask render_text_line(std::string_view text, const RFontRequest& font) {
  RTextMask mask;
  FT_Face face = cache().face(font);
  if (face == nullptr || FT_Set_Pixel_Sizes(face, 0, FT_UInt(std::max(font.pixel_size, 1))) != 0) {
    return mask;
  }
  const FT_Size_Metrics& metrics = face->size->metrics;
  const int ascent = int((metrics.ascender + 63) >> 6);
  const int descent = int((-metrics.descender + 63) >> 6);

  std::vector<RGlyph> glyphs;
  FT_Pos pen = 0;  // 26.6
  FT_UInt previous = 0;
  int right = 0;
  int leftmost = 0;
  for (char32_t point : code_points(cp1252_to_utf8(text))) {
    const FT_UInt index = FT_Get_Char_Index(face, point);
    if (previous != 0 && index != 0 && FT_HAS_KERNING(face)) {
      FT_Vector kerning{};
      if (FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &kerning) == 0) {
        pen += kerning.x;
      }
    }
    if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) {
      continue;
    }
    glyphs.push_back(copy_glyph(face->glyph, int(pen >> 6)));
    const RGlyph& glyph = glyphs.back();
    pen += face->glyph->advance.x;
    leftmost = std::min(leftmost, glyph.left);
    right = std::max({right, glyph.left + glyph.width, int((pen + 63) >> 6)});
    previous = index;
  }

  mask.width = right - leftmost;
  mask.height = ascent + descent;
  mask.baseline = ascent;
  mask.alpha.assign(size_t(std::max(mask.width, 0)) * size_t(mask.height), 0);
  for (const RGlyph& glyph : glyphs) {
    for (int y = 0; y < glyph.height; ++y) {
      const int row = ascent - glyph.top + y;
      if (row < 0 || row >= mask.height) {
        continue;
      }
      for (int x = 0; x < glyph.width; ++x) {
        const int column = glyph.left - leftmost + x;
        uint8_t& target = mask.alpha[size_t(row) * size_t(mask.width) + size_t(column)];
        target = std::max(target, glyph.coverage[size_t(y) * size_t(glyph.width) + size_t(x)]);
      }
    }
  }
  return mask;
}

}  // namespace vn
