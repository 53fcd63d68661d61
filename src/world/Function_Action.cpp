#include "world/Function_Action.h"

#include <cctype>
#include <cmath>
#include <initializer_list>
#include <iterator>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/Sprite_Class.h"
#include "library/Input_Main.h"
#include "script/Code_Error.h"
#include "script/Code_Exec.h"
#include "script/Code_Function.h"
#include "script/Function_Math.h"
#include "script/Script_Main.h"
#include "script/Variable_BuiltIn.h"
#include "script/Variable_Main.h"
#include "world/Action_Forward.h"
#include "world/Function_Interaction.h"
#include "world/Instance_Class.h"
#include "world/Object_Main.h"
#include "world/Room_Main.h"
#include "world/Run_Global.h"
#include "world/Run_Main.h"

namespace vn {

namespace {

using Args = const RValue*;

// Operation 1 is less, 2 greater, anything else equal.
bool compare(double left, double right, int32_t operation) {
  if (operation == 1) return left < right;
  if (operation == 2) return left > right;
  return left == right;
}

CForward g_instance_number("instance_number");
CForward g_room_goto("room_goto");
CForward g_room_restart("room_restart");
CForward g_room_goto_previous("room_goto_previous");
CForward g_room_goto_next("room_goto_next");
CForward g_game_end("game_end");
CForward g_game_restart("game_restart");
CForward g_game_save("game_save");
CForward g_game_load("game_load");
CForward g_sleep("sleep");
CForward g_event_inherited("event_inherited");
CForward g_execute_shell("execute_shell");
CForward g_move_random("move_random");
CForward g_move_snap("move_snap");
CForward g_place_snapped("place_snapped");
CForward g_move_contact_solid("move_contact_solid");
CForward g_move_contact_all("move_contact_all");
CForward g_move_bounce_solid("move_bounce_solid");
CForward g_move_bounce_all("move_bounce_all");
CForward g_path_start("path_start");
CForward g_path_end("path_end");
CForward g_position_destroy("position_destroy");
CForward g_place_free("place_free");
CForward g_place_empty("place_empty");
CForward g_place_meeting("place_meeting");
CForward g_mp_linear_step("mp_linear_step");
CForward g_mp_potential_step("mp_potential_step");
CForward g_window_set_fullscreen("window_set_fullscreen");
CForward g_window_get_fullscreen("window_get_fullscreen");
CForward g_window_set_cursor("window_set_cursor");
CForward g_draw_sprite("draw_sprite");
CForward g_draw_background("draw_background");
CForward g_draw_background_tiled("draw_background_tiled");
CForward g_screen_save("screen_save");
CForward g_draw_text("draw_text");
CForward g_draw_text_transformed("draw_text_transformed");
CForward g_draw_rectangle("draw_rectangle");
CForward g_draw_rectangle_color("draw_rectangle_color");
CForward g_draw_ellipse("draw_ellipse");
CForward g_draw_ellipse_color("draw_ellipse_color");
CForward g_draw_line("draw_line");
CForward g_draw_arrow("draw_arrow");
CForward g_draw_healthbar("draw_healthbar");
CForward g_draw_set_color("draw_set_color");
CForward g_draw_set_font("draw_set_font");
CForward g_draw_set_halign("draw_set_halign");
CForward g_font_add("font_add");
CForward g_sprite_exists("sprite_exists");
CForward g_sprite_get_xoffset("sprite_get_xoffset");
CForward g_sprite_get_yoffset("sprite_get_yoffset");
CForward g_sprite_replace("sprite_replace");
CForward g_sprite_replace_sprite("sprite_replace_sprite");
CForward g_background_exists("background_exists");
CForward g_background_replace("background_replace");
CForward g_background_replace_background("background_replace_background");
CForward g_font_exists("font_exists");
CForward g_sound_play("sound_play");
CForward g_sound_loop("sound_loop");
CForward g_sound_stop("sound_stop");
CForward g_sound_isplaying("sound_isplaying");
CForward g_sound_exists("sound_exists");
CForward g_sound_get_kind("sound_get_kind");
CForward g_sound_get_preload("sound_get_preload");
CForward g_sound_replace("sound_replace");
CForward g_file_exists("file_exists");
CForward g_show_message("show_message");
CForward g_show_question("show_question");
CForward g_show_info("show_info");
CForward g_show_video("show_video");
CForward g_splash_show_video("splash_show_video");
CForward g_splash_show_text("splash_show_text");
CForward g_splash_show_image("splash_show_image");
CForward g_splash_show_web("splash_show_web");
CForward g_splash_set_main("splash_set_main");
CForward g_splash_set_caption("splash_set_caption");
CForward g_splash_set_fullscreen("splash_set_fullscreen");
CForward g_splash_set_close_button("splash_set_close_button");
CForward g_splash_set_stop_key("splash_set_stop_key");
CForward g_splash_set_stop_mouse("splash_set_stop_mouse");
CForward g_highscore_show("highscore_show");
CForward g_highscore_show_ext("highscore_show_ext");
CForward g_highscore_clear("highscore_clear");

// Score, lives and health are set through their variables, which round them and raise
// the "no more" events.
void set_variable(const char* name, CInstanceBase* self, double value) {
  const RBuiltinVariable* variable = builtin_variable(find_builtin_variable(name));
  if (variable && variable->set) variable->set(self, 0, RValue(value));
}

// --- Motion ---

// Positions of the direction text, row by row from the bottom left; 4 is the stop.
constexpr double kMoveDirections[9] = {225, 270, 315, 180, 0, 0, 135, 90, 45};
constexpr int kMoveStop = 4;

void fn_action_move(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  CInstance* instance = as_instance(self);
  std::string_view directions = args[0].is_string() ? args[0].string.view() : "";
  if (directions.size() != 9) {
    report_runtime_error("Wrong argument to action_move().", false);
    return;
  }
  if (!instance || directions.find('1') == std::string_view::npos) return;
  instance->set_speed(relative_to(instance->speed, args[1]));
  uint32_t position;
  do {
    position = random_below(9);
  } while (directions[position] != '1');
  if (position == kMoveStop) {
    instance->set_direction(0);
    instance->set_speed(0);
  } else {
    instance->set_direction(kMoveDirections[position]);
  }
}

void fn_action_set_hspeed(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  if (CInstance* instance = as_instance(self)) {
    instance->set_hspeed(relative_to(instance->hspeed, args[0]));
  }
}

void fn_action_set_vspeed(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  if (CInstance* instance = as_instance(self)) {
    instance->set_vspeed(relative_to(instance->vspeed, args[0]));
  }
}

// The gravity direction is kept as given, not reduced to 0 ... 360.
void fn_action_set_gravity(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  if (CInstance* instance = as_instance(self)) {
    instance->gravity_direction = relative_to(instance->gravity_direction, args[0]);
    instance->gravity = relative_to(instance->gravity, args[1]);
  }
}

void fn_action_set_friction(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  if (CInstance* instance = as_instance(self)) {
    instance->friction = relative_to(instance->friction, args[0]);
  }
}

// Degrees counter-clockwise from the right, with y growing downward.
double direction_towards(double dx, double dy) {
  if (dx == 0 && dy == 0) return 0;
  double degrees = std::atan2(-dy, dx) * 180.0 / std::numbers::pi;
  return degrees < 0 ? degrees + 360 : degrees;
}

void fn_action_set_motion(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  CInstance* instance = as_instance(self);
  if (!instance) return;
  double direction = real_of(args[0]);
  double speed = real_of(args[1]);
  if (relative()) {
    double radians = direction * std::numbers::pi / 180.0;
    instance->hspeed += std::cos(radians) * speed;
    instance->vspeed -= std::sin(radians) * speed;
    instance->speeds_from_components();
  } else {
    instance->set_direction(direction);
    instance->set_speed(speed);
  }
}

void fn_action_move_point(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  CInstance* instance = as_instance(self);
  if (!instance) return;
  double x = relative_to(instance->x, args[0]);
  double y = relative_to(instance->y, args[1]);
  instance->set_direction(direction_towards(x - instance->x, y - instance->y));
  instance->set_speed(real_of(args[2]));
}

void fn_action_move_to(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  if (CInstance* instance = as_instance(self)) {
    instance->set_position(relative_to(instance->x, args[0]), relative_to(instance->y, args[1]));
  }
}

void fn_action_move_start(CInstanceBase* self, CInstanceBase*, int, Args, RValue&) {
  if (CInstance* instance = as_instance(self)) {
    instance->set_position(instance->xstart, instance->ystart);
  }
}

void fn_action_reverse_xdir(CInstanceBase* self, CInstanceBase*, int, Args, RValue&) {
  if (CInstance* instance = as_instance(self)) instance->set_hspeed(-instance->hspeed);
}

void fn_action_reverse_ydir(CInstanceBase* self, CInstanceBase*, int, Args, RValue&) {
  if (CInstance* instance = as_instance(self)) instance->set_vspeed(-instance->vspeed);
}

void fn_action_move_random(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  g_move_random.call(self, other, {args[0], args[1]});
}

void fn_action_snap(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  g_move_snap.call(self, other, {args[0], args[1]});
}

void fn_action_if_aligned(CInstanceBase* self, CInstanceBase* other, int, Args args,
                          RValue& result) {
  g_place_snapped.call(self, other, {args[0], args[1]}, result);
}

// Out on one side, in on the other by the room's size and the sprite's scaled size, for an
// instance moving out.
void fn_action_wrap(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  CInstance* instance = as_instance(self);
  CLiveRoom* room = current_room();
  if (!instance || !room) return;
  int32_t direction = integer_of(args[0]);
  const CSprite* sprite = sprite_at(instance->sprite_index);
  double w = sprite ? sprite->width() * instance->image_xscale : 0;
  double h = sprite ? sprite->height() * instance->image_yscale : 0;
  double x = instance->x, y = instance->y;
  if (direction == 0 || direction == 2) {
    if (instance->hspeed < 0 && x < 0) {
      x += room->width + w;
    } else if (instance->hspeed > 0 && x >= room->width) {
      x -= room->width + w;
    }
  }
  if (direction == 1 || direction == 2) {
    if (instance->vspeed < 0 && y < 0) {
      y += room->height + h;
    } else if (instance->vspeed > 0 && y >= room->height) {
      y -= room->height + h;
    }
  }
  instance->set_position(x, y);
}

void fn_action_move_contact(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  CForward& move = real_of(args[2]) >= 0.5 ? g_move_contact_all : g_move_contact_solid;
  move.call(self, other, {args[0], args[1]});
}

// Against every instance only for exactly 1.
void fn_action_bounce(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  CForward& bounce = real_of(args[1]) == 1 ? g_move_bounce_all : g_move_bounce_solid;
  bounce.call(self, other, {RValue(real_of(args[0]) >= 0.5 ? 1.0 : 0.0)});
}

void fn_action_path(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  g_path_start.call(self, other, {args[0], args[1], args[2], args[3]});
}

// The older form: (path, speed, end action), followed from where the instance is.
void fn_action_path_old(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  g_path_start.call(self, other, {args[0], args[1], args[2], RValue(0.0)});
}

void fn_action_path_end(CInstanceBase* self, CInstanceBase* other, int, Args, RValue&) {
  g_path_end.call(self, other, {});
}

void fn_action_path_position(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  if (CInstance* instance = as_instance(self)) {
    instance->set_path_position(relative_to(instance->path_position, args[0]));
  }
}

void fn_action_path_speed(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  if (CInstance* instance = as_instance(self)) {
    instance->path_speed = relative_to(instance->path_speed, args[0]);
  }
}

void fn_action_kill_position(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  g_position_destroy.call(self, other, {relative_x(self, args[0]), relative_y(self, args[1])});
}

bool place_is_empty(CInstanceBase* self, CInstanceBase* other, Args args) {
  CForward& test = integer_of(args[2]) == 0 ? g_place_free : g_place_empty;
  RValue result;
  test.call(self, other, {relative_x(self, args[0]), relative_y(self, args[1])}, result);
  return result.truth();
}

void fn_action_if_empty(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue& result) {
  result.real = place_is_empty(self, other, args) ? 1 : 0;
}

void fn_action_if_collision(CInstanceBase* self, CInstanceBase* other, int, Args args,
                            RValue& result) {
  result.real = place_is_empty(self, other, args) ? 0 : 1;
}

void fn_action_linear_step(CInstanceBase* self, CInstanceBase* other, int, Args args,
                           RValue& result) {
  g_mp_linear_step.call(self, other,
                        {relative_x(self, args[0]), relative_y(self, args[1]), args[2], args[3]},
                        result);
}

void fn_action_potential_step(CInstanceBase* self, CInstanceBase* other, int, Args args,
                              RValue& result) {
  g_mp_potential_step.call(self, other,
                           {relative_x(self, args[0]), relative_y(self, args[1]), args[2], args[3]},
                           result);
}

void fn_action_if_object(CInstanceBase* self, CInstanceBase* other, int, Args args,
                         RValue& result) {
  g_place_meeting.call(self, other, {relative_x(self, args[1]), relative_y(self, args[2]), args[0]},
                       result);
}

// --- Appearance ---

// A subimage of -1 keeps the current one.
void fn_action_sprite_set(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  CInstance* instance = as_instance(self);
  if (!instance) return;
  instance->set_sprite(integer_of(args[0]));
  if (integer_of(args[1]) != -1) instance->image_index = real_of(args[1]);
  instance->image_speed = real_of(args[2]);
}

// The older form: (sprite, single image), the image shown still, or animating when negative.
void fn_action_set_sprite(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  CInstance* instance = as_instance(self);
  if (!instance) return;
  instance->set_sprite(integer_of(args[0]));
  if (real_of(args[1]) >= 0) {
    instance->image_index = real_of(args[1]);
    instance->image_speed = 0;
  } else {
    instance->image_speed = 1;
  }
}

// Mirror: 0 none, 1 horizontal, 2 vertical, 3 both.
void fn_action_sprite_transform(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  CInstance* instance = as_instance(self);
  if (!instance) return;
  int32_t mirror = integer_of(args[3]);
  bool horizontal = mirror == 1 || mirror == 3;
  bool vertical = mirror == 2 || mirror == 3;
  instance->set_xscale(horizontal ? -real_of(args[0]) : real_of(args[0]));
  instance->set_yscale(vertical ? -real_of(args[1]) : real_of(args[1]));
  instance->set_angle(real_of(args[2]));
}

void fn_action_sprite_color(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  if (CInstance* instance = as_instance(self)) {
    instance->image_blend = integer_of(args[0]);
    instance->image_alpha = real_of(args[1]);
  }
}

// --- Instances ---

bool object_exists(int32_t object) { return object_at(object) != nullptr; }

// A new instance of the object at the position, relative to self's when asked.
void create_object(CInstance* self, int32_t object, const RValue& x, const RValue& y) {
  if (self) {
    create_instance_with_event(object, relative_to(self->x, x), relative_to(self->y, y));
  }
}

void fn_action_create_object(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  create_object(as_instance(self), integer_of(args[0]), args[1], args[2]);
}

// The speed and then the direction are set before the create event.
void fn_action_create_object_motion(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  CInstance* instance = as_instance(self);
  int32_t object = integer_of(args[0]);
  if (!object_exists(object)) {
    report_runtime_error("Creating instance for non-existing object: " + std::to_string(object),
                         false);
    return;
  }
  CLiveRoom* room = current_room();
  if (!room || !instance) return;
  CInstance* created = room->create_instance(object, relative_to(instance->x, args[1]),
                                             relative_to(instance->y, args[2]));
  created->set_speed(real_of(args[3]));
  created->set_direction(real_of(args[4]));
  perform_event_self(created, created, kEventCreate, 0);
}

// One of the four objects that exist, each drawn with the same chance.
void fn_action_create_object_random(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  int32_t objects[4];
  bool any = false;
  for (int i = 0; i < 4; ++i) {
    objects[i] = integer_of(args[i]);
    any = any || object_exists(objects[i]);
  }
  if (!any) return;
  int32_t chosen;
  do {
    chosen = objects[random_below(4)];
  } while (!object_exists(chosen));
  create_object(as_instance(self), chosen, args[4], args[5]);
}

void fn_action_kill_object(CInstanceBase* self, CInstanceBase*, int, Args, RValue&) {
  if (CInstance* instance = as_instance(self)) destroy_instance(instance);
}

void fn_action_change_object(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  if (CInstance* instance = as_instance(self)) {
    change_instance(instance, integer_of(args[0]), integer_of(args[1]) == 1);
  }
}

void fn_action_if_number(CInstanceBase* self, CInstanceBase* other, int, Args args,
                         RValue& result) {
  RValue number;
  g_instance_number.call(self, other, {args[0]}, number);
  result.real = compare(real_of(number), real_of(args[1]), integer_of(args[2])) ? 1 : 0;
}

// --- Rooms and the game ---

// The transition belongs to the request: a refused one (no such room) leaves none behind.
void set_transition(const RValue& transition) {
  RWorldState& world = world_state();
  if (world.pending_room >= 0) world.transition_kind = integer_of(transition);
}

void fn_action_another_room(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  g_room_goto.call(self, other, {RValue(double(integer_of(args[0])))});
  set_transition(args[1]);
}

void fn_action_current_room(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  g_room_restart.call(self, other, {});
  set_transition(args[0]);
}

void fn_action_previous_room(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  g_room_goto_previous.call(self, other, {});
  set_transition(args[0]);
}

void fn_action_next_room(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  g_room_goto_next.call(self, other, {});
  set_transition(args[0]);
}

const std::vector<int32_t>& room_order() {
  static const std::vector<int32_t> none;
  const std::vector<int32_t>* order = world_resources().room_order;
  return order ? *order : none;
}

void fn_action_if_previous_room(CInstanceBase*, CInstanceBase*, int, Args, RValue& result) {
  const std::vector<int32_t>& order = room_order();
  result.real = !order.empty() && order.front() != world_state().room ? 1 : 0;
}

void fn_action_if_next_room(CInstanceBase*, CInstanceBase*, int, Args, RValue& result) {
  const std::vector<int32_t>& order = room_order();
  result.real = !order.empty() && order.back() != world_state().room ? 1 : 0;
}

void fn_action_sleep(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  if (real_of(args[1]) >= 0.5) {
    const RRunHooks& hooks = run_hooks();
    if (hooks.draw_room) hooks.draw_room();
    if (hooks.present_frame) hooks.present_frame();
  }
  g_sleep.call(self, other, {args[0]});
}

void fn_action_end_game(CInstanceBase* self, CInstanceBase* other, int, Args, RValue&) {
  g_game_end.call(self, other, {});
}

void fn_action_restart_game(CInstanceBase* self, CInstanceBase* other, int, Args, RValue&) {
  g_game_restart.call(self, other, {});
}

void fn_action_save_game(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  g_game_save.call(self, other, {args[0]});
}

void fn_action_load_game(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  g_game_load.call(self, other, {args[0]});
}

void fn_action_webpage(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  g_execute_shell.call(self, other, {args[0], RValue(std::string())});
}

// --- The window ---

// 0 switches, 1 goes windowed, 2 fullscreen.
void fn_action_fullscreen(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  bool fullscreen = integer_of(args[0]) == 2;
  if (integer_of(args[0]) != 1 && integer_of(args[0]) != 2) {
    RValue now;
    g_window_get_fullscreen.call(self, other, {}, now);
    fullscreen = !now.truth();
  }
  g_window_set_fullscreen.call(self, other, {RValue(fullscreen ? 1.0 : 0.0)});
}

// The cursor sprite, and the window's own cursor shown as the arrow or not at all.
void fn_action_set_cursor(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  set_variable("cursor_sprite", self, real_of(args[0]));
  const bool shown = real_of(args[1]) >= 0.5;
  world_resources().settings.show_cursor = shown;
  g_window_set_cursor.call(self, other, {RValue(shown ? 0.0 : -1.0)});
}

// --- Sounds ---

void fn_action_sound(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  CForward& play = real_of(args[1]) >= 0.5 ? g_sound_loop : g_sound_play;
  play.call(self, other, {args[0]});
}

void fn_action_end_sound(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  g_sound_stop.call(self, other, {args[0]});
}

void fn_action_if_sound(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue& result) {
  g_sound_isplaying.call(self, other, {args[0]}, result);
}

// The checks of the replacing actions: the resource (by its exists function) and the file.
bool replaceable(CInstanceBase* self, CInstanceBase* other, CForward& exists_function, Args args) {
  RValue exists;
  exists_function.call(self, other, {args[0]}, exists);
  if (!exists.truth()) {
    report_runtime_error("Trying to replace non-existing resource.", false);
    return false;
  }
  RValue file;
  g_file_exists.call(self, other, {args[1]}, file);
  if (!file.truth()) {
    report_runtime_error("File does not exist.", false);
    return false;
  }
  return true;
}

// A stored resource file by its extension (any case), any other file as a picture.
bool has_extension(const RValue& name, std::string_view extension) {
  if (!name.is_string()) return false;
  std::string_view text = name.string.view();
  if (text.size() < extension.size()) return false;
  text = text.substr(text.size() - extension.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != extension[i]) return false;
  }
  return true;
}

// Reloaded from the file with the kind and preload the sound has.
void fn_action_replace_sound(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  if (!replaceable(self, other, g_sound_exists, args)) return;
  RValue kind, preload;
  g_sound_get_kind.call(self, other, {args[0]}, kind);
  g_sound_get_preload.call(self, other, {args[0]}, preload);
  g_sound_replace.call(self, other, {args[0], args[1], kind, preload});
}

// A picture becomes a strip of that many images keeping the sprite's origin.
void fn_action_replace_sprite(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  if (!replaceable(self, other, g_sprite_exists, args)) return;
  if (has_extension(args[1], ".vnspr")) {
    g_sprite_replace_sprite.call(self, other, {args[0], args[1]});
    return;
  }
  RValue xorigin, yorigin;
  g_sprite_get_xoffset.call(self, other, {args[0]}, xorigin);
  g_sprite_get_yoffset.call(self, other, {args[0]}, yorigin);
  g_sprite_replace.call(self, other,
                        {args[0], args[1], args[2], RValue(0.0), RValue(0.0), xorigin, yorigin});
}

void fn_action_replace_background(CInstanceBase* self, CInstanceBase* other, int, Args args,
                                  RValue&) {
  if (!replaceable(self, other, g_background_exists, args)) return;
  if (has_extension(args[1], ".vnbck")) {
    g_background_replace_background.call(self, other, {args[0], args[1]});
    return;
  }
  g_background_replace.call(self, other, {args[0], args[1], RValue(0.0), RValue(0.0)});
}

// --- Drawing ---

void fn_action_draw_sprite(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  g_draw_sprite.call(self, other,
                     {args[0], args[3], relative_x(self, args[1]), relative_y(self, args[2])});
}

void fn_action_draw_background(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  CForward& draw = real_of(args[3]) >= 0.5 ? g_draw_background_tiled : g_draw_background;
  draw.call(self, other, {args[0], relative_x(self, args[1]), relative_y(self, args[2])});
}

// The corners of a shape given to an action, both moved by self's position when relative.
struct RCorners {
  RValue x1, y1, x2, y2;
};
RCorners relative_corners(CInstanceBase* self, Args args) {
  return {relative_x(self, args[0]), relative_y(self, args[1]), relative_x(self, args[2]),
          relative_y(self, args[3])};
}

void fn_action_draw_text(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  g_draw_text.call(self, other, {relative_x(self, args[1]), relative_y(self, args[2]), args[0]});
}

void fn_action_draw_text_transformed(CInstanceBase* self, CInstanceBase* other, int, Args args,
                                     RValue&) {
  g_draw_text_transformed.call(
      self, other,
      {relative_x(self, args[1]), relative_y(self, args[2]), args[0], args[3], args[4], args[5]});
}

// The value of an expression, drawn as draw_text draws reals and strings.
void fn_action_draw_variable(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  g_draw_text.call(self, other, {relative_x(self, args[1]), relative_y(self, args[2]), args[0]});
}

// A caption followed by a whole number (score or lives), as the caption shows them.
void draw_caption_and_number(CInstanceBase* self, CInstanceBase* other, Args args, double value) {
  std::string text = args[2].is_string() ? std::string(args[2].string.view()) : std::string();
  text += std::to_string(std::llround(value));
  g_draw_text.call(self, other,
                   {relative_x(self, args[0]), relative_y(self, args[1]), RValue(text)});
}

void fn_action_draw_score(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  draw_caption_and_number(self, other, args, run_state().score);
}

void fn_action_draw_life(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  draw_caption_and_number(self, other, args, run_state().lives);
}

// One picture per life, side by side from (x, y), each the sprite's width apart.
void fn_action_draw_life_images(CInstanceBase* self, CInstanceBase* other, int, Args args,
                                RValue&) {
  const CSprite* sprite = sprite_at(integer_of(args[2]));
  if (sprite == nullptr) {
    // draw_sprite reports the missing sprite.
    g_draw_sprite.call(self, other, {args[2], RValue(0.0), RValue(0.0), RValue(0.0)});
    return;
  }
  const double x = real_of(relative_x(self, args[0]));
  const RValue y = relative_y(self, args[1]);
  const int64_t lives = std::llround(run_state().lives);
  for (int64_t i = 0; i < lives; ++i) {
    g_draw_sprite.call(self, other,
                       {args[2], RValue(0.0), RValue(x + double(i) * sprite->width()), y});
  }
}

// The colours of the health bar's menus: the back has "none" first, the bar two gradients.
constexpr int32_t kMenuColours[] = {0,     8421504, 12632256, 16777215, 128, 32768,
                                    32896, 8388608, 8388736,  8421376,  255, 16711680,
                                    65280, 65535,   16711935, 16776960};
constexpr int32_t kMenuColourCount = int32_t(std::size(kMenuColours));

void fn_action_draw_health(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  const RCorners box = relative_corners(self, args);
  const int32_t back = integer_of(args[4]);
  const bool show_back = back >= 1 && back <= kMenuColourCount;
  const RValue back_colour(show_back ? double(kMenuColours[back - 1]) : 0.0);
  const int32_t bar = integer_of(args[5]);
  int32_t low = 255;  // green to red: red when nearly dead
  int32_t high = 32768;
  if (bar == 1) {
    low = 0;
    high = 16777215;
  } else if (bar >= 2 && bar < 2 + kMenuColourCount) {
    low = high = kMenuColours[bar - 2];
  }
  g_draw_healthbar.call(
      self, other,
      {box.x1, box.y1, box.x2, box.y2, RValue(run_state().health), back_colour, RValue(double(low)),
       RValue(double(high)), RValue(0.0), RValue(show_back ? 1.0 : 0.0), RValue(1.0)});
}

// Outline when the second choice of the menu ("filled", "outline") is taken.
void fn_action_draw_rectangle(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  const RCorners box = relative_corners(self, args);
  g_draw_rectangle.call(self, other, {box.x1, box.y1, box.x2, box.y2, args[4]});
}

void fn_action_draw_gradient_hor(CInstanceBase* self, CInstanceBase* other, int, Args args,
                                 RValue&) {
  const RCorners box = relative_corners(self, args);
  g_draw_rectangle_color.call(
      self, other,
      {box.x1, box.y1, box.x2, box.y2, args[4], args[5], args[5], args[4], RValue(0.0)});
}

void fn_action_draw_gradient_vert(CInstanceBase* self, CInstanceBase* other, int, Args args,
                                  RValue&) {
  const RCorners box = relative_corners(self, args);
  g_draw_rectangle_color.call(
      self, other,
      {box.x1, box.y1, box.x2, box.y2, args[4], args[4], args[5], args[5], RValue(0.0)});
}

void fn_action_draw_ellipse(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  const RCorners box = relative_corners(self, args);
  g_draw_ellipse.call(self, other, {box.x1, box.y1, box.x2, box.y2, args[4]});
}

// The first colour at the centre, the second at the edge.
void fn_action_draw_ellipse_gradient(CInstanceBase* self, CInstanceBase* other, int, Args args,
                                     RValue&) {
  const RCorners box = relative_corners(self, args);
  g_draw_ellipse_color.call(self, other,
                            {box.x1, box.y1, box.x2, box.y2, args[4], args[5], RValue(0.0)});
}

void fn_action_draw_line(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  const RCorners line = relative_corners(self, args);
  g_draw_line.call(self, other, {line.x1, line.y1, line.x2, line.y2});
}

void fn_action_draw_arrow(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  const RCorners line = relative_corners(self, args);
  g_draw_arrow.call(self, other, {line.x1, line.y1, line.x2, line.y2, args[4]});
}

// One draw colour serves fills, lines and text alike.
void fn_action_color(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  g_draw_set_color.call(self, other, {args[0]});
}

void fn_action_font(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  g_draw_set_font.call(self, other, {args[0]});
  g_draw_set_halign.call(self, other, {args[1]});
}

void fn_action_draw_font(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  g_draw_set_font.call(self, other, {args[0]});
}

// The older form names a face (name, size, colour, bold, italic, underline). Draw events
// run it every step, so each distinct face is made once and kept; underline is not drawn.
void fn_action_draw_font_old(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  struct RFace {
    std::string name;
    double size;
    bool bold;
    bool italic;
    RValue font;
  };
  static std::vector<RFace> made;
  const std::string name = args[0].is_string() ? std::string(args[0].string.view()) : "";
  const double size = real_of(args[1]);
  const bool bold = real_of(args[3]) >= 0.5;
  const bool italic = real_of(args[4]) >= 0.5;
  RValue font(-1.0);
  bool found = false;
  for (const RFace& face : made) {
    if (face.name == name && face.size == size && face.bold == bold && face.italic == italic) {
      // A face the game deleted since (or a game before it made) is made again.
      RValue exists;
      g_font_exists.call(self, other, {face.font}, exists);
      if (!exists.truth()) break;
      font = face.font;
      found = true;
      break;
    }
  }
  if (!found) {
    g_font_add.call(self, other,
                    {RValue(name), RValue(size), RValue(bold ? 1.0 : 0.0),
                     RValue(italic ? 1.0 : 0.0), RValue(32.0), RValue(127.0)},
                    font);
    std::erase_if(made, [&](const RFace& face) {
      return face.name == name && face.size == size && face.bold == bold && face.italic == italic;
    });
    made.push_back({name, size, bold, italic, font});
  }
  g_draw_set_font.call(self, other, {font});
  g_draw_set_color.call(self, other, {args[2]});
}

void fn_action_snapshot(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  g_screen_save.call(self, other, {args[0]});
}

// Whether the caption shows score, lives and health, each with its own caption.
void fn_action_set_caption(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  const char* shown[3] = {"show_score", "show_lives", "show_health"};
  const char* captions[3] = {"caption_score", "caption_lives", "caption_health"};
  for (int i = 0; i < 3; ++i) {
    set_variable(shown[i], self, real_of(args[2 * i]));
    const RBuiltinVariable* caption = builtin_variable(find_builtin_variable(captions[i]));
    if (caption && caption->set) caption->set(self, 0, args[2 * i + 1]);
  }
}

// --- Alarms and time lines ---

// Relative adds only to a running alarm; one that is off is set.
void fn_action_set_alarm(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  CInstance* instance = as_instance(self);
  int32_t alarm = integer_of(args[1]);
  if (!instance || alarm < 0 || alarm >= kAlarmCount) return;
  int32_t& counter = instance->alarm[size_t(alarm)];
  double value = real_of(args[0]);
  if (relative() && counter >= 0) value += counter;
  counter = round_to_int32(value);
}

void fn_action_set_timeline(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  if (CInstance* instance = as_instance(self)) {
    instance->timeline_index = integer_of(args[0]);
    instance->timeline_position = integer_of(args[1]);
    instance->timeline_running = true;
  }
}

void fn_action_timeline_set(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  if (CInstance* instance = as_instance(self)) {
    instance->timeline_index = integer_of(args[0]);
    instance->timeline_position = integer_of(args[1]);
    instance->timeline_running = integer_of(args[2]) == 0;
    instance->timeline_loop = integer_of(args[3]) == 1;
  }
}

void fn_action_timeline_start(CInstanceBase* self, CInstanceBase*, int, Args, RValue&) {
  if (CInstance* instance = as_instance(self)) instance->timeline_running = true;
}

void fn_action_timeline_pause(CInstanceBase* self, CInstanceBase*, int, Args, RValue&) {
  if (CInstance* instance = as_instance(self)) instance->timeline_running = false;
}

void fn_action_timeline_stop(CInstanceBase* self, CInstanceBase*, int, Args, RValue&) {
  if (CInstance* instance = as_instance(self)) {
    instance->timeline_position = 0;
    instance->timeline_running = false;
  }
}

void fn_action_set_timeline_position(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  if (CInstance* instance = as_instance(self)) {
    instance->timeline_position =
        double(round_to_int64(relative_to(instance->timeline_position, args[0])));
  }
}

void fn_action_set_timeline_speed(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  if (CInstance* instance = as_instance(self)) {
    instance->timeline_speed = relative_to(instance->timeline_speed, args[0]);
  }
}

// --- Questions and code ---

void fn_action_if(CInstanceBase*, CInstanceBase*, int, Args args, RValue& result) {
  result = args[0];
}

// With s sides, true about once in s: a draw below 1,001 out of s × 1,000.
void fn_action_if_dice(CInstanceBase*, CInstanceBase*, int, Args args, RValue& result) {
  double sides = real_of(args[0]);
  if (!(sides > 1)) {
    result.real = 1;
    return;
  }
  int64_t range = round_to_int64(sides * 1000.0);
  uint32_t bound = range > int64_t(UINT32_MAX) ? UINT32_MAX : uint32_t(range);
  result.real = random_below(bound) < 1001 ? 1 : 0;
}

void fn_action_if_mouse(CInstanceBase*, CInstanceBase*, int, Args args, RValue& result) {
  const RInputState& input = input_state();
  int32_t button = integer_of(args[0]);
  if (button >= 1 && button <= 3) {
    result.real = input.button_down[size_t(button)] || input.button_released[size_t(button)];
  } else {
    result.real = input.current_button == 0 ? 1 : 0;
  }
}

// Same kinds only: strings by their character codes, reals by their difference.
void fn_action_if_variable(CInstanceBase*, CInstanceBase*, int, Args args, RValue& result) {
  if (args[0].kind != args[1].kind) {
    report_runtime_error("Cannot compare arguments.", false);
    return;
  }
  double difference = args[0].is_string() ? RString::compare(args[0].string, args[1].string)
                                          : args[0].real - args[1].real;
  result.real = compare(difference, 0, integer_of(args[2])) ? 1 : 0;
}

void fn_action_execute_script(CInstanceBase* self, CInstanceBase* other, int, Args args,
                              RValue& result) {
  int32_t script = integer_of(args[0]);
  if (!script_get(script)) {
    report_runtime_error("Trying to execute non-existing script.", false);
    return;
  }
  RValue arguments[5] = {args[1], args[2], args[3], args[4], args[5]};
  if (!call_script(script, self, other, 5, arguments, result)) {
    report_runtime_error(last_error_message(), false);
    clear_error_flag();
  }
}

void fn_action_inherited(CInstanceBase* self, CInstanceBase* other, int, Args, RValue&) {
  g_event_inherited.call(self, other, {});
}

// --- Score, lives and health ---

void fn_action_set_score(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  set_variable("score", self, relative_to(run_state().score, args[0]));
}

void fn_action_if_score(CInstanceBase*, CInstanceBase*, int, Args args, RValue& result) {
  result.real = compare(run_state().score, real_of(args[0]), integer_of(args[1])) ? 1 : 0;
}

void fn_action_set_life(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  set_variable("lives", self, relative_to(run_state().lives, args[0]));
}

void fn_action_if_life(CInstanceBase*, CInstanceBase*, int, Args args, RValue& result) {
  result.real = compare(run_state().lives, real_of(args[0]), integer_of(args[1])) ? 1 : 0;
}

void fn_action_set_health(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  set_variable("health", self, relative_to(run_state().health, args[0]));
}

void fn_action_if_health(CInstanceBase*, CInstanceBase*, int, Args args, RValue& result) {
  result.real = compare(run_state().health, real_of(args[0]), integer_of(args[1])) ? 1 : 0;
}

// --- Audio CD ---

CForward g_cd_play("cd_play");
CForward g_cd_stop("cd_stop");
CForward g_cd_pause("cd_pause");
CForward g_cd_resume("cd_resume");
CForward g_cd_present("cd_present");
CForward g_cd_playing("cd_playing");

void fn_action_cd_play(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  g_cd_play.call(self, other, {args[0], args[1]});
}

void fn_action_cd_stop(CInstanceBase* self, CInstanceBase* other, int, Args, RValue&) {
  g_cd_stop.call(self, other, {});
}

void fn_action_cd_pause(CInstanceBase* self, CInstanceBase* other, int, Args, RValue&) {
  g_cd_pause.call(self, other, {});
}

void fn_action_cd_resume(CInstanceBase* self, CInstanceBase* other, int, Args, RValue&) {
  g_cd_resume.call(self, other, {});
}

void fn_action_cd_present(CInstanceBase* self, CInstanceBase* other, int, Args, RValue& result) {
  g_cd_present.call(self, other, {}, result);
}

void fn_action_cd_playing(CInstanceBase* self, CInstanceBase* other, int, Args, RValue& result) {
  g_cd_playing.call(self, other, {}, result);
}

// --- The runner's forms ---

void fn_action_message(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  g_show_message.call(self, other, {args[0]});
}

// The question clears the input state itself.
void fn_action_if_question(CInstanceBase* self, CInstanceBase* other, int, Args args,
                           RValue& result) {
  RValue answer;
  g_show_question.call(self, other, {args[0]}, answer);
  result.real = answer.truth() ? 1 : 0;
}

void fn_action_show_info(CInstanceBase* self, CInstanceBase* other, int, Args, RValue&) {
  g_show_info.call(self, other, {});
}

void fn_action_show_video(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  g_show_video.call(self, other, {args[0], args[1], args[2]});
}

void fn_action_splash_video(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  g_splash_show_video.call(self, other, {args[0], args[1]});
}

// A text or image splash from an action stays until the player closes it.
void fn_action_splash_text(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  g_splash_show_text.call(self, other, {args[0], RValue(0.0)});
}

void fn_action_splash_image(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  g_splash_show_image.call(self, other, {args[0], RValue(0.0)});
}

void fn_action_splash_web(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  g_splash_show_web.call(self, other, {args[0], args[1]});
}

// The five settings a designer picks most: shown inside the game window, the caption,
// full screen, the close button, and whether Esc and a click end the splash (both stop
// settings at once).
void fn_action_splash_settings(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  g_splash_set_main.call(self, other, {args[0]});
  g_splash_set_caption.call(self, other, {args[1]});
  g_splash_set_fullscreen.call(self, other, {args[2]});
  g_splash_set_close_button.call(self, other, {args[3]});
  g_splash_set_stop_key.call(self, other, {args[4]});
  g_splash_set_stop_mouse.call(self, other, {args[4]});
}

// The table with the game's score as the new entry.
void fn_action_highscore(CInstanceBase* self, CInstanceBase* other, int, Args, RValue&) {
  g_highscore_show.call(self, other, {RValue(run_state().score)});
}

// The table's default size of letters; the action names only the face.
constexpr double kHighscoreActionFontSize = 12;

// Background, border, colour of the new entry, colour of the others, font name.
void fn_action_highscore_show(CInstanceBase* self, CInstanceBase* other, int, Args args, RValue&) {
  g_highscore_show_ext.call(self, other,
                            {RValue(run_state().score), args[0], args[1], args[2], args[3], args[4],
                             RValue(kHighscoreActionFontSize)});
}

void fn_action_highscore_clear(CInstanceBase* self, CInstanceBase* other, int, Args, RValue&) {
  g_highscore_clear.call(self, other, {});
}

}  // namespace

