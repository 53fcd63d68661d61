// vn run --shot and --desktop: which frame a shot holds, steps never reached, bad values.
#include <gtest/gtest.h>

#include <filesystem>

#include "Test_Support.h"
#include "graphics/BM32_File.h"

namespace vn::test {
namespace {

namespace fs = std::filesystem;

std::string vn_run(const std::string& arguments) {
  return "env -u DISPLAY -u WAYLAND_DISPLAY " + quoted(VN_PATH) + " run --headless " + arguments;
}

fs::path shot_steps_game() {
  return fs::path(VN_SOURCE_DIR) / "tests" / "graphics" / "frames" / "shot_steps";
}

uint32_t corner(const fs::path& file) {
  TBitmap32 frame;
  std::string error;
  EXPECT_TRUE(load_image_file(file, frame, &error)) << error;
  return frame.pixel(0, 0);
}

// A sprite of a red and a blue frame, animating one frame a step: the frame of step k is
// drawn before animation moves on, so step 1 still shows frame 0. From step 3 on the game
// stops drawing, and the shots keep showing the last frame presented.
TEST(VnShot, EachShotHoldsTheFrameOfItsStep) {
  ScratchDir scratch("vn_shot_steps");
  const RCommandResult run = run_command(vn_run(
      "--fixed-clock --steps 4 --shot 1:" + quoted(scratch / "one.png") +
      " --shot 2:" + quoted(scratch / "two.png") + " --shot 4:" + quoted(scratch / "four.png") +
      " --shot 2:" + quoted(scratch / "again.png") + " " + quoted(shot_steps_game())));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(corner(scratch / "one.png"), 0xFFFF0000u);
  EXPECT_EQ(corner(scratch / "two.png"), 0xFF0000FFu);
  EXPECT_EQ(corner(scratch / "again.png"), 0xFF0000FFu);
  // Step 3 would draw frame 0 again, step 4 frame 1: neither is drawn.
  EXPECT_EQ(corner(scratch / "four.png"), 0xFF0000FFu);
}

TEST(VnShot, AStepNeverReachedWritesNothingAndSaysSo) {
  ScratchDir scratch("vn_shot_missed");
  const fs::path missed = scratch / "missed.png";
  const RCommandResult run = run_command(vn_run(
      "--fixed-clock --steps 2 --shot 5:" + quoted(missed) + " " + quoted(shot_steps_game())));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_FALSE(fs::exists(missed));
  EXPECT_EQ(run.err, "vn run: --shot 5:" + missed.string() +
                         ": the game ended after step 2; nothing was written\n");
}

// Relative names are made absolute against the folder vn runs in.
TEST(VnShot, RelativeFilesGoIntoTheWorkingFolder) {
  ScratchDir scratch("vn_shot_relative");
  const RCommandResult run = run_command(
      "cd " + quoted(scratch.path()) + " && " +
      vn_run("--fixed-clock --steps 1 --shot 1:frame.PNG " + quoted(shot_steps_game())));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(corner(scratch / "frame.PNG"), 0xFFFF0000u);
}

TEST(VnShot, BadShotsAndDesktopsAreUsageErrors) {
  const std::string game = " " + quoted(shot_steps_game());
  for (const char* shot : {"0:a.png", "x:a.png", "3:a.bmp", "3", "3:.png", "-2:a.png"}) {
    const RCommandResult run = run_command(vn_run(std::string("--shot ") + shot + game));
    EXPECT_EQ(run.status, 2) << shot;
    EXPECT_NE(run.err.find("expected STEP:FILE.png"), std::string::npos) << run.err;
  }
  for (const char* desktop : {"10", "0x5", "640x", "axb", "20000x10"}) {
    const RCommandResult run = run_command(vn_run(std::string("--desktop ") + desktop + game));
    EXPECT_EQ(run.status, 2) << desktop;
    EXPECT_NE(run.err.find("expected WIDTHxHEIGHT"), std::string::npos) << run.err;
  }
}

// The desktop of a run without a screen: fullscreen fills it.
TEST(VnShot, TheDesktopSizeIsTheFullscreenClient) {
  ScratchDir scratch("vn_shot_desktop");
  const fs::path shot = scratch / "full.png";
  const RCommandResult run = run_command(
      vn_run("--fixed-clock --steps 1 --desktop 40x30 --shot 1:" + quoted(shot) + " " +
             quoted(fs::path(VN_SOURCE_DIR) / "tests" / "graphics" / "frames" / "keep_aspect")));
  EXPECT_EQ(run.status, 0) << run.err;
  TBitmap32 frame;
  ASSERT_TRUE(load_image_file(shot, frame));
  EXPECT_EQ(frame.width(), 40);
  EXPECT_EQ(frame.height(), 30);
}

}  // namespace
}  // namespace vn::test
