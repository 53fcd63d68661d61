// Shapes, the drawing state and primitive lists on a real device: script code draws into a
// headless back buffer, which is read back pixel by pixel. The last test plays a small game
// that shows most shapes and compares its frame with a picture checked by hand.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>

#include "Test_Support.h"
#include "graphics/BM32_File.h"
#include "graphics/Device_Test_Support.h"
#include "graphics/Frame_Test_Support.h"
#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Draw.h"
#include "graphics/Graphics_Window.h"
#include "platform/Platform_GameWindow.h"
#include "platform/Platform_Video.h"
#include "world/Path_Class.h"
#include "world/World_Test_Support.h"

namespace vn::test {
namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 64;
constexpr int kHeight = 48;

using frames::close;
using frames::expect_golden;
using frames::shoot;

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kBlue = 0x0000FF;
constexpr uint32_t kGrey = 0x808080;

int lit_pixels(const TBitmap32& frame) {
  int lit = 0;
  for (int y = 0; y < frame.height(); ++y) {
    for (int x = 0; x < frame.width(); ++x) lit += (frame.pixel(x, y) & 0xFFFFFF) != 0 ? 1 : 0;
  }
  return lit;
}

class ShapesTest : public DeviceWorldTest {
 protected:
  void SetUp() override {
    DeviceWorldTest::SetUp();
    open_device(kWidth, kHeight);
    set_draw_color(0xFFFFFF);
    set_draw_alpha(1);
    set_circle_precision(24);
    install();
    clear();
  }

  void TearDown() override {
    set_draw_color(0);
    set_draw_alpha(1);
    set_circle_precision(24);
    DeviceWorldTest::TearDown();
    close_device();
  }

  // The whole back buffer black, drawn 1:1.
  void clear() {
    CGraphicsDevice& device = graphics_device();
    device.set_viewport(0, 0, kWidth, kHeight);
    device.set_projection(0, kHeight, kWidth, 0, 0);
    device.clear(0xFF000000u);
  }

