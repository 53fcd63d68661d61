#include "library/Support_Data_Structures.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "script/Function_Math.h"

namespace vn {

namespace {

double g_precision = kDefaultPrecision;

// Each stored value takes at least its kind, its real and its string length.
constexpr size_t kMinValueBytes = 16;

// Concatenations in grids stop growing here, like the string functions of the language.
constexpr size_t kMaxStringLength = size_t(1) << 30;

bool is_text(const RValue& value) { return value.kind == kString; }

int sign(int value) { return (value > 0) - (value < 0); }

// The total order the position indexes sort by: reals by value (NaN after every number),
// then strings byte by byte. For any precision and any value v, compare_values(key, v)
// does not decrease along this order, so the keys comparing equal to v form one run.
int order_values(const RValue& a, const RValue& b) {
  bool a_text = is_text(a), b_text = is_text(b);
  if (a_text != b_text) return a_text ? 1 : -1;
  if (a_text) return sign(RString::compare(a.string, b.string));
  bool a_nan = std::isnan(a.real), b_nan = std::isnan(b.real);
  if (a_nan || b_nan) return a_nan == b_nan ? 0 : (a_nan ? 1 : -1);
  return (a.real > b.real) - (a.real < b.real);
}

bool identical(const RValue& a, const RValue& b) {
  if (is_text(a) != is_text(b)) return false;
  return is_text(a) ? a.string == b.string : a.real == b.real;
}

// xorshift64*: the weights of the trees, independent of the game's random generator so
// that building an index never changes what scripts draw.
uint32_t next_random(uint64_t& state) {
  state ^= state >> 12;
  state ^= state << 25;
  state ^= state >> 27;
  return uint32_t((state * 0x2545F4914F6CDD1Dull) >> 32);
}

// A value: kind, real, string.
void write_value(CStream& stream, const RValue& value) {
  write_int(stream, value.kind);
  write_real(stream, value.real);
  write_string(stream, value.string.view());
}

RValue read_value(CStream& stream) {
  int32_t kind = read_int(stream);
  if (kind != kReal && kind != kString) throw DsFormatError();
  RValue value;
  value.kind = kind;
  value.real = read_real(stream);
  value.string = RString(read_string(stream));
  return value;
}

void read_values(CStream& stream, size_t count, std::vector<RValue>& values) {
  values.reserve(count);
  for (size_t i = 0; i < count; ++i) values.push_back(read_value(stream));
}

// A count of values that the rest of the stream can hold.
size_t read_count(CStream& stream, size_t values_per_element) {
  int32_t count = read_int(stream);
  if (count < 0) throw DsFormatError();
  if (size_t(count) > stream.remaining() / (kMinValueBytes * values_per_element)) {
    throw DsFormatError();
  }
  return size_t(count);
}

// The text must end where the container does.
void expect_end(const CStream& stream) {
  if (stream.remaining() != 0) throw DsFormatError();
}

// Stacks and lists share one text form: their code, the count, then the values in order.
void write_sequence(CStream& stream, int32_t code, const std::vector<RValue>& items) {
  write_int(stream, code);
  write_int(stream, int32_t(items.size()));
  for (const RValue& value : items) write_value(stream, value);
}

DsRead read_sequence(CStream& stream, int32_t code, std::vector<RValue>& target) {
  if (read_int(stream) != code) return DsRead::kOtherKind;
  std::vector<RValue> items;
  read_values(stream, read_count(stream, 1), items);
  expect_end(stream);
  target = std::move(items);
  return DsRead::kRead;
}

// Stable merge sort that only ever reads within the ranges, whatever the comparator says.
template <class Before>
void merge_sort(std::vector<RValue>& items, Before before) {
  size_t n = items.size();
  std::vector<RValue> scratch(n);
  for (size_t width = 1; width < n; width *= 2) {
    for (size_t start = 0; start < n; start += 2 * width) {
      size_t middle = std::min(start + width, n), end = std::min(start + 2 * width, n);
      size_t left = start, right = middle, out = start;
      while (left < middle && right < end) {
        // The right element goes first only when it strictly comes before.
        if (before(items[right], items[left])) {
          scratch[out++] = std::move(items[right++]);
        } else {
          scratch[out++] = std::move(items[left++]);
        }
      }
      while (left < middle) scratch[out++] = std::move(items[left++]);
      while (right < end) scratch[out++] = std::move(items[right++]);
    }
    items.swap(scratch);
  }
}

// A double range of cell coordinates as integers inside 0 ... size-1.
int64_t clamp_coordinate(double value, int64_t low, int64_t high) {
  if (!(value >= double(low))) return low;
  if (value > double(high)) return high;
  return int64_t(value);
}

}  // namespace

double ds_precision() { return g_precision; }

void set_ds_precision(double precision) { g_precision = std::fabs(precision); }

int compare_values(const RValue& a, const RValue& b) {
  bool a_text = is_text(a), b_text = is_text(b);
  if (a_text || b_text) {
    if (!b_text) return 1;
    if (!a_text) return -1;
    return sign(RString::compare(a.string, b.string));
  }
  double x = a.real, y = b.real;
  if (x == y) return 0;
  double difference = std::fabs(x - y);
  if (g_precision > 0.0) {
    if (difference <= g_precision) return 0;
  } else if (g_precision == 0.0) {
    double tolerance = std::max(std::min(std::fabs(x), std::fabs(y)) * 1e-12, 1e-12);
    if (difference <= tolerance) return 0;
  }
  return x < y ? -1 : 1;
}

// --- Stack ---

RValue CDS_Stack::pop() {
  if (items_.empty()) return RValue();
  RValue value = std::move(items_.back());
  items_.pop_back();
  return value;
}

RValue CDS_Stack::top() const { return items_.empty() ? RValue() : items_.back(); }

void CDS_Stack::write(CStream& stream) const {
  write_sequence(stream, kCode, items_);
}

DsRead CDS_Stack::read(CStream& stream) {
  return read_sequence(stream, kCode, items_);
}

// --- Queue ---

void CDS_Queue::clear() {
  slots_.clear();
  head_ = end_ = 0;
}

void CDS_Queue::enqueue(const RValue& value) {
  if (end_ == slots_.size()) slots_.resize(slots_.size() + 16);
  slots_[end_++] = value;
}

RValue CDS_Queue::dequeue() {
  if (head_ >= end_) return RValue();
  RValue value = slots_[head_++];
  if (head_ > 16 && head_ * 2 > end_) {
    // The slots above the new end keep what they held.
    std::copy(slots_.begin() + ptrdiff_t(head_), slots_.begin() + ptrdiff_t(end_), slots_.begin());
    end_ -= head_;
    head_ = 0;
  }
  return value;
}

RValue CDS_Queue::head() const { return head_ < end_ ? slots_[head_] : RValue(); }

RValue CDS_Queue::tail() const { return head_ < end_ ? slots_[end_ - 1] : RValue(); }

void CDS_Queue::write(CStream& stream) const {
  write_int(stream, kCode);
  write_int(stream, int32_t(end_));
  write_int(stream, int32_t(head_));
  write_int(stream, int32_t(slots_.size()));
  for (const RValue& value : slots_) write_value(stream, value);
}

DsRead CDS_Queue::read(CStream& stream) {
  if (read_int(stream) != kCode) return DsRead::kOtherKind;
  int32_t end = read_int(stream);
  int32_t head = read_int(stream);
  size_t capacity = read_count(stream, 1);
  if (head < 0 || head > end || size_t(end) > capacity) throw DsFormatError();
  std::vector<RValue> slots;
  read_values(stream, capacity, slots);
  expect_end(stream);
  slots_ = std::move(slots);
  head_ = size_t(head);
  end_ = size_t(end);
  return DsRead::kRead;
}

// --- List ---

void CDS_List::insert(int64_t position, const RValue& value) {
  if (position < 0 || uint64_t(position) > items_.size()) return;
  items_.insert(items_.begin() + position, value);
}

void CDS_List::replace(int64_t position, const RValue& value) {
  if (position < 0 || uint64_t(position) >= items_.size()) return;
  items_[size_t(position)] = value;
}

void CDS_List::remove(int64_t position) {
  if (position < 0 || uint64_t(position) >= items_.size()) return;
  items_.erase(items_.begin() + position);
}

int64_t CDS_List::find_index(const RValue& value) const {
  for (size_t i = 0; i < items_.size(); ++i) {
    if (compare_values(items_[i], value) == 0) return int64_t(i);
  }
  return -1;
}

RValue CDS_List::find_value(int64_t position) const {
  if (position < 0 || uint64_t(position) >= items_.size()) return RValue();
  return items_[size_t(position)];
}

// The result is that of an insertion sort which moves each element towards the front
// while its predecessor compares greater (ascending) or does not compare greater
// (descending). When the values present order consistently (every two compare equal
// only when identical) a merge sort gives the same in n log n: descending is the stable
// descending sort of the reversed list. Otherwise, with NaN or with reals that the
// tolerance chains together, the insertion sort itself runs.
void CDS_List::sort(bool ascending) {
  size_t n = items_.size();
  if (n < 2) return;
  bool has_nan = std::any_of(items_.begin(), items_.end(), [](const RValue& value) {
    return !is_text(value) && std::isnan(value.real);
  });
  if (!has_nan) {
    std::vector<RValue> sorted = items_;
    if (ascending) {
      merge_sort(sorted, [](const RValue& a, const RValue& b) { return compare_values(a, b) < 0; });
    } else {
      std::reverse(sorted.begin(), sorted.end());
      merge_sort(sorted, [](const RValue& a, const RValue& b) { return compare_values(a, b) > 0; });
    }
    bool consistent = true;
    for (size_t i = 1; i < n && consistent; ++i) {
      int order = compare_values(sorted[i - 1], sorted[i]);
      consistent = (ascending ? order < 0 : order > 0) || identical(sorted[i - 1], sorted[i]);
    }
    if (consistent) {
      items_ = std::move(sorted);
      return;
    }
  }
  for (size_t i = 1; i < n; ++i) {
    for (size_t j = i; j > 0; --j) {
      int order = compare_values(items_[j - 1], items_[j]);
      if (ascending ? order <= 0 : order > 0) break;
      std::swap(items_[j - 1], items_[j]);
    }
  }
}

void CDS_List::shuffle() {
  size_t n = items_.size();
  if (n == 0) return;
  for (uint64_t k = 0; k < uint64_t(n) * 8; ++k) {
    uint32_t i = random_below(uint32_t(n));
    uint32_t j = random_below(uint32_t(n));
    std::swap(items_[i], items_[j]);
  }
}

void CDS_List::write(CStream& stream) const {
  write_sequence(stream, kCode, items_);
}

DsRead CDS_List::read(CStream& stream) {
  return read_sequence(stream, kCode, items_);
}

// --- Map ---

uint32_t CDS_Map::next_weight() { return next_random(weight_state_); }

void CDS_Map::clear() {
  nodes_.clear();
  values_.clear();
  weights_.clear();
  free_.clear();
  root_ = kNone;
  count_ = 0;
}

uint32_t CDS_Map::new_node(const RValue& key, const RValue& value) {
  uint32_t node;
  if (!free_.empty()) {
    node = free_.back();
    free_.pop_back();
  } else {
    node = uint32_t(nodes_.size());
    nodes_.emplace_back();
    values_.emplace_back();
    weights_.emplace_back();
  }
  Node& fresh = nodes_[node];
  fresh.key = key;
  fresh.left = fresh.right = kNone;
  values_[node] = value;
  weights_[node] = next_weight();
  return node;
}

void CDS_Map::split_after(uint32_t node, const RValue& key, uint32_t& before, uint32_t& after) {
  if (node == kNone) {
    before = after = kNone;
    return;
  }
  Node& here = nodes_[node];
  if (compare_values(here.key, key) <= 0) {
    split_after(here.right, key, here.right, after);
    before = node;
  } else {
    split_after(here.left, key, before, here.left);
    after = node;
  }
}

uint32_t CDS_Map::merge(uint32_t before, uint32_t after) {
  if (before == kNone) return after;
  if (after == kNone) return before;
  if (weights_[before] >= weights_[after]) {
    uint32_t right = merge(nodes_[before].right, after);
    nodes_[before].right = right;
    return before;
  }
  uint32_t left = merge(before, nodes_[after].left);
  nodes_[after].left = left;
  return after;
}

uint32_t CDS_Map::insert_into(uint32_t node, uint32_t fresh) {
  if (node == kNone) return fresh;
  Node& here = nodes_[node];
  const RValue& key = nodes_[fresh].key;
  if (weights_[fresh] > weights_[node]) {
    split_after(node, key, nodes_[fresh].left, nodes_[fresh].right);
    return fresh;
  }
  if (compare_values(here.key, key) <= 0) {
    here.right = insert_into(here.right, fresh);
  } else {
    here.left = insert_into(here.left, fresh);
  }
  return node;
}

void CDS_Map::add(const RValue& key, const RValue& value) {
  uint32_t fresh = new_node(key, value);
  root_ = insert_into(root_, fresh);
  ++count_;
}

uint32_t CDS_Map::first_equal(const RValue& key) const {
  uint32_t node = root_, found = kNone;
  while (node != kNone) {
    if (compare_values(nodes_[node].key, key) >= 0) {
      found = node;
      node = nodes_[node].left;
    } else {
      node = nodes_[node].right;
    }
  }
  if (found != kNone && compare_values(nodes_[found].key, key) != 0) return kNone;
  return found;
}

bool CDS_Map::replace(const RValue& key, const RValue& value) {
  uint32_t node = first_equal(key);
  if (node == kNone) return false;
  values_[node] = value;
  return true;
}

bool CDS_Map::remove(const RValue& key) {
  uint32_t target = first_equal(key);
  if (target == kNone) return false;
  // The same comparisons as the search lead back to the node.
  uint32_t* link = &root_;
  while (*link != target) {
    Node& here = nodes_[*link];
    link = compare_values(here.key, key) >= 0 ? &here.left : &here.right;
  }
  *link = merge(nodes_[target].left, nodes_[target].right);
  nodes_[target] = Node();
  values_[target] = RValue();
  free_.push_back(target);
  --count_;
  return true;
}

const RValue* CDS_Map::find_value(const RValue& key) const {
  uint32_t node = first_equal(key);
  return node == kNone ? nullptr : &values_[node];
}

const RValue* CDS_Map::find_previous(const RValue& key) const {
  uint32_t node = root_, found = kNone;
  while (node != kNone) {
    if (compare_values(nodes_[node].key, key) < 0) {
      found = node;
      node = nodes_[node].right;
    } else {
      node = nodes_[node].left;
    }
  }
  return found == kNone ? nullptr : &nodes_[found].key;
}

const RValue* CDS_Map::find_next(const RValue& key) const {
  uint32_t node = root_, found = kNone;
  while (node != kNone) {
    if (compare_values(nodes_[node].key, key) > 0) {
      found = node;
      node = nodes_[node].left;
    } else {
      node = nodes_[node].right;
    }
  }
  return found == kNone ? nullptr : &nodes_[found].key;
}

const RValue* CDS_Map::first() const {
  if (root_ == kNone) return nullptr;
  uint32_t node = root_;
  while (nodes_[node].left != kNone) node = nodes_[node].left;
  return &nodes_[node].key;
}

const RValue* CDS_Map::last() const {
  if (root_ == kNone) return nullptr;
  uint32_t node = root_;
  while (nodes_[node].right != kNone) node = nodes_[node].right;
  return &nodes_[node].key;
}

void CDS_Map::in_order(std::vector<uint32_t>& order) const {
  order.clear();
  order.reserve(count_);
  std::vector<uint32_t> pending;
  uint32_t node = root_;
  while (node != kNone || !pending.empty()) {
    while (node != kNone) {
      pending.push_back(node);
      node = nodes_[node].left;
    }
    node = pending.back();
    pending.pop_back();
    order.push_back(node);
    node = nodes_[node].right;
  }
}

std::vector<RValue> CDS_Map::keys() const {
  std::vector<uint32_t> order;
  in_order(order);
  std::vector<RValue> keys;
  keys.reserve(order.size());
  for (uint32_t node : order) keys.push_back(nodes_[node].key);
  return keys;
}

std::vector<RValue> CDS_Map::values() const {
  std::vector<uint32_t> order;
  in_order(order);
  std::vector<RValue> values;
  values.reserve(order.size());
  for (uint32_t node : order) values.push_back(values_[node]);
  return values;
}

// The entries keep the given order, whatever it is: a Cartesian tree over the sequence,
// built left to right with a stack of the right spine.
void CDS_Map::build(std::vector<RValue> keys, std::vector<RValue> values) {
  clear();
  nodes_.reserve(keys.size());
  values_.reserve(keys.size());
  weights_.reserve(keys.size());
  std::vector<uint32_t> spine;
  for (size_t i = 0; i < keys.size(); ++i) {
    uint32_t node = new_node(RValue(), RValue());
    nodes_[node].key = std::move(keys[i]);
    values_[node] = std::move(values[i]);
    uint32_t popped = kNone;
    while (!spine.empty() && weights_[spine.back()] < weights_[node]) {
      popped = spine.back();
      spine.pop_back();
    }
    nodes_[node].left = popped;
    if (!spine.empty()) nodes_[spine.back()].right = node;
    spine.push_back(node);
  }
  root_ = spine.empty() ? kNone : spine.front();
  count_ = keys.size();
}

void CDS_Map::write(CStream& stream) const {
  std::vector<uint32_t> order;
  in_order(order);
  write_int(stream, kCode);
  write_int(stream, int32_t(order.size()));
  for (uint32_t node : order) write_value(stream, nodes_[node].key);
  for (uint32_t node : order) write_value(stream, values_[node]);
}

DsRead CDS_Map::read(CStream& stream) {
  if (read_int(stream) != kCode) return DsRead::kOtherKind;
  size_t count = read_count(stream, 2);
  std::vector<RValue> keys, values;
  read_values(stream, count, keys);
  read_values(stream, count, values);
  expect_end(stream);
  build(std::move(keys), std::move(values));
  return DsRead::kRead;
}

// --- Position index ---

void CPositionIndex::clear() {
  nodes_.clear();
  root_ = kNone;
}

uint32_t CPositionIndex::next_weight() { return next_random(weight_state_); }

bool CPositionIndex::before(uint32_t a, uint32_t b, const std::vector<RValue>& keys) {
  int order = order_values(keys[a], keys[b]);
  return order < 0 || (order == 0 && a < b);
}

void CPositionIndex::update(uint32_t node) {
  Node& here = nodes_[node];
  here.least = std::min({node, least_of(here.left), least_of(here.right)});
}

void CPositionIndex::split(uint32_t node, uint32_t position, const std::vector<RValue>& keys,
                           uint32_t& before_part, uint32_t& after_part) {
  if (node == kNone) {
    before_part = after_part = kNone;
    return;
  }
  Node& here = nodes_[node];
  if (before(node, position, keys)) {
    split(here.right, position, keys, here.right, after_part);
    before_part = node;
  } else {
    split(here.left, position, keys, before_part, here.left);
    after_part = node;
  }
  update(node);
}

uint32_t CPositionIndex::merge(uint32_t before_part, uint32_t after_part) {
  if (before_part == kNone) return after_part;
  if (after_part == kNone) return before_part;
  if (nodes_[before_part].weight >= nodes_[after_part].weight) {
    uint32_t right = merge(nodes_[before_part].right, after_part);
    nodes_[before_part].right = right;
    update(before_part);
    return before_part;
  }
  uint32_t left = merge(before_part, nodes_[after_part].left);
  nodes_[after_part].left = left;
  update(after_part);
  return after_part;
}

uint32_t CPositionIndex::insert_into(uint32_t node, uint32_t position,
                                     const std::vector<RValue>& keys) {
  if (node == kNone) return position;
  Node& here = nodes_[node];
  if (nodes_[position].weight > here.weight) {
    split(node, position, keys, nodes_[position].left, nodes_[position].right);
    update(position);
    return position;
  }
  if (before(position, node, keys)) {
    here.left = insert_into(here.left, position, keys);
  } else {
    here.right = insert_into(here.right, position, keys);
  }
  update(node);
  return node;
}

void CPositionIndex::insert(uint32_t position, const std::vector<RValue>& keys) {
  if (nodes_.size() <= position) nodes_.resize(size_t(position) + 1);
  Node& fresh = nodes_[position];
  fresh.left = fresh.right = kNone;
  fresh.weight = next_weight();
  fresh.least = position;
  root_ = insert_into(root_, position, keys);
}

uint32_t CPositionIndex::erase_from(uint32_t node, uint32_t position,
                                    const std::vector<RValue>& keys) {
  if (node == kNone) return kNone;
  Node& here = nodes_[node];
  if (node == position) {
    uint32_t joined = merge(here.left, here.right);
    nodes_[position].left = nodes_[position].right = kNone;
    return joined;
  }
  if (before(position, node, keys)) {
    here.left = erase_from(here.left, position, keys);
  } else {
    here.right = erase_from(here.right, position, keys);
  }
  update(node);
  return node;
}

void CPositionIndex::erase(uint32_t position, const std::vector<RValue>& keys) {
  root_ = erase_from(root_, position, keys);
}

uint32_t CPositionIndex::least_from(uint32_t node, const RValue& value,
                                    const std::vector<RValue>& keys) const {
  uint32_t least = kNone;
  while (node != kNone) {
    const Node& here = nodes_[node];
    if (compare_values(keys[node], value) >= 0) {
      least = std::min({least, node, least_of(here.right)});
      node = here.left;
    } else {
      node = here.right;
    }
  }
  return least;
}

uint32_t CPositionIndex::least_until(uint32_t node, const RValue& value,
                                     const std::vector<RValue>& keys) const {
  uint32_t least = kNone;
  while (node != kNone) {
    const Node& here = nodes_[node];
    if (compare_values(keys[node], value) <= 0) {
      least = std::min({least, node, least_of(here.left)});
      node = here.right;
    } else {
      node = here.left;
    }
  }
  return least;
}

uint32_t CPositionIndex::first_equal(const RValue& value, const std::vector<RValue>& keys) const {
  uint32_t node = root_;
  while (node != kNone) {
    const Node& here = nodes_[node];
    int order = compare_values(keys[node], value);
    if (order < 0) {
      node = here.right;
    } else if (order > 0) {
      node = here.left;
    } else {
      // The equal run continues into the end of the left subtree and the start of the
      // right one.
      return std::min(
          {node, least_from(here.left, value, keys), least_until(here.right, value, keys)});
    }
  }
  return kNone;
}

uint32_t CPositionIndex::first_of_least(const std::vector<RValue>& keys) const {
  if (root_ == kNone) return kNone;
  uint32_t node = root_;
  while (nodes_[node].left != kNone) node = nodes_[node].left;
  uint32_t first = least_until(root_, keys[node], keys);
  // A NaN equals nothing, not even itself.
  return first == kNone ? node : first;
}

uint32_t CPositionIndex::first_of_greatest(const std::vector<RValue>& keys) const {
  if (root_ == kNone) return kNone;
  uint32_t node = root_;
  while (nodes_[node].right != kNone) node = nodes_[node].right;
  uint32_t first = least_from(root_, keys[node], keys);
  return first == kNone ? node : first;
}

// --- Priority queue ---

void CDS_Priority::clear() {
  values_.clear();
  priorities_.clear();
  by_value_.clear();
  by_priority_.clear();
}

void CDS_Priority::add(const RValue& value, const RValue& priority) {
  uint32_t position = uint32_t(values_.size());
  values_.push_back(value);
  priorities_.push_back(priority);
  by_value_.insert(position, values_);
  by_priority_.insert(position, priorities_);
}

bool CDS_Priority::change_priority(const RValue& value, const RValue& priority) {
  uint32_t position = by_value_.first_equal(value, values_);
  if (position == CPositionIndex::kNone) return false;
  by_priority_.erase(position, priorities_);
  priorities_[position] = priority;
  by_priority_.insert(position, priorities_);
  return true;
}

const RValue* CDS_Priority::find_priority(const RValue& value) const {
  uint32_t position = by_value_.first_equal(value, values_);
  return position == CPositionIndex::kNone ? nullptr : &priorities_[position];
}

void CDS_Priority::remove_at(uint32_t position) {
  uint32_t last = uint32_t(values_.size() - 1);
  by_value_.erase(position, values_);
  by_priority_.erase(position, priorities_);
  if (position != last) {
    by_value_.erase(last, values_);
    by_priority_.erase(last, priorities_);
    values_[position] = std::move(values_[last]);
    priorities_[position] = std::move(priorities_[last]);
  }
  values_.pop_back();
  priorities_.pop_back();
  by_value_.truncate(last);
  by_priority_.truncate(last);
  if (position != last) {
    by_value_.insert(position, values_);
    by_priority_.insert(position, priorities_);
  }
}

bool CDS_Priority::delete_value(const RValue& value) {
  uint32_t position = by_value_.first_equal(value, values_);
  if (position == CPositionIndex::kNone) return false;
  remove_at(position);
  return true;
}

const RValue* CDS_Priority::find_min() const {
  uint32_t position = by_priority_.first_of_least(priorities_);
  return position == CPositionIndex::kNone ? nullptr : &values_[position];
}

const RValue* CDS_Priority::find_max() const {
  uint32_t position = by_priority_.first_of_greatest(priorities_);
  return position == CPositionIndex::kNone ? nullptr : &values_[position];
}

RValue CDS_Priority::delete_min() {
  uint32_t position = by_priority_.first_of_least(priorities_);
  if (position == CPositionIndex::kNone) return RValue();
  RValue value = values_[position];
  remove_at(position);
  return value;
}

RValue CDS_Priority::delete_max() {
  uint32_t position = by_priority_.first_of_greatest(priorities_);
  if (position == CPositionIndex::kNone) return RValue();
  RValue value = values_[position];
  remove_at(position);
  return value;
}

void CDS_Priority::rebuild() {
  by_value_.clear();
  by_priority_.clear();
  for (uint32_t position = 0; position < values_.size(); ++position) {
    by_value_.insert(position, values_);
    by_priority_.insert(position, priorities_);
  }
}

void CDS_Priority::write(CStream& stream) const {
  write_int(stream, kCode);
  write_int(stream, int32_t(values_.size()));
  for (const RValue& priority : priorities_) write_value(stream, priority);
  for (const RValue& value : values_) write_value(stream, value);
}

DsRead CDS_Priority::read(CStream& stream) {
  if (read_int(stream) != kCode) return DsRead::kOtherKind;
  size_t count = read_count(stream, 2);
  std::vector<RValue> priorities, values;
  read_values(stream, count, priorities);
  read_values(stream, count, values);
  expect_end(stream);
  values_ = std::move(values);
  priorities_ = std::move(priorities);
  rebuild();
  return DsRead::kRead;
}

// --- Grid ---

CDS_Grid::CDS_Grid(int32_t width, int32_t height)
    : width_(width), height_(height), cells_(size_t(width) * size_t(height)) {}

void CDS_Grid::resize(int32_t width, int32_t height) {
  std::vector<RValue> cells(size_t(width) * size_t(height));
  int32_t keep_width = std::min(width, width_), keep_height = std::min(height, height_);
  for (int32_t x = 0; x < keep_width; ++x) {
    for (int32_t y = 0; y < keep_height; ++y) {
      cells[size_t(x) * size_t(height) + size_t(y)] = std::move(at(x, y));
    }
  }
  cells_ = std::move(cells);
  width_ = width;
  height_ = height;
}

void CDS_Grid::clear(const RValue& value) { std::fill(cells_.begin(), cells_.end(), value); }

void CDS_Grid::apply(Operation operation, RValue& cell, const RValue& value) {
  switch (operation) {
    case Operation::kSet:
      cell = value;
      return;
    case Operation::kAdd:
      if (is_text(cell) != is_text(value)) {
        cell = value;
      } else if (!is_text(cell)) {
        cell.real += value.real;
      } else if (cell.string.size() + value.string.size() <= kMaxStringLength) {
        std::string joined;
        joined.reserve(cell.string.size() + value.string.size());
        joined.append(cell.string.view()).append(value.string.view());
        cell.string = RString(joined);
      }
      return;
    case Operation::kMultiply:
      if (!is_text(cell) && !is_text(value)) cell.real *= value.real;
      return;
  }
}

void CDS_Grid::apply_cell(Operation operation, int64_t x, int64_t y, const RValue& value) {
  if (inside(x, y)) apply(operation, at(x, y), value);
}

void CDS_Grid::clip(int64_t a, int64_t b, int32_t size, RRange& range) const {
  range.first = std::max<int64_t>(std::min(a, b), 0);
  range.last = std::min<int64_t>(std::max(a, b), int64_t(size) - 1);
}

void CDS_Grid::apply_region(Operation operation, int64_t x1, int64_t y1, int64_t x2, int64_t y2,
                            const RValue& value) {
  RRange columns, rows;
  clip(x1, x2, width_, columns);
  clip(y1, y2, height_, rows);
  for (int64_t x = columns.first; x <= columns.last; ++x) {
    for (int64_t y = rows.first; y <= rows.last; ++y) apply(operation, at(x, y), value);
  }
}

CDS_Grid::RRange CDS_Grid::disk_columns(double xm, double r) const {
  RRange range;
  double first = std::floor(xm - r), last = std::ceil(xm + r);
  if (!(first <= last) || width_ == 0) return range;
  range.first = clamp_coordinate(first, 0, width_);
  range.last = clamp_coordinate(last, -1, int64_t(width_) - 1);
  return range;
}

CDS_Grid::RRange CDS_Grid::disk_rows(int64_t x, double xm, double ym, double r) const {
  RRange range;
  double first = std::floor(ym - r), last = std::ceil(ym + r);
  if (!(first <= last) || height_ == 0) return range;
  int64_t low = clamp_coordinate(first, 0, height_);
  int64_t high = clamp_coordinate(last, -1, int64_t(height_) - 1);
  if (low > high) return range;
  double dx = double(x) - xm;
  double reach = r * r;
  auto in_disk = [&](int64_t y) {
    double dy = double(y) - ym;
    return dx * dx + dy * dy <= reach;
  };
  int64_t from = low, to = high;
  double half = std::sqrt(reach - dx * dx);
  if (half == half) {
    from = clamp_coordinate(std::ceil(ym - half), low, high);
    to = clamp_coordinate(std::floor(ym + half), low, high);
  }
  while (from > low && in_disk(from - 1)) --from;
  while (from <= to && !in_disk(from)) ++from;
  while (to < high && in_disk(to + 1)) ++to;
  while (to >= from && !in_disk(to)) --to;
  range.first = from;
  range.last = to;
  return range;
}

// Visits the cells of the disk in scan order (x outer, y inner) until visit says stop.
template <class Visit>
void CDS_Grid::for_disk(double xm, double ym, double r, Visit visit) const {
  if (std::isnan(xm) || std::isnan(ym) || std::isnan(r)) return;
  RRange columns = disk_columns(xm, r);
  for (int64_t x = columns.first; x <= columns.last; ++x) {
    RRange rows = disk_rows(x, xm, ym, r);
    for (int64_t y = rows.first; y <= rows.last; ++y) {
      if (visit(x, y)) return;
    }
  }
}

void CDS_Grid::apply_disk(Operation operation, double xm, double ym, double r,
                          const RValue& value) {
  for_disk(xm, ym, r, [&](int64_t x, int64_t y) {
    apply(operation, at(x, y), value);
    return false;
  });
}

void CDS_Grid::apply_grid_region(Operation operation, const CDS_Grid& source, int64_t x1,
                                 int64_t y1, int64_t x2, int64_t y2, int64_t xpos, int64_t ypos) {
  RRange columns, rows;
  source.clip(x1, x2, source.width_, columns);
  source.clip(y1, y2, source.height_, rows);
  if (columns.first > columns.last || rows.first > rows.last) return;
  // Reading a copy of the region is the same as running the copy in the direction that
  // reads every source cell before it is overwritten.
  CDS_Grid snapshot;
  const CDS_Grid* from = &source;
  int64_t shift_x = columns.first, shift_y = rows.first;
  if (&source == this) {
    int64_t w = columns.last - columns.first + 1, h = rows.last - rows.first + 1;
    snapshot = CDS_Grid(int32_t(w), int32_t(h));
    for (int64_t x = 0; x < w; ++x) {
      for (int64_t y = 0; y < h; ++y) snapshot.at(x, y) = at(columns.first + x, rows.first + y);
    }
    from = &snapshot;
    shift_x = shift_y = 0;
  }
  for (int64_t x = columns.first; x <= columns.last; ++x) {
    int64_t to_x = xpos + (x - columns.first);
    if (to_x < 0 || to_x >= width_) continue;
    for (int64_t y = rows.first; y <= rows.last; ++y) {
      int64_t to_y = ypos + (y - rows.first);
      if (to_y < 0 || to_y >= height_) continue;
      apply(operation, at(to_x, to_y),
            from->at(x - columns.first + shift_x, y - rows.first + shift_y));
    }
  }
}

CDS_Grid::RStatistics CDS_Grid::region_statistics(int64_t x1, int64_t y1, int64_t x2,
                                                  int64_t y2) const {
  RStatistics statistics;
  RRange columns, rows;
  clip(x1, x2, width_, columns);
  clip(y1, y2, height_, rows);
  for (int64_t x = columns.first; x <= columns.last; ++x) {
    for (int64_t y = rows.first; y <= rows.last; ++y) {
      const RValue& cell = at(x, y);
      if (is_text(cell)) continue;
      statistics.sum += cell.real;
      statistics.max = std::max(statistics.max, cell.real);
      statistics.min = std::min(statistics.min, cell.real);
      ++statistics.count;
    }
  }
  return statistics;
}

CDS_Grid::RStatistics CDS_Grid::disk_statistics(double xm, double ym, double r) const {
  RStatistics statistics;
  if (std::isnan(xm) || std::isnan(ym) || std::isnan(r)) return statistics;
  RRange columns = disk_columns(xm, r);
  for (int64_t x = columns.first; x <= columns.last; ++x) {
    RRange rows = disk_rows(x, xm, ym, r);
    // A column is contiguous in memory: the inner loop is a plain scan.
    const RValue* column = cells_.data() + size_t(x) * size_t(height_);
    for (int64_t y = rows.first; y <= rows.last; ++y) {
      const RValue& cell = column[y];
      if (is_text(cell)) continue;
      statistics.sum += cell.real;
      statistics.max = std::max(statistics.max, cell.real);
      statistics.min = std::min(statistics.min, cell.real);
      ++statistics.count;
    }
  }
  return statistics;
}

bool CDS_Grid::find_in_region(int64_t x1, int64_t y1, int64_t x2, int64_t y2, const RValue& value,
                              int64_t& found_x, int64_t& found_y) const {
  RRange columns, rows;
  clip(x1, x2, width_, columns);
  clip(y1, y2, height_, rows);
  for (int64_t x = columns.first; x <= columns.last; ++x) {
    for (int64_t y = rows.first; y <= rows.last; ++y) {
      if (compare_values(at(x, y), value) == 0) {
        found_x = x;
        found_y = y;
        return true;
      }
    }
  }
  return false;
}

bool CDS_Grid::find_in_disk(double xm, double ym, double r, const RValue& value, int64_t& found_x,
                            int64_t& found_y) const {
  bool found = false;
  for_disk(xm, ym, r, [&](int64_t x, int64_t y) {
    if (compare_values(at(x, y), value) != 0) return false;
    found_x = x;
    found_y = y;
    found = true;
    return true;
  });
  return found;
}

void CDS_Grid::shuffle() {
  if (cells_.empty()) return;
  uint64_t swaps = uint64_t(cells_.size()) * 8;
  for (uint64_t k = 0; k < swaps; ++k) {
    uint32_t x1 = random_below(uint32_t(width_));
    uint32_t y1 = random_below(uint32_t(height_));
    uint32_t x2 = random_below(uint32_t(width_));
    uint32_t y2 = random_below(uint32_t(height_));
    std::swap(at(x1, y1), at(x2, y2));
  }
}

void CDS_Grid::write(CStream& stream) const {
  write_int(stream, kCode);
  write_int(stream, width_);
  write_int(stream, height_);
  for (const RValue& cell : cells_) write_value(stream, cell);
}

DsRead CDS_Grid::read(CStream& stream) {
  if (read_int(stream) != kCode) return DsRead::kOtherKind;
  int32_t width = read_int(stream);
  int32_t height = read_int(stream);
  if (width < 0 || height < 0) throw DsFormatError();
  int64_t cells = int64_t(width) * int64_t(height);
  if (cells > kMaxGridCells || uint64_t(cells) > stream.remaining() / kMinValueBytes) {
    throw DsFormatError();
  }
  std::vector<RValue> values;
  read_values(stream, size_t(cells), values);
  expect_end(stream);
  width_ = width;
  height_ = height;
  cells_ = std::move(values);
  return DsRead::kRead;
}

}  // namespace vn
