// Frames of small games under tests/graphics/frames, played headless by vn run and shot
// with --shot, and compared with the checked-in expected.png within a small tolerance. A
// failing comparison leaves actual.png and diff.png in the build tree's tests/frames/CASE/.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "Test_Support.h"
#include "graphics/BM32_File.h"

namespace vn::test::frames {

namespace fs = std::filesystem;

constexpr int kTolerance = 3;  // per channel

inline fs::path case_folder(const std::string& name) {
  return fs::path(VN_SOURCE_DIR) / "tests" / "graphics" / "frames" / name;
}

// The frame vn run shows for that step; arguments go before the project.
inline TBitmap32 shoot(const std::string& name, int step, const std::string& arguments = "") {
  ScratchDir scratch("frames_" + name);
  const fs::path shot = scratch / "shot.png";
  const RCommandResult run = run_command(
      "env -u DISPLAY -u WAYLAND_DISPLAY " + quoted(VN_PATH) + " run --headless --fixed-clock" +
      " --steps " + std::to_string(step + 1) + " --shot " + std::to_string(step) + ":" +
      quoted(shot) + " " + arguments + " " + quoted(case_folder(name)));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  TBitmap32 frame;
  std::string error;
  EXPECT_TRUE(load_image_file(shot, frame, &error)) << error;
  return frame;
}

inline int channel(uint32_t pixel, int shift) { return int(pixel >> shift & 0xFF); }

inline bool close(uint32_t a, uint32_t b) {
  for (int shift : {0, 8, 16}) {
    if (std::abs(channel(a, shift) - channel(b, shift)) > kTolerance) return false;
  }
  return true;
}

// The golden comparison; on a difference the actual frame and the differences (amplified
// eight times) are kept for a person to look at.
inline void expect_golden(const std::string& name, const TBitmap32& actual) {
  TBitmap32 expected;
  std::string error;
  ASSERT_TRUE(load_image_file(case_folder(name) / "expected.png", expected, &error)) << error;
  bool same = actual.width() == expected.width() && actual.height() == expected.height();
  TBitmap32 diff(std::max(actual.width(), 1), std::max(actual.height(), 1), 0xFF000000u);
  int wrong = 0;
  for (int y = 0; same && y < actual.height(); ++y) {
    for (int x = 0; x < actual.width(); ++x) {
      const uint32_t a = actual.pixel(x, y);
      const uint32_t e = expected.pixel(x, y);
      if (!close(a, e)) ++wrong;
      uint32_t d = 0xFF000000u;
      for (int shift : {0, 8, 16}) {
        d |= uint32_t(std::min(255, 8 * std::abs(channel(a, shift) - channel(e, shift)))) << shift;
      }
      diff.image().at(x, y) = d;
    }
  }
  if (same && wrong == 0) return;
  const fs::path kept = fs::path(VN_BINARY_DIR) / "tests" / "frames" / name;
  fs::create_directories(kept);
  save_png_file(kept / "actual.png", actual, error);
  if (same) save_png_file(kept / "diff.png", diff, error);
  ADD_FAILURE() << name << ": "
                << (same ? std::to_string(wrong) + " pixels differ"
                         : "the frame is " + std::to_string(actual.width()) + " x " +
                               std::to_string(actual.height()) + ", expected " +
                               std::to_string(expected.width()) + " x " +
                               std::to_string(expected.height()))
                << "; see " << kept.string();
}

// 0xRRGGBB of one pixel.
inline uint32_t rgb(const TBitmap32& frame, int x, int y) { return frame.pixel(x, y) & 0xFFFFFF; }

}  // namespace vn::test::frames

#define EXPECT_RGB(frame, x, y, expected)                                                \
  EXPECT_TRUE(::vn::test::frames::close(::vn::test::frames::rgb(frame, x, y), expected)) \
      << "pixel (" << (x) << ", " << (y) << ") is " << std::hex                          \
      << ::vn::test::frames::rgb(frame, x, y) << ", expected " << (expected) << std::dec
