// Splashes: the settings as scripts set them, where the picture and the window go, the
// files a splash refuses, and a video decoded for real into an OpenGL context nobody sees.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "Test_Support.h"
#include "platform/Platform_GameWindow.h"
#include "platform/Platform_Media.h"
#include "platform/Platform_Video.h"
#include "runner/Form_Answer.h"
#include "runner/Runner_Library.h"
#include "runner/Runner_Splash.h"
#include "script/Code_Function.h"

namespace vn {
namespace {

namespace fs = std::filesystem;

void call(const std::string& name, std::vector<RValue> arguments) {
  int32_t id = -1;
  ASSERT_TRUE(find_function(name, id)) << name;
  arguments.resize(kMaxArguments);
  RValue result;
  builtin_function(id)->handler(nullptr, nullptr, int(arguments.size()), arguments.data(), result);
}

// A raw video, 25 frames a second: each pixel's colour (0xRRGGBB) from the function.
void write_video(const fs::path& path, int width, int height, int frames,
                 const std::function<uint32_t(int x, int y)>& color) {
  std::ofstream file(path, std::ios::binary);
  file << "YUV4MPEG2 W" << width << " H" << height << " F25:1 Ip A1:1 C444\n";
  std::string planes(size_t(width) * size_t(height) * 3, '\0');
  const size_t plane = size_t(width) * size_t(height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t rgb = color(x, y);
      const double r = rgb >> 16 & 0xFF, g = rgb >> 8 & 0xFF, b = rgb & 0xFF;
      // Studio-range BT.601, as players assume for a file that does not say.
      const size_t at = size_t(y) * size_t(width) + size_t(x);
      planes[at] = char(16.5 + (65.481 * r + 128.553 * g + 24.966 * b) / 255);
      planes[plane + at] = char(128.5 + (-37.797 * r - 74.203 * g + 112.0 * b) / 255);
      planes[2 * plane + at] = char(128.5 + (112.0 * r - 93.786 * g - 18.214 * b) / 255);
    }
  }
  for (int i = 0; i < frames; ++i) file << "FRAME\n" << planes;
}

bool near_color(uint32_t pixel, uint32_t rgb, int tolerance = 24) {
  for (int shift = 0; shift <= 16; shift += 8) {
    const int a = int(pixel >> shift & 0xFF);
    const int b = int(rgb >> shift & 0xFF);
    if (std::abs(a - b) > tolerance) return false;
  }
  return true;
}

class SplashTest : public testing::Test {
 protected:
  void SetUp() override {
    register_game_library();
    reset_splash_settings();
    clear_form_answers();
    was_headless_ = is_headless();
    set_headless(true);
  }
  void TearDown() override {
    reset_splash_settings();
    set_headless(was_headless_);
  }

