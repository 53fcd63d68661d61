// The runner's life after the temp folder exists: load the game file carried by the
// executable (or take a game already read), prepare what was read, open the game window,
// hand over to the step cycle, clean up.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "runner/Runner_Game.h"

namespace vn {

class CEchoingErrorDisplay;
class IGameWindow;
class TErrorForm;
class TLoadForm;

// What a run may add to the player's own: vn run sets these, vnrun plays without them.
struct RPlayOptions {
  // The game ends (as by game_end) once this many steps have run; 0: no limit.
  int64_t max_steps = 0;
  // More input, handled whenever the window's messages are (in the frame wait and in the
  // waiting and clearing functions) and once after every step; told how many steps have
  // run so far, so what is due for step n comes while steps_run is n - 1.
  std::function<void(int64_t steps_run)> feed_input;
  // Replaces the sleep of keyboard_wait and mouse_wait; false ends the wait.
  std::function<bool(int64_t steps_run)> wait_for_input;
  // Every error report ends the game, as when the game's settings abort on all errors.
  bool stop_on_error = false;
  // Sound goes to the loopback mixer only (a run that records it), even with a screen.
  bool audio_loopback = false;
};

enum class RunOutcome {
  not_started,  // it could not be loaded or prepared (one message said why), or has no room
  ended,        // it ended: by the game, by the player, or when its steps ran out
  stopped,      // a fatal error stopped it
  interrupted,  // a stop signal ended it (stop_signal() says which)
};

class TRunnerForm {
 public:
  TRunnerForm();
  ~TRunnerForm();
  TRunnerForm(const TRunnerForm&) = delete;
  TRunnerForm& operator=(const TRunnerForm&) = delete;

  // Plays the game carried by the executable; not_started after the one message that says
  // why it could not be loaded or prepared. The clean-up runs only after a successful
  // start, or when a stop signal came.
  // The executable's bytes may come with the call when the caller has read them already.
  RunOutcome run(const std::filesystem::path& executable, std::vector<uint8_t> image = {});

  // Plays a game read elsewhere (a project or a game file) with the same preparation and
  // loop. The title names the game where the executable's name would; the program folder
  // is what program_directory gives.
  RunOutcome play(CGameData game, const std::string& title,
                  const std::filesystem::path& program_folder, RPlayOptions options = {});

  const CGameData& game() const { return game_; }
  // The game window while the game runs; null before and after.
  IGameWindow* window() const { return window_.get(); }
  // The steps that have run since the game started.
  int64_t steps_run() const { return steps_run_; }
  // The window's close button: it never closes the window; it stands for Esc, or the game
  // hears it as the close-button event.
  void close_button();
  // The mouse at a pixel of the window's client area, given to the game in room
  // coordinates.
  void mouse_moved(int x, int y);

 private:
  bool start_sequence(const std::filesystem::path& executable, std::vector<uint8_t> image);
  RunOutcome prepare_and_play();
  bool load_game(const std::filesystem::path& executable, std::vector<uint8_t> image);
  void install_game(const std::filesystem::path& program_folder);
  void resolve_action_functions();
  bool prepare_game();
  bool fail_preparation(const std::string& message);
  bool stopped_while_loading();
  bool create_game_window();
  void install_input();
  void place_mouse();
  RunOutcome play_game();
  void present_frame();
  void follow_region(int width, int height);
  void clean_up();
  RExportContext export_context() const;
  void arm_emergency_cleanup();

  CGameData game_;
  RPlayOptions options_;
  std::unique_ptr<TLoadForm> load_form_;
  std::unique_ptr<TErrorForm> error_form_;
  std::unique_ptr<CEchoingErrorDisplay> echoing_display_;
  std::unique_ptr<IGameWindow> window_;
  int64_t steps_run_ = 0;
  bool entering_loop_ = false;  // the loop's first pump is still to come
  int mouse_pixel_x_ = 0;       // where the mouse last was in the window's client area
  int mouse_pixel_y_ = 0;
};

}  // namespace vn
