#include "world/Collision_Main.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "graphics/Sprite_Collision.h"
#include "world/Event_Main.h"
#include "world/Instance_Class.h"
#include "world/Motion_Main.h"
#include "world/Room_Main.h"
#include "world/Run_Global.h"
#include "world/Run_Main.h"

namespace vn {

namespace {

RMaskPlacement placement_of(const CInstance& instance) {
  RPixelBox box{instance.bbox_left, instance.bbox_top, instance.bbox_right, instance.bbox_bottom};
  return place_sprite(sprite_at(instance.mask_sprite()), instance.image_index, instance.x,
                      instance.y, instance.image_xscale, instance.image_yscale,
                      instance.image_angle, box);
}

bool box_overlaps(const CInstance& instance, double x1, double y1, double x2, double y2) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  return x1 <= instance.bbox_right && x2 >= instance.bbox_left && y1 <= instance.bbox_bottom &&
         y2 >= instance.bbox_top;
}

bool inside_ellipse(double px, double py, double cx, double cy, double rx, double ry) {
  double dx = (px - cx) / rx;
  double dy = (py - cy) / ry;
  return dx * dx + dy * dy <= 1;
}

}  // namespace

bool instance_meets_point(const CInstance& instance, double x, double y, bool precise) {
  if (instance.destroyed) return false;
  if (!(instance.bbox_left <= x && x < instance.bbox_right + 1 && instance.bbox_top <= y &&
        y < instance.bbox_bottom + 1)) {
    return false;
  }
  return !precise || mask_meets_point(placement_of(instance), round_to_pixel(x), round_to_pixel(y));
}

bool instance_meets_rectangle(const CInstance& instance, double x1, double y1, double x2, double y2,
                              bool precise) {
  if (instance.destroyed || !box_overlaps(instance, x1, y1, x2, y2)) return false;
  return !precise ||
         mask_meets_rectangle(placement_of(instance), round_to_pixel(x1), round_to_pixel(y1),
                              round_to_pixel(x2), round_to_pixel(y2));
}

bool instance_meets_ellipse(const CInstance& instance, double x1, double y1, double x2, double y2,
                            bool precise) {
  if (instance.destroyed || !box_overlaps(instance, x1, y1, x2, y2)) return false;
  int left = round_to_pixel(std::min(x1, x2));
  int right = round_to_pixel(std::max(x1, x2));
  int top = round_to_pixel(std::min(y1, y2));
  int bottom = round_to_pixel(std::max(y1, y2));
  if (left == right || top == bottom) {
    return !precise || mask_meets_rectangle(placement_of(instance), left, top, right, bottom);
  }
  double cx = (left + right) / 2.0;
  double cy = (top + bottom) / 2.0;
  double rx = (right - left) / 2.0;
  double ry = (bottom - top) / 2.0;
  bool touches = (instance.bbox_left <= cx && cx <= instance.bbox_right) ||
                 (instance.bbox_top <= cy && cy <= instance.bbox_bottom) ||
                 inside_ellipse(instance.bbox_left, instance.bbox_top, cx, cy, rx, ry) ||
                 inside_ellipse(instance.bbox_right, instance.bbox_top, cx, cy, rx, ry) ||
                 inside_ellipse(instance.bbox_left, instance.bbox_bottom, cx, cy, rx, ry) ||
                 inside_ellipse(instance.bbox_right, instance.bbox_bottom, cx, cy, rx, ry);
  if (!touches) return false;
  return !precise || mask_meets_ellipse(placement_of(instance), left, top, right, bottom);
}

bool instance_meets_line(const CInstance& instance, double x1, double y1, double x2, double y2,
                         bool precise) {
  if (instance.destroyed || !box_overlaps(instance, x1, y1, x2, y2)) return false;
  double low = instance.bbox_left;
  double high = instance.bbox_right + 1.0;
  double ya = y1;
  double yb = y2;
  if (x1 != x2) {
    double t0 = (low - x1) / (x2 - x1);
    double t1 = (high - x1) / (x2 - x1);
    if (t0 > t1) std::swap(t0, t1);
    t0 = std::max(t0, 0.0);
    t1 = std::min(t1, 1.0);
    if (t0 > t1) return false;
    ya = y1 + (y2 - y1) * t0;
    yb = y1 + (y2 - y1) * t1;
  } else if (x1 < low || x1 > high) {
    return false;
  }
  if (std::max(ya, yb) < instance.bbox_top || std::min(ya, yb) >= instance.bbox_bottom + 1.0) {
    return false;
  }
  return !precise || mask_meets_line(placement_of(instance), x1, y1, x2, y2);
}

