#include "library/Function_Data_Structures.h"

#include <cstdint>
#include <exception>
#include <iterator>
#include <memory>
#include <set>
#include <string_view>
#include <vector>

#include "library/Support_Data_Structures.h"
#include "script/Code_Error.h"
#include "script/Code_Function.h"
#include "script/Code_Value.h"

namespace vn {

namespace {

using arguments::number;
using arguments::rounded;

constexpr const char* kNoSuchStructure = "Data structure with index does not exist.";
constexpr const char* kNegativeGridSize = "Grid size must not be negative.";
constexpr const char* kGridTooLarge = "Grid size is too large.";

void report(const char* message) { report_runtime_error(message, false); }

// What a container keeps of an argument: its kind and that kind's field only, so the text
// forms never carry what a variable held before.
RValue stored(const RValue& value) {
  return value.kind == kString ? RValue(value.string) : RValue(value.real);
}

void set_result(RValue& result, const RValue* value) {
  if (value) result = *value;
}

// Slots that once held a container stay counted; the lowest empty one is taken first.
template <class Container>
class THandleTable {
 public:
  double create(std::unique_ptr<Container> container) {
    size_t slot;
    if (!free_.empty()) {
      slot = *free_.begin();
      free_.erase(free_.begin());
      slots_[slot] = std::move(container);
    } else {
      slot = slots_.size();
      slots_.push_back(std::move(container));
    }
    return double(slot);
  }

  // Reports the error when the handle names no container.
  Container* find(const RValue& handle) {
    int64_t slot = rounded(handle);
    if (slot < 0 || uint64_t(slot) >= slots_.size() || !slots_[size_t(slot)]) {
      report(kNoSuchStructure);
      return nullptr;
    }
    return slots_[size_t(slot)].get();
  }

  void destroy(const RValue& handle) {
    if (!find(handle)) return;
    size_t slot = size_t(rounded(handle));
    slots_[slot].reset();
    free_.insert(slot);
  }

  void reset() {
    slots_.clear();
    free_.clear();
  }

