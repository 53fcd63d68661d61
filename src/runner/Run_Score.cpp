#include "runner/Run_Score.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>

#include "graphics/Background_Class.h"
#include "library/Support_Registry.h"
#include "runner/Form_Answer.h"
#include "runner/Input_Record.h"
#include "runner/Support_Message.h"
#include "script/Variable_BuiltIn.h"
#include "support/Support_Text.h"
#include "world/Run_Global.h"

namespace vn {

namespace {

constexpr size_t kScoreBytes = 16;

// (byte + i + game id) modulo 256, for positions i from 1; reading takes it off again.
uint8_t scramble(uint8_t byte, size_t position, int64_t game_id, int sign) {
  const int64_t shift = (int64_t(position) + game_id % 256) % 256;
  return uint8_t((int64_t(byte) + sign * shift + 512) % 256);
}

std::string rank_value_name(int rank) { return "Rank" + std::to_string(rank + 1); }

}  // namespace

std::string encode_score_rank(const RScoreRank& rank, int64_t game_id) {
  std::vector<uint8_t> bytes(kScoreBytes + rank.name.size(), rank.score < 0 ? 0xFF : 0x00);
  const uint32_t score = uint32_t(rank.score);
  for (size_t k = 0; k < 4; ++k) bytes[k] = uint8_t(score >> (8 * k));
  std::copy(rank.name.begin(), rank.name.end(), bytes.begin() + kScoreBytes);
  std::string text;
  text.reserve(bytes.size() * 2);
  for (size_t i = 0; i < bytes.size(); ++i) {
    const uint8_t b = scramble(bytes[i], i + 1, game_id, 1);
    text += char('A' + b / 16);
    text += char('A' + b % 16);
  }
  return text;
}

std::optional<RScoreRank> decode_score_rank(std::string_view text, int64_t game_id) {
  if (text.size() % 2 != 0 || text.size() < 2 * kScoreBytes) return std::nullopt;
  std::vector<uint8_t> bytes(text.size() / 2);
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char high = text[2 * i];
    const char low = text[2 * i + 1];
    if (high < 'A' || high > 'P' || low < 'A' || low > 'P') return std::nullopt;
    bytes[i] = scramble(uint8_t((high - 'A') * 16 + (low - 'A')), i + 1, game_id, -1);
  }
  RScoreRank rank;
  uint32_t score = 0;
  for (size_t k = 0; k < 4; ++k) score |= uint32_t(bytes[k]) << (8 * k);
  rank.score = int32_t(score);
  rank.name.assign(bytes.begin() + kScoreBytes, bytes.end());
  return rank;
}

std::string score_table_key(int64_t game_id) {
  return registry_key_path(kCurrentUser, "Software\\Varnock\\Scores\\" + std::to_string(game_id));
}

RScoreTable read_score_table(int64_t game_id) {
  RScoreTable table;
  const std::string key = score_table_key(game_id);
  CRegistryStore& store = registry_store();
  for (int r = 0; r < kScoreRanks; ++r) {
    const std::optional<RRegistryValue> value = store.read(key, rank_value_name(r));
    if (!value || value->is_real) continue;
    if (std::optional<RScoreRank> rank = decode_score_rank(value->string, game_id)) {
      table[size_t(r)] = std::move(*rank);
    }
  }
  return table;
}

// The store's own write changes one value per replacement of the file; a table written
// that way could be left half moved down by a crash.
bool write_score_table(int64_t game_id, const RScoreTable& table) {
  // All ten ranks in one replacement of the store: a crash while ranks move down never
  // leaves one of them twice.
  std::vector<std::pair<std::string, RRegistryValue>> ranks;
  for (int r = 0; r < kScoreRanks; ++r) {
    ranks.emplace_back(rank_value_name(r),
                       RRegistryValue{false, 0, encode_score_rank(table[size_t(r)], game_id)});
  }
  return registry_store().write(score_table_key(game_id), ranks);
}

std::optional<int> score_place(const RScoreTable& table, int32_t score) {
  for (int r = 0; r < kScoreRanks; ++r) {
    if (table[size_t(r)].score < score) return r;
  }
  return std::nullopt;
}

std::optional<int> insert_score(RScoreTable& table, RScoreRank rank) {
  const std::optional<int> place = score_place(table, rank.score);
  if (!place) return std::nullopt;
  std::move_backward(table.begin() + *place, table.end() - 1, table.end());
  table[size_t(*place)] = std::move(rank);
  return place;
}