  TBitmap32 drawn(const std::string& program) {
    clear();
    exec(program);
    return graphics_device().read_back(0, 0, kWidth, kHeight).value_or(TBitmap32());
  }
};

TEST_F(ShapesTest, StateIsClampedWhenSet) {
  exec("draw_set_alpha(2);");
  EXPECT_EQ(eval("draw_get_alpha()").real, 1);
  exec("draw_set_alpha(-1);");
  EXPECT_EQ(eval("draw_get_alpha()").real, 0);
  exec("draw_set_alpha(0.25); draw_set_color(c_red);");
  EXPECT_EQ(eval("draw_get_alpha()").real, 0.25);
  EXPECT_EQ(eval("draw_get_color()").real, 255);
  EXPECT_EQ(draw_device_color(), 0x40FF0000u);
  for (auto [asked, kept] : {std::pair{30, 28}, {100, 64}, {1, 4}, {-5, 4}, {8, 8}, {63, 60}}) {
    exec("draw_set_circle_precision(" + std::to_string(asked) + ");");
    EXPECT_EQ(circle_precision(), kept) << asked;
  }
}

// The circle follows the precision: with 4 segments it is a diamond, whose corners' box
// stays empty; with 64 it is round enough to fill it.
TEST_F(ShapesTest, CirclesFollowThePrecision) {
  TBitmap32 f = drawn("draw_set_circle_precision(4); draw_circle(20, 20, 12, false);");
  EXPECT_RGB(f, 27, 27, kBlack);
  EXPECT_RGB(f, 20, 30, kWhite);
  f = drawn("draw_set_circle_precision(64); draw_circle(20, 20, 12, false);");
  EXPECT_RGB(f, 27, 27, kWhite);
  EXPECT_RGB(f, 20, 33, kBlack);
}

// The far corner of a rectangle is covered, whichever corner comes first; an outline lights
// its edges only, corners included.
TEST_F(ShapesTest, RectanglesCoverTheirLastColumnAndRow) {
  for (const char* program :
       {"draw_rectangle(0, 0, 10, 10, false);", "draw_rectangle(10, 10, 0, 0, false);"}) {
    const TBitmap32 f = drawn(program);
    EXPECT_RGB(f, 0, 0, kWhite);
    EXPECT_RGB(f, 10, 10, kWhite);
    EXPECT_RGB(f, 10, 0, kWhite);
    EXPECT_RGB(f, 11, 10, kBlack);
    EXPECT_RGB(f, 10, 11, kBlack);
    EXPECT_EQ(lit_pixels(f), 121) << program;
  }
  const TBitmap32 f = drawn("draw_rectangle(2, 3, 12, 9, true);");
  for (auto [x, y] : {std::pair{2, 3}, {12, 3}, {12, 9}, {2, 9}, {7, 3}, {12, 6}, {7, 9}, {2, 6}}) {
    EXPECT_RGB(f, x, y, kWhite);
  }
  EXPECT_RGB(f, 7, 6, kBlack);
  EXPECT_EQ(lit_pixels(f), 2 * 11 + 2 * 5);
  // A fractional edge is not moved: 0 ... 10.5 covers the centres 0 ... 10.
  EXPECT_EQ(lit_pixels(drawn("draw_rectangle(0, 0, 10.5, 0.5, false);")), 11);
}

// A line lights its start and not its end; an outline circle whose points fall on pixel
// centres stays closed there.
TEST_F(ShapesTest, LinesStopBeforeTheirEnd) {
  TBitmap32 f = drawn("draw_line(0, 0, 10, 0);");
  EXPECT_RGB(f, 0, 0, kWhite);
  EXPECT_RGB(f, 9, 0, kWhite);
  EXPECT_RGB(f, 10, 0, kBlack);
  EXPECT_EQ(lit_pixels(f), 10);
  f = drawn("draw_line(5, 20, 5, 10);");
  EXPECT_RGB(f, 5, 20, kWhite);
  EXPECT_RGB(f, 5, 10, kBlack);
  EXPECT_EQ(lit_pixels(f), 10);
  f = drawn("draw_circle(20, 20, 12, true);");
  for (auto [x, y] : {std::pair{8, 20}, {32, 20}, {20, 8}, {20, 32}}) EXPECT_RGB(f, x, y, kWhite);
  EXPECT_RGB(f, 20, 20, kBlack);
  // A width: the quad reaches half of it each side; nothing for a line of no length.
  f = drawn("draw_line_width(4, 10, 20, 10, 4); draw_line_width(30, 30, 30, 30, 8);");
  EXPECT_RGB(f, 4, 8, kWhite);
  EXPECT_RGB(f, 19, 11, kWhite);
  EXPECT_RGB(f, 4, 12, kBlack);
  EXPECT_EQ(lit_pixels(f), 16 * 4);
  f = drawn("draw_point(3, 4); draw_point_color(5, 6, c_red);");
  EXPECT_RGB(f, 3, 4, kWhite);
  EXPECT_RGB(f, 5, 6, kRed);
  EXPECT_EQ(lit_pixels(f), 2);
}

TEST_F(ShapesTest, FilledAndOutlinedShapesDiffer) {
  const TBitmap32 filled = drawn("draw_triangle(0, 0, 20, 0, 0, 20, false);");
  const TBitmap32 outlined = drawn("draw_triangle(0, 0, 20, 0, 0, 20, true);");
  EXPECT_RGB(filled, 5, 5, kWhite);
  EXPECT_RGB(outlined, 5, 5, kBlack);
  EXPECT_RGB(outlined, 5, 0, kWhite);
  EXPECT_RGB(outlined, 0, 5, kWhite);
  EXPECT_RGB(outlined, 10, 10, kWhite);
  EXPECT_LT(lit_pixels(outlined), lit_pixels(filled));
  // Rounded corners: the box's corner pixel stays empty, the middle of each edge is lit.
  const TBitmap32 round = drawn("draw_roundrect(0, 0, 30, 20, false);");
  EXPECT_RGB(round, 0, 0, kBlack);
  EXPECT_RGB(round, 30, 20, kBlack);
  EXPECT_RGB(round, 15, 0, kWhite);
  EXPECT_RGB(round, 30, 10, kWhite);
  EXPECT_RGB(round, 15, 20, kWhite);
  const TBitmap32 ring = drawn("draw_roundrect(0, 0, 30, 20, true);");
  EXPECT_RGB(ring, 15, 10, kBlack);
  EXPECT_RGB(ring, 15, 0, kWhite);
  EXPECT_RGB(ring, 0, 10, kWhite);
  // Colour variants: the centre and edge colours of a circle, the corners of a rectangle.
  const TBitmap32 c = drawn(
      "draw_circle_color(20, 20, 10, c_red, c_blue, false);"
      "draw_rectangle_color(40, 0, 50, 10, c_red, c_red, c_blue, c_blue, false);");
  EXPECT_RGB(c, 20, 20, kRed);
  EXPECT_TRUE(close(c.pixel(11, 20), 0x1900E6)) << std::hex << c.pixel(11, 20);
  EXPECT_RGB(c, 45, 0, kRed);
  EXPECT_RGB(c, 45, 10, kBlue);
}

// The head is min(size, length) long and a third of that wide each side.
TEST_F(ShapesTest, ArrowsEndInAHead) {
  TBitmap32 f = drawn("draw_arrow(2, 20, 32, 20, 12);");
  EXPECT_RGB(f, 2, 20, kWhite);
  EXPECT_RGB(f, 10, 19, kBlack);  // the shaft is one pixel
  EXPECT_RGB(f, 22, 17, kWhite);  // the head: 3 1/3 each side, 2 past its base
  EXPECT_RGB(f, 22, 23, kWhite);
  EXPECT_RGB(f, 22, 25, kBlack);
  EXPECT_RGB(f, 19, 17, kBlack);                  // before the head
  f = drawn("draw_arrow(10, 10, 16, 10, 100);");  // the head is the whole line
  EXPECT_RGB(f, 10, 9, kWhite);
  EXPECT_RGB(f, 10, 11, kWhite);
  EXPECT_RGB(f, 10, 13, kBlack);
}

TEST_F(ShapesTest, ButtonsAndHealthbars) {
  TBitmap32 f = drawn("draw_set_color(c_blue); draw_button(0, 0, 20, 10, true);");
  EXPECT_RGB(f, 0, 0, kWhite);
  EXPECT_RGB(f, 1, 8, kWhite);
  EXPECT_RGB(f, 20, 10, kGrey);
  EXPECT_RGB(f, 19, 5, kGrey);
  EXPECT_RGB(f, 10, 5, kBlue);
  f = drawn("draw_set_color(c_blue); draw_button(0, 0, 20, 10, false);");
  EXPECT_RGB(f, 0, 0, kGrey);
  EXPECT_RGB(f, 20, 10, kWhite);

  // 25: a quarter of the way from red to the middle of red and blue, on the left; a grey
  // back and a black border.
  f = drawn("draw_healthbar(0, 0, 40, 4, 25, c_gray, c_red, c_blue, 0, true, true);");
  EXPECT_RGB(f, 5, 2, 0xC00040);
  EXPECT_RGB(f, 20, 2, kGrey);
  EXPECT_RGB(f, 0, 2, kBlack);
  EXPECT_RGB(f, 10, 2, kBlack);  // the bar's own border at 0 + 40 / 4
  EXPECT_RGB(f, 40, 2, kBlack);
  // 75 from the bottom, without back or border; over 100 counts as 100.
  f = drawn(
      "draw_healthbar(0, 0, 10, 40, 75, c_gray, c_red, c_blue, 3, false, false);"
      "draw_healthbar(20, 0, 30, 40, 150, c_gray, c_red, c_blue, 1, false, false);");
  EXPECT_RGB(f, 5, 40, 0x4000C0);
  EXPECT_RGB(f, 5, 11, 0x4000C0);
  EXPECT_RGB(f, 5, 9, kBlack);
  EXPECT_RGB(f, 20, 20, kBlue);
  // Nothing of an empty bar shows.
  EXPECT_EQ(lit_pixels(drawn("draw_healthbar(0, 0, 10, 4, 0, 0, c_red, c_red, 0, 0, 0);")), 0);
}

// Only the first 1001 vertices count: 1500 points on distinct pixels light 1001 of them.
TEST_F(ShapesTest, PrimitiveListsKeepTheirFirst1001Vertices) {
  const TBitmap32 f = drawn(
      "draw_primitive_begin(pr_pointlist);"
      "for (i = 0; i < 1500; i += 1) draw_vertex(i mod 50, i div 50);"
      "draw_primitive_end();");
  EXPECT_EQ(lit_pixels(f), 1001);
  EXPECT_RGB(f, 0, 20, kWhite);  // vertex 1000
  EXPECT_RGB(f, 1, 20, kBlack);
  // A list of lines drops an odd last vertex; kinds outside 1 ... 6 draw nothing.
  TBitmap32 lines = drawn(
      "draw_primitive_begin(pr_linelist); draw_vertex(0, 0); draw_vertex(4, 0);"
      "draw_vertex(0, 5); draw_primitive_end();"
      "draw_primitive_begin(7); draw_vertex(9, 9); draw_primitive_end();");
  EXPECT_EQ(lit_pixels(lines), 4);
  // Vertex colours and alpha; a strip makes n - 2 triangles.
  const TBitmap32 strip = drawn(
      "draw_primitive_begin(pr_trianglestrip);"
      "draw_vertex_color(0, 0, c_red, 1); draw_vertex_color(10, 0, c_red, 1);"
      "draw_vertex_color(0, 10, c_red, 1); draw_vertex_color(10, 10, c_red, 1);"
      "draw_primitive_end();");
  EXPECT_RGB(strip, 2, 8, kRed);
  EXPECT_RGB(strip, 8, 2, kRed);
  EXPECT_EQ(lit_pixels(strip), 100);
}

TEST_F(ShapesTest, ClearingAndPaths) {
  TBitmap32 f = drawn("draw_clear(c_red);");
  EXPECT_EQ(f.pixel(10, 10), 0xFFFF0000u);
  f = drawn("draw_clear_alpha(c_blue, 0.5);");
  EXPECT_EQ(f.pixel(10, 10) & 0xFFFFFF, 0x0000FFu);
  EXPECT_NEAR(int(f.pixel(10, 10) >> 24), 128, 1);

  auto path = std::make_unique<CPath>();
  path->closed = false;
  path->points = {{100, 100}, {110, 100}, {110, 110}};
  game_.paths.add("pth", std::move(path));
  install();
  // Relative: the start moves to (2, 3); absolute: where the points are (outside).
  f = drawn("draw_path(0, 2, 3, false);");
  EXPECT_RGB(f, 2, 3, kWhite);
  EXPECT_RGB(f, 12, 3, kWhite);
  EXPECT_RGB(f, 12, 12, kWhite);
  EXPECT_EQ(lit_pixels(f), 20);
  EXPECT_EQ(lit_pixels(drawn("draw_path(0, 2, 3, true);")), 0);
  display_.shown.clear();
  exec("draw_path(4, 0, 0, true);");
  ASSERT_EQ(display_.shown.size(), 1u);
  EXPECT_NE(display_.shown[0].find("Trying to drawn non-existing path."), std::string::npos);
}

// Rectangles batch like sprites do: 5,000 of them reach the GPU in a call or two.
TEST_F(ShapesTest, FilledRectanglesAreBatched) {
  auto* renderer = dynamic_cast<IGlRenderer*>(window_->renderer());
  ASSERT_NE(renderer, nullptr);
  renderer->flush();
  const int64_t before = renderer->draw_calls();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 5000; ++i) {
    draw_rectangle(i % 60, i % 40, i % 60 + 3, i % 40 + 3, same_colors(0xFF00FF00u), false);
  }
  renderer->flush();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LE(renderer->draw_calls() - before, 2);
  RecordProperty("seconds_for_5000_rectangles", std::to_string(seconds));
}

