#include "script/Code_Phase4.h"

#include <unordered_set>
#include <utility>

#include "script/Code_Error.h"
#include "script/Code_Main.h"
#include "script/Code_Operator.h"

namespace vn {

namespace {

// One post-order walk, children in source order. Because a var node is met before every
// statement that follows it, a name is local from its declaration to the end of the
// piece, nested blocks included, and an instance variable before it.
class CRewriter {
 public:
  explicit CRewriter(const CCode& code) : code_(code) {}

  bool rewrite(RToken& node) {
    for (RToken& child : node.children) {
      if (!rewrite(child)) return false;
    }
    switch (node.kind) {
      case kNodeVar:
        for (const RToken& name : node.children) locals_.insert(name.id);
        return true;
      case kNodeVariable:
        return rewrite_variable(node);
      case kNodeUnary:
        return fold_unary(node);
      case kNodeBinary:
        return fold_binary(node);
      default:
        return true;
    }
  }

 private:
  bool fail(int32_t position, const char* message) {
    record_error(code_, position, message);
    return false;
  }

  static void become_constant(RToken& node, RValue value) {
    node.kind = kNodeConstant;
    node.id = 0;
    node.value = std::move(value);
    node.children.clear();
  }

  // An unscoped local gets the scope -7; a plain name under a constant scope becomes a
  // direct variable node, which the interpreter reads without evaluating a scope.
  bool rewrite_variable(RToken& node) {
    if (node.children.empty()) return true;
    RToken& scope = node.children[0];
    if (scope.kind != kNodeConstant) return true;
    if (scope.value.is_real() && scope.value.real == double(kScopeUnscoped) &&
        locals_.count(node.id)) {
      scope.value.real = double(kScopeLocal);
    }
    if (node.children.size() != 1) return true;
    if (!scope.value.is_real()) return fail(scope.position, "Left hand side must be a real value.");
    node.kind = kNodeDirectVariable;
    node.scope = round_to_int32(scope.value.real);
    node.children.clear();
    return true;
  }

  // Operator errors on constants are compile errors, at the operand's position.
  bool fold_unary(RToken& node) {
    if (node.children.size() != 1 || node.children[0].kind != kNodeConstant) return true;
    RToken& operand = node.children[0];
    RValue value = operand.value;
    if (const char* message = apply_unary(node.id, value)) return fail(operand.position, message);
    become_constant(node, std::move(value));
    return true;
  }

  // A refused binary operator is reported at the right operand.
  bool fold_binary(RToken& node) {
    if (node.children.size() != 2) return true;
    RToken& left = node.children[0];
    RToken& right = node.children[1];
    if (left.kind != kNodeConstant || right.kind != kNodeConstant) return true;
    if (folds_too_long(node.id, left.value, right.value)) return true;
    RValue value = left.value;
    if (const char* message = apply_binary(node.id, value, right.value)) {
      return fail(right.position, message);
    }
    become_constant(node, std::move(value));
    return true;
  }

  // Long strings are built when the code runs, so a compile stays quick and small.
  static bool folds_too_long(int32_t op, const RValue& left, const RValue& right) {
    constexpr double kFoldLimit = 65536;
    if (op == kOpAdd && left.is_string() && right.is_string()) {
      return double(left.string.size()) + double(right.string.size()) > kFoldLimit;
    }
    if (op == kOpMultiply && left.is_real() && right.is_string()) {
      return left.real * double(right.string.size()) > kFoldLimit;
    }
    return false;
  }

  const CCode& code_;
  std::unordered_set<int32_t> locals_;
};

}  // namespace

bool rewrite_tree(const CCode& code, RToken& root) { return CRewriter(code).rewrite(root); }

}  // namespace vn
