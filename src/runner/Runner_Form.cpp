#include "runner/Runner_Form.h"

#include <exception>

#include "platform/Platform_FileIo.h"
#include "platform/Platform_Process.h"
#include "platform/Platform_Video.h"
#include "runner/Runner_Load.h"
#include "runner/Support_File.h"
#include "runner/Support_Message.h"
#include "support/Support_Text.h"

namespace vn {

TRunnerForm::TRunnerForm() = default;
TRunnerForm::~TRunnerForm() = default;

RExportContext TRunnerForm::export_context() const {
  RExportContext context;
  context.temp_folder = temp_folder();
  // Secure mode is read from the player's registry store, which does not exist yet: the
  // runner is never in secure mode until then.
  context.secure_mode = false;
  return context;
}

bool TRunnerForm::run(const std::filesystem::path& executable) {
  try {
    if (!start_sequence(executable)) {
      return false;
    }
  } catch (const std::exception&) {
    show_message("Unexpected error occured when running the game.");
    return false;
  }
  clean_up();
  return true;
}

bool TRunnerForm::start_sequence(const std::filesystem::path& executable) {
  try {
    set_application_title(utf8_to_cp1252_lossy(executable.stem().string()));
    if (!load_game(executable)) {
      return false;
    }
  } catch (const std::exception&) {
    if (load_form_) load_form_->close();
    show_message("Failed to load the game data. File seems corrupted.");
    return false;
  }
  if (!prepare_game()) {
    return false;
  }
  // The debug form and the step cycle come with the world; until then the game ends as
  // soon as it is ready.
  return true;
}

bool TRunnerForm::load_game(const std::filesystem::path& executable) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!read_file(executable, bytes, error)) {
    show_message("Error: Cannot read the game file.");
    return false;
  }
  CStream stream(std::move(bytes));
  load_form_ = std::make_unique<TLoadForm>();
  RGameLoadHooks hooks;
  // No built-in function exists yet, so every action function is unknown.
  hooks.record.resolve_function = [](const std::string&) { return -1; };
  hooks.record.message = [](const std::string& message) { show_message(message); };
  hooks.progress = [this](int percent, const std::string& text) {
    load_form_->progress(percent, text);
  };
  hooks.settings_read = [this](const CGameSettings& settings, bool debug_mode) {
    load_form_->setup(settings, debug_mode);
  };
  hooks.temp_folder = temp_folder();
  if (!load_game_file(stream, game_, hooks)) {
    load_form_->close();
    return false;
  }
  return true;
}

bool TRunnerForm::prepare_game() {
  set_priority(game_.settings.priority);

  // A file that fails to export does not stop the others and is not reported here.
  load_form_->progress(50, "Extracting included files");
  RExportContext context = export_context();
  for (CDataFile& file : game_.included_files) {
    file.export_file(context);
  }

  load_form_->progress(100, "Ready");
  load_form_->close();
  return true;
}

void TRunnerForm::clean_up() {
  RExportContext context = export_context();
  for (const CDataFile& file : game_.included_files) {
    file.remove_exported(context);
  }
}

}  // namespace vn
