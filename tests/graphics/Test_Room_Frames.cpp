// Frames of small games under tests/graphics/frames, played headless by vn run and shot
// with --shot: each is compared with its checked-in expected.png within a small tolerance,
// and pixels whose colours follow from the drawing rules are checked one by one as well.
// A failing comparison leaves actual.png and diff.png in the build tree's
// tests/frames/CASE/.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "Test_Support.h"
#include "graphics/BM32_File.h"
#include "graphics/Frame_Test_Support.h"
#include "platform/Platform_FileIo.h"

namespace vn::test {
namespace {

using frames::case_folder;
using frames::close;
using frames::expect_golden;
using frames::rgb;
using frames::shoot;
namespace fs = std::filesystem;

constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kBlue = 0x0000FF;
constexpr uint32_t kYellow = 0xFFFF00;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kMagenta = 0xFF00FF;
constexpr uint32_t kGrey = 0x808080;

// The 4 x 4 sprite: row y, column x is red, green, blue, yellow by (x + 2y) mod 4.
uint32_t checker(int x, int y) {
  constexpr uint32_t colours[4] = {kRed, kGreen, kBlue, kYellow};
  return colours[(x + 2 * y) % 4];
}

// At whole coordinates and scale 1 a picture covers exactly its pixels, even with
// filtering on: the plain instance, draw_sprite_ext, draw_sprite with the instance's frame,
// draw_background and draw_sprite_part.
TEST(RoomFrames, PicturesAtWholeCoordinatesLandOnTheirPixels) {
  const TBitmap32 frame = shoot("half_pixel", 1);
  ASSERT_EQ(frame.width(), 24);
  ASSERT_EQ(frame.height(), 16);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      EXPECT_RGB(frame, 4 + x, 6 + y, checker(x, y));   // at (5, 7), origin (1, 1)
      EXPECT_RGB(frame, 12 + x, 2 + y, checker(x, y));  // draw_sprite_ext at (13, 3)
      EXPECT_RGB(frame, 17 + x, 2 + y, checker(x, y));  // draw_sprite(..., -1, 18, 3)
    }
  }
  EXPECT_RGB(frame, 3, 6, kBlack);
  EXPECT_RGB(frame, 8, 9, kBlack);
  EXPECT_RGB(frame, 2, 12, kRed);  // the background: no origin
  EXPECT_RGB(frame, 4, 13, kYellow);
  EXPECT_RGB(frame, 20, 12, checker(1, 1));  // the part (1, 1, 2, 2) at (20, 12)
  EXPECT_RGB(frame, 21, 13, checker(2, 2));
  EXPECT_RGB(frame, 22, 12, kBlack);
  expect_golden("half_pixel", frame);
}

// A two-texel-wide picture blown up with filtering: the outer pixels are the edge texels
// themselves (clamped, nothing from beyond the picture), those between mix by distance.
TEST(RoomFrames, ScaledPicturesKeepTheirEdgeTexels) {
  const TBitmap32 frame = shoot("texture_border", 1);
  // Scale 4 from x = 2: pixel 2 + i samples texel (i + 0.5) / 4.
  EXPECT_RGB(frame, 2, 2, kRed);
  EXPECT_RGB(frame, 3, 9, kRed);
  EXPECT_RGB(frame, 4, 5, 0xDF0020u);  // 7/8 red, 1/8 blue
  EXPECT_RGB(frame, 6, 5, 0x60009Fu);
  EXPECT_RGB(frame, 9, 9, kBlue);
  EXPECT_RGB(frame, 10, 5, kBlack);
  // Stretched to 6 x 3 from (12, 2): three pixels a texel.
  EXPECT_RGB(frame, 12, 2, kRed);
  EXPECT_RGB(frame, 14, 4, 0xAA0055u);
  EXPECT_RGB(frame, 17, 4, kBlue);
  EXPECT_RGB(frame, 17, 5, kBlack);
  expect_golden("texture_border", frame);
}

// Deepest first; a tile at the depth of an instance goes over it.
TEST(RoomFrames, InstancesAndTilesAreDrawnByDepth) {
  const TBitmap32 frame = shoot("depth_order", 1);
  EXPECT_RGB(frame, 3, 3, kRed);     // the instance over the deeper yellow tile
  EXPECT_RGB(frame, 1, 1, kYellow);  // the yellow tile where nothing covers it
  EXPECT_RGB(frame, 7, 5, kGreen);   // the green tile over the instance of its depth
  EXPECT_RGB(frame, 9, 7, kBlue);    // the nearer instance over both
  EXPECT_RGB(frame, 13, 11, kGreen);
  EXPECT_RGB(frame, 14, 12, kBlack);
  expect_golden("depth_order", frame);
}

