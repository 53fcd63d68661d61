// The drawing functions of scripts and room transitions on a real device: a game runs in
// this process headless, its frames drawn by OpenGL and read back from the back buffer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "graphics/BM32_File.h"
#include "graphics/Device_Test_Support.h"
#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Draw.h"
#include "graphics/Graphics_Screen.h"
#include "graphics/Graphics_Texture.h"
#include "graphics/Graphics_Transition.h"
#include "graphics/Graphics_Window.h"
#include "graphics/Room_Draw.h"
#include "platform/Platform_GameWindow.h"
#include "platform/Platform_Video.h"
#include "world/World_Test_Support.h"

namespace vn::test {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kBlue = 0xFF0000FFu;
constexpr uint32_t kBlack = 0xFF000000u;

// The same pictures but for alpha, which blending leaves in the back buffer.
bool same_colours(const TBitmap32& a, const TBitmap32& b) {
  if (a.width() != b.width() || a.height() != b.height()) return false;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      if (!near(a.pixel(x, y), b.pixel(x, y))) return false;
    }
  }
  return true;
}

fs::path case_folder(const std::string& name) {
  return fs::path(VN_SOURCE_DIR) / "tests" / "graphics" / "frames" / name;
}

// A game with a device: every presented frame is kept as the back buffer read back.
class DrawingTest : public DeviceWorldTest {
 protected:
  void SetUp() override {
    DeviceWorldTest::SetUp();
    open_device(32, 24);
    RRunHooks hooks = run_hooks();
    hooks.draw_room = [] { draw_room("test", nullptr); };
    hooks.present_frame = [this] {
      CGraphicsDevice& device = graphics_device();
      std::optional<TBitmap32> frame =
          device.read_back(0, 0, device.back_buffer_width(), device.back_buffer_height());
      frames_.push_back(frame ? *frame : TBitmap32());
    };
    hooks.resize_window = [](int width, int height) {
      graphics_device().set_back_buffer_region(width, height);
    };
    hooks.capture_transition_frame = [] { capture_transition_frame(); };
    hooks.play_transition = [](int kind) { play_transition(kind); };
    set_run_hooks(std::move(hooks));
  }

  void TearDown() override {
    DeviceWorldTest::TearDown();
    clear_transitions();
    close_device();
  }

  void add_script(const std::string& name, const std::string& source) {
    auto script = std::make_unique<CScript>();
    script->source = source;
    game_.scripts.add(name, std::move(script));
  }

  void clear_room_area() {
    CGraphicsDevice& device = graphics_device();
    device.set_viewport(0, 0, room().width, room().height);
    device.set_projection(0, room().height, room().width, 0, 0);
    device.clear(kBlack);
  }

  std::vector<TBitmap32> frames_;
};

// A transition's frames: the first is the old room, the last the new one; in between,
// kind 14 pushes the old room out to the right by round(w t) while the new follows it.
TEST_F(DrawingTest, ATransitionRunsFromTheOldRoomToTheNew) {
  std::string error;
  ASSERT_TRUE(load_project(case_folder("transition"), error)) << error;
  ASSERT_TRUE(start());
  frames_.clear();
  run_steps(1);
  // The transition's 5 frames, then the new room's first frame presented again.
  ASSERT_EQ(frames_.size(), 6u);
  const TBitmap32& first = frames_[0];
  EXPECT_PIXEL(first, 0, 0, kRed);
  EXPECT_PIXEL(first, 1, 1, 0xFFFFFF00u);  // room a's yellow mark
  const TBitmap32& middle = frames_[2];    // t = 1/2: pushed 10 to the right
  EXPECT_PIXEL(middle, 9, 0, kBlue);
  EXPECT_PIXEL(middle, 10, 0, kRed);
  EXPECT_PIXEL(middle, 11, 1, 0xFFFFFF00u);
  EXPECT_PIXEL(middle, 5, 6, 0xFFFFFFFFu);  // room b's white mark from (15, 6)
  EXPECT_PIXEL(frames_[1], 17, 0, kRed);    // t = 1/4: 5 pixels in
  EXPECT_PIXEL(frames_[1], 4, 0, kBlue);
  EXPECT_TRUE(same_colours(frames_[4], frames_[5]));

  TBitmap32 expected_first;
  TBitmap32 expected_last;
  ASSERT_TRUE(load_image_file(case_folder("transition") / "first.png", expected_first));
  ASSERT_TRUE(load_image_file(case_folder("transition") / "expected.png", expected_last));
  EXPECT_TRUE(same_colours(first, expected_first));
  EXPECT_TRUE(same_colours(frames_[4], expected_last));
  EXPECT_FALSE(transition_pending());
  EXPECT_EQ(world_state().transition_kind, 0);
}

