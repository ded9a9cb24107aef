// The isready and quit entry points that build and free the tables (what the table keeps is
// proved by the search's node counts).
#include "search_fixture.h"

namespace tarnwick_test {
namespace {

// The probe's value, or -99 for a miss.
int probe(int alpha, int beta, int depth) {
    std::int16_t value = 0;
    return ttProbe(alpha, beta, depth, value) ? value : -99;
}

TEST_F(SearchTest, TableSizeFollowsTheHashOptionFallsBackToOneMebibyteAndReleaseIsSafe) {
    ttStore(-100, 100, 3, 12);
    prepareTables(); // same size: the entries survive
    EXPECT_EQ(probe(-100, 100, 3), 12);
    hashSizeMb = 2;
    prepareTables();
    EXPECT_EQ(ttEntries, 2 * TtEntriesPerMb);
    EXPECT_EQ(probe(-100, 100, 3), -99); // a new size starts empty
    // 4096 MiB is one byte more than the allocation service takes; 2^31 - 1 MiB cannot be had
    // at all. Either leaves a 1 MiB table, and a size that failed is not tried again.
    for (int size : {4096, 2147483647}) {
        hashSizeMb = size;
        prepareTables();
        EXPECT_EQ(ttEntries, TtEntriesPerMb);
        ttStore(-100, 100, 2, 7);
        prepareTables();
        EXPECT_EQ(probe(-100, 100, 2), 7);
    }
    // Released twice, as before any isready: no tables, and probes miss.
    releaseTables();
    releaseTables();
    EXPECT_EQ(hashKeys, nullptr);
    EXPECT_EQ(tablesArePresent(), 0);
    ttStore(-100, 100, 2, 7);
    EXPECT_EQ(probe(-100, 100, 0), -99);
    prepareTables();
    EXPECT_EQ(tablesArePresent(), 1);
}

} // namespace
} // namespace tarnwick_test
