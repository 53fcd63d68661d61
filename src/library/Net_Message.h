// The message layer of multiplayer sessions: the payload every message travels in, the
// records that arrived and wait to be pulled, and the queue scripts take messages from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "script/Code_Value.h"

namespace vn {

constexpr uint8_t kMessageUser = 1;
constexpr uint8_t kMessageData = 0;
constexpr size_t kPayloadStringLimit = 32000;
constexpr size_t kMessageQueueCapacity = 4000;

struct TMess {
  uint32_t sender = 0;
  uint8_t kind = kMessageUser;
  int32_t id = 0;
  RValue value;
};

// kind (1 byte), id (int32), is-string (1 byte), then either a length (int32) and that
// many characters, or an IEEE double; little-endian. Longer strings are cut to 32,000.
std::vector<uint8_t> encode_payload(uint8_t kind, int32_t id, const RValue& value);
// The reverse; nothing for a payload that is damaged, too short, has bytes past its end, an
// unknown kind or flag, or a length outside 0 .. 32,000. Never reads outside the bytes.
std::optional<TMess> decode_payload(const uint8_t* data, size_t size);

// Who a script asks for: 0 anyone, above 0 that player, below 0 nobody.
inline bool sender_matches(int64_t player, uint32_t sender) {
  return player == 0 || (player > 0 && uint64_t(player) == sender);
}

// The records that arrived, in order, with a "taken" flag each.
class CMessageQueue {
 public:
  // Compacts first when full; false (the record is dropped) when it is full all the same.
  bool append(const TMess& record);
  bool full_after_compaction();
  // The first record not taken from the player, marked taken; nothing when none.
  std::optional<TMess> take(int64_t player);
  size_t count(int64_t player) const;
  void clear(int64_t player);
  // Removes the taken records, keeping the order of the rest.
  void compact();
  size_t size() const { return records_.size(); }
  size_t start() const { return start_; }

 private:
  struct RRecord {
    TMess message;
    bool taken = false;
  };
  std::vector<RRecord> records_;
  size_t start_ = 0;
};

// A payload that arrived and was not yet pulled, with who sent it.
struct RInbound {
  uint32_t sender = 0;
  bool guaranteed = false;
  std::vector<uint8_t> payload;
};

// What arrived between pulls. Bounded so that a peer that floods us cannot exhaust memory:
// past the limit new arrivals are dropped.
class CInbound {
 public:
  static constexpr size_t kByteLimit = 64 * 1024 * 1024;
  void push(RInbound record);
  bool empty() const { return records_.empty(); }
  RInbound& front() { return records_.front(); }
  void pop();
  void clear();

 private:
  std::deque<RInbound> records_;
  size_t bytes_ = 0;
};

// Moves what arrived into the queue and the shared data (through store_data). A plain
// message that finds the queue full is dropped; a guaranteed one waits, with everything
// after it, for a later pull, so the guaranteed path loses nothing.
void pull_inbound(CInbound& inbound, CMessageQueue& queue,
                  void (*store_data)(int32_t index, const RValue& value));

// The process-wide queue, what arrived and is not pulled yet, and the record last taken.
CMessageQueue& message_queue();
CInbound& inbound_messages();
TMess& current_message();

}  // namespace vn
