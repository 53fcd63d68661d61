#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "../script/Script_Test_Support.h"
#include "library/Function_Data_Structures.h"
#include "library/Support_Data_Structures.h"
#include "script/Code_Error.h"
#include "script/Code_Function.h"
#include "script/Function_Math.h"
#include "script/Script_Library.h"

namespace vn {
namespace {

void register_once() {
  static const bool registered = [] {
    register_script_library();
    register_data_structure_functions();
    return true;
  }();
  (void)registered;
}

class Recorder : public IErrorDisplay {
 public:
  ErrorChoice show(const std::string& message, bool) override {
    messages.push_back(message);
    return ErrorChoice::Ignore;
  }
  std::vector<std::string> messages;
};

class DataStructures : public ::testing::Test {
 protected:
  void SetUp() override {
    register_once();
    reset_data_structures();
    reset_error_state();
    error_settings() = RErrorSettings{};
    set_context_names(RContextNames{});
    set_error_display(&display_);
  }
  void TearDown() override {
    set_error_display(nullptr);
    reset_data_structures();
  }

  // Through the registry, as a script calls it, with the registered argument count.
  RValue call(const std::string& name, std::vector<RValue> given = {}) {
    int32_t id = -1;
    EXPECT_TRUE(find_function(name, id)) << name;
    const RBuiltinFunction* function = builtin_function(id);
    if (!function) return RValue();
    EXPECT_EQ(function->argument_count, int(given.size())) << name;
    RValue slots[kMaxArguments];
    std::copy(given.begin(), given.end(), slots);
    RValue result;
    function->handler(nullptr, nullptr, int(given.size()), slots, result);
    return result;
  }
  double real(const std::string& name, std::vector<RValue> given = {}) {
    RValue result = call(name, std::move(given));
    EXPECT_TRUE(result.is_real()) << name;
    return result.real;
  }
  std::string text(const std::string& name, std::vector<RValue> given) {
    return call(name, std::move(given)).string.str();
  }
  std::vector<std::string> take_messages() { return std::exchange(display_.messages, {}); }

