// Particle games played headless by vn run: a scene shot to see systems drawn at their depth
// among instances and tiles, built-in shapes coloured, additive blending and a seeded
// emitter burst; and the counts a game's own scripts read as its systems live.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "Test_Support.h"
#include "graphics/Frame_Test_Support.h"

namespace vn::test {
namespace {

using frames::expect_golden;
using frames::shoot;

TEST(ParticleFrames, SystemsAreDrawnAtTheirDepth) {
  const TBitmap32 frame = shoot("particles", 1, "--seed 7");
  EXPECT_RGB(frame, 2, 8, 0x0000FF);    // the blue square of the system at the tile's depth
  EXPECT_RGB(frame, 8, 8, 0x00FF00);    // the tile at the same depth over it
  EXPECT_RGB(frame, 16, 8, 0x000000);   // past the square's edge
  EXPECT_RGB(frame, 21, 8, 0xFFFFFF);   // the white square of the system at depth 0 ...
  EXPECT_RGB(frame, 28, 8, 0xFF0000);   // ... behind the instance of the same depth
  EXPECT_RGB(frame, 38, 22, 0xFF00FF);  // a red disk added onto the blue instance
  EXPECT_RGB(frame, 41, 22, 0x000000);
  expect_golden("particles", frame);
}

// The lines the counting game prints in 24 steps with that seed.
std::string counts(int seed) {
  const RCommandResult run =
      run_command("env -u DISPLAY -u WAYLAND_DISPLAY " + quoted(VN_PATH) +
                  " run --headless --fixed-clock --steps 24 --seed " + std::to_string(seed) + " " +
                  quoted(frames::case_folder("particles_counts")));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  return run.out;
}

// A stream of 3 a step of particles living 10 steps fills up to 30 and empties after the
// stream stops; a system without automatic update keeps its particles; a chance of one in
// two over 41 tries depends on the seed alone.
TEST(ParticleGames, CountsFollowLivesStreamsAndTheSeed) {
  const std::string first = counts(3);
  std::istringstream lines(first);
  std::vector<int> streamed;
  std::vector<int> chanced;
  int a = 0, b = 0;
  while (lines >> a >> b) {
    streamed.push_back(a);
    chanced.push_back(b);
  }
  const std::vector<int> expected = {0,  3,  6,  9,  12, 15, 18, 21, 24, 27, 30, 27,
                                     24, 21, 18, 15, 12, 9,  6,  3,  0,  0,  0,  0};
  EXPECT_EQ(streamed, expected);
  ASSERT_EQ(chanced.size(), 24u);
  EXPECT_GT(chanced[0], 8);
  EXPECT_LT(chanced[0], 33);
  for (int count : chanced) EXPECT_EQ(count, chanced[0]);
  EXPECT_EQ(counts(3), first);
}

// The drag-and-drop particle actions: types, colours, lives and secondary particles by the
// game's own numbers, a stream from an emitter whose region follows the instance when the
// action is relative, and a restart that starts without any of them.
TEST(ParticleGames, ActionsBuildSystemsTypesAndEmitters) {
  const RCommandResult run = run_command("env -u DISPLAY -u WAYLAND_DISPLAY " + quoted(VN_PATH) +
                                         " run --headless --fixed-clock --steps 30 --seed 3 " +
                                         quoted(frames::case_folder("particle_actions")));
  ASSERT_EQ(run.status, 0) << run.err;
  std::istringstream lines(run.out);
  std::vector<int> counts;
  std::vector<int> steps;
  int step = 0, count = 0, other_system = 0;
  while (lines >> step >> count >> other_system) {
    steps.push_back(step);
    counts.push_back(count);
    EXPECT_EQ(other_system, 0) << "the actions made a second system";
  }
  // 20 a step living 10 steps; at step 3 a burst of 2 short-lived particles that each leave
  // 4 of the streamed type when they die; the stream stops at step 12.
  const std::vector<int> expected = {0,   20,  40,  60,  88,  108, 128, 148, 168, 188,
                                     208, 208, 208, 188, 160, 140, 120, 100, 80,  60,
                                     40,  20,  0,   0,   0,   0,   20,  40,  60,  88};
  EXPECT_EQ(counts, expected);
  ASSERT_EQ(steps.size(), 30u);
  EXPECT_EQ(steps[25], 0) << "the game started again";

  const TBitmap32 frame = shoot("particle_actions", 8, "--seed 3");
  EXPECT_RGB(frame, 48, 48, 0xFF0000);  // inside the region moved to the instance at (40, 40)
  EXPECT_RGB(frame, 24, 24, 0x000000);
  EXPECT_RGB(frame, 60, 4, 0x000000);
}

}  // namespace
}  // namespace vn::test
