// Grids for planning paths: a rectangle of the room cut into cells that are free or
// forbidden, and the breadth-first search for a path of cells across them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace vn {

constexpr int32_t kCellFree = 0;
constexpr int32_t kCellForbidden = -1;

struct RGridPoint {
  double x = 0;
  double y = 0;
  bool operator==(const RGridPoint&) const = default;
};

// The cells are kept column by column: cell (h, v) at h × vertical cells + v. They hold
// 0 (free) or -1 (forbidden); positive values are search marks and never outlive a
// search.
class CGrid {
 public:
  // Negative counts make an empty grid.
  CGrid(int32_t left, int32_t top, int32_t horizontal_cells, int32_t vertical_cells,
        int32_t cell_width, int32_t cell_height);

  int32_t left() const { return left_; }
  int32_t top() const { return top_; }
  int32_t horizontal_cells() const { return horizontal_; }
  int32_t vertical_cells() const { return vertical_; }
  int32_t cell_width() const { return cell_width_; }
  int32_t cell_height() const { return cell_height_; }

  bool contains(int64_t h, int64_t v) const {
    return h >= 0 && h < horizontal_ && v >= 0 && v < vertical_;
  }
  // 0 or -1; outside the grid -1.
  int32_t cell(int64_t h, int64_t v) const;
  // Cells outside the grid are left alone.
  void set_cell(int64_t h, int64_t v, int32_t value);
  void set_all(int32_t value);
  // Every cell from column (min x - left) div cell width to (max x - left) div cell width
  // and likewise for rows, the division truncating towards zero, and only the part that
  // lies within the grid.
  void set_rectangle(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int32_t value);

  // The column range a span of room x covers (as set_rectangle counts it); empty when
  // first > last.
  struct RRange {
    int64_t first = 0;
    int64_t last = -1;
  };
  RRange columns(int64_t x1, int64_t x2) const;
  RRange rows(int64_t y1, int64_t y2) const;

  // The breadth-first search between two room points, which must lie inside the grid in
  // free cells. On success the points run from the start through the centres of the
  // cells between to the goal; false leaves them alone. Allocates nothing once the grid
  // has made one search.
  bool find_path(int64_t start_x, int64_t start_y, int64_t goal_x, int64_t goal_y,
                 bool allow_diagonal, std::vector<RGridPoint>& points);

 private:
  bool cell_at(int64_t x, int64_t y, int32_t& index) const;
  RGridPoint centre(int32_t index) const;
  // The neighbour of a marked cell one step nearer the start, preferring the order of
  // the search; -1 when none.
  int32_t previous_cell(int32_t index, bool allow_diagonal) const;

  int32_t left_;
  int32_t top_;
  int32_t horizontal_;
  int32_t vertical_;
  int32_t cell_width_;
  int32_t cell_height_;
  std::vector<int32_t> cells_;
  // The search queue; it also lists every marked cell, so the marks are cleared from it.
  std::vector<int32_t> queue_;
};

// The grids of the game by id. A new grid takes the first empty slot.
int32_t create_grid(std::unique_ptr<CGrid> grid);
CGrid* grid_at(int64_t id);
void destroy_grid(int64_t id);
void destroy_all_grids();

}  // namespace vn
