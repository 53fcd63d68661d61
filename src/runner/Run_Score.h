// The game's top-ten table of names and scores, kept in the current user's registry store
// under "\Software\Varnock\Scores\" + game id, one string value "Rank1" ... "Rank10" per
// rank, and the form that shows it.
//
// Each rank is stored scrambled with the game id: the score's four bytes (least significant
// first) widened with their sign to 16, then the name's bytes; byte i (from 1) is raised by
// i + game id modulo 256 and written as two letters "A" ... "P", high half first.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Platform_Gui.h"

namespace vn {

constexpr int kScoreRanks = 10;
// What an empty rank (and one that cannot be read) holds.
constexpr std::string_view kNobody = "<nobody>";

struct RScoreRank {
  std::string name = std::string(kNobody);  // Windows-1252
  int32_t score = 0;
  bool operator==(const RScoreRank&) const = default;
};
using RScoreTable = std::array<RScoreRank, kScoreRanks>;

std::string encode_score_rank(const RScoreRank& rank, int64_t game_id);
// None when the text cannot have been written by encode_score_rank: an odd length, a
// letter outside "A" ... "P", or fewer than the 16 bytes of the score.
std::optional<RScoreRank> decode_score_rank(std::string_view text, int64_t game_id);

// The table's key in the registry store (root included).
std::string score_table_key(int64_t game_id);
// Missing and damaged ranks read as nobody with 0.
RScoreTable read_score_table(int64_t game_id);
// All ten ranks in one replacement of the store file, so that a crash leaves either the
// old table or the new one. False when the store could not be written.
bool write_score_table(int64_t game_id, const RScoreTable& table);

// The place (0-based) a score takes: above the first stored score below it, so an equal
// score goes under the ones already there; none when it is below all ten.
std::optional<int> score_place(const RScoreTable& table, int32_t score);
// Puts the rank at its place, moving the lower ones down (the last drops out).
std::optional<int> insert_score(RScoreTable& table, RScoreRank rank);

// How the table form looks; the same for every showing until a script changes it.
struct RScoreDisplay {
  int32_t background_color = 0xC8E8F0;  // a script colour (red in the low byte)
  int32_t background = -1;              // a background resource, or none
  bool border = true;
  std::string font_name = "Times New Roman";
  int font_size = 12;  // points
  int font_style = 0;  // 1 bold, 2 italic, 3 both
  int32_t new_color = 0x0000FF;
  int32_t other_color = 0x000000;
  std::string caption = "Top Ten Players";
  std::string nobody = std::string(kNobody);
  std::string escape = "press <Escape> to close";
};
RScoreDisplay& score_display();

// The name a rank shows: the nobody text stands for the empty rank's name.
std::string shown_score_name(const RScoreDisplay& display, const std::string& name);

// The table form: the ten ranks, one of them (when given) the new one that the player types
// a name into. Without a window the name comes from the form answers (none: the empty
// name, as when the player presses Return at once).
class TScoreForm {
 public:
  static constexpr int kWidth = 360;
  static constexpr int kHeight = 400;

  TScoreForm(const RScoreDisplay& display, RScoreTable table, std::optional<int> new_rank)
      : display_(display), table_(std::move(table)), new_rank_(new_rank) {}

  // The name typed for the new rank (empty without one).
  std::string show();

  // The form's setup and one frame, for tests that draw it themselves.
  RFormSetup setup() const;
  std::optional<int> draw(RFormFrame& frame);
  const std::string& typed() const { return typed_; }

 private:
  std::string show_headless();

  RScoreDisplay display_;
  RScoreTable table_;
  std::optional<int> new_rank_;
  std::string typed_;
};

// The script operations on the running game's table.
void add_high_score(const std::string& name, int32_t score);
// Asks the player's name when the game's score reaches the table.
void add_current_high_score();
void show_high_scores(int32_t score);
void clear_high_scores();

}  // namespace vn
