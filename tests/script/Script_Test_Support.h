// Running script text in the tests: a fresh game state, the program's debug output and
// the errors it showed.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/Code_Error.h"
#include "script/Code_Exec.h"
#include "script/Code_Main.h"
#include "script/Function_Misc.h"
#include "script/Script_Library.h"
#include "script/Script_Main.h"
#include "script/Variable_Main.h"

namespace vn::test {

// Records what display_error is asked to show.
class RecordingDisplay : public IErrorDisplay {
 public:
  ErrorChoice show(const std::string& message, bool fatal) override {
    shown.push_back((fatal ? "FATAL:" : "") + message);
    return ErrorChoice::Ignore;
  }
  std::vector<std::string> shown;
};

struct RScriptRun {
  bool compiled = false;
  bool ok = false;
  RValue result;
  std::string error;                // the recorded message when the run or compile failed
  std::vector<std::string> output;  // show_debug_message lines
  std::vector<std::string> shown;   // errors displayed along the way
};

class ScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    register_script_library();
    globals_reset();
    reset_error_state();
    uninitialized_zero() = false;
    error_settings() = RErrorSettings();
    set_error_display(&display_);
    set_scripts(&scripts_);
    set_debug_output([this](const std::string& text) { output_.push_back(text); });
  }
  void TearDown() override {
    set_error_display(nullptr);
    set_debug_output(nullptr);
    set_scripts(nullptr);
  }

  // A script the programs can call; compiled at once.
  void add_script(const std::string& name, const std::string& source) {
    // Listed before compiling, so that a script may call itself.
    auto script = std::make_unique<CScript>();
    script->source = source;
    CScript* added = script.get();
    scripts_.add(name, std::move(script));
    scripts_changed();
    added->code = std::make_unique<CCode>(source, false);
    ASSERT_TRUE(added->code->compile()) << last_error_message();
  }

  RScriptRun run(const std::string& source, bool expression = false) {
    RScriptRun run;
    output_.clear();
    display_.shown.clear();
    CCode code(source, expression);
    run.compiled = code.compile();
    if (!run.compiled) {
      run.error = last_error_message();
      return run;
    }
    run.ok = run_code(&self_, &self_, code, run.result);
    if (!run.ok) run.error = last_error_message();
    run.output = output_;
    run.shown = display_.shown;
    return run;
  }

  // The result of a program as text: a real printed with up to 17 digits.
  std::string value_of(const std::string& source) {
    RScriptRun r = run(source);
    if (!r.compiled) return "compile: " + r.error;
    if (!r.ok) return "run: " + r.error;
    if (r.result.is_string()) return "'" + r.result.string.str() + "'";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17g", r.result.real);
    return buffer;
  }

  CInstanceBase self_{0, 0};
  TResourceList<CScript> scripts_;
  RecordingDisplay display_;
  std::vector<std::string> output_;
};

}  // namespace vn::test
