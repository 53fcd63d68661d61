// Phase 1 of compiling: the lexer.
#pragma once

#include <vector>

#include "script/Code_Token.h"

namespace vn {

class CCode;

// Tokens of the source (followed by three spaces), ending with the end-of-text token.
// False after recording "Unexpected symbol." at a character that begins no token.
bool lex_code(const CCode& code, std::vector<RToken1>& tokens);

}  // namespace vn
