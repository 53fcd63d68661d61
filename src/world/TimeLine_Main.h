// Time lines at run time: finding moments by time, performing a moment on an instance,
// adding and clearing moments, and the per-step advance of every instance's time line.
#pragma once

#include <cstdint>

namespace vn {

class CEvent;
class CInstance;
class CTimeLine;

// Moments are kept in ascending time order. The index of the first moment whose time is t
// or more (the count when all are earlier), or -1 without moments.
int32_t first_at_or_after(const CTimeLine& timeline, double t);
// The index of the last moment whose time is t or less; -1 when none.
int32_t last_at_or_before(const CTimeLine& timeline, double t);

// The body of the moment at that time, inserted in order when there is none yet.
CEvent& moment_add(CTimeLine& timeline, int32_t time);
// Removes the moment at that time, if there is one.
void moment_clear(CTimeLine& timeline, int32_t time);

// True while the actions of one of the time line's moments are running: a change that
// moves its moments must leave the running one where it is.
bool moment_running(const CTimeLine& timeline);

// Runs the moment's actions with the context set to the time line; nothing while a
// request is pending or when the time line or moment does not exist.
void perform_moment(CInstance* self, CInstance* other, int32_t timeline, int32_t moment);

// Phase 5 of the step: every running time line of the room's instances moves on by its
// speed and runs the moments it passes.
void advance_timelines();

}  // namespace vn
