// Surfaces on a real device: drawn into and read back, switched between, copied, saved,
// lost with the device; and a golden frame of a game drawing a minimap through one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>

#include "Test_Support.h"
#include "graphics/BM32_File.h"
#include "graphics/Device_Test_Support.h"
#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Display.h"
#include "graphics/Graphics_Surface.h"
#include "graphics/Graphics_Texture.h"
#include "graphics/Graphics_Window.h"
#include "graphics/Room_Draw.h"
#include "platform/Platform_GameWindow.h"
#include "platform/Platform_Video.h"
#include "world/World_Test_Support.h"

namespace vn::test {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kBlue = 0xFF0000FFu;
constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kBlack = 0xFF000000u;
constexpr double kScriptBlue = 0xFF0000;
constexpr const char* kNoSurface = "Trying to use non-existing surface.";

std::string first_bytes(const fs::path& path, size_t count) {
  std::ifstream file(path, std::ios::binary);
  std::string bytes(count, '\0');
  file.read(bytes.data(), std::streamsize(count));
  bytes.resize(size_t(file.gcount()));
  return bytes;
}

// A game on a 32 × 24 device whose presented frames are kept, with sprite0 a 2 × 2 blue
// square.
class SurfaceTest : public DeviceWorldTest {
 protected:
  void SetUp() override {
    DeviceWorldTest::SetUp();
    open_device(32, 24);
    RRunHooks hooks = run_hooks();
    hooks.draw_room = [] { draw_room("test", nullptr); };
    hooks.present_frame = [this] { frames_.push_back(back_buffer()); };
    set_run_hooks(std::move(hooks));
    const int sprite = add_sprite(1, 2, 2);
    game_.sprites.items[size_t(sprite)]->frames[0] = TBitmap32(2, 2, kBlue);
  }

  void TearDown() override {
    DeviceWorldTest::TearDown();
    free_all_surfaces();
    close_device();
  }

  // A 32 × 24 room, black, with the device drawing the whole of it.
  void start_room() {
    CRoom& room_data = add_room("rm");
    room_data.width = 32;
    room_data.height = 24;
    ASSERT_TRUE(start());
    CGraphicsDevice& device = graphics_device();
    device.set_viewport(0, 0, 32, 24);
    device.set_projection(0, 24, 32, 0, 0);
    device.clear(kBlack);
  }

  // The surface's pixels replaced by the picture's.
  static void fill(int id, const TBitmap32& picture) {
    ASSERT_NE(surface_at(id), nullptr);
    ASSERT_TRUE(texture_upload(surface_at(id)->texture, picture));
  }

  std::vector<std::string> take_shown() {
    std::vector<std::string> shown = std::move(display_.shown);
    display_.shown.clear();
    return shown;
  }

