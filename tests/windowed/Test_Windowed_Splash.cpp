// Splashes in their own window on the virtual display: a picture, a text and a video as the
// player sees them, closed by Esc, a click or the close button as the settings allow.
#include <SDL.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "Test_Support.h"
#include "Windowed_Support.h"
#include "graphics/Graphics_Window.h"
#include "platform/Platform_GameWindow.h"
#include "platform/Platform_Image.h"
#include "platform/Platform_Media.h"
#include "platform/Platform_Video.h"
#include "runner/Runner_Splash.h"

namespace vn::test {
namespace {

namespace fs = std::filesystem;

constexpr int kGiveUp = 99;  // what the watcher closes a form with that did not close itself

// Input as the form's window would receive it; called while the form's frame is current.
void push_key(SDL_Keycode key) {
  SDL_Event event{};
  event.type = SDL_KEYDOWN;
  event.key.windowID = SDL_GetWindowID(SDL_GL_GetCurrentWindow());
  event.key.state = SDL_PRESSED;
  event.key.keysym.sym = key;
  event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
  SDL_PushEvent(&event);
}

// The forms read the pointer's place from the window system, so it is moved there.
void push_click(int x, int y) {
  SDL_Window* form = SDL_GL_GetCurrentWindow();
  const uint32_t window = SDL_GetWindowID(form);
  SDL_WarpMouseInWindow(form, x, y);
  SDL_Event event{};
  for (const Uint32 type : {SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}) {
    event = SDL_Event{};
    event.type = type;
    event.button.windowID = window;
    event.button.button = SDL_BUTTON_LEFT;
    event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.button.clicks = 1;
    event.button.x = x;
    event.button.y = y;
    SDL_PushEvent(&event);
  }
}

// What a splash showed before it was acted on, and whether it then closed by itself.
struct RSplashSeen {
  RFormPicture picture;
  bool closed = false;

  uint32_t pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= picture.width || y >= picture.height) return 0;
    const uint8_t* at = &picture.pixels[(size_t(y) * size_t(picture.width) + size_t(x)) * 4];
    return uint32_t(at[0]) << 16 | uint32_t(at[1]) << 8 | uint32_t(at[2]);
  }
};

// Watches the next splash: at frame `at` its picture is kept and `act` runs; the splash
// must then close by itself within a few frames, or the watcher gives up on it.
void watch_splash(RSplashSeen& seen, const std::string& name, int at, std::function<void()> act) {
  seen = RSplashSeen();
  seen.closed = true;
  watch_forms({name, at, std::nullopt, [&seen, at, act](int frame) -> std::optional<int> {
                 if (frame + 1 == at) {
                   seen.picture = last_form_picture();
                   act();
                 }
                 if (frame + 1 >= at + 20) {
                   seen.closed = false;
                   return kGiveUp;
                 }
                 return std::nullopt;
               }});
}

bool near(uint32_t a, uint32_t b, int tolerance = 24) {
  for (int shift = 0; shift <= 16; shift += 8) {
    if (std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > tolerance) return false;
  }
  return true;
}

class WindowedSplash : public testing::Test {
 protected:
  void SetUp() override {
    reset_splash_settings();
    // No game window here; its own window either way.
    splash_settings().main = false;
    set_video_sound_allowed(false);
  }
  void TearDown() override {
    stop_watching_forms();
    splash_form().close();
    reset_splash_settings();
    set_video_sound_allowed(true);
  }
  ScratchDir scratch_{"windowed_splash"};
};

TEST_F(WindowedSplash, APictureIsFittedAndCentredOnTheColourAndEscClosesIt) {
  REQUIRE_VIRTUAL_DISPLAY();
  RImage picture;
  picture.width = 40;
  picture.height = 30;
  picture.pixels.assign(40 * 30, 0xFFFF0000u);                  // red
  for (int x = 0; x < 40; ++x) picture.at(x, 0) = 0xFFFFFF00u;  // a yellow top row
  std::string error;
  ASSERT_TRUE(save_png(scratch_ / "red.png", picture, error)) << error;
  RSplashSettings& settings = splash_settings();
  settings.adapt = false;
  settings.width = 200;
  settings.height = 100;
  settings.color = 0xFF0000;  // blue, as scripts write colours

  RSplashSeen seen;
  watch_splash(seen, "splash_image", 4, [] { push_key(SDLK_ESCAPE); });
  RSplashRequest request;
  request.file = (scratch_ / "red.png").string();
  EXPECT_EQ(splash_form().show(request), "");
  EXPECT_TRUE(seen.closed);
  ASSERT_EQ(seen.picture.width, 200);
  ASSERT_EQ(seen.picture.height, 100);
  // 40 × 30 fits 133 × 100, from x 33 to 167.
  EXPECT_TRUE(near(seen.pixel(100, 60), 0xFF0000)) << std::hex << seen.pixel(100, 60);
  EXPECT_TRUE(near(seen.pixel(100, 1), 0xFFFF00)) << std::hex << seen.pixel(100, 1);
  EXPECT_EQ(seen.pixel(10, 50), 0x0000FFu);
  EXPECT_EQ(seen.pixel(190, 80), 0x0000FFu);
  // The close button in the top right corner.
  EXPECT_NE(seen.pixel(186, 14), 0x0000FFu);
}

