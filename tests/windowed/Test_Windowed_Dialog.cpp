// The runner's own dialogs (used when zenity is not installed) and the debug form, in real
// windows on the virtual display.
#include <SDL.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "Test_Support.h"
#include "Windowed_Support.h"
#include "platform/Platform_Dialog.h"
#include "platform/Platform_Video.h"
#include "runner/Debug_Form.h"
#include "world/World_Test_Support.h"

namespace vn::test {
namespace {

namespace fs = std::filesystem;

uint32_t newest_window_id() {
  uint32_t newest = 0;
  for (uint32_t id = 1; id < 4096; ++id) {
    if (SDL_GetWindowFromID(id) != nullptr) newest = id;
  }
  return newest;
}

void push_key(SDL_Keycode key, uint16_t modifiers = KMOD_NONE) {
  for (bool down : {true, false}) {
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.windowID = newest_window_id();
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    event.key.keysym.mod = modifiers;
    SDL_PushEvent(&event);
  }
}

void push_text(const char* text) {
  SDL_Event event{};
  event.type = SDL_TEXTINPUT;
  event.text.windowID = newest_window_id();
  SDL_strlcpy(event.text.text, text, sizeof event.text.text);
  SDL_PushEvent(&event);
}

// Types into the form once it has settled, then lets it close by itself.
RFormWatch type_once(const std::string& name, std::function<void()> act) {
  auto done = std::make_shared<bool>(false);
  return {name, 4, std::nullopt, [=](int frame_number) -> std::optional<int> {
            if (!*done) {
              *done = true;
              act();
            }
            if (frame_number > 60) return 0;
            return std::nullopt;
          }};
}

#define REQUIRE_OWN_DIALOGS()                                                        \
  do {                                                                               \
    REQUIRE_VIRTUAL_DISPLAY();                                                       \
    if (!find_zenity().empty()) GTEST_SKIP() << "zenity would show its own dialogs"; \
  } while (0)

TEST(WindowedDialog, ColourPickerGivesItsColourOrNothing) {
  REQUIRE_OWN_DIALOGS();
  watch_forms({"dialog_colour", 4, 1, {}});
  RDialogResult result = choose_colour("Color", 0x0080FF);
  EXPECT_EQ(result.outcome, DialogOutcome::chosen) << gui_failure_reason();
  EXPECT_EQ(result.colour, 0x0080FF);
  EXPECT_EQ(last_form_picture().width, 420);

  watch_forms(type_once("dialog_colour_escape", [] { push_key(SDLK_ESCAPE); }));
  result = choose_colour("Color", 0x0080FF);
  stop_watching_forms();
  EXPECT_EQ(result.outcome, DialogOutcome::cancelled);
}

class WindowedFileDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"a.txt", "b.txt", "picture.png"}) {
      std::ofstream(scratch_ / name) << name;
    }
    fs::create_directories(scratch_ / "levels");
  }
  void TearDown() override { stop_watching_forms(); }
  test::ScratchDir scratch_{"windowed_dialog"};
};

TEST_F(WindowedFileDialog, TheNameTypedIsOpened) {
  REQUIRE_OWN_DIALOGS();
  watch_forms(type_once("dialog_open", [] {
    push_text("b.txt");
    push_key(SDLK_RETURN);
  }));
  RFileDialogSetup setup;
  setup.caption = "Open";
  setup.filter = "Text files|*.txt|All files|*.*";
  setup.folder = scratch_.path();
  const RDialogResult result = choose_file(setup);
  EXPECT_EQ(result.outcome, DialogOutcome::chosen) << gui_failure_reason();
  EXPECT_EQ(result.path, (fs::canonical(scratch_.path()) / "b.txt").string());
}

TEST_F(WindowedFileDialog, OkWithAFileThatIsNotThereChoosesNothing) {
  REQUIRE_OWN_DIALOGS();
  watch_forms({"dialog_save", 4, 1, {}});
  RFileDialogSetup setup;
  setup.mode = FileDialogMode::save;
  setup.caption = "Save";
  setup.filter = "Text files|*.txt";
  setup.folder = scratch_.path();
  setup.name = "new.txt";
  RDialogResult result = choose_file(setup);
  EXPECT_EQ(result.outcome, DialogOutcome::chosen);
  EXPECT_EQ(result.path, (fs::canonical(scratch_.path()) / "new.txt").string());

  setup.mode = FileDialogMode::open;
  setup.name = "missing.txt";
  result = choose_file(setup);
  EXPECT_EQ(result.outcome, DialogOutcome::cancelled);
}

