// Answers for the runner's forms when nobody can see them: a headless run (or one whose
// form window could not be made) takes each answer from a queue that vn run --input fills,
// or the form's default when the queue is empty. Every form shown this way says so on
// standard error, one line each, so a test can follow what the game asked.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vn {

enum class FormKind {
  message,
  question,
  message_ext,
  string,
  integer,
  menu,
  highscore,
  info,
  splash,
  color,
  open,
  save,
  directory,
};

// "message", "question", "message_ext" ... as the standard-error lines name them.
std::string_view form_kind_name(FormKind kind);

// True when forms must not open a window: the run is headless or there is no screen.
bool forms_answer_headless();

// Adds an answer (Windows-1252, as it stands) at the end of the queue.
void queue_form_answer(std::string answer);
// Drops every queued answer (a new run, a test).
void clear_form_answers();
size_t queued_form_answers();

// For a form shown without a window: writes "form: KIND: TEXT" to standard error (each line
// break of the text, CR LF, CR or LF, written as a space) and takes the next queued answer;
// none when the queue is empty and the form takes its default.
std::optional<std::string> take_form_answer(FormKind kind, std::string_view text);

// Says once on standard error that an answer did not fit its form, which then takes its
// default.
void report_unfit_answer(FormKind kind, std::string_view answer);

}  // namespace vn
