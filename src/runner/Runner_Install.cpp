#include "runner/Runner_Install.h"

#include "runner/Runner_Game.h"
#include "runner/Runner_Names.h"
#include "script/Script_Main.h"
#include "world/Run_Global.h"
#include "world/Run_Main.h"
#include "world/World_Script.h"

namespace vn {

void install_game_resources(CGameData& game) {
  set_scripts(&game.scripts);
  install_resource_constants(game);
  RWorldResources& world = world_resources();
  world.sprites = &game.sprites;
  world.backgrounds = &game.backgrounds;
  world.fonts = &game.fonts;
  world.sounds = &game.sounds;
  world.objects = &game.objects;
  world.rooms = &game.rooms;
  world.timelines = &game.timelines;
  world.paths = &game.paths;
  world.triggers = &game.triggers;
  world.room_order = &game.room_order;
  world.library_init_code = &game.library_init_code;
  world.last_instance_id = &game.last_instance_id;
  world.last_tile_id = &game.last_tile_id;
  install_script_world();
  install_world_hooks();
}

}  // namespace vn
