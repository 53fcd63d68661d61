// Phase 3 of compiling: the recursive-descent parser that builds the tree.
#pragma once

#include <vector>

#include "script/Code_Token.h"

namespace vn {

class CCode;

// A program (a sequence of statements) or, for an expression piece, one expression.
bool parse_tokens(const CCode& code, const std::vector<RToken2>& tokens, RToken& root);

}  // namespace vn
