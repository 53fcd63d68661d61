#include "script/Code_Phase1.h"

#include <string_view>

#include "script/Code_Error.h"
#include "script/Code_Main.h"

namespace vn {

namespace {

bool is_letter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }
bool is_hex_letter(unsigned char c) { return (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// Words that are keywords or operators; every other word is an identifier. Exact,
// case-sensitive comparison.
int32_t word_code(std::string_view word) {
  struct RWord {
    std::string_view text;
    int32_t code;
  };
  static constexpr RWord kWords[] = {
      {"begin", kTokenBegin},
      {"end", kTokenEndBlock},
      {"if", kTokenIf},
      {"then", kTokenThen},
      {"else", kTokenElse},
      {"while", kTokenWhile},
      {"do", kTokenDo},
      {"for", kTokenFor},
      {"until", kTokenUntil},
      {"repeat", kTokenRepeat},
      {"exit", kTokenExit},
      {"break", kTokenBreak},
      {"continue", kTokenContinue},
      {"with", kTokenWith},
      {"return", kTokenReturn},
      {"switch", kTokenSwitch},
      {"case", kTokenCase},
      {"default", kTokenDefault},
      {"var", kTokenVar},
      {"globalvar", kTokenGlobalvar},
      {"and", kOpAnd},
      {"or", kOpOr},
      {"not", kOpNot},
      {"div", kOpDiv},
      {"mod", kOpMod},
      {"xor", kOpXor},
  };
  // No keyword is longer than "globalvar"; most identifiers are, or differ at once.
  if (word.size() < 2 || word.size() > 9) return kTokenIdentifier;
  for (const RWord& entry : kWords) {
    if (entry.text == word) return entry.code;
  }
  return kTokenIdentifier;
}

// The operator the two characters form, or 0.
int32_t two_character_code(unsigned char first, unsigned char second) {
  switch (first) {
    case '&':
      return second == '&' ? kOpAnd : second == '=' ? kTokenAndAssign : 0;
    case '|':
      return second == '|' ? kOpOr : second == '=' ? kTokenOrAssign : 0;
    case '^':
      return second == '^' ? kOpXor : second == '=' ? kTokenXorAssign : 0;
    case '<':
      return second == '='   ? kOpLessEqual
             : second == '>' ? kOpNotEqual
             : second == '<' ? kOpShiftLeft
                             : 0;
    case '>':
      return second == '=' ? kOpGreaterEqual : second == '>' ? kOpShiftRight : 0;
    case '=':
      return second == '=' ? kOpEqual : 0;
    case '!':
      return second == '=' ? kOpNotEqual : 0;
    case ':':
      return second == '=' ? kTokenAssign : 0;
    case '+':
      return second == '=' ? kTokenAddAssign : 0;
    case '-':
      return second == '=' ? kTokenSubtractAssign : 0;
    case '*':
      return second == '=' ? kTokenMultiplyAssign : 0;
    case '/':
      return second == '=' ? kTokenDivideAssign : 0;
    default:
      return 0;
  }
}

// The token of one character, or the unknown-character token.
int32_t one_character_code(unsigned char c) {
  switch (c) {
    case '{':
      return kTokenBegin;
    case '}':
      return kTokenEndBlock;
    case '(':
      return kTokenOpen;
    case ')':
      return kTokenClose;
    case ';':
      return kTokenSemicolon;
    case ',':
      return kTokenComma;
    case '[':
      return kTokenOpenIndex;
    case ']':
      return kTokenCloseIndex;
    case '.':
      return kTokenDot;
    case ':':
      return kTokenColon;
    case '=':
      return kTokenAssign;
    case '!':
      return kOpNot;
    case '<':
      return kOpLess;
    case '>':
      return kOpGreater;
    case '+':
      return kOpAdd;
    case '-':
      return kOpSubtract;
    case '*':
      return kOpMultiply;
    case '/':
      return kOpDivide;
    case '|':
      return kOpBitOr;
    case '&':
      return kOpBitAnd;
    case '^':
      return kOpBitXor;
    case '~':
      return kOpBitNot;
    default:
      return kTokenUnknown;
  }
}

}  // namespace

// The text scanned is the source followed by three spaces, so every look-ahead of one
// or two characters stays inside it; a string left open keeps those spaces. Positions
// are 1-based indices into the source.
bool lex_code(const CCode& code, std::vector<RToken1>& tokens) {
  const std::string text = code.source_text() + "   ";
  const size_t length = text.size();
  auto at = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  tokens.clear();
  tokens.reserve(code.source_text().size() / 3 + 1);
  size_t i = 0;
  while (true) {
    while (i < length && at(i) <= 32) ++i;
    if (i >= length) {
      tokens.push_back(RToken1{kTokenEnd, {}, int32_t(i + 1)});
      return true;
    }
    const unsigned char c = at(i);
    const unsigned char next = i + 1 < length ? at(i + 1) : 0;
    const int32_t position = int32_t(i + 1);
    if (c == '/' && next == '/') {
      while (i < length && at(i) != '\r' && at(i) != '\n') ++i;
      continue;
    }
    if (c == '/' && next == '*') {
      // The search starts at the opening star, so "/*/" is a whole comment.
      size_t close = text.find("*/", i + 1);
      i = close == std::string::npos ? length : close + 2;
      continue;
    }
    if (is_letter(c) || c == '_') {
      size_t start = i;
      while (i < length && (is_letter(at(i)) || is_digit(at(i)) || at(i) == '_')) ++i;
      std::string_view word(text.data() + start, i - start);
      int32_t kind = word_code(word);
      tokens.push_back(
          RToken1{kind, kind == kTokenIdentifier ? std::string(word) : std::string(), position});
      continue;
    }
    if (is_digit(c) || c == '$' || (c == '.' && is_digit(next))) {
      size_t start = i;
      if (c == '$') {
        ++i;
        while (i < length && (is_digit(at(i)) || is_hex_letter(at(i)))) ++i;
      } else {
        while (i < length && (is_digit(at(i)) || at(i) == '.')) ++i;
      }
      tokens.push_back(RToken1{kTokenNumber, text.substr(start, i - start), position});
      continue;
    }
    if (c == '\'' || c == '"') {
      size_t close = text.find(char(c), i + 1);
      size_t end = close == std::string::npos ? length : close;
      tokens.push_back(RToken1{kTokenString, text.substr(i + 1, end - i - 1), position});
      i = close == std::string::npos ? length : close + 1;
      continue;
    }
    int32_t kind = two_character_code(c, next);
    if (kind != 0) {
      tokens.push_back(RToken1{kind, {}, position});
      i += 2;
      continue;
    }
    kind = one_character_code(c);
    if (kind == kTokenUnknown) {
      tokens.push_back(RToken1{kTokenUnknown, {}, position});
      record_error(code, position, "Unexpected symbol.");
      return false;
    }
    tokens.push_back(RToken1{kind, {}, position});
    ++i;
  }
}

}  // namespace vn
