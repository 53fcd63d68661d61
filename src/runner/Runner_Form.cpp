#include "runner/Runner_Form.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>

#include "graphics/Graphics_3D.h"
#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Display.h"
#include "graphics/Graphics_Draw.h"
#include "graphics/Graphics_Screen.h"
#include "graphics/Graphics_Transition.h"
#include "graphics/Graphics_Window.h"
#include "graphics/Particle_Effect.h"
#include "graphics/Particle_Main.h"
#include "graphics/Room_Draw.h"
#include "graphics/Sound_Main.h"
#include "library/Function_File.h"
#include "library/Function_Net.h"
#include "library/Input_Main.h"
#include "library/Support_Registry.h"
#include "platform/Platform_Display.h"
#include "platform/Platform_FileIo.h"
#include "platform/Platform_GameWindow.h"
#include "platform/Platform_Input.h"
#include "platform/Platform_Process.h"
#include "platform/Platform_Signal.h"
#include "platform/Platform_Video.h"
#include "runner/Debug_Form.h"
#include "runner/Error_Form.h"
#include "runner/Extension_Main.h"
#include "runner/Help_Main.h"
#include "runner/Input_Record.h"
#include "runner/Runner_Install.h"
#include "runner/Runner_Library.h"
#include "runner/Runner_Load.h"
#include "runner/Runner_Splash.h"
#include "runner/Support_DLL.h"
#include "runner/Support_File.h"
#include "runner/Support_Message.h"
#include "script/Code_Error.h"
#include "script/Code_Function.h"
#include "script/Constant_Main.h"
#include "script/Script_Main.h"
#include "script/Variable_BuiltIn.h"
#include "script/Variable_Main.h"
#include "support/Support_Console.h"
#include "support/Support_Text.h"
#include "world/Event_Main.h"
#include "world/Function_Action.h"
#include "world/Object_Main.h"
#include "world/Run_Global.h"
#include "world/Run_Main.h"
#include "world/Trigger_Main.h"

namespace vn {

// Errors shown in the error form are written to standard error as well, so that what the
// player saw can be read back from a terminal or a log.
class CEchoingErrorDisplay final : public IErrorDisplay {
 public:
  explicit CEchoingErrorDisplay(TErrorForm& form) : form_(form) {}
  ErrorChoice show(const std::string& message, bool fatal) override {
    write_console_lines(stderr, message);
    return form_.show(message, fatal);
  }

