// Calling the file functions from the tests: a scratch folder made current for the test, a
// handler called by name, and the errors it showed.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "../script/Script_Test_Support.h"
#include "Test_Support.h"
#include "library/Function_File.h"
#include "library/Support_Registry.h"
#include "script/Code_Function.h"
#include "script/Variable_BuiltIn.h"

namespace vn::test {

class FileTest : public ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    register_file_functions();
    reset_file_state();
    previous_folder_ = std::filesystem::current_path();
    std::filesystem::current_path(scratch_.path());
    run_state().secure_mode = false;
    set_registry_folder(scratch_ / "config");
  }
  void TearDown() override {
    reset_file_state();
    run_state().secure_mode = false;
    std::filesystem::current_path(previous_folder_);
    ScriptTest::TearDown();
  }

  // Calls the built-in function of that name; the errors it reported land in shown().
  RValue call(const std::string& name, std::initializer_list<RValue> arguments = {}) {
    int32_t id = -1;
    EXPECT_TRUE(find_function(name, id)) << name;
    const RBuiltinFunction* function = builtin_function(id);
    if (!function) return RValue();
    RValue args[kMaxArguments];
    int count = 0;
    for (const RValue& argument : arguments) args[count++] = argument;
    RValue result;
    function->handler(&self_, &self_, count, args, result);
    return result;
  }
  double real(const std::string& name, std::initializer_list<RValue> arguments = {}) {
    return call(name, arguments).real;
  }
  std::string text_of(const std::string& name, std::initializer_list<RValue> arguments = {}) {
    return call(name, arguments).string.str();
  }
  // The errors shown since the last look, then forgotten.
  std::vector<std::string> shown() {
    std::vector<std::string> errors = std::move(display_.shown);
    display_.shown.clear();
    return errors;
  }

  void write(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(absolute(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }

  ScratchDir scratch_{"files"};
  std::filesystem::path previous_folder_;
};

}  // namespace vn::test
