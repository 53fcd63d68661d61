// Grid path searches: 1,000 searches between random free cells of a 200 × 200 grid with
// 30 % of its cells forbidden, with and without diagonal moves. Figures: searches per
// second, how many found a path, and the allocations a search makes (the search reuses
// the grid's own buffers, so this stays 0 once the grid has searched once).
// The replaced operator new below hands out malloc's memory, which GCC takes for a
// mismatch wherever a delete of this file meets it.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <random>
#include <vector>

#include "world/Motion_Grid.h"

namespace {

std::atomic<uint64_t> allocations{0};

constexpr int kCells = 200;
constexpr int kCellSize = 16;
constexpr int kSearches = 1000;
constexpr unsigned kForbiddenPercent = 30;

struct RSearch {
  int64_t start_x, start_y, goal_x, goal_y;
};

struct RSetup {
  vn::CGrid grid{0, 0, kCells, kCells, kCellSize, kCellSize};
  std::vector<RSearch> searches;
};

RSetup& setup() {
  static RSetup value = [] {
    RSetup made;
    std::mt19937 random(2026);
    for (int h = 0; h < kCells; ++h) {
      for (int v = 0; v < kCells; ++v) {
        if (random() % 100 < kForbiddenPercent) made.grid.set_cell(h, v, vn::kCellForbidden);
      }
    }
    // Start and goal in free cells, anywhere in them.
    auto free_point = [&](int64_t& x, int64_t& y) {
      do {
        x = int64_t(random() % (kCells * kCellSize));
        y = int64_t(random() % (kCells * kCellSize));
      } while (made.grid.cell(x / kCellSize, y / kCellSize) != vn::kCellFree);
    };
    for (int i = 0; i < kSearches; ++i) {
      RSearch search;
      free_point(search.start_x, search.start_y);
      free_point(search.goal_x, search.goal_y);
      made.searches.push_back(search);
    }
    return made;
  }();
  return value;
}

void BM_GridPath(benchmark::State& state) {
  const bool diagonal = state.range(0) != 0;
  RSetup& data = setup();
  std::vector<vn::RGridPoint> points;
  points.reserve(size_t(kCells) * kCells);
  data.grid.find_path(0, 0, 0, 0, diagonal, points);  // the grid's buffers, made once
  int found = 0;
  uint64_t allocations_before = allocations.load();
  for (auto _ : state) {
    found = 0;
    for (const RSearch& search : data.searches) {
      found += data.grid.find_path(search.start_x, search.start_y, search.goal_x, search.goal_y,
                                   diagonal, points);
    }
    benchmark::DoNotOptimize(points.data());
  }
  double searches = double(state.iterations()) * kSearches;
  state.SetLabel(diagonal ? "diagonal" : "orthogonal");
  state.counters["searches_per_second"] = benchmark::Counter(searches, benchmark::Counter::kIsRate);
  state.counters["found_of_1000"] = found;
  state.counters["allocations_per_search"] =
      double(allocations.load() - allocations_before) / searches;
}
BENCHMARK(BM_GridPath)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

// Counting every allocation of the program, the search's included.
void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* memory = std::malloc(size ? size : 1)) return memory;
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
