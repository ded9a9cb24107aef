// The running score of the search (root score plus one evaluateMove per move, negated at each ply)
// must equal the evaluation computed from scratch with the same root tables, along random legal
// move walks that take in every kind of move.
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "board/move_notation.h"
#include "eval_test_support.h"

namespace tarnwick {
namespace {

int pawnsOnFile(int colour, int file) {
    int count = 0;
    for (int rank = 0; rank < 8; ++rank) {
        const BoardCell& cell = board[makeSquare(file, rank)];
        count += cell.piece == Pawn && cell.colour == colour;
    }
    return count;
}

// Material, table values, pawn structure from the board and the castling bonuses earned in the
// walk, seen by `side`. False when a file holds three pawns of one colour: the file masks lose
// count there, deliberately, and walks stop.
bool scoreFromScratch(int side, const int castlingBonus[2], int& score) {
    score = castlingBonus[side] - castlingBonus[1 - side];
    for (int s = 0; s < BoardCells; ++s) {
        if (!isOnBoard(s) || board[s].piece == Empty)
            continue;
        const int value =
            pieceSquareTable[board[s].colour][board[s].piece][s] + pieceValue[board[s].piece];
        score += board[s].colour == side ? value : -value;
    }
    PawnFileMasks masks{};
    for (int colour = White; colour <= Black; ++colour) {
        for (int file = 0; file < 8; ++file) {
            const int count = pawnsOnFile(colour, file);
            if (count >= 3)
                return false;
            masks.files[colour] |= static_cast<std::uint8_t>((count >= 1) << file);
            masks.doubled[colour] |= static_cast<std::uint8_t>((count >= 2) << file);
        }
    }
    score += pawnStructurePenalty(masks, 1 - side) - pawnStructurePenalty(masks, side);
    return true;
}

bool isSpecial(const Move& move) {
    return move.captured != Empty || move.kind != NormalMove ||
           (move.piece == Pawn && (move.to - move.from == 32 || move.from - move.to == 32));
}

// Counts the kinds of move the walks must take in often enough.
void countKinds(const Move& move, std::map<std::string, int>& seen) {
    seen["en passant"] += move.kind == EnPassant;
    seen["quiet promotion"] += move.kind == Promotion && move.captured == Empty;
    seen["capture promotion"] += move.kind == Promotion && move.captured != Empty;
    seen["king-side castling"] += move.kind == CastleKingSide;
    seen["queen-side castling"] += move.kind == CastleQueenSide;
    const bool pawnTakes = move.piece == Pawn && (move.captured != Empty || move.kind == EnPassant);
    seen["pawn capture doubling"] += pawnTakes && pawnsOnFile(sideToMove, fileOf(move.to)) >= 1;
    seen["pawn capture undoubling"] += pawnTakes && pawnsOnFile(sideToMove, fileOf(move.from)) >= 2;
}

// clang-format off
constexpr const char* rootPositions[] = {
    "startpos",
    "fen r3k2r/pppq1ppp/2npbn2/2b1p3/2B1P3/2NPBN2/PPPQ1PPP/R3K2R w KQkq - 0 1",
    "fen r3k2r/1P4P1/8/8/8/8/1p4p1/R3K2R w KQkq - 0 1",
    "fen rnbqkbnr/ppppp1pp/8/4P3/8/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1",
    "fen 4k3/1p1p1p1p/p1p1p1p1/8/8/P1P1P1P1/1P1P1P1P/4K3 w - - 0 1",
    "fen r1bq1rk1/pp2ppbp/2np1np1/8/3NP3/2N1BP2/PPPQ2PP/R3KB1R w KQ - 0 1",
    "fen 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "fen 4k3/pp1p1ppp/8/2pPp3/8/8/PPP1PPPP/4K3 w - - 0 1",
    "fen r3k3/1P3ppp/8/8/8/8/PPP3p1/4K2R b Kq - 0 1",
};
// clang-format on

constexpr int WalksPerRoot = 40;
constexpr int LongestWalk = 60; // stays within the pawn-mask stack and the move stack

TEST(IncrementalScore, RunningScoreMatchesScratchEvaluationAlongRandomWalks) {
    std::mt19937 random(20261206u);
    int positions = 0;
    int movesPlayed = 0;
    std::map<std::string, int> seen;
    std::vector<Move> moves;
    for (const char* base : rootPositions) {
        for (int walk = 0; walk < WalksPerRoot; ++walk) {
            const std::string root = base;
            setUpRoot(base);
            int score = prepareRootEvaluation(); // seen by the side to move
            int castlingBonus[2] = {0, 0};
            int expected;
            if (!scoreFromScratch(sideToMove, castlingBonus, expected))
                continue;
            ++positions;
            ASSERT_EQ(score, expected) << root;
            std::string line;
            for (int step = 0; step < LongestWalk; ++step) {
                moves = tarnwick_test::generatedMoves(true);
                if (moves.empty())
                    break;
                // Half of the choices go to captures, promotions, castlings and double steps.
                const auto specialsEnd =
                    std::stable_partition(moves.begin(), moves.end(), isSpecial);
                const auto specials = static_cast<std::size_t>(specialsEnd - moves.begin());
                const std::size_t pool =
                    specials > 0 && random() % 2 == 0 ? specials : moves.size();
                const Move move = moves[random() % pool];
                ++movesPlayed;
                countKinds(move, seen);
                line += std::string(" ") + moveToText(move).text;

                // As the search does: make, copy the parent pawn record, add the change.
                moveStack[currentSlot] = move;
                makeMove(move);
                pawnRecordOfPly(ply) = pawnMaskStack[ply];
                const int mover = sideToMove;
                const int afterMove = score + evaluateMove();
                castlingBonus[mover] += move.kind == CastleKingSide    ? 32
                                        : move.kind == CastleQueenSide ? 16
                                                                       : 0;
                if (!scoreFromScratch(mover, castlingBonus, expected))
                    break;
                ASSERT_EQ(afterMove, expected) << root << " then" << line;
                std::swap(sideToMove, otherSide);
                ++ply;
                ++currentSlot;
                score = -afterMove;
            }
        }
    }
    ply = 0;
    currentSlot = RootSlot;

    EXPECT_GE(positions, 300);
    EXPECT_GE(movesPlayed, 5000);
    for (const auto& [kind, count] : seen)
        EXPECT_GE(count, 10) << kind;
}

} // namespace
} // namespace tarnwick