// Each built-in kind at a point on its way, old red and new blue, 20 × 10.
TEST_F(DrawingTest, BuiltInKindsPlaceTheTwoFrames) {
  const int old_texture = texture_create_from_image(TBitmap32(20, 10, kRed));
  const int new_texture = texture_create_from_image(TBitmap32(20, 10, kBlue));
  CGraphicsDevice& device = graphics_device();
  device.set_back_buffer_region(20, 10);
  device.set_viewport(0, 0, 20, 10);
  device.set_projection(0, 10, 20, 0, 0);
  auto frame = [&](int kind, double t, int steps = 4) {
    device.clear(kBlack);
    draw_transition_frame(kind, old_texture, new_texture, 20, 10, t, steps);
    return back_buffer();
  };
  // t = 0.25: 5 columns, or 2 rows (2.5 rounds to even).
  TBitmap32 f = frame(1, 0.25);
  EXPECT_PIXEL(f, 4, 5, kBlue);
  EXPECT_PIXEL(f, 5, 5, kRed);
  f = frame(2, 0.25);
  EXPECT_PIXEL(f, 14, 5, kRed);
  EXPECT_PIXEL(f, 15, 5, kBlue);
  f = frame(3, 0.25);
  EXPECT_PIXEL(f, 0, 1, kBlue);
  EXPECT_PIXEL(f, 0, 2, kRed);
  f = frame(4, 0.25);
  EXPECT_PIXEL(f, 0, 7, kRed);
  EXPECT_PIXEL(f, 0, 8, kBlue);
  f = frame(5, 0.5);  // a 10 × 5 centre
  EXPECT_PIXEL(f, 5, 2, kBlue);
  EXPECT_PIXEL(f, 14, 6, kBlue);
  EXPECT_PIXEL(f, 4, 2, kRed);
  EXPECT_PIXEL(f, 15, 7, kRed);
  f = frame(6, 0.25);  // slides in from the left: its right edge at 5
  EXPECT_PIXEL(f, 4, 0, kBlue);
  EXPECT_PIXEL(f, 5, 0, kRed);
  f = frame(9, 0.25);  // from the bottom: its top edge at 8
  EXPECT_PIXEL(f, 0, 7, kRed);
  EXPECT_PIXEL(f, 0, 8, kBlue);
  f = frame(15, 0.25);  // pushed out to the left by 5
  EXPECT_PIXEL(f, 14, 0, kRed);
  EXPECT_PIXEL(f, 15, 0, kBlue);
  // Interlaced from the left, 4 steps, c = 1, g = 2: strips 0 and 1 of 5 columns, at 0 and
  // 10, over the old frame.
  f = frame(10, 0.25);
  EXPECT_PIXEL(f, 4, 0, kBlue);
  EXPECT_PIXEL(f, 5, 0, kRed);
  EXPECT_PIXEL(f, 10, 0, kBlue);
  EXPECT_PIXEL(f, 15, 0, kRed);
  // From the right: strips i >= g - c = 1, that is 1 and 2; the last lies past the edge.
  f = frame(11, 0.25);
  EXPECT_PIXEL(f, 0, 0, kRed);
  EXPECT_PIXEL(f, 10, 0, kBlue);
  f = frame(13, 1);
  EXPECT_PIXEL(f, 0, 0, kBlue);
  EXPECT_PIXEL(f, 19, 9, kBlue);
  // Scaled about the centre by t: at 1/4 a 5 × 2.5 picture turned by 180 degrees.
  f = frame(18, 0.25);
  EXPECT_PIXEL(f, 10, 5, kBlue);
  EXPECT_PIXEL(f, 4, 5, kRed);
  f = frame(19, 1);
  EXPECT_PIXEL(f, 0, 0, kBlue);
  // Blend and fade.
  f = frame(20, 0.5);
  EXPECT_PIXEL(f, 3, 3, 0xFF7F0080u);
  f = frame(21, 0.25);  // old at half alpha over black
  EXPECT_PIXEL(f, 3, 3, 0xFF800000u);
  f = frame(21, 0.75);
  EXPECT_PIXEL(f, 3, 3, 0xFF000080u);
  f = frame(0, 0.5);  // not a kind: nothing
  EXPECT_PIXEL(f, 3, 3, kBlack);
  texture_free(old_texture);
  texture_free(new_texture);
}

