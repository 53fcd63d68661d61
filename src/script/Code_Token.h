// Tokens of the lexer and classifier, and the nodes of the compiled tree. Node kinds
// reuse the token codes and add a few of their own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "script/Code_Value.h"

namespace vn {

enum TokenCode : int32_t {
  kTokenEnd = -2,
  kTokenUnknown = -1,
  kTokenIdentifier = 0,
  kTokenNumber = 1,
  kTokenString = 2,
  kTokenConstant = 5,
  kTokenFunction = 6,
  kTokenVariable = 7,
  // Keywords.
  kTokenBegin = 11,  // also "{"
  kTokenEndBlock = 12,  // "end", also "}"
  kTokenIf = 13,
  kTokenThen = 14,
  kTokenElse = 15,
  kTokenWhile = 16,
  kTokenDo = 17,
  kTokenFor = 18,
  kTokenUntil = 19,
  kTokenRepeat = 20,
  kTokenExit = 21,
  kTokenBreak = 22,
  kTokenContinue = 23,
  kTokenWith = 24,
  kTokenReturn = 25,
  kTokenSwitch = 26,
  kTokenCase = 27,
  kTokenDefault = 28,
  kTokenVar = 29,
  kTokenGlobalvar = 30,
  // Assignment operators.
  kTokenAssign = 101,  // "=" and ":="
  kTokenAddAssign = 102,
  kTokenSubtractAssign = 103,
  kTokenMultiplyAssign = 104,
  kTokenDivideAssign = 105,
  kTokenOrAssign = 114,
  kTokenAndAssign = 115,
  kTokenXorAssign = 116,
  // Punctuation.
  kTokenOpen = 106,
  kTokenClose = 107,
  kTokenSemicolon = 108,
  kTokenComma = 109,
  kTokenOpenIndex = 110,
  kTokenCloseIndex = 111,
  kTokenDot = 112,
  kTokenColon = 113,
  // Operators.
  kOpAnd = 201,
  kOpOr = 202,
  kOpNot = 203,
  kOpLess = 204,
  kOpLessEqual = 205,
  kOpEqual = 206,
  kOpNotEqual = 207,
  kOpGreaterEqual = 208,
  kOpGreater = 209,
  kOpAdd = 210,
  kOpSubtract = 211,
  kOpMultiply = 212,
  kOpDivide = 213,
  kOpDiv = 214,
  kOpMod = 215,
  kOpXor = 216,
  kOpBitOr = 217,
  kOpBitAnd = 218,
  kOpBitXor = 219,
  kOpBitNot = 220,
  kOpShiftLeft = 221,
  kOpShiftRight = 222,
};

enum NodeKind : int32_t {
  kNodeEmptyProgram = -2,
  kNodeEmptyStatement = -1,
  kNodeConstant = 5,
  kNodeFunction = 6,         // id: function identifier; children: the arguments
  kNodeVariable = 7,         // id: variable identifier; children: scope, indices
  kNodeDirectVariable = 8,   // id: variable identifier; scope: the scope integer
  kNodeAssign = 101,         // id: the assignment operator; children: target, value
  kNodeBlock = 1000,
  kNodeUnary = 1010,         // id: the operator
  kNodeBinary = 1011,        // id: the operator; children: left, right
  kNodeIf = 13,              // condition, then [, else]
  kNodeWhile = 16,           // condition, body
  kNodeDo = 17,              // body, condition
  kNodeFor = 18,             // initial, condition, step, body
  kNodeRepeat = 20,          // count, body
  kNodeExit = 21,
  kNodeBreak = 22,
  kNodeContinue = 23,
  kNodeWith = 24,            // expression, body
  kNodeReturn = 25,          // expression
  kNodeSwitch = 26,          // expression, then every statement of the braces
  kNodeCase = 27,            // expression
  kNodeDefault = 28,
  kNodeVar = 29,             // one constant node per name; its id is the variable
  kNodeGlobalvar = 30,
};

// Scope values written before a variable, or filled in by the compiler.
enum Scope : int32_t {
  kScopeSelf = -1,
  kScopeOther = -2,
  kScopeAll = -3,
  kScopeNoone = -4,
  kScopeGlobal = -5,
  kScopeUnscoped = -6,
  kScopeLocal = -7,
};

// Lexer token: position is the 1-based character position of its first character.
struct RToken1 {
  int32_t kind = kTokenEnd;
  std::string text;
  int32_t position = 1;
};

// Classified token.
struct RToken2 {
  int32_t kind = kTokenEnd;
  int32_t id = 0;  // identifier or operator
  RValue value;
  int32_t position = 1;
};

// A node of the compiled tree; it owns its children. Every node carries the position of
// the token that starts it.
struct RToken {
  int32_t kind = kNodeEmptyProgram;
  int32_t id = 0;     // operator or identifier
  int32_t scope = 0;  // for direct variable nodes
  RValue value;       // for constants
  std::vector<RToken> children;
  int32_t position = 1;
};

}  // namespace vn
