#include "world/Action_Class.h"

namespace vn {

constexpr int32_t kActionVersion = 440;

void CAction::read(CStream& stream, const RRecordContext& context) {
  *this = CAction();
  expect_version(stream, kActionVersion);
  library_id = read_int(stream);
  action_id = read_int(stream);
  kind = read_int(stream);
  uses_relative = read_bool(stream);
  is_question = read_bool(stream);
  uses_apply_to = read_bool(stream);
  execution = read_int(stream);
  function_name = read_string(stream);
  if (context.resolve_function) {
    function_index = context.resolve_function(function_name);
    if (execution == kExecuteFunction && function_index < 0 && context.message) {
      context.message("Failed to locate action function " + function_name);
    }
  }
  code_text = read_string(stream);
  argument_count = read_int(stream);
  if (argument_count < 0 || argument_count > kMaxActionArguments) {
    throw DataError("action argument count out of range");
  }
  size_t kinds = read_count(stream, 4);
  if (kinds > kMaxActionArguments) {
    throw DataError("more than 8 action argument kinds");
  }
  argument_kinds.resize(kinds);
  for (int& value : argument_kinds) {
    value = read_int(stream);
  }
  apply_to = read_int(stream);
  relative = read_bool(stream);
  size_t values = read_count(stream, 4);
  if (values > kMaxActionArguments) {
    throw DataError("more than 8 action argument values");
  }
  argument_texts.resize(values);
  for (std::string& text : argument_texts) {
    text = read_string(stream);
  }
  not_flag = read_bool(stream);
}

void CAction::write(CStream& stream) const {
  write_int(stream, kActionVersion);
  write_int(stream, library_id);
  write_int(stream, action_id);
  write_int(stream, kind);
  write_bool(stream, uses_relative);
  write_bool(stream, is_question);
  write_bool(stream, uses_apply_to);
  write_int(stream, execution);
  write_string(stream, function_name);
  write_string(stream, code_text);
  write_int(stream, argument_count);
  write_int(stream, int32_t(argument_kinds.size()));
  for (int value : argument_kinds) {
    write_int(stream, value);
  }
  write_int(stream, apply_to);
  write_bool(stream, relative);
  write_int(stream, int32_t(argument_texts.size()));
  for (const std::string& text : argument_texts) {
    write_string(stream, text);
  }
  write_bool(stream, not_flag);
}

// The resolved index depends on who read the record, not on what was stored.
bool CAction::operator==(const CAction& other) const {
  return library_id == other.library_id && action_id == other.action_id &&
         kind == other.kind && uses_relative == other.uses_relative &&
         is_question == other.is_question && uses_apply_to == other.uses_apply_to &&
         execution == other.execution && function_name == other.function_name &&
         code_text == other.code_text && argument_count == other.argument_count &&
         argument_kinds == other.argument_kinds && apply_to == other.apply_to &&
         relative == other.relative && argument_texts == other.argument_texts &&
         not_flag == other.not_flag;
}

}  // namespace vn