// A transition of the game's own is called with the two surfaces, the size and the
// fraction, once for every frame; errors in it are reported once, and an index nobody
// defined is reported instead of shown.
TEST_F(DrawingTest, UserTransitionsAreCalledWithBothFrames) {
  add_script("scr_fade",
             "show_debug_message(string(argument0) + ' ' + string(argument1) + ' ' + "
             "string(argument2) + ' ' + string(argument3) + ' ' + string(argument4));");
  add_script("scr_broken", "x = undefined_variable_here;");
  const int go = add_object("obj_go");
  on(go, kEventStep, 0, "if (room < 3) room_goto_next();");
  for (int i = 0; i < 4; ++i) {
    CRoom& room_data = add_room("rm" + std::to_string(i));
    room_data.width = 20;
    room_data.height = 10;
    place(i, go);
  }
  ASSERT_TRUE(start());
  EXPECT_EQ(eval("transition_define(100, 'scr_fade')").real, 1);
  EXPECT_EQ(eval("transition_define(101, 'scr_broken')").real, 1);
  EXPECT_EQ(eval("transition_define(102, 'no_such_function')").real, 0);
  EXPECT_EQ(eval("transition_define(0, 'scr_fade')").real, 0);
  EXPECT_EQ(eval("transition_define(1000000, 'scr_fade')").real, 0);
  EXPECT_EQ(eval("transition_exists(100)").real, 1);
  EXPECT_EQ(eval("transition_exists(21)").real, 1);
  EXPECT_EQ(eval("transition_exists(22)").real, 0);
  EXPECT_EQ(eval("transition_exists(102)").real, 0);
  take_log();

  exec("transition_steps = 2; transition_kind = 100;");
  run_steps(1);
  EXPECT_EQ(take_log(), (std::vector<std::string>{"0 1 20 10 0", "0 1 20 10 0.50", "0 1 20 10 1"}));
  EXPECT_EQ(world_state().room, 1);

  display_.shown.clear();
  exec("transition_kind = 101;");
  run_steps(1);
  ASSERT_EQ(display_.shown.size(), 1u);
  EXPECT_EQ(display_.shown[0].rfind("ERROR in transition function scr_broken\r\n", 0), 0u)
      << display_.shown[0];

  display_.shown.clear();
  exec("transition_kind = 555;");
  run_steps(1);
  EXPECT_EQ(display_.shown, (std::vector<std::string>{"Transition Function does not exist."}));
  EXPECT_FALSE(transition_pending());
}

// Without automatic drawing nothing is drawn, presented or captured for a transition.
TEST_F(DrawingTest, NoTransitionWithoutAutomaticDrawing) {
  const int go = add_object("obj_go");
  on(go, kEventStep, 0, "set_automatic_draw(false); transition_kind = 1; room_goto_next();");
  add_room("rm_first");
  place(0, go);
  add_room("rm_second");
  ASSERT_TRUE(start());
  frames_.clear();
  run_steps(1);
  EXPECT_TRUE(frames_.empty());
  EXPECT_FALSE(transition_pending());
  EXPECT_EQ(world_state().room, 1);
}