  std::vector<TBitmap32> frames_;
};

// What is drawn into a surface stays there, off the screen; drawn onto the screen, the
// surface shows only what was drawn into it, by every member of the family.
TEST_F(SurfaceTest, SurfacesTakeDrawingAndKeepTheirAlpha) {
  start_room();
  EXPECT_EQ(eval("surface_create(8, 4)").real, 0);
  EXPECT_EQ(eval("surface_exists(0)").real, 1);
  EXPECT_EQ(eval("surface_get_width(0)").real, 8);
  EXPECT_EQ(eval("surface_get_height(0)").real, 4);
  EXPECT_EQ(eval("texture_exists(surface_get_texture(0))").real, 1);
  EXPECT_EQ(surface_pixel(0, 7, 3), 0u);  // made empty: transparent black

  exec("surface_set_target(0); draw_sprite(sprite0, 0, 1, 1); surface_reset_target();");
  EXPECT_EQ(eval("surface_getpixel(0, 2, 2)").real, kScriptBlue);
  EXPECT_EQ(eval("surface_getpixel(0, 3, 1)").real, 0);
  EXPECT_EQ(eval("surface_getpixel(0, 8, 1)").real, 0);  // outside
  EXPECT_PIXEL(back_buffer(), 1, 1, kBlack);

  // Scaled texels stay whole squares without filtering.
  exec(
      "texture_set_interpolation(false);"
      "draw_surface(0, 10, 10);"
      "draw_surface_stretched(0, 0, 12, 16, 8);"  // twice as big
      "draw_surface_part(0, 2, 1, 2, 2, 30, 0);"  // the square's right column
      "draw_surface_ext(0, 20, 0, 1, 1, 0, c_white, 0.5);"
      "draw_surface_general(0, 1, 1, 2, 2, 24, 10, 1, 1, 90, c_white, c_white, c_white, "
      "c_white, 1);");
  TBitmap32 f = back_buffer();
  EXPECT_PIXEL(f, 12, 12, kBlue);
  EXPECT_PIXEL(f, 10, 10, kBlack);
  EXPECT_PIXEL(f, 2, 14, kBlue);
  EXPECT_PIXEL(f, 5, 17, kBlue);
  EXPECT_PIXEL(f, 6, 17, kBlack);
  EXPECT_PIXEL(f, 30, 0, kBlue);
  EXPECT_PIXEL(f, 31, 0, kBlack);
  EXPECT_PIXEL(f, 21, 1, 0xFF000080u);  // half alpha over black
  // Turned 90 degrees about its top-left corner: the 2 × 2 part goes up from (24, 10).
  EXPECT_PIXEL(f, 25, 8, kBlue);
  EXPECT_PIXEL(f, 24, 10, kBlack);

  // Cleared with alpha 0 inside, a surface shows only what is drawn into it afterwards;
  // clearing it leaves the screen alone.
  exec(
      "surface_set_target(0); draw_clear_alpha(c_red, 0); draw_sprite(sprite0, 0, 4, 2);"
      "surface_reset_target(); draw_surface(0, 0, 0);");
  f = back_buffer();
  EXPECT_PIXEL(f, 4, 2, kBlue);
  EXPECT_PIXEL(f, 1, 1, kBlack);
  EXPECT_PIXEL(f, 11, 11, kBlue);
  EXPECT_EQ(surface_pixel(0, 1, 1), 0x00FF0000u);

  // Tiled over the room every 8 × 4, at double size every 16 × 8.
  graphics_device().clear(kBlack);
  exec("draw_surface_tiled(0, 0, 0);");
  f = back_buffer();
  EXPECT_PIXEL(f, 29, 23, kBlue);
  EXPECT_PIXEL(f, 3, 3, kBlack);
  graphics_device().clear(kBlack);
  exec("draw_surface_tiled_ext(0, 0, 0, 2, 2, c_white, 1);");
  f = back_buffer();
  EXPECT_PIXEL(f, 24, 12, kBlue);
  EXPECT_PIXEL(f, 9, 2, kBlack);
}

// Setting one surface after another goes back to the screen in between; going back to the
// screen brings its viewport and projection back, a view's as much as the whole region's.
TEST_F(SurfaceTest, TargetsNestAndTheScreenComesBackAsItWas) {
  start_room();
  exec("surface_create(4, 4); surface_create(6, 6);");
  CGraphicsDevice& device = graphics_device();
  // A view of (0, 0, 8, 8) of the room shown twice as big at (4, 4).
  device.set_viewport(4, 4, 16, 16);
  device.set_projection(0, 8, 8, 0, 0);

  EXPECT_EQ(eval("surface_set_target(0)").real, 1);
  EXPECT_EQ(surface_target(), 0);
  EXPECT_EQ(device.viewport().width, 4);
  EXPECT_EQ(eval("surface_set_target(1)").real, 1);
  EXPECT_EQ(surface_target(), 1);
  EXPECT_EQ(device.viewport().width, 6);
  EXPECT_EQ(eval("surface_set_target(1)").real, 1);  // already the target
  EXPECT_EQ(surface_target(), 1);
  exec("draw_sprite(sprite0, 0, 4, 4);");
  EXPECT_EQ(surface_pixel(1, 5, 5), kBlue);
  EXPECT_EQ(surface_pixel(1, 3, 3), 0u);
  EXPECT_EQ(surface_pixel(0, 0, 0), 0u);

  exec("surface_reset_target(); surface_reset_target();");
  EXPECT_EQ(surface_target(), -1);
  EXPECT_EQ(device.renderer()->target(), 0u);
  EXPECT_EQ(device.viewport().x, 4);
  EXPECT_EQ(device.viewport().width, 16);
  // Room (1, 1) less the half pixel of the room is (1, 1) of the port.
  exec("draw_sprite(sprite0, 0, 1, 1);");
  const TBitmap32 f = back_buffer();
  EXPECT_PIXEL(f, 5, 5, kBlue);
  EXPECT_PIXEL(f, 8, 8, kBlue);
  EXPECT_PIXEL(f, 4, 4, kBlack);
  EXPECT_PIXEL(f, 9, 9, kBlack);
}

// A draw event that draws into surfaces, one after the other, keeps drawing through its
// view.
TEST_F(SurfaceTest, ADrawEventUsingASurfaceKeepsItsView) {
  const int object = add_object("obj", -1, 0);
  on(object, kEventDraw, 0,
     "surface_set_target(global.s); draw_sprite(sprite0, 0, 0, 0); surface_reset_target();"
     "surface_set_target(global.t); draw_sprite(sprite0, 0, 1, 1); surface_reset_target();"
     "draw_sprite(sprite0, 0, x, y);");
  CRoom& room_data = add_room("rm");
  room_data.width = 64;
  room_data.height = 64;
  room_data.background_color = 0;
  room_data.views_enabled = true;
  CView& view = room_data.views[0];
  view.visible = true;
  view.view_x = 8;
  view.view_y = 8;
  view.view_width = 16;
  view.view_height = 12;
  view.port_width = 32;
  view.port_height = 24;
  place(0, object, 10, 10);
  ASSERT_TRUE(start());
  exec("global.s = surface_create(4, 4); global.t = surface_create(4, 4);");
  frames_.clear();
  run_steps(1);
  ASSERT_FALSE(frames_.empty());
  const TBitmap32& f = frames_.back();
  // Room (10, 10) less the half pixel is 1.5 right of and below the view's corner, twice
  // as big; without the view it would be at (10, 10).
  EXPECT_PIXEL(f, 3, 3, kBlue);
  EXPECT_PIXEL(f, 6, 6, kBlue);
  EXPECT_PIXEL(f, 2, 2, kBlack);
  EXPECT_PIXEL(f, 7, 7, kBlack);
  EXPECT_PIXEL(f, 10, 10, kBlack);
  EXPECT_EQ(surface_pixel(0, 1, 1), kBlue);
  EXPECT_EQ(surface_pixel(1, 2, 2), kBlue);
}

// Ids not in use are reported and change nothing; freed ids are reused lowest first; the
// target freed goes back to the screen; no surface lives through a reset or a new device.
TEST_F(SurfaceTest, MissingSurfacesAreReported) {
  start_room();
  take_shown();
  EXPECT_EQ(eval("surface_set_target(5)").real, 0);
  exec("draw_surface(5, 0, 0); draw_surface_tiled_ext(-1, 0, 0, 1, 1, c_white, 1);");
  EXPECT_EQ(eval("surface_get_width(5)").real, -1);
  EXPECT_EQ(eval("surface_getpixel(5, 0, 0)").real, 0);
  exec("surface_free(5); surface_reset_target();");  // nothing to say
  std::vector<std::string> shown = take_shown();
  ASSERT_EQ(shown.size(), 5u);
  for (const std::string& message : shown) EXPECT_NE(message.find(kNoSurface), std::string::npos);
  EXPECT_EQ(surface_target(), -1);

  EXPECT_EQ(eval("surface_create(0, 5)").real, -1);
  EXPECT_EQ(eval("surface_create(5, -1)").real, -1);
  EXPECT_EQ(eval("surface_create(100000, 100000)").real, -1);  // beyond any texture
  EXPECT_EQ(eval("surface_create(2, 2)").real, 0);
  EXPECT_EQ(eval("surface_create(3, 3)").real, 1);
  exec("surface_set_target(0); surface_free(0);");
  EXPECT_EQ(surface_target(), -1);
  EXPECT_EQ(graphics_device().renderer()->target(), 0u);
  EXPECT_EQ(graphics_device().viewport().width, 32);
  EXPECT_EQ(eval("surface_exists(0)").real, 0);
  exec("surface_copy(1, 0, 0, 0); surface_save(0, 'x.png');");
  EXPECT_EQ(take_shown().size(), 2u);
  EXPECT_EQ(eval("surface_create(4, 4)").real, 0);

  // Before a reset of the device.
  exec("surface_set_target(1);");
  free_all_surfaces();
  EXPECT_EQ(surface_target(), -1);
  EXPECT_EQ(graphics_device().renderer()->target(), 0u);
  EXPECT_EQ(eval("surface_exists(0) + surface_exists(1)").real, 0);
  exec("draw_surface(1, 0, 0);");
  shown = take_shown();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].find(kNoSurface), std::string::npos);

  // A new device starts without any.
  EXPECT_EQ(eval("surface_create(4, 4)").real, 0);
  graphics_device().create(window_->renderer(), 32, 24, 1024, 768);
  EXPECT_EQ(eval("surface_exists(0)").real, 0);

  // A change of display mode resets the device, the surface being drawn into too.
  exec(
      "global.s = surface_create(4, 4); surface_set_target(global.s); display_set_size(800, 600);");
  EXPECT_EQ(eval("surface_exists(global.s)").real, 0);
  EXPECT_EQ(surface_target(), -1);
  EXPECT_EQ(graphics_device().renderer()->target(), 0u);
  restore_game_display_mode();
}