namespace {

// Registered only when every function it forwards to is.

}  // namespace

void register_action_functions() {
  register_function("action_move", fn_action_move, 2);
  register_function("action_set_motion", fn_action_set_motion, 2);
  register_function("action_set_hspeed", fn_action_set_hspeed, 1);
  register_function("action_set_vspeed", fn_action_set_vspeed, 1);
  register_function("action_set_gravity", fn_action_set_gravity, 2);
  register_function("action_set_friction", fn_action_set_friction, 1);
  register_function("action_move_point", fn_action_move_point, 3);
  register_function("action_move_to", fn_action_move_to, 2);
  register_function("action_move_start", fn_action_move_start, 0);
  register_function("action_reverse_xdir", fn_action_reverse_xdir, 0);
  register_function("action_reverse_ydir", fn_action_reverse_ydir, 0);
  register_forwarding("action_move_random", fn_action_move_random, 2, {&g_move_random});
  register_forwarding("action_snap", fn_action_snap, 2, {&g_move_snap});
  register_forwarding("action_if_aligned", fn_action_if_aligned, 2, {&g_place_snapped});
  register_function("action_wrap", fn_action_wrap, 1);
  register_forwarding("action_move_contact", fn_action_move_contact, 3,
                      {&g_move_contact_solid, &g_move_contact_all});
  register_forwarding("action_bounce", fn_action_bounce, 2,
                      {&g_move_bounce_solid, &g_move_bounce_all});
  register_forwarding("action_path", fn_action_path, 4, {&g_path_start});
  register_forwarding("action_path_old", fn_action_path_old, 3, {&g_path_start});
  register_forwarding("action_path_end", fn_action_path_end, 0, {&g_path_end});
  register_function("action_path_position", fn_action_path_position, 1);
  register_function("action_path_speed", fn_action_path_speed, 1);
  register_forwarding("action_kill_position", fn_action_kill_position, 2, {&g_position_destroy});
  register_forwarding("action_if_empty", fn_action_if_empty, 3, {&g_place_free, &g_place_empty});
  register_forwarding("action_if_collision", fn_action_if_collision, 3,
                      {&g_place_free, &g_place_empty});
  register_forwarding("action_if_object", fn_action_if_object, 3, {&g_place_meeting});
  register_forwarding("action_linear_step", fn_action_linear_step, 4, {&g_mp_linear_step});
  register_forwarding("action_potential_step", fn_action_potential_step, 4, {&g_mp_potential_step});
  register_function("action_sprite_set", fn_action_sprite_set, 3);
  register_function("action_set_sprite", fn_action_set_sprite, 2);
  register_function("action_sprite_transform", fn_action_sprite_transform, 4);
  register_function("action_sprite_color", fn_action_sprite_color, 2);
  register_function("action_kill_object", fn_action_kill_object, 0);
  register_function("action_create_object", fn_action_create_object, 3);
  register_function("action_create_object_motion", fn_action_create_object_motion, 5);
  register_function("action_create_object_random", fn_action_create_object_random, 6);
  register_function("action_change_object", fn_action_change_object, 2);
  register_forwarding("action_sound", fn_action_sound, 2, {&g_sound_play, &g_sound_loop});
  register_forwarding("action_end_sound", fn_action_end_sound, 2, {&g_sound_stop});
  register_forwarding("action_if_sound", fn_action_if_sound, 1, {&g_sound_isplaying});
  register_forwarding(
      "action_replace_sound", fn_action_replace_sound, 2,
      {&g_sound_exists, &g_file_exists, &g_sound_get_kind, &g_sound_get_preload, &g_sound_replace});
  register_forwarding("action_replace_sprite", fn_action_replace_sprite, 3,
                      {&g_sprite_exists, &g_file_exists, &g_sprite_get_xoffset,
                       &g_sprite_get_yoffset, &g_sprite_replace, &g_sprite_replace_sprite});
  register_forwarding("action_replace_background", fn_action_replace_background, 2,
                      {&g_background_exists, &g_file_exists, &g_background_replace,
                       &g_background_replace_background});
  register_forwarding("action_another_room", fn_action_another_room, 2, {&g_room_goto});
  register_forwarding("action_current_room", fn_action_current_room, 1, {&g_room_restart});
  register_forwarding("action_previous_room", fn_action_previous_room, 1, {&g_room_goto_previous});
  register_forwarding("action_next_room", fn_action_next_room, 1, {&g_room_goto_next});
  register_function("action_if_previous_room", fn_action_if_previous_room, 0);
  register_function("action_if_next_room", fn_action_if_next_room, 0);
  register_function("action_set_alarm", fn_action_set_alarm, 2);
  register_forwarding("action_sleep", fn_action_sleep, 2, {&g_sleep});
  register_function("action_set_timeline", fn_action_set_timeline, 2);
  register_function("action_timeline_set", fn_action_timeline_set, 4);
  register_function("action_timeline_start", fn_action_timeline_start, 0);
  register_function("action_timeline_pause", fn_action_timeline_pause, 0);
  register_function("action_timeline_stop", fn_action_timeline_stop, 0);
  register_function("action_set_timeline_position", fn_action_set_timeline_position, 1);
  register_function("action_set_timeline_speed", fn_action_set_timeline_speed, 1);
  register_forwarding("action_end_game", fn_action_end_game, 0, {&g_game_end});
  register_forwarding("action_restart_game", fn_action_restart_game, 0, {&g_game_restart});
  register_forwarding("action_save_game", fn_action_save_game, 1, {&g_game_save});
  register_forwarding("action_load_game", fn_action_load_game, 1, {&g_game_load});
  register_forwarding("action_webpage", fn_action_webpage, 1, {&g_execute_shell});
  register_forwarding("action_fullscreen", fn_action_fullscreen, 1,
                      {&g_window_set_fullscreen, &g_window_get_fullscreen});
  register_forwarding("action_set_cursor", fn_action_set_cursor, 2, {&g_window_set_cursor});
  register_forwarding("action_draw_sprite", fn_action_draw_sprite, 4, {&g_draw_sprite});
  register_forwarding("action_draw_background", fn_action_draw_background, 4,
                      {&g_draw_background, &g_draw_background_tiled});
  register_forwarding("action_snapshot", fn_action_snapshot, 1, {&g_screen_save});
  register_forwarding("action_draw_text", fn_action_draw_text, 3, {&g_draw_text});
  register_forwarding("action_draw_text_transformed", fn_action_draw_text_transformed, 6,
                      {&g_draw_text_transformed});
  register_forwarding("action_draw_variable", fn_action_draw_variable, 3, {&g_draw_text});
  register_forwarding("action_draw_score", fn_action_draw_score, 3, {&g_draw_text});
  register_forwarding("action_draw_life", fn_action_draw_life, 3, {&g_draw_text});
  register_forwarding("action_draw_life_images", fn_action_draw_life_images, 3, {&g_draw_sprite});
  register_forwarding("action_draw_health", fn_action_draw_health, 6, {&g_draw_healthbar});
  register_forwarding("action_draw_rectangle", fn_action_draw_rectangle, 5, {&g_draw_rectangle});
  register_forwarding("action_draw_gradient_hor", fn_action_draw_gradient_hor, 6,
                      {&g_draw_rectangle_color});
  register_forwarding("action_draw_gradient_vert", fn_action_draw_gradient_vert, 6,
                      {&g_draw_rectangle_color});
  register_forwarding("action_draw_ellipse", fn_action_draw_ellipse, 5, {&g_draw_ellipse});
  register_forwarding("action_draw_ellipse_gradient", fn_action_draw_ellipse_gradient, 6,
                      {&g_draw_ellipse_color});
  register_forwarding("action_draw_line", fn_action_draw_line, 4, {&g_draw_line});
  register_forwarding("action_draw_arrow", fn_action_draw_arrow, 5, {&g_draw_arrow});
  register_forwarding("action_color", fn_action_color, 1, {&g_draw_set_color});
  register_forwarding("action_fill_color", fn_action_color, 1, {&g_draw_set_color});
  register_forwarding("action_line_color", fn_action_color, 1, {&g_draw_set_color});
  register_forwarding("action_font", fn_action_font, 2, {&g_draw_set_font, &g_draw_set_halign});
  register_forwarding("action_draw_font", fn_action_draw_font, 1, {&g_draw_set_font});
  register_forwarding("action_draw_font_old", fn_action_draw_font_old, 6,
                      {&g_font_add, &g_font_exists, &g_draw_set_font, &g_draw_set_color});
  if (find_builtin_variable("caption_score") >= 0) {
    register_function("action_set_caption", fn_action_set_caption, 6);
  }
  register_function("action_if", fn_action_if, 1);
  register_forwarding("action_if_number", fn_action_if_number, 3, {&g_instance_number});
  register_function("action_if_dice", fn_action_if_dice, 1);
  register_function("action_if_mouse", fn_action_if_mouse, 1);
  register_function("action_execute_script", fn_action_execute_script, 6);
  register_forwarding("action_inherited", fn_action_inherited, 0, {&g_event_inherited});
  register_function("action_if_variable", fn_action_if_variable, 3);
  register_function("action_set_score", fn_action_set_score, 1);
  register_function("action_if_score", fn_action_if_score, 2);
  register_function("action_set_life", fn_action_set_life, 1);
  register_function("action_if_life", fn_action_if_life, 2);
  register_function("action_set_health", fn_action_set_health, 1);
  register_function("action_if_health", fn_action_if_health, 2);
  register_forwarding("action_cd_play", fn_action_cd_play, 2, {&g_cd_play});
  register_forwarding("action_cd_stop", fn_action_cd_stop, 0, {&g_cd_stop});
  register_forwarding("action_cd_pause", fn_action_cd_pause, 0, {&g_cd_pause});
  register_forwarding("action_cd_resume", fn_action_cd_resume, 0, {&g_cd_resume});
  register_forwarding("action_cd_present", fn_action_cd_present, 0, {&g_cd_present});
  register_forwarding("action_cd_playing", fn_action_cd_playing, 0, {&g_cd_playing});
  register_forwarding("action_message", fn_action_message, 1, {&g_show_message});
  register_forwarding("action_if_question", fn_action_if_question, 1, {&g_show_question});
  register_forwarding("action_show_info", fn_action_show_info, 0, {&g_show_info});
  register_forwarding("action_show_video", fn_action_show_video, 3, {&g_show_video});
  register_forwarding("action_splash_video", fn_action_splash_video, 2, {&g_splash_show_video});
  register_forwarding("action_splash_text", fn_action_splash_text, 1, {&g_splash_show_text});
  register_forwarding("action_splash_image", fn_action_splash_image, 1, {&g_splash_show_image});
  register_forwarding("action_splash_web", fn_action_splash_web, 2, {&g_splash_show_web});
  register_forwarding(
      "action_splash_settings", fn_action_splash_settings, 5,
      {&g_splash_set_main, &g_splash_set_caption, &g_splash_set_fullscreen,
       &g_splash_set_close_button, &g_splash_set_stop_key, &g_splash_set_stop_mouse});
  register_forwarding("action_highscore", fn_action_highscore, 0, {&g_highscore_show});
  register_forwarding("action_highscore_show", fn_action_highscore_show, 5,
                      {&g_highscore_show_ext});
  register_forwarding("action_highscore_clear", fn_action_highscore_clear, 0, {&g_highscore_clear});
  register_particle_actions();
}

}  // namespace vn
