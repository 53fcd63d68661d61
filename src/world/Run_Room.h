// Rooms at run time, beyond the live room's own store: the tile operations the tile
// functions use, and the room, event and room-variable families of built-in names.
#pragma once

#include <cstdint>

#include "world/Room_Main.h"

namespace vn {

// --- Tiles of a live room ---

// Appends the tile with the next tile id; the index, which the lookup cache keeps.
int32_t tile_add(CLiveRoom& room, RTile tile);
// The index of the tile with that id (the cached index first), -1 when absent.
int32_t tile_find(CLiveRoom& room, int32_t id);
void tile_delete_index(CLiveRoom& room, int32_t index);
// The first tile holding the point (x <= px < x + width, likewise y) among the
// foreground tiles (depth below 0) or the others; -1 when none.
int32_t tile_find_at(CLiveRoom& room, double px, double py, bool foreground);
// Every tile holding the point with its edges (x <= px <= x + width) whose depth is 0 or
// below for the foreground, 0 or above otherwise.
void tile_delete_at(CLiveRoom& room, double px, double py, bool foreground);

// Operations on every tile whose depth is exactly that depth.
void tile_layer_hide(CLiveRoom& room, double depth);
void tile_layer_show(CLiveRoom& room, double depth);
void tile_layer_delete(CLiveRoom& room, double depth);
void tile_layer_shift(CLiveRoom& room, double depth, double dx, double dy);
int32_t tile_layer_find(CLiveRoom& room, double depth, double px, double py);
void tile_layer_delete_at(CLiveRoom& room, double depth, double px, double py);
void tile_layer_depth(CLiveRoom& room, double depth, double new_depth);

// --- Registration ---

// room_goto and the other room changes, game_end, game_restart and sleep.
void register_room_functions();
// event_perform, event_perform_object, event_user and event_inherited.
void register_event_functions();
// room, the room settings, background layers, views, transitions and fps.
void register_room_variables();

}  // namespace vn
