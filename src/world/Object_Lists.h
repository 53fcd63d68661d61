// The walk every listed dispatch shares: the objects of an event object list in
// ascending order, and within each object its own instances in room order.
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "world/Object_Main.h"
#include "world/Room_Main.h"
#include "world/Run_Main.h"

namespace vn {

// Calls visit(instance, found event) for every instance of every object listed for
// (type, number) that is not destroyed, until a request is pending. How many instances
// each object has is taken when the walk starts, so instances created by the events it
// runs are not visited by it, whichever object they belong to. When the lists are
// rebuilt meanwhile (an object gained an event), the walk goes on from the next object of
// the new lists.
template <typename Visit>
void for_each_listed(int32_t type, int32_t number, Visit&& visit) {
  const std::vector<RListedEvent>* list = listed_events(type, number);
  if (!list || list->empty()) return;
  CLiveRoom* room = current_room();
  if (!room) return;
  const RWorldState& world = world_state();
  uint64_t generation = world.event_lists_generation;
  // (object, instance count) in list order; one allocation per walk that has work.
  std::vector<std::pair<int32_t, size_t>> counts;
  counts.reserve(list->size());
  for (const RListedEvent& entry : *list) {
    counts.emplace_back(entry.object, room->own_list(entry.object).size());
  }
  auto count_of = [&counts, room](int32_t object) {
    auto at = std::lower_bound(counts.begin(), counts.end(), object,
                               [](const std::pair<int32_t, size_t>& counted, int32_t wanted) {
                                 return counted.first < wanted;
                               });
    return at != counts.end() && at->first == object ? at->second : room->own_list(object).size();
  };
  size_t position = 0;
  bool rebuilt = false;  // positions no longer match the counts taken at the start
  while (position < list->size()) {
    RListedEvent entry = (*list)[position];
    size_t count = rebuilt ? count_of(entry.object) : counts[position].second;
    for (size_t i = 0; i < count; ++i) {
      const std::vector<CInstance*>& own = room->own_list(entry.object);
      if (i >= own.size()) break;
      CInstance* instance = own[i];
      if (instance->destroyed) continue;
      if (request_pending()) return;
      visit(instance, entry.found);
      if (generation != world.event_lists_generation) {
        const RFoundEvent* found = listed_event(entry.object, type, number);
        if (!found) break;
        entry.found = *found;
      }
    }
    if (request_pending()) return;
    if (generation != world.event_lists_generation) {
      generation = world.event_lists_generation;
      list = listed_events(type, number);
      if (!list) return;
      auto next = std::upper_bound(
          list->begin(), list->end(), entry.object,
          [](int32_t object, const RListedEvent& listed) { return object < listed.object; });
      position = size_t(next - list->begin());
      rebuilt = true;
    } else {
      ++position;
    }
  }
}

}  // namespace vn
