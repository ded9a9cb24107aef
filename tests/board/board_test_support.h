// Helpers of the board tests: positions set up from `position` argument texts, moves collected
// from the real generators, and snapshots of everything make/unmake must restore.
#pragma once

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/make_unmake.h"
#include "board/move_generation.h"
#include "board/move_notation.h"
#include "board/position_setup.h"
#include "test_support.h"

namespace tarnwick {

using tarnwick_test::moveRecord;
using tarnwick_test::squareOf;

using tarnwick_test::generatedMoves;
using tarnwick_test::setPosition;

// The texts of the moves the generators hand over for this position, in the root order; with
// `from`, only that man's moves; with `special`, only en passant and castling.
inline std::string movesText(const char* position, const char* from = "", bool special = false) {
    setPosition(position);
    std::string text;
    for (const Move& each : generatedMoves())
        if ((*from == 0 || each.from == squareOf(from)) &&
            (!special || (each.kind & ~Promotion) != 0))
            text.append(text.empty() ? "" : " ").append(moveToText(each).text);
    return text;
}

using tarnwick_test::keysMatchScratch;
using tarnwick_test::PositionSnapshot;
using tarnwick_test::takeSnapshot;

} // namespace tarnwick