  bool was_headless_ = false;
};

TEST_F(SplashTest, BooleanSettingsCountFromOneRoundedAndScaleIsKeptAsGiven) {
  const RSplashSettings defaults;
  EXPECT_TRUE(defaults.border && defaults.interrupt && defaults.stop_key && defaults.stop_mouse &&
              defaults.close_button && defaults.main);
  EXPECT_EQ(defaults.width, 640);
  EXPECT_EQ(defaults.height, 480);

  call("splash_set_border", {0.5});  // rounds to 0
  EXPECT_FALSE(splash_settings().border);
  call("splash_set_border", {0.6});
  EXPECT_TRUE(splash_settings().border);
  call("splash_set_stop_key", {1.5});  // rounds to 2
  EXPECT_TRUE(splash_settings().stop_key);
  call("splash_set_stop_key", {-3});
  EXPECT_FALSE(splash_settings().stop_key);
  call("splash_set_interrupt", {"yes"});  // a string is 0
  EXPECT_FALSE(splash_settings().interrupt);

  call("splash_set_scale", {-0.25});
  EXPECT_DOUBLE_EQ(splash_settings().scale, -0.25);
  call("splash_set_size", {320.4, 199.6});
  call("splash_set_position", {-5, 12});
  call("splash_set_color", {255});
  call("splash_set_caption", {"Intro"});
  EXPECT_EQ(splash_settings().width, 320);
  EXPECT_EQ(splash_settings().height, 200);
  EXPECT_EQ(splash_settings().left, -5);
  EXPECT_EQ(splash_settings().top, 12);
  EXPECT_EQ(splash_settings().color, 255);
  EXPECT_EQ(splash_settings().caption, "Intro");
}

TEST(SplashGeometry, PicturesFitKeepingTheirShapeOrScaleAndAreCentred) {
  // Wider than the panel: full width, bands above and below.
  RSplashBox box = place_splash_picture(320, 100, 640, 480, 0);
  EXPECT_FLOAT_EQ(box.width, 640);
  EXPECT_FLOAT_EQ(box.height, 200);
  EXPECT_FLOAT_EQ(box.left, 0);
  EXPECT_FLOAT_EQ(box.top, 140);
  // A small picture grows to fit too, whatever the negative scale.
  box = place_splash_picture(10, 20, 640, 480, -1);
  EXPECT_FLOAT_EQ(box.height, 480);
  EXPECT_FLOAT_EQ(box.width, 240);
  EXPECT_FLOAT_EQ(box.left, 200);
  // A scale is taken as it is, even when the picture then overflows the panel.
  box = place_splash_picture(400, 300, 640, 480, 2);
  EXPECT_FLOAT_EQ(box.width, 800);
  EXPECT_FLOAT_EQ(box.left, -80);
  EXPECT_FLOAT_EQ(box.top, -60);
  // Nothing to show.
  box = place_splash_picture(0, 10, 640, 480, 0);
  EXPECT_FLOAT_EQ(box.width, 0);
}

TEST(SplashGeometry, TheWindowAdaptsWithinTheScreenOrCoversIt) {
  RSplashSettings settings;
  settings.adapt = false;
  RSplashWindow window = place_splash_window(settings, 100, 50, 1024, 768);
  EXPECT_EQ(window.width, 640);
  EXPECT_EQ(window.height, 480);
  EXPECT_EQ(window.left, -1);
  EXPECT_TRUE(window.border);

  settings.adapt = true;
  settings.scale = 1.5;
  settings.left = 30;
  settings.top = -7;  // a negative coordinate is centred
  settings.border = false;
  window = place_splash_window(settings, 100, 50, 1024, 768);
  EXPECT_EQ(window.width, 150);
  EXPECT_EQ(window.height, 75);
  EXPECT_EQ(window.left, 30);
  EXPECT_EQ(window.top, -1);
  EXPECT_FALSE(window.border);

  // Never beyond the screen; nothing to adapt to keeps the set size.
  settings.scale = 0;
  window = place_splash_window(settings, 3000, 200, 1024, 768);
  EXPECT_EQ(window.width, 1024);
  EXPECT_EQ(window.height, 200);
  window = place_splash_window(settings, 0, 0, 1024, 768);
  EXPECT_EQ(window.width, 640);

  settings.fullscreen = true;
  settings.border = true;
  window = place_splash_window(settings, 100, 50, 1024, 768);
  EXPECT_EQ(window.left, 0);
  EXPECT_EQ(window.top, 0);
  EXPECT_EQ(window.width, 1024);
  EXPECT_EQ(window.height, 768);
  EXPECT_FALSE(window.border);
}

TEST_F(SplashTest, MissingFilesAreRefusedWithTheirMessages) {
  test::ScratchDir scratch("splash_missing");
  RSplashRequest request;
  request.kind = SplashKind::image;
  request.file = (scratch / "none.png").string();
  EXPECT_EQ(splash_form().show(request), "Image file not found.");
  request.kind = SplashKind::text;
  EXPECT_EQ(splash_form().show(request), "Text file not found.");
  request.kind = SplashKind::video;
  EXPECT_EQ(splash_form().show(request), "Video file not found (or name too long).");
  // A folder is no video either.
  request.file = scratch.path().string();
  EXPECT_EQ(splash_form().show(request), "Video file not found (or name too long).");
  request.kind = SplashKind::web;
  request.file = (scratch / "page.html").string();
  EXPECT_EQ(splash_form().show(request), "Web page not found.");
  request.file.clear();
  EXPECT_EQ(splash_form().show(request), "Web page not found.");
}

TEST_F(SplashTest, AVideoNameOf127CharactersIsTooLongEvenWhenTheFileExists) {
  test::ScratchDir scratch("splash_long");
  const std::string folder = scratch.path().string() + "/";
  ASSERT_LT(folder.size(), 100u);
  const std::string fits = folder + std::string(126 - folder.size(), 'v');
  const std::string too_long = folder + std::string(127 - folder.size(), 'w');
  std::ofstream(fits) << "x";
  std::ofstream(too_long) << "x";

  RSplashRequest request;
  request.kind = SplashKind::video;
  request.file = too_long;
  EXPECT_EQ(splash_form().show(request), "Video file not found (or name too long).");
  // Without a screen the one that fits is answered as a form named by its file.
  request.file = fits;
  testing::internal::CaptureStderr();
  EXPECT_EQ(splash_form().show(request), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "form: splash: " + fits + "\n");
}

TEST_F(SplashTest, WithoutAScreenASplashTakesAnAnswerAndNamesItselfByItsCaption) {
  ASSERT_TRUE(forms_answer_headless());
  test::ScratchDir scratch("splash_headless");
  std::ofstream(scratch / "notes.txt") << "Hello\r\nthere";
  splash_settings().caption = "Read\rme";
  queue_form_answer("anything");
  RSplashRequest request;
  request.kind = SplashKind::text;
  request.file = (scratch / "notes.txt").string();
  testing::internal::CaptureStderr();
  EXPECT_EQ(splash_form().show(request), "");
  // A web address is never handed to a browser by a run nobody sees.
  request.kind = SplashKind::web;
  request.file = "http://localhost/";
  EXPECT_EQ(splash_form().show(request), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "form: splash: Read me\nform: splash: Read me\n");
  EXPECT_EQ(queued_form_answers(), 0u);
  EXPECT_FALSE(splash_form().showing());
}

// The player on the game window's context, headless: llvmpipe behind EGL.
class VideoPlayerTest : public testing::Test {
 protected:
  void SetUp() override {
    was_headless_ = is_headless();
    set_headless(true);
    set_video_sound_allowed(false);
    RGameWindowSetup setup;
    setup.width = 32;
    setup.height = 32;
    window_ = create_game_window(setup);
    if (window_->renderer() == nullptr) GTEST_SKIP() << "no OpenGL headless";
  }
  void TearDown() override {
    player_.reset();
    window_.reset();
    set_video_sound_allowed(true);
    set_headless(was_headless_);
  }

