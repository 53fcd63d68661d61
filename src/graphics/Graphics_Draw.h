// Pictures drawn as textured quads, the way sprites, backgrounds and surfaces are drawn,
// and the textures of sprites and backgrounds.
#pragma once

#include <array>
#include <cstdint>

#include "graphics/Background_Class.h"
#include "graphics/Font_Class.h"
#include "graphics/Sprite_Class.h"

namespace vn {

// The texture of a frame (any index, wrapped) or of a background, made with those of every
// frame when first needed; -1 without pictures or without a device.
int sprite_frame_texture(const CSprite& sprite, int64_t frame);
int background_texture(const CBackground& background);
// The texture of a font's glyph sheet; -1 without a sheet or a device.
int font_texture(const CFont& font);

// The colour and alpha shapes, plain vertices and text are drawn with (draw_set_color,
// draw_set_alpha): a script colour 0x00BBGGRR and an alpha kept within 0 ... 1.
int32_t draw_color();
double draw_alpha();
void set_draw_color(int32_t color);
void set_draw_alpha(double alpha);
// Both in the device form 0xAARRGGBB.
uint32_t draw_device_color();

// Colours of a quad's corners in the device form, top-left, top-right, bottom-right,
// bottom-left.
using RQuadColors = std::array<uint32_t, 4>;
inline RQuadColors same_colors(uint32_t color) { return {color, color, color, color}; }

// The rectangle (left, top, width, height) of a texture's picture, in its pixels, drawn
// with the point (origin_x, origin_y) of that rectangle at (x, y), scaled about it, then
// turned by angle degrees about it (counter-clockwise on the screen). Texel centres land
// on pixel centres: the unturned quad starts half a pixel before x − origin × scale.
void draw_texture_part(int texture, double left, double top, double width, double height, double x,
                       double y, double origin_x, double origin_y, double xscale, double yscale,
                       double angle, const RQuadColors& colors);

// The area a tiled picture covers, in room coordinates.
struct RArea {
  double left = 0;
  double top = 0;
  double width = 0;
  double height = 0;
};

// A picture repeated every round(size × scale) pixels over the area in the directions
// asked, one tile's origin at (x, y) (a single row or column there otherwise).
void draw_texture_tiled(int texture, double origin_x, double origin_y, double x, double y,
                        double xscale, double yscale, bool tile_horizontal, bool tile_vertical,
                        const RArea& area, uint32_t color);

}  // namespace vn