namespace {
uint64_t instance_tests = 0;
}  // namespace

uint64_t instance_tests_made() { return instance_tests; }

bool instances_meet(const CInstance& a, const CInstance& b) {
  ++instance_tests;
  if (&a == &b || a.destroyed || b.destroyed) return false;
  if (a.bbox_left > b.bbox_right || b.bbox_left > a.bbox_right || a.bbox_top > b.bbox_bottom ||
      b.bbox_top > a.bbox_bottom) {
    return false;
  }
  return masks_meet(placement_of(a), placement_of(b));
}

CTestPlace::CTestPlace(CInstance& instance, double x, double y)
    : instance_(instance), x_(instance.x), y_(instance.y) {
  instance.set_position(x, y);
}

CTestPlace::~CTestPlace() { instance_.set_position(x_, y_); }

bool place_is_free(CInstance& instance, double x, double y, bool solid_only) {
  CLiveRoom* room = current_room();
  if (!room) return true;
  CTestPlace place(instance, x, y);
  for (const auto& other : room->instances()) {
    if ((other->solid || !solid_only) && instances_meet(instance, *other)) return false;
  }
  return true;
}

namespace {

constexpr size_t kGridFrom = 16;  // list length from which automatic takes the grid
constexpr int kCellShift = 6;     // cells of 64 × 64 pixels
constexpr int kMostCells = 256;   // a wider box is kept outside the cells

void put_back(CInstance& instance) {
  instance.path_position = std::clamp(instance.path_positionprevious, 0.0, 1.0);
  instance.set_position(instance.xprevious, instance.yprevious);
}

// The entries of one object's list by the cells their boxes cover. It stays good while no
// box changes but those the phase itself makes, whose entries are filed again under their
// new cells (the old entries only add candidates that are then tested and refused).
class CPairGrid {
 public:
  void build(const std::vector<CInstance*>& list) {
    cells_.clear();
    always_.clear();
    size_ = list.size();
    for (size_t k = 0; k < list.size(); ++k) file(k, *list[k]);
    changes_ = CInstance::box_changes();
    valid_ = true;
  }
  bool valid(size_t list_size) const {
    return valid_ && list_size == size_ && changes_ == CInstance::box_changes();
  }
  void invalidate() { valid_ = false; }
  // The entry moved by the phase; the grid stays good.
  void moved(size_t k, const CInstance& instance) {
    if (!valid_) return;
    file(k, instance);
    changes_ = CInstance::box_changes();
  }

  // The positions from first on whose entries may meet the box, in order.
  const std::vector<size_t>& query(const CInstance& a, size_t first) {
    found_.clear();
    for (size_t k : always_) {
      if (k >= first) found_.push_back(k);
    }
    if (a.bbox_left != kNoBox) {
      int x0 = a.bbox_left >> kCellShift, x1 = a.bbox_right >> kCellShift;
      int y0 = a.bbox_top >> kCellShift, y1 = a.bbox_bottom >> kCellShift;
      if (int64_t(x1 - x0 + 1) * (y1 - y0 + 1) > kMostCells) {
        for (size_t k = first; k < size_; ++k) found_.push_back(k);
      } else {
        for (int cx = x0; cx <= x1; ++cx) {
          for (int cy = y0; cy <= y1; ++cy) {
            auto at = cells_.find(key(cx, cy));
            if (at == cells_.end()) continue;
            for (size_t k : at->second) {
              if (k >= first) found_.push_back(k);
            }
          }
        }
      }
    }
    std::sort(found_.begin(), found_.end());
    found_.erase(std::unique(found_.begin(), found_.end()), found_.end());
    return found_;
  }

