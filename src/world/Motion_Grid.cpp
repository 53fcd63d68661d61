#include "world/Motion_Grid.h"

#include <algorithm>
#include <utility>

namespace vn {

CGrid::CGrid(int32_t left, int32_t top, int32_t horizontal_cells, int32_t vertical_cells,
             int32_t cell_width, int32_t cell_height)
    : left_(left),
      top_(top),
      horizontal_(std::max(horizontal_cells, 0)),
      vertical_(std::max(vertical_cells, 0)),
      cell_width_(cell_width),
      cell_height_(cell_height),
      cells_(size_t(horizontal_) * size_t(vertical_), kCellFree) {}

int32_t CGrid::cell(int64_t h, int64_t v) const {
  return contains(h, v) ? cells_[size_t(h * vertical_ + v)] : kCellForbidden;
}

void CGrid::set_cell(int64_t h, int64_t v, int32_t value) {
  if (contains(h, v)) cells_[size_t(h * vertical_ + v)] = value;
}

void CGrid::set_all(int32_t value) { std::fill(cells_.begin(), cells_.end(), value); }

namespace {

// Room coordinates far outside any grid are brought nearer, so subtracting the grid's
// corner cannot overflow; they stay as far outside.
constexpr int64_t kFarthest = int64_t(1) << 40;
int64_t near_grid(int64_t coordinate) { return std::clamp(coordinate, -kFarthest, kFarthest); }

// The cells from (low - origin) div size to (high - origin) div size, truncating towards
// zero as the original division does, so a span just left of the grid still reaches cell 0.
CGrid::RRange cell_range(int64_t a, int64_t b, int64_t origin, int64_t size, int64_t count) {
  if (size <= 0 || count <= 0) return {};
  a = near_grid(a);
  b = near_grid(b);
  int64_t first = (std::min(a, b) - origin) / size;
  int64_t last = (std::max(a, b) - origin) / size;
  return {std::max<int64_t>(first, 0), std::min<int64_t>(last, count - 1)};
}

}  // namespace

CGrid::RRange CGrid::columns(int64_t x1, int64_t x2) const {
  return cell_range(x1, x2, left_, cell_width_, horizontal_);
}

CGrid::RRange CGrid::rows(int64_t y1, int64_t y2) const {
  return cell_range(y1, y2, top_, cell_height_, vertical_);
}

void CGrid::set_rectangle(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int32_t value) {
  RRange across = columns(x1, x2);
  RRange down = rows(y1, y2);
  for (int64_t h = across.first; h <= across.last; ++h) {
    for (int64_t v = down.first; v <= down.last; ++v) cells_[size_t(h * vertical_ + v)] = value;
  }
}

bool CGrid::cell_at(int64_t x, int64_t y, int32_t& index) const {
  x = near_grid(x);
  y = near_grid(y);
  if (cell_width_ <= 0 || cell_height_ <= 0 || x < left_ || y < top_) return false;
  int64_t h = (x - left_) / cell_width_;
  int64_t v = (y - top_) / cell_height_;
  if (!contains(h, v)) return false;
  index = int32_t(h * vertical_ + v);
  return true;
}

RGridPoint CGrid::centre(int32_t index) const {
  int32_t h = index / vertical_;
  int32_t v = index % vertical_;
  return {double(int64_t(left_) + int64_t(h) * cell_width_ + cell_width_ / 2),
          double(int64_t(top_) + int64_t(v) * cell_height_ + cell_height_ / 2)};
}

int32_t CGrid::previous_cell(int32_t index, bool allow_diagonal) const {
  const int32_t wanted = cells_[size_t(index)] - 1;
  const int32_t h = index / vertical_;
  const int32_t v = index % vertical_;
  const int32_t column = vertical_;
  auto marked = [&](bool inside, int32_t at) { return inside && cells_[size_t(at)] == wanted; };
  auto open = [&](bool inside, int32_t at) {
    return inside && cells_[size_t(at)] != kCellForbidden;
  };
  bool has_left = h > 0, has_right = h + 1 < horizontal_;
  bool has_up = v > 0, has_down = v + 1 < vertical_;
  if (marked(has_left, index - column)) return index - column;
  if (marked(has_right, index + column)) return index + column;
  if (marked(has_up, index - 1)) return index - 1;
  if (marked(has_down, index + 1)) return index + 1;
  if (!allow_diagonal) return -1;
  // A diagonal step back is taken only past two open cells, as the search went forward;
  // a cell of the right value behind a forbidden corner is not where the search came from.
  bool left = open(has_left, index - column), right = open(has_right, index + column);
  bool up = open(has_up, index - 1), down = open(has_down, index + 1);
  if (left && down && marked(true, index - column + 1)) return index - column + 1;
  if (right && down && marked(true, index + column + 1)) return index + column + 1;
  if (left && up && marked(true, index - column - 1)) return index - column - 1;
  if (right && up && marked(true, index + column - 1)) return index + column - 1;
  return -1;
}

bool CGrid::find_path(int64_t start_x, int64_t start_y, int64_t goal_x, int64_t goal_y,
                      bool allow_diagonal, std::vector<RGridPoint>& points) {
  int32_t start = 0, goal = 0;
  if (!cell_at(start_x, start_y, start) || !cell_at(goal_x, goal_y, goal)) return false;
  if (cells_[size_t(start)] != kCellFree || cells_[size_t(goal)] != kCellFree) return false;

  // Every cell is queued at most once, so this capacity is all the search ever needs.
  queue_.reserve(cells_.size());
  queue_.clear();
  auto mark = [&](int32_t at, int32_t value) {
    cells_[size_t(at)] = value;
    queue_.push_back(at);
  };
  mark(start, 1);
  const int32_t column = vertical_;
  bool found = false;
  for (size_t head = 0; head < queue_.size(); ++head) {
    const int32_t at = queue_[head];
    if (at == goal) {
      found = true;
      break;
    }
    const int32_t h = at / column;
    const int32_t v = at % column;
    const int32_t next = cells_[size_t(at)] + 1;
    // Whether each side was free before this cell marked any of them: the diagonals
    // depend on that, not on what this cell then marks.
    const bool left = h > 0 && cells_[size_t(at - column)] == kCellFree;
    const bool right = h + 1 < horizontal_ && cells_[size_t(at + column)] == kCellFree;
    const bool up = v > 0 && cells_[size_t(at - 1)] == kCellFree;
    const bool down = v + 1 < vertical_ && cells_[size_t(at + 1)] == kCellFree;
    if (left) mark(at - column, next);
    if (right) mark(at + column, next);
    if (up) mark(at - 1, next);
    if (down) mark(at + 1, next);
    if (!allow_diagonal) continue;
    auto diagonal = [&](bool beside, int32_t to) {
      if (beside && cells_[size_t(to)] == kCellFree) mark(to, next);
    };
    diagonal(left && down, at - column + 1);
    diagonal(left && up, at - column - 1);
    diagonal(right && down, at + column + 1);
    diagonal(right && up, at + column - 1);
  }

  if (found) {
    points.clear();
    points.push_back({double(goal_x), double(goal_y)});
    for (int32_t at = goal; at != start;) {
      at = previous_cell(at, allow_diagonal);
      if (at < 0) break;  // cannot happen: every marked cell was reached from one
      if (at != start) points.push_back(centre(at));
    }
    points.push_back({double(start_x), double(start_y)});
    std::reverse(points.begin(), points.end());
  }
  for (int32_t at : queue_) cells_[size_t(at)] = kCellFree;
  return found;
}

namespace {

std::vector<std::unique_ptr<CGrid>>& grids() {
  static std::vector<std::unique_ptr<CGrid>> list;
  return list;
}

}  // namespace

int32_t create_grid(std::unique_ptr<CGrid> grid) {
  std::vector<std::unique_ptr<CGrid>>& list = grids();
  auto empty = std::find(list.begin(), list.end(), nullptr);
  if (empty != list.end()) {
    *empty = std::move(grid);
    return int32_t(empty - list.begin());
  }
  list.push_back(std::move(grid));
  return int32_t(list.size()) - 1;
}

CGrid* grid_at(int64_t id) {
  std::vector<std::unique_ptr<CGrid>>& list = grids();
  return id >= 0 && size_t(id) < list.size() ? list[size_t(id)].get() : nullptr;
}

void destroy_grid(int64_t id) {
  std::vector<std::unique_ptr<CGrid>>& list = grids();
  if (id >= 0 && size_t(id) < list.size()) list[size_t(id)].reset();
}

void destroy_all_grids() { grids().clear(); }

}  // namespace vn
