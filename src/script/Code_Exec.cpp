#include "script/Code_Exec.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "platform/Platform_Signal.h"
#include "script/Code_Error.h"
#include "script/Code_Function.h"
#include "script/Code_Operator.h"
#include "script/Code_Variable.h"
#include "script/Code_World.h"
#include "script/Script_Main.h"
#include "script/Variable_Main.h"
#include "support/Support_InlineArray.h"

namespace vn {

// The interpreter walks a lowered copy of the compiled tree: every node knows its exact
// operation (a local slot, a self variable, a built-in handler, a real addition...), so
// that no name, scope or function is looked up while running. Statements return the
// status codes below; expressions fill a value and return false on an error, whose
// message has been recorded.
namespace {

enum Status : int { kOk = 0, kFailed = -1, kExitCode = -2, kBreak = -3, kContinue = -4 };

enum ExecOp : uint8_t {
  // Expressions.
  kXConstant,
  kXLocal,       // a: slot
  kXUnscoped,    // a: user id; self unless declared globalvar
  kXSelfUser,    // a: user id, scope self
  kXBuiltin,     // a: built-in id, scope self (or unscoped)
  kXOther,       // a: id
  kXGlobal,      // a: id
  kXDirect,      // a: id, b: constant scope (-3, -4, object, instance)
  kXVariable,    // a: id; children: scope, indices
  kXLocalArray,  // a: slot, b: id; children: scope (local), indices
  kXUnary,       // a: operator
  kXBinary,      // a: operator
  kXAdd,
  kXSubtract,
  kXMultiply,
  kXDivide,
  kXLess,
  kXLessEqual,
  kXGreater,
  kXGreaterEqual,
  kXEqual,
  kXNotEqual,
  kXCallBuiltin,    // handler
  kXCallScript,     // a: script index
  kXCallExtension,  // a: extension id
  kXNotExpression,
  // Statements.
  kSBlock,
  kSCall,    // child: the call expression
  kSAssign,  // a: operator; children: target, value
  kSIf,
  kSWhile,
  kSDo,
  kSFor,
  kSRepeat,
  kSExit,
  kSReturn,
  kSBreak,
  kSContinue,
  kSWith,
  kSSwitch,
  kSCase,
  kSDefault,
  kSNothing,
  kSGlobalvar,
  kSNotStatement,
};

struct RExecNode {
  ExecOp op = kXNotExpression;
  int32_t a = 0;
  int32_t b = 0;
  int32_t position = 1;
  uint32_t count = 0;
  RExecNode* children = nullptr;
  FunctionHandler handler = nullptr;
  VariableGetter getter = nullptr;
  VariableSetter setter = nullptr;
  mutable uint32_t hint = 0;  // last position of the variable in a store
  // No calls below: evaluating it changes nothing, so a value read before it stays valid.
  bool pure = false;
  // A real expression of constants, plain variables and arithmetic: it can be computed
  // on doubles alone while every value it meets is a real.
  bool numeric = false;
  RValue value;
  int32_t source_kind = 0;  // the tree node's kind, for checks such as "is a label"
};

// += -= *= /= on a real already known to be one; /= by 0 never comes here.
inline void apply_in_place(int32_t op, double& real, double number) {
  switch (op) {
    case kTokenAddAssign:
      real += number;
      break;
    case kTokenSubtractAssign:
      real -= number;
      break;
    case kTokenMultiplyAssign:
      real *= number;
      break;
    default:
      real /= number;
      break;
  }
}

// A computed real replaces the whole value, string field included.
inline void store_real(RValue& cell, double number) {
  cell.kind = kReal;
  cell.real = number;
  if (!cell.string.empty()) cell.string = RString();
}

// A var local: its value (with arrays) and whether it was ever written.
struct RLocalSlot {
  bool written = false;
  RVariable variable;
};

}  // namespace

struct RExecTree {
  std::vector<RExecNode> nodes;    // the root is nodes[0]; children are contiguous
  std::vector<int32_t> local_ids;  // the id of every slot
};

void destroy_exec_tree(RExecTree* tree) { delete tree; }

namespace {

// --- Building the lowered tree ---

class TreeBuilder {
 public:
  explicit TreeBuilder(RExecTree& tree) : tree_(tree) {}

  void build(const RToken& root, bool program) {
    // Children are laid out contiguously; reserve the whole tree first so that pointers
    // stay valid. A token becomes at most two nodes (a call statement wraps its call).
    tree_.nodes.reserve(2 * count_nodes(root) + 1);
    tree_.nodes.emplace_back();
    lower(root, 0, program);
    mark_pure(&tree_.nodes[0]);
    mark_numeric(&tree_.nodes[0]);
  }

 private:
  static size_t count_nodes(const RToken& token) {
    size_t n = 1;
    for (const RToken& child : token.children) n += count_nodes(child);
    return n;
  }

  static bool mark_pure(RExecNode* node) {
    bool pure = node->op <= kXNotEqual && node->op != kXNotExpression;
    for (uint32_t i = 0; i < node->count; ++i) pure = mark_pure(&node->children[i]) && pure;
    node->pure = pure;
    return pure;
  }

  static bool numeric_operator(int32_t op) {
    switch (op) {
      case kOpAdd:
      case kOpSubtract:
      case kOpMultiply:
      case kOpDivide:
      case kOpDiv:
      case kOpMod:
      case kOpAnd:
      case kOpOr:
      case kOpXor:
      case kOpLess:
      case kOpLessEqual:
      case kOpEqual:
      case kOpNotEqual:
      case kOpGreaterEqual:
      case kOpGreater:
        return true;
      default:
        return false;
    }
  }

  static bool mark_numeric(RExecNode* node) {
    bool children = true;
    for (uint32_t i = 0; i < node->count; ++i)
      children = mark_numeric(&node->children[i]) && children;
    bool numeric = false;
    switch (node->op) {
      case kXConstant:
        numeric = node->value.kind == kReal;
        break;
      case kXLocal:
      case kXUnscoped:
      case kXSelfUser:
        numeric = true;
        break;
      case kXLocalArray:
        numeric = children;
        break;
      case kXUnary:
        numeric = children && (node->a == kOpSubtract || node->a == kOpAdd || node->a == kOpNot);
        break;
      case kXAdd:
      case kXSubtract:
      case kXMultiply:
      case kXDivide:
      case kXBinary:
      case kXLess:
      case kXLessEqual:
      case kXGreater:
      case kXGreaterEqual:
      case kXEqual:
      case kXNotEqual:
        numeric = children && numeric_operator(node->a);
        break;
      default:
        break;
    }
    node->numeric = numeric;
    return numeric;
  }

  int32_t local_slot(int32_t id) {
    auto found = std::find(tree_.local_ids.begin(), tree_.local_ids.end(), id);
    if (found != tree_.local_ids.end()) return int32_t(found - tree_.local_ids.begin());
    tree_.local_ids.push_back(id);
    return int32_t(tree_.local_ids.size() - 1);
  }

