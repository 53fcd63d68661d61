// Any bytes given to the saved-game reader either replace the world with one that saves
// and loads back to the same file, or are refused and leave the world byte for byte as
// it was.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "script/Variable_Main.h"
#include "world/Object_Class.h"
#include "world/Room_Class.h"
#include "world/Room_Main.h"
#include "world/Run_Global.h"
#include "world/Run_Main.h"
#include "world/Save_Game.h"

namespace {

vn::TResourceList<vn::CObject> g_objects;
vn::TResourceList<vn::CRoom> g_rooms;
int32_t g_last_instance = 100;
int32_t g_last_tile = 10;

// A world with two objects and three rooms, the first live with an instance that has a
// variable.
void prepare_world() {
  static bool prepared = false;
  if (prepared) return;
  prepared = true;
  g_objects.add("a", std::make_unique<vn::CObject>());
  g_objects.add("b", std::make_unique<vn::CObject>());
  for (const char* name : {"r0", "r1", "r2"}) g_rooms.add(name, std::make_unique<vn::CRoom>());
  vn::RWorldResources& resources = vn::world_resources();
  resources.objects = &g_objects;
  resources.rooms = &g_rooms;
  resources.last_instance_id = &g_last_instance;
  resources.last_tile_id = &g_last_tile;
  vn::globals_reset();
  vn::RWorldState& world = vn::world_state();
  world.live_rooms.clear();
  world.live_rooms.push_back(std::make_unique<vn::CLiveRoom>(0, nullptr));
  world.room = 0;
  world.current = world.live_rooms[0].get();
  vn::CInstance* instance = world.current->create_instance(1, 5, 6);
  instance->variables.set(100001, 3, vn::RValue(2.0));
}

std::vector<uint8_t> saved() {
  vn::CStream stream;
  vn::write_saved_game(stream);
  return stream.take_bytes();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  prepare_world();
  std::vector<uint8_t> before = saved();
  vn::CStream input(std::vector<uint8_t>(data, data + size));
  if (!vn::read_saved_game(input, "f").empty()) {
    if (saved() != before) std::abort();
    return 0;
  }
  std::vector<uint8_t> once = saved();
  vn::CStream again(once);
  if (!vn::read_saved_game(again, "f").empty() || saved() != once) std::abort();
  // Back to the known world for the next input.
  vn::CStream original(before);
  if (!vn::read_saved_game(original, "f").empty()) std::abort();
  return 0;
}
