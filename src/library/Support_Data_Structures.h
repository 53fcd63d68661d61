// The six containers of script values that scripts reach through handles: stacks, queues,
// lists, maps, priority queues and grids, with their text forms.
//
// Every container holds its own copies of values. All searches, sorts and orderings use
// compare_values, whose precision is shared by the whole process.
//
// Text form: the container is written into a memory stream (32-bit little-endian integers,
// values as kind, real and length-prefixed string, both fields always present) and the
// stream's bytes become two upper-case hexadecimal digits each. The stream starts with a
// kind code (101 stack, 201 queue, 301 list, 401 map, 501 priority queue, 601 grid); the
// layouts are given with each class's write.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "script/Code_Value.h"
#include "support/Support_Stream.h"

namespace vn {

constexpr double kDefaultPrecision = 1e-8;
double ds_precision();
// Stores the absolute value.
void set_ds_precision(double precision);

// Negative, 0 or positive. Reals are equal when they are identical or within the
// precision p (with p = 0: within max(min(|a|, |b|) * 1e-12, 1e-12)); strings compare
// byte by byte; a real is less than any string.
int compare_values(const RValue& a, const RValue& b);

// A text form whose bytes do not describe a container: counts that do not fit the text,
// trailing bytes, a value of an unknown kind, a queue whose positions do not nest.
class DsFormatError : public std::runtime_error {
 public:
  DsFormatError() : std::runtime_error("Data structure string is malformed.") {}
};

// What read did: replaced the contents, or left them because the kind code was another's.
// A malformed stream raises StreamError or DsFormatError and changes nothing.
enum class DsRead { kRead, kOtherKind };

// Grids refuse sizes whose cells would exhaust memory.
constexpr int64_t kMaxGridCells = int64_t(1) << 25;

class CDS_Stack {
 public:
  static constexpr int32_t kCode = 101;

  size_t size() const { return items_.size(); }
  void clear() { items_.clear(); }
  void push(const RValue& value) { items_.push_back(value); }
  // Real 0 when empty.
  RValue pop();
  RValue top() const;

  // 101, count, the values bottom first.
  void write(CStream& stream) const;
  DsRead read(CStream& stream);

  const std::vector<RValue>& items() const { return items_; }

 private:
  std::vector<RValue> items_;
};

// A growing array whose live elements are head ... end-1. The array grows by 16 slots when
// full and is compacted after a dequeue leaves head above 16 and above half of end. The
// text form keeps the whole array, consumed and spare slots included.
class CDS_Queue {
 public:
  static constexpr int32_t kCode = 201;

  size_t size() const { return end_ - head_; }
  void clear();
  void enqueue(const RValue& value);
  // Real 0 when empty.
  RValue dequeue();
  RValue head() const;
  RValue tail() const;

  // 201, end, head, capacity C, then the C slots.
  void write(CStream& stream) const;
  DsRead read(CStream& stream);

  size_t head_index() const { return head_; }
  size_t end_index() const { return end_; }
  size_t capacity() const { return slots_.size(); }

 private:
  std::vector<RValue> slots_;
  size_t head_ = 0;
  size_t end_ = 0;
};

class CDS_List {
 public:
  static constexpr int32_t kCode = 301;

  size_t size() const { return items_.size(); }
  void clear() { items_.clear(); }
  void add(const RValue& value) { items_.push_back(value); }
  // Positions outside the valid range do nothing.
  void insert(int64_t position, const RValue& value);
  void replace(int64_t position, const RValue& value);
  void remove(int64_t position);
  // -1 when no element compares equal.
  int64_t find_index(const RValue& value) const;
  // Real 0 outside the range.
  RValue find_value(int64_t position) const;
  // Ascending keeps equal elements in order; descending reverses them.
  void sort(bool ascending);
  // 8 * size swaps of two positions drawn from the game's random generator.
  void shuffle();

  // 301, count, the values in order.
  void write(CStream& stream) const;
  DsRead read(CStream& stream);

  const std::vector<RValue>& items() const { return items_; }

 private:
  std::vector<RValue> items_;
};

// Keys in ascending order, equal keys allowed and kept in the order they were added. The
// order is a sequence (a treap ordered by position) searched with compare_values, so a
// change of precision never reorders what is stored; every operation is logarithmic.
class CDS_Map {
 public:
  static constexpr int32_t kCode = 401;

  CDS_Map() = default;

  size_t size() const { return count_; }
  void clear();
  // After the last key that compares less than or equal to key.
  void add(const RValue& key, const RValue& value);
  // These act on the first entry whose key compares equal; false when there is none.
  bool replace(const RValue& key, const RValue& value);
  bool remove(const RValue& key);
  const RValue* find_value(const RValue& key) const;
  // The largest key comparing less, the smallest comparing greater; null when none.
  const RValue* find_previous(const RValue& key) const;
  const RValue* find_next(const RValue& key) const;
  const RValue* first() const;
  const RValue* last() const;

