#include "script/Code_Function.h"

#include <unordered_map>
#include <vector>

#include "script/Script_Main.h"

namespace vn {

namespace {
struct FunctionRegistry {
  std::vector<RBuiltinFunction> entries;
  std::unordered_map<std::string, int32_t> first_by_name;
  RExtensionLookup extensions;
};

FunctionRegistry& registry() {
  static FunctionRegistry instance;
  return instance;
}
}  // namespace

void register_function(std::string_view name, FunctionHandler handler, int argument_count) {
  FunctionRegistry& table = registry();
  std::string stored(name.substr(0, 64));
  // A name registered twice is reachable only through its first registration.
  table.first_by_name.emplace(stored, int32_t(table.entries.size()));
  table.entries.push_back(RBuiltinFunction{std::move(stored), handler, argument_count});
}

const RBuiltinFunction* builtin_function(int32_t id) {
  const auto& entries = registry().entries;
  return id >= 0 && size_t(id) < entries.size() ? &entries[size_t(id)] : nullptr;
}

size_t builtin_function_count() { return registry().entries.size(); }

void set_extension_lookup(RExtensionLookup lookup) { registry().extensions = std::move(lookup); }
const RExtensionLookup& extension_lookup() { return registry().extensions; }

bool find_function(std::string_view name, int32_t& id) {
  int32_t script = find_script(name);
  if (script >= 0) {
    id = kFirstScriptFunction + script;
    return true;
  }
  const FunctionRegistry& table = registry();
  if (table.extensions.find) {
    int32_t extension = table.extensions.find(name);
    if (extension >= 0) {
      id = kFirstExtensionFunction + extension;
      return true;
    }
  }
  auto found = table.first_by_name.find(std::string(name));
  if (found == table.first_by_name.end()) return false;
  id = found->second;
  return true;
}

int function_argument_count(int32_t id) {
  if (id >= kFirstExtensionFunction) {
    const RExtensionLookup& extensions = registry().extensions;
    return extensions.argument_count ? extensions.argument_count(id - kFirstExtensionFunction)
                                     : -100;
  }
  if (id >= kFirstScriptFunction) return kVariableArguments;
  const RBuiltinFunction* function = builtin_function(id);
  return function ? function->argument_count : -100;
}

std::string function_name(int32_t id) {
  if (id >= kFirstExtensionFunction) {
    const RExtensionLookup& extensions = registry().extensions;
    return extensions.name ? extensions.name(id - kFirstExtensionFunction) : "<undefined>";
  }
  if (id >= kFirstScriptFunction) return script_name(id - kFirstScriptFunction);
  const RBuiltinFunction* function = builtin_function(id);
  return function ? function->name : "<undefined>";
}

}  // namespace vn
