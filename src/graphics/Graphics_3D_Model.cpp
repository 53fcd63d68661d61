#include "graphics/Graphics_3D_Model.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <span>
#include <system_error>

#include "graphics/Graphics_3D.h"
#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Draw.h"
#include "graphics/Graphics_Matrix.h"
#include "platform/Platform_FileIo.h"
#include "script/Code_Value.h"

namespace vn {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

// The shortest a record can be in a file: eleven one-character numbers, each after one
// separator. A count above what the rest of the text could hold is damage, found before
// anything is allocated for it.
constexpr size_t kShortestRecord = 2 * (1 + kModelValues);

// Longer than any number the writer produces (the largest finite value in fixed notation
// has 309 digits before the point); a longer token is not one of ours.
constexpr size_t kLongestNumber = 1024;

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Decimal numbers only: an optional sign, digits with an optional point (at least one digit
// in all), an optional exponent. No hexadecimal, infinities or not-a-numbers.
bool plain_decimal(std::string_view token) {
  size_t i = 0;
  if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
  size_t digits = 0;
  while (i < token.size() && is_digit(token[i])) ++i, ++digits;
  if (i < token.size() && token[i] == '.') {
    ++i;
    while (i < token.size() && is_digit(token[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < token.size() && (token[i] == 'e' || token[i] == 'E')) {
    ++i;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
    size_t exponent_digits = 0;
    while (i < token.size() && is_digit(token[i])) ++i, ++exponent_digits;
    if (exponent_digits == 0) return false;
  }
  return i == token.size();
}

// Reads the white-space separated numbers of a model file.
class NumberReader {
 public:
  explicit NumberReader(std::string_view text) : text_(text) {}

  bool number(double& value) {
    while (at_ < text_.size() && is_space(text_[at_])) ++at_;
    size_t start = at_;
    while (at_ < text_.size() && !is_space(text_[at_])) ++at_;
    std::string_view token = text_.substr(start, at_ - start);
    if (token.empty() || token.size() > kLongestNumber || !plain_decimal(token)) return false;
    if (token.front() == '+') token.remove_prefix(1);
    auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
    return error == std::errc() && end == token.data() + token.size() && std::isfinite(value);
  }

  // A whole number within [low, high].
  bool integer(int64_t low, int64_t high, int64_t& value) {
    double read = 0;
    if (!number(read) || read != std::floor(read) || read < double(low) || read > double(high)) {
      return false;
    }
    value = int64_t(read);
    return true;
  }

  size_t left() const { return text_.size() - at_; }

  bool only_space_left() const {
    for (size_t i = at_; i < text_.size(); ++i) {
      if (!is_space(text_[i])) return false;
    }
    return true;
  }

 private:
  std::string_view text_;
  size_t at_ = 0;
};

int32_t whole(double value) { return round_to_int32(value); }

}  // namespace

std::string format_model_value(double value) {
  if (!std::isfinite(value)) value = 0;
  char buffer[400];
  auto [end, error] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 4);
  if (error != std::errc()) return "0.0000";
  std::string text(buffer, end);
  if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
  return text;
}

void C3D_Model::add(int32_t kind, std::initializer_list<double> values) {
  RModelRecord record;
  record.kind = kind;
  size_t i = 0;
  for (double value : values) {
    if (i == record.values.size()) break;
    record.values[i++] = value;
  }
  records_.push_back(record);
  built_ = false;
}

std::string C3D_Model::write_text() const {
  std::string text;
  text.reserve(16 + records_.size() * 96);
  text += std::to_string(kModelFileVersion);
  text += kLineEnd;
  text += std::to_string(records_.size());
  text += kLineEnd;
  for (const RModelRecord& record : records_) {
    text += std::to_string(record.kind);
    for (double value : record.values) {
      text += ' ';
      text += format_model_value(value);
    }
    text += kLineEnd;
  }
  return text;
}

bool C3D_Model::read_text(std::string_view text) {
  NumberReader reader(text);
  double version = 0;
  if (!reader.number(version) || version != kModelFileVersion) return false;
  int64_t count = 0;
  if (!reader.integer(0, INT32_MAX, count)) return false;
  if (uint64_t(count) > reader.left() / kShortestRecord) return false;
  std::vector<RModelRecord> read(static_cast<size_t>(count));
  for (RModelRecord& record : read) {
    int64_t kind = 0;
    if (!reader.integer(0, kModelRecordKinds - 1, kind)) return false;
    record.kind = int32_t(kind);
    for (double& value : record.values) {
      if (!reader.number(value)) return false;
    }
  }
  if (!reader.only_space_left()) return false;
  records_ = std::move(read);
  built_ = false;
  return true;
}

// The open list behaves as the script's own does: begin empties it, vertices past the
// limit are dropped, and every end draws what it holds.
void C3D_Model::build(uint32_t draw_color) const {
  pieces_.clear();
  RPiece open;
  auto vertex = [&](const auto& v, double nx, double ny, double nz, double u, double tv,
                    uint32_t color) {
    if (open.vertices.size() >= kD3DMaxVertices) return;
    open.vertices.push_back(d3d_device_vertex(v[0], v[1], v[2], nx, ny, nz, u, tv, color));
  };
  auto own = [](double color, double alpha) { return device_color(whole(color), alpha); };
  for (const RModelRecord& record : records_) {
    const auto& v = record.values;
    switch (record.kind) {
      case kModelPrimitiveBegin:
        open.kind = whole(v[0]);
        open.vertices.clear();
        break;
      case kModelPrimitiveEnd:
        if (open.kind >= 1 && open.kind <= 6) pieces_.push_back(open);
        break;
      case kModelVertex:
        vertex(v, 0, 0, 0, 0, 0, draw_color);
        break;
      case kModelVertexColor:
        vertex(v, 0, 0, 0, 0, 0, own(v[3], v[4]));
        break;
      case kModelVertexTexture:
        vertex(v, 0, 0, 0, v[3], v[4], draw_color);
        break;
      case kModelVertexTextureColor:
        vertex(v, 0, 0, 0, v[3], v[4], own(v[5], v[6]));
        break;
      case kModelVertexNormal:
        vertex(v, v[3], v[4], v[5], 0, 0, draw_color);
        break;
      case kModelVertexNormalColor:
        vertex(v, v[3], v[4], v[5], 0, 0, own(v[6], v[7]));
        break;
      case kModelVertexNormalTexture:
        vertex(v, v[3], v[4], v[5], v[6], v[7], draw_color);
        break;
      case kModelVertexNormalTextureColor:
        vertex(v, v[3], v[4], v[5], v[6], v[7], own(v[8], v[9]));
        break;
      default: {
        RPiece shape;
        shape.shape = int(&record - records_.data());
        pieces_.push_back(std::move(shape));
        break;
      }
    }
  }
  built_ = true;
  built_color_ = draw_color;
}

void C3D_Model::draw(double x, double y, double z, int texture) const {
  const uint32_t draw_color = draw_device_color();
  if (!built_ || draw_color != built_color_) build(draw_color);
  CGraphicsDevice& device = graphics_device();
  const RMatrix world = device.world();
  const bool moved = x != 0 || y != 0 || z != 0;
  if (moved) device.set_world(matrix_multiply(matrix_translation(x, y, z), world));
  for (const RPiece& piece : pieces_) {
    if (piece.shape < 0) {
      d3d_draw_primitive(piece.kind, piece.vertices.data(), piece.vertices.size(), texture);
      continue;
    }
    const RModelRecord& shape = records_[size_t(piece.shape)];
    const auto& v = shape.values;
    const RBox3 box{v[0], v[1], v[2], v[3], v[4], v[5]};
    switch (shape.kind) {
      case kModelBlock:
        d3d_draw_block(box, texture, v[6], v[7]);
        break;
      case kModelCylinder:
        d3d_draw_cylinder(box, texture, v[6], v[7], v[8] >= 0.5, whole(v[9]));
        break;
      case kModelCone:
        d3d_draw_cone(box, texture, v[6], v[7], v[8] >= 0.5, whole(v[9]));
        break;
      case kModelEllipsoid:
        d3d_draw_ellipsoid(box, texture, v[6], v[7], whole(v[8]));
        break;
      case kModelWall:
        d3d_draw_wall(box, texture, v[6], v[7]);
        break;
      case kModelFloor:
        d3d_draw_floor(box, texture, v[6], v[7]);
        break;
      default:
        break;
    }
  }
  if (moved) device.set_world(world);
}

bool C3D_Model::save(const std::filesystem::path& path, std::string& error) const {
  const std::string text = write_text();
  std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  return write_file_atomic(path, bytes, error);
}

bool C3D_Model::load(const std::filesystem::path& path, std::string& error) {
  std::vector<uint8_t> bytes;
  if (!read_file(path, bytes, error)) return false;
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (read_text(text)) return true;
  error = "not a model file";
  return false;
}

}  // namespace vn