RScoreDisplay& score_display() {
  static RScoreDisplay display;
  return display;
}

std::string shown_score_name(const RScoreDisplay& display, const std::string& name) {
  return name == kNobody ? display.nobody : name;
}

// --- The form ---

namespace {

constexpr int kTextFont = 0;
constexpr int kCaptionFont = 1;
constexpr int kHintFont = 2;

ImU32 script_color(int32_t color) {
  const uint32_t c = uint32_t(color);
  return IM_COL32(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF, 255);
}

int points_to_pixels(int points) {
  return int(std::lround(std::clamp(points, 1, 72) * 96.0 / 72.0));
}

void draw_text_at(ImFont* font, ImVec2 at, ImU32 color, const std::string& text) {
  const std::string shown = gui_text(text);
  ImGui::GetWindowDrawList()->AddText(font, font->FontSize, at, color, shown.c_str(),
                                      shown.c_str() + shown.size());
}

float text_width(ImFont* font, const std::string& text) {
  const std::string shown = gui_text(text);
  return font
      ->CalcTextSizeA(font->FontSize, FLT_MAX, 0.0f, shown.c_str(), shown.c_str() + shown.size())
      .x;
}

RFormPicture form_picture(const TBitmap32& bitmap) {
  RFormPicture picture;
  picture.width = bitmap.width();
  picture.height = bitmap.height();
  picture.pixels.reserve(size_t(picture.width) * size_t(picture.height) * 4);
  for (uint32_t pixel : bitmap.image().pixels) {
    picture.pixels.push_back(uint8_t(pixel >> 16));
    picture.pixels.push_back(uint8_t(pixel >> 8));
    picture.pixels.push_back(uint8_t(pixel));
    picture.pixels.push_back(uint8_t(pixel >> 24));
  }
  return picture;
}

std::string utf8_of(uint32_t code) {
  std::string text;
  if (code < 0x80) {
    text += char(code);
  } else if (code < 0x800) {
    text += char(0xC0 | (code >> 6));
    text += char(0x80 | (code & 0x3F));
  } else {
    text += char(0xE0 | (code >> 12));
    text += char(0x80 | ((code >> 6) & 0x3F));
    text += char(0x80 | (code & 0x3F));
  }
  return text;
}

// Printable characters typed since the last frame, as Windows-1252.
std::string typed_characters() {
  std::string typed;
  const ImVector<ImWchar>& queue = ImGui::GetIO().InputQueueCharacters;
  for (ImWchar character : queue) {
    if (character < 0x20 || character == 0x7F) continue;
    std::optional<std::string> converted = utf8_to_cp1252(utf8_of(character));
    if (converted) typed += *converted;
  }
  return typed;
}

}  // namespace

RFormSetup TScoreForm::setup() const {
  RFormSetup setup;
  setup.caption = "High Scores";
  setup.width = kWidth;
  setup.height = kHeight;
  setup.border = display_.border;
  const int size = points_to_pixels(display_.font_size);
  const bool bold = (display_.font_style & 1) != 0;
  const bool italic = (display_.font_style & 2) != 0;
  setup.fonts = {RFormFont{display_.font_name, size, bold, italic},
                 RFormFont{display_.font_name, size + size / 2, true, italic},
                 RFormFont{display_.font_name, std::max(size - 2, 8), false, true}};
  if (const CBackground* background = background_at(display_.background)) {
    if (background->image.has_pixels()) setup.pictures.push_back(form_picture(background->image));
  }
  return setup;
}

