#include "world/Room_Class.h"

namespace vn {

constexpr int32_t kRoomVersion = 541;

static void read_layer(CStream& stream, CBack& layer) {
  layer = CBack();
  layer.visible = read_bool(stream);
  layer.foreground = read_bool(stream);
  layer.background_index = read_int(stream);
  layer.x = read_int(stream);
  layer.y = read_int(stream);
  layer.tile_horizontal = read_bool(stream);
  layer.tile_vertical = read_bool(stream);
  layer.hspeed = read_int(stream);
  layer.vspeed = read_int(stream);
  layer.stretch = read_bool(stream);
}

static void write_layer(CStream& stream, const CBack& layer) {
  write_bool(stream, layer.visible);
  write_bool(stream, layer.foreground);
  write_int(stream, layer.background_index);
  write_int(stream, int32_t(layer.x));
  write_int(stream, int32_t(layer.y));
  write_bool(stream, layer.tile_horizontal);
  write_bool(stream, layer.tile_vertical);
  write_int(stream, int32_t(layer.hspeed));
  write_int(stream, int32_t(layer.vspeed));
  write_bool(stream, layer.stretch);
}

static void read_view(CStream& stream, CView& view) {
  view = CView();
  view.visible = read_bool(stream);
  view.view_x = read_int(stream);
  view.view_y = read_int(stream);
  view.view_width = read_int(stream);
  view.view_height = read_int(stream);
  view.port_x = read_int(stream);
  view.port_y = read_int(stream);
  view.port_width = read_int(stream);
  view.port_height = read_int(stream);
  view.hborder = read_int(stream);
  view.vborder = read_int(stream);
  view.hspeed = read_int(stream);
  view.vspeed = read_int(stream);
  view.follow = read_int(stream);
}

static void write_view(CStream& stream, const CView& view) {
  write_bool(stream, view.visible);
  for (int value : {view.view_x, view.view_y, view.view_width, view.view_height, view.port_x,
                    view.port_y, view.port_width, view.port_height, view.hborder, view.vborder,
                    view.hspeed, view.vspeed, view.follow}) {
    write_int(stream, value);
  }
}

// A fixed-size part of the record may hold at most eight entries: more than the
// model has is a data error rather than something to grow for.
static size_t read_bounded_count(CStream& stream, size_t limit, size_t entry_size,
                                 const char* what) {
  size_t count = read_count(stream, entry_size);
  if (count > limit) {
    throw DataError(std::string("more than 8 ") + what);
  }
  return count;
}

void CRoom::read(CStream& stream, const std::vector<RImageSize>& background_sizes) {
  *this = CRoom();
  expect_version(stream, kRoomVersion);
  caption = read_string(stream);
  width = read_int(stream);
  height = read_int(stream);
  speed = read_int(stream);
  persistent = read_bool(stream);
  background_color = read_int(stream);
  show_background_color = read_bool(stream);
  creation_code = read_string(stream);
  size_t layers = read_bounded_count(stream, kRoomLayerCount, 40, "background layers");
  for (size_t i = 0; i < layers; ++i) {
    CBack& layer = backgrounds[i];
    read_layer(stream, layer);
    int index = layer.background_index;
    if (layer.stretch && index >= 0 && size_t(index) < background_sizes.size()) {
      const RImageSize& size = background_sizes[size_t(index)];
      if (size.width > 0) layer.xscale = double(width) / size.width;
      if (size.height > 0) layer.yscale = double(height) / size.height;
    }
  }
  views_enabled = read_bool(stream);
  size_t view_count = read_bounded_count(stream, kRoomViewCount, 56, "views");
  for (size_t i = 0; i < view_count; ++i) {
    read_view(stream, views[i]);
  }
  instances.resize(read_count(stream, 20));
  for (RRoomInstance& instance : instances) {
    instance.x = read_int(stream);
    instance.y = read_int(stream);
    instance.object_index = read_int(stream);
    instance.id = read_int(stream);
    instance.creation_code = read_string(stream);
  }
  tiles.resize(read_count(stream, 36));
  for (RRoomTile& tile : tiles) {
    tile.x = read_int(stream);
    tile.y = read_int(stream);
    tile.background_index = read_int(stream);
    tile.left = read_int(stream);
    tile.top = read_int(stream);
    tile.width = read_int(stream);
    tile.height = read_int(stream);
    tile.depth = read_int(stream);
    tile.id = read_int(stream);
  }
}

void CRoom::write(CStream& stream) const {
  write_int(stream, kRoomVersion);
  write_string(stream, caption);
  write_int(stream, width);
  write_int(stream, height);
  write_int(stream, speed);
  write_bool(stream, persistent);
  write_int(stream, background_color);
  write_bool(stream, show_background_color);
  write_string(stream, creation_code);
  write_int(stream, kRoomLayerCount);
  for (const CBack& layer : backgrounds) {
    write_layer(stream, layer);
  }
  write_bool(stream, views_enabled);
  write_int(stream, kRoomViewCount);
  for (const CView& view : views) {
    write_view(stream, view);
  }
  write_int(stream, int32_t(instances.size()));
  for (const RRoomInstance& instance : instances) {
    write_int(stream, instance.x);
    write_int(stream, instance.y);
    write_int(stream, instance.object_index);
    write_int(stream, instance.id);
    write_string(stream, instance.creation_code);
  }
  write_int(stream, int32_t(tiles.size()));
  for (const RRoomTile& tile : tiles) {
    for (int value : {tile.x, tile.y, tile.background_index, tile.left, tile.top, tile.width,
                      tile.height, tile.depth, tile.id}) {
      write_int(stream, value);
    }
  }
}

}  // namespace vn