  // 401, count, the keys in order, then the values in the same order.
  void write(CStream& stream) const;
  DsRead read(CStream& stream);

  // Keys and values in order.
  std::vector<RValue> keys() const;
  std::vector<RValue> values() const;

 private:
  static constexpr uint32_t kNone = 0xFFFFFFFFu;
  // What a search touches, 32 bytes; the values and the heap weights (a parent's weight
  // is at least its children's) live beside, indexed alike.
  struct Node {
    RValue key;
    uint32_t left = kNone;
    uint32_t right = kNone;
  };
  uint32_t new_node(const RValue& key, const RValue& value);
  // Places the fresh node after the last key of the subtree comparing <= its key.
  uint32_t insert_into(uint32_t node, uint32_t fresh);
  // Splits the subtree into the nodes whose key compares <= key and the rest. Every
  // search below follows the same comparisons from the root, so the order of the
  // sequence decides and a search is a binary search of it.
  void split_after(uint32_t node, const RValue& key, uint32_t& before, uint32_t& after);
  uint32_t merge(uint32_t before, uint32_t after);
  uint32_t first_equal(const RValue& key) const;
  void in_order(std::vector<uint32_t>& order) const;
  void build(std::vector<RValue> keys, std::vector<RValue> values);
  uint32_t next_weight();

  std::vector<Node> nodes_;
  std::vector<RValue> values_;
  std::vector<uint32_t> weights_;
  std::vector<uint32_t> free_;
  uint32_t root_ = kNone;
  size_t count_ = 0;
  uint64_t weight_state_ = 0x9E3779B97F4A7C15ull;
};

// An index of the positions 0 ... n-1 of an array of values, ordered by a total order
// that refines compare_values at every precision (reals by value with NaN after them, then
// strings), ties by position. Each node knows the least position in its subtree, so the
// first position whose value compares equal to a given one is found in logarithmic time.
class CPositionIndex {
 public:
  static constexpr uint32_t kNone = 0xFFFFFFFFu;

  void clear();
  // keys[position] must be in place; position must not be in the index.
  void insert(uint32_t position, const std::vector<RValue>& keys);
  void erase(uint32_t position, const std::vector<RValue>& keys);
  // Drops the nodes from size on; they must have been erased.
  void truncate(size_t size) { nodes_.resize(size); }
  // The least position whose key compares equal to value, kNone when none.
  uint32_t first_equal(const RValue& value, const std::vector<RValue>& keys) const;
  // The least position among the keys comparing equal to the smallest (largest) key.
  uint32_t first_of_least(const std::vector<RValue>& keys) const;
  uint32_t first_of_greatest(const std::vector<RValue>& keys) const;

 private:
  struct Node {
    uint32_t left = kNone;
    uint32_t right = kNone;
    uint32_t weight = 0;
    uint32_t least = 0;  // the least position in the subtree
  };
  void update(uint32_t node);
  uint32_t next_weight();
  // Position a comes before position b: by key, then by position.
  static bool before(uint32_t a, uint32_t b, const std::vector<RValue>& keys);
  uint32_t insert_into(uint32_t node, uint32_t position, const std::vector<RValue>& keys);
  uint32_t erase_from(uint32_t node, uint32_t position, const std::vector<RValue>& keys);
  void split(uint32_t node, uint32_t position, const std::vector<RValue>& keys, uint32_t& before,
             uint32_t& after);
  uint32_t merge(uint32_t before, uint32_t after);
  // The least position of the nodes of the subtree whose key compares >= 0 with value (a
  // suffix of the subtree), and of those comparing <= 0 (a prefix).
  uint32_t least_from(uint32_t node, const RValue& value, const std::vector<RValue>& keys) const;
  uint32_t least_until(uint32_t node, const RValue& value, const std::vector<RValue>& keys) const;
  uint32_t least_of(uint32_t node) const { return node == kNone ? kNone : nodes_[node].least; }

  std::vector<Node> nodes_;  // node i stands for position i
  uint32_t root_ = kNone;
  uint64_t weight_state_ = 0xD1B54A32D192ED03ull;
};

// Values with priorities in the order they were added (a deletion moves the last entry
// into the hole). Two position indexes, by value and by priority, find the first entry in
// array order among equal ones without scanning.
class CDS_Priority {
 public:
  static constexpr int32_t kCode = 501;

  CDS_Priority() = default;

