// Phase 2 of compiling: identifiers become functions, constants or variables; numbers
// and strings become constants.
#pragma once

#include <vector>

#include "script/Code_Token.h"

namespace vn {

class CCode;

bool classify_tokens(const CCode& code, const std::vector<RToken1>& tokens,
                     std::vector<RToken2>& classified);

// The value of a number token's text: "$" starts hexadecimal, every "." enters the
// fraction (later dots change nothing), so 1.2.3 is 1.23 and a lone "$" is 0.
double number_value(std::string_view text);

}  // namespace vn
