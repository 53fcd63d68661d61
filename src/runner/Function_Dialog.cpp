#include "runner/Function_Dialog.h"

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "library/Input_Main.h"
#include "platform/Platform_Dialog.h"
#include "runner/Form_Answer.h"
#include "runner/Input_Record.h"
#include "script/Code_Error.h"
#include "script/Code_Function.h"
#include "script/Code_Value.h"
#include "script/Function_Math.h"
#include "support/Support_Path.h"
#include "support/Support_Text.h"

namespace vn {

namespace {

namespace fs = std::filesystem;

using arguments::boolean;
using arguments::integer;
using arguments::text;

using Self = CInstanceBase*;
using Args = const RValue*;

constexpr const char* kColourCaption = "Color";
constexpr const char* kOpenCaption = "Open";
constexpr const char* kSaveCaption = "Save";
constexpr const char* kFolderCaption = "Select Directory";

// A folder as the game names it, for the dialog to start in; the working folder when it
// names none.
fs::path start_folder(std::string_view folder) {
  std::error_code error;
  const fs::path here = fs::current_path(error);
  if (folder.empty()) return here;
  return fs::absolute(game_path(folder), error);
}

// A shown dialog took the keys and buttons the player used in it; the game must not
// find them still held.
RDialogResult shown(RDialogResult result) {
  if (result.outcome != DialogOutcome::unavailable) clear_input();
  return result;
}

// A whole number 0 ... 16777215 written in decimal digits alone.
std::optional<int32_t> colour_answer(const std::string& answer) {
  if (answer.empty() || answer.size() > 8) return std::nullopt;
  int32_t value = 0;
  for (char c : answer) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value > 0xFFFFFF) return std::nullopt;
  return value;
}

void fn_get_color(Self, Self, int, Args args, RValue& result) {
  result.real = -1;
  RDialogResult chosen;
  if (!forms_answer_headless()) {
    chosen = shown(choose_colour(kColourCaption, integer(args[0])));
  }
  if (chosen.outcome == DialogOutcome::unavailable) {
    const std::optional<std::string> answer = take_form_answer(FormKind::color, kColourCaption);
    // An empty answer cancels, as a recording of a cancelled dialog says.
    if (!answer || answer->empty()) return;
    const std::optional<int32_t> colour = colour_answer(*answer);
    if (!colour) {
      report_unfit_answer(FormKind::color, *answer);
      return;
    }
    result.real = *colour;
    return;
  }
  if (chosen.outcome == DialogOutcome::chosen) result.real = chosen.colour;
  record_form_answer(chosen.outcome == DialogOutcome::chosen ? std::to_string(chosen.colour)
                                                             : std::string());
}

// Paths: the answer of the dialog, "" when it was cancelled.
std::string path_answer(FormKind kind, const std::string& caption, RDialogResult chosen) {
  if (chosen.outcome == DialogOutcome::unavailable) {
    return take_form_answer(kind, caption).value_or(std::string());
  }
  std::string path = chosen.outcome == DialogOutcome::chosen ? chosen.path : std::string();
  record_form_answer(path);
  return path;
}

void file_dialog(FileDialogMode mode, Args args, RValue& result) {
  const bool open = mode == FileDialogMode::open;
  const std::string caption = open ? kOpenCaption : kSaveCaption;
  RDialogResult chosen;
  if (!forms_answer_headless()) {
    // The default name may carry its folder, as the game writes it.
    const std::string name = text(args[1]);
    const size_t separator = name.find_last_of("\\/");
    RFileDialogSetup setup;
    setup.mode = mode;
    setup.caption = caption;
    setup.filter = text(args[0]);
    setup.folder = start_folder(separator == std::string::npos
                                    ? std::string_view()
                                    : std::string_view(name).substr(0, separator + 1));
    setup.name = separator == std::string::npos ? name : name.substr(separator + 1);
    chosen = shown(choose_file(setup));
  }
  result = RValue(path_answer(open ? FormKind::open : FormKind::save, caption, chosen));
}

void fn_get_open_filename(Self, Self, int, Args args, RValue& result) {
  file_dialog(FileDialogMode::open, args, result);
}

void fn_get_save_filename(Self, Self, int, Args args, RValue& result) {
  file_dialog(FileDialogMode::save, args, result);
}

// A chosen folder ends with a separator, so that the game can append a file name to it
// with or without one of its own.
std::string with_separator(std::string folder) {
  if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
  return folder;
}

void folder_dialog(const std::string& caption, std::string_view folder, std::string_view root,
                   RValue& result) {
  RDialogResult chosen;
  if (!forms_answer_headless()) {
    RFolderDialogSetup setup;
    setup.caption = caption;
    setup.root = root.empty() ? fs::path() : start_folder(root);
    setup.folder = folder.empty() && !root.empty() ? setup.root : start_folder(folder);
    chosen = shown(choose_folder(setup));
    if (chosen.outcome == DialogOutcome::chosen) chosen.path = with_separator(chosen.path);
  }
  result = RValue(path_answer(FormKind::directory, caption, chosen));
}

void fn_get_directory(Self, Self, int, Args args, RValue& result) {
  const std::string folder = text(args[0]);
  folder_dialog(kFolderCaption, folder, {}, result);
}

void fn_get_directory_alt(Self, Self, int, Args args, RValue& result) {
  std::string caption = text(args[0]);
  if (caption.empty()) caption = kFolderCaption;
  const std::string root = text(args[1]);
  folder_dialog(caption, {}, root, result);
}

// The game's own message, reported as the errors of built-in functions are: with the
// event it came from, stopping the game when it asks to abort.
void fn_show_error(Self, Self, int, Args args, RValue&) {
  const std::string message =
      args[0].is_string() ? args[0].string.str() : real_to_text(args[0].real);
  report_runtime_error(message, boolean(args[1]));
}

}  // namespace

void register_dialog_functions() {
  register_function("get_color", fn_get_color, 1);
  register_function("get_open_filename", fn_get_open_filename, 2);
  register_function("get_save_filename", fn_get_save_filename, 2);
  register_function("get_directory", fn_get_directory, 1);
  register_function("get_directory_alt", fn_get_directory_alt, 2);
  register_function("show_error", fn_show_error, 2);
}

}  // namespace vn
