// A room of 10,000 instances of four objects, each with a step, an alarm and an end-step
// event running one short line of code, stepped without the frame wait: steps per
// second, and the cost of one instance-event set against a plain loop doing the same
// arithmetic on plain structs.
#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "library/Input_Main.h"
#include "platform/Platform_Clock.h"
#include "runner/Project_Json.h"
#include "runner/Runner_Game.h"
#include "runner/Runner_Install.h"
#include "runner/Runner_Library.h"
#include "script/Code_Error.h"
#include "script/Script_Main.h"
#include "world/Event_Main.h"
#include "world/Run_Global.h"
#include "world/Run_Main.h"
#include "world/Trigger_Main.h"

namespace {

constexpr int kInstances = 10000;
constexpr int kObjects = 4;
// Per step every instance runs its step and end-step events; the alarm, re-armed to 4,
// fires every fourth step.
constexpr double kEventsPerInstanceStep = 2.25;

// The game stays alive for every benchmark of the program.
vn::CGameData& game() {
  static vn::CGameData data;
  return data;
}

bool start_bench_game() {
  vn::CGameData& data = game();
  if (vn::world_state().current) return true;
  vn::register_game_library();
  vn::use_fixed_clock(1.0e9);
  vn::set_start_seed(1);
  vn::reset_input();
  for (int i = 0; i < kObjects; ++i) {
    auto object = std::make_unique<vn::CObject>();
    object->event(vn::kEventCreate, 0)
        .actions.push_back(vn::code_action("alarm[0] = 1 + id mod 4;"));
    object->event(vn::kEventStep, 0).actions.push_back(vn::code_action("x += 1;"));
    object->event(vn::kEventAlarm, 0).actions.push_back(vn::code_action("y += 1; alarm[0] = 4;"));
    object->event(vn::kEventStep, 2).actions.push_back(vn::code_action("if x > 1000 x = 0;"));
    data.objects.add("obj" + std::to_string(i), std::move(object));
  }
  auto room = std::make_unique<vn::CRoom>();
  room->speed = 1000000;
  for (int i = 0; i < kInstances; ++i) {
    room->instances.push_back({i % 640, i % 480, i % kObjects, ++data.last_instance_id, ""});
  }
  data.rooms.add("rm", std::move(room));
  data.room_order = {0};

  vn::install_game_resources(data);
  if (!vn::prepare_triggers() || !vn::compile_scripts() || !vn::prepare_all_objects()) {
    return false;
  }
  return vn::start_game();
}

void step_cycle(benchmark::State& state) {
  if (!start_bench_game()) {
    state.SkipWithError("the benchmark game did not start");
    return;
  }
  for (auto _ : state) vn::perform_step();
  double steps = double(state.iterations());
  state.counters["steps_per_second"] = benchmark::Counter(steps, benchmark::Counter::kIsRate);
  state.counters["per_instance_event"] =
      benchmark::Counter(steps * kInstances * kEventsPerInstanceStep,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The same work on plain structs: the floor under what dispatch and the interpreter add.
struct RPlain {
  double x = 0;
  double y = 0;
  int32_t id = 0;
  std::array<int32_t, 12> alarm{};
};

void plain_loop(benchmark::State& state) {
  std::vector<RPlain> items(kInstances);
  for (int i = 0; i < kInstances; ++i) {
    items[size_t(i)].x = i % 640;
    items[size_t(i)].id = 100001 + i;
    items[size_t(i)].alarm[0] = 1 + items[size_t(i)].id % 4;
  }
  for (auto _ : state) {
    for (RPlain& item : items) {
      if (item.alarm[0] >= 0 && --item.alarm[0] == 0) {
        item.y += 1;
        item.alarm[0] = 4;
      }
    }
    for (RPlain& item : items) item.x += 1;
    for (RPlain& item : items) {
      if (item.x > 1000) item.x = 0;
    }
    benchmark::DoNotOptimize(items.data());
    benchmark::ClobberMemory();
  }
  double steps = double(state.iterations());
  state.counters["steps_per_second"] = benchmark::Counter(steps, benchmark::Counter::kIsRate);
  state.counters["per_instance_event"] =
      benchmark::Counter(steps * kInstances * kEventsPerInstanceStep,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(step_cycle)->Unit(benchmark::kMillisecond);
BENCHMARK(plain_loop)->Unit(benchmark::kMicrosecond);