  // Updates the player until the condition holds or the time is up.
  bool play_until(const std::function<bool()>& done, int milliseconds = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
      player_->wait_for_frame(10);
      player_->update();
      if (done()) return true;
    }
    return false;
  }

  bool was_headless_ = false;
  std::unique_ptr<IGameWindow> window_;
  std::unique_ptr<CVideoPlayer> player_ = std::make_unique<CVideoPlayer>();
};

TEST_F(VideoPlayerTest, FramesArriveUprightInTheTexture) {
  test::ScratchDir scratch("video_frames");
  const fs::path file = scratch / "halves.y4m";
  write_video(file, 64, 48, 5, [](int, int y) { return y < 24 ? 0xFF0000u : 0x0000FFu; });
  int width = 0;
  int height = 0;
  std::string error;
  ASSERT_TRUE(probe_video(file, width, height, error)) << error;
  EXPECT_EQ(width, 64);
  EXPECT_EQ(height, 48);

  ASSERT_TRUE(player_->open(file, {}, error)) << error;
  ASSERT_TRUE(play_until([&] { return player_->frames_drawn() > 0; }));
  EXPECT_NE(player_->texture(), 0u);
  const RImage frame = player_->read_frame();
  ASSERT_EQ(frame.width, 64);
  ASSERT_EQ(frame.height, 48);
  EXPECT_TRUE(near_color(frame.at(32, 4), 0xFF0000)) << std::hex << frame.at(32, 4);
  EXPECT_TRUE(near_color(frame.at(32, 44), 0x0000FF)) << std::hex << frame.at(32, 44);
}

TEST_F(VideoPlayerTest, AVideoEndsUnlessItLoops) {
  test::ScratchDir scratch("video_loop");
  const fs::path file = scratch / "short.y4m";
  write_video(file, 16, 16, 4, [](int, int) { return 0x00FF00u; });  // 0.16 s
  std::string error;
  ASSERT_TRUE(player_->open(file, {}, error)) << error;
  EXPECT_TRUE(play_until([&] { return player_->ended(); }));
  EXPECT_EQ(player_->error(), "");

  player_ = std::make_unique<CVideoPlayer>();
  RVideoOptions looping;
  looping.loop = true;
  ASSERT_TRUE(player_->open(file, looping, error)) << error;
  // Well past three ends it still plays, and from near the start again.
  EXPECT_FALSE(play_until([&] { return player_->ended(); }, 700));
  EXPECT_LT(player_->position(), 0.5);
  EXPECT_GT(player_->frames_drawn(), 4);
}

TEST_F(VideoPlayerTest, FilesThatAreNoVideoAreRefused) {
  test::ScratchDir scratch("video_bad");
  std::ofstream(scratch / "noise.avi") << std::string(3000, '\x5a');
  int width = 0;
  int height = 0;
  std::string error;
  EXPECT_FALSE(probe_video(scratch / "noise.avi", width, height, error));
  EXPECT_NE(error, "");
  EXPECT_FALSE(player_->open(scratch / "noise.avi", {}, error));
  EXPECT_FALSE(player_->open(scratch / "absent.avi", {}, error));
  EXPECT_TRUE(player_->ended());
  EXPECT_FALSE(player_->update());
}

}  // namespace
}  // namespace vn