// A copy replaces pixels (alpha too) where both rectangles overlap their surfaces; a
// negative position on either side drops the source's first columns or rows.
TEST_F(SurfaceTest, CopiesAreClippedOnBothSides) {
  start_room();
  exec("surface_create(4, 4); surface_create(4, 4);");
  TBitmap32 pattern(4, 4);
  auto at = [](int x, int y) {
    return 0xFF000000u | uint32_t(x * 60 + 10) << 16 | uint32_t(y * 60 + 10) << 8;
  };
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) pattern.image().at(x, y) = at(x, y);
  }
  pattern.image().at(3, 3) = 0x00123456u;
  fill(0, pattern);
  const TBitmap32 blue(4, 4, kBlue);

  fill(1, blue);
  exec("surface_copy_part(1, -1, 2, 0, 0, 0, 4, 4);");
  EXPECT_EQ(surface_pixel(1, 0, 2), at(1, 0));
  EXPECT_EQ(surface_pixel(1, 2, 3), at(3, 1));
  EXPECT_EQ(surface_pixel(1, 3, 2), kBlue);
  EXPECT_EQ(surface_pixel(1, 0, 1), kBlue);

  fill(1, blue);
  exec("surface_copy_part(1, 0, 0, 0, -2, -1, 4, 4);");
  EXPECT_EQ(surface_pixel(1, 2, 1), at(0, 0));
  EXPECT_EQ(surface_pixel(1, 3, 3), at(1, 2));
  EXPECT_EQ(surface_pixel(1, 1, 1), kBlue);
  EXPECT_EQ(surface_pixel(1, 2, 0), kBlue);

  fill(1, blue);
  exec("surface_copy_part(1, 3, 3, 0, 3, 3, 100, 100); surface_copy_part(1, 4, 0, 0, 0, 0, 4, 4);");
  EXPECT_EQ(surface_pixel(1, 3, 3), 0x00123456u);  // no blending: the alpha comes along
  EXPECT_EQ(surface_pixel(1, 2, 2), kBlue);

  fill(1, blue);
  exec("surface_copy(1, 2, 1, 0);");
  EXPECT_EQ(surface_pixel(1, 2, 1), at(0, 0));
  EXPECT_EQ(surface_pixel(1, 3, 3), at(1, 2));
  EXPECT_EQ(surface_pixel(1, 1, 1), kBlue);

  // Onto itself, overlapping: every pixel moves one to the right.
  exec("surface_copy_part(0, 1, 0, 0, 0, 0, 3, 1);");
  EXPECT_EQ(surface_pixel(0, 0, 0), at(0, 0));
  EXPECT_EQ(surface_pixel(0, 1, 0), at(0, 0));
  EXPECT_EQ(surface_pixel(0, 3, 0), at(2, 0));
}

