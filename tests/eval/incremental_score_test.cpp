// The running score of the search (root score plus one evaluateMove per move, negated at each ply)
// must equal the evaluation computed from scratch with the same root tables, along random legal
// move walks that take in every kind of move.
#include "board/make_unmake.h"
#include "board/move_generation.h"
#include "board/move_notation.h"
#include "eval_test_support.h"

#include <cstdint>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace tarnwick {
namespace {

std::vector<Move>* collectedMoves = nullptr;

// The legality test of the search: make, look at the own king, take back.
int collectLegalMove(SearchFrame*) {
    const Move move = moveStack[currentSlot];
    makeMove(move);
    const int legal = !isSquareAttacked(otherSide, pieceList[sideToMove][0].square);
    unmakeMove(move);
    if (legal)
        collectedMoves->push_back(move);
    return 0;
}

void collectLegalMoves(std::vector<Move>& moves) {
    moves.clear();
    collectedMoves = &moves;
    moveCallback = collectLegalMove;
    for (int i = lastPieceIndex[otherSide]; i >= 1; --i) {
        if (pieceList[otherSide][i].piece != Empty)
            generateCaptures(pieceList[otherSide][i].square, nullptr);
    }
    for (int i = 0; i <= lastPieceIndex[sideToMove]; ++i) {
        if (pieceList[sideToMove][i].piece != Empty)
            generateQuietMoves(pieceList[sideToMove][i].square, nullptr);
    }
    generateEnPassant(nullptr);
    generateCastling(nullptr);
    moveCallback = nullptr;
}

int pawnsOnFile(int colour, int file) {
    int count = 0;
    for (int rank = 0; rank < 8; ++rank) {
        const BoardCell& cell = board[makeSquare(file, rank)];
        count += cell.piece == Pawn && cell.colour == colour;
    }
    return count;
}

// The file masks lose count of a third pawn on a file, by design; walks stop there.
bool hasTripledFile() {
    for (int colour = White; colour <= Black; ++colour) {
        for (int file = 0; file < 8; ++file) {
            if (pawnsOnFile(colour, file) >= 3)
                return true;
        }
    }
    return false;
}

// Material, table values, pawn structure from the board and the castling bonuses earned in the
// walk, seen by `side`.
int scoreFromScratch(int side, const int castlingBonus[2]) {
    int score = castlingBonus[side] - castlingBonus[1 - side];
    PawnFileMasks masks{};
    for (int s = 0; s < BoardCells; ++s) {
        if (!isOnBoard(s) || board[s].piece == Empty)
            continue;
        const int colour = board[s].colour;
        const int piece = board[s].piece;
        const int value = pieceSquareTable[colour][piece][s] + pieceValue[piece];
        score += colour == side ? value : -value;
    }
    for (int colour = White; colour <= Black; ++colour) {
        for (int file = 0; file < 8; ++file) {
            const int count = pawnsOnFile(colour, file);
            if (count >= 1)
                masks.files[colour] |= static_cast<std::uint8_t>(1 << file);
            if (count >= 2)
                masks.doubled[colour] |= static_cast<std::uint8_t>(1 << file);
        }
    }
    return score + pawnStructurePenalty(masks, 1 - side) - pawnStructurePenalty(masks, side);
}

bool isSpecial(const Move& move) {
    return move.captured != Empty || move.kind != NormalMove ||
           (move.piece == Pawn && (move.to - move.from == 32 || move.from - move.to == 32));
}

struct Coverage {
    int positions = 0;
    int moves = 0;
    int enPassant = 0;
    int quietPromotions = 0;
    int capturePromotions = 0;
    int kingSideCastlings = 0;
    int queenSideCastlings = 0;
    int pawnCapturesDoubling = 0;
    int pawnCapturesUndoubling = 0;
};

void countCoverage(const Move& move, Coverage& coverage) {
    ++coverage.moves;
    coverage.enPassant += move.kind == EnPassant;
    coverage.quietPromotions += move.kind == Promotion && move.captured == Empty;
    coverage.capturePromotions += move.kind == Promotion && move.captured != Empty;
    coverage.kingSideCastlings += move.kind == CastleKingSide;
    coverage.queenSideCastlings += move.kind == CastleQueenSide;
    if (move.piece == Pawn && (move.captured != Empty || move.kind == EnPassant)) {
        coverage.pawnCapturesDoubling += pawnsOnFile(sideToMove, fileOf(move.to)) >= 1;
        coverage.pawnCapturesUndoubling += pawnsOnFile(sideToMove, fileOf(move.from)) >= 2;
    }
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
constexpr int LongestPrefix = 12;
constexpr int LongestWalk = 60; // stays within the pawn-mask stack and the move stack

// Plays a random legal prefix as game moves, so that roots differ and carry a history.
std::string randomRoot(const char* base, std::mt19937& random) {
    std::string text = base;
    std::vector<Move> moves;
    const int prefix = static_cast<int>(random() % (LongestPrefix + 1));
    for (int i = 0; i < prefix; ++i) {
        setUpRoot(text.c_str());
        collectLegalMoves(moves);
        if (moves.empty())
            break;
        text += text.find(" moves") == std::string::npos ? " moves " : " ";
        text += moveToText(moves[random() % moves.size()]).text;
    }
    return text;
}

TEST(IncrementalScore, RunningScoreMatchesScratchEvaluationAlongRandomWalks) {
    std::mt19937 random(20261206u);
    Coverage coverage;
    std::vector<Move> moves;
    std::vector<Move> specials;
    int failures = 0;
    for (const char* base : rootPositions) {
        for (int walk = 0; walk < WalksPerRoot && failures < 5; ++walk) {
            const std::string root = randomRoot(base, random);
            setUpRoot(root.c_str());
            if (hasTripledFile())
                continue;
            ++coverage.positions;
            int score = prepareRootEvaluation(); // seen by the side to move
            int castlingBonus[2] = {0, 0};
            ASSERT_EQ(score, scoreFromScratch(sideToMove, castlingBonus)) << root;
            std::string line;
            for (int step = 0; step < LongestWalk; ++step) {
                collectLegalMoves(moves);
                if (moves.empty())
                    break;
                // Half of the choices go to captures, promotions, castlings and double steps.
                specials.clear();
                for (const Move& move : moves) {
                    if (isSpecial(move))
                        specials.push_back(move);
                }
                const std::vector<Move>& pool =
                    !specials.empty() && random() % 2 == 0 ? specials : moves;
                const Move move = pool[random() % pool.size()];
                countCoverage(move, coverage);
                line += std::string(" ") + moveToText(move).text;

                // As the search does: make, copy the parent pawn record, add the change.
                moveStack[currentSlot] = move;
                makeMove(move);
                pawnRecordOfPly(ply) = pawnMaskStack[ply];
                const int mover = sideToMove;
                const int afterMove = score + evaluateMove();
                if (move.kind == CastleKingSide)
                    castlingBonus[mover] += 32;
                if (move.kind == CastleQueenSide)
                    castlingBonus[mover] += 16;
                if (hasTripledFile())
                    break;
                const int expected = scoreFromScratch(mover, castlingBonus);
                EXPECT_EQ(afterMove, expected) << root << " then" << line;
                if (afterMove != expected) {
                    ++failures;
                    break;
                }
                std::swap(sideToMove, otherSide);
                ++ply;
                ++currentSlot;
                score = -afterMove;
            }
        }
    }
    ply = 0;
    currentSlot = RootSlot;

    EXPECT_GE(coverage.positions, 300);
    EXPECT_GE(coverage.moves, 5000);
    EXPECT_GE(coverage.enPassant, 10);
    EXPECT_GE(coverage.quietPromotions, 10);
    EXPECT_GE(coverage.capturePromotions, 10);
    EXPECT_GE(coverage.kingSideCastlings, 10);
    EXPECT_GE(coverage.queenSideCastlings, 10);
    EXPECT_GE(coverage.pawnCapturesDoubling, 10);
    EXPECT_GE(coverage.pawnCapturesUndoubling, 10);
    std::printf(
        "positions %d moves %d en passant %d promotions %d+%d castlings %d+%d pawn captures "
        "doubling %d undoubling %d\n",
        coverage.positions, coverage.moves, coverage.enPassant, coverage.quietPromotions,
        coverage.capturePromotions, coverage.kingSideCastlings, coverage.queenSideCastlings,
        coverage.pawnCapturesDoubling, coverage.pawnCapturesUndoubling);
}

} // namespace
} // namespace tarnwick
