// Models: lists of drawing commands (primitives, vertices, shapes) that a game builds once
// and draws many times, and their text file.
//
// The file: the number 100, the record count, then one line per record: the kind as an
// integer and its ten values, each written as a space and the value with four decimals.
// Lines end in CR LF. Reading takes the numbers separated by any white space.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform_Render.h"

namespace vn {

// The record kinds, in the file's numbering.
enum ModelRecordKind : int32_t {
  kModelPrimitiveBegin = 0,            // primitive kind
  kModelPrimitiveEnd = 1,              // -
  kModelVertex = 2,                    // x, y, z
  kModelVertexColor = 3,               // x, y, z, colour, alpha
  kModelVertexTexture = 4,             // x, y, z, u, v
  kModelVertexTextureColor = 5,        // x, y, z, u, v, colour, alpha
  kModelVertexNormal = 6,              // x, y, z, nx, ny, nz
  kModelVertexNormalColor = 7,         // x, y, z, nx, ny, nz, colour, alpha
  kModelVertexNormalTexture = 8,       // x, y, z, nx, ny, nz, u, v
  kModelVertexNormalTextureColor = 9,  // x, y, z, nx, ny, nz, u, v, colour, alpha
  kModelBlock = 10,                    // x1, y1, z1, x2, y2, z2, hrepeat, vrepeat
  kModelCylinder = 11,                 // ... hrepeat, vrepeat, closed, steps
  kModelCone = 12,                     // ... hrepeat, vrepeat, closed, steps
  kModelEllipsoid = 13,                // ... hrepeat, vrepeat, steps
  kModelWall = 14,                     // x1, y1, z1, x2, y2, z2, hrepeat, vrepeat
  kModelFloor = 15,                    // x1, y1, z1, x2, y2, z2, hrepeat, vrepeat
};
constexpr int32_t kModelRecordKinds = 16;
constexpr int kModelValues = 10;
constexpr int kModelFileVersion = 100;

// One command; values the kind does not use are 0.
struct RModelRecord {
  int32_t kind = 0;
  std::array<double, kModelValues> values{};
  friend bool operator==(const RModelRecord&, const RModelRecord&) = default;
};

// A value as the file writes it: fixed notation with four decimals, "." as the decimal
// point. A value that rounds to zero is written unsigned, and one that is not finite as 0,
// so that every written number reads back.
std::string format_model_value(double value);

class C3D_Model {
 public:
  const std::vector<RModelRecord>& records() const { return records_; }
  void clear() {
    records_.clear();
    built_ = false;
  }
  // Appends a record; values past those given are 0 (at most ten are taken).
  void add(int32_t kind, std::initializer_list<double> values);
  void add(const RModelRecord& record) {
    records_.push_back(record);
    built_ = false;
  }

  std::string write_text() const;
  // Replaces the records with those of the text; false, with the model as it was, when
  // the text is not a whole model file.
  bool read_text(std::string_view text);

  // Runs every record in order as the matching 3D drawing call, moved by (x, y, z), with
  // the texture for every primitive and shape (-1 for none). The primitives' vertices are
  // built once and kept until the model or the draw colour changes; the move is a
  // translation before the world transform, which is the same as moving every vertex.
  void draw(double x, double y, double z, int texture) const;

  // The file is written beside the target and renamed over it, so a failed or interrupted
  // save leaves the old file whole. False with the reason on any failure.
  bool save(const std::filesystem::path& path, std::string& error) const;
  // False with the reason, and the model as it was, when the file cannot be read or is
  // not a whole model file.
  bool load(const std::filesystem::path& path, std::string& error);

 private:
  // What drawing runs: a primitive with its vertices as the device takes them, or a shape
  // record drawn as it stands.
  struct RPiece {
    int kind = 0;
    int shape = -1;  // the record's index
    std::vector<RVertex3D> vertices;
  };
  void build(uint32_t draw_color) const;

  std::vector<RModelRecord> records_;
  mutable std::vector<RPiece> pieces_;
  mutable bool built_ = false;
  mutable uint32_t built_color_ = 0;
};

}  // namespace vn
