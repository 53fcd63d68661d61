// One action of an event or time-line moment, as stored.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "script/Code_Main.h"
#include "support/Support_Record.h"

namespace vn {

enum ActionKind {
  kActionNormal = 0,
  kActionBeginBlock = 1,
  kActionEndBlock = 2,
  kActionElse = 3,
  kActionExit = 4,
  kActionRepeat = 5,
  kActionVariable = 6,
  kActionCode = 7,
};

enum ActionExecution { kExecuteNothing = 0, kExecuteFunction = 1, kExecuteCode = 2 };

constexpr int kMaxActionArguments = 8;

class CAction {
 public:
  int library_id = 0;
  int action_id = 0;
  int kind = kActionNormal;
  bool uses_relative = false;
  bool is_question = false;
  bool uses_apply_to = false;
  int execution = kExecuteNothing;
  std::string function_name;
  int function_index = -1;  // resolved from the name at load; -1 none
  std::string code_text;
  int argument_count = 0;
  std::vector<int> argument_kinds;          // as stored, at most 8
  int apply_to = -1;                        // -1 self, -2 other, else an object index
  bool relative = false;
  std::vector<std::string> argument_texts;  // as stored, at most 8
  bool not_flag = false;

  // Made by preparation (not stored): the compiled code, and per argument either a ready
  // value or a compiled expression evaluated at each run.
  bool prepared = false;
  std::shared_ptr<CCode> code;
  std::array<RValue, kMaxActionArguments> argument_values;
  std::array<std::shared_ptr<CCode>, kMaxActionArguments> argument_codes;

  // Action record, version 440. An unknown function name with execution 1 is told
  // through the context's message and reading goes on.
  void read(CStream& stream, const RRecordContext& context);
  void write(CStream& stream) const;

  bool operator==(const CAction& other) const;
};

}  // namespace vn