  Recorder display_;
};

std::string shown(const RValue& value) {
  return value.is_string() ? "'" + value.string.str() + "'" : std::to_string(value.real);
}

std::vector<std::string> shown(const std::vector<RValue>& values) {
  std::vector<std::string> out;
  for (const RValue& value : values) out.push_back(shown(value));
  return out;
}

// A mix of reals, near-equal reals and strings.
RValue random_value(std::mt19937& random, int spread) {
  int pick = int(random() % unsigned(spread));
  if (pick % 5 == 0) return RValue(std::string(1, char('a' + pick % 7)) + (pick % 2 ? "x" : ""));
  return RValue(double(pick) / 2.0 + (pick % 3 == 0 ? 1e-10 : 0.0));
}

TEST_F(DataStructures, HandlesReuseTheLowestFreeSlotPerKind) {
  EXPECT_EQ(real("ds_list_create"), 0);
  EXPECT_EQ(real("ds_list_create"), 1);
  EXPECT_EQ(real("ds_list_create"), 2);
  EXPECT_EQ(real("ds_map_create"), 0);  // kinds count on their own
  call("ds_list_destroy", {1.0});
  call("ds_list_destroy", {0.0});
  EXPECT_EQ(real("ds_list_create"), 0);
  EXPECT_EQ(real("ds_list_create"), 1);
  EXPECT_EQ(real("ds_list_create"), 3);
  EXPECT_TRUE(take_messages().empty());

  // Handles are rounded half to even; a destroyed or unknown one reports and gives 0.
  call("ds_list_add", {2.5, "two"});
  EXPECT_EQ(text("ds_list_find_value", {2.0, 0.0}), "two");
  call("ds_map_destroy", {0.0});
  EXPECT_EQ(real("ds_map_size", {0.0}), 0);
  EXPECT_EQ(real("ds_list_size", {7.0}), 0);
  EXPECT_EQ(real("ds_list_size", {-1.0}), 0);
  call("ds_list_copy", {0.0, 9.0});
  EXPECT_EQ(take_messages(),
            std::vector<std::string>(4, "Data structure with index does not exist."));
}

TEST_F(DataStructures, ComparisonPrecision) {
  RValue sum(0.1 + 0.2), three(0.3);
  EXPECT_EQ(compare_values(sum, three), 0);
  call("ds_set_precision", {0.0});
  EXPECT_EQ(compare_values(sum, three), 0);
  EXPECT_NE(compare_values(RValue(1e-3), RValue(1.001e-3)), 0);
  EXPECT_EQ(compare_values(RValue(1e15), RValue(1e15 + 0.5)), 0);  // relative
  call("ds_set_precision", {-1.0});
  EXPECT_EQ(ds_precision(), 1.0);
  EXPECT_EQ(compare_values(RValue(2.0), RValue(3.0)), 0);
  EXPECT_EQ(compare_values(RValue(2.0), RValue(3.01)), -1);
  EXPECT_EQ(compare_values(RValue(1e9), RValue("")), -1);
  EXPECT_EQ(compare_values(RValue("B"), RValue("a")), -1);  // bytes, case-sensitive
  EXPECT_EQ(compare_values(RValue("ab"), RValue("a")), 1);
  double infinity = INFINITY;
  EXPECT_EQ(compare_values(RValue(infinity), RValue(infinity)), 0);
}

TEST_F(DataStructures, TextFormsLayout) {
  double stack = real("ds_stack_create");
  EXPECT_EQ(text("ds_stack_write", {stack}), "6500000000000000");
  double list = real("ds_list_create");
  call("ds_list_add", {list, 1.0});
  call("ds_list_add", {list, "Hi"});
  EXPECT_EQ(text("ds_list_write", {list}),
            "2D01000002000000"
            "00000000000000000000F03F00000000"
            "01000000000000000000000002000000"
            "4869");
  double grid = real("ds_grid_create", {2.0, 1.0});
  EXPECT_EQ(text("ds_grid_write", {grid}).substr(0, 24), "590200000200000001000000");
}

// Every kind, filled with reals (fractions, negatives, huge, NaN) and strings (empty, with
// a zero byte and high bytes), written and read into a fresh container of its kind.
TEST_F(DataStructures, TextFormsRestoreEveryKind) {
  std::vector<RValue> values = {1.5,   "",     -0.25,        std::string("a\0\xFF", 3),
                                1e300, "text", std::nan(""), 42.0};
  double stack = real("ds_stack_create"), queue = real("ds_queue_create");
  double list = real("ds_list_create"), map = real("ds_map_create");
  double priority = real("ds_priority_create"), grid = real("ds_grid_create", {3.0, 3.0});
  for (size_t i = 0; i < values.size(); ++i) {
    call("ds_stack_push", {stack, values[i]});
    call("ds_queue_enqueue", {queue, values[i]});
    call("ds_list_add", {list, values[i]});
    call("ds_map_add", {map, values[i], values[values.size() - 1 - i]});
    call("ds_priority_add", {priority, values[i], values[(i + 3) % values.size()]});
    call("ds_grid_set", {grid, double(i % 3), double(i / 3), values[i]});
  }
  call("ds_queue_dequeue", {queue});
  std::pair<std::string, double> kinds[] = {{"ds_stack", stack},
                                            {"ds_queue", queue},
                                            {"ds_list", list},
                                            {"ds_map", map},
                                            {"ds_priority", priority}};
  for (const auto& [prefix, handle] : kinds) {
    std::string written = text(prefix + "_write", {handle});
    double copy = real(prefix + "_create");
    call(prefix + "_read", {copy, written});
    EXPECT_EQ(text(prefix + "_write", {copy}), written) << prefix;
  }
  std::string written = text("ds_grid_write", {grid});
  double copy = real("ds_grid_create", {0.0, 0.0});
  call("ds_grid_read", {copy, written});
  EXPECT_EQ(text("ds_grid_write", {copy}), written);
  EXPECT_TRUE(take_messages().empty());
  EXPECT_EQ(text("ds_queue_head", {1.0}), "");
  EXPECT_EQ(real("ds_queue_size", {1.0}), 7);
  EXPECT_TRUE(std::isnan(real("ds_grid_get", {1.0, 0.0, 2.0})));
  EXPECT_EQ(real("ds_map_find_value", {1.0, 1.5}), 42);
  EXPECT_EQ(text("ds_priority_find_priority", {1.0, 1.5}), std::string("a\0\xFF", 3));
}

TEST_F(DataStructures, MalformedTextsReportAndChangeNothing) {
  double list = real("ds_list_create");
  call("ds_list_add", {list, 5.0});
  std::string good = text("ds_list_write", {list});
  const std::string kMalformed = "Data structure string is malformed.";
  struct Case {
    std::string text;
    std::string message;
  } cases[] = {
      {"", kMalformed},
      {good.substr(0, good.size() - 2), kMalformed},               // truncated
      {good + "00", kMalformed},                                   // trailing byte
      {"2D010000FFFFFF7F", kMalformed},                            // a count the text cannot hold
      {"2D010000FFFFFFFF", kMalformed},                            // negative count
      {"2D0100000100000007000000" + good.substr(24), kMalformed},  // unknown kind of value
      {"2D01zz00", "'$zz' is not a valid integer value"},
  };
  for (const Case& bad : cases) {
    call("ds_list_read", {list, bad.text});
    EXPECT_EQ(take_messages(), std::vector<std::string>{bad.message}) << bad.text;
    EXPECT_EQ(text("ds_list_write", {list}), good);
  }
  // A queue whose positions do not nest, a grid with a negative size.
  double queue = real("ds_queue_create");
  call("ds_queue_read", {queue, "C9000000020000000300000000000000"});
  double grid = real("ds_grid_create", {1.0, 1.0});
  call("ds_grid_read", {grid, "59020000FFFFFFFF00000000"});
  EXPECT_EQ(take_messages().size(), 2u);
  EXPECT_EQ(real("ds_grid_width", {grid}), 1);

  // Another kind's text is left alone without a word; an odd last digit is ignored.
  call("ds_list_read", {list, "6500000000000000"});
  EXPECT_EQ(real("ds_list_size", {list}), 1);
  call("ds_list_read", {list, "2d01000000000000A"});
  EXPECT_TRUE(take_messages().empty());
  EXPECT_EQ(real("ds_list_size", {list}), 0);
}

TEST_F(DataStructures, QueueKeepsItsWholeArray) {
  CDS_Queue queue;
  for (int i = 0; i < 3; ++i) queue.enqueue(RValue(double(i)));
  EXPECT_EQ(queue.dequeue().real, 0);
  EXPECT_EQ(write_text(queue).substr(8, 24), "030000000100000010000000");  // end, head, 16
  for (int i = 3; i < 40; ++i) queue.enqueue(RValue(double(i)));
  for (int i = 1; i < 21; ++i) EXPECT_EQ(queue.dequeue().real, i);
  // head 21 is above 16 and above half of end 40: moved down.
  EXPECT_EQ(queue.head_index(), 0u);
  EXPECT_EQ(queue.end_index(), 19u);
  EXPECT_EQ(queue.capacity(), 48u);
  EXPECT_EQ(queue.head().real, 21);
  EXPECT_EQ(queue.tail().real, 39);
  CDS_Queue copy;
  read_text(copy, write_text(queue));
  EXPECT_EQ(write_text(copy), write_text(queue));
  EXPECT_EQ(copy.dequeue().real, 21);
  CDS_Queue empty;
  EXPECT_EQ(empty.dequeue().real, 0);
  EXPECT_EQ(write_text(empty), "C9000000000000000000000000000000");
}

// The map against a plain sorted array searched linearly, over random operations with
// many equal keys.
TEST_F(DataStructures, MapFollowsTheSortedArrayModel) {
  std::mt19937 random(7);
  CDS_Map map;
  std::vector<std::pair<RValue, RValue>> model;
  auto first_equal = [&](const RValue& key) {
    for (size_t i = 0; i < model.size(); ++i) {
      if (compare_values(model[i].first, key) == 0) return int(i);
    }
    return -1;
  };
  for (int step = 0; step < 6000; ++step) {
    RValue key = random_value(random, 40);
    RValue value = RValue(double(step));
    int operation = int(random() % 6);
    if (operation <= 1) {
      size_t place = 0;
      for (size_t i = 0; i < model.size(); ++i) {
        if (compare_values(model[i].first, key) <= 0) place = i + 1;
      }
      model.insert(model.begin() + ptrdiff_t(place), {key, value});
      map.add(key, value);
    } else if (operation == 2) {
      int found = first_equal(key);
      if (found >= 0) model.erase(model.begin() + found);
      ASSERT_EQ(map.remove(key), found >= 0);
    } else if (operation == 3) {
      int found = first_equal(key);
      if (found >= 0) model[size_t(found)].second = value;
      ASSERT_EQ(map.replace(key, value), found >= 0);
    } else {
      int found = first_equal(key);
      const RValue* value_found = map.find_value(key);
      ASSERT_EQ(value_found != nullptr, found >= 0);
      if (value_found) {
        ASSERT_EQ(value_found->real, model[size_t(found)].second.real);
      }
      const RValue* previous = nullptr;
      const RValue* next = nullptr;
      for (auto& entry : model) {
        if (compare_values(entry.first, key) < 0) previous = &entry.first;
        if (!next && compare_values(entry.first, key) > 0) next = &entry.first;
      }
      ASSERT_EQ(map.find_previous(key) ? shown(*map.find_previous(key)) : "none",
                previous ? shown(*previous) : "none");
      ASSERT_EQ(map.find_next(key) ? shown(*map.find_next(key)) : "none",
                next ? shown(*next) : "none");
    }
  }
  std::vector<RValue> keys, values;
  for (auto& entry : model) {
    keys.push_back(entry.first);
    values.push_back(entry.second);
  }
  EXPECT_EQ(shown(map.keys()), shown(keys));
  EXPECT_EQ(shown(map.values()), shown(values));
  ASSERT_FALSE(model.empty());
  EXPECT_EQ(shown(*map.first()), shown(model.front().first));
  EXPECT_EQ(shown(*map.last()), shown(model.back().first));
  CDS_Map restored;
  read_text(restored, write_text(map));
  EXPECT_EQ(shown(restored.keys()), shown(keys));
}

TEST_F(DataStructures, MapEdgesThroughTheFunctions) {
  double map = real("ds_map_create");
  call("ds_map_add", {map, "k", "first"});
  call("ds_map_add", {map, 5.0, "five"});
  call("ds_map_add", {map, "k", "second"});
  EXPECT_EQ(real("ds_map_size", {map}), 3);
  EXPECT_EQ(text("ds_map_find_value", {map, "k"}), "first");
  EXPECT_EQ(real("ds_map_find_next", {map, "z"}), 0);
  EXPECT_EQ(text("ds_map_find_next", {map, 5.0}), "k");
  EXPECT_EQ(real("ds_map_find_previous", {map, "a"}), 5);
  EXPECT_EQ(real("ds_map_find_previous", {map, 5.0}), 0);
  EXPECT_EQ(real("ds_map_find_value", {map, 6.0}), 0);
  call("ds_map_delete", {map, "k"});
  EXPECT_EQ(text("ds_map_find_value", {map, "k"}), "second");
  EXPECT_EQ(real("ds_map_exists", {map, 5.0 + 1e-9}), 1);
  EXPECT_EQ(real("ds_map_exists", {map, 5.1}), 0);
  call("ds_map_clear", {map});
  EXPECT_EQ(real("ds_map_empty", {map}), 1);
  EXPECT_EQ(real("ds_map_find_first", {map}), 0);
}

// The priority queue against plain arrays scanned in order, with many equal priorities.
TEST_F(DataStructures, PriorityFollowsTheArrayModel) {
  std::mt19937 random(11);
  CDS_Priority queue;
  std::vector<RValue> values, priorities;
  auto first_equal = [&](const RValue& value) {
    for (size_t i = 0; i < values.size(); ++i) {
      if (compare_values(values[i], value) == 0) return int(i);
    }
    return -1;
  };
  auto extreme = [&](int sign) {
    int best = values.empty() ? -1 : 0;
    for (size_t i = 1; i < values.size(); ++i) {
      if (compare_values(priorities[i], priorities[size_t(best)]) * sign > 0) best = int(i);
    }
    return best;
  };
  auto remove = [&](int at) {
    if (size_t(at) + 1 < values.size()) {
      values[size_t(at)] = values.back();
      priorities[size_t(at)] = priorities.back();
    }
    values.pop_back();
    priorities.pop_back();
  };
  for (int step = 0; step < 8000; ++step) {
    RValue value = random_value(random, 30);
    RValue priority = random_value(random, 12);
    int operation = int(random() % 7);
    if (operation <= 2) {
      values.push_back(value);
      priorities.push_back(priority);
      queue.add(value, priority);
    } else if (operation == 3) {
      int found = first_equal(value);
      if (found >= 0) priorities[size_t(found)] = priority;
      ASSERT_EQ(queue.change_priority(value, priority), found >= 0);
    } else if (operation == 4) {
      int found = first_equal(value);
      if (found >= 0) remove(found);
      ASSERT_EQ(queue.delete_value(value), found >= 0);
    } else {
      int sign = operation == 5 ? -1 : 1;
      int best = extreme(sign);
      RValue expected = best >= 0 ? values[size_t(best)] : RValue();
      const RValue* found = sign < 0 ? queue.find_min() : queue.find_max();
      ASSERT_EQ(found ? shown(*found) : "none", best >= 0 ? shown(expected) : "none");
      if (best >= 0) remove(best);
      ASSERT_EQ(shown(sign < 0 ? queue.delete_min() : queue.delete_max()), shown(expected));
    }
    ASSERT_EQ(queue.size(), values.size());
  }
  EXPECT_EQ(shown(queue.values()), shown(values));
  EXPECT_EQ(shown(queue.priorities()), shown(priorities));
  CDS_Priority restored;
  read_text(restored, write_text(queue));
  EXPECT_EQ(shown(*restored.find_min()), shown(*queue.find_min()));
}

TEST_F(DataStructures, PriorityTiesGoToTheFirstInArrayOrder) {
  double queue = real("ds_priority_create");
  call("ds_priority_add", {queue, "a", 2.0});
  call("ds_priority_add", {queue, "b", 1.0});
  call("ds_priority_add", {queue, "c", 1.0});
  call("ds_priority_add", {queue, "d", 2.0});
  EXPECT_EQ(text("ds_priority_find_min", {queue}), "b");
  EXPECT_EQ(text("ds_priority_find_max", {queue}), "a");
  // Deleting a moves d into its place, ahead of nothing else that ties with it.
  EXPECT_EQ(text("ds_priority_delete_max", {queue}), "a");
  EXPECT_EQ(text("ds_priority_delete_min", {queue}), "b");
  // Now the array is d, c: c (1) is the least, d (2) the greatest.
  EXPECT_EQ(text("ds_priority_find_min", {queue}), "c");
  call("ds_priority_change_priority", {queue, "c", "top"});  // strings sort above reals
  EXPECT_EQ(text("ds_priority_find_max", {queue}), "c");
  EXPECT_EQ(text("ds_priority_find_priority", {queue, "c"}), "top");
  EXPECT_EQ(real("ds_priority_find_priority", {queue, "zz"}), 0);
  call("ds_priority_clear", {queue});
  EXPECT_EQ(real("ds_priority_delete_min", {queue}), 0);
}

TEST_F(DataStructures, ListEditsAndSorts) {
  CDS_List list;
  list.add(RValue(3.0));
  list.add(RValue("a"));
  list.add(RValue(1.0));
  list.sort(true);
  EXPECT_EQ(shown(list.items()), shown(std::vector<RValue>{1.0, 3.0, "a"}));
  list.insert(3, RValue("end"));
  list.insert(5, RValue("never"));
  list.insert(-1, RValue("never"));
  list.replace(3, RValue("last"));
  list.replace(4, RValue("never"));
  list.remove(9);
  list.remove(0);
  EXPECT_EQ(shown(list.items()), shown(std::vector<RValue>{3.0, "a", "last"}));
  EXPECT_EQ(list.find_index(RValue("last")), 2);
  EXPECT_EQ(list.find_index(RValue(3.0 + 1e-9)), 0);
  EXPECT_EQ(list.find_index(RValue("A")), -1);
  EXPECT_EQ(list.find_value(3).real, 0);

  // Equal within the precision: ascending keeps their order, descending reverses it.
  CDS_List near;
  for (double value : {1.0, 2.0, 1.0 + 1e-9, 1.0 - 1e-9}) near.add(RValue(value));
  near.sort(true);
  EXPECT_EQ(near.items()[0].real, 1.0);
  EXPECT_EQ(near.items()[2].real, 1.0 - 1e-9);
  near.sort(false);
  EXPECT_EQ(near.items()[0].real, 2.0);
  EXPECT_EQ(near.items()[1].real, 1.0 - 1e-9);
  EXPECT_EQ(near.items()[3].real, 1.0);
}

// The fast sort must give exactly what the insertion sort gives.
TEST_F(DataStructures, SortMatchesInsertionSort) {
  std::mt19937 random(3);
  for (int round = 0; round < 200; ++round) {
    CDS_List list;
    std::vector<RValue> model;
    int size = int(random() % 40);
    for (int i = 0; i < size; ++i) {
      RValue value = random_value(random, round % 2 ? 8 : 200);
      if (round % 3 == 0 && i % 7 == 3) value = RValue(std::nan(""));
      list.add(value);
      model.push_back(value);
    }
    bool ascending = round % 4 < 2;
    for (size_t i = 1; i < model.size(); ++i) {
      for (size_t j = i; j > 0; --j) {
        int order = compare_values(model[j - 1], model[j]);
        if (ascending ? order <= 0 : order > 0) break;
        std::swap(model[j - 1], model[j]);
      }
    }
    list.sort(ascending);
    ASSERT_EQ(shown(list.items()), shown(model)) << round;
  }
}

TEST_F(DataStructures, ShufflesDrawFromTheGameGenerator) {
  double list = real("ds_list_create");
  for (int i = 0; i < 50; ++i) call("ds_list_add", {list, double(i)});
  set_random_seed(1234);
  call("ds_list_shuffle", {list});
  std::string first = text("ds_list_write", {list});
  double copy = real("ds_list_create");
  call("ds_list_read", {copy, first});
  call("ds_list_sort", {copy, 1.0});
  for (int i = 0; i < 50; ++i) EXPECT_EQ(real("ds_list_find_value", {copy, double(i)}), i);
  call("ds_list_sort", {list, 1.0});
  set_random_seed(1234);
  call("ds_list_shuffle", {list});
  EXPECT_EQ(text("ds_list_write", {list}), first);
  EXPECT_NE(random_seed(), 1234u);
}

TEST_F(DataStructures, GridRegionsAreClippedAndCornersMayBeSwapped) {
  CDS_Grid grid(4, 3);
  grid.apply_region(CDS_Grid::Operation::kSet, 2, 5, -3, 1, RValue(7.0));
  for (int x = 0; x < 4; ++x) {
    for (int y = 0; y < 3; ++y) EXPECT_EQ(grid.at(x, y).real, x <= 2 && y >= 1 ? 7 : 0) << x << y;
  }
  grid.apply_cell(CDS_Grid::Operation::kSet, 4, 0, RValue(1.0));
  grid.apply_cell(CDS_Grid::Operation::kSet, 3, 0, RValue("s"));
  EXPECT_EQ(grid.region_statistics(-9, -9, 9, 9).sum, 7 * 6);
  EXPECT_EQ(grid.region_statistics(3, 0, 3, 0).max, -100000000.0);  // strings only
  EXPECT_EQ(grid.region_statistics(3, 0, 3, 0).min, 100000000.0);
  EXPECT_EQ(grid.region_statistics(3, 0, 3, 0).mean(), 0.0);
  EXPECT_EQ(grid.region_statistics(0, 0, 3, 2).mean(), 42.0 / 11.0);
  int64_t x = -1, y = -1;
  EXPECT_TRUE(grid.find_in_region(3, 2, 0, 0, RValue(7.0), x, y));
  EXPECT_EQ(x, 0);  // x outer, y inner
  EXPECT_EQ(y, 1);
  EXPECT_FALSE(grid.find_in_region(0, 0, 3, 0, RValue(7.0), x, y));

  // Adding: numbers add, strings join, a value of the other kind replaces.
  RValue cell("a");
  CDS_Grid::apply(CDS_Grid::Operation::kAdd, cell, RValue("b"));
  EXPECT_EQ(cell.string.str(), "ab");
  CDS_Grid::apply(CDS_Grid::Operation::kMultiply, cell, RValue(3.0));
  EXPECT_EQ(cell.string.str(), "ab");
  CDS_Grid::apply(CDS_Grid::Operation::kAdd, cell, RValue(1.0));
  EXPECT_EQ(shown(cell), shown(RValue(1.0)));
  CDS_Grid::apply(CDS_Grid::Operation::kMultiply, cell, RValue(-4.0));
  EXPECT_EQ(cell.real, -4.0);
}

// Disks against the cell-by-cell scan, for centres and radii of every kind, at the borders.
TEST_F(DataStructures, DisksMatchTheCellByCellScan) {
  std::mt19937 random(5);
  std::uniform_real_distribution<double> place(-6.0, 26.0), size(-1.0, 12.0);
  CDS_Grid grid(20, 13);
  for (int x = 0; x < 20; ++x) {
    for (int y = 0; y < 13; ++y)
      grid.at(x, y) = (x * 7 + y) % 5 == 0 ? RValue("s") : RValue(x * 13.0 + y);
  }
  for (int round = 0; round < 400; ++round) {
    double xm = place(random), ym = place(random), r = size(random);
    if (round % 4 == 0) {
      xm = std::round(xm);
      ym = std::round(ym * 2) / 2;
      r = std::round(r);
    }
    CDS_Grid::RStatistics expected;
    int64_t first_x = -1, first_y = -1;
    RValue wanted = grid.at(round % 20, round % 13);
    for (int64_t x = int64_t(std::floor(xm - r)); x <= int64_t(std::ceil(xm + r)); ++x) {
      for (int64_t y = int64_t(std::floor(ym - r)); y <= int64_t(std::ceil(ym + r)); ++y) {
        if (!grid.inside(x, y) || (x - xm) * (x - xm) + (y - ym) * (y - ym) > r * r) continue;
        const RValue& cell = grid.at(x, y);
        if (first_x < 0 && compare_values(cell, wanted) == 0) {
          first_x = x;
          first_y = y;
        }
        if (cell.is_string()) continue;
        expected.sum += cell.real;
        expected.max = std::max(expected.max, cell.real);
        expected.min = std::min(expected.min, cell.real);
        ++expected.count;
      }
    }
    CDS_Grid::RStatistics got = grid.disk_statistics(xm, ym, r);
    ASSERT_EQ(got.count, expected.count) << xm << " " << ym << " " << r;
    ASSERT_EQ(got.sum, expected.sum);
    ASSERT_EQ(got.max, expected.max);
    ASSERT_EQ(got.min, expected.min);
    int64_t x = -1, y = -1;
    ASSERT_EQ(grid.find_in_disk(xm, ym, r, wanted, x, y), first_x >= 0);
    if (first_x >= 0) {
      ASSERT_EQ(std::make_pair(x, y), std::make_pair(first_x, first_y));
    }
  }
  EXPECT_EQ(grid.disk_statistics(NAN, 1, 5).count, 0);
  EXPECT_EQ(grid.disk_statistics(3, 3, INFINITY).count, grid.region_statistics(0, 0, 19, 12).count);
}

TEST_F(DataStructures, GridRegionCopiesReadBeforeTheyWrite) {
  CDS_Grid grid(5, 5);
  for (int x = 0; x < 5; ++x) {
    for (int y = 0; y < 5; ++y) grid.at(x, y) = RValue(double(10 * x + y));
  }
  CDS_Grid expected = grid;
  // The source rectangle 0..2 x 0..2 onto 1, 1 of the same grid.
  for (int x = 0; x <= 2; ++x) {
    for (int y = 0; y <= 2; ++y) expected.at(x + 1, y + 1) = RValue(double(10 * x + y));
  }
  grid.apply_grid_region(CDS_Grid::Operation::kSet, grid, 2, 2, 0, 0, 1, 1);
  EXPECT_EQ(write_text(grid), write_text(expected));

  // Clipped to the source first, then placed; cells falling off the target are skipped.
  CDS_Grid target(3, 3);
  target.apply_grid_region(CDS_Grid::Operation::kAdd, grid, -2, 4, 1, 9, 2, 0);
  EXPECT_EQ(target.at(2, 0).real, 4.0);  // source (0, 4)
  EXPECT_EQ(target.at(2, 1).real, 0.0);  // nothing below row 4
  EXPECT_EQ(target.at(0, 0).real, 0.0);
}

TEST_F(DataStructures, GridSizesAndResizing) {
  double grid = real("ds_grid_create", {3.0, 2.0});
  call("ds_grid_set", {grid, 2.0, 1.0, "corner"});
  call("ds_grid_add", {grid, 0.0, 0.0, 5.0});
  call("ds_grid_resize", {grid, 4.0, 1.0});
  EXPECT_EQ(real("ds_grid_width", {grid}), 4);
  EXPECT_EQ(real("ds_grid_get", {grid, 0.0, 0.0}), 5);
  EXPECT_EQ(real("ds_grid_get", {grid, 2.0, 1.0}), 0);  // cut off, and outside now
  call("ds_grid_resize", {grid, 3.0, 2.0});
  EXPECT_EQ(real("ds_grid_get", {grid, 2.0, 1.0}), 0);  // new cells are 0
  EXPECT_TRUE(take_messages().empty());
  call("ds_grid_resize", {grid, -1.0, 2.0});
  EXPECT_EQ(real("ds_grid_create", {2.0, -3.0}), -1);
  EXPECT_EQ(real("ds_grid_create", {1e6, 1e6}), -1);
  EXPECT_EQ(take_messages(), (std::vector<std::string>{"Grid size must not be negative.",
                                                       "Grid size must not be negative.",
                                                       "Grid size is too large."}));
  EXPECT_EQ(real("ds_grid_width", {grid}), 3);
  set_random_seed(99);
  call("ds_grid_set_region", {grid, 0.0, 0.0, 0.0, 1.0, 2.0});
  call("ds_grid_shuffle", {grid});
  EXPECT_EQ(real("ds_grid_get_sum", {grid, 0.0, 0.0, 2.0, 1.0}), 4);
}

// The same through compiled script text, as games call them.
class DataStructureScripts : public test::ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    register_once();
    reset_data_structures();
  }
};

TEST_F(DataStructureScripts, ProgramsUseTheFamily) {
  test::RScriptRun run = this->run(
      "var s, t, g; s = ds_stack_create(); ds_stack_push(s, 1); ds_stack_push(s, 'two');"
      "t = ds_stack_create(); ds_stack_read(t, ds_stack_write(s));"
      "show_debug_message(ds_stack_pop(t)); show_debug_message(string(ds_stack_pop(t)));"
      "g = ds_grid_create(3, 3); ds_grid_set_disk(g, 1, 1, 1, 'x');"
      "show_debug_message(string(ds_grid_value_disk_x(g, 1, 1, 2, 'x')));"
      "show_debug_message(string(ds_grid_get_disk_max(g, 1, 1, 1)));"
      "ds_list_size(5);");
  ASSERT_TRUE(run.ok) << run.error;
  EXPECT_EQ(run.output, (std::vector<std::string>{"two", "1", "0", "-100000000"}));
  ASSERT_EQ(run.shown.size(), 1u);
  EXPECT_NE(run.shown[0].find("Data structure with index does not exist."), std::string::npos);
}

}  // namespace
}  // namespace vn