  // Lays out the children of tokens[at] and lowers them, as statements or expressions.
  void lower_children(size_t at, const RToken& token, bool statements) {
    size_t first = tree_.nodes.size();
    for (size_t i = 0; i < token.children.size(); ++i) tree_.nodes.emplace_back();
    tree_.nodes[at].children = token.children.empty() ? nullptr : &tree_.nodes[first];
    tree_.nodes[at].count = uint32_t(token.children.size());
    for (size_t i = 0; i < token.children.size(); ++i) {
      lower(token.children[i], first + i, statements);
    }
  }

  // Lowers a node whose children have mixed roles: statement flags per child.
  void lower_mixed(size_t at, const RToken& token, std::initializer_list<bool> statement_flags) {
    size_t first = tree_.nodes.size();
    for (size_t i = 0; i < token.children.size(); ++i) tree_.nodes.emplace_back();
    tree_.nodes[at].children = token.children.empty() ? nullptr : &tree_.nodes[first];
    tree_.nodes[at].count = uint32_t(token.children.size());
    auto flag = statement_flags.begin();
    for (size_t i = 0; i < token.children.size(); ++i) {
      bool statement = flag != statement_flags.end() ? *flag++ : true;
      lower(token.children[i], first + i, statement);
    }
  }

  void lower(const RToken& token, size_t at, bool statement) {
    {
      RExecNode& node = tree_.nodes[at];
      node.position = token.position;
      node.source_kind = token.kind;
    }
    if (statement) {
      lower_statement(token, at);
    } else {
      lower_expression(token, at);
    }
  }

  void lower_statement(const RToken& token, size_t at) {
    auto set = [&](ExecOp op) { tree_.nodes[at].op = op; };
    switch (token.kind) {
      case kNodeBlock:
        // A block of one statement does what the statement does.
        if (token.children.size() == 1) {
          lower(token.children[0], at, true);
          return;
        }
        set(kSBlock);
        lower_children(at, token, true);
        return;
      case kNodeEmptyProgram:
        set(kSBlock);
        lower_children(at, token, true);
        return;
      case kNodeFunction:
        set(kSCall);
        {
          // The call itself is the single child.
          tree_.nodes.emplace_back();
          size_t child = tree_.nodes.size() - 1;
          tree_.nodes[at].children = &tree_.nodes[child];
          tree_.nodes[at].count = 1;
          lower(token, child, false);
        }
        return;
      case kNodeAssign:
        set(kSAssign);
        tree_.nodes[at].a = token.id;
        lower_mixed(at, token, {false, false});
        return;
      case kNodeIf:
        set(kSIf);
        lower_mixed(at, token, {false, true, true});
        return;
      case kNodeWhile:
        set(kSWhile);
        lower_mixed(at, token, {false, true});
        return;
      case kNodeDo:
        set(kSDo);
        lower_mixed(at, token, {true, false});
        return;
      case kNodeFor:
        set(kSFor);
        lower_mixed(at, token, {true, false, true, true});
        return;
      case kNodeRepeat:
        set(kSRepeat);
        lower_mixed(at, token, {false, true});
        return;
      case kNodeExit:
        set(kSExit);
        return;
      case kNodeBreak:
        set(kSBreak);
        return;
      case kNodeContinue:
        set(kSContinue);
        return;
      case kNodeReturn:
        set(kSReturn);
        lower_mixed(at, token, {false});
        return;
      case kNodeWith:
        set(kSWith);
        lower_mixed(at, token, {false, true});
        return;
      case kNodeSwitch: {
        set(kSSwitch);
        size_t first = tree_.nodes.size();
        for (size_t i = 0; i < token.children.size(); ++i) tree_.nodes.emplace_back();
        tree_.nodes[at].children = token.children.empty() ? nullptr : &tree_.nodes[first];
        tree_.nodes[at].count = uint32_t(token.children.size());
        for (size_t i = 0; i < token.children.size(); ++i) {
          const RToken& child = token.children[i];
          if (i == 0) {
            lower(child, first, false);
          } else if (child.kind == kNodeCase || child.kind == kNodeDefault) {
            // Labels keep their expression for the scan.
            RExecNode& label = tree_.nodes[first + i];
            label.position = child.position;
            label.source_kind = child.kind;
            label.op = child.kind == kNodeCase ? kSCase : kSDefault;
            lower_children(first + i, child, false);
          } else {
            lower(child, first + i, true);
          }
        }
        return;
      }
      case kNodeCase:
        set(kSCase);
        lower_children(at, token, false);
        return;
      case kNodeDefault:
        set(kSDefault);
        return;
      case kNodeVar:
        set(kSNothing);
        return;
      case kNodeGlobalvar:
        set(kSGlobalvar);
        lower_children(at, token, false);
        return;
      default:
        set(kSNotStatement);
        return;
    }
  }

  void lower_expression(const RToken& token, size_t at) {
    switch (token.kind) {
      case kNodeConstant:
        tree_.nodes[at].op = kXConstant;
        tree_.nodes[at].value = token.value;
        tree_.nodes[at].a = token.id;  // var and globalvar names keep their identifier here
        return;
      case kNodeDirectVariable:
        lower_direct(token, at);
        return;
      case kNodeVariable: {
        const RToken& scope = token.children[0];
        if (scope.kind == kNodeConstant && scope.value.kind == kReal &&
            scope.value.real == double(kScopeLocal)) {
          tree_.nodes[at].op = kXLocalArray;
          tree_.nodes[at].a = local_slot(token.id);
          tree_.nodes[at].b = token.id;
        } else {
          tree_.nodes[at].op = kXVariable;
          tree_.nodes[at].a = token.id;
        }
        lower_children(at, token, false);
        return;
      }
      case kNodeUnary:
        tree_.nodes[at].op = kXUnary;
        tree_.nodes[at].a = token.id;
        lower_children(at, token, false);
        return;
      case kNodeBinary: {
        ExecOp op = kXBinary;
        switch (token.id) {
          case kOpAdd:
            op = kXAdd;
            break;
          case kOpSubtract:
            op = kXSubtract;
            break;
          case kOpMultiply:
            op = kXMultiply;
            break;
          case kOpDivide:
            op = kXDivide;
            break;
          case kOpLess:
            op = kXLess;
            break;
          case kOpLessEqual:
            op = kXLessEqual;
            break;
          case kOpGreater:
            op = kXGreater;
            break;
          case kOpGreaterEqual:
            op = kXGreaterEqual;
            break;
          case kOpEqual:
            op = kXEqual;
            break;
          case kOpNotEqual:
            op = kXNotEqual;
            break;
          default:
            break;
        }
        tree_.nodes[at].op = op;
        tree_.nodes[at].a = token.id;
        lower_children(at, token, false);
        return;
      }
      case kNodeFunction: {
        RExecNode& node = tree_.nodes[at];
        if (token.id >= kFirstExtensionFunction) {
          node.op = kXCallExtension;
          node.a = token.id - kFirstExtensionFunction;
        } else if (token.id >= kFirstScriptFunction) {
          node.op = kXCallScript;
          node.a = token.id - kFirstScriptFunction;
        } else {
          const RBuiltinFunction* function = builtin_function(token.id);
          node.op = function ? kXCallBuiltin : kXNotExpression;
          node.handler = function ? function->handler : nullptr;
          node.a = token.id;
        }
        lower_children(at, token, false);
        return;
      }
      default:
        tree_.nodes[at].op = kXNotExpression;
        return;
    }
  }

