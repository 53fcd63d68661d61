#include "world/Object_Class.h"

#include <gtest/gtest.h>

#include "world/Room_Class.h"

namespace vn {
namespace {

CObject round_trip(const CObject& object, size_t* size = nullptr) {
  CStream stream;
  object.write(stream);
  if (size) *size = stream.size();
  stream.rewind();
  CObject read;
  read.read(stream, {});
  EXPECT_EQ(stream.remaining(), 0u);
  return read;
}

TEST(ObjectRecord, EventListsAndTheirEnd) {
  CObject bare;
  bare.last_event_type = -1;
  size_t size = 0;
  EXPECT_EQ(round_trip(bare, &size), bare);
  // version, seven fields, the last event type: the record ends there.
  EXPECT_EQ(size, 36u);

  // Every type up to the last holds a list ended by -1; an empty list is that -1 alone.
  CObject one;
  one.last_event_type = -1;
  one.event(2, 3);
  round_trip(one, &size);
  EXPECT_EQ(size, 36u + 4 + 4 + (4 + 8) + 4);
  EXPECT_EQ(round_trip(one).last_event_type, 2);
}

TEST(ObjectRecord, EventsKeepTheirStoredOrder) {
  CObject object;
  object.event(3, 2).actions.resize(1);
  object.event(3, 0);
  object.event(3, 1);
  CObject read = round_trip(object);
  ASSERT_EQ(read.events[3].size(), 3u);
  EXPECT_EQ(read.events[3][0].number, 2);
  EXPECT_EQ(read.events[3][1].number, 0);
  EXPECT_EQ(read.find_event(3, 2)->actions.size(), 1u);
  EXPECT_EQ(read.find_event(3, 5), nullptr);
  EXPECT_EQ(read.find_event(12, 0), nullptr);
}

TEST(ObjectRecord, ImpossibleEventTypesAreDataErrors) {
  CStream stream;
  CObject().write(stream);
  stream.seek(32);
  write_int(stream, 12);
  stream.rewind();
  CObject read;
  EXPECT_THROW(read.read(stream, {}), DataError);
}

TEST(RoomRecord, StretchedLayersTakeScalesFromTheirBackground) {
  CRoom room;
  room.width = 300;
  room.height = 200;
  room.backgrounds[0].stretch = true;
  room.backgrounds[0].background_index = 1;
  room.backgrounds[1].stretch = true;
  room.backgrounds[1].background_index = 0;  // an empty slot: default scales
  CStream stream;
  room.write(stream);
  stream.rewind();
  CRoom read;
  read.read(stream, {{0, 0}, {100, 50}});
  EXPECT_DOUBLE_EQ(read.backgrounds[0].xscale, 3.0);
  EXPECT_DOUBLE_EQ(read.backgrounds[0].yscale, 4.0);
  EXPECT_DOUBLE_EQ(read.backgrounds[1].xscale, 1.0);
  EXPECT_EQ(read.backgrounds[0].blend, 0xFFFFFF);
}

}  // namespace
}  // namespace vn