TEST_F(WindowedSplash, KeysAndClicksCloseItOnlyWhenTheSettingsSaySo) {
  REQUIRE_VIRTUAL_DISPLAY();
  RImage picture;
  picture.width = picture.height = 8;
  picture.pixels.assign(64, 0xFF00FF00u);
  std::string error;
  ASSERT_TRUE(save_png(scratch_ / "green.png", picture, error)) << error;
  RSplashRequest request;
  request.file = (scratch_ / "green.png").string();
  RSplashSettings& settings = splash_settings();
  settings.adapt = false;
  settings.width = 160;
  settings.height = 120;

  settings.stop_key = false;
  settings.stop_mouse = false;
  RSplashSeen seen;
  watch_splash(seen, "splash_kept", 3, [] { push_key(SDLK_ESCAPE); });
  splash_form().show(request);
  EXPECT_FALSE(seen.closed) << "Esc closed it";
  watch_splash(seen, "splash_kept", 3, [] { push_click(80, 60); });
  splash_form().show(request);
  EXPECT_FALSE(seen.closed) << "a click closed it";
  // The close button still works.
  watch_splash(seen, "splash_close_button", 3, [] { push_click(148, 14); });
  splash_form().show(request);
  EXPECT_TRUE(seen.closed);

  settings.stop_mouse = true;
  settings.close_button = false;
  watch_splash(seen, "splash_click", 3, [] { push_click(80, 60); });
  splash_form().show(request);
  EXPECT_TRUE(seen.closed);
  EXPECT_EQ(seen.pixel(148, 14), seen.pixel(150, 100));  // no button drawn
}

TEST_F(WindowedSplash, ADelayClosesAPicture) {
  REQUIRE_VIRTUAL_DISPLAY();
  RImage picture;
  picture.width = picture.height = 4;
  picture.pixels.assign(16, 0xFF808080u);
  std::string error;
  ASSERT_TRUE(save_png(scratch_ / "grey.png", picture, error)) << error;
  bool gave_up = false;
  watch_forms({"splash_delay", 1, std::nullopt, [&](int frame) -> std::optional<int> {
                 SDL_Delay(5);
                 if (frame < 2000) return std::nullopt;
                 gave_up = true;
                 return kGiveUp;
               }});
  RSplashRequest request;
  request.file = (scratch_ / "grey.png").string();
  request.delay = 150;
  const Uint32 start = SDL_GetTicks();
  splash_form().show(request);
  EXPECT_FALSE(gave_up);
  EXPECT_GE(SDL_GetTicks() - start, 150u);
}

TEST_F(WindowedSplash, ATextIsShownOnItsBackground) {
  REQUIRE_VIRTUAL_DISPLAY();
  std::ofstream(scratch_ / "story.rtf")
      << "{\\rtf1{\\fonttbl{\\f0 Sans;}}{\\colortbl;\\red200\\green0\\blue0;}"
         "\\f0\\fs40 Once upon a time\\par \\cf1\\b a red line\\b0\\par}";
  RSplashSettings& settings = splash_settings();
  settings.width = 320;
  settings.height = 160;
  RSplashSeen seen;
  watch_splash(seen, "splash_text", 4, [] { push_click(100, 100); });
  RSplashRequest request;
  request.kind = SplashKind::text;
  request.file = (scratch_ / "story.rtf").string();
  request.text_background = 0xFFFFE0;
  EXPECT_EQ(splash_form().show(request), "");
  EXPECT_TRUE(seen.closed);
  ASSERT_EQ(seen.picture.width, 320);
  int dark = 0;
  int red = 0;
  int background = 0;
  for (int y = 0; y < seen.picture.height; ++y) {
    for (int x = 0; x < seen.picture.width - 30; ++x) {
      const uint32_t p = seen.pixel(x, y);
      if (p == 0xFFFFE0) ++background;
      if (near(p, 0x000000, 60)) ++dark;
      if (near(p, 0xC80000, 60)) ++red;
    }
  }
  EXPECT_GT(background, seen.picture.width * seen.picture.height / 2);
  EXPECT_GT(dark, 20);
  EXPECT_GT(red, 20);
}

