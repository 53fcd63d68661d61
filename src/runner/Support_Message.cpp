#include "runner/Support_Message.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "library/Input_Main.h"
#include "platform/Platform_Font.h"
#include "platform/Platform_Gui.h"
#include "platform/Platform_MessageBox.h"
#include "platform/Platform_Process.h"
#include "platform/Platform_Window.h"
#include "runner/Form_Answer.h"
#include "runner/Input_Record.h"
#include "support/Support_Path.h"
#include "support/Support_Text.h"

namespace vn {
namespace {

std::optional<std::string>& title_storage() {
  static std::optional<std::string> title;
  return title;
}

constexpr int kMargin = 24;
constexpr int kTop = 16;
constexpr int kGap = 16;
constexpr float kEditPadding = 3.0f;

char lower_case(char c) { return char(lower_1252(static_cast<unsigned char>(c))); }

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string utf8_of(unsigned int code) {
  std::string text;
  if (code < 0x80) {
    text += char(code);
  } else if (code < 0x800) {
    text += char(0xC0 | (code >> 6));
    text += char(0x80 | (code & 0x3F));
  } else {
    text += char(0xE0 | ((code >> 12) & 0x0F));
    text += char(0x80 | ((code >> 6) & 0x3F));
    text += char(0x80 | (code & 0x3F));
  }
  return text;
}

// One of the form's fonts, opened to measure text the way the form draws it.
struct RMeasuredFont {
  RFormFont form;
  std::unique_ptr<CFontFace> face;
  int line_height = 0;

  int width(std::string_view text) const {
    int total = 0;
    for (char c : text) {
      total +=
          face->valid() ? face->text_width(static_cast<unsigned char>(c)) : form.pixel_size / 2;
    }
    return total;
  }
};

RMeasuredFont measured_font(const RMessageFont& font) {
  RMeasuredFont measured;
  RFontRequest request;
  request.family = font.name;
  // Sizes are points on a 96-dot-per-inch screen.
  request.pixel_size = std::clamp(int(std::lround(std::max(font.size, 1) * 96.0 / 72.0)), 6, 96);
  request.bold = (font.style & 1) != 0;
  request.italic = (font.style & 2) != 0;
  measured.face = std::make_unique<CFontFace>(request);
  measured.line_height = measured.face->valid() ? measured.face->text_height()
                                                : request.pixel_size + request.pixel_size / 4;
  // ImGui sizes a face by its line height; this keeps both measurements alike.
  measured.form = RFormFont{font.name, measured.line_height, request.bold, request.italic};
  return measured;
}

ImU32 colour_of(int32_t colour, uint8_t alpha = 255) {
  const auto c = static_cast<uint32_t>(colour);
  return IM_COL32(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF, alpha);
}

RFormPicture form_picture(const RImage& image) {
  RFormPicture picture;
  if (image.empty() || image.pixels.size() < size_t(image.width) * size_t(image.height)) {
    return picture;
  }
  picture.width = image.width;
  picture.height = image.height;
  picture.pixels.reserve(image.pixels.size() * 4);
  for (uint32_t pixel : image.pixels) {
    picture.pixels.push_back(uint8_t(pixel >> 16));
    picture.pixels.push_back(uint8_t(pixel >> 8));
    picture.pixels.push_back(uint8_t(pixel));
    picture.pixels.push_back(uint8_t(pixel >> 24));
  }
  return picture;
}

// The input field holds any length of text.
int grow_edit(ImGuiInputTextCallbackData* data) {
  if (data->EventFlag == ImGuiInputTextFlags_CallbackResize) {
    auto* buffer = static_cast<std::vector<char>*>(data->UserData);
    buffer->resize(size_t(data->BufSize));
    data->Buf = buffer->data();
  }
  return 0;
}

struct RMessageRequest {
  std::string text;
  std::array<std::string, 3> buttons;
  bool has_input = false;
  std::string input;  // the default text
};

struct RMessageOutcome {
  int button = 0;
  std::string input;
};

// TMessageForm: the text, the input field and the three TMyButton buttons.
class TMessageForm {
 public:
  explicit TMessageForm(const RMessageRequest& request);
  // None when no window could be shown.
  std::optional<RMessageOutcome> show();

