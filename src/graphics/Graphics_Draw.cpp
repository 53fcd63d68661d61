#include "graphics/Graphics_Draw.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "graphics/BM32_Color.h"
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
    font.texture.assign(
        {texture_create_from_alpha(font.sheet_width, font.sheet_height, font.sheet)});
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

namespace {

// Cosines and sines of precision + 1 steps round the circle, the last one back at the start.
struct RCircleTable {
  int precision = 0;
  std::array<double, 65> cosines{};
  std::array<double, 65> sines{};
};

void fill_circle_table(RCircleTable& table, int precision) {
  table.precision = precision;
  for (int i = 0; i <= precision; ++i) {
    table.cosines[size_t(i)] = std::cos(2 * kPi * i / precision);
    table.sines[size_t(i)] = std::sin(2 * kPi * i / precision);
  }
}

RCircleTable& circle_table() {
  static RCircleTable table = [] {
    RCircleTable made;
    fill_circle_table(made, 24);
    return made;
  }();
  return table;
}

// Room for the outline of the largest ellipse or rounded rectangle, closed, and its centre.
constexpr size_t kMaxShapeVertices = 4 * (64 / 4 + 1) + 2;

RVertex vertex(double x, double y, uint32_t color) {
  return RVertex{float(x), float(y), graphics_device().current_depth(), color, 0, 0};
}

// A line whose end lies exactly on a pixel centre sits on the edge of the rule that decides
// whether that pixel is lit, and the GPU decides it by the line's direction: a closed
// outline could lose its corner pixels. Lines are moved by 1/128 of a pixel, which lights
// the same pixels wherever the rule is not on an edge.
constexpr float kLineOffset = 1.0f / 128;

RVertex& off_centre(RVertex& line_end) {
  line_end.x += kLineOffset;
  line_end.y += kLineOffset;
  return line_end;
}

RVertex line_vertex(double x, double y, uint32_t color) {
  RVertex end = vertex(x, y, color);
  return off_centre(end);
}

// The far edge of a rectangle: a whole coordinate moves just past the pixel centre so that
// the last row or column is covered.
double covering_edge(double edge) { return std::floor(edge) == edge ? edge + 0.01 : edge; }

void sort_corners(double& x1, double& y1, double& x2, double& y2) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
}

// A fan from the centre over the points, or the points as a closed line strip. The points
// come after the centre in `vertices`, the first of them repeated at their end.
void draw_round_shape(RVertex* vertices, size_t points, bool outline) {
  if (outline) {
    for (size_t i = 1; i <= points; ++i) off_centre(vertices[i]);
    graphics_device().draw(RPrimitive::line_strip, vertices + 1, points, -1);
  } else {
    graphics_device().draw(RPrimitive::triangle_fan, vertices, points + 1, -1);
  }
}

uint32_t with_alpha_of(uint32_t device_color_value, int32_t script_color) {
  return (device_color(script_color, 1) & 0x00FFFFFFu) | (device_color_value & 0xFF000000u);
}

}  // namespace

int circle_precision() { return circle_table().precision; }

void set_circle_precision(int precision) {
  fill_circle_table(circle_table(), std::clamp(precision, 4, 64) / 4 * 4);
}

void draw_point(double x, double y, uint32_t color) {
  const RVertex point = vertex(x, y, color);
  graphics_device().draw(RPrimitive::points, &point, 1, -1);
}

void draw_line(double x1, double y1, double x2, double y2, uint32_t color1, uint32_t color2) {
  const RVertex line[2] = {line_vertex(x1, y1, color1), line_vertex(x2, y2, color2)};
  graphics_device().draw(RPrimitive::lines, line, 2, -1);
}

void draw_line_width(double x1, double y1, double x2, double y2, double width, uint32_t color1,
                     uint32_t color2) {
  const double length = std::hypot(x2 - x1, y2 - y1);
  if (length == 0 || !std::isfinite(length)) return;
  const double nx = -(y2 - y1) / length * width / 2;
  const double ny = (x2 - x1) / length * width / 2;
  const RVertex quad[4] = {vertex(x1 + nx, y1 + ny, color1), vertex(x2 + nx, y2 + ny, color2),
                           vertex(x2 - nx, y2 - ny, color2), vertex(x1 - nx, y1 - ny, color1)};
  graphics_device().draw(RPrimitive::triangle_fan, quad, 4, -1);
}