TEST_F(WindowedSplash, AVideoPlaysInAWindowOfItsSize) {
  REQUIRE_VIRTUAL_DISPLAY();
  // A raw video of one colour: studio-range luma and chroma of pure green.
  const int width = 96;
  const int height = 64;
  {
    std::ofstream file(scratch_ / "green.y4m", std::ios::binary);
    file << "YUV4MPEG2 W" << width << " H" << height << " F25:1 Ip A1:1 C444\n";
    const size_t plane = size_t(width) * size_t(height);
    const std::string planes =
        std::string(plane, char(145)) + std::string(plane, char(54)) + std::string(plane, char(34));
    for (int i = 0; i < 10; ++i) file << "FRAME\n" << planes;
  }
  splash_settings().color = 0xFFFFFF;
  RSplashSeen seen;
  watch_splash(seen, "splash_video", 12, [] { push_key(SDLK_ESCAPE); });
  RSplashRequest request;
  request.kind = SplashKind::video;
  request.file = (scratch_ / "green.y4m").string();
  request.loop = true;
  EXPECT_EQ(splash_form().show(request), "");
  EXPECT_TRUE(seen.closed);
  ASSERT_EQ(seen.picture.width, width);
  ASSERT_EQ(seen.picture.height, height);
  EXPECT_TRUE(near(seen.pixel(30, 40), 0x00FF00)) << std::hex << seen.pixel(30, 40);
}

}  // namespace
}  // namespace vn::test

namespace vn::test {
namespace {

// The default: inside the game window, filling its client area; the game's drawing state
// is the game's again afterwards.
TEST_F(WindowedSplash, InsideTheGameWindowTheSplashFillsIt) {
  REQUIRE_VIRTUAL_DISPLAY();
  RGameWindowSetup setup;
  setup.width = 240;
  setup.height = 180;
  std::unique_ptr<IGameWindow> game = create_game_window(setup);
  if (game->renderer() == nullptr) GTEST_SKIP() << "no OpenGL for the game window";
  game->show();
  window_state().attach(game.get());
  RImage picture;
  picture.width = 60;
  picture.height = 60;
  picture.pixels.assign(3600, 0xFF2040C0u);
  std::string error;
  ASSERT_TRUE(save_png(scratch_ / "square.png", picture, error)) << error;
  splash_settings().main = true;
  splash_settings().interrupt = false;  // inside the game window the game waits all the same

  RSplashSeen seen;
  watch_splash(seen, "splash_main", 4, [] { push_click(120, 90); });
  RSplashRequest request;
  request.file = (scratch_ / "square.png").string();
  EXPECT_EQ(splash_form().show(request), "");
  window_state().attach(nullptr);
  EXPECT_TRUE(seen.closed);
  EXPECT_FALSE(splash_form().showing());
  ASSERT_EQ(seen.picture.width, 240);
  ASSERT_EQ(seen.picture.height, 180);
  EXPECT_EQ(seen.pixel(120, 90), 0x2040C0u);
  EXPECT_EQ(seen.pixel(10, 90), 0x000000u);
}

// With the game not waiting, the splash stays open beside it and is drawn whenever the game
// handles its window's events, its delay running all the same.
TEST_F(WindowedSplash, ASplashBesideTheRunningGameClosesAfterItsDelay) {
  REQUIRE_VIRTUAL_DISPLAY();
  RImage picture;
  picture.width = picture.height = 16;
  picture.pixels.assign(256, 0xFFC0C000u);
  std::string error;
  ASSERT_TRUE(save_png(scratch_ / "olive.png", picture, error)) << error;
  splash_settings().interrupt = false;
  // Unwatched: a form nobody watches is drawn only when asked to.
  stop_watching_forms();
  RSplashRequest request;
  request.file = (scratch_ / "olive.png").string();
  request.delay = 200;
  EXPECT_EQ(splash_form().show(request), "");
  EXPECT_TRUE(splash_form().showing());
  const Uint32 start = SDL_GetTicks();
  while (splash_form().showing() && SDL_GetTicks() - start < 3000) {
    pump_events();
    SDL_Delay(10);
  }
  EXPECT_FALSE(splash_form().showing());
  EXPECT_GE(SDL_GetTicks() - start, 150u);
}

}  // namespace
}  // namespace vn::test
