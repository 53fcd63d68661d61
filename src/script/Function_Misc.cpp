#include "script/Function_Misc.h"

#include <cstdio>
#include <fstream>

#include "platform/Platform_Process.h"
#include "script/Code_Error.h"
#include "script/Code_Exec.h"
#include "script/Code_Function.h"
#include "script/Code_Variable.h"
#include "script/Function_Math.h"
#include "script/Variable_Main.h"
#include "support/Support_Path.h"

namespace vn {

namespace {

std::function<void(const std::string&)> g_debug_output;

// Runs text as a program with the caller's instances, arguments 2 ... n as argument0 ...;
// the caller's arguments are back afterwards.
void execute_text(CInstanceBase* self, CInstanceBase* other, int argc, const RValue* args,
                  RValue& result, const std::string& text, const char* compile_context) {
  RValue* slots = argument_slots();
  RValue saved[kMaxArguments];
  for (int i = 0; i < kMaxArguments; ++i) saved[i] = slots[i];
  for (int i = 1; i < argc; ++i) slots[i - 1] = args[i];
  for (int i = std::max(argc - 1, 0); i < kMaxArguments; ++i) slots[i] = RValue();
  CCode code(text, false);
  if (!code.compile()) {
    report_runtime_error(std::string(compile_context) + "\r" + last_error_message(), false);
    clear_error_flag();
  } else {
    run_and_report(self, other, code, result);
  }
  for (int i = 0; i < kMaxArguments; ++i) slots[i] = std::move(saved[i]);
}

void fn_execute_string(CInstanceBase* self, CInstanceBase* other, int argc, const RValue* args,
                       RValue& result) {
  if (argc < 1) return;
  execute_text(self, other, argc, args, result, args[0].string.str(),
               "COMPILATION ERROR in string to be executed");
}

void fn_execute_file(CInstanceBase* self, CInstanceBase* other, int argc, const RValue* args,
                     RValue& result) {
  if (argc < 1) return;
  std::ifstream file(game_path(args[0].string.view()), std::ios::binary);
  if (!file) {
    report_runtime_error("Trying to execute non-existing file.", false);
    return;
  }
  // Every line is followed by a CR, whatever ended it in the file.
  std::string text;
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    text += line;
    text += '\r';
  }
  execute_text(self, other, argc, args, result, text, "COMPILATION ERROR in file to be executed");
}

void fn_show_debug_message(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  std::string text = args[0].kind == kString ? args[0].string.str() : real_to_text(args[0].real);
  if (g_debug_output) {
    g_debug_output(text);
  } else {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }
}

void fn_set_program_priority(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  int64_t level = round_to_int64(args[0].real);
  set_priority(level <= 0 ? 0 : int(std::min<int64_t>(level, 2)));
}

// --- Variables by name ---

// Flattened index of one or two indices; false after reporting an index outside
// 0 ... 31999.
bool flattened_index(const RValue* indices, int count, int32_t& index) {
  int64_t parts[2] = {0, 0};
  for (int i = 0; i < count; ++i) {
    parts[i] = round_to_int64(indices[i].real);
    if (parts[i] < 0 || parts[i] >= kArrayRowSize) {
      report_runtime_error("Array index >= 32000", false);
      return false;
    }
  }
  index = count == 2 ? int32_t(parts[0] * kArrayRowSize + parts[1]) : int32_t(parts[0]);
  return true;
}

// The global store holds user variables only: a built-in name is never found there.
bool global_read(int32_t id, int32_t index, RValue& out) {
  if (!is_user_variable(id)) return false;
  if (global_store().get(id, index, out)) return true;
  if (uninitialized_zero()) {
    out = RValue();
    return true;
  }
  return false;
}

void global_write(int32_t id, int32_t index, const RValue& value) {
  if (is_user_variable(id)) global_store().set(id, index, value);
}

template <int Indices>
void fn_global_get(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  int32_t index = 0;
  if (!flattened_index(args + 1, Indices, index)) return;
  if (!global_read(variable_id(args[0].string.view()), index, result)) result = RValue();
}

template <int Indices>
void fn_global_set(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  int32_t index = 0;
  if (!flattened_index(args + 1, Indices, index)) return;
  global_write(variable_id(args[0].string.view()), index, args[1 + Indices]);
}

template <int Indices>
void fn_local_get(CInstanceBase* self, CInstanceBase*, int, const RValue* args, RValue& result) {
  int32_t index = 0;
  if (!flattened_index(args + 1, Indices, index)) return;
  if (!self || !instance_get(self, variable_id(args[0].string.view()), index, result)) {
    result = RValue();
  }
}

template <int Indices>
void fn_local_set(CInstanceBase* self, CInstanceBase*, int, const RValue* args, RValue&) {
  int32_t index = 0;
  if (!flattened_index(args + 1, Indices, index) || !self) return;
  instance_set(self, variable_id(args[0].string.view()), index, args[1 + Indices]);
}

void fn_global_exists(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  RValue value;
  result = RValue(global_read(variable_id(args[0].string.view()), 0, value) ? 1.0 : 0.0);
}

void fn_local_exists(CInstanceBase* self, CInstanceBase*, int, const RValue* args,
                     RValue& result) {
  RValue value;
  bool readable = self && instance_get(self, variable_id(args[0].string.view()), 0, value);
  result = RValue(readable ? 1.0 : 0.0);
}

}  // namespace

void set_debug_output(std::function<void(const std::string&)> output) {
  g_debug_output = std::move(output);
}

void register_misc_functions() {
  register_function("execute_string", fn_execute_string, kVariableArguments);
  register_function("execute_file", fn_execute_file, kVariableArguments);
  register_function("show_debug_message", fn_show_debug_message, 1);
  register_function("set_program_priority", fn_set_program_priority, 1);
  register_function("variable_global_exists", fn_global_exists, 1);
  register_function("variable_global_get", fn_global_get<0>, 1);
  register_function("variable_global_array_get", fn_global_get<1>, 2);
  register_function("variable_global_array2_get", fn_global_get<2>, 3);
  register_function("variable_global_set", fn_global_set<0>, 2);
  register_function("variable_global_array_set", fn_global_set<1>, 3);
  register_function("variable_global_array2_set", fn_global_set<2>, 4);
  register_function("variable_local_exists", fn_local_exists, 1);
  register_function("variable_local_get", fn_local_get<0>, 1);
  register_function("variable_local_array_get", fn_local_get<1>, 2);
  register_function("variable_local_array2_get", fn_local_get<2>, 3);
  register_function("variable_local_set", fn_local_set<0>, 2);
  register_function("variable_local_array_set", fn_local_set<1>, 3);
  register_function("variable_local_array2_set", fn_local_set<2>, 4);
}

}  // namespace vn
