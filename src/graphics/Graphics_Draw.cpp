#include "graphics/Graphics_Draw.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Texture.h"

namespace vn {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct RDrawColor {
  int32_t color = 0;
  double alpha = 1;
};

RDrawColor& current_draw_color() {
  static RDrawColor state;
  return state;
}

}  // namespace

int32_t draw_color() { return current_draw_color().color; }
double draw_alpha() { return current_draw_color().alpha; }
void set_draw_color(int32_t color) { current_draw_color().color = color; }
void set_draw_alpha(double alpha) {
  current_draw_color().alpha = std::isnan(alpha) ? 0.0 : std::clamp(alpha, 0.0, 1.0);
}
uint32_t draw_device_color() {
  return device_color(current_draw_color().color, current_draw_color().alpha);
}

int sprite_frame_texture(const CSprite& sprite, int64_t frame) {
  if (sprite.frames.empty()) return -1;
  if (!sprite.textures.valid() || sprite.textures.ids().size() != sprite.frames.size()) {
    if (texture_renderer() == nullptr) return -1;
    std::vector<int> ids;
    ids.reserve(sprite.frames.size());
    for (const TBitmap32& picture : sprite.frames)
      ids.push_back(texture_create_from_image(picture));
    sprite.textures.assign(std::move(ids));
  }
  return sprite.textures.ids()[size_t(sprite.wrap_frame(frame))];
}

int background_texture(const CBackground& background) {
  if (!background.image.has_pixels()) return -1;
  if (!background.texture.valid() || background.texture.ids().empty()) {
    if (texture_renderer() == nullptr) return -1;
    background.texture.assign({texture_create_from_image(background.image)});
  }
  return background.texture.ids().front();
}

int font_texture(const CFont& font) {
  if (font.sheet_width < 1 || font.sheet_height < 1) return -1;
  if (!font.texture.valid() || font.texture.ids().empty()) {
    if (texture_renderer() == nullptr) return -1;
    font.texture.assign({texture_create_from_alpha(font.sheet_width, font.sheet_height, font.sheet)});
  }
  return font.texture.ids().front();
}

void draw_texture_part(int texture, double left, double top, double width, double height, double x,
                       double y, double origin_x, double origin_y, double xscale, double yscale,
                       double angle, const RQuadColors& colors) {
  const RTexture* picture = texture_at(texture);
  if (picture == nullptr) return;
  const double x0 = -origin_x * xscale;
  const double y0 = -origin_y * yscale;
  const double x1 = (width - origin_x) * xscale;
  const double y1 = (height - origin_y) * yscale;
  double corners[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
  const double radians = angle * kPi / 180;
  if (std::fabs(radians) >= 0.001) {
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    for (auto& corner : corners) {
      const double dx = corner[0];
      const double dy = corner[1];
      corner[0] = dx * c + dy * s;
      corner[1] = -dx * s + dy * c;
    }
  }
  const double u0 = left / picture->texture_width;
  const double v0 = top / picture->texture_height;
  const double u1 = (left + width) / picture->texture_width;
  const double v1 = (top + height) / picture->texture_height;
  const double uv[4][2] = {{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}};
  const float z = graphics_device().current_depth();
  RVertex quad[4];
  for (int i = 0; i < 4; ++i) {
    quad[i] = RVertex{float(x + corners[i][0] - 0.5),
                      float(y + corners[i][1] - 0.5),
                      z,
                      colors[size_t(i)],
                      float(uv[i][0]),
                      float(uv[i][1])};
  }
  graphics_device().draw(RPrimitive::triangle_fan, quad, 4, texture);
}

namespace {

// The tile starts along one direction: from the first tile that reaches into the area, one
// every step, until the area's end.
std::vector<double> tile_starts(double position, int step, double area_start, double area_size,
                                bool tiled) {
  const long start_position = std::lround(position);
  if (!tiled) return {double(start_position)};
  long start = start_position % step;  // the sign of the position, as the games computed it
  if (start >= 1) start -= step;
  while (start + step < area_start) start += step;
  std::vector<double> starts;
  for (long at = start; at < area_start + area_size; at += step) starts.push_back(double(at));
  return starts;
}

}  // namespace

void draw_texture_tiled(int texture, double origin_x, double origin_y, double x, double y,
                        double xscale, double yscale, bool tile_horizontal, bool tile_vertical,
                        const RArea& area, uint32_t color) {
  const RTexture* picture = texture_at(texture);
  if (picture == nullptr) return;
  const long tile_width = std::lround(picture->width * xscale);
  const long tile_height = std::lround(picture->height * yscale);
  if (tile_width < 1 || tile_height < 1) return;
  // The origin of one tile lands on (x, y); the tiles are placed by their top-left corners.
  const std::vector<double> columns =
      tile_starts(x - origin_x * xscale, int(tile_width), area.left, area.width, tile_horizontal);
  const std::vector<double> rows =
      tile_starts(y - origin_y * yscale, int(tile_height), area.top, area.height, tile_vertical);
  // Tiles meet edge to edge: repeating texture coordinates would bleed across them.
  CGraphicsDevice& device = graphics_device();
  const bool repeat = device.states().texture_repeat;
  if (repeat) device.set_texture_repeat(false);
  const RQuadColors colors = same_colors(color);
  for (double row : rows) {
    for (double column : columns) {
      draw_texture_part(texture, 0, 0, picture->width, picture->height, column + origin_x * xscale,
                        row + origin_y * yscale, origin_x, origin_y, xscale, yscale, 0, colors);
    }
  }
  if (repeat) device.set_texture_repeat(true);
}

}  // namespace vn
