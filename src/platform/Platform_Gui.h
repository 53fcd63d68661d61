// The runner's own forms (errors, messages, questions, input, high scores): each is drawn
// with Dear ImGui in a window of its own and shown modally, so the game waits until the
// player has answered. Without a display nothing is shown and the caller falls back to its
// headless behaviour.
#pragma once

#include <imgui.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vn {

struct RFormFont {
  std::string family = "monospace";  // a fontconfig name, Windows-1252
  int pixel_size = 14;
  bool bold = false;
  bool italic = false;
};

// What a form window showed in one frame, or a picture a form draws: RGBA bytes, top row
// first.
struct RFormPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
};

struct RFormSetup {
  std::string caption;  // Windows-1252
  int width = 400;      // client size in pixels
  int height = 300;
  int left = -1;  // desktop position of the client area; -1 centres that coordinate
  int top = -1;
  bool border = true;  // false: no caption bar and no frame
  bool resizable = false;
  // fonts[0] is the default font of the form; none gives a fixed-pitch face.
  std::vector<RFormFont> fonts;
  bool light_style = true;   // the system's light dialog look, else ImGui's dark one
  bool stay_on_top = false;  // above every other window of the desktop
  bool padded = true;        // false: the content starts at the client area's corner
  float opacity = 1.0f;      // of the whole window, 0 ... 1
  // A pop-up menu's window: no frame, and a click outside it or the loss of the focus
  // asks it to close (RFormFrame::close_requested).
  bool popup = false;
  // Pictures the form draws; RFormFrame::pictures holds their textures in this order.
  std::vector<RFormPicture> pictures;
};

// What one frame of the form may react to. Keys are reported here rather than through
// ImGui so that forms match them by character, whatever the keyboard layout.
struct RFormFrame {
  int width = 0;  // client size now
  int height = 0;
  bool first = false;            // the first frame of this showing
  bool close_requested = false;  // the close box, or the application asked to quit
  char access_key = 0;           // letter or digit typed with Alt held (lower case), else 0
  bool return_pressed = false;
  bool escape_pressed = false;
  std::vector<ImFont*> fonts;         // as RFormSetup::fonts, loaded
  std::vector<ImTextureID> pictures;  // as RFormSetup::pictures, for ImGui's image calls
};

// Draws one frame of the form's content between ImGui's begin and end of a window that
// fills the client area; a value closes the form with that result.
using FormDraw = std::function<std::optional<int>(RFormFrame& frame)>;

// Shows the form and returns the result its drawing gave. None when nothing could be
// shown (no display, or no window or OpenGL context could be made; gui_failure_reason
// says why). The contexts current before the call are current again afterwards.
std::optional<int> run_modal_form(const RFormSetup& setup, const FormDraw& draw);
const std::string& gui_failure_reason();

// A form that stays open while the game runs. It is drawn from pump_events (so on every
// step of the game and in its waits) and closes when its drawing gives a value, when the
// player closes its window, or when the object goes. Without a display none is made.
class CModelessForm {
 public:
  virtual ~CModelessForm() = default;
  virtual bool open() const = 0;
  // The value that closed it; none while open, or when closed by its window's close box.
  virtual std::optional<int> result() const = 0;
  // Puts the window in front of the others and gives it the keyboard.
  virtual void raise() = 0;
  // Draws it again at the next pump although nothing of its own window changed: what it
  // shows has moved on (a step ran).
  virtual void redraw() = 0;
};
std::unique_ptr<CModelessForm> open_modeless_form(const RFormSetup& setup, FormDraw draw);

// Shows a modal form inside the client area of another SDL window (the game window),
// filling it, drawn with that window's own OpenGL context and left with the game's drawing
// state as it found it. The window's events go to the form while it runs; Esc and the
// window's close button close it with 0. The setup's size, place and frame are the host's;
// its caption, fonts and style apply. None when the window cannot take a form (unknown id,
// no OpenGL context, no display).
std::optional<int> run_form_over_window(uint32_t host_window_id, const RFormSetup& setup,
                                        const FormDraw& draw);

// Tests and tools watch the forms shown in a window: the observer sees every frame once it
// is drawn (counted from 0) and may close the form by giving its result. While one is set,
// forms never sleep between frames. Unset with an empty function.
using FormObserver = std::function<std::optional<int>(const RFormSetup& setup, int frame_number,
                                                      const RFormPicture& picture)>;
void set_form_observer(FormObserver observer);

// A caption with an access key: the character after the last single "&" is the key and is
// shown underlined; "&&" shows one "&".
struct RAccessCaption {
  std::string label;                      // Windows-1252, without the markers
  char key = 0;                           // lower case; 0 when there is none
  size_t key_offset = std::string::npos;  // position of the key in label
};
RAccessCaption parse_access_caption(std::string_view caption);

// A push button with an access-key caption and a hint shown while the mouse rests on it.
// True when clicked, when its access key is typed with Alt, or, for the default button,
// when Return is pressed. A width of 0 fits the caption.
bool form_button(const RFormFrame& frame, std::string_view caption, std::string_view hint = {},
                 bool is_default = false, float width = 0.0f);

// Windows-1252 text for ImGui (which takes UTF-8).
std::string gui_text(std::string_view text);

// Puts Windows-1252 text on the system clipboard as UTF-8. False when there is no clipboard
// (no video) or it refused.
bool set_clipboard_text(std::string_view text);

}  // namespace vn
