// A room as stored: its settings, background layers, views, instances and tiles.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "support/Support_Record.h"

namespace vn {

constexpr int kRoomLayerCount = 8;
constexpr int kRoomViewCount = 8;

// Width and height of every background by index (0, 0 for an empty slot).
struct RImageSize {
  int width = 0;
  int height = 0;
};

// A background layer. Positions and speeds are stored as integers and kept as reals.
struct CBack {
  bool visible = false;
  bool foreground = false;
  int background_index = -1;
  double x = 0;
  double y = 0;
  bool tile_horizontal = true;
  bool tile_vertical = true;
  double hspeed = 0;
  double vspeed = 0;
  bool stretch = false;
  int blend = 0xFFFFFF;
  double alpha = 1;
  double xscale = 1;
  double yscale = 1;
  bool operator==(const CBack&) const = default;
};

struct CView {
  bool visible = false;
  int view_x = 0;
  int view_y = 0;
  int view_width = 640;
  int view_height = 480;
  int port_x = 0;
  int port_y = 0;
  int port_width = 640;
  int port_height = 480;
  int hborder = 32;
  int vborder = 32;
  int hspeed = -1;
  int vspeed = -1;
  int follow = -1;
  double angle = 0;
  bool operator==(const CView&) const = default;
};

struct RRoomInstance {
  int x = 0;
  int y = 0;
  int object_index = 0;
  int id = 0;
  std::string creation_code;
  bool operator==(const RRoomInstance&) const = default;
};

struct RRoomTile {
  int x = 0;
  int y = 0;
  int background_index = -1;
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int depth = 0;
  int id = 0;
  // Set only by the room functions at run time; the room record does not store them.
  double xscale = 1;
  double yscale = 1;
  double alpha = 1;
  bool operator==(const RRoomTile&) const = default;
};

class CRoom {
 public:
  std::string caption;
  int width = 640;
  int height = 480;
  int speed = 30;
  bool persistent = false;
  int background_color = 0xC0C0C0;
  bool show_background_color = true;
  std::string creation_code;
  std::array<CBack, kRoomLayerCount> backgrounds{};
  bool views_enabled = false;
  std::array<CView, kRoomViewCount> views{};
  std::vector<RRoomInstance> instances;
  std::vector<RRoomTile> tiles;

  // Room record, version 541. Stretched layers take their scales from the size of
  // their background, looked up by index in the given sizes.
  void read(CStream& stream, const std::vector<RImageSize>& background_sizes);
  void write(CStream& stream) const;

  bool operator==(const CRoom&) const = default;
};

}  // namespace vn
