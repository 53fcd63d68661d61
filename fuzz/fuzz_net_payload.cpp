// Any bytes that arrive as a message payload either decode to a record that encodes back to
// the same bytes, or are refused; pulling them never takes a damaged record in.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "library/Net_Message.h"

namespace {

void store(int32_t, const vn::RValue&) {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::optional<vn::TMess> message = vn::decode_payload(data, size);
  if (message) {
    std::vector<uint8_t> again = vn::encode_payload(message->kind, message->id, message->value);
    if (again != std::vector<uint8_t>(data, data + size)) std::abort();
  }
  vn::CInbound inbound;
  vn::CMessageQueue queue;
  inbound.push({7, true, std::vector<uint8_t>(data, data + size)});
  vn::pull_inbound(inbound, queue, store);
  const bool queued = message && message->kind == vn::kMessageUser;
  if (!inbound.empty() || queue.count(7) != (queued ? 1u : 0u)) std::abort();
  return 0;
}
