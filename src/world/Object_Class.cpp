#include "world/Object_Class.h"

#include <algorithm>

namespace vn {

constexpr int32_t kObjectVersion = 430;

CEvent* CObject::find_event(int type, int number) {
  if (type < 0 || type >= kEventTypeCount) {
    return nullptr;
  }
  for (REventEntry& entry : events[size_t(type)]) {
    if (entry.number == number) {
      return &entry.event;
    }
  }
  return nullptr;
}

CEvent& CObject::event(int type, int number) {
  if (CEvent* existing = find_event(type, number)) {
    return *existing;
  }
  events[size_t(type)].push_back(REventEntry{number, CEvent()});
  return events[size_t(type)].back().event;
}

void CObject::read(CStream& stream, const RRecordContext& context) {
  *this = CObject();
  expect_version(stream, kObjectVersion);
  sprite_index = read_int(stream);
  solid = read_bool(stream);
  visible = read_bool(stream);
  depth = read_int(stream);
  persistent = read_bool(stream);
  parent_index = read_int(stream);
  mask_index = read_int(stream);
  int32_t last = read_int(stream);
  if (last >= kEventTypeCount) {
    throw DataError("event type " + std::to_string(last) + " does not exist");
  }
  last_event_type = last < 0 ? -1 : last;
  for (int type = 0; type <= last_event_type; ++type) {
    for (;;) {
      int32_t number = read_int(stream);
      if (number == -1) {
        break;
      }
      if (number < 0) {
        throw DataError("negative event number");
      }
      event(type, number).read(stream, context);
    }
  }
}

void CObject::write(CStream& stream) const {
  write_int(stream, kObjectVersion);
  write_int(stream, sprite_index);
  write_bool(stream, solid);
  write_bool(stream, visible);
  write_int(stream, depth);
  write_bool(stream, persistent);
  write_int(stream, parent_index);
  write_int(stream, mask_index);
  int last = last_event_type;
  for (int type = 0; type < kEventTypeCount; ++type) {
    if (!events[size_t(type)].empty()) {
      last = std::max(last, type);
    }
  }
  write_int(stream, last);
  for (int type = 0; type <= last; ++type) {
    for (const REventEntry& entry : events[size_t(type)]) {
      write_int(stream, entry.number);
      entry.event.write(stream);
    }
    write_int(stream, -1);
  }
}

}  // namespace vn