  void lower_direct(const RToken& token, size_t at) {
    RExecNode& node = tree_.nodes[at];
    int32_t id = token.id;
    int32_t scope = token.scope;
    node.a = id;
    node.b = scope;
    bool user = is_user_variable(id);
    if (scope == kScopeLocal) {
      node.op = kXLocal;
      node.a = local_slot(id);
      node.b = id;
    } else if (scope == kScopeUnscoped || scope == kScopeSelf) {
      if (user) {
        node.op = scope == kScopeUnscoped ? kXUnscoped : kXSelfUser;
      } else {
        const RBuiltinVariable* builtin = builtin_variable(id);
        node.op = builtin ? kXBuiltin : kXSelfUser;
        if (builtin) {
          node.getter = builtin->get;
          node.setter = builtin->set;
        }
      }
    } else if (scope == kScopeOther) {
      node.op = kXOther;
    } else if (scope == kScopeGlobal) {
      node.op = kXGlobal;
    } else {
      node.op = kXDirect;
    }
  }

  RExecTree& tree_;
};

// --- Running ---

constexpr size_t kLocalBlock = 4096;

// Var locals of every running code piece, in blocks that never move: runs nest, so
// slots are taken and given back in stack order.
class LocalStack {
 public:
  RLocalSlot* push(size_t count) {
    if (count == 0) return nullptr;
    if (top_ == 0 || blocks_[top_ - 1].used + count > blocks_[top_ - 1].size) {
      if (top_ == blocks_.size()) blocks_.emplace_back();
      Block& block = blocks_[top_];
      if (block.size < count) {
        block.size = std::max(kLocalBlock, count);
        block.slots = std::make_unique<RLocalSlot[]>(block.size);
      }
      block.used = 0;
      ++top_;
    }
    Block& block = blocks_[top_ - 1];
    RLocalSlot* slots = &block.slots[block.used];
    block.used += count;
    return slots;
  }

  void pop(RLocalSlot* slots, size_t count) {
    if (count == 0) return;
    for (size_t i = 0; i < count; ++i) {
      slots[i].written = false;
      slots[i].variable.value = RValue();
      slots[i].variable.rows.clear();
    }
    Block& block = blocks_[top_ - 1];
    block.used -= count;
    if (block.used == 0 && top_ > 1) --top_;
  }

 private:
  struct Block {
    std::unique_ptr<RLocalSlot[]> slots;
    size_t size = 0;
    size_t used = 0;
  };
  std::vector<Block> blocks_;
  size_t top_ = 0;
};

LocalStack& local_stack() {
  static LocalStack stack;
  return stack;
}

RValue g_arguments[kMaxArguments];
// Slots from here on hold real 0 with no text: a call need not save them.
int g_arguments_used = 0;
int g_call_depth = 0;
const char* g_stack_base = nullptr;
// Deep recursion in scripts and deeply nested expressions both use the machine stack;
// stop well before it runs out.
constexpr size_t kStackLimit = size_t(4) << 20;

// How reading a variable went: a store that lacks it differs from a scope that reaches
// no store at all (compound assignments treat them differently).
enum ReadResult { kRead, kMissing, kUnreachable };

struct Context {
  CInstanceBase* self;
  CInstanceBase* other;
  CCode* code;
  RExecTree* tree;
  RLocalSlot* locals;
  bool locals_exist = false;
  std::unique_ptr<CVariableList> extra_locals;  // locals reached by a computed scope
};

class Interpreter {
 public:
  explicit Interpreter(Context& context) : c_(context) {}

  int execute(const RExecNode* node, RValue& result);
  bool eval(const RExecNode* node, RValue& out);
  // The value of an expression without copying it where it already lives (a constant, a
  // local, a variable of self); otherwise evaluated into scratch. Null on an error.
  const RValue* operand(const RExecNode* node, RValue& scratch);
  // A condition: 1 true, 0 false, -1 an error, -2 not a real.
  int condition(const RExecNode* node);
  bool binary(const RExecNode* node, RValue& out);
  // The value of a numeric node on doubles; false when it meets anything but a real (a
  // string, a missing variable, a zero divisor), and the general path must decide.
  bool real_value(const RExecNode* node, double& value);
  // Constants and locals without a call; everything else through real_value.
  bool real_operand(const RExecNode* node, double& value) {
    if (node->op == kXConstant) {
      value = node->value.real;
      return true;
    }
    if (node->op == kXLocal) {
      const RLocalSlot& slot = c_.locals[node->a];
      if (!slot.written || slot.variable.value.kind != kReal) return false;
      value = slot.variable.value.real;
      return true;
    }
    return real_value(node, value);
  }

 private:
  bool fail(const RExecNode* node, const std::string& message) {
    record_error(*c_.code, node->position, message);
    return false;
  }
  int fail_status(const RExecNode* node, const std::string& message) {
    record_error(*c_.code, node->position, message);
    return kFailed;
  }

  ReadResult read(int32_t scope, int32_t id, int32_t index, RValue& out);
  bool write(int32_t scope, int32_t id, int32_t index, const RValue& value);
  ReadResult read_local(int32_t id, int32_t index, RValue& out);
  void write_local(int32_t id, int32_t index, const RValue& value);
  RLocalSlot* slot_of(int32_t id);

  // Scope, identifier and index of a variable node.
  bool target(const RExecNode* node, int32_t& scope, int32_t& id, int32_t& index);
  // The flattened index of a variable node's index children, with the index errors.
  bool indices(const RExecNode* node, int32_t& index);
  // The same for numeric indices in range, without reporting; false sends the caller to
  // the general path.
  bool quick_index(const RExecNode* node, int32_t& index);
  RValue* local_cell(const RExecNode* node, int32_t index);
  bool read_node(const RExecNode* node, RValue& out, ReadResult& how);
  bool call(const RExecNode* node, RValue& out);

  int assign(const RExecNode* node, RValue& result);
  int with(const RExecNode* node, RValue& result);
  int run_switch(const RExecNode* node, RValue& result);
  int body_in_loop(const RExecNode* node, RValue& result, bool& stop);