 private:
  std::optional<int> draw(RFormFrame& frame);
  void draw_background(ImDrawList* list, const RFormFrame& frame) const;
  // True when the button was clicked.
  bool draw_button(int index, const RFormFrame& frame);

  RMessageRequest request_;
  const RMessageSettings& settings_;
  RMeasuredFont text_font_;
  RMeasuredFont button_font_;
  RMeasuredFont input_font_;
  std::vector<std::string> lines_;  // UTF-8
  RMessageLayout layout_;
  int button_width_ = kDefaultButtonWidth;
  int button_height_ = kDefaultButtonHeight;
  std::vector<char> edit_;  // UTF-8, zero-ended
};

TMessageForm::TMessageForm(const RMessageRequest& request)
    : request_(request),
      settings_(message_settings()),
      text_font_(measured_font(settings_.text_font)),
      button_font_(measured_font(settings_.button_font)),
      input_font_(measured_font(settings_.input_font)) {
  if (!settings_.button_pictures.empty() && !settings_.button_pictures[0].empty()) {
    button_width_ = settings_.button_pictures[0].width;
    button_height_ = settings_.button_pictures[0].height;
  }
  RMessageLayoutInput input;
  input.set_width = settings_.width;
  input.set_height = settings_.height;
  input.set_x = settings_.x;
  input.set_y = settings_.y;
  if (settings_.background && !settings_.background->empty()) {
    input.picture_width = settings_.background->width;
  }
  input.button_width = button_width_;
  input.button_height = button_height_;
  input.has_input = request.has_input;
  input.edit_height = input_font_.line_height + int(2 * kEditPadding);
  const RDisplaySize screen = display_size();
  input.screen_width = screen.width;
  input.screen_height = screen.height;
  std::vector<std::string> lines;
  layout_ = message_layout(input, [&](int label_width) {
    // The label holds the text with a blank after it.
    lines = wrap_message_lines(request.text + " ", label_width,
                               [&](std::string_view text) { return text_font_.width(text); });
    return int(lines.size()) * text_font_.line_height;
  });
  for (const std::string& line : lines) lines_.push_back(gui_text(line));

  const std::string initial = gui_text(request.input);
  edit_.assign(initial.size() + 1, '\0');
  std::copy(initial.begin(), initial.end(), edit_.begin());
}

std::optional<RMessageOutcome> TMessageForm::show() {
  RFormSetup setup;
  setup.caption = settings_.caption.empty() ? application_title() : settings_.caption;
  // No window system makes a window of any size; what a game asks beyond this is cut.
  constexpr int kLargestSide = 8192;
  setup.width = std::min(layout_.width, kLargestSide);
  setup.height = std::min(layout_.height, kLargestSide);
  setup.left = layout_.left;
  setup.top = layout_.top;
  setup.border = settings_.border;
  setup.light_style = false;
  setup.stay_on_top = true;
  setup.opacity = float(std::clamp(settings_.alpha, 0, 255)) / 255.0f;
  setup.fonts = {text_font_.form, button_font_.form, input_font_.form};
  if (settings_.background) setup.pictures.push_back(form_picture(*settings_.background));
  for (const RImage& image : settings_.button_pictures) {
    setup.pictures.push_back(form_picture(image));
  }
  const std::optional<int> result =
      run_modal_form(setup, [this](RFormFrame& frame) { return draw(frame); });
  if (!result) return std::nullopt;
  RMessageOutcome outcome;
  outcome.button = std::clamp(*result, 0, 3);
  outcome.input = utf8_to_cp1252_lossy(edit_.data());
  return outcome;
}

void TMessageForm::draw_background(ImDrawList* list, const RFormFrame& frame) const {
  const ImVec2 size(float(frame.width), float(frame.height));
  if (settings_.background && !frame.pictures.empty()) {
    // Behind the background's transparent colour: black, as an unshaped window shows.
    list->AddRectFilled(ImVec2(0, 0), size, IM_COL32(0, 0, 0, 255));
    list->AddImage(frame.pictures[0], ImVec2(0, 0), size);
    return;
  }
  // Our own: a dark blue pane with a light rim.
  list->AddRectFilledMultiColor(ImVec2(0, 0), size, IM_COL32(52, 70, 104, 255),
                                IM_COL32(52, 70, 104, 255), IM_COL32(20, 28, 46, 255),
                                IM_COL32(20, 28, 46, 255));
  list->AddRect(ImVec2(0.5f, 0.5f), ImVec2(size.x - 0.5f, size.y - 0.5f),
                IM_COL32(150, 170, 210, 255));
  list->AddRect(ImVec2(3.5f, 3.5f), ImVec2(size.x - 3.5f, size.y - 3.5f),
                IM_COL32(90, 110, 150, 255));
}

bool TMessageForm::draw_button(int index, const RFormFrame& frame) {
  const float x = float(layout_.button_x[size_t(index)]);
  const float y = float(layout_.button_y);
  const ImVec2 min(x, y);
  const ImVec2 max(x + float(button_width_), y + float(button_height_));
  ImGui::SetCursorPos(min);
  ImGui::PushID(index);
  const bool clicked = ImGui::InvisibleButton("##button", ImVec2(max.x - min.x, max.y - min.y));
  ImGui::PopID();
  const bool hovered = ImGui::IsItemHovered();
  const bool pressed = ImGui::IsItemActive() && hovered;
  const int state = pressed ? 2 : hovered ? 1 : 0;

  ImDrawList* list = ImGui::GetWindowDrawList();
  const size_t first_button_picture = settings_.background ? 1 : 0;
  if (!settings_.button_pictures.empty() &&
      frame.pictures.size() >= first_button_picture + settings_.button_pictures.size()) {
    const size_t picture = std::min(size_t(state), settings_.button_pictures.size() - 1);
    list->AddImage(frame.pictures[first_button_picture + picture], min, max);
  } else {
    // Our own pictures: raised, lit, sunk.
    static constexpr ImU32 kTop[] = {IM_COL32(96, 122, 170, 255), IM_COL32(122, 150, 200, 255),
                                     IM_COL32(36, 50, 80, 255)};
    static constexpr ImU32 kBottom[] = {IM_COL32(44, 60, 96, 255), IM_COL32(64, 84, 126, 255),
                                        IM_COL32(70, 92, 136, 255)};
    list->AddRectFilledMultiColor(min, max, kTop[state], kTop[state], kBottom[state],
                                  kBottom[state]);
    list->AddRect(min, max, IM_COL32(170, 190, 230, 255));
  }

  const RAccessCaption caption = parse_access_caption(request_.buttons[size_t(index)]);
  const std::string label = gui_text(caption.label);
  ImFont* font = frame.fonts.size() > 1 ? frame.fonts[1] : ImGui::GetFont();
  const float font_size = font->FontSize;
  const ImVec2 text_size = font->CalcTextSizeA(font_size, FLT_MAX, 0.0f, label.c_str());
  const ImVec2 at(std::floor(x + (float(button_width_) - text_size.x) * 0.5f) + (pressed ? 1 : 0),
                  std::floor(y + (float(button_height_) - text_size.y) * 0.5f) + (pressed ? 1 : 0));
  const ImU32 ink = colour_of(hovered ? settings_.mouse_colour : settings_.button_font.colour);
  list->AddText(font, font_size, at, ink, label.c_str());
  if (caption.key_offset < caption.label.size()) {
    const std::string before = gui_text(caption.label.substr(0, caption.key_offset));
    const std::string key = gui_text(caption.label.substr(caption.key_offset, 1));
    const float start = at.x + font->CalcTextSizeA(font_size, FLT_MAX, 0.0f, before.c_str()).x;
    const float end = start + font->CalcTextSizeA(font_size, FLT_MAX, 0.0f, key.c_str()).x;
    const float line_y = at.y + text_size.y - 1.0f;
    list->AddLine(ImVec2(start, line_y), ImVec2(end, line_y), ink);
  }
  return clicked;
}

std::optional<int> TMessageForm::draw(RFormFrame& frame) {
  // The close box (with a border) does what Esc does.
  if (frame.close_requested) return 0;
  ImDrawList* list = ImGui::GetWindowDrawList();
  draw_background(list, frame);

  ImFont* text_font = frame.fonts.empty() ? ImGui::GetFont() : frame.fonts[0];
  const ImU32 text_ink = colour_of(settings_.text_font.colour);
  for (size_t i = 0; i < lines_.size(); ++i) {
    const ImVec2 at(float(layout_.label_x),
                    float(layout_.label_y) + float(i) * float(text_font_.line_height));
    list->AddText(text_font, text_font->FontSize, at, text_ink, lines_[i].c_str());
  }

  if (request_.has_input) {
    ImGui::PushFont(frame.fonts.size() > 2 ? frame.fonts[2] : ImGui::GetFont());
    ImGui::PushStyleColor(ImGuiCol_FrameBg, colour_of(settings_.input_colour));
    ImGui::PushStyleColor(ImGuiCol_Text, colour_of(settings_.input_font.colour));
    ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(4.0f, kEditPadding));
    ImGui::PushStyleVar(ImGuiStyleVar_FrameBorderSize, 0.0f);
    ImGui::SetCursorPos(ImVec2(float(layout_.edit_x), float(layout_.edit_y)));
    ImGui::PushItemWidth(float(layout_.edit_width));
    if (frame.first) ImGui::SetKeyboardFocusHere();
    ImGui::InputText("##input", edit_.data(), edit_.size(),
                     ImGuiInputTextFlags_AutoSelectAll | ImGuiInputTextFlags_CallbackResize,
                     grow_edit, &edit_);
    ImGui::PopItemWidth();
    ImGui::PopStyleVar(2);
    ImGui::PopStyleColor(2);
    ImGui::PopFont();
  }