// The sprite functions against the pixels they cover.
TEST_F(DrawingTest, SpriteFunctionsCoverTheirPixels) {
  const int sprite = add_sprite(2, 4, 2);
  game_.sprites.items[size_t(sprite)]->frames[1] = TBitmap32(4, 2, kBlue);
  game_.sprites.items[size_t(sprite)]->xorigin = 2;
  const int object = add_object("obj", -1, sprite);
  CRoom& room_data = add_room("rm");
  room_data.width = 32;
  room_data.height = 24;
  const int id = place(0, object, 10, 10);
  ASSERT_TRUE(start());
  CInstance* self = instance(id);
  self->image_index = 1.7;

  clear_room_area();
  exec("draw_sprite(sprite0, -1, 4, 1);", self);  // the instance's frame 1, origin 2
  TBitmap32 f = back_buffer();
  EXPECT_PIXEL(f, 2, 1, kBlue);
  EXPECT_PIXEL(f, 5, 2, kBlue);
  EXPECT_PIXEL(f, 1, 1, kBlack);
  EXPECT_PIXEL(f, 6, 1, kBlack);

  clear_room_area();
  exec(
      "draw_sprite_stretched(sprite0, 1, 1, 1, 8, 3); draw_sprite_stretched(sprite0, 1, 20, 1, 0, "
      "5);"
      "draw_sprite_stretched(sprite0, 1, 20, 10, 5, -1);",
      self);
  f = back_buffer();
  EXPECT_PIXEL(f, 1, 1, kBlue);
  EXPECT_PIXEL(f, 8, 3, kBlue);
  EXPECT_PIXEL(f, 9, 3, kBlack);
  EXPECT_PIXEL(f, 20, 1, kBlack);
  EXPECT_PIXEL(f, 20, 10, kBlack);

  // General: the part's corners take their own colours; turned 90 degrees about its
  // top-left corner, a 2 × 1 part at (10, 10) goes up from there.
  clear_room_area();
  exec(
      "draw_sprite_general(sprite0, 1, 0, 0, 2, 1, 10, 10, 1, 1, 90, c_white, c_white, c_white,"
      " c_white, 1);",
      self);
  f = back_buffer();
  EXPECT_PIXEL(f, 10, 9, kBlue);
  EXPECT_PIXEL(f, 10, 8, kBlue);
  EXPECT_PIXEL(f, 11, 9, kBlack);
  EXPECT_PIXEL(f, 10, 10, kBlack);

  // Tiled over the whole room from a copy whose origin is at (0, 0).
  clear_room_area();
  exec("draw_sprite_tiled(sprite0, 1, 0, 0);", self);
  f = back_buffer();
  EXPECT_PIXEL(f, 0, 0, kBlue);
  EXPECT_PIXEL(f, 31, 23, kBlue);

  // A missing sprite or background is reported and draws nothing.
  display_.shown.clear();
  exec("draw_sprite(55, 0, 0, 0); draw_background_ext(3, 0, 0, 1, 1, 0, c_white, 1);", self);
  ASSERT_EQ(display_.shown.size(), 2u);
  EXPECT_NE(display_.shown[0].find("Trying to draw non-existing sprite."), std::string::npos);
  EXPECT_NE(display_.shown[1].find("Trying to draw non-existing background."), std::string::npos);

  // Texture ids of frames; every texture is made at its picture's size.
  EXPECT_EQ(eval("texture_exists(sprite_get_texture(sprite0, 1))").real, 1);
  EXPECT_EQ(eval("sprite_get_texture(sprite0, 3) == sprite_get_texture(sprite0, 1)").real, 1);
  EXPECT_EQ(eval("sprite_get_texture(9, 0)").real, -1);
  EXPECT_EQ(eval("background_get_texture(0)").real, -1);
  EXPECT_EQ(eval("texture_get_width(sprite_get_texture(sprite0, 0))").real, 1);
  EXPECT_EQ(eval("texture_exists(-1)").real, 0);
}