  Context& c_;
};

RLocalSlot* Interpreter::slot_of(int32_t id) {
  const std::vector<int32_t>& ids = c_.tree->local_ids;
  for (size_t i = 0; i < ids.size(); ++i) {
    if (ids[i] == id) return &c_.locals[i];
  }
  return nullptr;
}

ReadResult Interpreter::read_local(int32_t id, int32_t index, RValue& out) {
  if (!c_.locals_exist) return kUnreachable;
  if (RLocalSlot* slot = slot_of(id)) {
    if (slot->written) {
      if (const RValue* cell = variable_cell(slot->variable, index)) {
        out = *cell;
        return kRead;
      }
    }
    return kMissing;
  }
  if (c_.extra_locals && c_.extra_locals->get(id, index, out)) return kRead;
  return kMissing;
}

void Interpreter::write_local(int32_t id, int32_t index, const RValue& value) {
  c_.locals_exist = true;
  if (RLocalSlot* slot = slot_of(id)) {
    if (!slot->written) {
      slot->written = true;
      slot->variable.id = id;
    }
    if (index == 0) {
      slot->variable.value = value;
    } else {
      size_t row = size_t(index) / kArrayRowSize;
      size_t column = size_t(index) % kArrayRowSize;
      auto& rows = slot->variable.rows;
      if (rows.size() <= row) rows.resize(row + 1);
      if (rows[row].size() <= column) rows[row].resize(column + 1);
      rows[row][column] = value;
    }
    return;
  }
  if (!c_.extra_locals) c_.extra_locals = std::make_unique<CVariableList>();
  c_.extra_locals->set(id, index, value);
}

ReadResult Interpreter::read(int32_t scope, int32_t id, int32_t index, RValue& out) {
  switch (scope) {
    case kScopeLocal:
      return read_local(id, index, out);
    case kScopeNoone:
      return kUnreachable;
    case kScopeUnscoped:
      if (is_globalvar(id)) return global_store().get(id, index, out) ? kRead : kMissing;
      return instance_get(c_.self, id, index, out) ? kRead : kMissing;
    case kScopeGlobal:
      return global_store().get(id, index, out) ? kRead : kMissing;
    case kScopeOther:
      return instance_get(c_.other, id, index, out) ? kRead : kMissing;
    case kScopeSelf:
      return instance_get(c_.self, id, index, out) ? kRead : kMissing;
    default: {
      CInstanceBase* instance = nullptr;
      if (scope == kScopeAll || (scope >= 0 && scope < 100000)) {
        instance = script_world().first_instance(scope);
      } else if (scope >= 100000) {
        instance = script_world().find_instance(scope);
      }
      if (!instance) return kUnreachable;
      return instance_get(instance, id, index, out) ? kRead : kMissing;
    }
  }
}

bool Interpreter::write(int32_t scope, int32_t id, int32_t index, const RValue& value) {
  switch (scope) {
    case kScopeLocal:
      write_local(id, index, value);
      return true;
    case kScopeUnscoped:
      if (is_globalvar(id)) {
        global_store().set(id, index, value);
        return true;
      }
      return instance_set(c_.self, id, index, value);
    case kScopeGlobal:
      global_store().set(id, index, value);
      return true;
    case kScopeNoone:
      return false;
    case kScopeOther:
      return instance_set(c_.other, id, index, value);
    case kScopeSelf:
      return instance_set(c_.self, id, index, value);
    default:
      return scoped_set(scope, id, index, value);
  }
}

bool Interpreter::target(const RExecNode* node, int32_t& scope, int32_t& id, int32_t& index) {
  id = node->a;
  index = 0;
  switch (node->op) {
    case kXLocal:
      scope = kScopeLocal;
      id = node->b;
      return true;
    case kXUnscoped:
      scope = kScopeUnscoped;
      return true;
    case kXSelfUser:
    case kXBuiltin:
      scope = node->b == kScopeUnscoped ? kScopeUnscoped : kScopeSelf;
      return true;
    case kXOther:
      scope = kScopeOther;
      return true;
    case kXGlobal:
      scope = kScopeGlobal;
      return true;
    case kXDirect:
      scope = node->b;
      return true;
    case kXVariable:
      break;
    case kXLocalArray:
      scope = kScopeLocal;
      id = node->b;
      return node->count < 2 || indices(node, index);
    default:
      return fail(node, "Variable name expected.");
  }
  RValue value;
  if (!eval(&node->children[0], value)) return false;
  if (value.kind != kReal) return fail(node, "Wrong type of variable index");
  scope = round_to_int32(value.real);
  return node->count < 2 || indices(node, index);
}

bool Interpreter::indices(const RExecNode* node, int32_t& index) {
  RValue value;
  int64_t indices[2] = {0, 0};
  for (uint32_t i = 1; i < node->count && i < 3; ++i) {
    if (!eval(&node->children[i], value)) return false;
    if (value.kind != kReal) return fail(node, "Wrong type of array index");
    int64_t n = round_to_int64(value.real);
    if (n < 0) return fail(node, "Negative array index");
    if (n >= kArrayRowSize) return fail(node, "Array index >= 32000");
    indices[i - 1] = n;
  }
  index = node->count == 3 ? int32_t(indices[0] * kArrayRowSize + indices[1]) : int32_t(indices[0]);
  return true;
}

bool Interpreter::quick_index(const RExecNode* node, int32_t& index) {
  int64_t parts[2] = {0, 0};
  uint32_t count = node->count - 1;
  for (uint32_t i = 0; i < count && i < 2; ++i) {
    const RExecNode* child = &node->children[1 + i];
    double value;
    if (!child->numeric || !real_operand(child, value)) return false;
    parts[i] = round_to_int64(value);
    if (parts[i] < 0 || parts[i] >= kArrayRowSize) return false;
  }
  index = count == 2 ? int32_t(parts[0] * kArrayRowSize + parts[1]) : int32_t(parts[0]);
  return true;
}

// The cell of a local array, created (with its rows) as a write needs it.
RValue* Interpreter::local_cell(const RExecNode* node, int32_t index) {
  RLocalSlot& slot = c_.locals[node->a];
  c_.locals_exist = true;
  if (!slot.written) {
    slot.written = true;
    slot.variable.id = node->b;
  }
  if (index == 0) return &slot.variable.value;
  size_t row = size_t(index) / kArrayRowSize;
  size_t column = size_t(index) % kArrayRowSize;
  auto& rows = slot.variable.rows;
  if (rows.size() <= row) rows.resize(row + 1);
  if (rows[row].size() <= column) rows[row].resize(column + 1);
  return &rows[row][column];
}

bool Interpreter::read_node(const RExecNode* node, RValue& out, ReadResult& how) {
  int32_t scope, id, index;
  if (!target(node, scope, id, index)) return false;
  how = read(scope, id, index, out);
  if (how == kRead) return true;
  if (uninitialized_zero()) {
    out = RValue();
    return true;
  }
  return fail(node, unknown_variable_message(id, index));
}

bool Interpreter::call(const RExecNode* node, RValue& out) {
  // The compiler checked the count against the function's, so no handler reads past it.
  uint32_t argc = std::min<uint32_t>(node->count, kMaxArguments);
  TInlineArray<RValue, kMaxArguments> frame(argc);
  RValue* args = frame.data();
  for (uint32_t i = 0; i < argc; ++i) {
    if (!eval(&node->children[i], args[i])) return false;
  }
  out = RValue();
  switch (node->op) {
    case kXCallBuiltin:
      node->handler(c_.self, c_.other, int(argc), args, out);
      return true;
    case kXCallScript:
      if (call_script(node->a, c_.self, c_.other, int(argc), args, out)) return true;
      // A script deleted at run time fails the call; say so rather than stay silent.
      return error_flag() ? false : fail(node, "Trying to call a script that does not exist.");
    default:
      take_call_failure_message();
      if (call_function(kFirstExtensionFunction + node->a, c_.self, c_.other, int(argc), args,
                        out)) {
        return true;
      }
      if (error_flag()) return false;
      std::string message = take_call_failure_message();
      return fail(node,
                  message.empty() ? "Trying to call an extension function that failed." : message);
  }
}

const RValue* Interpreter::operand(const RExecNode* node, RValue& scratch) {
  switch (node->op) {
    case kXConstant:
      return &node->value;
    case kXLocal: {
      RLocalSlot& slot = c_.locals[node->a];
      if (slot.written) return &slot.variable.value;
      break;
    }
    case kXUnscoped:
      if (is_globalvar(node->a)) break;
      [[fallthrough]];
    case kXSelfUser:
      if (RVariable* variable = c_.self->variables.find_hinted(node->a, node->hint)) {
        return &variable->value;
      }
      break;
    case kXLocalArray: {
      int32_t index;
      const RLocalSlot& slot = c_.locals[node->a];
      if (slot.written && quick_index(node, index)) {
        if (const RValue* cell = variable_cell(slot.variable, index)) return cell;
      }
      break;
    }
    default:
      break;
  }
  return eval(node, scratch) ? &scratch : nullptr;
}

int Interpreter::condition(const RExecNode* node) {
  if (node->numeric) {
    double value;
    if (real_operand(node, value)) return value >= 0.5;
  }
  if (node->op >= kXLess && node->op <= kXNotEqual) {
    RValue left_scratch, right_scratch;
    const RExecNode* left_node = &node->children[0];
    const RExecNode* right_node = &node->children[1];
    const RValue* left;
    if (node->children[1].pure) {
      left = operand(left_node, left_scratch);
    } else {
      left = eval(left_node, left_scratch) ? &left_scratch : nullptr;
    }
    if (!left) return -1;
    const RValue* right = operand(right_node, right_scratch);
    if (!right) return -1;
    if (left->kind == kReal && right->kind == kReal) {
      double d = left->real - right->real;
      switch (node->op) {
        case kXLess:
          return d < -kCompareTolerance;
        case kXLessEqual:
          return d <= kCompareTolerance;
        case kXGreater:
          return d > kCompareTolerance;
        case kXGreaterEqual:
          return d >= -kCompareTolerance;
        case kXEqual:
          return d > -kCompareTolerance && d < kCompareTolerance;
        default:
          return d < -kCompareTolerance || d > kCompareTolerance;
      }
    }
    RValue result = *left;
    if (const char* error = apply_binary(node->a, result, *right)) {
      fail(right_node, error);
      return -1;
    }
    return result.real >= 0.5;
  }
  RValue scratch;
  const RValue* value = operand(node, scratch);
  if (!value) return -1;
  if (value->kind != kReal) return -2;
  return value->real >= 0.5;
}

// Toward zero like trunc, without a library call: below 2^52 the integer conversion is
// exact (the sign keeps -0.0); from there on every double is whole already.
inline double truncated(double value) {
  return std::fabs(value) < 4503599627370496.0 ? std::copysign(double(int64_t(value)), value)
                                               : value;
}

// Real arithmetic of the binary operators, inline; false leaves the case (strings, a
// zero divisor, shifts and bits) to the full operator routine.
static inline bool real_binary(int32_t op, double left, double right, double& result) {
  switch (op) {
    case kOpAdd:
      result = left + right;
      return true;
    case kOpSubtract:
      result = left - right;
      return true;
    case kOpMultiply:
      result = left * right;
      return true;
    case kOpDivide:
      if (right == 0) return false;
      result = left / right;
      return true;
    case kOpDiv:
      if (right == 0) return false;
      result = truncated(left / right);
      return true;
    case kOpMod:
      if (right == 0) return false;
      result = left - truncated(left / right) * right;
      return true;
    case kOpAnd:
      result = left >= 0.5 && right >= 0.5;
      return true;
    case kOpOr:
      result = left >= 0.5 || right >= 0.5;
      return true;
    case kOpXor:
      result = (left >= 0.5) != (right >= 0.5);
      return true;
    default:
      return false;
  }
}

bool Interpreter::real_value(const RExecNode* node, double& value) {
  switch (node->op) {
    case kXConstant:
      value = node->value.real;
      return true;
    case kXLocal: {
      const RLocalSlot& slot = c_.locals[node->a];
      if (!slot.written || slot.variable.value.kind != kReal) return false;
      value = slot.variable.value.real;
      return true;
    }
    case kXUnscoped:
      if (is_globalvar(node->a)) return false;
      [[fallthrough]];
    case kXSelfUser: {
      const RVariable* variable = c_.self->variables.find_hinted(node->a, node->hint);
      if (!variable || variable->value.kind != kReal) return false;
      value = variable->value.real;
      return true;
    }
    case kXLocalArray: {
      int32_t index;
      const RLocalSlot& slot = c_.locals[node->a];
      if (!slot.written || !quick_index(node, index)) return false;
      const RValue* cell = variable_cell(slot.variable, index);
      if (!cell || cell->kind != kReal) return false;
      value = cell->real;
      return true;
    }
    case kXUnary: {
      if (!real_operand(&node->children[0], value)) return false;
      if (node->a == kOpSubtract)
        value = -value;
      else if (node->a == kOpNot)
        value = value < 0.5 ? 1.0 : 0.0;
      return true;
    }
    default:
      break;
  }
  double left, right;
  if (!real_operand(&node->children[0], left) || !real_operand(&node->children[1], right)) {
    return false;
  }
  double d = left - right;
  switch (node->a) {
    case kOpLess:
      value = d < -kCompareTolerance;
      return true;
    case kOpLessEqual:
      value = d <= kCompareTolerance;
      return true;
    case kOpGreater:
      value = d > kCompareTolerance;
      return true;
    case kOpGreaterEqual:
      value = d >= -kCompareTolerance;
      return true;
    case kOpEqual:
      value = d > -kCompareTolerance && d < kCompareTolerance;
      return true;
    case kOpNotEqual:
      value = d < -kCompareTolerance || d > kCompareTolerance;
      return true;
    default:
      return real_binary(node->a, left, right, value);
  }
}

bool Interpreter::binary(const RExecNode* node, RValue& out) {
  if (node->numeric) {
    double value;
    if (real_value(node, value)) {
      out.set_real(value);
      return true;
    }
  }
  const RExecNode* left_node = &node->children[0];
  const RExecNode* right_node = &node->children[1];
  // The left value may stay where it lives only when nothing on the right can change it.
  const RValue* left =
      right_node->pure ? operand(left_node, out) : (eval(left_node, out) ? &out : nullptr);
  if (!left) return false;
  RValue scratch;
  const RValue* right = operand(right_node, scratch);
  if (!right) return false;
  double result;
  if (left->kind == kReal && right->kind == kReal &&
      real_binary(node->a, left->real, right->real, result)) {
    out.set_real(result);
    return true;
  }
  if (left != &out) out = *left;
  const char* error = apply_binary(node->a, out, *right);
  return error ? fail(right_node, error) : true;
}

bool Interpreter::eval(const RExecNode* node, RValue& out) {
  switch (node->op) {
    case kXConstant:
      out = node->value;
      return true;
    case kXLocal: {
      RLocalSlot& slot = c_.locals[node->a];
      if (slot.written) {
        out = slot.variable.value;
        return true;
      }
      ReadResult how = read_local(node->b, 0, out);
      if (how == kRead) return true;
      if (uninitialized_zero()) {
        out = RValue();
        return true;
      }
      return fail(node, unknown_variable_message(node->b, 0));
    }
    case kXUnscoped:
      if (!is_globalvar(node->a)) {
        if (RVariable* variable = c_.self->variables.find_hinted(node->a, node->hint)) {
          out = variable->value;
          return true;
        }
      }
      break;
    case kXSelfUser:
      if (RVariable* variable = c_.self->variables.find_hinted(node->a, node->hint)) {
        out = variable->value;
        return true;
      }
      break;
    case kXBuiltin:
      if (node->getter(c_.self, 0, out)) return true;
      break;
    case kXLocalArray: {
      int32_t index;
      const RLocalSlot& slot = c_.locals[node->a];
      if (slot.written && quick_index(node, index)) {
        if (const RValue* cell = variable_cell(slot.variable, index)) {
          out = *cell;
          return true;
        }
      }
      break;
    }
    case kXOther:
    case kXGlobal:
    case kXDirect:
    case kXVariable:
      break;
    case kXUnary: {
      if (!eval(&node->children[0], out)) return false;
      if (node->a == kOpSubtract && out.kind == kReal) {
        out.real = -out.real;
        return true;
      }
      const char* error = apply_unary(node->a, out);
      return error ? fail(node, error) : true;
    }
    case kXAdd:
    case kXSubtract:
    case kXMultiply:
    case kXDivide:
    case kXBinary:
      return binary(node, out);
    case kXLess:
    case kXLessEqual:
    case kXGreater:
    case kXGreaterEqual:
    case kXEqual:
    case kXNotEqual: {
      int truth = condition(node);
      if (truth < 0) return false;
      out.set_real(truth ? 1.0 : 0.0);
      return true;
    }
    case kXCallBuiltin:
    case kXCallScript:
    case kXCallExtension:
      return call(node, out);
    default:
      return fail(node, "(Sub-)expression expected.");
  }
  // The general read, for every variable the fast paths above did not serve.
  ReadResult how;
  return read_node(node, out, how);
}

int Interpreter::assign(const RExecNode* node, RValue& result) {
  const RExecNode* target_node = &node->children[0];
  const RExecNode* value_node = &node->children[1];
  int32_t op = node->a;

  // The common case: a plain assignment to a local or a self variable.
  if (op == kTokenAssign) {
    if (target_node->op == kXLocal) {
      double number;
      if (value_node->numeric && real_operand(value_node, number)) {
        RLocalSlot& slot = c_.locals[target_node->a];
        c_.locals_exist = true;
        if (!slot.written) {
          slot.written = true;
          slot.variable.id = target_node->b;
        }
        store_real(slot.variable.value, number);
        store_real(result, number);
        return kOk;
      }
      if (!eval(value_node, result)) return kFailed;
      RLocalSlot& slot = c_.locals[target_node->a];
      c_.locals_exist = true;
      if (!slot.written) {
        slot.written = true;
        slot.variable.id = target_node->b;
      }
      slot.variable.value = result;
      return kOk;
    }
    if (target_node->op == kXUnscoped || target_node->op == kXSelfUser) {
      if (!eval(value_node, result)) return kFailed;
      if (target_node->op == kXUnscoped && is_globalvar(target_node->a)) {
        global_store().set(target_node->a, 0, result);
        return kOk;
      }
      RVariable* variable = c_.self->variables.find_hinted(target_node->a, target_node->hint);
      if (variable) {
        variable->value = result;
      } else {
        c_.self->variables.set(target_node->a, 0, result);
      }
      return kOk;
    }
  }

  // A local array cell with numeric indices.
  if (target_node->op == kXLocalArray) {
    int32_t index;
    if (quick_index(target_node, index)) {
      if (op == kTokenAssign) {
        if (!eval(value_node, result)) return kFailed;
        *local_cell(target_node, index) = result;
        return kOk;
      }
      const RLocalSlot& slot = c_.locals[target_node->a];
      const RValue* existing = slot.written ? variable_cell(slot.variable, index) : nullptr;
      double number;
      if (existing && existing->kind == kReal && op >= kTokenAddAssign &&
          op <= kTokenDivideAssign && value_node->numeric && real_operand(value_node, number) &&
          (op != kTokenDivideAssign || number != 0)) {
        RValue* cell = local_cell(target_node, index);
        apply_in_place(op, cell->real, number);
        store_real(result, cell->real);
        return kOk;
      }
    }
  }

  // Real arithmetic on a local or a variable of self that exists, in place.
  if (op >= kTokenAddAssign && op <= kTokenDivideAssign && value_node->pure) {
    RValue* cell = nullptr;
    if (target_node->op == kXLocal) {
      RLocalSlot& slot = c_.locals[target_node->a];
      if (slot.written) cell = &slot.variable.value;
    } else if (target_node->op == kXSelfUser ||
               (target_node->op == kXUnscoped && !is_globalvar(target_node->a))) {
      RVariable* variable = c_.self->variables.find_hinted(target_node->a, target_node->hint);
      if (variable) cell = &variable->value;
    }
    double number;
    if (cell && cell->kind == kReal && value_node->numeric && real_operand(value_node, number) &&
        (op != kTokenDivideAssign || number != 0)) {
      apply_in_place(op, cell->real, number);
      store_real(result, cell->real);
      return kOk;
    }
    if (cell && cell->kind == kReal) {
      RValue scratch;
      const RValue* value = operand(value_node, scratch);
      if (!value) return kFailed;
      if (value->kind == kReal && (op != kTokenDivideAssign || value->real != 0)) {
        switch (op) {
          case kTokenAddAssign:
            cell->real += value->real;
            break;
          case kTokenSubtractAssign:
            cell->real -= value->real;
            break;
          case kTokenMultiplyAssign:
            cell->real *= value->real;
            break;
          default:
            cell->real /= value->real;
            break;
        }
        result.set_real(cell->real);
        return kOk;
      }
    }
  }

  int32_t scope, id, index;
  if (!target(target_node, scope, id, index)) return kFailed;
  RValue value;
  if (!eval(value_node, value)) return kFailed;
  if (op == kTokenAssign) {
    result = std::move(value);
  } else {
    ReadResult how = read(scope, id, index, result);
    if (how != kRead) {
      if (!uninitialized_zero()) {
        return fail_status(target_node, unknown_variable_message(id, index));
      }
      result = RValue();
      if (how == kUnreachable) return kOk;
    }
    int32_t binary;
    switch (op) {
      case kTokenAddAssign:
        binary = kOpAdd;
        break;
      case kTokenSubtractAssign:
        binary = kOpSubtract;
        break;
      case kTokenMultiplyAssign:
        binary = kOpMultiply;
        break;
      case kTokenDivideAssign:
        binary = kOpDivide;
        break;
      case kTokenOrAssign:
        binary = kOpBitOr;
        break;
      case kTokenAndAssign:
        binary = kOpBitAnd;
        break;
      default:
        binary = kOpBitXor;
        break;
    }
    if (binary == kOpAdd && result.kind == kReal && value.kind == kReal) {
      result.real += value.real;
    } else if (const char* error = apply_binary(binary, result, value)) {
      return fail_status(value_node, error);
    }
  }
  if (!write(scope, id, index, result))
    return fail_status(target_node, "Cannot assign to the variable");
  return kOk;
}

// A loop body's status: 0 and continue go on; break ends the loop with 0; anything else
// ends it with that status.
int Interpreter::body_in_loop(const RExecNode* node, RValue& result, bool& stop) {
  // A loop that never ends must still give way when the player insists on stopping.
  check_abort();
  int status = execute(node, result);
  if (status == kOk || status == kContinue) {
    stop = false;
    return kOk;
  }
  stop = true;
  return status == kBreak ? kOk : status;
}

int Interpreter::with(const RExecNode* node, RValue& result) {
  RValue value;
  if (!eval(&node->children[0], value)) return kFailed;
  if (value.kind != kReal) return fail_status(node, "Object id expected");
  int64_t t = round_to_int64(value.real);
  const RExecNode* body = &node->children[1];
  CInstanceBase* old_self = c_.self;
  CInstanceBase* old_other = c_.other;
  auto run_once = [&](CInstanceBase* self, CInstanceBase* other) {
    c_.self = self;
    c_.other = other;
    int status = execute(body, result);
    c_.self = old_self;
    c_.other = old_other;
    return status;
  };
  int status = kOk;
  if (t == kScopeLocal) return fail_status(node, "Cannot use local in with statement.");
  if (t == kScopeGlobal) return fail_status(node, "Cannot use global in with statement.");
  if (t == kScopeNoone) return kOk;
  if (t == kScopeOther) {
    status = run_once(old_other, old_self);
  } else if (t >= -7 && t <= -1 && t != kScopeAll) {
    status = run_once(old_self, old_self);
  } else if (t >= 100000) {
    CInstanceBase* instance = script_world().find_instance(int32_t(t));
    if (instance && instance->reachable()) status = run_once(instance, old_self);
  } else if (t == kScopeAll || (t >= 0 && t < 100000)) {
    std::vector<CInstanceBase*> targets;
    script_world().collect_instances(int32_t(t), targets);
    for (CInstanceBase* instance : targets) {
      if (!instance->reachable()) continue;
      status = run_once(instance, old_self);
      if (status == kOk || status == kContinue) {
        status = kOk;
        continue;
      }
      if (status == kBreak) status = kOk;
      break;
    }
  }
  return status == kContinue ? kOk : status;
}

int Interpreter::run_switch(const RExecNode* node, RValue& result) {
  RValue value;
  if (!eval(&node->children[0], value)) return kFailed;
  uint32_t start = node->count;
  for (uint32_t i = 1; i < node->count; ++i) {
    const RExecNode* child = &node->children[i];
    if (child->op == kSDefault) {
      start = i + 1;
      break;
    }
    if (child->op != kSCase) continue;
    RValue label;
    if (child->count < 1 || !eval(&child->children[0], label)) return kFailed;
    bool match = label.kind == value.kind &&
                 (value.kind == kReal ? label.real == value.real : label.string == value.string);
    if (match) {
      start = i + 1;
      break;
    }
  }
  for (uint32_t i = start; i < node->count; ++i) {
    const RExecNode* child = &node->children[i];
    if (child->op == kSCase || child->op == kSDefault) continue;
    int status = execute(child, result);
    if (status == kBreak) return kOk;
    if (status != kOk) return status;
  }
  return kOk;
}

int Interpreter::execute(const RExecNode* node, RValue& result) {
  switch (node->op) {
    case kSBlock:
      for (uint32_t i = 0; i < node->count; ++i) {
        int status = execute(&node->children[i], result);
        if (status != kOk) return status;
      }
      return kOk;
    case kSCall:
      return eval(&node->children[0], result) ? kOk : kFailed;
    case kSAssign:
      return assign(node, result);
    case kSIf: {
      int truth = condition(&node->children[0]);
      if (truth == -1) return kFailed;
      if (truth == -2) return fail_status(node, "Expression expected");
      if (truth) return execute(&node->children[1], result);
      return node->count > 2 ? execute(&node->children[2], result) : kOk;
    }
    case kSWhile:
      for (;;) {
        int truth = condition(&node->children[0]);
        if (truth == -1) return kFailed;
        if (truth == -2) return fail_status(node, "Boolean expression expected");
        if (!truth) return kOk;
        bool stop;
        int status = body_in_loop(&node->children[1], result, stop);
        if (stop) return status;
      }
    case kSDo:
      for (;;) {
        bool stop;
        int status = body_in_loop(&node->children[0], result, stop);
        if (stop) return status;
        int truth = condition(&node->children[1]);
        if (truth == -1) return kFailed;
        if (truth == -2) return fail_status(node, "Boolean expression expected");
        if (truth) return kOk;
      }
    case kSFor: {
      RValue scratch;
      int status = execute(&node->children[0], scratch);
      if (status != kOk) return status;
      for (;;) {
        int truth = condition(&node->children[1]);
        if (truth == -1) return kFailed;
        if (truth == -2) return fail_status(node, "Expression expected");
        if (!truth) return kOk;
        bool stop;
        status = body_in_loop(&node->children[3], result, stop);
        if (stop) return status;
        status = execute(&node->children[2], scratch);
        if (status != kOk) return status;
      }
    }
    case kSRepeat: {
      RValue count;
      if (!eval(&node->children[0], count)) return kFailed;
      if (count.kind != kReal) return fail_status(node, "Repeat count must be a number");
      int64_t times = round_to_int64(count.real);
      for (int64_t i = 0; i < times; ++i) {
        bool stop;
        int status = body_in_loop(&node->children[1], result, stop);
        if (stop) return status;
      }
      return kOk;
    }
    case kSExit:
      return kExitCode;
    case kSReturn:
      return eval(&node->children[0], result) ? kExitCode : kFailed;
    case kSBreak:
      return kBreak;
    case kSContinue:
      return kContinue;
    case kSWith:
      return with(node, result);
    case kSSwitch:
      return run_switch(node, result);
    case kSCase:
      return fail_status(node, "Case statement only allowed inside switch statement.");
    case kSDefault:
      return fail_status(node, "Default statement only allowed inside switch statement.");
    case kSNothing:
      return kOk;
    case kSGlobalvar:
      for (uint32_t i = 0; i < node->count; ++i) globalvar_declare(node->children[i].a);
      return kOk;
    default:
      return fail_status(node, "Statement expected.");
  }
}

RExecTree* exec_tree_of(CCode& code) {
  if (!code.exec_tree()) {
    auto* tree = new RExecTree();
    TreeBuilder(*tree).build(code.root(), code.is_program());
    code.set_exec_tree(tree);
  }
  return code.exec_tree();
}

// Keeps the depth and stack use of nested runs within bounds.
class CallGuard {
 public:
  CallGuard() {
    char marker;
    if (g_call_depth == 0) g_stack_base = &marker;
    ++g_call_depth;
    ok_ = g_call_depth <= kMaxCallDepth &&
          size_t(g_stack_base > &marker ? g_stack_base - &marker : &marker - g_stack_base) <
              kStackLimit;
  }
  ~CallGuard() { --g_call_depth; }
  bool ok() const { return ok_; }

