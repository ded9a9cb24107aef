// Whole games through pipes: one at a fixed depth, move for move beside the engine built with the
// tests (the engine under test may be a build for another system), and one whose GUI sends the
// current position as a FEN on every move. Every `bestmove` must be legal.
#include <gtest/gtest.h>
#include <map>

#include "board/board.h"
#include "engine_session.h"
#include "search/transposition_table.h"

using namespace end_to_end;

namespace {

class SelfPlay : public EngineSession {
  protected:
    void SetUp() override {
        EngineSession::SetUp();
        tarnwick::prepareTables();
        exchange("uci\nisready\n", "readyok");
    }
    void TearDown() override {
        finish();
        tarnwick::releaseTables();
        EngineSession::TearDown();
    }
    // Sends the commands and returns the move of the bestmove line, which must be legal in
    // `position`.
    std::string legalAnswer(const std::string& position, const std::string& go) {
        const std::set<std::string> legal = legalMoveTexts(position);
        const std::string line =
            exchange("position " + position + "\n" + go + "\n", "bestmove").back();
        EXPECT_TRUE(legal.count(bestMoveOf(line))) << line << " in " << position;
        return bestMoveOf(line);
    }
};

// At a fixed depth the moves follow from the commands alone. The game ends by mate, stalemate,
// a third repetition or the harness's cap of 120 plies.
TEST_F(SelfPlay, AGameAtFixedDepthIsTheSameAsTheNativeBuilds) {
    tarnwick_test::EngineProcess reference;
    ASSERT_TRUE(reference.start({TARNWICK_ENGINE_PATH}, directory));
    reference.lineEnding.assign(1, '\n'); // a native program
    std::string game = "startpos moves e2e4";
    std::map<std::pair<std::uint32_t, int>, int> seen;
    for (int ply = 1; ply < 120 && !legalMoveTexts(game).empty() &&
                      ++seen[{tarnwick::lockKey, tarnwick::sideToMove}] < 3;
         ++ply) {
        const std::string best = legalAnswer(game, "go depth 5");
        std::vector<std::string> expected;
        ASSERT_TRUE(reference.sendRaw("position " + game + "\ngo depth 5\n"));
        ASSERT_TRUE(reference.readUntil("bestmove", expected, ReplyTimeoutMs));
        ASSERT_EQ(best, bestMoveOf(expected.back())) << game;
        game += " " + best;
    }
}

// The FEN of the position set up in this process, without castling rights or en passant square.
std::string fenWithoutRights() {
    std::string fen;
    for (int rank = 7; rank >= 0; --rank) {
        for (int file = 0, empty = 0; file < 8; ++file) {
            const tarnwick::BoardCell& cell = tarnwick::board[rank * 16 + file];
            if (cell.piece == tarnwick::Empty && ++empty && file < 7)
                continue;
            fen += empty > 0 ? std::to_string(empty) : "";
            if (cell.piece != tarnwick::Empty)
                fen += static_cast<char>("?KQRBNP"[cell.piece] | (cell.colour << 5));
            empty = 0;
        }
        fen += rank > 0 ? "/" : "";
    }
    return fen + (tarnwick::sideToMove == tarnwick::White ? " w - - 0 1" : " b - - 0 1");
}

// Both kings have moved and come back, the FEN says so with "-", and the engine, which castles at
// once here when it may, never castles.
TEST_F(SelfPlay, AGuiSendingTheCurrentFenAfterTheKingsHaveMovedNeverSeesCastling) {
    std::string position = "fen r1bqk2r/pppp1ppp/2n2n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQK2R w KQkq - "
                           "0 1 moves e1f1 e8f8 f1e1 f8e8";
    for (int played = 0; played < 12; ++played) {
        legalMoveTexts(position);
        position = "fen " + fenWithoutRights();
        const std::string best = legalAnswer(position, "go depth 5");
        for (const char* castling : {"e1g1", "e1c1", "e8g8", "e8c8"})
            ASSERT_NE(best, castling) << position;
        position += " moves " + best;
    }
}

} // namespace
