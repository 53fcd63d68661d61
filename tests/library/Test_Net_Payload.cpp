// The message payload, the queue's limits and the pulling of what arrived, without a network.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "library/Net_Connect.h"
#include "library/Net_Data.h"
#include "library/Net_Message.h"

namespace vn {
namespace {

std::vector<uint8_t> bytes(std::initializer_list<int> values) {
  return std::vector<uint8_t>(values.begin(), values.end());
}

TEST(NetPayload, RealsAndStringsHaveTheirExactLayoutAndComeBack) {
  EXPECT_EQ(encode_payload(kMessageUser, -2, RValue(1.0)),
            bytes({1, 0xFE, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F}));
  EXPECT_EQ(encode_payload(kMessageData, 5, RValue("ab")),
            bytes({0, 5, 0, 0, 0, 1, 2, 0, 0, 0, 'a', 'b'}));

  for (const RValue& value : {RValue(-3.25), RValue(""), RValue(std::string("x\0y", 3))}) {
    std::vector<uint8_t> payload = encode_payload(kMessageUser, 123456, value);
    auto decoded = decode_payload(payload.data(), payload.size());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->id, 123456);
    EXPECT_EQ(decoded->kind, kMessageUser);
    EXPECT_EQ(decoded->value.kind, value.kind);
    EXPECT_EQ(decoded->value.real, value.real);
    EXPECT_EQ(decoded->value.string, value.string);
  }
}

TEST(NetPayload, LongStringsAreCutTo32000Characters) {
  std::string text(40000, 'q');
  text[31999] = 'z';
  std::vector<uint8_t> payload = encode_payload(kMessageUser, 1, RValue(text));
  ASSERT_EQ(payload.size(), 10u + 32000u);
  auto decoded = decode_payload(payload.data(), payload.size());
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->value.string.str(), text.substr(0, 32000));
}

TEST(NetPayload, DamagedPayloadsAreRefused) {
  std::vector<uint8_t> good = encode_payload(kMessageUser, 7, RValue("hello"));
  for (size_t size = 0; size < good.size(); ++size) {
    EXPECT_FALSE(decode_payload(good.data(), size)) << "cut to " << size;
  }
  std::vector<uint8_t> longer = good;
  longer.push_back(0);
  EXPECT_FALSE(decode_payload(longer.data(), longer.size()));

  std::vector<uint8_t> kind = good;
  kind[0] = 2;
  EXPECT_FALSE(decode_payload(kind.data(), kind.size()));
  std::vector<uint8_t> flag = good;
  flag[5] = 7;
  EXPECT_FALSE(decode_payload(flag.data(), flag.size()));
  // A length that claims more than there is, or more than the limit.
  std::vector<uint8_t> claim = bytes({1, 0, 0, 0, 0, 1, 0xFF, 0xFF, 0xFF, 0xFF, 'a'});
  EXPECT_FALSE(decode_payload(claim.data(), claim.size()));
  std::vector<uint8_t> over(10 + 32001, 'a');
  over[0] = 1;
  over[5] = 1;
  over[6] = 0x01;
  over[7] = 0x7D;  // 32001
  over[8] = over[9] = 0;
  EXPECT_FALSE(decode_payload(over.data(), over.size()));
  EXPECT_FALSE(decode_payload(nullptr, 0));
}

TMess message(uint32_t sender, int32_t id) {
  TMess record;
  record.sender = sender;
  record.id = id;
  record.value = RValue(double(id));
  return record;
}

TEST(NetQueue, HoldsFourThousandAndMakesRoomFromTakenRecords) {
  CMessageQueue queue;
  for (int i = 0; i < 4000; ++i) ASSERT_TRUE(queue.append(message(1, i)));
  EXPECT_FALSE(queue.append(message(1, 4000)));  // the 4,001st is dropped
  EXPECT_EQ(queue.count(0), 4000u);

  // Taking makes room only once the queue compacts, which keeps the order of the rest.
  EXPECT_EQ(queue.take(0)->id, 0);
  EXPECT_EQ(queue.take(0)->id, 1);
  EXPECT_EQ(queue.start(), 2u);
  EXPECT_TRUE(queue.append(message(1, 4001)));
  EXPECT_EQ(queue.start(), 0u);
  EXPECT_EQ(queue.size(), 3999u);
  EXPECT_EQ(queue.take(0)->id, 2);
  EXPECT_EQ(queue.count(1), 3998u);
}

