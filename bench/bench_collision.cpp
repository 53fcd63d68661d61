// A 1600 × 1200 room of 2,000 moving instances of four objects with a 16-pixel disk as
// their precise mask, half of them solid, with collision events between four pairs of
// objects (one of them an object with itself). Figures: instance tests and collision
// events per step, and steps per second, for the grid and for the pair-by-pair walk.
//
// Every run starts from the same room state, taken after a few warm-up steps, so the
// runs can be checked against each other: the walk and the grid must give the same
// events and leave the room the same, step after step.
#include <benchmark/benchmark.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "graphics/Sprite_Class.h"
#include "library/Input_Main.h"
#include "platform/Platform_Clock.h"
#include "runner/Project_Json.h"
#include "runner/Runner_Game.h"
#include "runner/Runner_Install.h"
#include "runner/Runner_Library.h"
#include "script/Code_Exec.h"
#include "script/Code_Main.h"
#include "script/Code_Value.h"
#include "script/Script_Main.h"
#include "world/Collision_Main.h"
#include "world/Event_Main.h"
#include "world/Instance_Class.h"
#include "world/Motion_Main.h"
#include "world/Object_Main.h"
#include "world/Room_Main.h"
#include "world/Run_Main.h"
#include "world/Trigger_Main.h"

namespace {

constexpr int kRoomWidth = 1600;
constexpr int kRoomHeight = 1200;
constexpr int kColumns = 50;  // the instances start on a 50 × 40 grid of 32 × 30 cells,
constexpr int kRows = 40;     // jittered, so that none overlap at the start
constexpr int kDiskSize = 16;
constexpr int kWarmUpSteps = 20;
constexpr int kStepsPerRun = 200;

enum Object : int32_t { kRock, kStone, kBall, kSpark, kObjectCount };

// Solid pairs turn both back, so that they part instead of staying put back for good.
constexpr const char* kTurnBack = "direction += 180; global.hits += 1;";
constexpr const char* kCount = "global.hits += 1;";
constexpr const char* kWrap =
    "if (x < 0) x += room_width; else if (x >= room_width) x -= room_width;"
    "if (y < 0) y += room_height; else if (y >= room_height) y -= room_height;";

vn::CGameData& game() {
  static vn::CGameData data;
  return data;
}

std::unique_ptr<vn::CSprite> disk_sprite() {
  auto sprite = std::make_unique<vn::CSprite>();
  vn::TBitmap32 frame(kDiskSize, kDiskSize, 0);
  double centre = (kDiskSize - 1) / 2.0;
  double radius = kDiskSize / 2.0;
  for (int y = 0; y < kDiskSize; ++y) {
    for (int x = 0; x < kDiskSize; ++x) {
      double dx = x - centre, dy = y - centre;
      if (dx * dx + dy * dy <= radius * radius) {
        frame.image().pixels[size_t(y) * kDiskSize + size_t(x)] = 0xFFFFFFFF;
      }
    }
  }
  sprite->frames.push_back(std::move(frame));
  sprite->xorigin = kDiskSize / 2;
  sprite->yorigin = kDiskSize / 2;
  sprite->set_masks(false, vn::kMaskBoxAutomatic, 0, vn::kMaskPrecise, 0, 0, 0, 0);
  return sprite;
}

void build_game(vn::CGameData& data) {
  data.sprites.add("spr_disk", disk_sprite());
  const char* names[kObjectCount] = {"obj_rock", "obj_stone", "obj_ball", "obj_spark"};
  for (int i = 0; i < kObjectCount; ++i) {
    auto object = std::make_unique<vn::CObject>();
    object->sprite_index = 0;
    object->solid = i == kRock || i == kStone;
    object->event(vn::kEventCreate, 0)
        .actions.push_back(vn::code_action("direction = random(360); speed = 1 + random(3);"));
    object->event(vn::kEventStep, 2).actions.push_back(vn::code_action(kWrap));
    data.objects.add(names[i], std::move(object));
  }
  auto collides = [&](int self, int other, const char* code) {
    data.objects.items[size_t(self)]
        ->event(vn::kEventCollision, other)
        .actions.push_back(vn::code_action(code));
  };
  collides(kRock, kRock, kTurnBack);
  collides(kRock, kBall, kTurnBack);
  collides(kBall, kRock, kTurnBack);
  collides(kStone, kSpark, kTurnBack);
  collides(kSpark, kStone, kTurnBack);
  collides(kBall, kSpark, kCount);

  auto room = std::make_unique<vn::CRoom>();
  room->width = kRoomWidth;
  room->height = kRoomHeight;
  room->speed = 1000000;
  room->creation_code = "global.hits = 0;";
  std::mt19937 random(7);
  std::uniform_int_distribution<int> jitter(-6, 6);
  const int cell_width = kRoomWidth / kColumns;
  const int cell_height = kRoomHeight / kRows;
  for (int row = 0; row < kRows; ++row) {
    for (int column = 0; column < kColumns; ++column) {
      int x = column * cell_width + cell_width / 2 + jitter(random);
      int y = row * cell_height + cell_height / 2 + jitter(random);
      int object = int(random() % kObjectCount);
      room->instances.push_back({x, y, object, ++data.last_instance_id, ""});
    }
  }
  data.rooms.add("rm_crowd", std::move(room));
  data.room_order = {0};
}

// What a step changes of an instance here.
struct RMotionState {
  double x, y, xprevious, yprevious, hspeed, vspeed, direction, speed;
};
using TSnapshot = std::vector<RMotionState>;

TSnapshot take_snapshot() {
  TSnapshot snapshot;
  for (const auto& instance : vn::current_room()->instances()) {
    const vn::CInstance& i = *instance;
    snapshot.push_back(
        {i.x, i.y, i.xprevious, i.yprevious, i.hspeed, i.vspeed, i.direction, i.speed});
  }
  return snapshot;
}

void restore(const TSnapshot& snapshot) {
  const auto& instances = vn::current_room()->instances();
  for (size_t k = 0; k < snapshot.size(); ++k) {
    vn::CInstance& i = *instances[k];
    const RMotionState& s = snapshot[k];
    i.set_position(s.x, s.y);
    i.xprevious = s.xprevious;
    i.yprevious = s.yprevious;
    i.hspeed = s.hspeed;
    i.vspeed = s.vspeed;
    i.direction = s.direction;
    i.speed = s.speed;
  }
}

// Exact: two runs that did the same arithmetic in the same order give the same value.
uint64_t fingerprint() {
  uint64_t hash = 1469598103934665603ull;
  auto mix = [&](double value) {
    hash = (hash ^ std::bit_cast<uint64_t>(value)) * 1099511628211ull;
  };
  for (const auto& instance : vn::current_room()->instances()) {
    mix(instance->x);
    mix(instance->y);
    mix(instance->direction);
  }
  return hash;
}

// The collision events run so far (each event counts itself).
double hits() {
  static vn::CCode code("global.hits", true);
  static bool compiled = code.compile();
  vn::CInstance self(0, 0, 0, 0);
  vn::RValue result;
  if (!compiled || !vn::run_code(&self, &self, code, result)) return -1;
  return result.real;
}

// The room after the warm-up steps, as every run starts from it; none when the game did
// not start.
const TSnapshot* start_state() {
  static std::optional<TSnapshot> state;
  static bool tried = false;
  if (tried) return state ? &*state : nullptr;
  tried = true;
  vn::CGameData& data = game();
  vn::register_game_library();
  vn::use_fixed_clock(1.0e9);
  vn::set_start_seed(1);
  vn::reset_input();
  build_game(data);
  vn::install_game_resources(data);
  if (!vn::prepare_triggers() || !vn::compile_scripts() || !vn::prepare_all_objects() ||
      !vn::start_game() || !vn::current_room() || hits() != 0) {
    return nullptr;
  }
  for (int i = 0; i < kWarmUpSteps; ++i) vn::perform_step();
  state = take_snapshot();
  return &*state;
}

// What a step does before its collision phase here: the positions remembered, the moves.
void move_from_here() {
  for (const auto& instance : vn::current_room()->instances()) {
    instance->xprevious = instance->x;
    instance->yprevious = instance->y;
  }
  vn::move_instances();
}

// The moves of a step and its collision phase with the given search, then the end step
// that wraps the instances round the room.
void motion_and_collision(vn::CollisionSearch search) {
  move_from_here();
  vn::perform_collision_phase(search);
  vn::dispatch_event(vn::kEventStep, 2);
}

// How a run of kStepsPerRun steps ended, to check the other runs against the walk's.
struct RRunEnd {
  double events = 0;
  uint64_t fingerprint = 0;
};
std::optional<RRunEnd> g_walk_run;
std::optional<RRunEnd> g_walk_phase;

const char* search_name(vn::CollisionSearch search) {
  return search == vn::CollisionSearch::kWalk ? "walk" : "grid";
}

void set_step_counters(benchmark::State& state, double steps, uint64_t tests, double events) {
  state.counters["steps_per_second"] = benchmark::Counter(steps, benchmark::Counter::kIsRate);
  state.counters["tests_per_step"] = double(tests) / steps;
  state.counters["events_per_step"] = events / steps;
}

// Checks how a run ended against the walk's, which is kept as the reference.
void check_run(benchmark::State& state, std::optional<RRunEnd>& walk, bool is_walk,
               const RRunEnd& end) {
  if (is_walk) {
    walk = end;
    return;
  }
  if (!walk) return;
  bool same = walk->events == end.events && walk->fingerprint == end.fingerprint;
  state.counters["same_as_walk"] = same ? 1 : 0;
  if (!same) state.SkipWithError("the room ended differently from the walk's run");
}

// kStepsPerRun steps of motion, collision phase and end step, from the start state.
void bench_motion_and_collision(benchmark::State& state, vn::CollisionSearch search) {
  const TSnapshot* start = start_state();
  if (!start) {
    state.SkipWithError("the benchmark game did not start");
    return;
  }
  state.SetLabel(search_name(search));
  restore(*start);
  double events_before = hits();
  uint64_t tests_before = vn::instance_tests_made();
  for (auto _ : state) motion_and_collision(search);
  RRunEnd end{hits() - events_before, fingerprint()};
  set_step_counters(state, double(state.iterations()), vn::instance_tests_made() - tests_before,
                    end.events);
  check_run(state, g_walk_run, search == vn::CollisionSearch::kWalk, end);
}

// Whole steps (every phase) with the search the step itself uses: automatic, which takes
// the grid for lists as long as these.
void bench_whole_step(benchmark::State& state) {
  const TSnapshot* start = start_state();
  if (!start) {
    state.SkipWithError("the benchmark game did not start");
    return;
  }
  state.SetLabel("automatic");
  restore(*start);
  double events_before = hits();
  uint64_t tests_before = vn::instance_tests_made();
  for (auto _ : state) vn::perform_step();
  RRunEnd end{hits() - events_before, fingerprint()};
  set_step_counters(state, double(state.iterations()), vn::instance_tests_made() - tests_before,
                    end.events);
  check_run(state, g_walk_run, false, end);
}

// The collision phase alone, again and again on the same moved room.
void bench_collision_phase(benchmark::State& state, vn::CollisionSearch search) {
  const TSnapshot* start = start_state();
  if (!start) {
    state.SkipWithError("the benchmark game did not start");
    return;
  }
  state.SetLabel(search_name(search));
  uint64_t tests = 0;
  double events = 0;
  for (auto _ : state) {
    state.PauseTiming();
    restore(*start);
    move_from_here();
    double events_before = hits();
    uint64_t tests_before = vn::instance_tests_made();
    state.ResumeTiming();
    vn::perform_collision_phase(search);
    state.PauseTiming();
    tests += vn::instance_tests_made() - tests_before;
    events += hits() - events_before;
    state.ResumeTiming();
  }
  double phases = double(state.iterations());
  state.counters["phases_per_second"] = benchmark::Counter(phases, benchmark::Counter::kIsRate);
  state.counters["tests_per_phase"] = double(tests) / phases;
  state.counters["events_per_phase"] = events / phases;
  // Every phase started from the same room, so the last one stands for all.
  check_run(state, g_walk_phase, search == vn::CollisionSearch::kWalk,
            {events / phases, fingerprint()});
}

}  // namespace

BENCHMARK_CAPTURE(bench_motion_and_collision, walk, vn::CollisionSearch::kWalk)
    ->Iterations(kStepsPerRun)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(bench_motion_and_collision, grid, vn::CollisionSearch::kGrid)
    ->Iterations(kStepsPerRun)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(bench_whole_step)->Iterations(kStepsPerRun)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(bench_collision_phase, walk, vn::CollisionSearch::kWalk)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(bench_collision_phase, grid, vn::CollisionSearch::kGrid)
    ->Unit(benchmark::kMillisecond);
