// The solved endings and the file built from them: known facts, a pass that checks every value
// against its successors, the layout, and the probe on the built file against a one-ply search
// over the engine's own moves.
#include "eval_test_support.h"
#include "search/node_search.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace tarnwick {
namespace {

constexpr int StrongPieces[3] = {Queen, Rook, Pawn};
constexpr int Win = -1; // any mate count, when the exact one is not the point

int keyOf(const char* strongKing, const char* weakKing, const char* man, int weakToMove) {
    return endgameKey(dataSquare(strongKing), dataSquare(weakKing), dataSquare(man), weakToMove);
}

// Strong king, weak king, man, weak side to move: mated (0), mate in one, stalemates, a weak king
// taking an unprotected man, rook pawns with the weak king in the promotion corner, the opposition
// held by either side, a pawn that promotes and mates, and positions that cannot occur (kings
// touching, the side not to move in check, a pawn on the last rank).
TEST(EndgameBuilder, KnownPositionsHaveTheirValues) {
    builtEndgameData();
    const std::tuple<int, const char*, const char*, const char*, int, int> cases[] = {
        {Queen, "b6", "a8", "b7", 1, 0},
        {Rook, "b6", "a8", "h8", 1, 0},
        {Queen, "b6", "a8", "c7", 0, 1},
        {Rook, "b6", "a8", "h1", 0, 1},
        {Queen, "h1", "a8", "b6", 1, EndgameDraw},
        {Pawn, "b6", "a8", "a7", 1, EndgameDraw},
        {Queen, "h1", "d4", "e5", 1, EndgameDraw},
        {Rook, "h1", "d4", "e4", 1, EndgameDraw},
        {Pawn, "h1", "d5", "e5", 1, EndgameDraw},
        {Pawn, "h1", "a8", "a4", 0, EndgameDraw},
        {Pawn, "a1", "h8", "h5", 0, EndgameDraw},
        {Pawn, "d5", "d7", "d4", 0, EndgameDraw},
        {Pawn, "d5", "d7", "d4", 1, Win},
        {Pawn, "b6", "a8", "c6", 0, Win},
        {Queen, "d4", "d5", "a1", 0, EndgameNoKnowledge},
        {Queen, "a1", "h8", "d4", 0, EndgameNoKnowledge},
        {Pawn, "a1", "h6", "c8", 0, EndgameNoKnowledge}};
    for (const auto& [piece, strongKing, weakKing, man, weakToMove, expected] : cases) {
        const int value = solvedEndgameValue(piece, keyOf(strongKing, weakKing, man, weakToMove));
        if (expected == Win)
            EXPECT_LE(value, EndgameLongestMate) << strongKing << weakKing << man << weakToMove;
        else
            EXPECT_EQ(value, expected) << strongKing << weakKing << man << weakToMove;
    }
}

// Strong side to move, value v: the best move reaches v - 1 and none reaches less; a draw has no
// winning move. Weak side to move: the longest defence takes exactly v and a draw has a defence
// that does not lose; without a move it is mated (0) in check and stalemated (draw) otherwise.
// The longest wins with the strong side to move are the known 10 moves of the queen, 16 of the
// rook.
TEST(EndgameBuilder, EveryValueAgreesWithItsSuccessors) {
    builtEndgameData();
    EndgameSuccessor successors[MaxEndgameSuccessors];
    for (int piece : StrongPieces) {
        int failures = 0;
        int longest = 0;
        for (int key = 0; key < EndgameKeyCount && failures < 10; ++key) {
            const int value = solvedEndgameValue(piece, key);
            int best = EndgameDraw;
            int worst = 0;
            const bool legal = isLegalEndgamePosition(piece, key);
            const int count = legal ? generateEndgameSuccessors(piece, key, successors) : 0;
            for (int i = 0; i < count; ++i) {
                const int next = solvedEndgameValue(successors[i].piece, successors[i].key);
                ASSERT_TRUE(next <= EndgameLongestMate || next == EndgameDraw)
                    << piece << " key " << key << " reaches an impossible position";
                best = std::min(best, next);
                worst = std::max(worst, next);
            }
            bool consistent = value == worst;
            if (!legal)
                consistent = value == EndgameNoKnowledge;
            else if (!weakToMoveOf(key))
                consistent = value == EndgameDraw
                                 ? best == EndgameDraw
                                 : value >= 1 && value <= EndgameLongestMate && best == value - 1;
            else if (count == 0)
                consistent = value == (isWeakKingInCheck(piece, key) ? 0 : EndgameDraw);
            if (legal && !weakToMoveOf(key) && value != EndgameDraw)
                longest = std::max(longest, value);
            failures += !consistent;
            EXPECT_TRUE(consistent) << piece << " key " << key << " value " << value << " best "
                                    << best << " worst " << worst;
        }
        if (piece != Pawn) {
            EXPECT_EQ(longest, piece == Queen ? 10 : 16);
        }
    }
}

// The byte the engine reads for any key holds the value of that very position. Offsets by hand:
// the worked example (king e1, queen d1 against e8: files flipped, then mirrored), a king on a8
// (ranks flipped), on b2 (triangle square 4), on c1 (mirrored in the diagonal to a3), on g7 (files
// and ranks flipped to b2), on d4 (the last triangle square); pawn endings are only flipped in the
// files (king on e2), never in the ranks (king on a8).
TEST(EndgameFile, EveryKeyReadsItsOwnValue) {
    const std::uint8_t* data = builtEndgameData();
    const std::tuple<int, const char*, const char*, const char*, int, int> cases[] = {
        {Queen, "e1", "e8", "d1", 1, 32137}, {Rook, "a8", "h1", "c6", 0, 90020},
        {Queen, "b2", "h8", "e5", 1, 40905}, {Queen, "c1", "h5", "d2", 0, 21398},
        {Rook, "g7", "a1", "c8", 1, 122833}, {Rook, "d4", "a8", "h1", 0, 156656},
        {Pawn, "e2", "a8", "h3", 1, 376709}, {Pawn, "a8", "h1", "b7", 0, 228380}};
    for (const auto& [piece, strongKing, weakKing, man, weakToMove, offset] : cases) {
        EXPECT_EQ(endgameOffset(keyOf(strongKing, weakKing, man, weakToMove), piece), offset)
            << strongKing << weakKing << man << weakToMove;
    }
    for (int piece : StrongPieces) {
        int failures = 0;
        for (int key = 0; key < EndgameKeyCount && failures < 10; ++key) {
            const int offset = endgameOffset(key, piece);
            ASSERT_TRUE(offset >= 0 && offset < EndgameFileSize) << piece << " key " << key;
            failures += data[offset] != solvedEndgameValue(piece, key);
            EXPECT_EQ(data[offset], solvedEndgameValue(piece, key)) << piece << " key " << key;
        }
    }
}

// Random three-man positions of either colour at random plies, set up as the engine does: the
// probe after the last move equals the best of the probes after each legal reply, negated (a
// one-ply search), or the mate or stalemate score when there is no reply. The engine's own move
// generator thereby checks the moves the data were solved with, promotions and captures included.
TEST(EndgameFile, ProbeAgreesWithAOnePlySearch) {
    const WorkingFolder folder;
    writeFile(EndgameFileName, builtEndgameData(), EndgameFileSize);
    std::mt19937 random(20261206);
    std::vector<Move> moves;
    for (int positions = 0; positions < 1000;) {
        const bool blackStrong = random() % 2;
        const char man = "QRP"[random() % 3];
        int squares[3]; // rank * 8 + file
        for (int& square : squares)
            square = static_cast<int>(random() % 64);
        std::string placement(64, '1');
        placement[squares[0]] = blackStrong ? 'k' : 'K';
        placement[squares[1]] = blackStrong ? static_cast<char>(man ^ 0x20) : man;
        placement[squares[2]] = blackStrong ? 'K' : 'k';
        // Castling, which the data leave out, needs the king on its home square.
        if (squares[0] == squares[1] || squares[1] == squares[2] || squares[0] == squares[2] ||
            (man == 'P' && (squares[1] < 8 || squares[1] >= 56)) ||
            squares[0] == (blackStrong ? 60 : 4))
            continue;
        std::string text = "fen ";
        for (int rank = 7; rank >= 0; --rank)
            text += placement.substr(static_cast<std::size_t>(rank) * 8, 8) + (rank ? "/" : " ");
        text += random() % 2 ? "w - - 0 1" : "b - - 0 1";
        setUpPosition(text.c_str());
        if (!positionIsValid || isSquareAttacked(sideToMove, pieceList[otherSide][0].square))
            continue;
        ++positions;
        const int probePly = static_cast<int>(random() % 20);
        collectLegalMoves(moves);
        int expected = 0;
        if (moves.empty() && isSquareAttacked(otherSide, pieceList[sideToMove][0].square))
            expected = MateScore - (1 + probePly);
        if (!moves.empty()) {
            expected = MateScore;
            for (const Move& move : moves) {
                makeMove(move); // leaves the mover as sideToMove, as the search probes
                ply = probePly + 1;
                expected = std::min(expected, -probeEndgame());
                unmakeMove(move);
            }
        }
        std::swap(sideToMove, otherSide);
        ply = probePly;
        EXPECT_EQ(probeEndgame(), expected) << text << " at ply " << probePly;
        ply = 0;
    }
}

} // namespace
} // namespace tarnwick
