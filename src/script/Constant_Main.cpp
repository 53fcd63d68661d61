#include "script/Constant_Main.h"

#include "platform/Platform_MessageBox.h"
#include "script/Code_Constant.h"
#include "script/Code_Exec.h"
#include "script/Code_Function.h"
#include "script/Code_Main.h"

namespace vn {

namespace {

bool is_blank(char c) { return static_cast<unsigned char>(c) <= 32; }
bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string trimmed_constant_name(const std::string& name) {
  size_t start = 0;
  size_t end = name.size();
  while (start < end && is_blank(name[start])) ++start;
  while (end > start && is_blank(name[end - 1])) --end;
  return name.substr(start, end - start);
}

bool valid_constant_name(const std::string& name) {
  if (name.empty() || !(is_letter(name[0]) || name[0] == '_')) return false;
  for (char c : name) {
    if (!is_letter(c) && !is_digit(c) && c != '_') return false;
  }
  return true;
}

bool calls_script(const RToken& node) {
  if (node.kind == kNodeFunction && node.id >= kFirstScriptFunction &&
      node.id < kFirstExtensionFunction) {
    return true;
  }
  for (const RToken& child : node.children) {
    if (calls_script(child)) return true;
  }
  return false;
}

bool define_constant(const std::string& name_text, const std::string& value_text) {
  const std::string name = trimmed_constant_name(name_text);
  if (!valid_constant_name(name)) {
    show_message_box("", "Constant name " + name + "  is not valid.");
    return false;
  }
  CCode code(value_text, true);
  bool defined = code.compile() && !calls_script(code.root());
  RValue value;
  if (defined) {
    // Values are evaluated with a blank instance as self and other.
    CInstanceBase instance(0, 0);
    defined = run_for_value(&instance, &instance, code, value);
  }
  if (!defined) {
    show_message_box("", "Value for constant " + name + "  is not valid.");
    return false;
  }
  add_constant(name, value);
  return true;
}

bool define_game_constants(const std::vector<RConstant>& constants) {
  for (const RConstant& constant : constants) {
    if (!define_constant(constant.name, constant.value)) return false;
  }
  return true;
}

}  // namespace vn