// Each port is cleared in the room colour and shows its view scaled into it; the rest of the
// region is in the window colour.
TEST(RoomFrames, ViewPortsPlaceTheirViews) {
  const TBitmap32 frame = shoot("view_ports", 1);
  ASSERT_EQ(frame.width(), 56);  // the ports' box
  ASSERT_EQ(frame.height(), 24);
  EXPECT_RGB(frame, 4, 4, kRed);
  EXPECT_RGB(frame, 20, 20, kGrey);
  EXPECT_RGB(frame, 35, 5, kMagenta);
  // The view at (32, 24) is shown at half size in the port at (40, 0): the block at
  // (40, 28) of the room is the 4 x 4 block at (44, 2).
  EXPECT_RGB(frame, 44, 2, kBlue);
  EXPECT_RGB(frame, 47, 5, kBlue);
  EXPECT_RGB(frame, 48, 5, kGrey);
  EXPECT_RGB(frame, 43, 2, kGrey);
  EXPECT_RGB(frame, 50, 18, kMagenta);
  expect_golden("view_ports", frame);
}

// Turned by 90 degrees: what lies right of the view's centre shows above it, what lies
// below shows right of it.
TEST(RoomFrames, ATurnedViewTurnsTheRoom) {
  const TBitmap32 frame = shoot("turned_view", 1);
  // Room (24 ... 27, 14 ... 17) is 8 ... 11 right of the centre at (16, 16).
  EXPECT_RGB(frame, 14, 5, kRed);
  EXPECT_RGB(frame, 17, 8, kRed);
  EXPECT_RGB(frame, 24, 14, kBlack);
  // Room (14 ... 17, 24 ... 27) lies below it.
  EXPECT_RGB(frame, 24, 15, kBlue);
  EXPECT_RGB(frame, 27, 18, kBlue);
  EXPECT_RGB(frame, 14, 24, kBlack);
  expect_golden("turned_view", frame);
}

// White squares tinted and blended over grey 128 by each mode's factors.
TEST(RoomFrames, BlendModesFollowTheirFactors) {
  const TBitmap32 frame = shoot("blend_modes", 1);
  // Add: 128 + (0, 64, 255).
  EXPECT_RGB(frame, 2, 2, 0x80C0FFu);
  // Subtract (zero, inverse source colour): 128 × (1 - (255, 128, 0) / 255).
  EXPECT_RGB(frame, 7, 2, 0x004080u);
  // Max (source alpha, inverse source colour): (64, 128, 192) + 128 × (1 - source).
  EXPECT_RGB(frame, 12, 2, 0xA0C0E0u);
  // Destination colour and zero: (255, 128, 0) × 128 / 255.
  EXPECT_RGB(frame, 17, 2, 0x804000u);
  // Normal with alpha 0.5: red half over grey.
  EXPECT_RGB(frame, 22, 2, 0xC04040u);
  // Source alpha and one: 128 + 64 × 0.5.
  EXPECT_RGB(frame, 27, 2, 0xA0A0A0u);
  EXPECT_RGB(frame, 5, 2, kGrey);
  expect_golden("blend_modes", frame);
}

// Keep-aspect scaling of a 16 x 16 region in a 64 x 24 client: 24 x 24 in the middle,
// bands in the window colour either side.
TEST(RoomFrames, KeepAspectLeavesBandsInTheWindowColour) {
  const TBitmap32 frame = shoot("keep_aspect", 1, "--desktop 64x24");
  ASSERT_EQ(frame.width(), 64);
  ASSERT_EQ(frame.height(), 24);
  EXPECT_RGB(frame, 0, 0, kGreen);
  EXPECT_RGB(frame, 19, 23, kGreen);
  EXPECT_RGB(frame, 20, 0, kRed);
  EXPECT_RGB(frame, 31, 23, kRed);
  EXPECT_RGB(frame, 32, 0, kBlue);
  EXPECT_RGB(frame, 43, 23, kBlue);
  EXPECT_RGB(frame, 44, 12, kGreen);
  expect_golden("keep_aspect", frame);
}

// The step that changes room with a transition shows the transition's last frame: all of
// the new room.
TEST(RoomFrames, AStepEndingInATransitionShowsItsLastFrame) {
  const TBitmap32 frame = shoot("transition", 1);
  EXPECT_RGB(frame, 0, 0, kBlue);
  EXPECT_RGB(frame, 15, 6, kWhite);
  EXPECT_RGB(frame, 1, 1, kBlue);
  expect_golden("transition", frame);
}