TEST(NetQueue, SendersAreMatchedByIdAndNegativeMatchesNobody) {
  CMessageQueue queue;
  queue.append(message(7, 1));
  queue.append(message(9, 2));
  queue.append(message(7, 3));
  EXPECT_FALSE(queue.take(-1));
  EXPECT_EQ(queue.count(-1), 0u);
  EXPECT_EQ(queue.count(7), 2u);
  EXPECT_EQ(queue.take(9)->id, 2);
  // A record taken out of turn leaves the start where the first untaken one is.
  EXPECT_EQ(queue.start(), 0u);
  EXPECT_EQ(queue.take(0)->id, 1);
  EXPECT_EQ(queue.start(), 2u);
  queue.append(message(9, 4));
  queue.clear(7);
  EXPECT_EQ(queue.count(0), 1u);
  EXPECT_EQ(queue.size(), 1u);
  EXPECT_EQ(queue.take(0)->id, 4);
  EXPECT_FALSE(queue.take(0));
}

std::vector<std::pair<int32_t, RValue>> stored;
void store(int32_t index, const RValue& value) { stored.emplace_back(index, value); }

TEST(NetQueue, PullingDropsPlainMessagesWhenFullButKeepsGuaranteedOnes) {
  CMessageQueue queue;
  for (int i = 0; i < 4000; ++i) queue.append(message(1, i));
  CInbound inbound;
  inbound.push({2, false, encode_payload(kMessageUser, 50, RValue(1.0))});
  inbound.push({2, true, encode_payload(kMessageUser, 51, RValue(2.0))});
  inbound.push({2, true, encode_payload(kMessageData, 3, RValue("later"))});
  inbound.push({0, true, encode_payload(kMessageUser, 52, RValue(3.0))});
  stored.clear();
  pull_inbound(inbound, queue, store);
  EXPECT_FALSE(inbound.empty());
  EXPECT_TRUE(stored.empty());  // waits behind the guaranteed message, in order

  queue.take(0);
  pull_inbound(inbound, queue, store);
  EXPECT_TRUE(inbound.empty());
  EXPECT_EQ(queue.count(2), 1u);  // the plain one was dropped; sender 0 is never queued
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].first, 3);
  EXPECT_EQ(stored[0].second.string.str(), "later");

  // Damaged payloads are skipped.
  inbound.push({2, true, {1, 2, 3}});
  pull_inbound(inbound, queue, store);
  EXPECT_TRUE(inbound.empty());
}

TEST(NetData, GrowsOnDemandWithinItsRange) {
  EXPECT_EQ(shared_data_get(900).real, 0.0);
  shared_data_set(900, RValue("v"));
  EXPECT_EQ(shared_data_get(900).string.str(), "v");
  EXPECT_EQ(shared_data_get(899).kind, kReal);
  shared_data_set(1000001, RValue(1.0));
  shared_data_store(-1, RValue(1.0));
  EXPECT_EQ(shared_data_get(1000001).real, 0.0);
  EXPECT_EQ(shared_data_get(-1).real, 0.0);
}

TEST(NetConnect, AddressesTakeAnOptionalPort) {
  RNetTarget target = parse_tcpip_address("");
  EXPECT_EQ(target.host, "");
  EXPECT_EQ(target.port, kDefaultSessionPort);
  target = parse_tcpip_address("192.0.2.1:6000");
  EXPECT_EQ(target.host, "192.0.2.1");
  EXPECT_EQ(target.port, 6000);
  target = parse_tcpip_address(":70000");
  EXPECT_EQ(target.host, "");
  EXPECT_EQ(target.port, kDefaultSessionPort);
  EXPECT_EQ(parse_tcpip_address("host:x1").port, kDefaultSessionPort);
}

}  // namespace
}  // namespace vn
