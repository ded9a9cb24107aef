// The `uci` identification and the Hash option.
#include "channel/input_reader.h"
#include "channel/options.h"
#include "channel_fixture.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace tarnwick;

namespace {

class Options : public channel_test::ChannelTest {};

TEST_F(Options, IdentityAnnouncesTheDefaultHashEvenAfterAChange) {
    hashSizeMb = 64;
    sendIdentity();
    EXPECT_EQ(output->take(), "id name Tarnwick 4.15\n"
                              "id author Velmarok\n"
                              "option name Hash type spin default 1 min 1 max 1024\n"
                              "option name Ponder type check default true\n");
    EXPECT_EQ(hashSizeMb, 1);
}

TEST_F(Options, HashValueIsReadCaseSensitivelyAndNeverBelowOne) {
    const struct {
        const char* args;
        int before;
        int after;
    } cases[] = {
        {"name Hash value 64", 1, 64},       {"name Hash value 2048", 1, 2048}, // no upper limit
        {"name Hash value 0", 16, 1},        {"name Hash value -5", 16, 1},
        {"name Hash value abc", 16, 1},      {"name Hash value 99999999999999", 1, 2147483647},
        {"name hash value 64", 16, 16}, // lower case is not the option
        {"name Ponder value false", 16, 16}, {"name Ponder value false", 0, 1}, // before any `uci`
    };
    for (auto& c : cases) {
        hashSizeMb = c.before;
        std::strcpy(commandArgs, c.args);
        applyOption();
        EXPECT_EQ(hashSizeMb, c.after) << c.args;
    }
    EXPECT_EQ(output->take(), "");
}

TEST_F(Options, TablesGetTheDefaultSizeBeforeAnyUci) {
    EXPECT_EQ(hashSizeMb, 0);
    EXPECT_EQ(hashSizeForTables(), DefaultHashSizeMb);
    hashSizeMb = 64;
    EXPECT_EQ(hashSizeForTables(), 64);
}

} // namespace
