#include "runner/Help_Main.h"

#include <algorithm>
#include <filesystem>
#include <string_view>

#include "graphics/Graphics_Window.h"
#include "library/Input_Main.h"
#include "platform/Platform_FileIo.h"
#include "platform/Platform_GameWindow.h"
#include "platform/Platform_Gui.h"
#include "platform/Platform_Window.h"
#include "runner/Form_Answer.h"
#include "runner/Help_View.h"
#include "runner/Input_Record.h"
#include "support/Support_Path.h"

namespace vn {

void CGameInformation::read(CStream& stream) {
  *this = CGameInformation();
  background_color = read_int(stream);
  show_in_game_window = read_bool(stream);
  caption = read_string(stream);
  left = read_int(stream);
  top = read_int(stream);
  width = read_int(stream);
  height = read_int(stream);
  show_border = read_bool(stream);
  sizeable = read_bool(stream);
  stay_on_top = read_bool(stream);
  pause_game = read_bool(stream);
  text = read_raw_block(stream).take_bytes();
}

void CGameInformation::write(CStream& stream) const {
  write_int(stream, background_color);
  write_bool(stream, show_in_game_window);
  write_string(stream, caption);
  write_int(stream, left);
  write_int(stream, top);
  write_int(stream, width);
  write_int(stream, height);
  write_bool(stream, show_border);
  write_bool(stream, sizeable);
  write_bool(stream, stay_on_top);
  write_bool(stream, pause_game);
  write_raw_block(stream, text);
}

}  // namespace vn

namespace vn {

namespace {

// Records keep Windows colours: red in the low byte.
uint32_t record_color_rgb(int color) {
  const uint32_t value = uint32_t(color);
  return ((value & 0xFF) << 16) | (value & 0xFF00) | ((value >> 16) & 0xFF);
}

}  // namespace

THelpForm::THelpForm() = default;
THelpForm::~THelpForm() = default;

void THelpForm::set_information(CGameInformation information) {
  close();
  information_ = std::move(information);
  ++revision_;
}

bool THelpForm::load_text(const std::string& file_name) {
  const std::filesystem::path path = game_path(file_name);
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return false;
  std::vector<uint8_t> bytes;
  std::string reason;
  if (!read_file(path, bytes, reason)) return false;
  information_.text = std::move(bytes);
  ++revision_;
  return true;
}

bool THelpForm::open_beside_game() const { return modeless_ != nullptr && modeless_->open(); }

void THelpForm::close() {
  modeless_.reset();
  view_.reset();
}

RFormSetup THelpForm::form_setup(const CRichView& view) const {
  RFormSetup setup;
  setup.caption = information_.caption;
  const RDisplaySize screen = display_size();
  setup.width = std::max(information_.width, 1);
  setup.height = std::max(information_.height, 1);
  if (screen.width > 0) setup.width = std::min(setup.width, screen.width);
  if (screen.height > 0) setup.height = std::min(setup.height, screen.height);
  setup.left = information_.left < 0 ? (screen.width - setup.width) / 2 : information_.left;
  setup.top = information_.top < 0 ? (screen.height - setup.height) / 2 : information_.top;
  setup.left = std::max(setup.left, 0);
  setup.top = std::max(setup.top, 0);
  setup.border = information_.show_border;
  setup.resizable = information_.show_border && information_.sizeable;
  setup.stay_on_top = information_.stay_on_top;
  setup.fonts = view.fonts();
  setup.padded = false;  // the text area fills the form
  return setup;
}

std::optional<int> THelpForm::draw(RFormFrame& frame, CRichView& view) const {
  if (frame.escape_pressed || frame.close_requested) return 0;
  view.draw(frame, 0, ImVec2(0.0f, 0.0f), record_color_rgb(information_.background_color));
  return std::nullopt;
}

void THelpForm::show() {
  // Headless, every showing takes one answer; a recording keeps them in step.
  if (!forms_answer_headless()) record_form_answer("ok");
  // A form beside the game comes to the front when it still shows the latest text.
  if (open_beside_game() && shown_revision_ == revision_) {
    modeless_->raise();
    return;
  }
  close();
  const std::string caption = information_.caption;
  if (forms_answer_headless()) {
    take_form_answer(FormKind::info, caption);
    return;
  }
  view_ = std::make_unique<CRichView>(read_rich_text(std::string_view(
      reinterpret_cast<const char*>(information_.text.data()), information_.text.size())));
  shown_revision_ = revision_;
  CRichView& view = *view_;
  const RFormSetup setup = form_setup(view);
  std::optional<int> shown;
  if (information_.show_in_game_window) {
    const uint32_t host = host_ ? host_()
                          : window_state().window() != nullptr
                              ? window_state().window()->sdl_window_id()
                              : 0;
    in_game_window_ = true;
    set_input_captured(true);
    shown = run_form_over_window(host, setup,
                                 [this, &view](RFormFrame& frame) { return draw(frame, view); });
    set_input_captured(false);
    in_game_window_ = false;
  } else if (information_.pause_game) {
    shown = run_modal_form(setup, [this, &view](RFormFrame& frame) { return draw(frame, view); });
  } else {
    modeless_ =
        open_modeless_form(setup, [this, &view](RFormFrame& frame) { return draw(frame, view); });
    if (modeless_ != nullptr) return;
  }
  view_.reset();
  if (!shown) take_form_answer(FormKind::info, caption);
}

THelpForm& help_form() {
  static THelpForm form;
  return form;
}

}  // namespace vn
