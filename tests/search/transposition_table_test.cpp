// The table of search bounds: probe and store semantics, replacement, and the isready/quit
// entry points that build and free the tables.
#include "board/board.h"
#include "channel/options.h"
#include "channel/runtime_services.h"
#include "search/transposition_table.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

class TranspositionTable : public ::testing::Test {
  protected:
    void SetUp() override {
        releaseTables();
        hashSizeMb = 1;
        prepareTables();
        lockKey = 0x12345678;
        indexKey = 777;
    }
    void TearDown() override {
        releaseTables();
        hashSizeMb = 0;
    }
};

TEST_F(TranspositionTable, ExactValueIsClampedToTheNewWindow) {
    ttStore(-100, 100, 5, 40);
    std::int16_t value = 0;
    EXPECT_EQ(ttProbe(-100, 100, 5, value), 1);
    EXPECT_EQ(value, 40);
    EXPECT_EQ(ttProbe(-100, 100, 3, value), 1); // shallower requests hit too
    EXPECT_EQ(ttProbe(-100, 30, 5, value), 1);
    EXPECT_EQ(value, 30);
    EXPECT_EQ(ttProbe(50, 100, 5, value), 1);
    EXPECT_EQ(value, 50);
    EXPECT_EQ(ttProbe(-100, 100, 6, value), 0); // deeper requests miss
    lockKey ^= 1;
    EXPECT_EQ(ttProbe(-100, 100, 5, value), 0); // another position in the same slot
}

TEST_F(TranspositionTable, BoundsKeepTheEdgeOfTheWindowTheyWereFoundWith) {
    // A fail high stores beta: it answers windows whose beta is at most that value.
    ttStore(-100, 60, 4, 90);
    std::int16_t value = 0;
    EXPECT_EQ(ttProbe(0, 60, 4, value), 1);
    EXPECT_EQ(value, 60);
    EXPECT_EQ(ttProbe(0, 50, 4, value), 1);
    EXPECT_EQ(value, 50);
    EXPECT_EQ(ttProbe(0, 61, 4, value), 0);
    // A fail low stores alpha: it answers windows whose alpha is at least that value.
    ttStore(-20, 60, 4, -70);
    EXPECT_EQ(ttProbe(-20, 60, 4, value), 1);
    EXPECT_EQ(value, -20);
    EXPECT_EQ(ttProbe(-10, 60, 4, value), 1);
    EXPECT_EQ(value, -10);
    EXPECT_EQ(ttProbe(-30, 60, 4, value), 0);
}

TEST_F(TranspositionTable, DeeperEntriesOfTheSamePositionSurvive) {
    ttStore(-100, 100, 6, 10);
    ttStore(-100, 100, 5, 20); // shallower: ignored
    std::int16_t value = 0;
    ASSERT_EQ(ttProbe(-100, 100, 6, value), 1);
    EXPECT_EQ(value, 10);
    ttStore(-100, 100, 6, 30); // same depth: replaces
    ASSERT_EQ(ttProbe(-100, 100, 6, value), 1);
    EXPECT_EQ(value, 30);
    // Another position in the same slot replaces it at any depth, and back again.
    const std::uint32_t firstLock = lockKey;
    lockKey = 0x0BADF00D;
    ttStore(-100, 100, 1, -5);
    ASSERT_EQ(ttProbe(-100, 100, 1, value), 1);
    EXPECT_EQ(value, -5);
    lockKey = firstLock;
    EXPECT_EQ(ttProbe(-100, 100, 1, value), 0);
    // The slot is indexKey modulo the entry count.
    indexKey += ttEntries;
    lockKey = 0x0BADF00D;
    EXPECT_EQ(ttProbe(-100, 100, 1, value), 1);
}

TEST_F(TranspositionTable, SizeFollowsTheHashOptionAndKeepsEntriesWhileItStays) {
    EXPECT_EQ(ttEntries, TtEntriesPerMb);
    ttStore(-100, 100, 3, 12);
    prepareTables(); // same size: the entries survive
    std::int16_t value = 0;
    EXPECT_EQ(ttProbe(-100, 100, 3, value), 1);
    hashSizeMb = 2;
    prepareTables();
    EXPECT_EQ(ttEntries, 2 * TtEntriesPerMb);
    EXPECT_EQ(ttProbe(-100, 100, 3, value), 0); // a new size starts empty
    EXPECT_EQ(tablesArePresent(), 1);
    // Before the first `uci` the option is 0: the default of 1 MiB applies.
    hashSizeMb = 0;
    prepareTables();
    EXPECT_EQ(ttEntries, TtEntriesPerMb);
}

TEST_F(TranspositionTable, SizeThatCannotBeHadLeavesTheSmallestTable) {
    // 2^31 - 1 MiB is far beyond what can be allocated; the entry count must not overflow.
    hashSizeMb = 2147483647;
    prepareTables();
    EXPECT_EQ(tablesArePresent(), 1);
    EXPECT_EQ(ttEntries, TtEntriesPerMb);
    ttStore(-100, 100, 2, 7);
    std::int16_t value = 0;
    EXPECT_EQ(ttProbe(-100, 100, 2, value), 1);
    prepareTables(); // not tried again: the entries survive
    EXPECT_EQ(ttProbe(-100, 100, 2, value), 1);
    // 4096 MiB: 2^32 bytes, one more than the allocation service can be asked for.
    hashSizeMb = 4096;
    prepareTables();
    EXPECT_EQ(tablesArePresent(), 1);
    EXPECT_EQ(ttEntries, TtEntriesPerMb);
}

TEST_F(TranspositionTable, ReleaseIsSafeAtAnyTimeAndProbesMissWithoutATable) {
    releaseTables();
    releaseTables();
    EXPECT_EQ(hashKeys, nullptr);
    EXPECT_EQ(hashKeysLength, 0u);
    EXPECT_EQ(attackTable, nullptr);
    EXPECT_EQ(ttTable, nullptr);
    EXPECT_EQ(ttEntries, 0u);
    EXPECT_EQ(tablesArePresent(), 0);
    std::int16_t value = 0;
    ttStore(-100, 100, 2, 7);
    EXPECT_EQ(ttProbe(-100, 100, 0, value), 0);
    prepareTables();
    EXPECT_EQ(tablesArePresent(), 1);
    EXPECT_EQ(hashKeysLength, HashKeyBytes);
}

} // namespace
} // namespace tarnwick
