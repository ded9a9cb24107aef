// The string routines with which the reader and the position reader cut and normalise text (the
// hash keys of the fixed random generator are proved by the search's node counts).
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "channel/runtime_services.h"

using namespace tarnwick;

namespace {

// replaceAll: a run of three line feeds shrinks by one per call; inserted text is not searched
// again; the text grows in place; an empty pattern replaces nothing.
TEST(StringRoutines, ReplaceAllCountsAndNeverRescansInsertedText) {
    // clang-format off
    const struct { const char *text, *pattern, *replacement, *expected; int count; } cases[] = {
        {"a\n\n\nb", "\n\n", "\n", "a\n\nb", 1}, {"a\nb", "\n\n", "\n", "a\nb", 0},
        {"aaaa", "aa", "a", "aa", 2}, {"aa", "a", "aa", "aaaa", 2}, {"", "x", "y", "", 0},
        {"x&My&M", "&M", "September", "xSeptemberySeptember", 2}, {"abc", "", "y", "abc", 0},
    };
    // clang-format on
    for (auto& c : cases) {
        char text[64];
        std::strcpy(text, c.text);
        EXPECT_EQ(replaceAll(text, c.pattern, c.replacement), c.count) << c.text;
        EXPECT_STREQ(text, c.expected) << c.text;
    }
}

TEST(StringRoutines, TrimBlanksRemovesOnlySpacesAtTheEnds) {
    const char* cases[][2] = {
        {"  uci  ", "uci"}, {"    ", ""}, {"", ""}, {"a b", "a b"}, {"\ta\t", "\ta\t"}};
    for (auto& c : cases) {
        char text[32];
        std::strcpy(text, c[0]);
        trimBlanks(text);
        EXPECT_STREQ(text, c[1]) << '"' << c[0] << '"';
    }
}

// getField: a field reached only at the very end is not found, an empty one in the middle is;
// a line feed separates too.
TEST(StringRoutines, GetFieldTakesFieldsOneByOne) {
    // clang-format off
    const struct { const char* source; int field; char separator; const char* expected; int result; }
    cases[] = {
        {"e2e4 e7e5", 1, ' ', "e2e4", 0}, {"e2e4 e7e5", 2, ' ', "e7e5", 0},
        {"e2e4 e7e5", 3, ' ', "", -1}, {"", 1, ' ', "", -1}, {"e2e4 ", 2, ' ', "", -1},
        {"a,b,,c", 3, ',', "", 0}, {"a,b,,c", 4, ',', "c", 0}, {"one\ntwo", 2, ' ', "two", 0},
        {"x y", 0, ' ', "", -1},
    };
    // clang-format on
    for (auto& c : cases) {
        char destination[32] = "garbage";
        EXPECT_EQ(getField(destination, c.field, c.source, c.separator), c.result)
            << c.source << " field " << c.field;
        EXPECT_STREQ(destination, c.expected) << c.source << " field " << c.field;
    }
}

} // namespace
