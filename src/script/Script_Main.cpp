#include "script/Script_Main.h"

#include <unordered_map>

#include "script/Code_Error.h"
#include "script/Code_Main.h"

namespace vn {

namespace {
struct ScriptStore {
  TResourceList<CScript>* list = nullptr;
  std::unordered_map<std::string, int32_t> first_by_name;
};

ScriptStore& store() {
  static ScriptStore instance;
  return instance;
}
}  // namespace

void set_scripts(TResourceList<CScript>* scripts) {
  store().list = scripts;
  scripts_changed();
}

TResourceList<CScript>* scripts() { return store().list; }

void scripts_changed() {
  ScriptStore& s = store();
  s.first_by_name.clear();
  if (!s.list) return;
  for (size_t i = 0; i < s.list->size(); ++i) {
    if (s.list->items[i]) s.first_by_name.emplace(s.list->names[i], int32_t(i));
  }
}

bool compile_scripts() {
  TResourceList<CScript>* list = store().list;
  if (!list) return true;
  for (size_t i = 0; i < list->size(); ++i) {
    CScript* script = list->items[i].get();
    if (!script) continue;
    script->code = std::make_unique<CCode>(script->source, false);
    if (!script->code->compile()) {
      display_error("COMPILATION ERROR in Script: " + list->names[i] + "\r" + last_error_message(),
                    true);
      return false;
    }
  }
  return true;
}

bool script_exists(int64_t index) { return store().list && store().list->exists(index); }

std::string script_name(int64_t index) {
  return script_exists(index) ? store().list->names[size_t(index)] : "<undefined>";
}

int32_t find_script(std::string_view name) {
  const auto& names = store().first_by_name;
  auto found = names.find(std::string(name));
  return found == names.end() ? -1 : found->second;
}

CScript* script_get(int64_t index) { return script_exists(index) ? store().list->get(index) : nullptr; }

}  // namespace vn
