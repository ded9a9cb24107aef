// The engine plays whole games against itself through pipes at a short move time, and one at a
// fixed depth move for move beside the engine built with the tests. Every `bestmove` is checked
// against the legal moves of the perft-verified generator; a game ends by mate, stalemate,
// threefold repetition, the fifty-move rule or a ply cap of the harness.
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <tuple>

#include "board/board.h"
#include "board/move_notation.h"
#include "board/perft.h"
#include "board/position_setup.h"
#include "engine_session.h"
#include "search/transposition_table.h"

using namespace end_to_end;

namespace {

std::set<std::string> legalMoves;

// Sets the position up in this process as the engine does and lists the legal moves.
void setUpGame(const std::string& position) {
    static char positionText[tarnwick::CommandBufferSize];
    std::snprintf(positionText, sizeof positionText, "%s", position.c_str());
    tarnwick::setupPosition(positionText);
    legalMoves.clear();
    tarnwick::perft(1, [](const tarnwick::Move& move, std::uint64_t) {
        legalMoves.insert(tarnwick::moveToText(move).text);
    });
}

class SelfPlay : public EngineSession {
  protected:
    // Plays a game from `opening` with `go` for every move. Each move must be legal, and the same
    // `bestmove` line as the one `reference`, when given, sends for the same commands.
    void playGame(const std::string& opening, const std::string& go,
                  tarnwick_test::EngineProcess* reference = nullptr) {
        std::string moves = opening;
        std::map<std::tuple<std::uint32_t, std::uint32_t, int>, int> seen;
        std::string ending = "ply cap";
        for (int played = 1, quietPlies = 0; played < 120; ++played) {
            setUpGame("startpos moves " + moves);
            ASSERT_EQ(tarnwick::positionIsValid, 1) << moves;
            if (legalMoves.empty() || quietPlies >= 100 ||
                ++seen[{tarnwick::lockKey, tarnwick::indexKey, tarnwick::sideToMove}] == 3) {
                ending = legalMoves.empty() ? "mate or stalemate" : "repetition or fifty moves";
                break;
            }
            const std::string commands = "position startpos moves " + moves + "\n" + go + "\n";
            const std::vector<std::string> lines = exchange(commands, "bestmove");
            if (reference != nullptr) {
                std::vector<std::string> expected;
                ASSERT_TRUE(reference->sendRaw(commands));
                ASSERT_TRUE(reference->readUntil("bestmove", expected, ReplyTimeoutMs));
                ASSERT_EQ(lines.back(), expected.back()) << "after " << moves;
            }
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
        std::printf("game (%s): %s\n", ending.c_str(), moves.c_str());
    }
};

TEST_F(SelfPlay, GamesThroughPipesPlayOnlyLegalMoves) {
    tarnwick::prepareTables();
    exchange("uci\nisready\n", "readyok");
    for (const char* opening : {"e2e4", "d2d4", "c2c4", "g1f3"})
        playGame(opening, "go movetime 15");
    finish();
    tarnwick::releaseTables();
}

// At a fixed depth the moves follow from the commands alone: the engine under test, a build for
// another system for instance, plays the same game as the engine built with the tests.
TEST_F(SelfPlay, AGameAtFixedDepthIsTheSameAsTheNativeBuilds) {
    tarnwick::prepareTables();
    tarnwick_test::EngineProcess reference;
    ASSERT_TRUE(reference.start({TARNWICK_ENGINE_PATH}, directory));
    reference.lineEnding.assign(1, '\n'); // a native program
    std::vector<std::string> ignored;
    ASSERT_TRUE(reference.sendRaw("uci\nisready\n"));
    ASSERT_TRUE(reference.readUntil("readyok", ignored, ReplyTimeoutMs));
    exchange("uci\nisready\n", "readyok");
    playGame("e2e4", "go depth 5", &reference);
    finish();
    tarnwick::releaseTables();
}

// The FEN of the position set up in this process, without castling rights or en passant square.
std::string fenWithoutRights() {
    std::string fen;
    for (int rank = 7; rank >= 0; --rank) {
        for (int file = 0, empty = 0; file < 8; ++file) {
            const tarnwick::BoardCell& cell = tarnwick::board[rank * 16 + file];
            empty += cell.piece == tarnwick::Empty ? 1 : 0;
            if (cell.piece != tarnwick::Empty || file == 7) {
                fen += empty > 0 ? std::to_string(empty) : "";
                fen += cell.piece == tarnwick::Empty
                           ? ""
                           : std::string(1, "?KQRBNP"[cell.piece] | (cell.colour << 5));
                empty = 0;
            }
        }
        fen += rank > 0 ? "/" : "";
    }
    return fen + (tarnwick::sideToMove == tarnwick::White ? " w - - 0 1" : " b - - 0 1");
}

// A GUI that sends the current position as a FEN on every move: both kings have moved and come
// back, the FEN says so with "-", and the engine, which castles at once here when it may, never
// castles.
TEST_F(SelfPlay, AGuiSendingTheCurrentFenAfterTheKingsHaveMovedNeverSeesCastling) {
    tarnwick::prepareTables();
    exchange("uci\nisready\n", "readyok");
    std::string position = "fen r1bqk2r/pppp1ppp/2n2n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQK2R w KQkq - "
                           "0 1 moves e1f1 e8f8 f1e1 f8e8";
    for (int played = 0; played < 12; ++played) {
        setUpGame(position);
        position = "fen " + fenWithoutRights();
        const std::vector<std::string> lines =
            exchange("position " + position + "\ngo depth 5\n", "bestmove");
        const std::string best = lines.back().substr(9, lines.back().find(' ', 9) - 9);
        ASSERT_TRUE(legalMoves.count(best)) << "illegal " << best << " in " << position;
        for (const char* castling : {"e1g1", "e1c1", "e8g8", "e8c8"})
            ASSERT_NE(best, castling) << position;
        position += " moves " + best;
    }
    finish();
    tarnwick::releaseTables();
}

} // namespace
