#include "runner/Support_Message.h"

#include <optional>

#include "platform/Platform_MessageBox.h"
#include "platform/Platform_Process.h"
#include "support/Support_Text.h"

namespace vn {
namespace {

std::optional<std::string>& title_storage() {
  static std::optional<std::string> title;
  return title;
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

}  // namespace vn
