#include "script/Script_Class.h"

#include "support/Support_Record.h"

namespace vn {

constexpr int32_t kScriptVersion = 800;

void CScript::read(CStream& stream) {
  *this = CScript();
  expect_version(stream, kScriptVersion);
  source = read_string(stream);
}

void CScript::write(CStream& stream) const {
  write_int(stream, kScriptVersion);
  write_string(stream, source);
}

}  // namespace vn
