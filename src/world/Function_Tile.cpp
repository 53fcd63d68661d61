#include "world/Function_Tile.h"

#include "script/Code_Error.h"
#include "script/Code_Function.h"
#include "script/Code_Value.h"
#include "world/Room_Main.h"
#include "world/Run_Main.h"
#include "world/Run_Room.h"

namespace vn {

namespace {

using arguments::boolean;
using arguments::integer;
using arguments::number;

using Self = CInstanceBase*;
using Args = const RValue*;

CLiveRoom* current_room() { return world_state().current; }

// The tile with the id of the first argument, or the message and null.
RTile* tile_of(const RValue& id) {
  CLiveRoom* room = current_room();
  int32_t index = room ? tile_find(*room, integer(id)) : -1;
  if (index < 0) {
    report_runtime_error("Tile does not exist.", false);
    return nullptr;
  }
  return &room->tiles[size_t(index)];
}

// tile_get_x and its kind: one field of the tile read as a real.
template <auto Field>
void fn_tile_get(Self, Self, int, Args args, RValue& result) {
  if (const RTile* tile = tile_of(args[0])) result = RValue(double(tile->*Field));
}

void fn_tile_set_visible(Self, Self, int, Args args, RValue&) {
  if (RTile* tile = tile_of(args[0])) tile->visible = boolean(args[1]);
}

void fn_tile_set_background(Self, Self, int, Args args, RValue&) {
  if (RTile* tile = tile_of(args[0])) tile->background_index = integer(args[1]);
}

void fn_tile_set_region(Self, Self, int, Args args, RValue&) {
  RTile* tile = tile_of(args[0]);
  if (tile == nullptr) return;
  tile->left = integer(args[1]);
  tile->top = integer(args[2]);
  tile->width = integer(args[3]);
  tile->height = integer(args[4]);
}

void fn_tile_set_position(Self, Self, int, Args args, RValue&) {
  RTile* tile = tile_of(args[0]);
  if (tile == nullptr) return;
  tile->x = number(args[1]);
  tile->y = number(args[2]);
}

// Room drawing puts the tile back in depth order before it draws the next frame.
void fn_tile_set_depth(Self, Self, int, Args args, RValue&) {
  if (RTile* tile = tile_of(args[0])) tile->depth = number(args[1]);
}

void fn_tile_set_scale(Self, Self, int, Args args, RValue&) {
  RTile* tile = tile_of(args[0]);
  if (tile == nullptr) return;
  tile->xscale = number(args[1]);
  tile->yscale = number(args[2]);
}

void fn_tile_set_blend(Self, Self, int, Args args, RValue&) {
  if (RTile* tile = tile_of(args[0])) tile->blend = integer(args[1]);
}

void fn_tile_set_alpha(Self, Self, int, Args args, RValue&) {
  if (RTile* tile = tile_of(args[0])) tile->alpha = number(args[1]);
}

// tile_add(background, left, top, width, height, x, y, depth): the new tile's id.
void fn_tile_add(Self, Self, int, Args args, RValue& result) {
  CLiveRoom* room = current_room();
  if (room == nullptr) return;
  RTile tile;
  tile.background_index = integer(args[0]);
  tile.left = integer(args[1]);
  tile.top = integer(args[2]);
  tile.width = integer(args[3]);
  tile.height = integer(args[4]);
  tile.x = number(args[5]);
  tile.y = number(args[6]);
  tile.depth = number(args[7]);
  int32_t index = tile_add(*room, tile);
  result = RValue(double(room->tiles[size_t(index)].id));
}

// The id of the tile at an index, -1 for none.
RValue id_at(const CLiveRoom& room, int32_t index) {
  return RValue(index < 0 ? -1.0 : double(room.tiles[size_t(index)].id));
}

void fn_tile_find(Self, Self, int, Args args, RValue& result) {
  CLiveRoom* room = current_room();
  result = RValue(-1.0);
  if (room)
    result = id_at(*room, tile_find_at(*room, number(args[0]), number(args[1]), boolean(args[2])));
}

void fn_tile_exists(Self, Self, int, Args args, RValue& result) {
  CLiveRoom* room = current_room();
  result = RValue(room && tile_find(*room, integer(args[0])) >= 0 ? 1.0 : 0.0);
}

void fn_tile_delete(Self, Self, int, Args args, RValue&) {
  CLiveRoom* room = current_room();
  int32_t index = room ? tile_find(*room, integer(args[0])) : -1;
  if (index < 0) {
    report_runtime_error("Tile does not exist.", false);
    return;
  }
  tile_delete_index(*room, index);
}

void fn_tile_delete_at(Self, Self, int, Args args, RValue&) {
  if (CLiveRoom* room = current_room())
    tile_delete_at(*room, number(args[0]), number(args[1]), boolean(args[2]));
}

void fn_tile_layer_hide(Self, Self, int, Args args, RValue&) {
  if (CLiveRoom* room = current_room()) tile_layer_hide(*room, number(args[0]));
}

void fn_tile_layer_show(Self, Self, int, Args args, RValue&) {
  if (CLiveRoom* room = current_room()) tile_layer_show(*room, number(args[0]));
}

void fn_tile_layer_delete(Self, Self, int, Args args, RValue&) {
  if (CLiveRoom* room = current_room()) tile_layer_delete(*room, number(args[0]));
}

void fn_tile_layer_shift(Self, Self, int, Args args, RValue&) {
  if (CLiveRoom* room = current_room())
    tile_layer_shift(*room, number(args[0]), number(args[1]), number(args[2]));
}

void fn_tile_layer_find(Self, Self, int, Args args, RValue& result) {
  CLiveRoom* room = current_room();
  result = RValue(-1.0);
  if (room)
    result =
        id_at(*room, tile_layer_find(*room, number(args[0]), number(args[1]), number(args[2])));
}

void fn_tile_layer_delete_at(Self, Self, int, Args args, RValue&) {
  if (CLiveRoom* room = current_room())
    tile_layer_delete_at(*room, number(args[0]), number(args[1]), number(args[2]));
}

void fn_tile_layer_depth(Self, Self, int, Args args, RValue&) {
  if (CLiveRoom* room = current_room()) tile_layer_depth(*room, number(args[0]), number(args[1]));
}

}  // namespace

void register_tile_functions() {
  register_function("tile_get_x", fn_tile_get<&RTile::x>, 1);
  register_function("tile_get_y", fn_tile_get<&RTile::y>, 1);
  register_function("tile_get_left", fn_tile_get<&RTile::left>, 1);
  register_function("tile_get_top", fn_tile_get<&RTile::top>, 1);
  register_function("tile_get_width", fn_tile_get<&RTile::width>, 1);
  register_function("tile_get_height", fn_tile_get<&RTile::height>, 1);
  register_function("tile_get_depth", fn_tile_get<&RTile::depth>, 1);
  register_function("tile_get_visible", fn_tile_get<&RTile::visible>, 1);
  register_function("tile_get_xscale", fn_tile_get<&RTile::xscale>, 1);
  register_function("tile_get_yscale", fn_tile_get<&RTile::yscale>, 1);
  register_function("tile_get_blend", fn_tile_get<&RTile::blend>, 1);
  register_function("tile_get_alpha", fn_tile_get<&RTile::alpha>, 1);
  register_function("tile_get_background", fn_tile_get<&RTile::background_index>, 1);
  register_function("tile_set_visible", fn_tile_set_visible, 2);
  register_function("tile_set_background", fn_tile_set_background, 2);
  register_function("tile_set_region", fn_tile_set_region, 5);
  register_function("tile_set_position", fn_tile_set_position, 3);
  register_function("tile_set_depth", fn_tile_set_depth, 2);
  register_function("tile_set_scale", fn_tile_set_scale, 3);
  register_function("tile_set_blend", fn_tile_set_blend, 2);
  register_function("tile_set_alpha", fn_tile_set_alpha, 2);
  register_function("tile_add", fn_tile_add, 8);
  register_function("tile_find", fn_tile_find, 3);
  register_function("tile_exists", fn_tile_exists, 1);
  register_function("tile_delete", fn_tile_delete, 1);
  register_function("tile_delete_at", fn_tile_delete_at, 3);
  register_function("tile_layer_hide", fn_tile_layer_hide, 1);
  register_function("tile_layer_show", fn_tile_layer_show, 1);
  register_function("tile_layer_delete", fn_tile_layer_delete, 1);
  register_function("tile_layer_shift", fn_tile_layer_shift, 3);
  register_function("tile_layer_find", fn_tile_layer_find, 3);
  register_function("tile_layer_delete_at", fn_tile_layer_delete_at, 3);
  register_function("tile_layer_depth", fn_tile_layer_depth, 2);
}

}  // namespace vn