 private:
  bool ok_;
};

}  // namespace

RValue* argument_slots() {
  g_arguments_used = kMaxArguments;
  return g_arguments;
}

const RValue& argument_value(int index) { return g_arguments[index]; }

void set_argument(int index, const RValue& value) {
  g_arguments[index] = value;
  g_arguments_used = std::max(g_arguments_used, index + 1);
}

bool run_code(CInstanceBase* self, CInstanceBase* other, CCode& code, RValue& result) {
  clear_error_flag();
  if (!code.compiled()) {
    record_error(code, 1, "Internal Error: Executing non-compiled code.");
    return false;
  }
  if (code.kind() == kCodeConstant) {
    result = code.constant();
    return true;
  }
  if (!self || !other) {
    record_error(code, 1, "Internal Error: Executing code for nil instance.");
    return false;
  }
  CallGuard guard;
  if (!guard.ok()) {
    record_error(code, 1, "Script calls are nested too deeply.");
    return false;
  }
  RExecTree* tree = exec_tree_of(code);
  const RExecNode* root = &tree->nodes[0];
  size_t locals = tree->local_ids.size();
  Context context{self, other, &code, tree, local_stack().push(locals), false, nullptr};
  Interpreter interpreter(context);
  int status;
  if (code.kind() == kCodeExpression) {
    status = interpreter.eval(root, result) ? kOk : kFailed;
  } else if (code.root().kind == kNodeEmptyProgram) {
    status = kOk;
  } else if (code.root().kind != kNodeBlock) {
    record_error(code, code.root().position, "This is not a program.");
    status = kFailed;
  } else {
    status = interpreter.execute(root, result);
  }
  local_stack().pop(context.locals, locals);
  return status != kFailed;
}

bool run_and_report(CInstanceBase* self, CInstanceBase* other, CCode& code, RValue& result) {
  if (run_code(self, other, code, result)) return true;
  report_runtime_error(last_error_message(), false);
  clear_error_flag();
  return false;
}

bool run_for_value(CInstanceBase* self, CInstanceBase* other, CCode& code, RValue& result) {
  if (run_code(self, other, code, result)) return true;
  result = RValue("ERROR");
  return false;
}

bool call_function(int32_t id, CInstanceBase* self, CInstanceBase* other, int argc,
                   const RValue* args, RValue& result) {
  result = RValue();
  argc = std::clamp(argc, 0, kMaxArguments);
  if (id < kFirstScriptFunction) {
    const RBuiltinFunction* function = builtin_function(id);
    if (!function) return true;
    RValue slots[kMaxArguments];
    for (int i = 0; i < argc; ++i) slots[i] = args[i];
    function->handler(self, other, argc, slots, result);
    return true;
  }
  if (id >= kFirstExtensionFunction) {
    const RExtensionLookup& extensions = extension_lookup();
    return extensions.call &&
           extensions.call(id - kFirstExtensionFunction, self, other, argc, args, result);
  }
  RValue copies[kMaxArguments];
  for (int i = 0; i < argc; ++i) copies[i] = args[i];
  return call_script(id - kFirstScriptFunction, self, other, argc, copies, result);
}

bool call_script(int32_t index, CInstanceBase* self, CInstanceBase* other, int argc, RValue* args,
                 RValue& result) {
  result = RValue();
  CScript* script = script_get(index);
  if (!script || !script->code) return false;
  // Recursion without a loop is the other way code can run for ever.
  check_abort();
  // The caller's arguments come back afterwards, whatever the script did to them. The
  // arguments are moved in and out, so no text is copied.
  // Swapping leaves the slots at real 0 and the caller's values in saved; slots never
  // written need no saving.
  int used = g_arguments_used;
  TInlineArray<RValue, kMaxArguments> saved{size_t(used)};
  for (int i = 0; i < used; ++i) saved[i].swap(g_arguments[i]);
  for (int i = 0; i < argc; ++i) g_arguments[i].swap(args[i]);
  g_arguments_used = argc;
  bool ok = run_for_value(self, other, *script->code, result);
  if (!ok) {
    set_last_error_message("In script " + script_name(index) + ":\r" + last_error_message());
  }
  // Slots the script wrote beyond the caller's go back to real 0.
  for (int i = 0; i < used; ++i) g_arguments[i].swap(saved[i]);
  for (int i = used; i < g_arguments_used; ++i) g_arguments[i] = RValue();
  g_arguments_used = used;
  return ok;
}

}  // namespace vn