// The drawing actions forward to the functions, x and y from the instance when relative;
// the caption action sets what the caption shows.
TEST_F(DrawingTest, DrawingActionsForwardToTheFunctions) {
  const int sprite = add_sprite(1, 2, 2);
  game_.sprites.items[size_t(sprite)]->frames[0] = TBitmap32(2, 2, kBlue);
  const int object = add_object("obj");
  add_room("rm").width = 32;
  const int id = place(0, object, 10, 10);
  ASSERT_TRUE(start());
  CInstance* self = instance(id);
  clear_room_area();
  run_state().argument_relative = true;
  exec("action_draw_sprite(sprite0, 2, 3, 0);", self);
  run_state().argument_relative = false;
  exec("action_draw_sprite(sprite0, 1, 1, 0);", self);
  const TBitmap32 f = back_buffer();
  EXPECT_PIXEL(f, 12, 13, kBlue);
  EXPECT_PIXEL(f, 13, 14, kBlue);
  EXPECT_PIXEL(f, 11, 12, kBlack);
  EXPECT_PIXEL(f, 1, 1, kBlue);

  exec("action_set_caption(1, 'Points: ', 1, 'Men: ', 0, 'HP: ');", self);
  const RCaptionState& caption = caption_state();
  EXPECT_TRUE(caption.show_score);
  EXPECT_TRUE(caption.score_set);
  EXPECT_TRUE(caption.show_lives);
  EXPECT_FALSE(caption.show_health);
  EXPECT_EQ(caption.score_caption, "Points: ");
  EXPECT_EQ(caption.lives_caption, "Men: ");
  EXPECT_EQ(caption.health_caption, "HP: ");
  caption_state() = RCaptionState();
}

// screen_redraw draws and presents the whole frame; from a draw event it does so once, not
// without end.
TEST_F(DrawingTest, ScreenRedrawFromADrawEventRedrawsOnce) {
  const int object = add_object("obj");
  on(object, kEventDraw, 0, "count += 1; if (count >= 2) screen_redraw();");
  add_room("rm");
  place(0, object, 0, 0, "count = 0;");
  ASSERT_TRUE(start());
  frames_.clear();
  run_steps(1);
  // The step's frame, the frame redrawn inside it, and its presentation.
  EXPECT_EQ(frames_.size(), 2u);
  EXPECT_EQ(eval("obj.count").real, 3);
}

// draw_getpixel reads the back buffer under a room point through the view being drawn.
TEST_F(DrawingTest, GetPixelLooksThroughTheCurrentView) {
  const int object = add_object("obj");
  CRoom& room_data = add_room("rm");
  room_data.width = 64;
  room_data.height = 64;
  room_data.background_color = 0x0000FF;
  room_data.views_enabled = true;
  room_data.views[0].visible = true;
  room_data.views[0].view_x = 20;
  room_data.views[0].view_y = 20;
  room_data.views[0].view_width = 16;
  room_data.views[0].view_height = 16;
  room_data.views[0].port_width = 32;
  room_data.views[0].port_height = 32;
  place(0, object);
  ASSERT_TRUE(start());
  run_steps(1);
  CGraphicsDevice& device = graphics_device();
  // The port (0, 0, 32, 32) shows room (20, 20) ... (36, 36) at twice the size.
  device.set_viewport(0, 0, 32, 32);
  device.set_projection(0, 32, 32, 0, 0);
  device.clear(0xFF00FF00u);
  device.set_viewport(8, 8, 2, 2);
  device.clear(0xFFFF0000u);
  EXPECT_EQ(eval("draw_getpixel(24, 24)").real, 255);       // port (8, 8): red
  EXPECT_EQ(eval("draw_getpixel(20, 20)").real, 0x00FF00);  // port (0, 0): green
  EXPECT_EQ(eval("draw_getpixel(100, 100)").real, 0);       // outside the back buffer
}

}  // namespace
}  // namespace vn::test
