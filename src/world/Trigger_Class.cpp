#include "world/Trigger_Class.h"

#include "support/Support_Record.h"

namespace vn {

constexpr int32_t kTriggerVersion = 800;

void CTrigger::read(CStream& stream) {
  *this = CTrigger();
  expect_version(stream, kTriggerVersion);
  name = read_string(stream);
  condition = read_string(stream);
  moment = read_int(stream);
  constant_name = read_string(stream);
}

void CTrigger::write(CStream& stream) const {
  write_int(stream, kTriggerVersion);
  write_string(stream, name);
  write_string(stream, condition);
  write_int(stream, moment);
  write_string(stream, constant_name);
}

}  // namespace vn