// screen_save writes the back buffer as PNG for any case of ".png" and as a bitmap
// otherwise, opaque; screen_save_part a clipped part; F9 the next free screenshotN.png;
// draw_getpixel reads the frame too. All see the frame of the step before.
TEST(RoomFrames, ScreenshotsAreOpaquePicturesOfTheBackBuffer) {
  ScratchDir scratch("frames_screenshots");
  {
    std::ofstream(scratch / "input.txt") << "2 key_tap vk_f9\n";
    std::ofstream(scratch / "screenshot100.png") << "taken";
  }
  const RCommandResult run =
      run_command("cd " + quoted(scratch.path()) + " && env -u DISPLAY -u WAYLAND_DISPLAY " +
                  quoted(VN_PATH) + " run --headless --fixed-clock --steps 3 --input input.txt " +
                  quoted(case_folder("screenshots")));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "255 1971210\n");  // red, and the room colour (10, 20, 30)
  EXPECT_NE(run.err.find("Trying to save screen to empty image file name."), std::string::npos)
      << run.err;

  for (const char* name : {"shot.png", "upper.PNG", "shot.bmp", "screenshot101.png"}) {
    SCOPED_TRACE(name);
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(read_file(scratch / name, bytes, error)) << error;
    const bool png = std::string(name) != "shot.bmp";
    EXPECT_EQ(bytes.size() > 8 && bytes[1] == 'P' && bytes[2] == 'N' && bytes[3] == 'G', png);
    TBitmap32 picture;
    ASSERT_TRUE(decode_image_file(bytes, picture, error)) << error;
    ASSERT_EQ(picture.width(), 10);
    ASSERT_EQ(picture.height(), 8);
    EXPECT_EQ(picture.pixel(0, 0), 0xFF0A141Eu);
    EXPECT_EQ(picture.pixel(2, 2), 0xFFFF0000u);
    EXPECT_EQ(picture.pixel(3, 3), 0xFF0A141Eu);
  }
  TBitmap32 part;
  ASSERT_TRUE(load_image_file(scratch / "part.png", part));
  ASSERT_EQ(part.width(), 3);
  ASSERT_EQ(part.height(), 2);
  EXPECT_EQ(part.pixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(part.pixel(2, 1), 0xFF0A141Eu);
  EXPECT_EQ(read_text(scratch / "screenshot100.png"), "taken");
}

// Tiles made and changed by the tile functions in a create event: a tile moved behind the
// instances by tile_set_depth, a foreground layer shifted with one of its tiles deleted, and
// a hidden layer.
TEST(RoomFrames, TilesChangedAtRunTimeKeepTheirDepthOrder) {
  const TBitmap32 frame = shoot("tile_functions", 1);
  EXPECT_RGB(frame, 7, 5, kRed);     // the red instance over the tile sent behind
  EXPECT_RGB(frame, 12, 5, kGreen);  // the tile where nothing covers it
  EXPECT_RGB(frame, 10, 8, kBlue);
  EXPECT_RGB(frame, 1, 11, kYellow);  // the shifted foreground tile
  EXPECT_RGB(frame, 1, 1, kBlack);    // where it was
  EXPECT_RGB(frame, 13, 12, kBlack);  // the deleted one
  EXPECT_RGB(frame, 14, 0, kBlack);   // the hidden layer
  expect_golden("tile_functions", frame);
}

// The drawing actions of a draw event: a relative filled rectangle, an outlined one covering
// its last column and row, a line, the health bar (full health, black back and border) and
// the score with its caption in the default font.
TEST(RoomFrames, DrawingActionsDrawWhatTheirFunctionsDraw) {
  const TBitmap32 frame = shoot("draw_actions", 1);
  EXPECT_RGB(frame, 10, 10, kRed);  // (0, 0) relative to the instance at (10, 10)
  EXPECT_RGB(frame, 19, 14, kRed);
  EXPECT_RGB(frame, 20, 14, kBlack);
  EXPECT_RGB(frame, 5, 25, 0x00FF00);  // the outline's far corner
  EXPECT_RGB(frame, 3, 23, kBlack);    // inside the outline
  EXPECT_RGB(frame, 0, 2, 0x00FF00);   // the line
  EXPECT_RGB(frame, 22, 2, kBlack);    // the health bar's border over it
  EXPECT_RGB(frame, 26, 3, 0x008000);  // full health: the bar's last colour, green
  int lit = 0;
  for (int y = 18; y < 34; ++y) {
    for (int x = 12; x < 34; ++x) lit += rgb(frame, x, y) != kBlack;
  }
  EXPECT_GT(lit, 40);  // "S0" in white
  expect_golden("draw_actions", frame);
}

}  // namespace
}  // namespace vn::test
