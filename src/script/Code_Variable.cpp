#include "script/Code_Variable.h"

#include <unordered_map>
#include <vector>

#include "script/Variable_Main.h"

namespace vn {

namespace {
struct UserNames {
  std::vector<std::string> names;
  std::unordered_map<std::string, int32_t> positions;
};

UserNames& user_names() {
  static UserNames instance;
  return instance;
}
}  // namespace

int32_t user_variable_id(std::string_view name) {
  UserNames& list = user_names();
  std::string key(name);
  auto found = list.positions.find(key);
  if (found != list.positions.end()) return kFirstUserVariable + found->second;
  int32_t position = int32_t(list.names.size());
  list.names.push_back(key);
  list.positions.emplace(std::move(key), position);
  return kFirstUserVariable + position;
}

int32_t variable_id(std::string_view name) {
  int32_t builtin = find_builtin_variable(name);
  return builtin >= 0 ? builtin : user_variable_id(name);
}

std::string variable_name(int32_t id) {
  if (id >= kFirstUserVariable) {
    size_t position = size_t(id - kFirstUserVariable);
    if (position < user_names().names.size()) return user_names().names[position];
    return "<unknown variable>";
  }
  if (const RBuiltinVariable* builtin = builtin_variable(id)) return builtin->name;
  return "<unknown built-in variable>";
}

size_t user_name_count() { return user_names().names.size(); }

}  // namespace vn
