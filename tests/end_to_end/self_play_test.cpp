// The engine plays whole games against itself through pipes at a short move time. Every
// `bestmove` is checked against the legal moves of the perft-verified generator; a game ends by
// mate, stalemate, threefold repetition, the fifty-move rule or a ply cap of the harness.
#include "board/board.h"
#include "board/move_notation.h"
#include "board/perft.h"
#include "board/position_setup.h"
#include "search/transposition_table.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <map>
#include <set>
#include <tuple>

using namespace tarnwick_test;

namespace {

inline constexpr int PlyCap = 120;

std::set<std::string> legalMoves;

void collectLegalMove(const tarnwick::Move& move, std::uint64_t) {
    legalMoves.insert(tarnwick::moveToText(move).text);
}

char positionText[tarnwick::CommandBufferSize];

// Sets the game up in this process as the engine does and lists the legal moves.
void setUpGame(const std::string& moves) {
    std::snprintf(positionText, sizeof positionText, "startpos moves %s", moves.c_str());
    tarnwick::setupPosition(positionText);
    legalMoves.clear();
    tarnwick::perft(1, collectLegalMove);
}

TEST(SelfPlay, GamesThroughPipesPlayOnlyLegalMoves) {
    tarnwick::prepareTables();
    const std::string directory = makeTemporaryDirectory();
    EngineProcess engine;
    ASSERT_TRUE(engine.start(TARNWICK_ENGINE_PATH, directory));
    engine.sendLine("uci");
    engine.sendLine("isready");
    std::vector<std::string> lines;
    ASSERT_TRUE(engine.readUntil("readyok", lines, 10000));

    int finished = 0;
    for (const char* opening : {"e2e4", "d2d4", "c2c4", "g1f3"}) {
        std::string moves = opening;
        std::map<std::tuple<std::uint32_t, std::uint32_t, int>, int> seen;
        int quietPlies = 0;
        std::string ending = "ply cap";
        for (int played = 1; played < PlyCap; ++played) {
            setUpGame(moves);
            ASSERT_EQ(tarnwick::positionIsValid, 1) << moves;
            if (legalMoves.empty()) {
                ending = "mate or stalemate";
                break;
            }
            if (++seen[{tarnwick::lockKey, tarnwick::indexKey, tarnwick::sideToMove}] == 3) {
                ending = "repetition";
                break;
            }
            if (quietPlies >= 100) {
                ending = "fifty moves";
                break;
            }
            engine.sendLine("position startpos moves " + moves);
            engine.sendLine("go movetime 15");
            lines.clear();
            ASSERT_TRUE(engine.readUntil("bestmove", lines, 10000)) << moves;
            const std::string best = lines.back().substr(9, lines.back().find(' ', 9) - 9);
            ASSERT_TRUE(legalMoves.count(best)) << "illegal " << best << " after " << moves;
            // A pawn move or a capture starts the fifty-move count again.
            const int from = (best[1] - '1') * 16 + (best[0] - 'a');
            const int to = (best[3] - '1') * 16 + (best[2] - 'a');
            const bool resets = tarnwick::board[from].piece == tarnwick::Pawn ||
                                tarnwick::board[to].piece != tarnwick::Empty;
            quietPlies = resets ? 0 : quietPlies + 1;
            moves += " " + best;
        }
        ++finished;
        std::printf("game %d (%s): %s\n", finished, ending.c_str(), moves.c_str());
    }
    EXPECT_EQ(finished, 4);
    engine.sendLine("quit");
    int status = -1;
    EXPECT_TRUE(engine.waitForExit(status, 10000));
    EXPECT_EQ(status, 0);
    removeDirectory(directory);
    tarnwick::releaseTables();
}

} // namespace