  std::optional<int> result;
  for (int i = 0; i < 3; ++i) {
    if (request_.buttons[size_t(i)].empty()) continue;
    if (draw_button(i, frame) && !result) result = i + 1;
  }
  if (result) return result;

  std::vector<RMessageKey> keys;
  if (frame.escape_pressed) keys.push_back({RMessageKey::escape_key});
  if (frame.return_pressed) keys.push_back({RMessageKey::return_key});
  if (frame.access_key != 0) keys.push_back({RMessageKey::typed, frame.access_key, true});
  // Characters typed this frame; the input field has taken them already when it is there.
  const ImGuiIO& io = ImGui::GetIO();
  for (int i = 0; i < io.InputQueueCharacters.Size; ++i) {
    const std::string character = utf8_to_cp1252_lossy(utf8_of(io.InputQueueCharacters[i]));
    if (character.size() == 1) keys.push_back({RMessageKey::typed, character[0], false});
  }
  for (const RMessageKey& key : keys) {
    if (const std::optional<int> chosen =
            message_key_result(request_.buttons, request_.has_input, key)) {
      return chosen;
    }
  }
  return std::nullopt;
}

// The form shown, or none when it could not be.
std::optional<RMessageOutcome> show_message_form(const RMessageRequest& request) {
  if (forms_answer_headless()) return std::nullopt;
  TMessageForm form(request);
  return form.show();
}

std::string lower_text(std::string_view text) {
  std::string lowered(text);
  for (char& c : lowered) c = lower_case(c);
  return lowered;
}

}  // namespace