void draw_rectangle(double x1, double y1, double x2, double y2, const RQuadColors& colors,
                    bool outline) {
  sort_corners(x1, y1, x2, y2);
  x2 = covering_edge(x2);
  y2 = covering_edge(y2);
  RVertex corners[5] = {vertex(x1, y1, colors[0]), vertex(x2, y1, colors[1]),
                        vertex(x2, y2, colors[2]), vertex(x1, y2, colors[3]),
                        vertex(x1, y1, colors[0])};
  if (outline) {
    for (RVertex& corner : corners) off_centre(corner);
    graphics_device().draw(RPrimitive::line_strip, corners, 5, -1);
  } else {
    graphics_device().draw(RPrimitive::triangle_fan, corners, 4, -1);
  }
}

void draw_roundrect(double x1, double y1, double x2, double y2, uint32_t centre, uint32_t edge,
                    bool outline) {
  sort_corners(x1, y1, x2, y2);
  x2 = covering_edge(x2);
  y2 = covering_edge(y2);
  const double rx = std::min(10.0, x2 - x1) / 2;
  const double ry = std::min(10.0, y2 - y1) / 2;
  const RCircleTable& table = circle_table();
  const int quarter = table.precision / 4;
  // Clockwise on the screen from the right end of the bottom-right corner; each corner turns
  // a quarter about its own centre.
  const double centres[4][2] = {
      {x2 - rx, y2 - ry}, {x1 + rx, y2 - ry}, {x1 + rx, y1 + ry}, {x2 - rx, y1 + ry}};
  std::array<RVertex, kMaxShapeVertices> vertices;
  vertices[0] = vertex((x1 + x2) / 2, (y1 + y2) / 2, centre);
  size_t count = 1;
  for (int corner = 0; corner < 4; ++corner) {
    for (int i = corner * quarter; i <= (corner + 1) * quarter; ++i) {
      vertices[count++] = vertex(centres[corner][0] + rx * table.cosines[size_t(i)],
                                 centres[corner][1] + ry * table.sines[size_t(i)], edge);
    }
  }
  vertices[count++] = vertices[1];
  draw_round_shape(vertices.data(), count - 1, outline);
}

void draw_triangle(double x1, double y1, double x2, double y2, double x3, double y3,
                   uint32_t color1, uint32_t color2, uint32_t color3, bool outline) {
  RVertex corners[4] = {vertex(x1, y1, color1), vertex(x2, y2, color2), vertex(x3, y3, color3),
                        vertex(x1, y1, color1)};
  if (outline) {
    for (RVertex& corner : corners) off_centre(corner);
  }
  graphics_device().draw(outline ? RPrimitive::line_strip : RPrimitive::triangles, corners,
                         outline ? 4 : 3, -1);
}

void draw_ellipse(double x1, double y1, double x2, double y2, uint32_t centre, uint32_t edge,
                  bool outline) {
  const double cx = (x1 + x2) / 2;
  const double cy = (y1 + y2) / 2;
  const double rx = (x2 - x1) / 2;
  const double ry = (y2 - y1) / 2;
  const RCircleTable& table = circle_table();
  std::array<RVertex, kMaxShapeVertices> vertices;
  vertices[0] = vertex(cx, cy, centre);
  for (int i = 0; i <= table.precision; ++i) {
    vertices[size_t(i) + 1] =
        vertex(cx + rx * table.cosines[size_t(i)], cy + ry * table.sines[size_t(i)], edge);
  }
  draw_round_shape(vertices.data(), size_t(table.precision) + 1, outline);
}

void draw_arrow(double x1, double y1, double x2, double y2, double size, uint32_t color) {
  draw_line(x1, y1, x2, y2, color, color);
  const double length = std::hypot(x2 - x1, y2 - y1);
  const double head = std::min(size, length);
  if (!(head > 0) || !std::isfinite(length)) return;
  const double dx = (x2 - x1) / length;
  const double dy = (y2 - y1) / length;
  const double bx = x2 - dx * head;
  const double by = y2 - dy * head;
  const double half = head / 3;
  const RVertex triangle[3] = {vertex(x2, y2, color), vertex(bx - dy * half, by + dx * half, color),
                               vertex(bx + dy * half, by - dx * half, color)};
  graphics_device().draw(RPrimitive::triangles, triangle, 3, -1);
}