TEST_F(WindowedFileDialog, FolderListOffersOnlyFolders) {
  REQUIRE_OWN_DIALOGS();
  watch_forms({"dialog_folder", 4, 1, {}});
  RFolderDialogSetup setup;
  setup.caption = "Where do the saves go?";
  setup.folder = scratch_.path();
  const RDialogResult result = choose_folder(setup);
  EXPECT_EQ(result.outcome, DialogOutcome::chosen);
  EXPECT_EQ(result.path, fs::canonical(scratch_.path()).string());
}

class WindowedDebugForm : public WorldTest {};

TEST_F(WindowedDebugForm, ShowsTheRoomItsInstancesAndWatches) {
  REQUIRE_VIRTUAL_DISPLAY();
  const int object = add_object("obj_ball");
  on(object, kEventCreate, 0, "speed_up = 2; name = 'ball';");
  add_room("rm_court");
  const int court = int(game_.rooms.size()) - 1;
  const int first = place(court, object, 40, 60);
  place(court, object, 200, 120);
  ASSERT_TRUE(start());

  std::unique_ptr<TDebugForm> form = TDebugForm::open("Court");
  ASSERT_NE(form, nullptr) << gui_failure_reason();
  form->model().choose_instance(first);
  form->model().add_watch("x + speed_up");
  form->model().add_watch("name + '!'");
  form->model().add_watch("instance_create(0, 0, obj_ball)");
  watch_forms({"debug_form", 6, 1, {}});
  for (int i = 0; i < 40; ++i) {
    pump_events();
    SDL_Delay(5);
  }
  stop_watching_forms();
  EXPECT_EQ(last_form_picture().width, 380);
  EXPECT_EQ(form->model().watches()[0].value.text, "42");
  EXPECT_EQ(room().instances().size(), 2u);
}

// The buttons' access keys pause the game, step it twice and end it.
TEST_F(WindowedDebugForm, PauseStepAndEndFromTheForm) {
  REQUIRE_VIRTUAL_DISPLAY();
  const int object = add_object("obj_ticker");
  on(object, kEventStep, 0, "global.ticks += 1;");
  add_room("rm_ticks");
  place(int(game_.rooms.size()) - 1, object);
  ASSERT_TRUE(start());
  exec("global.ticks = 0;");
  steps_wanted_ = 100000;
  RRunHooks hooks = run_hooks();
  hooks.pump_events = [] { pump_events(); };
  set_run_hooks(hooks);

  std::unique_ptr<TDebugForm> form = TDebugForm::open("Ticks");
  ASSERT_NE(form, nullptr) << gui_failure_reason();
  form->model().add_watch("global.ticks");
  // As the runner wires it in debug mode.
  run_state().debug_mode = true;
  hooks.refresh_debug = [&form] { form->refresh(); };
  set_run_hooks(hooks);
  int phase = 0;
  int64_t paused_at = -1;
  watch_forms({"debug_form_paused", 4, std::nullopt, [&](int frame) -> std::optional<int> {
                 const int64_t steps = world_state().step_counter;
                 if (frame > 5000) return 0;  // gives up: the game then runs on
                 if (phase == 0) {
                   push_key(SDLK_p, KMOD_LALT);
                   phase = 1;
                 } else if (phase == 1 && world_state().paused) {
                   paused_at = steps;
                   push_key(SDLK_s, KMOD_LALT);
                   phase = 2;
                 } else if (phase == 2 && steps == paused_at + 1) {
                   push_key(SDLK_s, KMOD_LALT);
                   phase = 3;
                 } else if (phase == 3 && steps == paused_at + 2) {
                   push_key(SDLK_n, KMOD_LALT);
                   phase = 4;
                 }
                 return std::nullopt;
               }});
  form->play();
  stop_watching_forms();
  EXPECT_EQ(phase, 4);
  EXPECT_GE(paused_at, 0);
  EXPECT_EQ(world_state().step_counter, paused_at + 2);
  EXPECT_FALSE(world_state().running);
  EXPECT_EQ(form->model().watches()[0].value.text, std::to_string(paused_at + 2));
  run_state().debug_mode = false;
  form.reset();
}

}  // namespace
}  // namespace vn::test