void set_application_title(std::string title) { title_storage() = std::move(title); }

const std::string& application_title() {
  std::optional<std::string>& title = title_storage();
  if (!title) {
    // File names are UTF-8 on disk; the title is a string of the program.
    title = utf8_to_cp1252_lossy(executable_path().stem().string());
  }
  return *title;
}

void show_message(const std::string& text) { show_message_box(application_title(), text); }

std::string convert_message_text(std::string_view text) {
  std::string converted;
  converted.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '#') {
      converted += '#';
      ++i;
    } else if (text[i] == '#') {
      converted += '\r';
    } else {
      converted += text[i];
    }
  }
  return converted;
}

std::string message_real_text(double value) {
  if (!std::isfinite(value)) return std::isnan(value) ? "NAN" : value > 0 ? "INF" : "-INF";
  char buffer[400];
  if (value == std::trunc(value)) {
    std::snprintf(buffer, sizeof buffer, "%.0f", value == 0.0 ? 0.0 : value);
    return buffer;
  }
  // Ten significant digits first, then two decimals.
  std::snprintf(buffer, sizeof buffer, "%.9e", value);
  const double rounded = std::strtod(buffer, nullptr);
  std::snprintf(buffer, sizeof buffer, "%.2f", rounded);
  std::string text = buffer;
  if (text == "-0.00") text = "0.00";
  return text;
}

