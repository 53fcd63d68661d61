// The game information: a rich-text document shown on F1, with its window settings.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/Support_Stream.h"

namespace vn {

class CGameInformation {
 public:
  int background_color = 0xE1FFFF;
  bool show_in_game_window = false;
  std::string caption = "Game Information";
  int left = -1;  // negative: centred
  int top = -1;
  int width = 600;
  int height = 400;
  bool show_border = true;
  bool sizeable = true;
  bool stay_on_top = false;
  bool pause_game = true;
  std::vector<uint8_t> text;  // an RTF document

  // The payload of the game-information block; it has no version of its own.
  void read(CStream& stream);
  void write(CStream& stream) const;

  bool operator==(const CGameInformation&) const = default;
};

class CModelessForm;
class CRichView;
struct RFormFrame;
struct RFormSetup;

// The form that shows the game information: in a window of its own (modal when the record
// pauses the game, else beside the running game) or over the game window.
class THelpForm {
 public:
  THelpForm();
  ~THelpForm();
  THelpForm(const THelpForm&) = delete;
  THelpForm& operator=(const THelpForm&) = delete;

  // The record of the game being played; a form still open closes.
  void set_information(CGameInformation information);
  const CGameInformation& information() const { return information_; }
  // load_info: the text of a rich-text (or plain) file; false when it cannot be read.
  bool load_text(const std::string& file_name);

  // show_info and F1. Headless (or when no window can be made) it says so on standard
  // error, takes an answer and closes.
  void show();
  // Shown inside the game window (the game is not stepped meanwhile).
  bool shown_in_game_window() const { return in_game_window_; }
  // Shown in its own window beside the running game.
  bool open_beside_game() const;
  // Closes a form left open; the game has ended.
  void close();

  // The SDL id of the window it is drawn over when the record says so; the game window's
  // unless set (tests).
  void set_host_window(std::function<uint32_t()> host) { host_ = std::move(host); }

 private:
  RFormSetup form_setup(const CRichView& view) const;
  std::optional<int> draw(RFormFrame& frame, CRichView& view) const;

  CGameInformation information_;
  uint64_t revision_ = 0;  // of the text, to know whether an open form shows the latest
  uint64_t shown_revision_ = 0;
  std::unique_ptr<CRichView> view_;
  std::unique_ptr<CModelessForm> modeless_;
  bool in_game_window_ = false;
  std::function<uint32_t()> host_;
};

THelpForm& help_form();

}  // namespace vn
