#include "library/Net_Message.h"

#include <cstring>

namespace vn {

namespace {

void put_u32(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(value >> (8 * i)));
}

uint32_t get_u32(const uint8_t* data) {
  return uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 |
         uint32_t(data[3]) << 24;
}

}  // namespace

std::vector<uint8_t> encode_payload(uint8_t kind, int32_t id, const RValue& value) {
  std::vector<uint8_t> out;
  out.push_back(kind);
  put_u32(out, uint32_t(id));
  if (value.is_string()) {
    std::string_view text = value.string.view();
    if (text.size() > kPayloadStringLimit) text = text.substr(0, kPayloadStringLimit);
    out.reserve(10 + text.size());
    out.push_back(1);
    put_u32(out, uint32_t(text.size()));
    out.insert(out.end(), text.begin(), text.end());
  } else {
    out.push_back(0);
    uint64_t bits;
    std::memcpy(&bits, &value.real, sizeof(bits));
    put_u32(out, uint32_t(bits));
    put_u32(out, uint32_t(bits >> 32));
  }
  return out;
}

std::optional<TMess> decode_payload(const uint8_t* data, size_t size) {
  if (size < 6) return std::nullopt;
  TMess message;
  message.kind = data[0];
  if (message.kind != kMessageUser && message.kind != kMessageData) return std::nullopt;
  message.id = int32_t(get_u32(data + 1));
  const uint8_t is_string = data[5];
  if (is_string == 1) {
    if (size < 10) return std::nullopt;
    const uint32_t length = get_u32(data + 6);
    if (length > kPayloadStringLimit || size - 10 != length) return std::nullopt;
    message.value =
        RValue(RString(std::string_view(reinterpret_cast<const char*>(data + 10), length)));
  } else if (is_string == 0) {
    if (size != 14) return std::nullopt;
    const uint64_t bits = uint64_t(get_u32(data + 6)) | uint64_t(get_u32(data + 10)) << 32;
    double real;
    std::memcpy(&real, &bits, sizeof(real));
    message.value = RValue(real);
  } else {
    return std::nullopt;
  }
  return message;
}

bool CMessageQueue::full_after_compaction() {
  if (records_.size() >= kMessageQueueCapacity) compact();
  return records_.size() >= kMessageQueueCapacity;
}

bool CMessageQueue::append(const TMess& record) {
  if (full_after_compaction()) return false;
  records_.push_back({record, false});
  return true;
}

std::optional<TMess> CMessageQueue::take(int64_t player) {
  for (size_t i = start_; i < records_.size(); ++i) {
    RRecord& record = records_[i];
    if (record.taken || !sender_matches(player, record.message.sender)) continue;
    record.taken = true;
    while (start_ < records_.size() && records_[start_].taken) ++start_;
    return record.message;
  }
  return std::nullopt;
}

size_t CMessageQueue::count(int64_t player) const {
  size_t found = 0;
  for (size_t i = start_; i < records_.size(); ++i) {
    if (!records_[i].taken && sender_matches(player, records_[i].message.sender)) ++found;
  }
  return found;
}

void CMessageQueue::clear(int64_t player) {
  for (size_t i = start_; i < records_.size(); ++i) {
    if (sender_matches(player, records_[i].message.sender)) records_[i].taken = true;
  }
  compact();
}

void CMessageQueue::compact() {
  std::vector<RRecord> kept;
  kept.reserve(records_.size());
  for (RRecord& record : records_) {
    if (!record.taken) kept.push_back(std::move(record));
  }
  records_ = std::move(kept);
  start_ = 0;
}

void CInbound::push(RInbound record) {
  if (bytes_ + record.payload.size() > kByteLimit) return;
  bytes_ += record.payload.size();
  records_.push_back(std::move(record));
}

void CInbound::pop() {
  bytes_ -= records_.front().payload.size();
  records_.pop_front();
}

void CInbound::clear() {
  records_.clear();
  bytes_ = 0;
}

CMessageQueue& message_queue() {
  static CMessageQueue queue;
  return queue;
}

CInbound& inbound_messages() {
  static CInbound inbound;
  return inbound;
}

TMess& current_message() {
  static TMess current;
  return current;
}

void pull_inbound(CInbound& inbound, CMessageQueue& queue,
                  void (*store_data)(int32_t index, const RValue& value)) {
  while (!inbound.empty()) {
    RInbound& record = inbound.front();
    std::optional<TMess> message = decode_payload(record.payload.data(), record.payload.size());
    // Sender 0 is the system's own; it never carries a script's message.
    if (message && record.sender != 0) {
      message->sender = record.sender;
      if (message->kind == kMessageData) {
        store_data(message->id, message->value);
      } else if (queue.full_after_compaction()) {
        if (record.guaranteed) return;
      } else {
        queue.append(*message);
      }
    }
    inbound.pop();
  }
}

}  // namespace vn
