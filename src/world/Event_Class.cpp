#include "world/Event_Class.h"

namespace vn {

constexpr int32_t kEventVersion = 400;
// An action record holds at least its fifteen integers and booleans and three counts.
constexpr size_t kMinActionRecord = 18 * 4;

void CEvent::read(CStream& stream, const RRecordContext& context) {
  *this = CEvent();
  expect_version(stream, kEventVersion);
  actions.resize(read_count(stream, kMinActionRecord));
  for (CAction& action : actions) {
    action.read(stream, context);
  }
}

void CEvent::write(CStream& stream) const {
  write_int(stream, kEventVersion);
  write_int(stream, int32_t(actions.size()));
  for (const CAction& action : actions) {
    action.write(stream);
  }
}

}  // namespace vn