 private:
  TErrorForm& form_;
};

namespace {

// A message for the player, also on standard error when a box shows it (without a
// display the box itself writes it there).
void tell(const std::string& message) {
  if (has_display()) write_console_lines(stderr, message, LoneLineFeed::ends_line);
  show_message(message);
}

}  // namespace

TRunnerForm::TRunnerForm() = default;

TRunnerForm::~TRunnerForm() {
  set_error_display(nullptr);
  set_scripts(nullptr);
  set_included_files(nullptr);
  set_program_wait_hook(nullptr);
  set_input_pump(nullptr);
  set_input_wait(nullptr);
}

RExportContext TRunnerForm::export_context() const {
  RExportContext context;
  context.temp_folder = temp_folder();
  context.secure_mode = run_state().secure_mode;
  context.report_error = [](const std::string& message) { report_runtime_error(message, false); };
  return context;
}

RunOutcome TRunnerForm::run(const std::filesystem::path& executable, std::vector<uint8_t> image) {
  try {
    set_application_title(utf8_to_cp1252_lossy(executable.stem().string()));
    if (!start_sequence(executable, std::move(image))) return RunOutcome::not_started;
  } catch (const std::exception&) {
    tell("Unexpected error occured when running the game.");
    return RunOutcome::not_started;
  }
  return prepare_and_play();
}

RunOutcome TRunnerForm::play(CGameData game, const std::string& title,
                             const std::filesystem::path& program_folder, RPlayOptions options) {
  try {
    set_application_title(title);
    options_ = std::move(options);
    game_ = std::move(game);
    register_game_library();
    use_extension_packages(&game_.extensions);
    // Read without a temp folder: the package files go there now.
    if (!extract_extension_packages(temp_folder())) {
      tell("Error in loading extension packages.");
      return RunOutcome::not_started;
    }
    resolve_action_functions();
    load_form_ = std::make_unique<TLoadForm>();
    load_form_->setup(game_.settings, game_.debug_mode);
    install_game(program_folder);
  } catch (const std::exception&) {
    tell("Unexpected error occured when running the game.");
    return RunOutcome::not_started;
  }
  return prepare_and_play();
}

// Both ways in meet here: the game is read and installed, the rest is the same.
RunOutcome TRunnerForm::prepare_and_play() {
  try {
    if (!prepare_game()) {
      if (!stop_requested()) return RunOutcome::not_started;
      // Stopped while loading: what was exported goes again.
      clean_up();
      return RunOutcome::interrupted;
    }
    return play_game();
  } catch (const RRunAborted&) {
    if (load_form_) load_form_->close();
    clean_up();
    return RunOutcome::interrupted;
  } catch (const std::exception&) {
    tell("Unexpected error occured when running the game.");
    return RunOutcome::not_started;
  }
}

bool TRunnerForm::start_sequence(const std::filesystem::path& executable,
                                 std::vector<uint8_t> image) {
  try {
    return load_game(executable, std::move(image));
  } catch (const std::exception&) {
    if (load_form_) load_form_->close();
    tell("Failed to load the game data. File seems corrupted.");
    return false;
  }
}

bool TRunnerForm::load_game(const std::filesystem::path& executable, std::vector<uint8_t> image) {
  std::string error;
  if (image.empty() && !read_file(executable, image, error)) {
    tell("Error: Cannot read the game file.");
    return false;
  }
  CStream stream(std::move(image));
  register_game_library();
  load_form_ = std::make_unique<TLoadForm>();
  RGameLoadHooks hooks;
  // Action functions are looked up as calls are, scripts first: the scripts section comes
  // before the objects and time lines, so the scripts read so far are the game's scripts.
  set_scripts(&game_.scripts);
  hooks.record.resolve_function = [this, indexed = size_t(0)](const std::string& name) mutable {
    if (indexed != game_.scripts.size()) {
      indexed = game_.scripts.size();
      scripts_changed();
    }
    int32_t id;
    return find_function(name, id) ? int(id) : -1;
  };
  hooks.record.message = [](const std::string& message) { tell(message); };
  hooks.progress = [this](int percent, const std::string& text) {
    load_form_->progress(percent, text);
  };
  hooks.settings_read = [this](const CGameSettings& settings, bool debug_mode) {
    load_form_->setup(settings, debug_mode);
  };
  hooks.temp_folder = temp_folder();
  // Package functions are known by name from the moment their section is read.
  use_extension_packages(&game_.extensions);
  if (!load_game_file(stream, game_, hooks)) {
    load_form_->close();
    return false;
  }
  install_game(executable.parent_path());
  return true;
}

// A game read without the runner's function table has its action functions still to be
// found, with the message reading would have shown for a missing one.
void TRunnerForm::resolve_action_functions() {
  set_scripts(&game_.scripts);
  auto resolve = [](CEvent& event) {
    for (CAction& action : event.actions) {
      if (action.function_index >= 0) continue;
      int32_t id;
      action.function_index = find_function(action.function_name, id) ? int(id) : -1;
      if (action.execution == kExecuteFunction && action.function_index < 0) {
        tell("Failed to locate action function " + action.function_name);
      }
    }
  };
  for (auto& object : game_.objects.items) {
    if (!object) continue;
    for (auto& entries : object->events) {
      for (REventEntry& entry : entries) resolve(entry.event);
    }
  }
  for (auto& timeline : game_.timelines.items) {
    if (!timeline) continue;
    for (auto& moment : timeline->moments) resolve(moment.event);
  }
}

// What the language and the world need to know of the game they run.
void TRunnerForm::install_game(const std::filesystem::path& program_folder) {
  RRunState& state = run_state();
  state.game_id = game_.game_id;
  state.debug_mode = game_.debug_mode;
  state.secure_mode = read_secure_mode_preference();
  state.temp_directory = utf8_to_cp1252_lossy(temp_folder());
  state.program_directory = utf8_to_cp1252_lossy(program_folder.string());
  RErrorSettings& errors = error_settings();
  errors.display_errors = game_.settings.display_errors;
  errors.write_errors = game_.settings.write_errors;
  errors.abort_errors = game_.settings.abort_errors || options_.stop_on_error;
  uninitialized_zero() = game_.settings.uninitialized_zero;
  if (has_display()) {
    error_form_ = std::make_unique<TErrorForm>();
    echoing_display_ = std::make_unique<CEchoingErrorDisplay>(*error_form_);
    set_error_display(echoing_display_.get());
  } else {
    // Standard error is then the only display, and nothing waits for an answer.
    set_error_display(nullptr);
  }
  set_included_files(&game_.included_files);
  // Waiting for another program must not leave the window unanswered.
  set_program_wait_hook([] { process_input_messages(); });
  // The world's hooks come with it, so that compile errors already name their events and
  // objects.
  install_game_resources(game_);

  RWorldSettings& world_settings = world_resources().settings;
  const CGameSettings& settings = game_.settings;
  world_settings.key_f1_help = settings.key_f1_help;
  world_settings.key_esc_ends = settings.key_esc_ends;
  world_settings.key_f4_fullscreen = settings.key_f4_fullscreen;
  world_settings.key_f5_f6_save_load = settings.key_f5_f6_save_load;
  world_settings.key_f9_screenshot = settings.key_f9_screenshot;
  world_settings.close_as_esc = settings.close_as_esc;
  world_settings.freeze_unfocused = settings.freeze_unfocused;
  world_settings.show_cursor = settings.show_cursor;
}

bool TRunnerForm::prepare_game() {
  set_priority(game_.settings.priority);

  // A file that fails to export does not stop the others and is not reported here.
  load_form_->progress(50, "Extracting included files");
  const RExportContext context = export_context();
  for (CDataFile& file : game_.included_files) {
    file.export_file(context);
  }
  arm_emergency_cleanup();
  if (stopped_while_loading()) return false;

  load_form_->progress(55, "Preparing extension pacakges");
  if (!prepare_extensions(run_state().temp_directory)) {
    return fail_preparation("Failed to prepare extension packages.");
  }

  load_form_->progress(60, "Preparing constants");
  if (!define_game_constants(game_.constants)) {
    return fail_preparation("Failed to define the constants.");
  }

  load_form_->progress(61, "Preparing triggers");
  if (!prepare_triggers()) {
    return fail_preparation("Failed to prepare triggers.");
  }

  load_form_->progress(62, "Compiling scripts");
  if (!compile_scripts()) {
    return fail_preparation("Failed to compile the scripts.");
  }

  load_form_->progress(70, "Compiling time line actions");
  if (!prepare_all_timelines()) {
    return fail_preparation("Failed to compile the actions in the time lines.");
  }

  load_form_->progress(72, "Compiling object actions");
  if (!prepare_all_objects()) {
    return fail_preparation("Failed to compile the actions in the objects.");
  }

  load_form_->progress(80, "Preparing sounds");
  // Without a screen the mix goes to the loopback mixer, where a run can record it.
  if (!start_sound_system(!has_display() || options_.audio_loopback)) {
    tell("No sound device detected. Sounds might not play.");
  }
  if (!prepare_sounds()) {
    return fail_preparation("Failed to prepare the sounds.");
  }

  if (stopped_while_loading()) return false;
  load_form_->progress(90, "Preparing graphics");
  if (!create_game_window()) {
    load_form_->close();
    return false;
  }

  install_input();

  load_form_->progress(100, "Ready");
  load_form_->close();
  return true;
}

// A player who stopped the game while it loaded does not want it to start.
bool TRunnerForm::stopped_while_loading() {
  if (!stop_requested()) return false;
  load_form_->close();
  return true;
}

bool TRunnerForm::fail_preparation(const std::string& message) {
  load_form_->close();
  tell(message);
  return false;
}

// The window starts at the first room's region (scaled when the scale is fixed), hidden
// until the game starts; the device draws into it from then on.
bool TRunnerForm::create_game_window() {
  const CGameSettings& settings = game_.settings;
  const CRoom* first = nullptr;
  if (!game_.room_order.empty() && game_.rooms.exists(game_.room_order.front())) {
    first = game_.rooms.items[size_t(game_.room_order.front())].get();
  }
  CLiveRoom room(0, first);
  const RRegionSize region = room_region(room);
  const double scale = settings.scaling / 100.0;
  RGameWindowSetup setup;
  setup.title = room.caption.empty() ? application_title() : room.caption;
  setup.width = int(std::lround(region.width * (scale > 0 ? scale : 1.0)));
  setup.height = int(std::lround(region.height * (scale > 0 ? scale : 1.0)));
  setup.style.fullscreen = settings.start_fullscreen;
  setup.style.border = !settings.no_border;
  setup.style.caption_buttons = !settings.no_buttons;
  setup.style.sizeable = settings.sizeable;
  setup.style.stay_on_top = settings.stay_on_top;
  setup.show_cursor = settings.show_cursor;
  // On Linux no desktop needs the colour-depth question, so nothing is asked.
  if (!apply_display_settings({settings.set_resolution, settings.color_depth, settings.resolution,
                               settings.frequency})) {
    return false;
  }
  window_ = vn::create_game_window(setup);
  if (window_ == nullptr) return false;

  CWindowState& window = window_state();
  window.attach(window_.get());
  window.set_color(settings.window_color);
  window.set_scale(scale, true);
  window.set_region(region.width, region.height, true);
  window.set_cursor(settings.show_cursor ? 0 : -1);

  CGraphicsDevice& device = graphics_device();
  const RDisplayMode desktop = display_mode();
  device.create(window_->renderer(), region.width, region.height, desktop.width, desktop.height);
  device.set_interpolation(settings.interpolate);
  device.set_vsync(settings.vsync);
  // Made now, in this order, so that every game finds the same texture ids.
  for (const auto& background : game_.backgrounds.items) {
    if (background) background_texture(*background);
  }
  for (const auto& sprite : game_.sprites.items) {
    if (sprite) sprite_frame_texture(*sprite, 0);
  }
  for (const auto& font : game_.fonts.items) {
    if (font) font_texture(*font);
  }
  return true;
}

void TRunnerForm::install_input() {
  reset_input();
  RGameWindowEvents events;
  // What the player does is recorded as it reaches the game (vn run --record).
  events.key_down = [](int32_t code) {
    record_key(true, code);
    input_key_down(code);
  };
  events.key_up = [](int32_t code) {
    record_key(false, code);
    input_key_up(code);
  };
  events.character = [](char character) {
    record_character(character);
    input_character(character);
  };
  events.mouse_move = [this](int x, int y) {
    record_mouse_move(x, y);
    mouse_moved(x, y);
  };
  events.mouse_down = [](int32_t button) {
    record_mouse_button(true, button);
    input_mouse_down(button);
  };
  events.mouse_up = [](int32_t button) {
    record_mouse_button(false, button);
    input_mouse_up(button);
  };
  events.wheel = [](bool up) {
    record_wheel(up);
    input_wheel(up);
  };
  events.close = [this] {
    record_close_button();
    close_button();
  };
  set_input_pump([this, events = std::move(events)] {
    if (window_) window_->handle_events(events);
    if (options_.feed_input) options_.feed_input(steps_run_);
  });
  if (options_.wait_for_input) {
    set_input_wait([this] { return options_.wait_for_input(steps_run_); });
  } else {
    set_input_wait(nullptr);
  }
}

void TRunnerForm::mouse_moved(int x, int y) {
  mouse_pixel_x_ = x;
  mouse_pixel_y_ = y;
  // Without a screen nothing else moves the pointer the window functions read.
  if (!has_display()) {
    set_display_mouse(window_state().client_x() + x, window_state().client_y() + y);
  }
  place_mouse();
}

// The mouse through the window's scaling and the views. Views move and rooms change under
// a mouse that stays put, so this runs before every step too.
void TRunnerForm::place_mouse() {
  const CWindowState& window = window_state();
  const RPointD region = window.client_to_region(mouse_pixel_x_, mouse_pixel_y_);
  const RPointD room = window.region_to_room(region.x, region.y);
  input_mouse_move(std::floor(room.x), std::floor(room.y));
}

// The window never closes itself: the button stands for Esc, or the game hears it.
void TRunnerForm::close_button() {
  if (world_resources().settings.close_as_esc) {
    input_close_as_escape();
    return;
  }
  if (!request_pending() && current_room() != nullptr) perform_event_all(kEventOther, 30);
}

void TRunnerForm::present_frame() {
  const CWindowState& window = window_state();
  graphics_device().present(window.destination(), uint32_t(window.color()));
}

// At room start: the window follows the region the room shows, centred again when it
// changed.
void TRunnerForm::follow_region(int width, int height) {
  CWindowState& window = window_state();
  CGraphicsDevice& device = graphics_device();
  const RDisplayMode desktop = display_mode();
  width = std::clamp(width, 1, std::max(desktop.width, 1));
  height = std::clamp(height, 1, std::max(desktop.height, 1));
  if (width == window.region_width() && height == window.region_height() &&
      width == device.back_buffer_width() && height == device.back_buffer_height()) {
    return;
  }
  window.set_region(width, height, true);
  window.center();
  device.set_back_buffer_region(width, height);
}

RunOutcome TRunnerForm::play_game() {
  steps_run_ = 0;
  // Events before the loop take effect in step 1. Once the loop has pumped its first
  // messages, every pump runs inside a pass, whose events the next step sees.
  set_record_steps(1, 1);
  entering_loop_ = false;
  RRunHooks hooks;
  hooks.pump_events = [this] {
    process_input_messages();
    if (entering_loop_) {
      entering_loop_ = false;
      set_record_steps(steps_run_ + 2, steps_run_ + 1);
    }
  };
  hooks.present_frame = [this] { present_frame(); };
  hooks.window_active = [this] { return window_->active(); };
  hooks.draw_room = [this] {
    draw_room(application_title(),
              [this](const std::string& caption) { window_->set_title(caption); });
  };
  hooks.resize_window = [this](int width, int height) { follow_region(width, height); };
  hooks.toggle_fullscreen = [] { toggle_fullscreen(); };
  hooks.save_screenshot = [](const std::string& name) { save_screen(name); };
  hooks.capture_transition_frame = [] { capture_transition_frame(); };
  hooks.play_transition = [](int kind) { play_transition(kind); };
  hooks.update_particles = [] { update_particle_systems(); };
  hooks.clear_effect_particles = [] { effect_clear(); };
  set_net_game_identifier(game_.guid);
  hooks.service_network = [] { net_between_steps(); };
  hooks.restarting = [] {
    particle_world_reset();
    reset_action_particles();
    d3d_reset();
  };
  help_form().set_information(game_.game_information);
  hooks.show_game_information = [] { help_form().show(); };
  hooks.game_information_shown = [] { return help_form().shown_in_game_window(); };
  hooks.after_step = [this] {
    ++steps_run_;
    if (options_.max_steps > 0 && steps_run_ >= options_.max_steps) world_state().running = false;
    set_record_steps(steps_run_ + 1, steps_run_ + 1);
    // The loop pumps no more before the next step: what is due for it comes now.
    if (options_.feed_input) options_.feed_input(steps_run_);
    place_mouse();
    set_record_steps(steps_run_ + 2, steps_run_ + 1);
  };
  // Debug mode shows its form beside the game when there is a screen to show it on.
  std::unique_ptr<TDebugForm> debug_form =
      game_.debug_mode ? TDebugForm::open(application_title()) : nullptr;
  if (debug_form) hooks.refresh_debug = [form = debug_form.get()] { form->refresh(); };
  hooks.start_extensions = [] { return initialize_extensions(); };
  hooks.end_extensions = [] { finalize_extensions(); };
  set_run_hooks(std::move(hooks));
  window_->show();

  // A game without rooms, or whose extensions refuse to start, never runs.
  RunOutcome outcome = RunOutcome::not_started;
  try {
    if (start_game()) {
      entering_loop_ = true;
      if (debug_form) {
        debug_form->play();
      } else {
        run_game();
      }
      outcome = game_stopping() || world_state().pending_room == kRequestStop ? RunOutcome::stopped
                                                                              : RunOutcome::ended;
      end_game();
    }
  } catch (const RRunAborted&) {
    // Insisted on: no more of the game's code runs, only the clean-up.
    abandon_game();
  }
  if (stop_requested()) outcome = RunOutcome::interrupted;
  debug_form.reset();
  clean_up();
  return outcome;
}

void TRunnerForm::clean_up() {
  set_run_hooks(RRunHooks());
  help_form().close();
  splash_form().close();
  set_input_pump(nullptr);
  set_input_wait(nullptr);
  set_program_wait_hook(nullptr);
  end_sound_system();
  graphics_device().release();
  window_state().attach(nullptr);
  restore_display_mode();
  window_.reset();
  shutdown_joysticks();
  reset_file_state();
  // The game is over: the libraries it bound go before its unpacked files do.
  clear_external_functions();
  // Nothing compiles after this; the registry must not keep pointing into the game.
  use_extension_packages(nullptr);
  const RExportContext context = export_context();
  for (const CDataFile& file : game_.included_files) {
    file.remove_exported(context);
  }
  set_emergency_cleanup(temp_folder_emergency_cleanup({}));
}

// Should the player insist on stopping while the game is stuck, the included files still go.
void TRunnerForm::arm_emergency_cleanup() {
  const RExportContext context = export_context();
  std::vector<std::filesystem::path> files;
  for (const CDataFile& file : game_.included_files) {
    if (std::optional<std::filesystem::path> path = file.removal_target(context)) {
      std::error_code ignored;
      files.push_back(std::filesystem::absolute(*path, ignored));
    }
  }
  set_emergency_cleanup(temp_folder_emergency_cleanup(std::move(files)));
}

}  // namespace vn