void draw_button(double x1, double y1, double x2, double y2, bool up, uint32_t face) {
  sort_corners(x1, y1, x2, y2);
  const uint32_t white = with_alpha_of(face, 0xFFFFFF);
  const uint32_t grey = with_alpha_of(face, 8421504);
  const uint32_t upper_left = up ? white : grey;
  const uint32_t lower_right = up ? grey : white;
  // The whole box in the lower-right bevel's colour, then the upper-left bevel over it as
  // two trapezoids meeting on the diagonals, then the face.
  draw_rectangle(x1, y1, x2, y2, same_colors(lower_right), false);
  const double right = covering_edge(x2);
  const double bottom = covering_edge(y2);
  const RVertex bevel[12] = {vertex(x1, y1, upper_left),
                             vertex(right, y1, upper_left),
                             vertex(right - 2, y1 + 2, upper_left),
                             vertex(x1, y1, upper_left),
                             vertex(right - 2, y1 + 2, upper_left),
                             vertex(x1 + 2, y1 + 2, upper_left),
                             vertex(x1, y1, upper_left),
                             vertex(x1 + 2, y1 + 2, upper_left),
                             vertex(x1 + 2, bottom - 2, upper_left),
                             vertex(x1, y1, upper_left),
                             vertex(x1 + 2, bottom - 2, upper_left),
                             vertex(x1, bottom, upper_left)};
  graphics_device().draw(RPrimitive::triangles, bevel, 12, -1);
  if (x2 - x1 >= 4 && y2 - y1 >= 4) {
    draw_rectangle(x1 + 2, y1 + 2, x2 - 2, y2 - 2, same_colors(face), false);
  }
}

void draw_healthbar(double x1, double y1, double x2, double y2, const RHealthbar& bar) {
  const double alpha = draw_alpha();
  const uint32_t black = device_color(0, alpha);
  if (bar.show_back) {
    draw_rectangle(x1, y1, x2, y2, same_colors(device_color(bar.back_color, alpha)), false);
  }
  if (bar.show_border) draw_rectangle(x1, y1, x2, y2, same_colors(black), true);
  const double amount = std::isnan(bar.amount) ? 0.0 : std::clamp(bar.amount, 0.0, 100.0);
  const int32_t middle = int32_t(merge_color(bar.min_color, bar.max_color, 0.5));
  const int32_t color = amount <= 50
                            ? int32_t(merge_color(bar.min_color, middle, amount / 50))
                            : int32_t(merge_color(middle, bar.max_color, (amount - 50) / 50));
  // An empty bar is no bar at all: a rectangle of no width would still cover a pixel column.
  if (amount <= 0) return;
  const double part = amount / 100;
  double left = x1, top = y1, right = x2, bottom = y2;
  switch (bar.direction) {
    case 1:
      left = x2 - (x2 - x1) * part;
      break;
    case 2:
      bottom = y1 + (y2 - y1) * part;
      break;
    case 3:
      top = y2 - (y2 - y1) * part;
      break;
    default:
      right = x1 + (x2 - x1) * part;
      break;
  }
  draw_rectangle(left, top, right, bottom, same_colors(device_color(color, alpha)), false);
  if (bar.show_border) draw_rectangle(left, top, right, bottom, same_colors(black), true);
}

namespace {

struct RPrimitiveList {
  int kind = 0;
  bool lines = false;
  int texture = -1;
  size_t count = 0;
  std::array<RVertex, kPrimitiveMaxVertices> vertices;
};

RPrimitiveList& primitive_list() {
  static RPrimitiveList list;
  return list;
}

}  // namespace

void primitive_begin(int kind, int texture) {
  RPrimitiveList& list = primitive_list();
  list.kind = kind;
  list.lines = kind == 2 || kind == 3;
  list.texture = texture;
  list.count = 0;
}

void primitive_vertex(double x, double y, uint32_t color, double u, double v) {
  RPrimitiveList& list = primitive_list();
  if (list.count >= kPrimitiveMaxVertices) return;
  list.vertices[list.count++] =
      RVertex{float(x), float(y), graphics_device().current_depth(), color, float(u), float(v)};
}

void primitive_end() {
  static constexpr RPrimitive kKinds[] = {RPrimitive::points,         RPrimitive::lines,
                                          RPrimitive::line_strip,     RPrimitive::triangles,
                                          RPrimitive::triangle_strip, RPrimitive::triangle_fan};
  RPrimitiveList& list = primitive_list();
  if (list.kind < 1 || list.kind > 6) return;
  graphics_device().draw(kKinds[list.kind - 1], list.vertices.data(), list.count, list.texture);
}

}  // namespace vn
