// The high-score table: how a rank is stored, where a score goes, and the table kept in the
// registry store.
#include <gtest/gtest.h>

#include "Test_Support.h"
#include "library/Support_Registry.h"
#include "runner/Run_Score.h"

namespace vn {
namespace {

// ("Ab", 5) with game id 0, byte i (from 1) raised by i:
//   score bytes 05 00 … 00 → 06, 02, 03, … 0F, 10 → "AG" "AC" "AD" … "AP" "BA"
//   'A' 0x41 + 17 = 0x52 → "FC";  'b' 0x62 + 18 = 0x74 → "HE"
constexpr const char* kAb5 = "AGACADAEAFAGAHAIAJAKALAMANAOAPBAFCHE";
// (empty, -2) with game id 256, which counts as 0: FE + 1 = FF → "PP"; FF + 2 wraps to
// 01 → "AB"; FF + i → i − 1 for the other sign bytes.
constexpr const char* kMinus2 = "PPABACADAEAFAGAHAIAJAKALAMANAOAP";

TEST(ScoreEncoding, KnownRanksEncodeAndDecode) {
  EXPECT_EQ(encode_score_rank({"Ab", 5}, 0), kAb5);
  EXPECT_EQ(decode_score_rank(kAb5, 0), (RScoreRank{"Ab", 5}));
  EXPECT_EQ(encode_score_rank({"", -2}, 256), kMinus2);
  EXPECT_EQ(decode_score_rank(kMinus2, 256), (RScoreRank{"", -2}));

  // Extremes of the score, every byte of a name, and game ids of either sign.
  std::string every_byte;
  for (int c = 1; c < 256; ++c) every_byte += char(c);
  for (int64_t id :
       {int64_t(0), int64_t(7), int64_t(-1), int64_t(2147483647), int64_t(-2147483647 - 1)}) {
    for (RScoreRank rank : {RScoreRank{"<nobody>", 0}, RScoreRank{every_byte, INT32_MIN},
                            RScoreRank{"x", INT32_MAX}}) {
      const std::string text = encode_score_rank(rank, id);
      EXPECT_EQ(text.size(), 2 * (16 + rank.name.size()));
      EXPECT_EQ(decode_score_rank(text, id), rank) << id;
    }
  }
}

TEST(ScoreEncoding, OnlyTheGameIdItWasWrittenWithReadsIt) {
  const std::string text = encode_score_rank({"Ada", 1200}, 1234);
  EXPECT_EQ(decode_score_rank(text, 1234), (RScoreRank{"Ada", 1200}));
  EXPECT_NE(decode_score_rank(text, 1235), (RScoreRank{"Ada", 1200}));
  EXPECT_NE(encode_score_rank({"Ada", 1200}, 1235), text);
}

TEST(ScoreEncoding, DamagedTextIsRefused) {
  const std::string good = kAb5;
  for (const std::string& damaged :
       {good.substr(1), good.substr(0, 30), std::string(), good.substr(0, 34) + "AQ",
        good.substr(0, 34) + "ha", "@" + good.substr(1), good + "A"}) {
    EXPECT_FALSE(decode_score_rank(damaged, 0)) << damaged;
  }
}

RScoreTable table_of(std::initializer_list<int32_t> scores) {
  RScoreTable table;
  size_t r = 0;
  for (int32_t score : scores) {
    table[r] = {"p" + std::to_string(r + 1), score};
    ++r;
  }
  return table;
}

TEST(ScoreTable, ScoresGoBelowEqualOnesAndTheLastDropsOut) {
  RScoreTable table = table_of({900, 800, 700, 600, 500, 400, 300, 200, 100, 50});
  EXPECT_EQ(insert_score(table, {"same", 700}), 3);
  EXPECT_EQ(table[2], (RScoreRank{"p3", 700}));
  EXPECT_EQ(table[3], (RScoreRank{"same", 700}));
  EXPECT_EQ(table[4], (RScoreRank{"p4", 600}));
  EXPECT_EQ(table[9], (RScoreRank{"p9", 100}));  // 50 has gone

  EXPECT_EQ(insert_score(table, {"top", 1000}), 0);
  EXPECT_EQ(table[9], (RScoreRank{"p8", 200}));
  const RScoreTable before = table;
  EXPECT_FALSE(insert_score(table, {"low", 200}));
  EXPECT_EQ(table, before);

  // An empty table takes any score above 0 at the top, and 0 nowhere.
  RScoreTable empty;
  EXPECT_FALSE(score_place(empty, 0));
  EXPECT_EQ(insert_score(empty, {"one", 1}), 0);
}

class ScoreStore : public ::testing::Test {
 protected:
  void SetUp() override { set_registry_folder(scratch_.path()); }
  void TearDown() override { set_registry_folder({}); }
  test::ScratchDir scratch_{"score_store"};
};

TEST_F(ScoreStore, TheTableIsWrittenWholeBesideOtherValues) {
  const std::string other = registry_key_path(kCurrentUser, "Software\\Varnock\\42");
  ASSERT_TRUE(registry_store().write(other, "level", RRegistryValue{true, 3, ""}));
  EXPECT_EQ(read_score_table(42), RScoreTable());

  RScoreTable table = table_of({30, 20, 10});
  ASSERT_TRUE(write_score_table(42, table));
  // Read back from the file, not from what the store kept.
  set_registry_folder(scratch_.path());
  EXPECT_EQ(read_score_table(42), table);
  EXPECT_EQ(read_score_table(43), RScoreTable());
  EXPECT_EQ(registry_store().read(other, "level"), (RRegistryValue{true, 3, ""}));
  EXPECT_EQ(registry_store().read(score_table_key(42), "Rank2"),
            (RRegistryValue{false, 0, encode_score_rank({"p2", 20}, 42)}));

  ASSERT_TRUE(write_score_table(42, RScoreTable()));
  EXPECT_EQ(read_score_table(42)[0], (RScoreRank{"<nobody>", 0}));
}

TEST_F(ScoreStore, DamagedRanksReadAsNobody) {
  ASSERT_TRUE(write_score_table(7, table_of({5, 4, 3, 2})));
  const std::string key = score_table_key(7);
  CRegistryStore& store = registry_store();
  ASSERT_TRUE(store.write(key, "Rank1", RRegistryValue{false, 0, "ABC"}));
  ASSERT_TRUE(store.write(key, "Rank2", RRegistryValue{false, 0, std::string(40, 'Z')}));
  ASSERT_TRUE(store.write(key, "Rank3", RRegistryValue{true, 12, ""}));
  const RScoreTable table = read_score_table(7);
  for (size_t r = 0; r < 3; ++r) EXPECT_EQ(table[r], RScoreRank()) << r;
  EXPECT_EQ(table[3], (RScoreRank{"p4", 2}));
}

}  // namespace
}  // namespace vn
