#include "graphics/Room_Draw.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Draw.h"
#include "graphics/Graphics_Window.h"
#include "graphics/Particle_Main.h"
#include "library/Input_Main.h"
#include "script/Code_Value.h"
#include "script/Variable_BuiltIn.h"
#include "script/Variable_Main.h"
#include "world/Object_Main.h"
#include "world/Room_Main.h"
#include "world/Run_Global.h"
#include "world/Run_Main.h"

namespace vn {

namespace {

constexpr double kBackgroundDepth = 12000;
constexpr double kForegroundDepth = -12000;
constexpr double kCursorDepth = -13000;
constexpr double kDeepestDrawnDepth = 11000;

// Stable, by non-increasing depth; a list already in order costs one pass.
void sort_tiles(std::vector<RTile>& tiles) {
  for (size_t i = 1; i < tiles.size(); ++i) {
    if (!(tiles[i].depth > tiles[i - 1].depth)) continue;
    RTile moving = tiles[i];
    size_t j = i;
    for (; j > 0 && moving.depth > tiles[j - 1].depth; --j) tiles[j] = tiles[j - 1];
    tiles[j] = moving;
  }
}

void draw_layers(const CLiveRoom& room, bool foreground, const RArea& area) {
  for (const CBack& layer : room.backgrounds) {
    if (!layer.visible || layer.foreground != foreground) continue;
    const CBackground* background = background_at(layer.background_index);
    if (background == nullptr) continue;
    const int texture = background_texture(*background);
    if (texture < 0) continue;
    draw_texture_tiled(texture, 0, 0, layer.x, layer.y, layer.xscale, layer.yscale,
                       layer.tile_horizontal, layer.tile_vertical, area,
                       device_color(layer.blend, layer.alpha));
  }
}

bool intersects(const RTile& tile, const RArea& area) {
  double left = tile.x;
  double right = tile.x + tile.width * tile.xscale;
  double top = tile.y;
  double bottom = tile.y + tile.height * tile.yscale;
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  return right >= area.left && left <= area.left + area.width && bottom >= area.top &&
         top <= area.top + area.height;
}

void draw_tile(const RTile& tile) {
  const CBackground* background = background_at(tile.background_index);
  if (background == nullptr) return;
  const int texture = background_texture(*background);
  if (texture < 0) return;
  draw_texture_part(texture, tile.left, tile.top, tile.width, tile.height, tile.x, tile.y, 0, 0,
                    tile.xscale, tile.yscale, 0, same_colors(device_color(tile.blend, tile.alpha)));
}

void draw_instance(CInstance& instance) {
  if (const RFoundEvent* found = listed_event(instance.object_index, kEventDraw, 0)) {
    perform_found_event(&instance, &instance, *found, kEventDraw, 0);
    return;
  }
  const CSprite* sprite = sprite_at(instance.sprite_index);
  if (sprite == nullptr) return;
  const int texture = sprite_frame_texture(*sprite, int64_t(std::floor(instance.image_index)));
  if (texture < 0) return;
  const bool plain = instance.image_xscale == 1 && instance.image_yscale == 1 &&
                     instance.image_angle == 0 && instance.image_blend == 0xFFFFFF &&
                     instance.image_alpha == 1;
  draw_texture_part(
      texture, 0, 0, sprite->width(), sprite->height(), instance.x, instance.y, sprite->xorigin,
      sprite->yorigin, plain ? 1 : instance.image_xscale, plain ? 1 : instance.image_yscale,
      plain ? 0 : instance.image_angle,
      same_colors(device_color(instance.image_blend, plain ? 1 : instance.image_alpha)));
}

// Instances, tiles and particle systems by depth, deepest first; at equal depths particles
// go first, then the instance, and the tile is drawn over them.
void draw_contents(CLiveRoom& room, const RArea& area) {
  CGraphicsDevice& device = graphics_device();
  // Each view starts with an empty depth buffer: a view drawn over another's port must not
  // hide behind what that one drew.
  if (room.show_background_color) {
    device.clear(device_color(room.background_color, 1));
  } else {
    device.clear_depth();
  }
  device.set_current_depth(kBackgroundDepth);
  draw_layers(room, false, area);

  const size_t instance_count = room.instances().size();
  size_t next_instance = 0;
  size_t next_tile = 0;
  auto skip_hidden = [&] {
    while (next_instance < instance_count && next_instance < room.instances().size()) {
      const CInstance& instance = *room.instances()[next_instance];
      if (!instance.destroyed && instance.visible) break;
      ++next_instance;
    }
  };
  skip_hidden();
  // Particle systems go before instances and tiles of the same depth.
  constexpr double kParticlesDone = -1e8;
  double next_particles = next_particle_depth(std::numeric_limits<double>::infinity());
  while (next_tile < room.tiles.size() ||
         (next_instance < instance_count && next_instance < room.instances().size()) ||
         next_particles > kParticlesDone) {
    const bool instances_left =
        next_instance < instance_count && next_instance < room.instances().size();
    const bool tiles_left = next_tile < room.tiles.size();
    if (next_particles > kParticlesDone &&
        (!instances_left || next_particles >= room.instances()[next_instance]->depth) &&
        (!tiles_left || next_particles >= room.tiles[next_tile].depth)) {
      device.set_current_depth(std::min(next_particles, kDeepestDrawnDepth));
      draw_particle_systems_at(next_particles);
      // Systems within 0.01 were drawn with this one.
      next_particles = next_particle_depth(next_particles - 0.01);
      continue;
    }
    const bool tile_first =
        tiles_left &&
        (!instances_left || room.tiles[next_tile].depth > room.instances()[next_instance]->depth);
    if (tile_first) {
      const RTile tile = room.tiles[next_tile++];
      if (!tile.visible || !intersects(tile, area)) continue;
      device.set_current_depth(std::min(tile.depth, kDeepestDrawnDepth));
      draw_tile(tile);
    } else {
      CInstance& instance = *room.instances()[next_instance++];
      device.set_current_depth(std::min(instance.depth, kDeepestDrawnDepth));
      draw_instance(instance);
      skip_hidden();
    }
  }

  device.set_current_depth(kForegroundDepth);
  draw_layers(room, true, area);

  device.set_current_depth(kCursorDepth);
  const int32_t cursor = world_state().cursor_sprite;
  if (const CSprite* sprite = sprite_at(cursor)) {
    const int texture = sprite_frame_texture(*sprite, world_state().step_counter);
    if (texture >= 0) {
      const RInputState& input = input_state();
      draw_texture_part(texture, 0, 0, sprite->width(), sprite->height(), input.mouse_x,
                        input.mouse_y, sprite->xorigin, sprite->yorigin, 1, 1, 0,
                        same_colors(0xFFFFFFFF));
    }
  }
}

void update_view_mappings(const CLiveRoom& room) {
  CWindowState& window = window_state();
  for (int i = 0; i < kRoomViewCount; ++i) {
    const CView& view = room.views[size_t(i)];
    RViewMapping mapping;
    if (room.views_enabled && view.visible) {
      mapping = {true,
                 double(view.view_x),
                 double(view.view_y),
                 double(view.view_width),
                 double(view.view_height),
                 double(view.port_x),
                 double(view.port_y),
                 double(view.port_width),
                 double(view.port_height),
                 view.angle};
    }
    window.set_view_mapping(i, mapping);
  }
}

}  // namespace

RCaptionState& caption_state() {
  static RCaptionState state;
  return state;
}

RRegionSize room_region(const CLiveRoom& room) {
  if (!room.views_enabled) return {room.width, room.height};
  RRegionSize region{8, 8};
  for (const CView& view : room.views) {
    if (!view.visible) continue;
    region.width = std::max(region.width, view.port_x + view.port_width);
    region.height = std::max(region.height, view.port_y + view.port_height);
  }
  return region;
}

std::string window_caption(const CLiveRoom& room, const std::string& application_title) {
  std::string caption = room.caption.empty() ? application_title : room.caption;
  const RCaptionState& state = caption_state();
  const RRunState& run = run_state();
  if (state.show_score && (state.score_set || run.score > 0)) {
    caption += " " + state.score_caption + std::to_string(run.score);
  }
  if (state.show_lives) caption += " " + state.lives_caption + std::to_string(run.lives);
  if (state.show_health) {
    caption += " " + state.health_caption + std::to_string(std::lround(run.health));
  }
  return caption;
}

void draw_room(const std::string& application_title,
               const std::function<void(const std::string&)>& set_caption) {
  CLiveRoom* room = current_room();
  if (room == nullptr) return;
  CGraphicsDevice& device = graphics_device();
  RWorldState& world = world_state();
  update_view_mappings(*room);
  room->sort_by_depth();
  sort_tiles(room->tiles);

  if (room->views_enabled) {
    device.clear(device_color(window_state().color(), 1));
    for (int i = 0; i < kRoomViewCount; ++i) {
      const CView& view = room->views[size_t(i)];
      if (!view.visible) continue;
      world.view_current = i;
      device.set_viewport(view.port_x, view.port_y, view.port_width, view.port_height);
      device.set_projection(view.angle, view.view_height, view.view_width, view.view_y,
                            view.view_x);
      RArea area{double(view.view_x), double(view.view_y), double(view.view_width),
                 double(view.view_height)};
      if (std::fabs(view.angle) >= 0.01) {
        // A turned view sees past its rectangle's corners.
        area.left -= view.view_height / 2.0;
        area.width += view.view_height;
        area.top -= view.view_width / 2.0;
        area.height += view.view_width;
      }
      draw_contents(*room, area);
    }
    device.set_viewport(0, 0, device.back_buffer_width(), device.back_buffer_height());
    device.set_projection(0, device.back_buffer_height(), device.back_buffer_width(), 0, 0);
  } else {
    world.view_current = 0;
    device.set_viewport(0, 0, room->width, room->height);
    device.set_projection(0, room->height, room->width, 0, 0);
    draw_contents(*room, {0, 0, double(room->width), double(room->height)});
  }
  world.view_current = 0;
  if (set_caption) set_caption(window_caption(*room, application_title));
}

namespace {

template <bool RCaptionState::*flag>
void register_flag(const char* name) {
  register_variable(
      name,
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(caption_state().*flag ? 1.0 : 0.0);
        return true;
      },
      [](CInstanceBase*, int32_t, const RValue& value) {
        caption_state().*flag = value.truth();
        if constexpr (flag == &RCaptionState::show_score) caption_state().score_set = true;
        return true;
      });
}

template <std::string RCaptionState::*text>
void register_text(const char* name) {
  register_variable(
      name,
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(caption_state().*text);
        return true;
      },
      [](CInstanceBase*, int32_t, const RValue& value) {
        caption_state().*text = value.string.str();
        return true;
      });
}

}  // namespace

void register_room_draw_variables() {
  register_flag<&RCaptionState::show_score>("show_score");
  register_flag<&RCaptionState::show_lives>("show_lives");
  register_flag<&RCaptionState::show_health>("show_health");
  register_text<&RCaptionState::score_caption>("caption_score");
  register_text<&RCaptionState::lives_caption>("caption_lives");
  register_text<&RCaptionState::health_caption>("caption_health");
}

}  // namespace vn
