#include "world/Run_Room.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>
#include <type_traits>

#include "graphics/Background_Class.h"
#include "library/Input_Main.h"
#include "script/Code_Error.h"
#include "script/Code_Exec.h"
#include "script/Code_Function.h"
#include "script/Code_Main.h"
#include "script/Variable_Main.h"
#include "world/Object_Main.h"
#include "world/Room_Class.h"
#include "world/Run_Global.h"
#include "world/Run_Main.h"

namespace vn {

namespace {

int32_t integer_argument(const RValue* args, int index) { return round_to_int32(args[index].real); }

bool room_exists(int64_t index) {
  const TResourceList<CRoom>* rooms = world_resources().rooms;
  return rooms && rooms->exists(index);
}

const std::vector<int32_t>& room_order() {
  static const std::vector<int32_t> none;
  const std::vector<int32_t>* order = world_resources().room_order;
  return order ? *order : none;
}

// The position of a room in the room order, -1 when it is not there.
int32_t order_position(int32_t room) {
  const std::vector<int32_t>& order = room_order();
  auto at = std::find(order.begin(), order.end(), room);
  return at == order.end() ? -1 : int32_t(at - order.begin());
}

// A room change with the current transition; a room that does not exist stops the game.
void request_room(int32_t index) {
  if (!room_exists(index)) {
    report_runtime_error("Unexisting room number: " + std::to_string(index), true);
    return;
  }
  world_state().pending_room = index;
}

void run_instance_creation_code(CInstance& instance, const std::string& room_name_text) {
  CCode code(instance.creation_code, false);
  std::string where = std::to_string(instance.id) + " in room " + room_name_text + "\r";
  if (!code.compile()) {
    display_error("COMPILATION ERROR in creation code for instance " + where + last_error_message(),
                  false);
    clear_error_flag();
    return;
  }
  RValue result;
  if (!run_code(&instance, &instance, code, result)) {
    display_error("EXECUTION ERROR in creation code for instance " + where + last_error_message(),
                  false);
    clear_error_flag();
  }
}

void run_room_creation_code(const std::string& text, const std::string& room_name_text) {
  CCode code(text, false);
  if (!code.compile()) {
    display_error("COMPILATION ERROR in creation code of room " + room_name_text + "\r" +
                      last_error_message(),
                  false);
    clear_error_flag();
    return;
  }
  CInstance temporary(0, 0, 0, 0);
  RValue result;
  if (!run_code(&temporary, &temporary, code, result)) {
    display_error(
        "EXECUTION ERROR in creation code of room " + room_name_text + "\r" + last_error_message(),
        false);
    clear_error_flag();
  }
}

// The game window's region: the visible views' ports with views enabled, else the room.
void resize_window(const CLiveRoom& room) {
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

// Carried persistent instances replace the room's instances with their ids.
void place_carried(CLiveRoom& room) {
  for (std::unique_ptr<CInstance>& carried : world_state().carried) {
    for (const auto& instance : room.instances()) {
      if (instance->id == carried->id) instance->destroyed = true;
    }
    for (const auto& instance : room.deactivated()) {
      if (instance->id == carried->id) instance->destroyed = true;
    }
    CInstance* placed = room.create_instance(carried->object_index, carried->x, carried->y);
    if (placed) placed->copy_from(*carried);
  }
  world_state().carried.clear();
}

// The followed instance of a view: by id, or the first of the object's family.
CInstance* followed_instance(CLiveRoom& room, int32_t follow) {
  if (follow >= 100000) return room.find_instance(follow);
  if (follow < 0) return nullptr;
  for (CInstance* instance : room.family_list(follow)) {
    if (!instance->destroyed) return instance;
  }
  return nullptr;
}

// One axis of view following: the candidate position of the view's edge.
int follow_axis(int position, int view, int size, int border, int speed, int room_size) {
  int candidate;
  if (2 * border < size) {
    candidate = position - border;
    if (candidate >= view) {
      candidate = view + size < position + border ? position + border - size : view;
    }
  } else {
    candidate = position - size / 2;
  }
  if (candidate < 0) candidate = 0;
  if (candidate + size > room_size) candidate = room_size - size;
  if (speed >= 0 && std::abs(candidate - view) > speed) {
    candidate = candidate > view ? view + speed : view - speed;
  }
  return candidate;
}

// --- Built-in functions ---

void fn_room_goto(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  request_room(integer_argument(args, 0));
}

void fn_room_goto_previous(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue&) {
  int32_t position = order_position(world_state().room);
  if (position <= 0) {
    report_runtime_error("Moving to previous room before the first room.", true);
    return;
  }
  request_room(room_order()[size_t(position) - 1]);
}

void fn_room_goto_next(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue&) {
  int32_t position = order_position(world_state().room);
  if (position + 1 >= int32_t(room_order().size())) {
    report_runtime_error("Moving to next room after the last room.", true);
    return;
  }
  request_room(room_order()[size_t(position) + 1]);
}

void fn_room_restart(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue&) {
  request_room(world_state().room);
}

void fn_room_previous(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  int32_t room = integer_argument(args, 0);
  int32_t position = room_exists(room) ? order_position(room) : -1;
  result = RValue(position > 0 ? double(room_order()[size_t(position) - 1]) : -1.0);
}

void fn_room_next(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  int32_t room = integer_argument(args, 0);
  int32_t position = room_exists(room) ? order_position(room) : -1;
  bool has_next = position >= 0 && position + 1 < int32_t(room_order().size());
  result = RValue(has_next ? double(room_order()[size_t(position) + 1]) : -1.0);
}

void fn_game_end(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue&) {
  world_state().pending_room = kRequestEnd;
}

void fn_game_restart(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue&) {
  world_state().pending_room = kRequestRestart;
}

void fn_sleep(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  frame_wait(round_to_int64(args[0].real * 1000.0));
}

void fn_event_perform(CInstanceBase* self, CInstanceBase* other, int, const RValue* args, RValue&) {
  perform_event_self(as_instance(self), as_instance(other), integer_argument(args, 0),
                     integer_argument(args, 1));
}

void fn_event_perform_object(CInstanceBase* self, CInstanceBase* other, int, const RValue* args,
                             RValue&) {
  perform_event(as_instance(self), as_instance(other), integer_argument(args, 0),
                integer_argument(args, 1), integer_argument(args, 2));
}

void fn_event_user(CInstanceBase* self, CInstanceBase* other, int, const RValue* args, RValue&) {
  // Taken wide, so that a huge number names no event instead of overflowing.
  int64_t number = 10 + int64_t(integer_argument(args, 0));
  if (number > INT32_MAX) return;
  perform_event_self(as_instance(self), as_instance(other), kEventOther, int32_t(number));
}

void fn_event_inherited(CInstanceBase* self, CInstanceBase* other, int, const RValue*, RValue&) {
  const REventContext context = event_context();
  if (!object_at(context.event_object)) return;
  int32_t parent = object_parent(context.event_object);
  if (parent < 0) return;
  perform_event(as_instance(self), as_instance(other), parent, context.event_type,
                context.event_number);
}

// --- Built-in variables ---

// The conversions every setter shares: integers round half to even, booleans are true
// from a rounded 1, reals are stored as they come.
template <typename T>
void store(T& field, const RValue& value) {
  if constexpr (std::is_same_v<T, bool>) {
    field = round_to_int32(value.real) >= 1;
  } else if constexpr (std::is_same_v<T, double>) {
    field = value.real;
  } else {
    field = round_to_int32(value.real);
  }
}

// Layers and views are indexed 0 to 7; any other index names the first.
size_t layer_slot(int32_t index) { return index >= 0 && index < kRoomLayerCount ? index : 0; }
size_t view_slot(int32_t index) { return index >= 0 && index < kRoomViewCount ? index : 0; }

template <auto Member>
bool get_room_field(CInstanceBase*, int32_t, RValue& out) {
  const CLiveRoom* room = current_room();
  out = RValue(room ? double(room->*Member) : 0.0);
  return true;
}
template <auto Member>
bool set_room_field(CInstanceBase*, int32_t, const RValue& value) {
  if (CLiveRoom* room = current_room()) store(room->*Member, value);
  return true;
}

template <auto Member>
bool get_layer_field(CInstanceBase*, int32_t index, RValue& out) {
  const CLiveRoom* room = current_room();
  out = RValue(room ? double(room->backgrounds[layer_slot(index)].*Member) : 0.0);
  return true;
}
template <auto Member>
bool set_layer_field(CInstanceBase*, int32_t index, const RValue& value) {
  if (CLiveRoom* room = current_room()) store(room->backgrounds[layer_slot(index)].*Member, value);
  return true;
}

template <auto Member>
bool get_view_field(CInstanceBase*, int32_t index, RValue& out) {
  const CLiveRoom* room = current_room();
  out = RValue(room ? double(room->views[view_slot(index)].*Member) : 0.0);
  return true;
}
template <auto Member>
bool set_view_field(CInstanceBase*, int32_t index, const RValue& value) {
  if (CLiveRoom* room = current_room()) store(room->views[view_slot(index)].*Member, value);
  return true;
}

template <auto Member>
bool get_state_field(CInstanceBase*, int32_t, RValue& out) {
  out = RValue(double(world_state().*Member));
  return true;
}
template <auto Member>
bool set_state_field(CInstanceBase*, int32_t, const RValue& value) {
  store(world_state().*Member, value);
  return true;
}

// The size of the background shown on a layer, 0 when it does not exist.
template <bool Width>
bool get_layer_background_size(CInstanceBase*, int32_t index, RValue& out) {
  const CLiveRoom* room = current_room();
  const CBackground* background =
      room ? background_at(room->backgrounds[layer_slot(index)].background_index) : nullptr;
  int size = background ? (Width ? background->image.width() : background->image.height()) : 0;
  out = RValue(double(size));
  return true;
}

bool get_room(CInstanceBase*, int32_t, RValue& out) {
  out = RValue(double(world_state().room));
  return true;
}
bool set_room(CInstanceBase*, int32_t, const RValue& value) {
  request_room(round_to_int32(value.real));
  return true;
}

bool get_room_first(CInstanceBase*, int32_t, RValue& out) {
  out = RValue(room_order().empty() ? -1.0 : double(room_order().front()));
  return true;
}
bool get_room_last(CInstanceBase*, int32_t, RValue& out) {
  out = RValue(room_order().empty() ? -1.0 : double(room_order().back()));
  return true;
}

bool set_transition_steps(CInstanceBase*, int32_t, const RValue& value) {
  world_state().transition_steps = std::max(1, round_to_int32(value.real));
  return true;
}

bool set_room_speed(CInstanceBase*, int32_t, const RValue& value) {
  int32_t speed = round_to_int32(value.real);
  if (speed <= 0) {
    display_error("Trying to set the room speed to a value <= 0.", false);
    return false;
  }
  if (CLiveRoom* room = current_room()) room->speed = speed;
  return true;
}

bool get_room_caption(CInstanceBase*, int32_t, RValue& out) {
  const CLiveRoom* room = current_room();
  out = RValue(room ? room->caption : std::string());
  return true;
}
bool set_room_caption(CInstanceBase*, int32_t, const RValue& value) {
  if (CLiveRoom* room = current_room()) room->caption = value.string.str();
  return true;
}

}  // namespace

CLiveRoom* current_room() { return world_state().current; }

void start_room(int32_t index, bool game_start) {
  RWorldState& world = world_state();
  const RRunHooks& hooks = run_hooks();
  world.pending_room = kRequestNone;
  clear_input();
  if (hooks.clear_effect_particles) hooks.clear_effect_particles();
  if (index < 0) index = 0;
  if (size_t(index) >= world.live_rooms.size()) world.live_rooms.resize(size_t(index) + 1);
  bool is_new = false;
  if (!world.live_rooms[size_t(index)]) {
    const CRoom* room_template =
        world_resources().rooms ? world_resources().rooms->get(index) : nullptr;
    world.live_rooms[size_t(index)] = std::make_unique<CLiveRoom>(index, room_template);
    is_new = true;
  }
  world.room = index;
  CLiveRoom& room = *world.live_rooms[size_t(index)];
  world.current = &room;
  resize_window(room);
  size_t from_template = std::min(room.template_instances, room.instances().size());
  place_carried(room);

  std::string name = room_name(index);
  if (is_new) {
    for (size_t i = 0; i < from_template && i < room.instances().size(); ++i) {
      CInstance* instance = room.instances()[i].get();
      if (!instance || instance->destroyed) continue;
      if (!instance->creation_code.empty()) run_instance_creation_code(*instance, name);
      perform_event_self(instance, instance, kEventCreate, 0);
    }
  }
  world.carried.clear();
  if (game_start) perform_event_all(kEventOther, 2);
  if (is_new && !room.creation_code.empty()) run_room_creation_code(room.creation_code, name);
  perform_event_all(kEventOther, 4);

  if (!request_pending() && world.automatic_draw) {
    follow_views(room);
    if (hooks.draw_room) hooks.draw_room();
    if (hooks.play_transition) hooks.play_transition(world.transition_kind);
    if (hooks.present_frame) hooks.present_frame();
    world.transition_kind = 0;
  }
}

void end_room(bool game_end) {
  RWorldState& world = world_state();
  CLiveRoom* room = world.current;
  if (!room) return;
  const RRunHooks& hooks = run_hooks();
  if (hooks.capture_transition_frame) hooks.capture_transition_frame();
  room->purge();

  int32_t request = world.pending_room;
  world.pending_room = kRequestNone;
  perform_event_all(kEventOther, 5);
  if (game_end) perform_event_all(kEventOther, 3);
  // A fatal error raised by these events still stops the game.
  if (world.pending_room != kRequestStop) world.pending_room = request;

  world.carried.clear();
  world.carried.reserve(10);
  for (const auto& instance : room->instances()) {
    if (instance->destroyed || !instance->persistent) continue;
    auto copy =
        std::make_unique<CInstance>(instance->id, instance->object_index, instance->x, instance->y);
    copy->copy_from(*instance);
    world.carried.push_back(std::move(copy));
    instance->destroyed = true;
  }
  world.current = nullptr;
  if (!room->persistent) {
    size_t slot = size_t(room->index);
    if (slot < world.live_rooms.size()) world.live_rooms[slot].reset();
  }
}

void follow_views(CLiveRoom& room) {
  if (!room.views_enabled) return;
  for (CView& view : room.views) {
    if (!view.visible) continue;
    CInstance* target = followed_instance(room, view.follow);
    if (!target) continue;
    int x = round_to_int32(target->x);
    int y = round_to_int32(target->y);
    int new_x = follow_axis(x, view.view_x, view.view_width, view.hborder, view.hspeed, room.width);
    int new_y =
        follow_axis(y, view.view_y, view.view_height, view.vborder, view.vspeed, room.height);
    view.view_x = new_x;
    view.view_y = new_y;
  }
}

// --- Tiles ---

int32_t tile_add(CLiveRoom& room, RTile tile) {
  int32_t* counter = world_resources().last_tile_id;
  tile.id = counter ? ++*counter : int32_t(room.tiles.size()) + 10000001;
  if (room.tiles.size() == room.tiles.capacity()) room.tiles.reserve(room.tiles.size() + 10);
  room.tiles.push_back(tile);
  room.last_tile_found = int32_t(room.tiles.size()) - 1;
  return room.last_tile_found;
}

int32_t tile_find(CLiveRoom& room, int32_t id) {
  int32_t cached = room.last_tile_found;
  if (cached >= 0 && size_t(cached) < room.tiles.size() && room.tiles[size_t(cached)].id == id) {
    return cached;
  }
  for (size_t i = 0; i < room.tiles.size(); ++i) {
    if (room.tiles[i].id == id) {
      room.last_tile_found = int32_t(i);
      return int32_t(i);
    }
  }
  return -1;
}

void tile_delete_index(CLiveRoom& room, int32_t index) {
  if (index < 0 || size_t(index) >= room.tiles.size()) return;
  room.tiles.erase(room.tiles.begin() + index);
  room.last_tile_found = -1;
}

namespace {

bool holds_point(const RTile& tile, double px, double py) {
  return tile.x <= px && px < tile.x + tile.width && tile.y <= py && py < tile.y + tile.height;
}

bool holds_point_with_edges(const RTile& tile, double px, double py) {
  return tile.x <= px && px <= tile.x + tile.width && tile.y <= py && py <= tile.y + tile.height;
}

template <typename Doomed>
void delete_tiles(CLiveRoom& room, Doomed&& doomed) {
  auto end = std::remove_if(room.tiles.begin(), room.tiles.end(), doomed);
  if (end == room.tiles.end()) return;
  room.tiles.erase(end, room.tiles.end());
  room.last_tile_found = -1;
}

}  // namespace

int32_t tile_find_at(CLiveRoom& room, double px, double py, bool foreground) {
  for (size_t i = 0; i < room.tiles.size(); ++i) {
    const RTile& tile = room.tiles[i];
    if (holds_point(tile, px, py) && (tile.depth < 0) == foreground) {
      room.last_tile_found = int32_t(i);
      return int32_t(i);
    }
  }
  return -1;
}

void tile_delete_at(CLiveRoom& room, double px, double py, bool foreground) {
  delete_tiles(room, [=](const RTile& tile) {
    return holds_point_with_edges(tile, px, py) && (foreground ? tile.depth <= 0 : tile.depth >= 0);
  });
}

void tile_layer_hide(CLiveRoom& room, double depth) {
  for (RTile& tile : room.tiles) {
    if (tile.depth == depth) tile.visible = false;
  }
}

void tile_layer_show(CLiveRoom& room, double depth) {
  for (RTile& tile : room.tiles) {
    if (tile.depth == depth) tile.visible = true;
  }
}

void tile_layer_delete(CLiveRoom& room, double depth) {
  delete_tiles(room, [depth](const RTile& tile) { return tile.depth == depth; });
}

void tile_layer_shift(CLiveRoom& room, double depth, double dx, double dy) {
  for (RTile& tile : room.tiles) {
    if (tile.depth != depth) continue;
    tile.x += dx;
    tile.y += dy;
  }
}

int32_t tile_layer_find(CLiveRoom& room, double depth, double px, double py) {
  for (size_t i = 0; i < room.tiles.size(); ++i) {
    if (room.tiles[i].depth == depth && holds_point(room.tiles[i], px, py)) {
      room.last_tile_found = int32_t(i);
      return int32_t(i);
    }
  }
  return -1;
}

void tile_layer_delete_at(CLiveRoom& room, double depth, double px, double py) {
  delete_tiles(room,
               [=](const RTile& tile) { return tile.depth == depth && holds_point(tile, px, py); });
}

void tile_layer_depth(CLiveRoom& room, double depth, double new_depth) {
  for (RTile& tile : room.tiles) {
    if (tile.depth == depth) tile.depth = new_depth;
  }
}

// --- Registration ---

void register_room_functions() {
  register_function("room_goto", fn_room_goto, 1);
  register_function("room_goto_previous", fn_room_goto_previous, 0);
  register_function("room_goto_next", fn_room_goto_next, 0);
  register_function("room_restart", fn_room_restart, 0);
  register_function("room_previous", fn_room_previous, 1);
  register_function("room_next", fn_room_next, 1);
  register_function("game_end", fn_game_end, 0);
  register_function("game_restart", fn_game_restart, 0);
  register_function("sleep", fn_sleep, 1);
}

void register_event_functions() {
  register_function("event_inherited", fn_event_inherited, 0);
  register_function("event_perform", fn_event_perform, 2);
  register_function("event_user", fn_event_user, 1);
  register_function("event_perform_object", fn_event_perform_object, 3);
}

void register_room_variables() {
  register_variable("room", get_room, set_room);
  register_variable("room_first", get_room_first, nullptr);
  register_variable("room_last", get_room_last, nullptr);
  register_variable("transition_kind", get_state_field<&RWorldState::transition_kind>,
                    set_state_field<&RWorldState::transition_kind>);
  register_variable("transition_steps", get_state_field<&RWorldState::transition_steps>,
                    set_transition_steps);
  register_variable("room_width", get_room_field<&CLiveRoom::width>, nullptr);
  register_variable("room_height", get_room_field<&CLiveRoom::height>, nullptr);
  register_variable("room_speed", get_room_field<&CLiveRoom::speed>, set_room_speed);
  register_variable("room_persistent", get_room_field<&CLiveRoom::persistent>,
                    set_room_field<&CLiveRoom::persistent>);
  register_variable("background_color", get_room_field<&CLiveRoom::background_color>,
                    set_room_field<&CLiveRoom::background_color>);
  register_variable("background_showcolor", get_room_field<&CLiveRoom::show_background_color>,
                    set_room_field<&CLiveRoom::show_background_color>);
  register_variable("background_visible", get_layer_field<&CBack::visible>,
                    set_layer_field<&CBack::visible>);
  register_variable("background_foreground", get_layer_field<&CBack::foreground>,
                    set_layer_field<&CBack::foreground>);
  register_variable("background_index", get_layer_field<&CBack::background_index>,
                    set_layer_field<&CBack::background_index>);
  register_variable("background_x", get_layer_field<&CBack::x>, set_layer_field<&CBack::x>);
  register_variable("background_y", get_layer_field<&CBack::y>, set_layer_field<&CBack::y>);
  register_variable("background_width", get_layer_background_size<true>, nullptr);
  register_variable("background_height", get_layer_background_size<false>, nullptr);
  register_variable("background_htiled", get_layer_field<&CBack::tile_horizontal>,
                    set_layer_field<&CBack::tile_horizontal>);
  register_variable("background_vtiled", get_layer_field<&CBack::tile_vertical>,
                    set_layer_field<&CBack::tile_vertical>);
  register_variable("background_xscale", get_layer_field<&CBack::xscale>,
                    set_layer_field<&CBack::xscale>);
  register_variable("background_yscale", get_layer_field<&CBack::yscale>,
                    set_layer_field<&CBack::yscale>);
  register_variable("background_hspeed", get_layer_field<&CBack::hspeed>,
                    set_layer_field<&CBack::hspeed>);
  register_variable("background_vspeed", get_layer_field<&CBack::vspeed>,
                    set_layer_field<&CBack::vspeed>);
  register_variable("background_blend", get_layer_field<&CBack::blend>,
                    set_layer_field<&CBack::blend>);
  register_variable("background_alpha", get_layer_field<&CBack::alpha>,
                    set_layer_field<&CBack::alpha>);
  register_variable("view_enabled", get_room_field<&CLiveRoom::views_enabled>,
                    set_room_field<&CLiveRoom::views_enabled>);
  register_variable("view_current", get_state_field<&RWorldState::view_current>, nullptr);
  register_variable("view_visible", get_view_field<&CView::visible>,
                    set_view_field<&CView::visible>);
  register_variable("view_xview", get_view_field<&CView::view_x>, set_view_field<&CView::view_x>);
  register_variable("view_yview", get_view_field<&CView::view_y>, set_view_field<&CView::view_y>);
  register_variable("view_wview", get_view_field<&CView::view_width>,
                    set_view_field<&CView::view_width>);
  register_variable("view_hview", get_view_field<&CView::view_height>,
                    set_view_field<&CView::view_height>);
  register_variable("view_xport", get_view_field<&CView::port_x>, set_view_field<&CView::port_x>);
  register_variable("view_yport", get_view_field<&CView::port_y>, set_view_field<&CView::port_y>);
  register_variable("view_wport", get_view_field<&CView::port_width>,
                    set_view_field<&CView::port_width>);
  register_variable("view_hport", get_view_field<&CView::port_height>,
                    set_view_field<&CView::port_height>);
  register_variable("view_angle", get_view_field<&CView::angle>, set_view_field<&CView::angle>);
  register_variable("view_hborder", get_view_field<&CView::hborder>,
                    set_view_field<&CView::hborder>);
  register_variable("view_vborder", get_view_field<&CView::vborder>,
                    set_view_field<&CView::vborder>);
  register_variable("view_hspeed", get_view_field<&CView::hspeed>, set_view_field<&CView::hspeed>);
  register_variable("view_vspeed", get_view_field<&CView::vspeed>, set_view_field<&CView::vspeed>);
  register_variable("view_object", get_view_field<&CView::follow>, set_view_field<&CView::follow>);
  register_variable("cursor_sprite", get_state_field<&RWorldState::cursor_sprite>,
                    set_state_field<&RWorldState::cursor_sprite>);
  register_variable("fps", get_state_field<&RWorldState::fps>, nullptr);
  register_variable("room_caption", get_room_caption, set_room_caption);
}

}  // namespace vn
