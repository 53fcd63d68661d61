// The collision tests between an instance and a point, a rectangle, an ellipse, a line or
// another instance, and the collision phase of the step.
#pragma once

#include <cstdint>

namespace vn {

class CInstance;

// Each test rejects a destroyed instance and checks the bounding box first; with precise
// set it then asks the instance's mask.
bool instance_meets_point(const CInstance& instance, double x, double y, bool precise);
bool instance_meets_rectangle(const CInstance& instance, double x1, double y1, double x2, double y2,
                              bool precise);
bool instance_meets_ellipse(const CInstance& instance, double x1, double y1, double x2, double y2,
                            bool precise);
bool instance_meets_line(const CInstance& instance, double x1, double y1, double x2, double y2,
                         bool precise);
// Precise; never true for the same instance twice or a destroyed one.
bool instances_meet(const CInstance& a, const CInstance& b);
// How many instance-with-instance tests have been made since the program started.
uint64_t instance_tests_made();

// Whether the instance, put at (x, y) for the test, meets no solid instance of the room
// (solid_only) or no instance at all. It is back at its place afterwards.
bool place_is_free(CInstance& instance, double x, double y, bool solid_only);

// Puts an instance at a place for the time of a test, then back where it was.
class CTestPlace {
 public:
  CTestPlace(CInstance& instance, double x, double y);
  ~CTestPlace();
  CTestPlace(const CTestPlace&) = delete;
  CTestPlace& operator=(const CTestPlace&) = delete;

 private:
  CInstance& instance_;
  double x_;
  double y_;
};

// How the collision phase finds the instances of a pair that may meet: every pair of the
// two lists, or a grid over their bounding boxes. Both give the same events in the same
// order; automatic takes the grid for long lists.
enum class CollisionSearch { kAutomatic, kWalk, kGrid };

// Solid instances are put back, then the collision events run, pair by pair.
void perform_collision_phase(CollisionSearch search = CollisionSearch::kAutomatic);

}  // namespace vn