std::string message_text(const RValue& value) {
  if (value.is_string()) return convert_message_text(value.string.view());
  return message_real_text(value.real);
}

RMessageSettings& message_settings() {
  static RMessageSettings settings;
  return settings;
}

void reset_message_settings() { message_settings() = RMessageSettings(); }

RImage message_background_picture(const RImage& picture) {
  RImage keyed = picture;
  if (keyed.empty() || keyed.pixels.size() < size_t(keyed.width) * size_t(keyed.height)) {
    return keyed;
  }
  const uint32_t key = keyed.at(0, keyed.height - 1) & 0xFFFFFF;
  for (uint32_t& pixel : keyed.pixels) {
    if ((pixel & 0xFFFFFF) == key) pixel &= 0xFFFFFF;
  }
  return keyed;
}

RMessageLayout message_layout(const RMessageLayoutInput& input,
                              const std::function<int(int label_width)>& label_height) {
  RMessageLayout layout;
  layout.width = std::max(input.set_width > 0 ? input.set_width : input.picture_width, 1);
  layout.label_width = std::max(layout.width - 2 * kMargin, 1);
  layout.label_height = std::max(label_height(layout.label_width), 0);
  const int edit_space = input.has_input ? input.edit_height + kGap : 0;
  layout.height = input.set_height > 0
                      ? input.set_height
                      : layout.label_height + input.button_height + kTop + 2 * kGap + edit_space;
  layout.button_y = layout.height - kGap - input.button_height;
  layout.button_x = {kMargin, (layout.width - input.button_width) / 2,
                     layout.width - input.button_width - kMargin};
  layout.edit_width = std::max(layout.width - 2 * kMargin, 1);
  layout.edit_y = layout.button_y - kGap - input.edit_height;
  layout.left = input.set_x >= 0 ? input.set_x : (input.screen_width - layout.width) / 2;
  layout.top = input.set_y >= 0 ? input.set_y : (input.screen_height - layout.height) / 2;
  return layout;
}

int first_visible_button(const std::array<std::string, 3>& buttons) {
  for (int i = 0; i < 3; ++i) {
    if (!buttons[size_t(i)].empty()) return i + 1;
  }
  return 0;
}

char message_shortcut(std::string_view caption) {
  return lower_case(parse_access_caption(caption).key);
}

std::optional<int> message_key_result(const std::array<std::string, 3>& buttons, bool has_input,
                                      const RMessageKey& key) {
  if (key.kind == RMessageKey::escape_key) return 0;
  const int first = first_visible_button(buttons);
  if (key.kind == RMessageKey::return_key) {
    if (first == 0) return std::nullopt;
    return first;
  }
  if (key.character == 0) return std::nullopt;
  // What is typed goes into the input field; only Alt reaches the buttons past it.
  if (has_input && !key.alt) return std::nullopt;
  if (key.character == ' ' && !has_input && first != 0) return first;
  const char wanted = lower_case(key.character);
  for (int i = 0; i < 3; ++i) {
    const std::string& caption = buttons[size_t(i)];
    if (!caption.empty() && message_shortcut(caption) == wanted) return i + 1;
  }
  return std::nullopt;
}

std::vector<std::string> wrap_message_lines(std::string_view text, int width,
                                            const std::function<int(std::string_view)>& measure) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    const std::string_view paragraph =
        text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    // Words are broken between, keeping the blanks that end a line on it.
    std::string line;
    size_t i = 0;
    while (i < paragraph.size()) {
      size_t word_end = i;
      while (word_end < paragraph.size() && is_blank(paragraph[word_end])) ++word_end;
      while (word_end < paragraph.size() && !is_blank(paragraph[word_end])) ++word_end;
      const std::string_view word = paragraph.substr(i, word_end - i);
      if (measure(line + std::string(word)) <= width || line.empty()) {
        line += word;
      } else {
        lines.push_back(line);
        line.clear();
        // The blanks between the two lines go.
        size_t skip = 0;
        while (skip < word.size() && is_blank(word[skip])) ++skip;
        line = std::string(word.substr(skip));
      }
      // A word wider than the whole label is cut where it must be, in one pass over it
      // (a game may show a very long one).
      if (line.size() > 1 && measure(line) > width) {
        size_t begin = 0;
        int used = 0;
        for (size_t k = 0; k < line.size(); ++k) {
          const int w = measure(std::string_view(line).substr(k, 1));
          if (k > begin && used + w > width) {
            lines.push_back(line.substr(begin, k - begin));
            begin = k;
            used = 0;
          }
          used += w;
        }
        line.erase(0, begin);
      }
      i = word_end;
    }
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
  return lines;
}