// --- The golden frame ---

// Most shapes in one frame over dark grey, checked by hand; the pixels below follow from
// the rules.
TEST(ShapeFrames, ShapesLookAsDrawn) {
  const TBitmap32 frame = shoot("shapes", 1);
  ASSERT_EQ(frame.width(), 64);
  ASSERT_EQ(frame.height(), 56);
  EXPECT_RGB(frame, 8, 8, kWhite);      // the filled circle's centre
  EXPECT_RGB(frame, 24, 2, kRed);       // the top of the outlined one
  EXPECT_RGB(frame, 24, 8, 0x404040);   // and its empty middle
  EXPECT_RGB(frame, 38, 18, kWhite);    // the raised button's light bevel
  EXPECT_RGB(frame, 54, 30, kGrey);     // its dark one
  EXPECT_RGB(frame, 46, 24, kBlue);     // its face
  EXPECT_RGB(frame, 10, 37, 0x808000);  // half health: the middle of red and lime
  EXPECT_RGB(frame, 16, 37, kBlack);    // the bar's border
  EXPECT_RGB(frame, 2, 42, kRed);       // the rectangle's corner colours
  EXPECT_RGB(frame, 30, 42, 0x00FF00);
  EXPECT_RGB(frame, 30, 46, kBlue);
  EXPECT_RGB(frame, 2, 46, kWhite);
  EXPECT_RGB(frame, 59, 25, 0xA0A0A0);  // white at alpha 0.5 over the grey
  EXPECT_RGB(frame, 4, 49, 0x00FFFF);   // the relative path starts at (4, 49)
  EXPECT_RGB(frame, 60, 52, 0x00FFFF);  // the closed one where its points are
  expect_golden("shapes", frame);
}

}  // namespace
}  // namespace vn::test
