#include "script/Code_Phase3.h"

#include <algorithm>

#include "script/Code_Error.h"
#include "script/Code_Function.h"
#include "script/Code_Main.h"
#include "script/Code_Variable.h"

namespace vn {

namespace {

// Limits that keep every recursive walk of the tree (this parser, the rewriting, the
// interpreter, the destructor) far from the end of the stack. Real code stays well below
// them; only hostile text reaches them.
constexpr int kMaxNesting = 1000;           // statements, parentheses, unary operators
constexpr int kMaxExpressionHeight = 1000;  // operator and "." chains included
constexpr const char* kTooDeep = "Code is nested too deeply.";

// The level of a binary operator, from 0 (lowest precedence) to 5; -1 for any other
// token. "=" and ":=" compare inside an expression.
int operator_level(int32_t kind) {
  switch (kind) {
    case kOpAnd:
    case kOpOr:
    case kOpXor:
      return 0;
    case kOpLess:
    case kOpLessEqual:
    case kOpEqual:
    case kTokenAssign:
    case kOpNotEqual:
    case kOpGreaterEqual:
    case kOpGreater:
      return 1;
    case kOpBitOr:
    case kOpBitAnd:
    case kOpBitXor:
      return 2;
    case kOpShiftLeft:
    case kOpShiftRight:
      return 3;
    case kOpAdd:
    case kOpSubtract:
      return 4;
    case kOpMultiply:
    case kOpDivide:
    case kOpDiv:
    case kOpMod:
      return 5;
    default:
      return -1;
  }
}

bool is_assignment_operator(int32_t kind) {
  return (kind >= kTokenAssign && kind <= kTokenDivideAssign) ||
         (kind >= kTokenOrAssign && kind <= kTokenXorAssign);
}

bool is_unary_operator(int32_t kind) {
  return kind == kOpNot || kind == kOpSubtract || kind == kOpAdd || kind == kOpBitNot;
}

RToken make_node(int32_t kind, int32_t position, int32_t id = 0) {
  RToken node;
  node.kind = kind;
  node.id = id;
  node.position = position;
  return node;
}

RToken make_constant(RValue value, int32_t position) {
  RToken node = make_node(kNodeConstant, position);
  node.value = std::move(value);
  return node;
}

// Recursive descent over the classified tokens; the first error stops everything. Each
// expression function leaves the height of the tree it built in height_, so that long
// operator chains, which need no recursion to parse, are bounded as well.
class CParser {
 public:
  CParser(const CCode& code, const std::vector<RToken2>& tokens) : code_(code), tokens_(tokens) {
    end_.kind = kTokenEnd;
    end_.position = tokens.empty() ? 1 : tokens.back().position;
  }

  // program := "{" statement* "}" <end> | statement* <end>
  bool program(RToken& root) {
    if (kind() == kTokenEnd) {
      root = make_node(kNodeEmptyProgram, token().position);
      return true;
    }
    if (kind() == kTokenBegin) {
      if (!statement(root)) return false;
      if (kind() != kTokenEnd) return fail("Program ends before end of the code.");
      return true;
    }
    root = make_node(kNodeBlock, token().position);
    while (kind() != kTokenEnd) {
      if (!statement(root.children.emplace_back())) return false;
    }
    return true;
  }

  // expression_code := <end> | expression ...   (tokens after the expression are ignored)
  bool expression_code(RToken& root) {
    if (kind() == kTokenEnd) {
      root = make_constant(RValue(0.0), token().position);
      return true;
    }
    return expression(root);
  }

 private:
  // Counts one level of recursion for as long as it lives.
  class CNesting {
   public:
    explicit CNesting(int& depth) : depth_(depth) { ++depth_; }
    ~CNesting() { --depth_; }
    CNesting(const CNesting&) = delete;
    CNesting& operator=(const CNesting&) = delete;
    bool too_deep() const { return depth_ > kMaxNesting; }

   private:
    int& depth_;
  };