// ".png" in any case writes a PNG with the surface's alpha, anything else a bitmap file;
// a part is clipped to the surface; an empty name is reported, a failed write is not.
TEST_F(SurfaceTest, SavedPicturesKeepTheSurfacesAlpha) {
  start_room();
  ScratchDir scratch("surface_save");
  exec("surface_create(4, 2);");
  TBitmap32 picture(4, 2, 0);
  picture.image().at(0, 0) = kRed;
  picture.image().at(3, 1) = 0x80FF0000u;
  fill(0, picture);
  const std::string folder = scratch.path().string() + "/";
  exec("surface_save(0, '" + folder + "a.PNG'); surface_save(0, '" + folder +
       "b.bmp'); surface_save_part(0, '" + folder + "c.png', 1, -1, 10, 10);");
  EXPECT_EQ(first_bytes(scratch / "a.PNG", 4), "\x89PNG");
  EXPECT_EQ(first_bytes(scratch / "b.bmp", 2), "BM");
  TBitmap32 saved;
  ASSERT_TRUE(load_image_file(scratch / "a.PNG", saved));
  ASSERT_EQ(saved.width(), 4);
  EXPECT_EQ(saved.pixel(0, 0), kRed);
  EXPECT_EQ(saved.pixel(1, 0) >> 24, 0u);
  EXPECT_EQ(saved.pixel(3, 1), 0x80FF0000u);
  ASSERT_TRUE(load_image_file(scratch / "c.png", saved));
  EXPECT_EQ(saved.width(), 3);
  EXPECT_EQ(saved.height(), 2);
  EXPECT_EQ(saved.pixel(2, 1), 0x80FF0000u);

  take_shown();
  exec("surface_save(0, ''); surface_save_part(0, 3, 0, 0, 1, 1); surface_save(0, '" + folder +
       "no/such/folder/d.png');");
  const std::vector<std::string> shown = take_shown();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_NE(shown[0].find("Trying to save surface to empty image file name."), std::string::npos);
  EXPECT_FALSE(fs::exists(scratch / "no"));
}