 private:
  std::vector<std::unique_ptr<Container>> slots_;
  std::set<size_t> free_;
};

THandleTable<CDS_Stack> g_stacks;
THandleTable<CDS_Queue> g_queues;
THandleTable<CDS_List> g_lists;
THandleTable<CDS_Map> g_maps;
THandleTable<CDS_Priority> g_priorities;
THandleTable<CDS_Grid> g_grids;

// The members every kind shares.
template <class Container>
void copy_into(THandleTable<Container>& table, const RValue* args) {
  Container* target = table.find(args[0]);
  if (!target) return;
  Container* source = table.find(args[1]);
  if (source && source != target) *target = *source;
}

template <class Container>
void write_into(THandleTable<Container>& table, const RValue* args, RValue& result) {
  if (Container* container = table.find(args[0])) result = RValue(RString(write_text(*container)));
}

// A text that is not hexadecimal reports the conversion's own message; any other fault
// of the text reports the malformed one. Either way the container is unchanged.
template <class Container>
void read_into(THandleTable<Container>& table, const RValue* args) {
  Container* container = table.find(args[0]);
  if (!container) return;
  std::string_view text = args[1].kind == kString ? args[1].string.view() : std::string_view();
  try {
    read_text(*container, text);
  } catch (const ConversionError& error) {
    report_runtime_error(error.what(), false);
  } catch (const std::exception&) {
    report_runtime_error(DsFormatError().what(), false);
  }
}

// Sizes are whole numbers of at least 0 whose product stays below the cell limit.
bool grid_size(const RValue& width_argument, const RValue& height_argument, int32_t& width,
               int32_t& height) {
  int64_t w = rounded(width_argument), h = rounded(height_argument);
  if (w < 0 || h < 0) {
    report(kNegativeGridSize);
    return false;
  }
  if (w > kMaxGridCells || h > kMaxGridCells || w * h > kMaxGridCells) {
    report(kGridTooLarge);
    return false;
  }
  width = int32_t(w);
  height = int32_t(h);
  return true;
}

using Self = CInstanceBase*;
using Args = const RValue*;
using Operation = CDS_Grid::Operation;

template <Operation operation>
void grid_cell(Self, Self, int, Args a, RValue&) {
  if (CDS_Grid* grid = g_grids.find(a[0])) {
    grid->apply_cell(operation, rounded(a[1]), rounded(a[2]), stored(a[3]));
  }
}

template <Operation operation>
void grid_region(Self, Self, int, Args a, RValue&) {
  if (CDS_Grid* grid = g_grids.find(a[0])) {
    grid->apply_region(operation, rounded(a[1]), rounded(a[2]), rounded(a[3]), rounded(a[4]),
                       stored(a[5]));
  }
}

template <Operation operation>
void grid_disk(Self, Self, int, Args a, RValue&) {
  if (CDS_Grid* grid = g_grids.find(a[0])) {
    grid->apply_disk(operation, number(a[1]), number(a[2]), number(a[3]), stored(a[4]));
  }
}

template <Operation operation>
void grid_grid_region(Self, Self, int, Args a, RValue&) {
  CDS_Grid* grid = g_grids.find(a[0]);
  if (!grid) return;
  if (CDS_Grid* source = g_grids.find(a[1])) {
    grid->apply_grid_region(operation, *source, rounded(a[2]), rounded(a[3]), rounded(a[4]),
                            rounded(a[5]), rounded(a[6]), rounded(a[7]));
  }
}

enum class Aggregate { kSum, kMax, kMin, kMean };

double aggregate_of(const CDS_Grid::RStatistics& statistics, Aggregate aggregate) {
  switch (aggregate) {
    case Aggregate::kSum:
      return statistics.sum;
    case Aggregate::kMax:
      return statistics.max;
    case Aggregate::kMin:
      return statistics.min;
    case Aggregate::kMean:
      return statistics.mean();
  }
  return 0.0;
}

template <Aggregate aggregate>
void grid_region_aggregate(Self, Self, int, Args a, RValue& r) {
  if (CDS_Grid* grid = g_grids.find(a[0])) {
    r = aggregate_of(
        grid->region_statistics(rounded(a[1]), rounded(a[2]), rounded(a[3]), rounded(a[4])),
        aggregate);
  }
}

template <Aggregate aggregate>
void grid_disk_aggregate(Self, Self, int, Args a, RValue& r) {
  if (CDS_Grid* grid = g_grids.find(a[0])) {
    r = aggregate_of(grid->disk_statistics(number(a[1]), number(a[2]), number(a[3])), aggregate);
  }
}

enum class Found { kExists, kX, kY };

void found_result(bool found, int64_t x, int64_t y, Found what, RValue& r) {
  switch (what) {
    case Found::kExists:
      r = found ? 1.0 : 0.0;
      return;
    case Found::kX:
      r = found ? double(x) : 0.0;
      return;
    case Found::kY:
      r = found ? double(y) : 0.0;
      return;
  }
}

template <Found what>
void grid_value_region(Self, Self, int, Args a, RValue& r) {
  if (CDS_Grid* grid = g_grids.find(a[0])) {
    int64_t x = 0, y = 0;
    bool found = grid->find_in_region(rounded(a[1]), rounded(a[2]), rounded(a[3]), rounded(a[4]),
                                      stored(a[5]), x, y);
    found_result(found, x, y, what, r);
  }
}

template <Found what>
void grid_value_disk(Self, Self, int, Args a, RValue& r) {
  if (CDS_Grid* grid = g_grids.find(a[0])) {
    int64_t x = 0, y = 0;
    bool found = grid->find_in_disk(number(a[1]), number(a[2]), number(a[3]), stored(a[4]), x, y);
    found_result(found, x, y, what, r);
  }
}

struct RFamilyFunction {
  const char* name;
  FunctionHandler handler;
  int argument_count;
};

const RFamilyFunction kFunctions[] = {
    {"ds_set_precision",
     [](Self, Self, int, Args a, RValue&) { set_ds_precision(number(a[0])); }, 1},

    // Stacks
    {"ds_stack_create",
     [](Self, Self, int, Args, RValue& r) {
       r = g_stacks.create(std::make_unique<CDS_Stack>());
     },
     0},
    {"ds_stack_destroy", [](Self, Self, int, Args a, RValue&) { g_stacks.destroy(a[0]); },
     1},
    {"ds_stack_clear",
     [](Self, Self, int, Args a, RValue&) {
       if (CDS_Stack* stack = g_stacks.find(a[0])) stack->clear();
     },
     1},
    {"ds_stack_copy", [](Self, Self, int, Args a, RValue&) { copy_into(g_stacks, a); }, 2},
    {"ds_stack_size",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_Stack* stack = g_stacks.find(a[0])) r = double(stack->size());
     },
     1},
    {"ds_stack_empty",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_Stack* stack = g_stacks.find(a[0])) r = stack->size() == 0 ? 1.0 : 0.0;
     },
     1},
    {"ds_stack_push",
     [](Self, Self, int, Args a, RValue&) {
       if (CDS_Stack* stack = g_stacks.find(a[0])) stack->push(stored(a[1]));
     },
     2},
    {"ds_stack_pop",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_Stack* stack = g_stacks.find(a[0])) r = stack->pop();
     },
     1},
    {"ds_stack_top",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_Stack* stack = g_stacks.find(a[0])) r = stack->top();
     },
     1},
    {"ds_stack_write",
     [](Self, Self, int, Args a, RValue& r) { write_into(g_stacks, a, r); }, 1},
    {"ds_stack_read", [](Self, Self, int, Args a, RValue&) { read_into(g_stacks, a); }, 2},

    // Queues
    {"ds_queue_create",
     [](Self, Self, int, Args, RValue& r) {
       r = g_queues.create(std::make_unique<CDS_Queue>());
     },
     0},
    {"ds_queue_destroy", [](Self, Self, int, Args a, RValue&) { g_queues.destroy(a[0]); },
     1},
    {"ds_queue_clear",
     [](Self, Self, int, Args a, RValue&) {
       if (CDS_Queue* queue = g_queues.find(a[0])) queue->clear();
     },
     1},
    {"ds_queue_copy", [](Self, Self, int, Args a, RValue&) { copy_into(g_queues, a); }, 2},
    {"ds_queue_size",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_Queue* queue = g_queues.find(a[0])) r = double(queue->size());
     },
     1},
    {"ds_queue_empty",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_Queue* queue = g_queues.find(a[0])) r = queue->size() == 0 ? 1.0 : 0.0;
     },
     1},
    {"ds_queue_enqueue",
     [](Self, Self, int, Args a, RValue&) {
       if (CDS_Queue* queue = g_queues.find(a[0])) queue->enqueue(stored(a[1]));
     },
     2},
    {"ds_queue_dequeue",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_Queue* queue = g_queues.find(a[0])) r = queue->dequeue();
     },
     1},
    {"ds_queue_head",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_Queue* queue = g_queues.find(a[0])) r = queue->head();
     },
     1},
    {"ds_queue_tail",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_Queue* queue = g_queues.find(a[0])) r = queue->tail();
     },
     1},
    {"ds_queue_write",
     [](Self, Self, int, Args a, RValue& r) { write_into(g_queues, a, r); }, 1},
    {"ds_queue_read", [](Self, Self, int, Args a, RValue&) { read_into(g_queues, a); }, 2},

    // Lists
    {"ds_list_create",
     [](Self, Self, int, Args, RValue& r) {
       r = g_lists.create(std::make_unique<CDS_List>());
     },
     0},
    {"ds_list_destroy", [](Self, Self, int, Args a, RValue&) { g_lists.destroy(a[0]); }, 1},
    {"ds_list_clear",
     [](Self, Self, int, Args a, RValue&) {
       if (CDS_List* list = g_lists.find(a[0])) list->clear();
     },
     1},
    {"ds_list_copy", [](Self, Self, int, Args a, RValue&) { copy_into(g_lists, a); }, 2},
    {"ds_list_size",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_List* list = g_lists.find(a[0])) r = double(list->size());
     },
     1},
    {"ds_list_empty",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_List* list = g_lists.find(a[0])) r = list->size() == 0 ? 1.0 : 0.0;
     },
     1},
    {"ds_list_add",
     [](Self, Self, int, Args a, RValue&) {
       if (CDS_List* list = g_lists.find(a[0])) list->add(stored(a[1]));
     },
     2},
    {"ds_list_insert",
     [](Self, Self, int, Args a, RValue&) {
       if (CDS_List* list = g_lists.find(a[0])) list->insert(rounded(a[1]), stored(a[2]));
     },
     3},
    {"ds_list_replace",
     [](Self, Self, int, Args a, RValue&) {
       if (CDS_List* list = g_lists.find(a[0])) list->replace(rounded(a[1]), stored(a[2]));
     },
     3},
    {"ds_list_delete",
     [](Self, Self, int, Args a, RValue&) {
       if (CDS_List* list = g_lists.find(a[0])) list->remove(rounded(a[1]));
     },
     2},
    {"ds_list_find_index",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_List* list = g_lists.find(a[0])) r = double(list->find_index(stored(a[1])));
     },
     2},
    {"ds_list_find_value",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_List* list = g_lists.find(a[0])) r = list->find_value(rounded(a[1]));
     },
     2},
    {"ds_list_sort",
     [](Self, Self, int, Args a, RValue&) {
       if (CDS_List* list = g_lists.find(a[0])) list->sort(number(a[1]) >= 0.5);
     },
     2},
    {"ds_list_shuffle",
     [](Self, Self, int, Args a, RValue&) {
       if (CDS_List* list = g_lists.find(a[0])) list->shuffle();
     },
     1},
    {"ds_list_write", [](Self, Self, int, Args a, RValue& r) { write_into(g_lists, a, r); },
     1},
    {"ds_list_read", [](Self, Self, int, Args a, RValue&) { read_into(g_lists, a); }, 2},

    // Maps
    {"ds_map_create",
     [](Self, Self, int, Args, RValue& r) {
       r = g_maps.create(std::make_unique<CDS_Map>());
     },
     0},
    {"ds_map_destroy", [](Self, Self, int, Args a, RValue&) { g_maps.destroy(a[0]); }, 1},
    {"ds_map_clear",
     [](Self, Self, int, Args a, RValue&) {
       if (CDS_Map* map = g_maps.find(a[0])) map->clear();
     },
     1},
    {"ds_map_copy", [](Self, Self, int, Args a, RValue&) { copy_into(g_maps, a); }, 2},
    {"ds_map_size",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_Map* map = g_maps.find(a[0])) r = double(map->size());
     },
     1},
    {"ds_map_empty",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_Map* map = g_maps.find(a[0])) r = map->size() == 0 ? 1.0 : 0.0;
     },
     1},
    {"ds_map_add",
     [](Self, Self, int, Args a, RValue&) {
       if (CDS_Map* map = g_maps.find(a[0])) map->add(stored(a[1]), stored(a[2]));
     },
     3},
    {"ds_map_replace",
     [](Self, Self, int, Args a, RValue&) {
       if (CDS_Map* map = g_maps.find(a[0])) map->replace(stored(a[1]), stored(a[2]));
     },
     3},
    {"ds_map_delete",
     [](Self, Self, int, Args a, RValue&) {
       if (CDS_Map* map = g_maps.find(a[0])) map->remove(stored(a[1]));
     },
     2},
    {"ds_map_exists",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_Map* map = g_maps.find(a[0])) r = map->find_value(stored(a[1])) ? 1.0 : 0.0;
     },
     2},
    {"ds_map_find_value",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_Map* map = g_maps.find(a[0])) set_result(r, map->find_value(stored(a[1])));
     },
     2},
    {"ds_map_find_previous",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_Map* map = g_maps.find(a[0])) set_result(r, map->find_previous(stored(a[1])));
     },
     2},
    {"ds_map_find_next",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_Map* map = g_maps.find(a[0])) set_result(r, map->find_next(stored(a[1])));
     },
     2},
    {"ds_map_find_first",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_Map* map = g_maps.find(a[0])) set_result(r, map->first());
     },
     1},
    {"ds_map_find_last",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_Map* map = g_maps.find(a[0])) set_result(r, map->last());
     },
     1},
    {"ds_map_write", [](Self, Self, int, Args a, RValue& r) { write_into(g_maps, a, r); },
     1},
    {"ds_map_read", [](Self, Self, int, Args a, RValue&) { read_into(g_maps, a); }, 2},

    // Priority queues
    {"ds_priority_create",
     [](Self, Self, int, Args, RValue& r) {
       r = g_priorities.create(std::make_unique<CDS_Priority>());
     },
     0},
    {"ds_priority_destroy",
     [](Self, Self, int, Args a, RValue&) { g_priorities.destroy(a[0]); }, 1},
    {"ds_priority_clear",
     [](Self, Self, int, Args a, RValue&) {
       if (CDS_Priority* queue = g_priorities.find(a[0])) queue->clear();
     },
     1},
    {"ds_priority_copy",
     [](Self, Self, int, Args a, RValue&) { copy_into(g_priorities, a); }, 2},
    {"ds_priority_size",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_Priority* queue = g_priorities.find(a[0])) r = double(queue->size());
     },
     1},
    {"ds_priority_empty",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_Priority* queue = g_priorities.find(a[0])) r = queue->size() == 0 ? 1.0 : 0.0;
     },
     1},
    {"ds_priority_add",
     [](Self, Self, int, Args a, RValue&) {
       if (CDS_Priority* queue = g_priorities.find(a[0])) queue->add(stored(a[1]), stored(a[2]));
     },
     3},
    {"ds_priority_change_priority",
     [](Self, Self, int, Args a, RValue&) {
       if (CDS_Priority* queue = g_priorities.find(a[0])) {
         queue->change_priority(stored(a[1]), stored(a[2]));
       }
     },
     3},
    {"ds_priority_find_priority",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_Priority* queue = g_priorities.find(a[0])) {
         set_result(r, queue->find_priority(stored(a[1])));
       }
     },
     2},
    {"ds_priority_delete_value",
     [](Self, Self, int, Args a, RValue&) {
       if (CDS_Priority* queue = g_priorities.find(a[0])) queue->delete_value(stored(a[1]));
     },
     2},
    {"ds_priority_delete_min",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_Priority* queue = g_priorities.find(a[0])) r = queue->delete_min();
     },
     1},
    {"ds_priority_find_min",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_Priority* queue = g_priorities.find(a[0])) set_result(r, queue->find_min());
     },
     1},
    {"ds_priority_delete_max",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_Priority* queue = g_priorities.find(a[0])) r = queue->delete_max();
     },
     1},
    {"ds_priority_find_max",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_Priority* queue = g_priorities.find(a[0])) set_result(r, queue->find_max());
     },
     1},
    {"ds_priority_write",
     [](Self, Self, int, Args a, RValue& r) { write_into(g_priorities, a, r); }, 1},
    {"ds_priority_read",
     [](Self, Self, int, Args a, RValue&) { read_into(g_priorities, a); }, 2},

    // Grids
    {"ds_grid_create",
     [](Self, Self, int, Args a, RValue& r) {
       int32_t width, height;
       if (!grid_size(a[0], a[1], width, height)) {
         r = -1.0;
         return;
       }
       r = g_grids.create(std::make_unique<CDS_Grid>(width, height));
     },
     2},
    {"ds_grid_destroy", [](Self, Self, int, Args a, RValue&) { g_grids.destroy(a[0]); }, 1},
    {"ds_grid_copy", [](Self, Self, int, Args a, RValue&) { copy_into(g_grids, a); }, 2},
    {"ds_grid_resize",
     [](Self, Self, int, Args a, RValue&) {
       CDS_Grid* grid = g_grids.find(a[0]);
       int32_t width, height;
       if (grid && grid_size(a[1], a[2], width, height)) grid->resize(width, height);
     },
     3},
    {"ds_grid_width",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_Grid* grid = g_grids.find(a[0])) r = double(grid->width());
     },
     1},
    {"ds_grid_height",
     [](Self, Self, int, Args a, RValue& r) {
       if (CDS_Grid* grid = g_grids.find(a[0])) r = double(grid->height());
     },
     1},
    {"ds_grid_clear",
     [](Self, Self, int, Args a, RValue&) {
       if (CDS_Grid* grid = g_grids.find(a[0])) grid->clear(stored(a[1]));
     },
     2},
    {"ds_grid_set", grid_cell<Operation::kSet>, 4},
    {"ds_grid_add", grid_cell<Operation::kAdd>, 4},
    {"ds_grid_multiply", grid_cell<Operation::kMultiply>, 4},
    {"ds_grid_set_region", grid_region<Operation::kSet>, 6},
    {"ds_grid_add_region", grid_region<Operation::kAdd>, 6},
    {"ds_grid_multiply_region", grid_region<Operation::kMultiply>, 6},
    {"ds_grid_set_disk", grid_disk<Operation::kSet>, 5},
    {"ds_grid_add_disk", grid_disk<Operation::kAdd>, 5},
    {"ds_grid_multiply_disk", grid_disk<Operation::kMultiply>, 5},
    {"ds_grid_set_grid_region", grid_grid_region<Operation::kSet>, 8},
    {"ds_grid_add_grid_region", grid_grid_region<Operation::kAdd>, 8},
    {"ds_grid_multiply_grid_region", grid_grid_region<Operation::kMultiply>, 8},
    {"ds_grid_get",
     [](Self, Self, int, Args a, RValue& r) {
       CDS_Grid* grid = g_grids.find(a[0]);
       int64_t x = rounded(a[1]), y = rounded(a[2]);
       if (grid && grid->inside(x, y)) r = grid->at(x, y);
     },
     3},
    {"ds_grid_get_sum", grid_region_aggregate<Aggregate::kSum>, 5},
    {"ds_grid_get_max", grid_region_aggregate<Aggregate::kMax>, 5},
    {"ds_grid_get_min", grid_region_aggregate<Aggregate::kMin>, 5},
    {"ds_grid_get_mean", grid_region_aggregate<Aggregate::kMean>, 5},
    {"ds_grid_get_disk_sum", grid_disk_aggregate<Aggregate::kSum>, 4},
    {"ds_grid_get_disk_max", grid_disk_aggregate<Aggregate::kMax>, 4},
    {"ds_grid_get_disk_min", grid_disk_aggregate<Aggregate::kMin>, 4},
    {"ds_grid_get_disk_mean", grid_disk_aggregate<Aggregate::kMean>, 4},
    {"ds_grid_value_exists", grid_value_region<Found::kExists>, 6},
    {"ds_grid_value_x", grid_value_region<Found::kX>, 6},
    {"ds_grid_value_y", grid_value_region<Found::kY>, 6},
    {"ds_grid_value_disk_exists", grid_value_disk<Found::kExists>, 5},
    {"ds_grid_value_disk_x", grid_value_disk<Found::kX>, 5},
    {"ds_grid_value_disk_y", grid_value_disk<Found::kY>, 5},
    {"ds_grid_shuffle",
     [](Self, Self, int, Args a, RValue&) {
       if (CDS_Grid* grid = g_grids.find(a[0])) grid->shuffle();
     },
     1},
    {"ds_grid_write", [](Self, Self, int, Args a, RValue& r) { write_into(g_grids, a, r); },
     1},
    {"ds_grid_read", [](Self, Self, int, Args a, RValue&) { read_into(g_grids, a); }, 2},
};

static_assert(std::size(kFunctions) == 110, "the family has 110 functions");

}  // namespace

void register_data_structure_functions() {
  for (const RFamilyFunction& function : kFunctions) {
    register_function(function.name, function.handler, function.argument_count);
  }
}

void reset_data_structures() {
  g_stacks.reset();
  g_queues.reset();
  g_lists.reset();
  g_maps.reset();
  g_priorities.reset();
  g_grids.reset();
  set_ds_precision(kDefaultPrecision);
}

}  // namespace vn