  // Past the last token every read sees the end of the text, so no loop can stall on a
  // list without an end token.
  const RToken2& token() const { return at_ < tokens_.size() ? tokens_[at_] : end_; }
  int32_t kind() const { return token().kind; }
  void advance() {
    if (at_ < tokens_.size()) ++at_;
  }
  // Out of line, so that the message text is built in this frame alone and not in every
  // recursive frame that can fail.
  bool fail(const char* message) { return fail_at(token().position, message); }
  [[gnu::noinline, gnu::cold]] bool fail_at(int32_t position, const char* message) {
    record_error(code_, position, message);
    return false;
  }
  // Keyword statements carry the position of the token after the keyword. The node is
  // filled in place: deep statement nesting keeps no temporary nodes on the stack.
  void keyword_node(RToken& out, int32_t node_kind) {
    advance();
    out.kind = node_kind;
    out.position = token().position;
  }
  // Statement lists that end at "}" (or "end").
  bool statements_until_close(RToken& parent) {
    while (kind() != kTokenEndBlock) {
      if (kind() == kTokenEnd) return fail("Symbol } expected.");
      if (!statement(parent.children.emplace_back())) return false;
    }
    advance();
    return true;
  }
  // Children are parsed in place: nothing else touches the parent's list meanwhile.
  bool child_statement(RToken& parent) { return statement(parent.children.emplace_back()); }
  bool child_expression(RToken& parent) { return expression(parent.children.emplace_back()); }

  // statement := (call | block | if | while | do | for | repeat | with | return | exit
  //               | break | continue | switch | case | default | var | globalvar | ";"
  //               | assignment) { ";" }
  bool statement(RToken& out) {
    CNesting nesting(depth_);
    if (nesting.too_deep()) return fail(kTooDeep);
    if (!statement_body(out)) return false;
    while (kind() == kTokenSemicolon) advance();
    return true;
  }

  // The statements with locals of their own stay out of line, so that a nested statement
  // costs only this small frame.
  bool statement_body(RToken& out) {
    switch (kind()) {
      case kTokenFunction:
        return call(out);
      // block := ("{" | "begin") statement* ("}" | "end")
      case kTokenBegin:
        keyword_node(out, kNodeBlock);
        return statements_until_close(out);
      // if := "if" expression ["then"] statement ["else" statement]
      case kTokenIf:
        keyword_node(out, kNodeIf);
        if (!child_expression(out)) return false;
        if (kind() == kTokenThen) advance();
        if (!child_statement(out)) return false;
        if (kind() != kTokenElse) return true;
        advance();
        return child_statement(out);
      // while := "while" expression ["do"] statement
      // with := "with" expression ["do"] statement
      case kTokenWhile:
      case kTokenWith:
        keyword_node(out, kind() == kTokenWhile ? kNodeWhile : kNodeWith);
        if (!child_expression(out)) return false;
        if (kind() == kTokenDo) advance();
        return child_statement(out);
      // do := "do" statement "until" expression
      case kTokenDo:
        keyword_node(out, kNodeDo);
        if (!child_statement(out)) return false;
        if (kind() != kTokenUntil) return fail("Keyword until expected.");
        advance();
        return child_expression(out);
      case kTokenFor:
        return for_statement(out);
      // repeat := "repeat" expression statement
      case kTokenRepeat:
        keyword_node(out, kNodeRepeat);
        return child_expression(out) && child_statement(out);
      // return := "return" expression
      case kTokenReturn:
        keyword_node(out, kNodeReturn);
        return child_expression(out);
      case kTokenExit:
        keyword_node(out, kNodeExit);
        return true;
      case kTokenBreak:
        keyword_node(out, kNodeBreak);
        return true;
      case kTokenContinue:
        keyword_node(out, kNodeContinue);
        return true;
      // switch := "switch" expression "{" statement* "}"
      case kTokenSwitch:
        keyword_node(out, kNodeSwitch);
        if (!child_expression(out)) return false;
        if (kind() != kTokenBegin) return fail("Symbol { expected.");
        advance();
        return statements_until_close(out);
      // case := "case" expression ":"
      case kTokenCase:
        keyword_node(out, kNodeCase);
        if (!child_expression(out)) return false;
        return colon();
      // default := "default" ":"
      case kTokenDefault:
        keyword_node(out, kNodeDefault);
        return colon();
      case kTokenVar:
      case kTokenGlobalvar:
        return declaration(out);
      case kTokenSemicolon:
        out.kind = kNodeEmptyStatement;
        out.position = token().position;
        advance();
        return true;
      case kTokenEnd:
        return fail("Unexpected end of code reached.");
      default:
        return assignment(out);
    }
  }

