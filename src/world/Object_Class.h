// An object as stored: its defaults for new instances and its events.
#pragma once

#include <array>
#include <vector>

#include "world/Event_Class.h"

namespace vn {

constexpr int kEventTypeCount = 12;

struct REventEntry {
  int number = 0;
  CEvent event;
  bool operator==(const REventEntry&) const = default;
};

class CObject {
 public:
  int sprite_index = -1;
  bool solid = false;
  bool visible = true;
  int depth = 0;
  bool persistent = false;
  int parent_index = -1;
  int mask_index = -1;
  // The highest event type written in the record (-1: no event lists at all). Kept
  // so that a record is written back as it was read.
  int last_event_type = kEventTypeCount - 1;
  // Per event type, the events in stored order; a number appears at most once.
  std::array<std::vector<REventEntry>, kEventTypeCount> events;

  CEvent* find_event(int type, int number);
  // Finds or creates the event (type, number); type must be within 0 ... 11.
  CEvent& event(int type, int number);

  // Object record, version 430.
  void read(CStream& stream, const RRecordContext& context);
  void write(CStream& stream) const;

  bool operator==(const CObject&) const = default;
};

}  // namespace vn
