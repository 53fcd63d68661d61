// vn script: compile and run script text outside a game, printing what a player would see
// in the error form to standard error instead.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <system_error>

#include "Vn_Commands.h"
#include "Vn_Game.h"
#include "library/Support_Registry.h"
#include "platform/Platform_FileIo.h"
#include "platform/Platform_Signal.h"
#include "platform/Platform_Video.h"
#include "runner/Runner_Library.h"
#include "script/Code_Constant.h"
#include "script/Code_Error.h"
#include "script/Code_Exec.h"
#include "script/Code_Function.h"
#include "script/Constant_Main.h"
#include "script/Function_Misc.h"
#include "script/Script_Main.h"
#include "script/Variable_BuiltIn.h"
#include "script/Variable_Main.h"
#include "support/Support_Console.h"
#include "support/Support_Text.h"
#include "world/Instance_Class.h"

namespace vn::tool {

namespace fs = std::filesystem;

namespace {

// Errors reach the terminal as the error form would show them, and the run goes on unless
// the error is fatal. With more than one input, the first report of each input comes after
// a line that names it.
class CConsoleErrors final : public IErrorDisplay {
 public:
  ErrorChoice show(const std::string& message, bool fatal) override {
    report(message);
    return fatal ? ErrorChoice::Abort : ErrorChoice::Ignore;
  }

  void start_input(std::string heading) {
    heading_ = std::move(heading);
    named_ = false;
  }

  void report(const std::string& message) {
    if (!heading_.empty() && !named_) {
      std::fprintf(stderr, "%s\n", heading_.c_str());
      named_ = true;
    }
    write_console_lines(stderr, message);
  }

 private:
  std::string heading_;  // UTF-8; empty: nothing names the input
  bool named_ = false;
};

void complain(const std::string& problem) {
  std::fprintf(stderr, "vn script: %s\n", problem.c_str());
}

// Text from outside is taken as UTF-8 when it is valid UTF-8 that Windows-1252 can hold
// (plain ASCII is both), else byte for byte as Windows-1252. A leading UTF-8 byte-order
// mark is dropped. Every LF that does not follow a CR becomes CR LF, the line end the
// authoring tool writes, so that error messages quote the line the error is on.
std::string script_text(std::string bytes) {
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
  std::string text = utf8_to_cp1252(bytes).value_or(std::move(bytes));
  std::string lines;
  lines.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) lines += '\r';
    lines += text[i];
  }
  return lines;
}

bool read_text_file(const fs::path& path, std::string& text, std::string& error) {
  std::vector<uint8_t> bytes;
  if (!read_file(path, bytes, error)) return false;
  text = script_text(std::string(bytes.begin(), bytes.end()));
  return true;
}

// Every NAME.vns, else NAME.txt, of the folder, in the byte order of the names.
bool load_scripts(const fs::path& folder, TResourceList<CScript>& scripts) {
  std::error_code failure;
  fs::directory_iterator entries(folder, failure);
  if (failure) {
    complain("cannot read the scripts folder " + folder.string() + ": " + failure.message());
    return false;
  }
  std::map<std::string, fs::path> found;
  for (; entries != fs::directory_iterator(); entries.increment(failure)) {
    const fs::path& path = entries->path();
    const std::string extension = path.extension().string();
    std::error_code ignored;
    if ((extension != ".vns" && extension != ".txt") || !entries->is_regular_file(ignored)) {
      continue;
    }
    auto [place, added] = found.emplace(script_text(path.stem().string()), path);
    if (!added && extension == ".vns") place->second = path;
  }
  if (failure) {
    complain("cannot read the scripts folder " + folder.string() + ": " + failure.message());
    return false;
  }
  for (const auto& [name, path] : found) {
    auto script = std::make_unique<CScript>();
    std::string error;
    if (!read_text_file(path, script->source, error)) {
      complain(error);
      return false;
    }
    scripts.add(name, std::move(script));
  }
  return true;
}

// A line "name=value"; blank lines and comment lines starting with "#" or "//" are skipped.
bool read_constants(const fs::path& path, std::vector<RConstant>& constants) {
  std::string text;
  std::string error;
  if (!read_text_file(path, text, error)) {
    complain(error);
    return false;
  }
  size_t start = 0;
  int number = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    ++number;
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#' || line.compare(first, 2, "//") == 0) {
      continue;
    }
    const size_t equals = line.find('=');
    if (equals == std::string::npos) {
      complain(path.string() + ":" + std::to_string(number) + ": expected name=value");
      return false;
    }
    constants.push_back({line.substr(0, equals), line.substr(equals + 1)});
  }
  return true;
}

// The line before the reports of one of several inputs.
std::string input_heading(const RScriptInput& input, size_t text_number) {
  if (input.is_file) return "In file " + input.text + ":";
  return "In -e text " + std::to_string(text_number) + ":";
}