  bool colon() {
    if (kind() != kTokenColon) return fail("Symbol : expected.");
    advance();
    return true;
  }

  // for := "for" "(" statement [";"] expression [";"] statement ")" statement
  // The first statement has already swallowed its semicolons, so for(;;) has no condition.
  [[gnu::noinline]] bool for_statement(RToken& out) {
    keyword_node(out, kNodeFor);
    if (kind() != kTokenOpen) return fail("Symbol ( expected.");
    advance();
    if (!child_statement(out)) return false;
    if (kind() == kTokenSemicolon) advance();
    if (!child_expression(out)) return false;
    if (kind() == kTokenSemicolon) advance();
    if (!child_statement(out)) return false;
    if (kind() != kTokenClose) return fail("Symbol ) expected.");
    advance();
    return child_statement(out);
  }

  // declaration := ("var" | "globalvar") { variable_name [","] }
  // There is no initialiser: the statement ends at the first token that is not a variable.
  [[gnu::noinline]] bool declaration(RToken& out) {
    keyword_node(out, kind() == kTokenVar ? kNodeVar : kNodeGlobalvar);
    while (kind() == kTokenVariable) {
      if (!is_user_variable(token().id)) return fail("Cannot redeclare a builtin variable.");
      RToken& name = out.children.emplace_back();
      name.kind = kNodeConstant;
      name.id = token().id;
      name.position = token().position;
      advance();
      if (kind() == kTokenComma) advance();
    }
    return true;
  }

  // assignment := postfix ("=" | ":=" | "+=" | "-=" | "*=" | "/=" | "|=" | "&=" | "^=")
  //               expression      (the postfix expression must be a variable)
  [[gnu::noinline]] bool assignment(RToken& out) {
    RToken target;
    if (!postfix(target)) return false;
    if (target.kind != kNodeVariable) return fail_at(target.position, "Variable name expected.");
    const int32_t op = kind();
    if (!is_assignment_operator(op)) return fail("Assignment operator expected.");
    advance();
    out = make_node(kNodeAssign, target.position, op);
    out.children.reserve(2);
    out.children.push_back(std::move(target));
    return child_expression(out);
  }

  // expression := level0
  // level0 := level1 { ("&&" | "and" | "||" | "or" | "^^" | "xor") level1 }
  // level1 := level2 { ("<" | "<=" | "==" | "=" | ":=" | "!=" | "<>" | ">=" | ">") level2 }
  // level2 := level3 { ("|" | "&" | "^") level3 }
  // level3 := level4 { ("<<" | ">>") level4 }
  // level4 := level5 { ("+" | "-") level5 }
  // level5 := postfix { ("*" | "/" | "div" | "mod") postfix }
  // Every level is left-associative: a < b < c is (a < b) < c. The levels are parsed by
  // precedence climbing, so a parenthesis costs one recursion instead of one per level.
  bool expression(RToken& out) { return binary(0, out); }

  // The operators of min_level and above, starting with a postfix expression.
  bool binary(int min_level, RToken& out) {
    if (!postfix(out)) return false;
    int height = height_;
    for (int level = operator_level(kind()); level >= min_level; level = operator_level(kind())) {
      const int32_t op = kind() == kTokenAssign ? kOpEqual : kind();
      advance();
      RToken right;
      if (!binary(level + 1, right)) return false;
      height = std::max(height, height_) + 1;
      if (height > kMaxExpressionHeight) return fail_at(right.position, kTooDeep);
      RToken node = make_node(kNodeBinary, out.position, op);
      node.children.reserve(2);
      node.children.push_back(std::move(out));
      node.children.push_back(std::move(right));
      out = std::move(node);
    }
    height_ = height;
    return true;
  }

