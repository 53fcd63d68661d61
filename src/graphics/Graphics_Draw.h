// Pictures drawn as textured quads, the way sprites, backgrounds and surfaces are drawn,
// the textures of sprites and backgrounds, and the drawing state, shapes and primitive
// lists of the scripts.
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

// --- Shapes ---
// Shapes are drawn at the current depth in device colours (0xAARRGGBB). Vertices sit on
// pixel centres, so whole coordinates name pixels. A line lights the pixels from its start
// up to, not including, its end: (0, 0) to (10, 0) is row 0, columns 0 ... 9.

// Segments of circles, ellipses and rounded corners: 4 ... 64, a multiple of 4.
int circle_precision();
void set_circle_precision(int precision);

void draw_point(double x, double y, uint32_t color);
void draw_line(double x1, double y1, double x2, double y2, uint32_t color1, uint32_t color2);
// A filled quad width / 2 on each side of the line; nothing for a line of length 0.
void draw_line_width(double x1, double y1, double x2, double y2, double width, uint32_t color1,
                     uint32_t color2);
// Corners in any order; both corner pixels are covered. Colours top-left, top-right,
// bottom-right, bottom-left, wherever the corners were given.
void draw_rectangle(double x1, double y1, double x2, double y2, const RQuadColors& colors,
                    bool outline);
// The rectangle with rounded corners of diameter 10 (less in a smaller box); filled from the
// centre colour to the edge colour.
void draw_roundrect(double x1, double y1, double x2, double y2, uint32_t centre, uint32_t edge,
                    bool outline);
void draw_triangle(double x1, double y1, double x2, double y2, double x3, double y3,
                   uint32_t color1, uint32_t color2, uint32_t color3, bool outline);
// The ellipse inscribed in the box (x1, y1, x2, y2), filled from the centre colour to the
// edge colour.
void draw_ellipse(double x1, double y1, double x2, double y2, uint32_t centre, uint32_t edge,
                  bool outline);
// The line with a filled head at (x2, y2), size long at most and a third as wide each side.
void draw_arrow(double x1, double y1, double x2, double y2, double size, uint32_t color);
// A raised (up) or pressed button: 2-pixel bevels in white and grey around a face in the
// face colour; the bevels take the face's alpha.
void draw_button(double x1, double y1, double x2, double y2, bool up, uint32_t face);

struct RHealthbar {
  double amount = 0;  // 0 ... 100, clamped
  int32_t back_color = 0;
  int32_t min_color = 0;
  int32_t max_color = 0;
  int direction = 0;  // the bar grows from the left, right, top or bottom (0 ... 3)
  bool show_back = false;
  bool show_border = false;
};
// In the draw alpha; the bar's colour runs from min_color through their middle to max_color.
void draw_healthbar(double x1, double y1, double x2, double y2, const RHealthbar& bar);

// --- Primitive lists ---
// The kinds of draw_primitive_begin: 1 point list ... 6 triangle fan; others draw nothing.
constexpr size_t kPrimitiveMaxVertices = 1001;
// Empties the list; texture -1 draws the vertex colours alone.
void primitive_begin(int kind, int texture);
// Vertices beyond the 1001st are ignored.
void primitive_vertex(double x, double y, uint32_t color, double u, double v);
void primitive_end();

}  // namespace vn
