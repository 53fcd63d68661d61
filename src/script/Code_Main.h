// One piece of script text and its compiled tree: every script, code action, action
// argument, trigger condition, creation code and constant value is one.
#pragma once

#include <string>

#include "script/Code_Token.h"

namespace vn {

enum CodeKind : int32_t { kCodeProgram = 1, kCodeExpression = 2, kCodeConstant = 3 };

struct RExecTree;  // the interpreter's form of the tree
void destroy_exec_tree(RExecTree* tree);  // defined by the interpreter

class CCode {
 public:
  CCode(std::string source, bool expression);
  ~CCode();
  CCode(const CCode&) = delete;
  CCode& operator=(const CCode&) = delete;

  // Runs the four phases; false on the first error, whose composed message is left as
  // the last error message. An expression whose tree is a constant becomes kind 3.
  bool compile();

  int32_t kind() const { return kind_; }
  bool is_program() const { return kind_ == kCodeProgram; }
  bool compiled() const { return compiled_; }
  const std::string& source_text() const { return source_; }
  const RToken& root() const { return root_; }
  const RValue& constant() const { return constant_; }

  // Built by the interpreter from the tree on first use; the code piece owns it.
  RExecTree* exec_tree() const { return exec_; }
  void set_exec_tree(RExecTree* tree) {
    destroy_exec_tree(exec_);
    exec_ = tree;
  }

 private:
  int32_t kind_;
  bool compiled_ = false;
  std::string source_;
  RToken root_;
  RValue constant_;
  RExecTree* exec_ = nullptr;
};

}  // namespace vn