  // postfix := primary { "." variable }
  // Each "." makes the expression so far the scope of the variable after it.
  bool postfix(RToken& out) {
    if (!primary(out)) return false;
    int height = height_;
    while (kind() == kTokenDot) {
      advance();
      RToken scoped;
      if (!variable(scoped)) return false;
      height = std::max(height + 1, height_);
      if (height > kMaxExpressionHeight) return fail_at(scoped.position, kTooDeep);
      scoped.position = out.position;
      scoped.children[0] = std::move(out);
      out = std::move(scoped);
    }
    height_ = height;
    return true;
  }

  // primary := constant | call | variable | "(" expression ")"
  //          | ("!" | "not" | "-" | "+" | "~") postfix
  bool primary(RToken& out) {
    CNesting nesting(depth_);
    if (nesting.too_deep()) return fail(kTooDeep);
    switch (kind()) {
      case kTokenConstant:
        out = make_constant(token().value, token().position);
        advance();
        height_ = 1;
        return true;
      case kTokenFunction:
        return call(out);
      case kTokenVariable:
        return variable(out);
      case kTokenOpen:
        advance();
        if (!expression(out)) return false;
        if (kind() != kTokenClose) return fail("Symbol ) expected.");
        advance();
        return true;
      default:
        break;
    }
    if (!is_unary_operator(kind())) return fail("Unexpected symbol in expression.");
    out = make_node(kNodeUnary, token().position, kind());
    advance();
    RToken operand;
    if (!postfix(operand)) return false;
    ++height_;
    out.children.push_back(std::move(operand));
    return true;
  }

  // call := function "(" [ expression { "," expression } [","] ] ")"
  // At most 16 arguments, and exactly the function's count unless it takes any number.
  bool call(RToken& out) {
    if (kind() != kTokenFunction) return fail("Function name expected.");
    out = make_node(kNodeFunction, token().position, token().id);
    advance();
    if (kind() != kTokenOpen) return fail("Symbol ( expected.");
    advance();
    int height = 0;
    while (kind() != kTokenClose) {
      if (kind() == kTokenEnd) return fail("Symbol ) expected.");
      if (!child_expression(out)) return false;
      height = std::max(height, height_);
      if (kind() == kTokenComma) {
        advance();
      } else if (kind() == kTokenEnd) {
        return fail("Symbol ) expected.");
      } else if (kind() != kTokenClose) {
        return fail("Symbol , or ) expected.");
      }
    }
    advance();
    const int given = int(std::min(out.children.size(), size_t(kMaxArguments + 1)));
    const int expected = function_argument_count(out.id);
    if (given > kMaxArguments || (expected != kVariableArguments && expected != given)) {
      return fail_at(out.position, "Wrong number of arguments to function or script.");
    }
    height_ = height + 1;
    return true;
  }

  // variable := variable_name [ "[" [ expression [ "," expression ] [","] ] "]" ]
  // Without a written scope the scope child is the constant -6.
  bool variable(RToken& out) {
    if (kind() != kTokenVariable) return fail("Variable name expected.");
    out = make_node(kNodeVariable, token().position, token().id);
    out.children.push_back(make_constant(RValue(double(kScopeUnscoped)), token().position));
    advance();
    int height = 1;
    if (kind() == kTokenOpenIndex) {
      advance();
      while (kind() != kTokenCloseIndex) {
        if (kind() == kTokenEnd) return fail("Symbol ] expected.");
        if (out.children.size() == 3)
          return fail("Only 1- and 2-dimensional arrays are supported.");
        if (!child_expression(out)) return false;
        height = std::max(height, height_);
        if (kind() == kTokenComma) {
          advance();
        } else if (kind() == kTokenEnd) {
          return fail("Symbol ] expected.");
        } else if (kind() != kTokenCloseIndex) {
          return fail("Symbol , or ] expected.");
        }
      }
      advance();
    }
    height_ = height + 1;
    return true;
  }

  const CCode& code_;
  const std::vector<RToken2>& tokens_;
  RToken2 end_;
  size_t at_ = 0;
  int depth_ = 0;
  int height_ = 0;
};

}  // namespace

bool parse_tokens(const CCode& code, const std::vector<RToken2>& tokens, RToken& root) {
  root = RToken();
  CParser parser(code, tokens);
  return code.is_program() ? parser.program(root) : parser.expression_code(root);
}

}  // namespace vn
