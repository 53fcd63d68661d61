#include "world/Function_Save.h"

#include "script/Code_Function.h"
#include "script/Code_Value.h"
#include "world/Run_Main.h"
#include "world/Save_Game.h"

namespace vn {

namespace {

using arguments::text;

using Self = CInstanceBase*;
using Args = const RValue*;

void fn_game_save(Self, Self, int, Args args, RValue&) { save_game_to_file(text(args[0])); }

void fn_game_load(Self, Self, int, Args args, RValue&) {
  RWorldState& world = world_state();
  world.load_file_name = text(args[0]);
  world.pending_room = kRequestLoad;
}

}  // namespace

void register_save_functions() {
  register_function("game_save", fn_game_save, 1);
  register_function("game_load", fn_game_load, 1);
}

}  // namespace vn
