#include "runner/Runner_Form.h"

#include <exception>

#include "library/Function_File.h"
#include "library/Support_Registry.h"
#include "platform/Platform_FileIo.h"
#include "platform/Platform_Process.h"
#include "platform/Platform_Video.h"
#include "runner/Error_Form.h"
#include "runner/Runner_Library.h"
#include "runner/Runner_Load.h"
#include "runner/Runner_Names.h"
#include "runner/Support_File.h"
#include "runner/Support_Message.h"
#include "script/Code_Error.h"
#include "script/Code_Function.h"
#include "script/Constant_Main.h"
#include "script/Script_Main.h"
#include "script/Variable_BuiltIn.h"
#include "script/Variable_Main.h"
#include "support/Support_Text.h"

namespace vn {

TRunnerForm::TRunnerForm() = default;

TRunnerForm::~TRunnerForm() {
  set_error_display(nullptr);
  set_scripts(nullptr);
  set_included_files(nullptr);
  set_program_wait_hook(nullptr);
}

RExportContext TRunnerForm::export_context() const {
  RExportContext context;
  context.temp_folder = temp_folder();
  context.secure_mode = run_state().secure_mode;
  context.report_error = [](const std::string& message) { report_runtime_error(message, false); };
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
  register_game_library();
  load_form_ = std::make_unique<TLoadForm>();
  RGameLoadHooks hooks;
  hooks.record.resolve_function = [](const std::string& name) {
    int32_t id;
    return find_function(name, id) ? int(id) : -1;
  };
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
  install_game(executable);
  return true;
}

// What the language needs to know of the game it runs.
void TRunnerForm::install_game(const std::filesystem::path& executable) {
  RRunState& state = run_state();
  state.game_id = game_.game_id;
  state.debug_mode = game_.debug_mode;
  state.secure_mode = read_secure_mode_preference();
  state.temp_directory = utf8_to_cp1252_lossy(temp_folder());
  state.program_directory = utf8_to_cp1252_lossy(executable.parent_path().string());
  RErrorSettings& errors = error_settings();
  errors.display_errors = game_.settings.display_errors;
  errors.write_errors = game_.settings.write_errors;
  errors.abort_errors = game_.settings.abort_errors;
  uninitialized_zero() = game_.settings.uninitialized_zero;
  if (has_display()) {
    error_form_ = std::make_unique<TErrorForm>();
    set_error_display(error_form_.get());
  }
  set_scripts(&game_.scripts);
  set_included_files(&game_.included_files);
  // Waiting for another program must not leave the window unanswered.
  set_program_wait_hook([] { pump_events(); });
  install_resource_constants(game_);
}

bool TRunnerForm::prepare_game() {
  set_priority(game_.settings.priority);

  // A file that fails to export does not stop the others and is not reported here.
  load_form_->progress(50, "Extracting included files");
  RExportContext context = export_context();
  for (CDataFile& file : game_.included_files) {
    file.export_file(context);
  }

  load_form_->progress(60, "Preparing constants");
  if (!define_game_constants(game_.constants)) {
    return fail_preparation("Failed to define the constants.");
  }

  load_form_->progress(62, "Compiling scripts");
  if (!compile_scripts()) {
    return fail_preparation("Failed to compile the scripts.");
  }

  load_form_->progress(100, "Ready");
  load_form_->close();
  return true;
}

bool TRunnerForm::fail_preparation(const std::string& message) {
  load_form_->close();
  show_message(message);
  return false;
}

void TRunnerForm::clean_up() {
  reset_file_state();
  RExportContext context = export_context();
  for (const CDataFile& file : game_.included_files) {
    file.remove_exported(context);
  }
}

}  // namespace vn
