#include <gtest/gtest.h>

#include "script/Code_Function.h"
#include "world/World_Test_Support.h"

namespace vn::test {
namespace {

using Lines = std::vector<std::string>;

class StepEvents : public WorldTest {};

TEST_F(StepEvents, ChildUsesTheNearestAncestorsEvent) {
  int grand = add_object("grand");
  int parent = add_object("parent", grand);
  int child = add_object("child", parent);
  on(grand, kEventStep, 0, "show_debug_message('grand step for ' + string(event_object));");
  on(parent, kEventAlarm, 0, "");
  object(child).event(kEventStep, 0);  // present but empty: skipped
  add_room("rm");
  place(0, child);
  ASSERT_TRUE(start());
  RFoundEvent found = find_event(child, kEventStep, 0);
  EXPECT_EQ(found.object, grand);
  EXPECT_EQ(find_event(child, kEventAlarm, 0).object, parent);
  EXPECT_FALSE(has_event(child, kEventStep, 2));
  run_steps(1);
  EXPECT_EQ(take_log(), (Lines{"grand step for 0"}));
}

TEST_F(StepEvents, ParentCycleDoesNotLoop) {
  int a = add_object("a");
  int b = add_object("b", a);
  object(a).parent_index = b;
  on(a, kEventStep, 0, "x = 1;");
  install();
  EXPECT_EQ(find_event(b, kEventStep, 0).object, a);
  EXPECT_FALSE(has_event(b, kEventStep, 1));
  EXPECT_FALSE(object_is_family(5, b));
  // A parent that names no object ends the chain.
  object(b).parent_index = 40;
  EXPECT_EQ(object_parent(b), -1);
}

TEST_F(StepEvents, CollisionWithAnAncestorCatchesItsDescendants) {
  int p = add_object("p");
  int a = add_object("a");
  int b = add_object("b", p);
  int lone = add_object("lone");
  on(a, kEventCollision, p, "x = 1;");
  install();
  ASSERT_EQ(find_event(a, kEventCollision, b).object, a);
  EXPECT_FALSE(has_event(a, kEventCollision, lone));
  EXPECT_FALSE(has_event(b, kEventCollision, a));
  add_room("rm");
  ASSERT_TRUE(start());
  const auto& pairs = world_state().collision_pairs;
  EXPECT_EQ(pairs, (std::vector<std::pair<int32_t, int32_t>>{{0, 1}, {1, 2}}));
}

TEST_F(StepEvents, InheritedCollisionIsFoundThroughTheCallersChain) {
  int wall = add_object("wall");
  int brick = add_object("brick", wall);
  int base = add_object("base");
  int ball = add_object("ball", base);
  on(base, kEventCollision, wall, "x = 1;");
  install();
  RFoundEvent found = find_event(ball, kEventCollision, brick);
  EXPECT_EQ(found.object, base);
}

TEST_F(StepEvents, EventInheritedRunsTheParentsEvent) {
  int parent = add_object("parent");
  int child = add_object("child", parent);
  int orphan = add_object("orphan");
  on(parent, kEventCreate, 0, "show_debug_message('parent create as ' + string(event_object));");
  on(child, kEventCreate, 0,
     "show_debug_message('child create'); event_inherited(); "
     "show_debug_message('back in ' + string(event_object));");
  on(orphan, kEventCreate, 0, "event_inherited(); show_debug_message('orphan create');");
  add_room("rm");
  place(0, child);
  place(0, orphan);
  ASSERT_TRUE(start());
  EXPECT_EQ(take_log(),
            (Lines{"child create", "parent create as 0", "back in 1", "orphan create"}));
}

TEST_F(StepEvents, EventPerformUserAndObject) {
  int parent = add_object("parent");
  int child = add_object("child", parent);
  int other = add_object("other");
  on(parent, kEventOther, 12, "show_debug_message('user 2 of ' + string(id));");
  on(other, kEventOther, 12, "show_debug_message('other user 2 on ' + string(id));");
  on(child, kEventStep, 0,
     "event_user(2); event_perform(ev_other, ev_user2); event_perform_object(other, 7, 12); "
     "event_perform(3, 1); event_user(9);");
  on(child, kEventStep, 1,
     "show_debug_message('begin, type ' + string(event_type) + ' number ' "
     "+ string(event_number));");
  add_room("rm");
  int id = place(0, child);
  ASSERT_TRUE(start());
  perform_event_self(instance(id), instance(id), kEventStep, 0);
  std::string me = std::to_string(id);
  EXPECT_EQ(take_log(), (Lines{"user 2 of " + me, "user 2 of " + me, "other user 2 on " + me,
                               "begin, type 3 number 1"}));
  // The context is restored after each event.
  EXPECT_EQ(event_context().event_type, 0);
}

TEST_F(StepEvents, NothingIsPerformedWhileARequestIsPending) {
  int obj = add_object("obj");
  on(obj, kEventOther, 10, "show_debug_message('user 0');");
  add_room("rm");
  int id = place(0, obj);
  ASSERT_TRUE(start());
  world_state().pending_room = kRequestEnd;
  perform_event_self(instance(id), instance(id), kEventOther, 10);
  perform_event_all(kEventOther, 10);
  dispatch_event(kEventOther, 10);
  EXPECT_EQ(take_log(), Lines{});
  world_state().pending_room = kRequestNone;
  perform_event_self(instance(id), instance(id), kEventOther, 10);
  EXPECT_EQ(take_log(), (Lines{"user 0"}));
}

TEST_F(StepEvents, EventListsAreBoundedPerType) {
  int obj = add_object("obj");
  on(obj, kEventKeyboard, 200, "show_debug_message('never listed');");
  on(obj, kEventStep, 17, "x = 1;");
  on(obj, kEventOther, 128, "show_debug_message('listed');");
  add_room("rm");
  int id = place(0, obj);
  ASSERT_TRUE(start());
  EXPECT_EQ(listed_events(kEventKeyboard, 200), nullptr);
  EXPECT_EQ(listed_events(kEventStep, 17), nullptr);
  ASSERT_NE(listed_events(kEventOther, 128), nullptr);
  EXPECT_EQ(listed_events(kEventCollision, 0), nullptr);
  EXPECT_EQ(listed_events(kEventTrigger, 0), nullptr);
  // event_perform is not limited by the lists.
  input_state().key_down[200] = 1;
  run_steps(1);
  EXPECT_EQ(take_log(), Lines{});
  perform_event_self(instance(id), instance(id), kEventKeyboard, 200);
  EXPECT_EQ(take_log(), (Lines{"never listed"}));
}

TEST_F(StepEvents, RebuiltListsDispatchTheNewEventFromTheNextStep) {
  int a = add_object("a");
  int b = add_object("b");
  on(a, kEventStep, 0, "show_debug_message('a step');");
  add_room("rm");
  place(0, a);
  place(0, b);
  ASSERT_TRUE(start());
  run_steps(1);
  EXPECT_EQ(take_log(), (Lines{"a step"}));
  on(b, kEventStep, 0, "show_debug_message('b step');");
  build_event_lists();
  run_steps(1);
  EXPECT_EQ(take_log(), (Lines{"a step", "b step"}));
}

TEST_F(StepEvents, ListsRebuiltDuringAWalkAreFollowedFromTheNextObject) {
  int a = add_object("a");
  int b = add_object("b");
  int c = add_object("c");
  on(a, kEventStep, 0, "show_debug_message('a'); test_give_events();");
  on(c, kEventStep, 0, "show_debug_message('c');");
  static CGameData* changed = nullptr;
  changed = &game_;
  // What changing an object's events at run time does: the event, then the lists.
  register_function(
      "test_give_events",
      [](CInstanceBase*, CInstanceBase*, int, const RValue*, RValue&) {
        CObject& b_object = *changed->objects.items[1];
        if (b_object.find_event(kEventStep, 0)) return;
        b_object.event(kEventStep, 0)
            .actions.push_back(code_action("show_debug_message('b, added');"));
        changed->objects.items[2]->events[kEventStep].clear();
        build_event_lists();
      },
      0);
  add_room("rm");
  place(0, a);
  place(0, a);
  place(0, b);
  place(0, c);
  ASSERT_TRUE(start());
  run_steps(1);
  // The second a still runs its event; b joins at once; c lost its event.
  EXPECT_EQ(take_log(), (Lines{"a", "a", "b, added"}));
  EXPECT_EQ(listed_event(b, kEventStep, 0)->object, b);
  EXPECT_EQ(listed_event(c, kEventStep, 0), nullptr);
  EXPECT_EQ(listed_event(a, kEventStep, 0)->object, a);
}

TEST_F(StepEvents, DisplayNames) {
  int obj = add_object("obj_wall");
  add_trigger("on_low", "false", 1);
  game_.triggers.push_back(nullptr);
  add_room("rm");
  ASSERT_TRUE(start());
  EXPECT_EQ(event_name(0, 0), "Create Event");
  EXPECT_EQ(event_name(1, 0), "Destroy Event");
  EXPECT_EQ(event_name(2, 11), "Alarm Event for alarm 11");
  EXPECT_EQ(event_name(3, 0), " Step Event");
  EXPECT_EQ(event_name(3, 1), "Begin Step Event");
  EXPECT_EQ(event_name(3, 2), "End Step Event");
  EXPECT_EQ(event_name(3, 7), "<unknown> Step Event");
  EXPECT_EQ(event_name(4, obj), "Collision Event with object obj_wall");
  EXPECT_EQ(event_name(4, 9), "Collision Event with object <undefined>");
  EXPECT_EQ(event_name(5, 0), "Keyboard Event for <no key> Key");
  EXPECT_EQ(event_name(5, 65), "Keyboard Event for A-key Key");
  EXPECT_EQ(event_name(5, 50), "Keyboard Event for 2-key Key");
  EXPECT_EQ(event_name(9, 99), "Key Press Event for Keypad 3 Key");
  EXPECT_EQ(event_name(10, 123), "Key Release Event for F12 Key");
  EXPECT_EQ(event_name(10, 124), "Key Release Event for <unknown> Key");
  EXPECT_EQ(event_name(6, 11), "Mouse Event for Mouse Leave");
  EXPECT_EQ(event_name(6, 28), "Mouse Event for Joystick 1 Button 8");
  EXPECT_EQ(event_name(6, 34), "Mouse Event for Joystick 2 Down");
  EXPECT_EQ(event_name(6, 58), "Mouse Event for Glob Middle Released");
  EXPECT_EQ(event_name(6, 61), "Mouse Event for Mouse Wheel Down");
  EXPECT_EQ(event_name(6, 12), "Mouse Event for <unknown>");
  EXPECT_EQ(event_name(7, 25), "Other Event: User Defined 15");
  EXPECT_EQ(event_name(7, 30), "Other Event: Close Button");
  EXPECT_EQ(event_name(7, 47), "Other Event: Outside View 7");
  EXPECT_EQ(event_name(7, 50), "Other Event: Boundary View 0");
  EXPECT_EQ(event_name(7, 26), "Other Event: <unknown>");
  EXPECT_EQ(event_name(8, 0), "Draw Event");
  EXPECT_EQ(event_name(11, 0), "Trigger Event: on_low");
  EXPECT_EQ(event_name(11, 1), "Trigger Event: <Deleted>");
  EXPECT_EQ(event_name(11, -1), "Trigger Event: <Deleted>");
  EXPECT_EQ(event_name(12, 0), "<Unknown Event>");
  EXPECT_EQ(event_name(-1, 0), "<Unknown Event>");
}

}  // namespace
}  // namespace vn::test
