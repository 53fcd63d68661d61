// The message form, question, input box and pop-up menu in real windows, worked by keys
// as a player would.
#include <SDL.h>
#include <gtest/gtest.h>

#include "Windowed_Support.h"
#include "runner/Runner_Menu.h"
#include "runner/Support_Message.h"

namespace vn::test {
namespace {

// The newest window is the form being watched: window ids only grow.
uint32_t newest_window_id() {
  uint32_t newest = 0;
  for (uint32_t id = 1; id < 4096; ++id) {
    if (SDL_GetWindowFromID(id) != nullptr) newest = id;
  }
  return newest;
}

void push_key_event(SDL_Keycode key, bool down) {
  SDL_Event event{};
  event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  event.key.windowID = newest_window_id();
  event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  event.key.keysym.sym = key;
  event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
  SDL_PushEvent(&event);
}

// A click of the left button at a point of the form's client area.
void push_click(int x, int y) {
  SDL_Event event{};
  event.type = SDL_MOUSEMOTION;
  event.motion.windowID = newest_window_id();
  event.motion.x = x;
  event.motion.y = y;
  SDL_PushEvent(&event);
  event = SDL_Event{};
  event.type = SDL_MOUSEBUTTONDOWN;
  event.button.windowID = newest_window_id();
  event.button.button = SDL_BUTTON_LEFT;
  event.button.state = SDL_PRESSED;
  event.button.clicks = 1;
  event.button.x = x;
  event.button.y = y;
  SDL_PushEvent(&event);
}

void push_release(int x, int y) {
  SDL_Event event{};
  event.type = SDL_MOUSEBUTTONUP;
  event.button.windowID = newest_window_id();
  event.button.button = SDL_BUTTON_LEFT;
  event.button.state = SDL_RELEASED;
  event.button.x = x;
  event.button.y = y;
  SDL_PushEvent(&event);
}

// Down and up at once: the form sees the key go down.
void push_key(SDL_Keycode key) {
  push_key_event(key, true);
  push_key_event(key, false);
}

void push_text(const char* text) {
  SDL_Event event{};
  event.type = SDL_TEXTINPUT;
  event.text.windowID = newest_window_id();
  SDL_strlcpy(event.text.text, text, sizeof event.text.text);
  SDL_PushEvent(&event);
}

// A watch that, once the form has settled, does something once and then waits for the
// form to close by itself (or gives up with `fallback` after many frames).
RFormWatch act_once(const std::string& name, std::function<void()> act, int fallback) {
  auto done = std::make_shared<bool>(false);
  return {name, 4, std::nullopt, [=](int frame_number) -> std::optional<int> {
            if (!*done) {
              *done = true;
              act();
            }
            if (frame_number > 60) return fallback;
            return std::nullopt;
          }};
}

class WindowedMessage : public ::testing::Test {
 protected:
  void SetUp() override { reset_message_settings(); }
  void TearDown() override {
    stop_watching_forms();
    reset_message_settings();
  }
};

TEST_F(WindowedMessage, MessageShowsOurPicturesAndClosesWithItsButton) {
  REQUIRE_VIRTUAL_DISPLAY();
  watch_forms({"message", 4, 2, {}});
  show_game_message(convert_message_text("Hello, player.#This message has two lines."));
  const RFormPicture& picture = last_form_picture();
  EXPECT_EQ(picture.width, kDefaultMessageWidth);
  // The form's foot is our own dark blue; the button sits centred on it.
  ASSERT_GT(picture.height, 60);
  const uint32_t foot = form_pixel(10, picture.height - 8);
  EXPECT_LT(foot & 0xFF, 0x60u) << std::hex << foot;
  EXPECT_GT(foot & 0xFF, (foot >> 16) & 0xFF) << std::hex << foot;
  const uint32_t button_rim = form_pixel(kDefaultMessageWidth / 2, picture.height - 16 - 25);
  EXPECT_EQ(button_rim, 0xAABEE6u) << std::hex << button_rim;
}

// A picture of one colour.
RImage plain_picture(int width, int height, uint32_t pixel) {
  RImage image;
  image.width = width;
  image.height = height;
  image.pixels.assign(size_t(width) * size_t(height), pixel);
  return image;
}

TEST_F(WindowedMessage, GameSettingsStyleTheForm) {
  REQUIRE_VIRTUAL_DISPLAY();
  RMessageSettings& settings = message_settings();
  settings.background = plain_picture(200, 50, 0xFF206020);  // green, stretched
  settings.button_pictures = {plain_picture(60, 20, 0xFF802020), plain_picture(60, 20, 0xFFA02020),
                              plain_picture(60, 20, 0xFF400000)};
  settings.text_font = RMessageFont{"DejaVu Serif", 14, 0x00FFFF, 2};
  settings.border = true;
  settings.caption = "Styled";
  settings.alpha = 200;
  watch_forms({"message_styled", 4, 1, {}});
  EXPECT_EQ(show_message_ext_form(convert_message_text("Styled by the game.#Two lines."), "&One",
                                  "T&wo", ""),
            1);
  const RFormPicture& picture = last_form_picture();
  EXPECT_EQ(picture.width, 200);
  EXPECT_EQ(form_pixel(4, 4), 0x206020u) << std::hex << form_pixel(4, 4);
  // The left button's picture, 60 x 20 at (24, bottom - 16 - 20).
  const int button_top = picture.height - 16 - 20;
  EXPECT_EQ(form_pixel(26, button_top + 2), 0x802020u)
      << std::hex << form_pixel(26, button_top + 2);
  EXPECT_EQ(form_pixel((200 - 60) / 2 + 2, button_top + 2), 0x802020u);
}

TEST_F(WindowedMessage, QuestionAnswersByShortcutAndEsc) {
  REQUIRE_VIRTUAL_DISPLAY();
  watch_forms(act_once(
      "question", [] { push_text("n"); }, 99));
  EXPECT_FALSE(ask_question("Do you want to play again?"));
  watch_forms(act_once(
      "question_return", [] { push_key(SDLK_RETURN); }, 99));
  EXPECT_TRUE(ask_question("Again?"));
  watch_forms(act_once(
      "message_ext", [] { push_key(SDLK_ESCAPE); }, 99));
  EXPECT_EQ(show_message_ext_form("Pick one", "&Left", "", "&Right"), 0);
  watch_forms(act_once(
      "message_ext_shortcut", [] { push_text("R"); }, 99));
  EXPECT_EQ(show_message_ext_form("Pick one", "&Left", "", "&Right"), 3);
}

TEST_F(WindowedMessage, InputBoxTakesWhatIsTyped) {
  REQUIRE_VIRTUAL_DISPLAY();
  // The default text is selected, so typing replaces it.
  watch_forms(act_once(
      "input",
      [] {
        push_text("Ada Lovelace");
        push_key(SDLK_RETURN);
      },
      99));
  EXPECT_EQ(ask_string("What is your name?", "player"), "Ada Lovelace");
  const uint32_t field = form_pixel(30, last_form_picture().height - 16 - 25 - 16 - 4);
  EXPECT_EQ(field, 0x3C3C3Cu) << std::hex << field;  // 3947580, the input colour

  watch_forms(act_once(
      "input_escape",
      [] {
        push_text("12");
        push_key(SDLK_ESCAPE);
      },
      99));
  EXPECT_EQ(ask_integer("How many?", 5), 5);
  watch_forms(act_once(
      "input_integer",
      [] {
        push_text("12");
        push_key(SDLK_RETURN);
      },
      99));
  EXPECT_EQ(ask_integer("How many?", 5), 12);
}

TEST_F(WindowedMessage, MenuChoosesByAccessKeyAndEscDismisses) {
  REQUIRE_VIRTUAL_DISPLAY();
  watch_forms(act_once(
      "menu", [] { push_text("o"); }, 99));
  EXPECT_EQ(show_menu("&New|-|Open|Save as", 7, std::make_pair(100, 100)), 1);
  const uint32_t face = form_pixel(last_form_picture().width - 6, 3);
  EXPECT_EQ(face, 0xF9F9F9u) << std::hex << face;
  watch_forms(act_once(
      "menu_escape", [] { push_key(SDLK_ESCAPE); }, 99));
  EXPECT_EQ(show_menu("New|-|Open", 7, std::make_pair(100, 100)), -1);
  // A click outside dismisses the menu; one on an item chooses it.
  watch_forms(act_once(
      "menu_outside", [] { push_click(-20, 5); }, 99));
  EXPECT_EQ(show_menu("New|-|Open", 7, std::make_pair(100, 100)), -1);
  watch_forms({"menu_click", 4, std::nullopt, [](int frame_number) -> std::optional<int> {
                 // Open is the second row, below New and the separator. ImGui reads the
                 // pointer where it really is, so it is moved there first.
                 if (frame_number == 4) {
                   SDL_WarpMouseInWindow(SDL_GetWindowFromID(newest_window_id()), 30, 40);
                 }
                 if (frame_number == 6) push_click(30, 40);
                 if (frame_number == 8) push_release(30, 40);
                 if (frame_number > 60) return 99;
                 return std::nullopt;
               }});
  EXPECT_EQ(show_menu("New|-|Open", 7, std::make_pair(100, 100)), 1);
  // Arrow keys held over separate frames, as fingers do: New, then past the separator to
  // Open.
  watch_forms({"menu_arrows", 4, std::nullopt, [](int frame_number) -> std::optional<int> {
                 const int step = frame_number - 3;
                 if (step == 1 || step == 5) push_key_event(SDLK_DOWN, true);
                 if (step == 3 || step == 7) push_key_event(SDLK_DOWN, false);
                 if (step == 9) push_key(SDLK_RETURN);
                 if (step > 60) return 99;
                 return std::nullopt;
               }});
  EXPECT_EQ(show_menu("New|-|Open", 7, std::make_pair(100, 100)), 1);
}

}  // namespace
}  // namespace vn::test
