#include "script/Variable_Main.h"

#include <unordered_map>
#include <vector>

#include "platform/Platform_MessageBox.h"
#include "script/Code_Variable.h"
#include "script/Code_World.h"

namespace vn {

namespace {
struct BuiltinRegistry {
  std::vector<RBuiltinVariable> entries;
  std::unordered_map<std::string, int32_t> first_by_name;
};

BuiltinRegistry& registry() {
  static BuiltinRegistry instance;
  return instance;
}

constexpr size_t kInitialGlobalvarFlags = 10000;

struct Globals {
  CVariableList store;
  std::vector<bool> globalvar = std::vector<bool>(kInitialGlobalvarFlags, false);
};

Globals& globals() {
  static Globals instance;
  return instance;
}

bool uninitialized_zero_setting = false;
}  // namespace

void register_variable(std::string_view name, VariableGetter get, VariableSetter set) {
  BuiltinRegistry& table = registry();
  if (table.entries.size() >= kMaxBuiltinVariables) {
    show_message_box("", "INTERNAL ERROR: Adding too many variables");
    return;
  }
  std::string stored(name.substr(0, 64));
  table.first_by_name.emplace(stored, int32_t(table.entries.size()));
  table.entries.push_back(RBuiltinVariable{std::move(stored), get, set});
}

int32_t find_builtin_variable(std::string_view name) {
  const auto& names = registry().first_by_name;
  auto found = names.find(std::string(name));
  return found == names.end() ? -1 : found->second;
}

const RBuiltinVariable* builtin_variable(int32_t id) {
  const auto& entries = registry().entries;
  return id >= 0 && size_t(id) < entries.size() ? &entries[size_t(id)] : nullptr;
}

size_t builtin_variable_count() { return registry().entries.size(); }

bool& uninitialized_zero() { return uninitialized_zero_setting; }

CVariableList& global_store() { return globals().store; }

void globals_reset() {
  globals().store.clear();
  globals().globalvar.assign(kInitialGlobalvarFlags, false);
}

void globalvar_declare(int32_t id) {
  if (!is_user_variable(id)) return;
  std::vector<bool>& flags = globals().globalvar;
  size_t position = size_t(id - kFirstUserVariable);
  if (position >= flags.size()) flags.resize(position + 1000, false);
  flags[position] = true;
  globals().store.declare(id);
}

bool is_globalvar(int32_t id) {
  const std::vector<bool>& flags = globals().globalvar;
  size_t position = size_t(int64_t(id) - kFirstUserVariable);
  return id >= kFirstUserVariable && position < flags.size() && flags[position];
}

constexpr int32_t kGlobalsVersion = 700;

void globals_save(CStream& stream) {
  write_int(stream, kGlobalsVersion);
  globals().store.save(stream);
  const std::vector<bool>& flags = globals().globalvar;
  write_int(stream, int32_t(flags.size()));
  std::vector<uint8_t> bytes(flags.begin(), flags.end());
  stream.write(bytes);
}

void globals_load(CStream& stream) {
  if (read_int(stream) != kGlobalsVersion) return;
  globals().store.load(stream);
  size_t count = stream.checked_count(read_int(stream), 1);
  std::vector<uint8_t> bytes(count);
  stream.read(bytes.data(), count);
  globals().globalvar.assign(bytes.begin(), bytes.end());
}

bool instance_get(CInstanceBase* instance, int32_t id, int32_t index, RValue& out) {
  if (id > 9999) {
    if (instance->variables.get(id, index, out)) return true;
    if (uninitialized_zero_setting) {
      out = RValue();
      return true;
    }
    return false;
  }
  const RBuiltinVariable* builtin = builtin_variable(id);
  return builtin && builtin->get(instance, index, out);
}

bool instance_set(CInstanceBase* instance, int32_t id, int32_t index, const RValue& value) {
  if (id > 9999) {
    instance->variables.set(id, index, value);
    return true;
  }
  const RBuiltinVariable* builtin = builtin_variable(id);
  return builtin && builtin->set && builtin->set(instance, index, value);
}

bool scoped_get(int32_t scope, int32_t id, int32_t index, RValue& out) {
  CInstanceBase* instance = nullptr;
  if (scope == -3 || (scope >= 0 && scope < 100000)) {
    instance = script_world().first_instance(scope);
  } else if (scope >= 100000) {
    instance = script_world().find_instance(scope);
  }
  return instance && instance_get(instance, id, index, out);
}

bool scoped_set(int32_t scope, int32_t id, int32_t index, const RValue& value) {
  if (scope >= 100000) {
    CInstanceBase* instance = script_world().find_instance(scope);
    return !instance || instance_set(instance, id, index, value);
  }
  if (scope != -3 && scope < 0) return false;
  std::vector<CInstanceBase*> targets;
  script_world().collect_instances(scope, targets);
  bool result = true;
  for (CInstanceBase* instance : targets) {
    if (instance->reachable()) result = instance_set(instance, id, index, value);
  }
  return result;
}

std::string unknown_variable_message(int32_t id, int32_t index) {
  std::string message = "Unknown variable " + variable_name(id);
  if (index != 0) message += " or array index out of bounds";
  return message;
}

}  // namespace vn
