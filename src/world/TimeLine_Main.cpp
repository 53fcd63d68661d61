#include "world/TimeLine_Main.h"

#include <algorithm>
#include <vector>

#include "script/Code_Error.h"
#include "world/Event_Main.h"
#include "world/Instance_Class.h"
#include "world/Object_Main.h"
#include "world/Room_Main.h"
#include "world/Run_Global.h"
#include "world/Run_Main.h"
#include "world/TimeLine_Class.h"

namespace vn {

namespace {

// The moment bodies running now, innermost last.
std::vector<const CEvent*>& running_moments() {
  static std::vector<const CEvent*> running;
  return running;
}

class CRunningMoment {
 public:
  explicit CRunningMoment(const CEvent* body) { running_moments().push_back(body); }
  ~CRunningMoment() { running_moments().pop_back(); }
  CRunningMoment(const CRunningMoment&) = delete;
  CRunningMoment& operator=(const CRunningMoment&) = delete;
};

CTimeLine* timeline_at(int32_t index) {
  TResourceList<CTimeLine>* timelines = world_resources().timelines;
  return timelines ? timelines->get(index) : nullptr;
}

void advance(CInstance& instance, int32_t index, const CTimeLine& timeline) {
  double position = instance.timeline_position;
  double speed = instance.timeline_speed;
  if (speed > 0) {
    int32_t first = first_at_or_after(timeline, position);
    position += speed;
    int32_t end = first_at_or_after(timeline, position);
    instance.timeline_position = position;
    for (int32_t moment = first; moment < end && !request_pending(); ++moment) {
      perform_moment(&instance, &instance, index, moment);
    }
    const CTimeLine* now = timeline_at(index);
    if (instance.timeline_loop && now && !now->moments.empty() &&
        now->moments.back().step < position) {
      instance.timeline_position = 0;
    }
  } else {
    int32_t first = last_at_or_before(timeline, position);
    position += speed;
    int32_t end = last_at_or_before(timeline, position);
    instance.timeline_position = position;
    for (int32_t moment = first; moment > end && !request_pending(); --moment) {
      perform_moment(&instance, &instance, index, moment);
    }
    const CTimeLine* now = timeline_at(index);
    if (instance.timeline_loop && position < 0 && now && !now->moments.empty()) {
      instance.timeline_position = now->moments.back().step;
    }
  }
}

}  // namespace

int32_t first_at_or_after(const CTimeLine& timeline, double t) {
  if (timeline.moments.empty()) return -1;
  auto at = std::partition_point(timeline.moments.begin(), timeline.moments.end(),
                                 [t](const RMoment& moment) { return moment.step < t; });
  return int32_t(at - timeline.moments.begin());
}

int32_t last_at_or_before(const CTimeLine& timeline, double t) {
  auto after = std::partition_point(timeline.moments.begin(), timeline.moments.end(),
                                    [t](const RMoment& moment) { return moment.step <= t; });
  return int32_t(after - timeline.moments.begin()) - 1;
}

CEvent& moment_add(CTimeLine& timeline, int32_t time) {
  auto at = std::partition_point(timeline.moments.begin(), timeline.moments.end(),
                                 [time](const RMoment& moment) { return moment.step < time; });
  if (at != timeline.moments.end() && at->step == time) return at->event;
  return timeline.moments.insert(at, RMoment{time, CEvent()})->event;
}

void moment_clear(CTimeLine& timeline, int32_t time) {
  auto at = std::find_if(timeline.moments.begin(), timeline.moments.end(),
                         [time](const RMoment& moment) { return moment.step == time; });
  if (at != timeline.moments.end()) timeline.moments.erase(at);
}

bool moment_running(const CTimeLine& timeline) {
  for (const CEvent* body : running_moments()) {
    for (const RMoment& moment : timeline.moments) {
      if (&moment.event == body) return true;
    }
  }
  return false;
}

void perform_moment(CInstance* self, CInstance* other, int32_t timeline, int32_t moment) {
  if (request_pending()) return;
  const CTimeLine* found = timeline_at(timeline);
  if (!found || moment < 0 || size_t(moment) >= found->moments.size()) return;
  const RMoment& body = found->moments[size_t(moment)];
  REventContext& context = event_context();
  REventContext saved = context;
  context.event_type = kEventTimeLine;
  context.event_number = body.step;
  context.event_object = timeline;
  context.event_action = 0;
  CRunningMoment running(&body.event);
  execute_actions(self, other, body.event);
  event_context() = saved;
}

void advance_timelines() {
  CLiveRoom* room = current_room();
  if (!room) return;
  size_t count = room->instances().size();
  for (size_t i = 0; i < count && i < room->instances().size() && !request_pending(); ++i) {
    CInstance& instance = *room->instances()[i];
    if (instance.destroyed || !instance.timeline_running || instance.timeline_speed == 0) {
      continue;
    }
    const CTimeLine* timeline = timeline_at(instance.timeline_index);
    if (!timeline || timeline->moments.empty()) continue;
    advance(instance, instance.timeline_index, *timeline);
  }
}

}  // namespace vn