std::optional<int> TScoreForm::draw(RFormFrame& frame) {
  const bool typing = new_rank_.has_value();
  if (typing) {
    typed_ += typed_characters();
    if (!typed_.empty() && ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Backspace))) {
      typed_.pop_back();
    }
    table_[size_t(*new_rank_)].name = typed_;
  }
  ImDrawList* list = ImGui::GetWindowDrawList();
  const ImVec2 size(float(frame.width), float(frame.height));
  // The whole client area, the window's padding included, is the form's.
  list->PushClipRect(ImVec2(0, 0), size, false);
  list->AddRectFilled(ImVec2(0, 0), size, script_color(display_.background_color));
  // The picture is stretched over the whole form, over the colour where it is see-through.
  if (!frame.pictures.empty() && frame.pictures.front() != ImTextureID()) {
    list->AddImage(frame.pictures.front(), ImVec2(0, 0), size);
  }

  ImFont* text_font = frame.fonts[kTextFont];
  ImFont* caption_font = frame.fonts.size() > kCaptionFont ? frame.fonts[kCaptionFont] : text_font;
  ImFont* hint_font = frame.fonts.size() > kHintFont ? frame.fonts[kHintFont] : text_font;
  const ImU32 other = script_color(display_.other_color);
  const ImU32 highlight = script_color(display_.new_color);

  const float caption_width = text_width(caption_font, display_.caption);
  draw_text_at(caption_font, ImVec2((size.x - caption_width) * 0.5f, 16.0f), other,
               display_.caption);

  // Ten equal rows between the caption and the hint.
  const float top = 24.0f + caption_font->FontSize + 12.0f;
  const float bottom = size.y - hint_font->FontSize - 24.0f;
  const float row_height = (bottom - top) / float(kScoreRanks);
  for (int r = 0; r < kScoreRanks; ++r) {
    const RScoreRank& rank = table_[size_t(r)];
    const bool is_new = typing && r == *new_rank_;
    const ImU32 color = is_new ? highlight : other;
    const float y = top + row_height * float(r) + (row_height - text_font->FontSize) * 0.5f;
    const std::string number = std::to_string(r + 1) + ".";
    draw_text_at(text_font, ImVec2(52.0f - text_width(text_font, number), y), color, number);
    const std::string name = is_new ? rank.name + "|" : shown_score_name(display_, rank.name);
    // A long name stops short of the score column.
    list->PushClipRect(ImVec2(60.0f, 0.0f), ImVec2(size.x - 96.0f, size.y), true);
    draw_text_at(text_font, ImVec2(64.0f, y), color, name);
    list->PopClipRect();
    const std::string score = std::to_string(rank.score);
    draw_text_at(text_font, ImVec2(size.x - 32.0f - text_width(text_font, score), y), color, score);
  }

  const float hint_width = text_width(hint_font, display_.escape);
  draw_text_at(hint_font,
               ImVec2((size.x - hint_width) * 0.5f, size.y - hint_font->FontSize - 12.0f), other,
               display_.escape);
  list->PopClipRect();
  // Drawn first, so the last picture shows the name as it was stored.
  if (frame.return_pressed || frame.escape_pressed || frame.close_requested) return 0;
  return std::nullopt;
}

std::string TScoreForm::show() {
  if (forms_answer_headless()) return show_headless();
  const std::optional<int> result =
      run_modal_form(setup(), [this](RFormFrame& frame) { return draw(frame); });
  if (!result) return show_headless();
  // Any answer closes a table that asked for no name.
  record_form_answer(new_rank_ ? typed_ : std::string("ok"));
  return new_rank_ ? typed_ : std::string();
}

std::string TScoreForm::show_headless() {
  std::optional<std::string> answer = take_form_answer(FormKind::highscore, display_.caption);
  if (!new_rank_ || !answer) return std::string();
  return *answer;
}

// --- The running game's table ---

void add_high_score(const std::string& name, int32_t score) {
  const int64_t game_id = run_state().game_id;
  RScoreTable table = read_score_table(game_id);
  if (insert_score(table, RScoreRank{name, score})) write_score_table(game_id, table);
}

void add_current_high_score() {
  const int64_t game_id = run_state().game_id;
  const int32_t score = run_state().score;
  // Only a score that gets a place: one equal to the last rank's would be asked for a
  // name and then not go in.
  if (!score_place(read_score_table(game_id), score)) return;
  const std::string name = ask_string(
      "You reached a place in the highscore table.\rPlease provide your name.", "player");
  add_high_score(name, score);
}

void show_high_scores(int32_t score) {
  const int64_t game_id = run_state().game_id;
  RScoreTable table = read_score_table(game_id);
  const std::optional<int> place = insert_score(table, RScoreRank{std::string(), score});
  // The score is kept even if the game ends while the player types.
  if (place) write_score_table(game_id, table);
  TScoreForm form(score_display(), table, place);
  const std::string name = form.show();
  if (!place) return;
  table[size_t(*place)].name = name;
  write_score_table(game_id, table);
}

void clear_high_scores() { write_score_table(run_state().game_id, RScoreTable()); }

}  // namespace vn
