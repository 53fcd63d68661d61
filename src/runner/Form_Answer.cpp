#include "runner/Form_Answer.h"

#include <cstdio>
#include <deque>

#include "platform/Platform_Video.h"
#include "runner/Input_Record.h"

namespace vn {
namespace {

std::deque<std::string>& answers() {
  static std::deque<std::string> queue;
  return queue;
}

// One line of text: CR LF, CR and LF each become one space.
std::string single_line(std::string_view text) {
  std::string line;
  line.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      line += ' ';
    } else if (text[i] == '\n') {
      line += ' ';
    } else {
      line += text[i];
    }
  }
  return line;
}

}  // namespace

std::string_view form_kind_name(FormKind kind) {
  switch (kind) {
    case FormKind::message:
      return "message";
    case FormKind::question:
      return "question";
    case FormKind::message_ext:
      return "message_ext";
    case FormKind::string:
      return "string";
    case FormKind::integer:
      return "integer";
    case FormKind::menu:
      return "menu";
    case FormKind::highscore:
      return "highscore";
    case FormKind::info:
      return "info";
    case FormKind::splash:
      return "splash";
    case FormKind::color:
      return "color";
    case FormKind::open:
      return "open";
    case FormKind::save:
      return "save";
    case FormKind::directory:
      return "directory";
  }
  return "form";
}

bool forms_answer_headless() { return is_headless() || !has_display(); }

void queue_form_answer(std::string answer) { answers().push_back(std::move(answer)); }

void clear_form_answers() { answers().clear(); }

size_t queued_form_answers() { return answers().size(); }

std::optional<std::string> take_form_answer(FormKind kind, std::string_view text) {
  const std::string line = "form: " + std::string(form_kind_name(kind)) + ": " + single_line(text);
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
  std::deque<std::string>& queue = answers();
  if (queue.empty()) return std::nullopt;
  std::string answer = std::move(queue.front());
  queue.pop_front();
  // Recorded where it is used: an answer queued for a form that opened in a window is not.
  record_form_answer(answer);
  return answer;
}

void report_unfit_answer(FormKind kind, std::string_view answer) {
  const std::string line = "form answer \"" + single_line(answer) + "\" does not fit the " +
                           std::string(form_kind_name(kind)) + " form; its default is taken";
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
}

}  // namespace vn