// The state a program finds when it starts: what an empty game has before its first step.
bool fresh_game(const std::vector<RConstant>& constants, bool secure_mode) {
  globals_reset();
  reset_error_state();
  run_state() = RRunState();
  run_state().secure_mode = secure_mode;
  for (int i = 0; i < kMaxArguments; ++i) argument_slots()[i] = RValue();
  reset_constants();
  return define_game_constants(constants);
}

}  // namespace

CLI::App* add_script_command(CLI::App& app, ScriptOptions& options) {
  CLI::App* command = app.add_subcommand(
      "script", "Compile and run script text, printing its debug messages and errors");
  CLI::Option* files =
      command->add_option("FILE", options.files, "A file of script text, run as a program");
  CLI::Option* texts =
      command->add_option("-e", options.texts, "Script text to run as a program (repeatable)")
          ->allow_extra_args(false);
  command->add_flag("--check", options.check_only, "Only compile");
  command->add_option("--scripts", options.scripts_folder,
                      "A folder whose NAME.vns (or NAME.txt) files become scripts");
  command->add_option("--constants", options.constants_file,
                      "A file of name=value lines defining game constants");
  // Files and texts run in the order they were given.
  command->parse_complete_callback([command, files, texts, &options] {
    options.inputs.clear();
    size_t next_file = 0;
    size_t next_text = 0;
    for (const CLI::Option* option : command->parse_order()) {
      if (option == files && next_file < options.files.size()) {
        options.inputs.push_back({true, options.files[next_file++]});
      } else if (option == texts && next_text < options.texts.size()) {
        options.inputs.push_back({false, options.texts[next_text++]});
      }
    }
  });
  return command;
}

int run_script(const ScriptOptions& options) {
  if (options.inputs.empty()) {
    complain("nothing to run: give a FILE or -e TEXT");
    return kExitUsage;
  }
  // Output lines of the program and its errors stay in the order they happened.
  std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
  // Nothing is ever shown in a window: message boxes go to standard error as well.
  set_headless(true);
  register_game_library();
  uninitialized_zero() = false;
  error_settings() = RErrorSettings{true, false, false};
  CConsoleErrors console;
  TResourceList<CScript> scripts;
  // Nothing of this run stays installed once it ends, however it ends.
  struct RUninstall {
    ~RUninstall() {
      set_debug_output(nullptr);
      set_error_display(nullptr);
      set_scripts(nullptr);
      set_first_signal_aborts(false);
    }
  } uninstall;
  set_error_display(&console);
  set_debug_output([](const std::string& text) {
    const std::string lines = console_lines(text);
    std::fwrite(lines.data(), 1, lines.size(), stdout);
  });

  // A stop signal ends the program at once; nothing waits for a step to end.
  set_first_signal_aborts(true);
  // As the runner does when it installs a game: the player's preference holds for every
  // program.
  const bool secure_mode = read_secure_mode_preference();
  std::vector<RConstant> constants;
  if (!options.constants_file.empty() && !read_constants(options.constants_file, constants)) {
    return kExitUsage;
  }
  if (!options.scripts_folder.empty() && !load_scripts(options.scripts_folder, scripts)) {
    return kExitUsage;
  }
  set_scripts(&scripts);
  // The scripts see the same constants as every program, so one compilation serves all.
  if (!fresh_game(constants, secure_mode) || !compile_scripts()) return kExitFailed;

  bool failed = false;
  size_t texts_seen = 0;
  for (const RScriptInput& input : options.inputs) {
    if (!input.is_file) ++texts_seen;
    if (options.inputs.size() > 1) console.start_input(input_heading(input, texts_seen));
    std::string source = input.text;
    if (input.is_file) {
      std::string error;
      if (!read_text_file(input.text, source, error)) {
        complain(error);
        failed = true;
        continue;
      }
    } else {
      source = script_text(source);
    }
    if (!fresh_game(constants, secure_mode)) {
      failed = true;
      continue;
    }
    try {
      CCode code(std::move(source), false);
      if (!code.compile()) {
        console.report(last_error_message());
        failed = true;
        continue;
      }
      if (options.check_only) continue;
      // The instance of a game, so that x, speed, alarm and the rest read back as written.
      CInstance self(0, 0, 0, 0);
      RValue result;
      if (!run_code(&self, &self, code, result)) {
        console.report(last_error_message());
        failed = true;
      }
    } catch (const RRunAborted&) {
      std::fflush(stdout);
      return stop_exit_status();
    }
    if (stop_requested()) {
      std::fflush(stdout);
      return stop_exit_status();
    }
    // A fatal error of a built-in function ends the game it would have run in.
    if (game_stopping()) failed = true;
  }
  std::fflush(stdout);
  return failed ? kExitFailed : kExitOk;
}

}  // namespace vn::tool
