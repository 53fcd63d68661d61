// Maps and priority queues carry whole games' indexes: adds, finds and deletes at 10,000,
// 100,000 and 1,000,000 entries show how the cost per operation grows. Grid disks: a
// thousand disk sums on a 1000 x 1000 grid at a few radii.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "library/Support_Data_Structures.h"

namespace {

// Distinct keys in random order: reals, or strings of the form "key123".
std::vector<vn::RValue> random_keys(size_t count, bool strings) {
  std::vector<vn::RValue> keys;
  keys.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    keys.push_back(strings ? vn::RValue("key" + std::to_string(i)) : vn::RValue(double(i) * 3.0));
  }
  std::shuffle(keys.begin(), keys.end(), std::mt19937(42));
  return keys;
}

void map_add(benchmark::State& state) {
  std::vector<vn::RValue> keys = random_keys(size_t(state.range(0)), state.range(1) != 0);
  for (auto _ : state) {
    vn::CDS_Map map;
    for (const vn::RValue& key : keys) map.add(key, key);
    benchmark::DoNotOptimize(map.size());
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}

void map_find(benchmark::State& state) {
  std::vector<vn::RValue> keys = random_keys(size_t(state.range(0)), state.range(1) != 0);
  vn::CDS_Map map;
  for (const vn::RValue& key : keys) map.add(key, key);
  std::shuffle(keys.begin(), keys.end(), std::mt19937(7));
  for (auto _ : state) {
    for (const vn::RValue& key : keys) benchmark::DoNotOptimize(map.find_value(key));
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}

void map_delete(benchmark::State& state) {
  std::vector<vn::RValue> keys = random_keys(size_t(state.range(0)), state.range(1) != 0);
  vn::CDS_Map full;
  for (const vn::RValue& key : keys) full.add(key, key);
  std::shuffle(keys.begin(), keys.end(), std::mt19937(9));
  for (auto _ : state) {
    state.PauseTiming();
    vn::CDS_Map map = full;
    state.ResumeTiming();
    for (const vn::RValue& key : keys) map.remove(key);
    benchmark::DoNotOptimize(map.size());
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}

void priority_add(benchmark::State& state) {
  std::vector<vn::RValue> keys = random_keys(size_t(state.range(0)), false);
  for (auto _ : state) {
    vn::CDS_Priority queue;
    for (const vn::RValue& key : keys) queue.add(key, key);
    benchmark::DoNotOptimize(queue.size());
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}

// Finding a value's priority (the first equal entry in array order).
void priority_find(benchmark::State& state) {
  std::vector<vn::RValue> keys = random_keys(size_t(state.range(0)), false);
  vn::CDS_Priority queue;
  for (const vn::RValue& key : keys) queue.add(key, key);
  std::shuffle(keys.begin(), keys.end(), std::mt19937(7));
  for (auto _ : state) {
    for (const vn::RValue& key : keys) benchmark::DoNotOptimize(queue.find_priority(key));
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}

// Emptying the queue by delete_min, and by delete_value in random order.
void priority_delete(benchmark::State& state) {
  std::vector<vn::RValue> keys = random_keys(size_t(state.range(0)), false);
  vn::CDS_Priority full;
  for (const vn::RValue& key : keys) full.add(key, key);
  std::shuffle(keys.begin(), keys.end(), std::mt19937(9));
  bool by_value = state.range(1) != 0;
  for (auto _ : state) {
    state.PauseTiming();
    vn::CDS_Priority queue = full;
    state.ResumeTiming();
    if (by_value) {
      for (const vn::RValue& key : keys) queue.delete_value(key);
    } else {
      while (queue.size() > 0) benchmark::DoNotOptimize(queue.delete_min());
    }
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}

void grid_disk_sum(benchmark::State& state) {
  vn::CDS_Grid grid(1000, 1000);
  for (int x = 0; x < 1000; ++x) {
    for (int y = 0; y < 1000; ++y) grid.at(x, y) = vn::RValue(double((x * 31 + y * 17) % 101));
  }
  double radius = double(state.range(0));
  std::mt19937 random(5);
  std::uniform_real_distribution<double> place(0.0, 999.0);
  std::vector<std::pair<double, double>> centres(1000);
  for (auto& centre : centres) centre = {place(random), place(random)};
  for (auto _ : state) {
    for (const auto& [x, y] : centres) {
      benchmark::DoNotOptimize(grid.disk_statistics(x, y, radius).sum);
    }
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * 1000);
}

void sizes(benchmark::internal::Benchmark* benchmark) {
  for (int64_t strings : {0, 1}) {
    for (int64_t count : {10000, 100000, 1000000}) benchmark->Args({count, strings});
  }
  benchmark->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(map_add)->Apply(sizes);
BENCHMARK(map_find)->Apply(sizes);
BENCHMARK(map_delete)->Apply(sizes);
// The second argument: 0 reals, 1 strings for maps; 0 delete_min, 1 delete_value below.
BENCHMARK(priority_add)
    ->Args({10000, 0})
    ->Args({100000, 0})
    ->Args({1000000, 0})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(priority_find)
    ->Args({10000, 0})
    ->Args({100000, 0})
    ->Args({1000000, 0})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(priority_delete)->Apply(sizes);
BENCHMARK(grid_disk_sum)->Arg(10)->Arg(100)->Arg(500)->Unit(benchmark::kMillisecond);