std::optional<int32_t> integer_in_text(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && is_blank(text[begin])) ++begin;
  while (end > begin && is_blank(text[end - 1])) --end;
  std::string_view digits = text.substr(begin, end - begin);
  bool negative = false;
  if (!digits.empty() && (digits[0] == '+' || digits[0] == '-')) {
    negative = digits[0] == '-';
    digits.remove_prefix(1);
  }
  if (digits.empty() || digits.size() > 10) return std::nullopt;
  int64_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return int32_t(value);
}

void show_game_message(const std::string& text) {
  RMessageRequest request;
  request.text = text;
  request.buttons = {"", "OK", ""};
  if (show_message_form(request)) {
    record_form_answer("ok");
  } else {
    take_form_answer(FormKind::message, text);
  }
  clear_input();
}

int show_message_ext_form(const std::string& text, const std::string& button1,
                          const std::string& button2, const std::string& button3) {
  RMessageRequest request;
  request.text = text;
  request.buttons = {button1, button2, button3};
  int chosen = first_visible_button(request.buttons);
  if (const std::optional<RMessageOutcome> outcome = show_message_form(request)) {
    chosen = outcome->button;
    record_form_answer(std::to_string(chosen));
  } else if (const std::optional<std::string> answer =
                 take_form_answer(FormKind::message_ext, text)) {
    const std::optional<int32_t> number = integer_in_text(*answer);
    if (number && (*number == 0 || (*number >= 1 && *number <= 3 &&
                                    !request.buttons[size_t(*number - 1)].empty()))) {
      chosen = *number;
    } else {
      report_unfit_answer(FormKind::message_ext, *answer);
    }
  }
  clear_input();
  return chosen;
}

bool ask_question(const std::string& text) {
  RMessageRequest request;
  request.text = text;
  request.buttons = {"Yes", "", "No"};
  // Return presses Yes, the first button.
  bool yes = true;
  if (const std::optional<RMessageOutcome> outcome = show_message_form(request)) {
    yes = outcome->button == 1;
    record_form_answer(yes ? "yes" : "no");
  } else if (const std::optional<std::string> answer = take_form_answer(FormKind::question, text)) {
    const std::string lowered = lower_text(*answer);
    if (lowered == "yes" || lowered == "no") {
      yes = lowered == "yes";
    } else {
      report_unfit_answer(FormKind::question, *answer);
    }
  }
  clear_input();
  return yes;
}

namespace {

// The text an input box gives: what was typed, or the default when it was closed with Esc
// or nothing could be shown and no answer was left.
std::string ask_text(FormKind kind, const std::string& prompt, const std::string& default_text) {
  RMessageRequest request;
  request.text = prompt;
  request.buttons = {"", "OK", ""};
  request.has_input = true;
  request.input = default_text;
  std::string typed = default_text;
  if (const std::optional<RMessageOutcome> outcome = show_message_form(request)) {
    if (outcome->button != 0) typed = outcome->input;
    record_form_answer(typed);
  } else if (std::optional<std::string> answer = take_form_answer(kind, prompt)) {
    typed = std::move(*answer);
  }
  clear_input();
  return typed;
}

}  // namespace

std::string ask_string(const std::string& prompt, const std::string& default_text) {
  return ask_text(FormKind::string, prompt, default_text);
}

double ask_integer(const std::string& prompt, double default_value) {
  const std::string typed = ask_text(FormKind::integer, prompt, message_real_text(default_value));
  const std::optional<int32_t> number = integer_in_text(typed);
  return number ? double(*number) : default_value;
}

}  // namespace vn
