// The runner's messages: a plain information box for the runner itself, and the game's
// message form (a text with up to three buttons, or a line of input) styled by the
// message_ settings. Every form here works windowed or headless (see Form_Answer.h).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "script/Code_Value.h"
#include "support/Support_Image.h"

namespace vn {

// Windows-1252. Until set, the executable's file name without its extension.
void set_application_title(std::string title);
const std::string& application_title();

// Waits for the player's OK (or writes to standard error when there is no display).
void show_message(const std::string& text);

// The text of a message argument: "#" becomes a line break (CR) and "\#" a plain "#"; a
// real is written as an integer when whole, else with two decimals.
std::string message_text(const RValue& value);
std::string convert_message_text(std::string_view text);
std::string message_real_text(double value);

// The game's message form; texts are already converted, Windows-1252. Each clears the
// game's input state afterwards so that keys typed in the form do not reach the game.
// One "OK" button.
void show_game_message(const std::string& text);
// Buttons with empty texts are hidden; the result is the button number 1 ... 3, 0 for Esc.
int show_message_ext_form(const std::string& text, const std::string& button1,
                          const std::string& button2, const std::string& button3);
// "Yes" / "No": true for Yes.
bool ask_question(const std::string& text);
// A line of input with an "OK" button; Esc keeps the default text.
std::string ask_string(const std::string& prompt, const std::string& default_text);
// The number typed, or default_value when the text is not an integer.
double ask_integer(const std::string& prompt, double default_value);
// The whole integer a text holds (blanks around it allowed), if it holds one that fits
// 32 bits.
std::optional<int32_t> integer_in_text(std::string_view text);

// How the message form looks; the message_ functions set it.
struct RMessageFont {
  std::string name = "Arial";  // Windows-1252
  int size = 12;               // points
  int32_t colour = 0xFFFFFF;   // a script colour
  int style = 0;               // 1 bold, 2 italic, 3 both
};
struct RMessageSettings {
  // Both empty: our own pictures. The background is stretched over the whole form.
  std::optional<RImage> background;
  std::vector<RImage> button_pictures;  // normal, under the mouse, pressed
  int alpha = 255;                      // the form's opacity, 0 ... 255
  RMessageFont text_font;
  RMessageFont button_font{"Arial", 10, 0xFFFFFF, 1};
  RMessageFont input_font{"Arial", 10, 0xFFFFFF, 0};
  int32_t mouse_colour = 0x00FFFF;  // a button's text under the mouse (yellow)
  int32_t input_colour = 3947580;   // the input field's background
  bool border = false;
  std::string caption;  // empty: the application's title
  int x = -1;           // -1 centres that coordinate on the screen
  int y = -1;
  int width = -1;  // client size; -1 follows the picture and the text
  int height = -1;
};
RMessageSettings& message_settings();
void reset_message_settings();
// A background resource's picture as the form shows it: every pixel of the bottom-left
// pixel's colour transparent.
RImage message_background_picture(const RImage& picture);

// The width of our own background picture, which sets the form's width when none is set.
inline constexpr int kDefaultMessageWidth = 360;
inline constexpr int kDefaultButtonWidth = 80;
inline constexpr int kDefaultButtonHeight = 25;

// Where everything of the message form goes.
struct RMessageLayoutInput {
  int set_width = -1;
  int set_height = -1;
  int set_x = -1;
  int set_y = -1;
  int picture_width = kDefaultMessageWidth;
  int button_width = kDefaultButtonWidth;
  int button_height = kDefaultButtonHeight;
  bool has_input = false;
  int edit_height = 0;
  int screen_width = 0;
  int screen_height = 0;
};
struct RMessageLayout {
  int width = 0;  // client size
  int height = 0;
  int left = 0;  // desktop position of the client area
  int top = 0;
  int label_x = 24;
  int label_y = 16;
  int label_width = 0;
  int label_height = 0;
  std::array<int, 3> button_x{};  // left, middle, right
  int button_y = 0;
  int edit_x = 24;
  int edit_y = 0;
  int edit_width = 0;
};
// label_height measures the wrapped text for the label's width.
RMessageLayout message_layout(const RMessageLayoutInput& input,
                              const std::function<int(int label_width)>& label_height);

// A key reaching the message form.
struct RMessageKey {
  enum Kind { escape_key, return_key, typed } kind = typed;
  char character = 0;  // Windows-1252; a blank is the Space key
  bool alt = false;    // held on key-down
};
// The button a key closes the form with (0 for Esc), or none.
std::optional<int> message_key_result(const std::array<std::string, 3>& buttons, bool has_input,
                                      const RMessageKey& key);
// 1 ... 3, or 0 when every button is hidden.
int first_visible_button(const std::array<std::string, 3>& buttons);
// The character after the last "&" of a button's text, lower case; 0 when there is none.
char message_shortcut(std::string_view caption);

// Text broken into the lines a label of that width shows: at line breaks (CR LF, CR or LF)
// and between words, a word wider than the label broken where it must.
std::vector<std::string> wrap_message_lines(std::string_view text, int width,
                                            const std::function<int(std::string_view)>& measure);

}  // namespace vn
