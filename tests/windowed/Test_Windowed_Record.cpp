// A session played in a real window under the fixed clock, its input pushed as the window
// system's own events, recorded, then replayed headless by vn run: the same output, the
// same frames.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "Test_Support.h"
#include "Windowed_Support.h"
#include "graphics/BM32_Class.h"
#include "graphics/BM32_File.h"
#include "platform/Platform_Clock.h"
#include "platform/Platform_GameWindow.h"
#include "platform/Platform_Render.h"
#include "runner/Input_Record.h"
#include "runner/Project_Read.h"
#include "runner/Runner_Form.h"
#include "runner/Support_File.h"
#include "script/Function_Misc.h"
#include "world/Run_Main.h"

namespace vn {
namespace {

namespace fs = std::filesystem;
using test::quoted;
using test::ScratchDir;

constexpr double kFixedClockStart = 946684800.0;  // where vn run --fixed-clock starts
constexpr uint32_t kSeed = 4242;

struct RPushed {
  uint32_t window = 0;

  void key(SDL_Keycode key, bool down) const {
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.windowID = window;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    SDL_PushEvent(&event);
  }
  void text(const char* typed) const {
    SDL_Event event{};
    event.type = SDL_TEXTINPUT;
    event.text.windowID = window;
    std::strncpy(event.text.text, typed, sizeof(event.text.text) - 1);
    SDL_PushEvent(&event);
  }
  void move(int x, int y) const {
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.windowID = window;
    event.motion.x = x;
    event.motion.y = y;
    SDL_PushEvent(&event);
  }
  void button(int x, int y, bool down) const {
    SDL_Event event{};
    event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.windowID = window;
    event.button.button = SDL_BUTTON_LEFT;
    event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.button.clicks = 1;
    event.button.x = x;
    event.button.y = y;
    SDL_PushEvent(&event);
  }
  void wheel(int turns) const {
    SDL_Event event{};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.windowID = window;
    event.wheel.y = turns;
    SDL_PushEvent(&event);
  }
};

bool near_pixels(const RImage& a, const RImage& b, std::string& why) {
  if (a.width != b.width || a.height != b.height) {
    why = std::to_string(a.width) + "x" + std::to_string(a.height) + " against " +
          std::to_string(b.width) + "x" + std::to_string(b.height);
    return false;
  }
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    for (int shift = 0; shift < 24; shift += 8) {
      const int p = int((a.pixels[i] >> shift) & 0xFF);
      const int q = int((b.pixels[i] >> shift) & 0xFF);
      if (std::abs(p - q) > 2) {
        why = "pixel " + std::to_string(i % size_t(a.width)) + "," +
              std::to_string(i / size_t(a.width)) + " differs";
        return false;
      }
    }
  }
  return true;
}

TEST(WindowedRecord, ASessionPlayedInAWindowReplaysHeadlessToTheSameFrames) {
  REQUIRE_VIRTUAL_DISPLAY();
  ASSERT_TRUE(fs::exists(VN_PATH)) << "vn is built with the tests";
  ScratchDir scratch("windowed_record");
  const fs::path project = fs::path(VN_SOURCE_DIR) / "tests" / "windowed" / "recorded_game";
  CGameData game;
  std::string error;
  ASSERT_TRUE(read_project(project, game, error)) << error;

  // As vn run --fixed-clock --record sets up a run.
  CInputRecorder recorder;
  ASSERT_TRUE(recorder.open(scratch / "session.txt", error)) << error;
  use_fixed_clock(kFixedClockStart);
  set_start_seed(kSeed);
  recorder.header(project.string(), kSeed, true);
  set_input_recorder(&recorder);
  std::string printed;
  set_debug_output([&printed](const std::string& text) { printed += text + "\n"; });
  init_temp_folder();
  // The question on Q is answered No (its third button) in its window.
  test::watch_forms({"record_question", 4, 3, {}});

  constexpr int64_t kSteps = 26;
  const std::vector<int64_t> shot_steps = {5, 12, 20, kSteps};
  std::map<int64_t, RImage> frames;
  TRunnerForm form;
  RPlayOptions options;
  options.max_steps = kSteps;
  options.audio_loopback = true;  // no sound device is needed, nor a box saying it is missing
  int64_t pushed_for = -1;
  options.feed_input = [&](int64_t steps_run) {
    if (steps_run == pushed_for || form.window() == nullptr) return;
    pushed_for = steps_run;
    for (int64_t step : shot_steps) {
      if (step != steps_run) continue;
      std::vector<uint8_t> pixels;
      RImage& frame = frames[step];
      if (!form.window()->renderer()->read_client(pixels, frame.width, frame.height)) continue;
      frame.pixels.resize(size_t(frame.width) * size_t(frame.height));
      std::memcpy(frame.pixels.data(), pixels.data(), frame.pixels.size() * 4);
    }
    const RPushed push{form.window()->sdl_window_id()};
    switch (steps_run) {
      case 2:
        push.key(SDLK_RIGHT, true);
        break;
      case 6:
        push.key(SDLK_RIGHT, false);
        push.move(40, 30);
        push.move(50, 60);
        break;
      case 8:
        push.button(50, 60, true);
        break;
      case 9:
        push.button(50, 60, false);
        push.wheel(1);
        push.text("h");
        push.text("i");
        break;
      case 13:
        push.key(SDLK_q, true);
        push.key(SDLK_q, false);
        break;
      case 16:
        push.key(SDLK_LEFT, true);
        push.wheel(-1);
        break;
      case 19:
        push.key(SDLK_LEFT, false);
        push.move(120, 20);
        break;
      default:
        break;
    }
  };
  const RunOutcome outcome = form.play(std::move(game), "recorded_game", project, options);
  test::stop_watching_forms();
  set_input_recorder(nullptr);
  set_debug_output(nullptr);
  set_start_seed(std::nullopt);
  remove_temp_folder();
  ASSERT_EQ(outcome, RunOutcome::ended);
  ASSERT_TRUE(recorder.finish("the game ended after step " + std::to_string(kSteps), error))
      << error;
  const std::string session = test::read_text(scratch / "session.txt");
  EXPECT_NE(session.find("\nseed 4242\n"), std::string::npos) << session;
  EXPECT_NE(session.find(" answer no\n"), std::string::npos) << session;
  EXPECT_NE(session.find(" text h\n"), std::string::npos) << session;
  EXPECT_NE(session.find(" wheel_down\n"), std::string::npos) << session;
  // The window took every event: the block moved, the click, the typing and the answer
  // showed (the form cleared what had been typed).
  EXPECT_NE(printed.find("23 32 50,60 [hi] -1 "), std::string::npos) << printed;
  EXPECT_NE(printed.find("14 40 50,60 [] 0 "), std::string::npos) << printed;

  std::string shots;
  for (int64_t step : shot_steps) {
    shots += " --shot " + std::to_string(step) + ":" +
             quoted(scratch / ("step" + std::to_string(step) + ".png"));
  }
  const test::RCommandResult replay = test::run_command(
      "env -u DISPLAY -u WAYLAND_DISPLAY " + quoted(VN_PATH) +
      " run --headless --fixed-clock --steps " + std::to_string(kSteps) + " --input " +
      quoted(scratch / "session.txt") + shots + " " + quoted(project));
  ASSERT_EQ(replay.status, 0) << replay.err;
  EXPECT_EQ(replay.err, "form: question: Sure?\n");
  EXPECT_EQ(replay.out, printed);
  for (int64_t step : shot_steps) {
    SCOPED_TRACE("step " + std::to_string(step));
    ASSERT_TRUE(frames.count(step));
    TBitmap32 shot;
    ASSERT_TRUE(load_image_file(scratch / ("step" + std::to_string(step) + ".png"), shot));
    std::string why;
    EXPECT_TRUE(near_pixels(frames[step], shot.image(), why)) << why;
  }
}

}  // namespace
}  // namespace vn
