#include "world/Save_Game.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/Platform_FileIo.h"
#include "script/Code_Error.h"
#include "script/Code_Variable.h"
#include "script/Variable_BuiltIn.h"
#include "script/Variable_Main.h"
#include "world/Room_Main.h"
#include "world/Run_Global.h"
#include "world/Run_Main.h"

namespace vn {

namespace {

// Booleans take one byte in a saved game, as the declaration flags of the globals do.
void write_flag(CStream& s, bool value) {
  const uint8_t byte = value ? 1 : 0;
  s.write(&byte, 1);
}
bool read_flag(CStream& s) {
  uint8_t byte = 0;
  s.read(&byte, 1);
  return byte != 0;
}

constexpr int32_t kSaveVersion = 540;
constexpr int32_t kRoomVersion = 540;
constexpr int32_t kGlobalsVersion = 700;
constexpr int32_t kStoreVersion = 440;

// A damaged file: caught by the reader and reported as a failed load.
struct RCorrupt {};

void check(bool condition) {
  if (!condition) throw RCorrupt{};
}

void write_instance(CStream& s, const CInstance& in) {
  write_int(s, in.id);
  write_int(s, in.sprite_index);
  for (double value : {in.image_index, in.image_speed, in.image_xscale, in.image_yscale,
                       in.image_angle, in.image_alpha}) {
    write_real(s, value);
  }
  write_int(s, in.image_blend);
  write_int(s, in.mask_index);
  for (double value :
       {in.depth, in.x, in.y, in.xstart, in.ystart, in.xprevious, in.yprevious, in.direction,
        in.speed, in.friction, in.gravity_direction, in.gravity, in.hspeed, in.vspeed}) {
    write_real(s, value);
  }
  for (int32_t value : {in.bbox_left, in.bbox_right, in.bbox_top, in.bbox_bottom}) {
    write_int(s, value);
  }
  write_flag(s, in.visible);
  write_flag(s, in.solid);
  write_flag(s, in.persistent);
  write_int(s, in.object_index);
  for (int32_t alarm : in.alarm) write_int(s, alarm);
  write_flag(s, in.destroyed);
  write_flag(s, in.deactivated);
  write_int(s, in.path_index);
  for (double value : {in.path_position, in.path_positionprevious, in.path_speed, in.path_scale,
                       in.path_orientation}) {
    write_real(s, value);
  }
  write_int(s, in.path_endaction);
  write_real(s, in.path_xstart);
  write_real(s, in.path_ystart);
  write_int(s, in.timeline_index);
  write_real(s, in.timeline_position);
  write_real(s, in.timeline_speed);
  write_flag(s, in.timeline_running);
  write_flag(s, in.timeline_loop);
  write_string(s, in.creation_code);
  in.variables.save(s);
}

void write_room(CStream& s, const CLiveRoom& room) {
  write_int(s, kRoomVersion);
  write_string(s, room.caption);
  write_int(s, room.width);
  write_int(s, room.height);
  write_int(s, room.speed);
  write_flag(s, room.persistent);
  write_int(s, room.background_color);
  write_flag(s, room.show_background_color);
  write_string(s, room.creation_code);
  write_int(s, int32_t(room.backgrounds.size()));
  for (const CBack& back : room.backgrounds) {
    write_flag(s, back.visible);
    write_flag(s, back.foreground);
    write_int(s, back.background_index);
    write_real(s, back.x);
    write_real(s, back.y);
    write_flag(s, back.tile_horizontal);
    write_flag(s, back.tile_vertical);
    write_real(s, back.xscale);
    write_real(s, back.yscale);
    write_real(s, back.hspeed);
    write_real(s, back.vspeed);
    write_int(s, back.blend);
    write_real(s, back.alpha);
  }
  write_flag(s, room.views_enabled);
  write_int(s, int32_t(room.views.size()));
  for (const CView& view : room.views) {
    write_flag(s, view.visible);
    for (int value : {view.view_x, view.view_y, view.view_width, view.view_height, view.port_x,
                      view.port_y, view.port_width, view.port_height}) {
      write_int(s, value);
    }
    write_real(s, view.angle);
    for (int value : {view.hborder, view.vborder, view.hspeed, view.vspeed, view.follow}) {
      write_int(s, value);
    }
  }
  write_int(s, int32_t(room.instances().size()));
  for (const auto& instance : room.instances()) write_instance(s, *instance);
  write_int(s, int32_t(room.deactivated().size()));
  for (const auto& instance : room.deactivated()) write_instance(s, *instance);
  write_int(s, int32_t(room.tiles.size()));
  for (const RTile& tile : room.tiles) {
    write_real(s, tile.x);
    write_real(s, tile.y);
    for (int32_t value : {tile.background_index, tile.left, tile.top, tile.width, tile.height}) {
      write_int(s, value);
    }
    write_real(s, tile.depth);
    write_int(s, tile.id);
    write_real(s, tile.xscale);
    write_real(s, tile.yscale);
    write_int(s, tile.blend);
    write_real(s, tile.alpha);
    write_flag(s, tile.visible);
  }
}

// A variable list, refusing the wrong version rather than reading it as empty.
void read_variables(CStream& s, CVariableList& list) {
  size_t start = s.position();
  check(read_int(s) == kStoreVersion);
  s.seek(start);
  list.load(s);
}

// The smallest records: an instance's 25 integer, 7 boolean and 29 real fields, an empty
// creation code and an empty variable list; a tile's 7 integer, 1 boolean and 6 real fields.
constexpr size_t kMinInstanceBytes = 25 * 4 + 7 + 29 * 8 + 4 + 8;
constexpr size_t kMinTileBytes = 7 * 4 + 1 + 6 * 8;

std::unique_ptr<CInstance> read_instance(CStream& s) {
  int32_t id = read_int(s);
  auto in = std::make_unique<CInstance>(id, 0, 0.0, 0.0);
  in->sprite_index = read_int(s);
  for (double* value : {&in->image_index, &in->image_speed, &in->image_xscale, &in->image_yscale,
                        &in->image_angle, &in->image_alpha}) {
    *value = read_real(s);
  }
  in->image_blend = read_int(s);
  in->mask_index = read_int(s);
  for (double* value : {&in->depth, &in->x, &in->y, &in->xstart, &in->ystart, &in->xprevious,
                        &in->yprevious, &in->direction, &in->speed, &in->friction,
                        &in->gravity_direction, &in->gravity, &in->hspeed, &in->vspeed}) {
    *value = read_real(s);
  }
  for (int32_t* value : {&in->bbox_left, &in->bbox_right, &in->bbox_top, &in->bbox_bottom}) {
    *value = read_int(s);
  }
  in->visible = read_flag(s);
  in->solid = read_flag(s);
  in->persistent = read_flag(s);
  int32_t object = read_int(s);
  check(object_at(object) != nullptr);
  in->object_index = object;
  in->object = object_at(object);
  for (int32_t& alarm : in->alarm) alarm = read_int(s);
  in->destroyed = read_flag(s);
  in->deactivated = read_flag(s);
  in->path_index = read_int(s);
  for (double* value : {&in->path_position, &in->path_positionprevious, &in->path_speed,
                        &in->path_scale, &in->path_orientation}) {
    *value = read_real(s);
  }
  in->path_endaction = read_int(s);
  in->path_xstart = read_real(s);
  in->path_ystart = read_real(s);
  in->timeline_index = read_int(s);
  in->timeline_position = read_real(s);
  in->timeline_speed = read_real(s);
  in->timeline_running = read_flag(s);
  in->timeline_loop = read_flag(s);
  in->creation_code = read_string(s);
  read_variables(s, in->variables);
  return in;
}

std::unique_ptr<CLiveRoom> read_room(CStream& s, int32_t index) {
  check(read_int(s) == kRoomVersion);
  auto room = std::make_unique<CLiveRoom>(index, nullptr);
  room->caption = read_string(s);
  room->width = read_int(s);
  room->height = read_int(s);
  room->speed = read_int(s);
  room->persistent = read_flag(s);
  room->background_color = read_int(s);
  room->show_background_color = read_flag(s);
  room->creation_code = read_string(s);
  check(read_int(s) == int32_t(room->backgrounds.size()));
  for (CBack& back : room->backgrounds) {
    back.visible = read_flag(s);
    back.foreground = read_flag(s);
    back.background_index = read_int(s);
    back.x = read_real(s);
    back.y = read_real(s);
    back.tile_horizontal = read_flag(s);
    back.tile_vertical = read_flag(s);
    back.xscale = read_real(s);
    back.yscale = read_real(s);
    back.hspeed = read_real(s);
    back.vspeed = read_real(s);
    back.blend = read_int(s);
    back.alpha = read_real(s);
  }
  room->views_enabled = read_flag(s);
  check(read_int(s) == int32_t(room->views.size()));
  for (CView& view : room->views) {
    view.visible = read_flag(s);
    for (int* value : {&view.view_x, &view.view_y, &view.view_width, &view.view_height,
                       &view.port_x, &view.port_y, &view.port_width, &view.port_height}) {
      *value = read_int(s);
    }
    view.angle = read_real(s);
    for (int* value : {&view.hborder, &view.vborder, &view.hspeed, &view.vspeed, &view.follow}) {
      *value = read_int(s);
    }
  }
  // Both lists enter through the array; the flag then moves the deactivated ones aside.
  size_t active = s.checked_count(read_int(s), kMinInstanceBytes);
  for (size_t i = 0; i < active; ++i) {
    auto instance = read_instance(s);
    instance->deactivated = false;
    room->add_instance(std::move(instance));
  }
  size_t inactive = s.checked_count(read_int(s), kMinInstanceBytes);
  for (size_t i = 0; i < inactive; ++i) {
    auto instance = read_instance(s);
    instance->deactivated = true;
    room->add_instance(std::move(instance));
  }
  if (inactive > 0) room->apply_deactivation();
  size_t tiles = s.checked_count(read_int(s), kMinTileBytes);
  room->tiles.resize(tiles);
  for (RTile& tile : room->tiles) {
    tile.x = read_real(s);
    tile.y = read_real(s);
    for (int32_t* value :
         {&tile.background_index, &tile.left, &tile.top, &tile.width, &tile.height}) {
      *value = read_int(s);
    }
    tile.depth = read_real(s);
    tile.id = read_int(s);
    tile.xscale = read_real(s);
    tile.yscale = read_real(s);
    tile.blend = read_int(s);
    tile.alpha = read_real(s);
    tile.visible = read_flag(s);
  }
  return room;
}

// Everything a load replaces, complete before any of it reaches the world.
struct RLoadedGame {
  int32_t room = 0;
  int32_t transition_kind = 0;
  int32_t score = 0;
  int32_t lives = 0;
  double health = 0;
  int32_t cursor_sprite = -1;
  int32_t step_counter = 0;
  bool automatic_draw = true;
  CVariableList globals;
  std::vector<uint8_t> globalvar;
  std::vector<std::unique_ptr<CLiveRoom>> live_rooms;
  int32_t last_instance_id = 0;
  int32_t last_tile_id = 0;
};

void resize_to(const CLiveRoom& room) {
  const RRunHooks& hooks = run_hooks();
  if (!hooks.resize_window) return;
  int width = room.width;
  int height = room.height;
  if (room.views_enabled) {
    width = 8;
    height = 8;
    for (const CView& view : room.views) {
      if (!view.visible) continue;
      width = std::max(width, view.port_x + view.port_width);
      height = std::max(height, view.port_y + view.port_height);
    }
  }
  hooks.resize_window(width, height);
}

}  // namespace

void write_saved_game(CStream& s) {
  const RWorldState& world = world_state();
  const RRunState& run = run_state();
  write_int(s, kSaveVersion);
  write_int(s, run.game_id);
  write_int(s, world.room);
  write_int(s, world.transition_kind);
  write_int(s, run.score);
  write_int(s, run.lives);
  write_real(s, run.health);
  write_int(s, world.cursor_sprite);
  write_int(s, int32_t(world.step_counter));
  write_flag(s, world.automatic_draw);
  globals_save(s);
  write_int(s, int32_t(world.live_rooms.size()));
  for (const auto& room : world.live_rooms) {
    write_flag(s, room != nullptr);
    if (room) write_room(s, *room);
  }
  const RWorldResources& resources = world_resources();
  write_int(s, resources.last_instance_id ? *resources.last_instance_id : 0);
  write_int(s, resources.last_tile_id ? *resources.last_tile_id : 0);
}

std::string read_saved_game(CStream& s, const std::string& file_name) {
  std::string failed = "Failed to load game from file " + file_name;
  RLoadedGame game;
  try {
    if (read_int(s) != kSaveVersion) return "Cannot load game saved with other version.";
    if (read_int(s) != run_state().game_id) return "This is a save file for a different game!";
    game.room = read_int(s);
    game.transition_kind = read_int(s);
    game.score = read_int(s);
    game.lives = read_int(s);
    game.health = read_real(s);
    game.cursor_sprite = read_int(s);
    game.step_counter = read_int(s);
    game.automatic_draw = read_flag(s);
    check(read_int(s) == kGlobalsVersion);
    read_variables(s, game.globals);
    size_t flags = s.checked_count(read_int(s), 1);
    game.globalvar.resize(flags);
    s.read(game.globalvar.data(), flags);
    // A slot per room of the game at most, and the current one a room that is there.
    const TResourceList<CRoom>* rooms = world_resources().rooms;
    size_t slots = s.checked_count(read_int(s), 4);
    check(rooms && slots <= rooms->size());
    game.live_rooms.resize(slots);
    for (size_t i = 0; i < slots; ++i) {
      if (read_flag(s)) game.live_rooms[i] = read_room(s, int32_t(i));
    }
    game.last_instance_id = read_int(s);
    game.last_tile_id = read_int(s);
    check(s.remaining() == 0);
    check(rooms->exists(game.room) && size_t(game.room) < slots &&
          game.live_rooms[size_t(game.room)]);
  } catch (const RCorrupt&) {
    return failed;
  } catch (const StreamError&) {
    return failed;
  } catch (const std::bad_alloc&) {
    return failed;
  }

  // Nothing below can fail: the world changes in one piece.
  RWorldState& world = world_state();
  RRunState& run = run_state();
  world.room = game.room;
  world.transition_kind = game.transition_kind;
  run.score = game.score;
  run.lives = game.lives;
  run.health = game.health;
  world.cursor_sprite = game.cursor_sprite;
  world.step_counter = game.step_counter;
  world.automatic_draw = game.automatic_draw;
  globals_reset();
  for (size_t i = 0; i < game.globalvar.size(); ++i) {
    if (game.globalvar[i]) globalvar_declare(int32_t(kFirstUserVariable + i));
  }
  global_store() = game.globals;
  world.live_rooms = std::move(game.live_rooms);
  world.carried.clear();
  world.current = world.live_rooms[size_t(game.room)].get();
  RWorldResources& resources = world_resources();
  if (resources.last_instance_id) *resources.last_instance_id = game.last_instance_id;
  if (resources.last_tile_id) *resources.last_tile_id = game.last_tile_id;
  resize_to(*world.current);
  return "";
}

void save_game_to_file(const std::string& file_name) {
  if (run_state().secure_mode && file_name.find_first_of("\\/") != std::string::npos) {
    report_runtime_error("In secure mode you cannot save game to file " + file_name, false);
    return;
  }
  CStream stream;
  write_saved_game(stream);
  std::string error;
  if (!write_file_atomic(file_name, stream.span(), error)) {
    report_runtime_error("Failed to save game to file " + file_name, false);
  }
}

void load_game_from_file(const std::string& file_name) {
  std::error_code exists_error;
  if (!std::filesystem::exists(file_name, exists_error)) return;
  std::vector<uint8_t> bytes;
  std::string error;
  if (!read_file(file_name, bytes, error)) {
    report_runtime_error("Failed to load game from file " + file_name, false);
    return;
  }
  CStream stream(std::move(bytes));
  std::string message = read_saved_game(stream, file_name);
  if (!message.empty()) report_runtime_error(message, false);
}

}  // namespace vn