// A minimap: the room's 8 × 8 blocks drawn as single pixels into a transparent 16 × 12
// surface (an eighth of the room) with the view's outline, then drawn twice as big at
// (48, 16) of the room, which the view (16, 16, 64, 48 shown 1:1) puts at (32, 0) of the
// screen. What the minimap leaves transparent shows the room below it.
TEST(SurfaceFrames, AMinimapIsDrawnThroughTheView) {
  const fs::path project = fs::path(VN_SOURCE_DIR) / "tests/graphics/frames/surface_minimap";
  ScratchDir scratch("frames_surface_minimap");
  const fs::path shot = scratch / "shot.png";
  const RCommandResult run = run_command(
      "env -u DISPLAY -u WAYLAND_DISPLAY " + quoted(VN_PATH) +
      " run --headless --fixed-clock --steps 2 --shot 1:" + quoted(shot) + " " + quoted(project));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  TBitmap32 frame;
  ASSERT_TRUE(load_image_file(shot, frame));
  ASSERT_EQ(frame.width(), 64);
  ASSERT_EQ(frame.height(), 48);
  const uint32_t grey = 0xFF808080u;
  EXPECT_PIXEL(frame, 15, 15, kRed);  // the red block at (24, 24) of the room
  EXPECT_PIXEL(frame, 16, 16, grey);
  // The minimap: pixel (u, v) of the surface is the 2 × 2 square at (32 + 2u, 2v).
  EXPECT_PIXEL(frame, 35, 3, kRed);  // (8, 8) / 8, a block outside the view
  EXPECT_PIXEL(frame, 36, 2, grey);
  EXPECT_PIXEL(frame, 48, 12, kBlue);        // (64, 48) / 8
  EXPECT_PIXEL(frame, 51, 15, 0xFFFFFFFFu);  // the view's outline, (2, 2) ... (9, 7)
  EXPECT_PIXEL(frame, 49, 6, kBlue);         // transparent: the block at (64, 16) of the room

  TBitmap32 expected;
  ASSERT_TRUE(load_image_file(project / "expected.png", expected));
  ASSERT_EQ(expected.width(), frame.width());
  ASSERT_EQ(expected.height(), frame.height());
  int wrong = 0;
  for (int y = 0; y < frame.height(); ++y) {
    for (int x = 0; x < frame.width(); ++x)
      wrong += near(frame.pixel(x, y), expected.pixel(x, y), 3) ? 0 : 1;
  }
  if (wrong != 0) {
    const fs::path kept = fs::path(VN_BINARY_DIR) / "tests/frames/surface_minimap";
    fs::create_directories(kept);
    std::string error;
    save_png_file(kept / "actual.png", frame, error);
  }
  EXPECT_EQ(wrong, 0) << "pixels differ from expected.png; the frame is kept as actual.png";
}

}  // namespace
}  // namespace vn::test
