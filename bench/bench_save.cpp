// Saving and loading a room of 10,000 instances with 10 variables each, in memory: the
// milliseconds each way (best of five) and the size of the file.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "script/Variable_Main.h"
#include "world/Object_Class.h"
#include "world/Room_Class.h"
#include "world/Room_Main.h"
#include "world/Run_Global.h"
#include "world/Run_Main.h"
#include "world/Save_Game.h"

namespace {

constexpr int kInstances = 10000;
constexpr int kVariables = 10;
constexpr int kRuns = 5;

double milliseconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

}  // namespace

int main() {
  static vn::TResourceList<vn::CObject> objects;
  objects.add("obj", std::make_unique<vn::CObject>());
  static vn::TResourceList<vn::CRoom> rooms;
  rooms.add("rm", std::make_unique<vn::CRoom>());
  int32_t last_instance = 100000;
  int32_t last_tile = 10000000;
  vn::RWorldResources& resources = vn::world_resources();
  resources.objects = &objects;
  resources.rooms = &rooms;
  resources.last_instance_id = &last_instance;
  resources.last_tile_id = &last_tile;
  vn::globals_reset();
  vn::RWorldState& world = vn::world_state();
  world.live_rooms.push_back(std::make_unique<vn::CLiveRoom>(0, nullptr));
  world.room = 0;
  world.current = world.live_rooms[0].get();
  for (int i = 0; i < kInstances; ++i) {
    vn::CInstance* instance = world.current->create_instance(0, i % 640, i / 640);
    for (int v = 0; v < kVariables; ++v) {
      instance->variables.set(100000 + v, 0, vn::RValue(double(i + v)));
    }
  }

  double save_best = 1e30;
  double load_best = 1e30;
  size_t bytes = 0;
  for (int run = 0; run < kRuns; ++run) {
    auto start = std::chrono::steady_clock::now();
    vn::CStream saved;
    vn::write_saved_game(saved);
    save_best = std::min(save_best, milliseconds_since(start));
    bytes = saved.size();
    vn::CStream reading(saved.take_bytes());
    start = std::chrono::steady_clock::now();
    const std::string problem = vn::read_saved_game(reading, "bench.sav");
    load_best = std::min(load_best, milliseconds_since(start));
    if (!problem.empty()) {
      std::fprintf(stderr, "bench_save: the load failed: %s\n", problem.c_str());
      return 1;
    }
  }
  std::printf("save %.1f ms, load %.1f ms, file %zu bytes (%d instances, %d variables each)\n",
              save_best, load_best, bytes, kInstances, kVariables);
  return 0;
}