  size_t size() const { return values_.size(); }
  void clear();
  void add(const RValue& value, const RValue& priority);
  // These act on the first entry in array order whose value compares equal.
  bool change_priority(const RValue& value, const RValue& priority);
  const RValue* find_priority(const RValue& value) const;
  bool delete_value(const RValue& value);
  // The value of the entry with the least (greatest) priority, the first in array order
  // among equal priorities; null when empty.
  const RValue* find_min() const;
  const RValue* find_max() const;
  // Real 0 when empty.
  RValue delete_min();
  RValue delete_max();

  // 501, count, the priorities in array order, then the values.
  void write(CStream& stream) const;
  DsRead read(CStream& stream);

  const std::vector<RValue>& values() const { return values_; }
  const std::vector<RValue>& priorities() const { return priorities_; }

 private:
  void remove_at(uint32_t position);
  void rebuild();

  std::vector<RValue> values_;
  std::vector<RValue> priorities_;
  CPositionIndex by_value_;
  CPositionIndex by_priority_;
};

// Cell (x, y) is column x, row y; columns are stored one after the other.
class CDS_Grid {
 public:
  static constexpr int32_t kCode = 601;

  enum class Operation { kSet, kAdd, kMultiply };

  // Aggregates over the real cells of a region.
  struct RStatistics {
    double sum = 0.0;
    double max = -100000000.0;
    double min = 100000000.0;
    int64_t count = 0;
    double mean() const { return count > 0 ? sum / double(count) : 0.0; }
  };

  CDS_Grid() = default;
  // Sizes must be at least 0, with at most kMaxGridCells cells (the caller checks).
  CDS_Grid(int32_t width, int32_t height);

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  bool inside(int64_t x, int64_t y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  const RValue& at(int64_t x, int64_t y) const { return cells_[size_t(x) * height_ + size_t(y)]; }
  RValue& at(int64_t x, int64_t y) { return cells_[size_t(x) * height_ + size_t(y)]; }

  // Keeps the cells inside both sizes; new cells are real 0.
  void resize(int32_t width, int32_t height);
  void clear(const RValue& value);

  static void apply(Operation operation, RValue& cell, const RValue& value);
  // Cells outside the grid are left alone.
  void apply_cell(Operation operation, int64_t x, int64_t y, const RValue& value);
  // Corners in either order, clipped.
  void apply_region(Operation operation, int64_t x1, int64_t y1, int64_t x2, int64_t y2,
                    const RValue& value);
  // Cells with (x - xm)^2 + (y - ym)^2 <= r^2, clipped.
  void apply_disk(Operation operation, double xm, double ym, double r, const RValue& value);
  // The source rectangle (clipped to the source) with its top-left corner at (xpos, ypos);
  // cells falling outside this grid are skipped. The source may be this grid.
  void apply_grid_region(Operation operation, const CDS_Grid& source, int64_t x1, int64_t y1,
                         int64_t x2, int64_t y2, int64_t xpos, int64_t ypos);

  RStatistics region_statistics(int64_t x1, int64_t y1, int64_t x2, int64_t y2) const;
  RStatistics disk_statistics(double xm, double ym, double r) const;
  // The first cell comparing equal, x outer and y inner.
  bool find_in_region(int64_t x1, int64_t y1, int64_t x2, int64_t y2, const RValue& value,
                      int64_t& x, int64_t& y) const;
  bool find_in_disk(double xm, double ym, double r, const RValue& value, int64_t& x,
                    int64_t& y) const;

  // 8 * width * height swaps of two cells drawn from the game's random generator.
  void shuffle();

  // 601, width, height, then the cells column by column.
  void write(CStream& stream) const;
  DsRead read(CStream& stream);

 private:
  struct RRange {
    int64_t first = 0;
    int64_t last = -1;
  };
  // The rectangle of a region clipped to the grid; empty ranges when nothing is left.
  void clip(int64_t a, int64_t b, int32_t size, RRange& range) const;
  RRange disk_columns(double xm, double r) const;
  // The rows of column x inside the disk: a run, found from the square root and then
  // settled with the exact test so that it matches a cell-by-cell scan.
  RRange disk_rows(int64_t x, double xm, double ym, double r) const;
  template <class Visit>
  void for_disk(double xm, double ym, double r, Visit visit) const;

  int32_t width_ = 0;
  int32_t height_ = 0;
  std::vector<RValue> cells_;
};

// Text forms: the hexadecimal text of the stream the container writes, and the reverse.
// read_text raises ConversionError for a text that is not hexadecimal, and StreamError or
// DsFormatError for a malformed one; the container is then unchanged.
template <class Container>
std::string write_text(const Container& container) {
  CStream stream;
  container.write(stream);
  return to_hex(stream);
}

template <class Container>
DsRead read_text(Container& container, std::string_view text) {
  CStream stream;
  from_hex(stream, text);
  return container.read(stream);
}

}  // namespace vn
