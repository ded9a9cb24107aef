// The string routines, the fixed random generator behind the hash keys, whole-file reading,
// allocation and the saturating number reader.
#include "channel/runtime_services.h"
#include "channel_fixture.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace tarnwick;

namespace {

class RuntimeServices : public channel_test::ChannelTest {};

struct ReplaceCase {
    const char* text;
    const char* pattern;
    const char* replacement;
    const char* expected;
    int count;
};

TEST_F(RuntimeServices, ReplaceAllCountsAndNeverRescansInsertedText) {
    const ReplaceCase cases[] = {
        {"a\n\n\nb", "\n\n", "\n", "a\n\nb", 1}, // a run of three shrinks by one per call
        {"a\n\nb", "\n\n", "\n", "a\nb", 1},
        {"a\nb", "\n\n", "\n", "a\nb", 0}, // nothing found: unchanged
        {"aaaa", "aa", "a", "aa", 2},
        {"aa", "a", "aa", "aaaa", 2}, // the inserted text is not searched again
        {"x&My&M", "&M", "September", "xSeptemberySeptember", 2}, // grows in place
        {"go\t\twtime", "\t", " ", "go  wtime", 2},
        {"", "x", "y", "", 0},
        {"abc", "", "y", "abc", 0}, // an empty pattern replaces nothing
    };
    for (const ReplaceCase& c : cases) {
        char text[64];
        std::strcpy(text, c.text);
        EXPECT_EQ(replaceAll(text, c.pattern, c.replacement), c.count) << c.text;
        EXPECT_STREQ(text, c.expected) << c.text;
    }
}

TEST_F(RuntimeServices, ReplaceAllCollapsesRunsWhenRepeated) {
    char text[32] = "a\n\n\nb";
    EXPECT_EQ(replaceAll(text, "\n\n", "\n"), 1);
    EXPECT_EQ(replaceAll(text, "\n\n", "\n"), 1);
    EXPECT_EQ(replaceAll(text, "\n\n", "\n"), 0);
    EXPECT_STREQ(text, "a\nb");
}

TEST_F(RuntimeServices, TrimBlanksRemovesOnlySpacesAtTheEnds) {
    const char* cases[][2] = {
        {"  uci  ", "uci"}, {"    ", ""},       {"", ""},
        {"a b", "a b"},     {"\ta\t", "\ta\t"}, {" go wtime 5 ", "go wtime 5"},
    };
    for (auto& c : cases) {
        char text[32];
        std::strcpy(text, c[0]);
        trimBlanks(text);
        EXPECT_STREQ(text, c[1]) << '"' << c[0] << '"';
    }
}

struct FieldCase {
    const char* source;
    int field;
    char separator;
    const char* expected;
    int result;
};

TEST_F(RuntimeServices, GetFieldTakesFieldsOneByOne) {
    const FieldCase cases[] = {
        {"e2e4 e7e5", 1, ' ', "e2e4", 0},
        {"e2e4 e7e5", 2, ' ', "e7e5", 0},
        {"e2e4 e7e5", 3, ' ', "", -1},
        {"", 1, ' ', "", -1},
        {"e2e4 ", 2, ' ', "", -1}, // reached only at the very end: not found
        {"e2e4", 1, ' ', "e2e4", 0},
        {"a,b,,c", 3, ',', "", 0}, // an empty field in the middle is found
        {"a,b,,c", 4, ',', "c", 0},
        {"one\ntwo", 2, ' ', "two", 0}, // a line feed separates too
        {"x y", 0, ' ', "", -1},
    };
    for (const FieldCase& c : cases) {
        char destination[32] = "garbage";
        EXPECT_EQ(getField(destination, c.field, c.source, c.separator), c.result)
            << c.source << " field " << c.field;
        EXPECT_STREQ(destination, c.expected) << c.source << " field " << c.field;
    }
}

TEST_F(RuntimeServices, HashKeysAreTheFixedSequenceOfSeed30073) {
    // The generator is fixed, so these bytes hold with every compiler and library.
    const std::uint8_t firstBytes[] = {196, 0, 162, 231, 11, 120, 144, 92, 49, 187, 239, 11};
    buildHashKeys(HashKeyBytes);
    ASSERT_NE(hashKeys, nullptr);
    EXPECT_EQ(hashKeysLength, HashKeyBytes);
    std::vector<std::uint8_t> first(hashKeys, hashKeys + HashKeyBytes);
    for (std::size_t i = 0; i < sizeof firstBytes; ++i)
        EXPECT_EQ(first[i], firstBytes[i]) << "byte " << i;

    // A rebuild after other draws starts the sequence again.
    seedRandom(5);
    randomInRange(0, 100);
    buildHashKeys(HashKeyBytes);
    EXPECT_EQ(std::vector<std::uint8_t>(hashKeys, hashKeys + HashKeyBytes), first);
    std::free(hashKeys);
    hashKeys = nullptr;
    hashKeysLength = 0;
}

TEST_F(RuntimeServices, RandomInRangeStaysInItsBounds) {
    const int bounds[][2] = {{0, 255}, {-3, 3}, {7, 7}, {INT_MIN, INT_MAX}};
    seedRandom(-1); // seeded from the calendar time
    for (auto& b : bounds) {
        for (int i = 0; i < 200; ++i) {
            int value = randomInRange(b[0], b[1]);
            ASSERT_TRUE(value >= b[0] && value <= b[1]) << value;
        }
    }
}

TEST_F(RuntimeServices, ReadWholeFileReturnsBytesAndTerminatorOrNull) {
    unsigned size = 99;
    EXPECT_EQ(readWholeFile("missing.bin", size), nullptr);
    EXPECT_EQ(size, 0u);
    std::ofstream("empty.bin").close();
    EXPECT_EQ(readWholeFile("empty.bin"), nullptr);
    EXPECT_EQ(readWholeFile("."), nullptr); // a directory is not a file

    const std::string contents("ab\0cd\n", 6);
    std::ofstream("data.bin", std::ios::binary) << contents;
    char* buffer = readWholeFile("data.bin", size);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(std::string(buffer, size), contents);
    EXPECT_EQ(buffer[size], 0);
    std::free(buffer);
    EXPECT_EQ(output->take(), ""); // no message of its own
}

TEST_F(RuntimeServices, AllocationIsZeroedAndCopiesAreExact) {
    unsigned char* block = static_cast<unsigned char*>(allocZeroed(1000));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(block[i], 0);
    std::free(block);
    void* empty = allocZeroed(0);
    EXPECT_NE(empty, nullptr);
    std::free(empty);

    char* copy = duplicateString("position startpos");
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy, "position startpos");
    std::free(copy);
}

TEST_F(RuntimeServices, ReadIntegerReadsLikeAtoiButSaturates) {
    const std::pair<const char*, int> cases[] = {
        {"42", 42},
        {"  -7x", -7},
        {"+5", 5},
        {"", 0},
        {"abc", 0},
        {"- 5", 0},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"99999999999999999999", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-99999999999999999999", INT_MIN},
    };
    for (auto& c : cases)
        EXPECT_EQ(readInteger(c.first), c.second) << c.first;
}

} // namespace
