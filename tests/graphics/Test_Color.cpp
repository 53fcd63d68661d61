// Colour arithmetic: script colours 0x00BBGGRR taken apart and made from components, hue,
// saturation and value.
#include <gtest/gtest.h>

#include "graphics/BM32_Color.h"

namespace vn {
namespace {

TEST(Color, ComponentsAreNotClamped) {
  EXPECT_EQ(make_color_rgb(300, 0, 0), 300);
  EXPECT_EQ(color_get_red(300), 44);
  EXPECT_EQ(color_get_green(300), 1);
  EXPECT_EQ(color_get_blue(300), 0);
  EXPECT_EQ(make_color_rgb(1, 2, 3), 0x030201);
  EXPECT_EQ(color_get_red(0x030201), 1);
  EXPECT_EQ(color_get_green(0x030201), 2);
  EXPECT_EQ(color_get_blue(0x030201), 3);
  EXPECT_EQ(make_color_rgb(-1, 0, 0), -1);
}

TEST(Color, HsvMakesTheColoursOfTheWheel) {
  EXPECT_EQ(make_color_hsv(0, 255, 255), 0x0000FF);    // red
  EXPECT_EQ(make_color_hsv(85, 255, 255), 0x00FF00);   // 120 degrees: green
  EXPECT_EQ(make_color_hsv(170, 255, 255), 0xFF0000);  // 240 degrees: blue
  EXPECT_EQ(make_color_hsv(255, 255, 255), 0x0000FF);  // 360 degrees is red again
  EXPECT_EQ(make_color_hsv(0, 0, 0), 0);
  // Half saturation: the other components at half of 255, truncated.
  EXPECT_EQ(make_color_hsv(0, 127.5, 255), make_color_rgb(255, 127, 127));
  // 60 degrees is 42.5 of 255: 42 gives a hue just short of yellow.
  EXPECT_EQ(color_get_red(int32_t(make_color_hsv(42.5, 255, 255))), 255);
  EXPECT_EQ(color_get_green(int32_t(make_color_hsv(42.5, 255, 255))), 255);
}

TEST(Color, HsvOfAColour) {
  EXPECT_EQ(color_get_hue(0x0000FF), 0);
  EXPECT_EQ(color_get_hue(0x00FF00), 85);
  EXPECT_EQ(color_get_hue(0xFF0000), 170);
  EXPECT_EQ(color_get_hue(0x00FFFF), 42);   // yellow, 42.5 truncated
  EXPECT_EQ(color_get_hue(0xFF00FF), 212);  // magenta, 300 degrees: 212.5
  EXPECT_EQ(color_get_hue(0x808080), 0);    // a grey has no hue
  EXPECT_EQ(color_get_saturation(0x808080), 0);
  EXPECT_EQ(color_get_saturation(0), 0);
  EXPECT_EQ(color_get_saturation(make_color_rgb(255, 128, 128)), 127);
  EXPECT_EQ(color_get_value(make_color_rgb(10, 200, 30)), 200);
}

// Every grey and every fully saturated hue survives the way there and back: truncation
// must not lose a step to the fractions in between.
TEST(Color, RoundTripsKeepEveryStep) {
  for (int v = 0; v <= 255; ++v) {
    const int32_t grey = int32_t(make_color_hsv(0, 0, v));
    ASSERT_EQ(grey, make_color_rgb(v, v, v)) << v;
    ASSERT_EQ(color_get_value(grey), v);
  }
  for (int s = 0; s <= 255; ++s) {
    ASSERT_EQ(color_get_saturation(int32_t(make_color_hsv(0, s, 255))), s) << s;
  }
  for (int h : {0, 17, 51, 85, 119, 153, 170, 204, 238}) {
    EXPECT_EQ(color_get_hue(int32_t(make_color_hsv(h, 255, 255))), h) << h;
  }
}

// Rounded half to even per component; the amount is not clamped.
TEST(Color, MergeRoundsEachComponent) {
  EXPECT_EQ(merge_color(0, 0xFFFFFF, 0.5), 0x808080);  // 127.5 -> 128
  EXPECT_EQ(merge_color(0, make_color_rgb(1, 3, 5), 0.5), make_color_rgb(0, 2, 2));
  EXPECT_EQ(merge_color(0x0000FF, 0xFF0000, 0), 0x0000FF);
  EXPECT_EQ(merge_color(0x0000FF, 0xFF0000, 1), 0xFF0000);
  EXPECT_EQ(merge_color(0, 0xFF, 0.25), 64);  // 63.75
  EXPECT_EQ(merge_color(0, 100, 2), 200);
}

}  // namespace
}  // namespace vn
