// Phase 4 of compiling: var locals, direct variable nodes and constant folding, in one
// post-order walk.
#pragma once

#include "script/Code_Token.h"

namespace vn {

class CCode;

bool rewrite_tree(const CCode& code, RToken& root);

}  // namespace vn