 private:
  void file(size_t k, const CInstance& b) {
    if (b.destroyed || b.bbox_left == kNoBox) return;  // meets nothing
    int x0 = b.bbox_left >> kCellShift, x1 = b.bbox_right >> kCellShift;
    int y0 = b.bbox_top >> kCellShift, y1 = b.bbox_bottom >> kCellShift;
    if (int64_t(x1 - x0 + 1) * (y1 - y0 + 1) > kMostCells) {
      always_.push_back(k);
      return;
    }
    for (int cx = x0; cx <= x1; ++cx) {
      for (int cy = y0; cy <= y1; ++cy) cells_[key(cx, cy)].push_back(k);
    }
  }
  static int64_t key(int cx, int cy) { return (int64_t(cx) << 32) ^ uint32_t(cy); }
  std::unordered_map<int64_t, std::vector<size_t>> cells_;
  std::vector<size_t> always_;
  std::vector<size_t> found_;
  size_t size_ = 0;
  uint64_t changes_ = 0;
  bool valid_ = false;
};

// The two collision events of a pair of objects, looked up once for the pair.
struct RPairEvents {
  RFoundEvent first;   // of object i for object j
  RFoundEvent second;  // of object j for object i
};

// One meeting of A and B: the put-backs and the events. True when the events changed a
// bounding box or an instance list, which only A and B's own moves do not.
bool collide(CInstance& a, CInstance& b, const RPairEvents& events) {
  if (a.solid || b.solid) {
    put_back(a);
    put_back(b);
  }
  int32_t a_object = a.object_index;
  int32_t b_object = b.object_index;
  uint64_t before = CInstance::box_changes();
  if (events.first.event) perform_found_event(&a, &b, events.first, kEventCollision, b_object);
  if (!request_pending() && events.second.event) {
    perform_found_event(&b, &a, events.second, kEventCollision, a_object);
  }
  bool changed = CInstance::box_changes() != before;
  // Read again: an event may have made one of them solid or not.
  if (request_pending() || !(a.solid || b.solid)) return changed;
  // The end of a path is not reported from here.
  advance_path(a);
  advance_path(b);
  a.set_position(a.x + a.hspeed, a.y + a.vspeed);
  b.set_position(b.x + b.hspeed, b.y + b.vspeed);
  if (instances_meet(a, b)) {
    put_back(a);
    put_back(b);
  }
  return changed;
}

}  // namespace

void perform_collision_phase(CollisionSearch search) {
  CLiveRoom* room = current_room();
  if (!room) return;
  // Events may rebuild the pair list; walk a copy, as the phase started with it.
  std::vector<std::pair<int32_t, int32_t>> pairs = world_state().collision_pairs;
  CPairGrid grid;
  for (const auto& [i, j] : pairs) {
    RPairEvents events{find_event(i, kEventCollision, j), find_event(j, kEventCollision, i)};
    grid.invalidate();
    for (size_t ai = 0; ai < room->own_list(i).size(); ++ai) {
      CInstance* a = room->own_list(i)[ai];
      if (a->destroyed) continue;
      size_t next = i == j ? ai : 0;
      while (true) {
        const std::vector<CInstance*>& others = room->own_list(j);
        if (next >= others.size() || a->destroyed) break;
        bool use_grid = search == CollisionSearch::kGrid ||
                        (search == CollisionSearch::kAutomatic && others.size() >= kGridFrom);
        size_t k = next;
        if (use_grid) {
          if (!grid.valid(others.size())) grid.build(others);
          const std::vector<size_t>& candidates = grid.query(*a, next);
          auto hit = std::find_if(candidates.begin(), candidates.end(),
                                  [&](size_t c) { return instances_meet(*a, *others[c]); });
          if (hit == candidates.end()) break;
          k = *hit;
        } else if (!instances_meet(*a, *others[k])) {
          next = k + 1;
          continue;
        }
        CInstance& b = *others[k];
        if (collide(*a, b, events)) {
          grid.invalidate();
        } else {
          // Only the two of this meeting can have moved.
          grid.moved(k, b);
          if (i == j) grid.moved(ai, *a);
        }
        if (request_pending()) return;
        next = k + 1;
      }
    }
  }
}

}  // namespace vn
