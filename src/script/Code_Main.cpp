#include "script/Code_Main.h"

#include <vector>

#include "script/Code_Error.h"
#include "script/Code_Phase1.h"
#include "script/Code_Phase2.h"
#include "script/Code_Phase3.h"
#include "script/Code_Phase4.h"

namespace vn {

// The source is kept as plain text: scrambling it in memory would protect nothing here.
CCode::CCode(std::string source, bool expression)
    : kind_(expression ? kCodeExpression : kCodeProgram), source_(std::move(source)) {}

CCode::~CCode() { destroy_exec_tree(exec_); }

bool CCode::compile() {
  clear_error_flag();
  if (compiled_) {
    record_error(*this, 1, "Internal Error: Recompiling compiled code.");
    return false;
  }
  RToken root;
  {
    // The token lists live only as long as the phases that need them.
    std::vector<RToken2> classified;
    {
      std::vector<RToken1> tokens;
      if (!lex_code(*this, tokens)) return false;
      if (!classify_tokens(*this, tokens, classified)) return false;
    }
    if (!parse_tokens(*this, classified, root)) return false;
  }
  if (!rewrite_tree(*this, root)) return false;
  root_ = std::move(root);
  compiled_ = true;
  if (kind_ == kCodeExpression && root_.kind == kNodeConstant) {
    kind_ = kCodeConstant;
    constant_ = root_.value;
  }
  return true;
}

}  // namespace vn
