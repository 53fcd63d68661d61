#include "world/Function_Planning.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Draw.h"
#include "script/Code_Error.h"
#include "script/Code_Function.h"
#include "script/Code_Value.h"
#include "world/Collision_Main.h"
#include "world/Instance_Class.h"
#include "world/Instance_Match.h"
#include "world/Motion_Grid.h"
#include "world/Motion_Potential.h"
#include "world/Path_Class.h"
#include "world/Run_Global.h"

namespace vn {

namespace {

using arguments::boolean;
using arguments::integer;
using arguments::number;
using arguments::rounded;

using Self = CInstanceBase*;
using Args = const RValue*;

constexpr int32_t kForbiddenColor = 255;  // red
constexpr int32_t kFreeColor = 32768;     // green
// 4096 × 4096 cells: a grid and its search queue then take 128 MB.
constexpr int64_t kMostGridCells = int64_t(1) << 24;

// The path a planner writes into, or null after reporting that there is none.
CPath* path_to_write(const RValue& argument) {
  CPath* path = world_resources().paths ? world_resources().paths->get(rounded(argument)) : nullptr;
  if (!path) report_runtime_error("Trying to assign to a non-existing path.", false);
  return path;
}

double result_of(bool value) { return value ? 1.0 : 0.0; }

RObstacles solid_or_all(const RValue& check_all) {
  return {kMatchAll, boolean(check_all), nullptr};
}
RObstacles of_object(const RValue& object, Self other) { return {integer(object), false, other}; }

using Step = bool (*)(CInstance&, double, double, double, const RObstacles&);

void step(Self self, Args a, RValue& r, Step how, const RObstacles& obstacles) {
  r = 0.0;
  if (CInstance* instance = as_instance(self)) {
    r = result_of(how(*instance, number(a[0]), number(a[1]), number(a[2]), obstacles));
  }
}

void straight_path(Self self, Args a, RValue& r, const RObstacles& obstacles) {
  r = 0.0;
  CPath* path = path_to_write(a[0]);
  CInstance* instance = as_instance(self);
  if (!path || !instance) return;
  r = result_of(linear_path(*instance, *path, number(a[1]), number(a[2]), number(a[3]), obstacles));
}

void field_path(Self self, Args a, RValue& r, const RObstacles& obstacles) {
  r = 0.0;
  CPath* path = path_to_write(a[0]);
  CInstance* instance = as_instance(self);
  if (!path || !instance) return;
  r = result_of(potential_path(*instance, *path, number(a[1]), number(a[2]), number(a[3]),
                               number(a[4]), obstacles));
}

void fn_mp_grid_create(Self, Self, int, Args a, RValue& r) {
  int32_t horizontal = integer(a[2]), vertical = integer(a[3]);
  if (int64_t(std::max(horizontal, 0)) * int64_t(std::max(vertical, 0)) > kMostGridCells) {
    report_runtime_error("Cannot create a grid of " + std::to_string(horizontal) + " by " +
                             std::to_string(vertical) + " cells.",
                         false);
    r = -1.0;
    return;
  }
  r = double(create_grid(std::make_unique<CGrid>(integer(a[0]), integer(a[1]), horizontal, vertical,
                                                 integer(a[4]), integer(a[5]))));
}

void set_grid_rectangle(Args a, int32_t value) {
  if (CGrid* grid = grid_at(rounded(a[0]))) {
    grid->set_rectangle(rounded(a[1]), rounded(a[2]), rounded(a[3]), rounded(a[4]), value);
  }
}

void set_grid_cell(Args a, int32_t value) {
  if (CGrid* grid = grid_at(rounded(a[0]))) grid->set_cell(rounded(a[1]), rounded(a[2]), value);
}

// Every cell under the instance's bounding box is forbidden; precisely, only the free ones
// whose rectangle its mask meets.
void forbid_under(CGrid& grid, const CInstance& instance, bool precise) {
  CGrid::RRange across = grid.columns(instance.bbox_left, instance.bbox_right);
  CGrid::RRange down = grid.rows(instance.bbox_top, instance.bbox_bottom);
  for (int64_t h = across.first; h <= across.last; ++h) {
    for (int64_t v = down.first; v <= down.last; ++v) {
      if (precise) {
        if (grid.cell(h, v) != kCellFree) continue;
        double x0 = double(grid.left() + h * grid.cell_width());
        double y0 = double(grid.top() + v * grid.cell_height());
        if (!instance_meets_rectangle(instance, x0, y0, x0 + grid.cell_width() - 1,
                                      y0 + grid.cell_height() - 1, true)) {
          continue;
        }
      }
      grid.set_cell(h, v, kCellForbidden);
    }
  }
}

void fn_mp_grid_add_instances(Self self, Self other, int, Args a, RValue&) {
  CGrid* grid = grid_at(rounded(a[0]));
  if (!grid) return;
  bool precise = boolean(a[2]);
  for_each_match(self, other, integer(a[1]), [&](CInstance* instance) {
    forbid_under(*grid, *instance, precise);
    return true;
  });
}

void fn_mp_grid_path(Self, Self, int, Args a, RValue& r) {
  r = 0.0;
  CGrid* grid = grid_at(rounded(a[0]));
  if (!grid) return;
  CPath* path = path_to_write(a[1]);
  if (!path) return;
  std::vector<RGridPoint> points;
  if (!grid->find_path(rounded(a[2]), rounded(a[3]), rounded(a[4]), rounded(a[5]), boolean(a[6]),
                       points)) {
    return;
  }
  path->clear_points();
  path->set_kind(kPathStraight);
  path->set_closed(false);
  for (const RGridPoint& point : points) path->add_point(point.x, point.y, 100);
  r = 1.0;
}

void fn_mp_grid_draw(Self, Self, int, Args a, RValue&) {
  const CGrid* grid = grid_at(rounded(a[0]));
  if (!grid || grid->cell_width() <= 0 || grid->cell_height() <= 0) return;
  const RQuadColors forbidden = same_colors(device_color(kForbiddenColor, draw_alpha()));
  const RQuadColors free = same_colors(device_color(kFreeColor, draw_alpha()));
  const double width = grid->cell_width(), height = grid->cell_height();
  for (int32_t h = 0; h < grid->horizontal_cells(); ++h) {
    for (int32_t v = 0; v < grid->vertical_cells(); ++v) {
      double x = grid->left() + h * width, y = grid->top() + v * height;
      draw_rectangle(x, y, x + width - 1, y + height - 1,
                     grid->cell(h, v) == kCellForbidden ? forbidden : free, false);
    }
  }
}

struct RPlanningFunction {
  const char* name;
  FunctionHandler handler;
  int argument_count;
};

const RPlanningFunction kFunctions[] = {
    {"mp_linear_step",
     [](Self self, Self, int, Args a, RValue& r) {
       step(self, a, r, linear_step, solid_or_all(a[3]));
     },
     4},
    {"mp_linear_step_object",
     [](Self self, Self other, int, Args a, RValue& r) {
       step(self, a, r, linear_step, of_object(a[3], other));
     },
     4},
    {"mp_potential_step",
     [](Self self, Self, int, Args a, RValue& r) {
       step(self, a, r, potential_step, solid_or_all(a[3]));
     },
     4},
    {"mp_potential_step_object",
     [](Self self, Self other, int, Args a, RValue& r) {
       step(self, a, r, potential_step, of_object(a[3], other));
     },
     4},
    {"mp_linear_path",
     [](Self self, Self, int, Args a, RValue& r) { straight_path(self, a, r, solid_or_all(a[4])); },
     5},
    {"mp_linear_path_object",
     [](Self self, Self other, int, Args a, RValue& r) {
       straight_path(self, a, r, of_object(a[4], other));
     },
     5},
    {"mp_potential_path",
     [](Self self, Self, int, Args a, RValue& r) { field_path(self, a, r, solid_or_all(a[5])); },
     6},
    {"mp_potential_path_object",
     [](Self self, Self other, int, Args a, RValue& r) {
       field_path(self, a, r, of_object(a[5], other));
     },
     6},
    {"mp_potential_settings",
     [](Self, Self, int, Args a, RValue&) {
       set_potential_settings(number(a[0]), number(a[1]), number(a[2]), boolean(a[3]));
     },
     4},
    {"mp_grid_create", fn_mp_grid_create, 6},
    {"mp_grid_destroy", [](Self, Self, int, Args a, RValue&) { destroy_grid(rounded(a[0])); }, 1},
    {"mp_grid_clear_all",
     [](Self, Self, int, Args a, RValue&) {
       if (CGrid* grid = grid_at(rounded(a[0]))) grid->set_all(kCellFree);
     },
     1},
    {"mp_grid_clear_cell", [](Self, Self, int, Args a, RValue&) { set_grid_cell(a, kCellFree); },
     3},
    {"mp_grid_clear_rectangle",
     [](Self, Self, int, Args a, RValue&) { set_grid_rectangle(a, kCellFree); }, 5},
    {"mp_grid_add_cell", [](Self, Self, int, Args a, RValue&) { set_grid_cell(a, kCellForbidden); },
     3},
    {"mp_grid_add_rectangle",
     [](Self, Self, int, Args a, RValue&) { set_grid_rectangle(a, kCellForbidden); }, 5},
    {"mp_grid_add_instances", fn_mp_grid_add_instances, 3},
    {"mp_grid_path", fn_mp_grid_path, 7},
    {"mp_grid_draw", fn_mp_grid_draw, 1},
};

static_assert(std::size(kFunctions) == 19, "the motion-planning functions");

}  // namespace

void register_planning_functions() {
  for (const RPlanningFunction& function : kFunctions) {
    register_function(function.name, function.handler, function.argument_count);
  }
}

void reset_motion_planning() {
  destroy_all_grids();
  reset_potential_settings();
}

}  // namespace vn
