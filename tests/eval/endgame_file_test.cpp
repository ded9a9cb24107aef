// The built file as the engine reads it: every normalised offset holds the value of the position
// it stands for, and probeEndgame agrees with a short search of its own.
#include "board/board.h"
#include "endgame_fixture.h"
#include "eval/endgame_builder.h"
#include "eval/endgame_data.h"
#include "search/node_search.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <random>

namespace tarnwick {
namespace {

constexpr int StrongPieces[3] = {Queen, Rook, Pawn};

class EndgameFile : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { builtEndgameData(); }
    void TearDown() override {
        resetBoard();
        resetEndgameData();
    }
};

int keyOf(const char* strongKing, const char* weakKing, const char* man, int weakToMove) {
    return endgameKey(dataSquare(strongKing), dataSquare(weakKing), dataSquare(man), weakToMove);
}

// Offsets worked out by hand: the file and rank flips, the diagonal mirror and the numbering of
// the triangle.
TEST_F(EndgameFile, OffsetsOfNormalisedPositions) {
    struct Case {
        const char* what;
        int piece;
        const char* strongKing;
        const char* weakKing;
        const char* man;
        int weakToMove;
        int offset;
    };
    const Case cases[] = {
        {"king e1, queen d1 against e8: files flipped, then mirrored", Queen, "e1", "e8", "d1", 1,
         32137},
        {"king on a8: ranks flipped", Rook, "a8", "h1", "c6", 0, 90020},
        {"king on b2: triangle square 4", Queen, "b2", "h8", "e5", 1, 40905},
        {"king on c1: mirrored in the diagonal to a3", Queen, "c1", "h5", "d2", 0, 21398},
        {"king on g7: files and ranks flipped to b2", Rook, "g7", "a1", "c8", 1, 122833},
        {"king on d4: the last triangle square", Rook, "d4", "a8", "h1", 0, 156656},
        {"pawn, king on e2: files flipped only", Pawn, "e2", "a8", "h3", 1, 376709},
        {"pawn, king on a8: ranks never flipped", Pawn, "a8", "h1", "b7", 0, 228380},
    };
    const std::uint8_t* data = builtEndgameData();
    for (const Case& c : cases) {
        const int key = keyOf(c.strongKing, c.weakKing, c.man, c.weakToMove);
        EXPECT_EQ(endgameOffset(key, c.piece), c.offset) << c.what;
        EXPECT_EQ(data[c.offset], solvedEndgameValue(c.piece, key)) << c.what;
    }
}

// Every key of every ending, whichever image of it the engine reads, finds the value of the
// position itself: the positions a normalisation folds together share their value, and the
// byte of each normalised key is that of its own position.
TEST_F(EndgameFile, EveryKeyReadsItsOwnValue) {
    const std::uint8_t* data = builtEndgameData();
    for (int piece : StrongPieces) {
        int failures = 0;
        for (int key = 0; key < EndgameKeyCount && failures < 10; ++key) {
            const int offset = endgameOffset(key, piece);
            ASSERT_GE(offset, 0);
            ASSERT_LT(offset, EndgameFileSize);
            const int value = solvedEndgameValue(piece, key);
            failures += data[offset] != value;
            EXPECT_EQ(data[offset], value) << piece << " key " << key;
        }
    }
}

// Places the three men in the engine's piece lists as the node search leaves them right after a
// move: sideToMove is the side that has just moved. Squares are given with the strong side
// playing up the board; a black strong side gets them with the ranks flipped.
void placeMen(int piece, int strong, int key, int probePly) {
    resetBoard();
    const auto engineSquare = [strong](int square) {
        const int rank = strong == White ? square % 8 : 7 - square % 8;
        return makeSquare(square / 8, rank);
    };
    const int weak = 1 - strong;
    pieceList[strong][0] = {engineSquare(strongKingOf(key)), King};
    pieceList[strong][1] = {engineSquare(manOf(key)), static_cast<std::uint8_t>(piece)};
    pieceList[weak][0] = {engineSquare(weakKingOf(key)), King};
    lastPieceIndex[strong] = 1;
    lastPieceIndex[weak] = 0;
    pieceCount = 3;
    sideToMove = weakToMoveOf(key) ? strong : weak;
    otherSide = 1 - sideToMove;
    ply = probePly;
}

// The score probeEndgame owes a position of the given value, seen from the side that has just
// moved.
int expectedScore(int value, int weakToMove, int probePly) {
    if (value == EndgameDraw)
        return 0;
    const int score = MateScore - (weakToMove + 2 * value + probePly);
    return weakToMove ? score : -score;
}

TEST_F(EndgameFile, ProbesOfBothColours) {
    struct Case {
        const char* what;
        int piece;
        int strong;
        const char* strongKing;
        const char* weakKing;
        const char* man;
        int weakToMove;
        int probePly;
        int score;
    };
    const Case cases[] = {
        // Black king b3 and rook h2 against White king a1, Black to move: Rh1 mates.
        {"black rook mates in one", Rook, Black, "b6", "a8", "h7", 0, 0, -(MateScore - 2)},
        {"white rook mates in one", Rook, White, "b6", "a8", "h7", 0, 0, -(MateScore - 2)},
        {"white queen has mated", Queen, White, "b6", "a8", "b7", 1, 3, MateScore - 4},
        {"black queen has mated", Queen, Black, "b6", "a8", "b7", 1, 3, MateScore - 4},
        {"black rook pawn draws", Pawn, Black, "h1", "a8", "a4", 1, 0, 0},
        {"black pawn is taken", Pawn, Black, "h1", "d5", "e5", 1, 0, 0},
    };
    const EndgameFolder folder;
    for (const Case& c : cases) {
        placeMen(c.piece, c.strong, keyOf(c.strongKing, c.weakKing, c.man, c.weakToMove),
                 c.probePly);
        EXPECT_EQ(probeEndgame(), c.score) << c.what;
    }
    // Black king e3 and pawn e4 against White king e1, White to move: Black wins.
    const int key = keyOf("e6", "e8", "e5", 1);
    placeMen(Pawn, Black, key, 0);
    const int value = solvedEndgameValue(Pawn, key);
    ASSERT_LE(value, EndgameLongestMate);
    EXPECT_EQ(probeEndgame(), expectedScore(value, 1, 0));
}

// A short search over the rules alone: the strong side's moves to mate if that is at most
// `limit`, else -1 (strong side to move), and the strong side's moves until the weak side is
// mated under its longest defence, if that is at most `limit` (weak side to move).
int weakMatedWithin(int piece, int key, int limit);

int strongMatesWithin(int piece, int key, int limit) {
    if (limit == 0)
        return -1;
    EndgameSuccessor successors[MaxEndgameSuccessors];
    const int count = generateEndgameSuccessors(piece, key, successors);
    int best = -1;
    for (int i = 0; i < count; ++i) {
        if (successors[i].piece != Queen && successors[i].piece != Rook &&
            successors[i].piece != Pawn)
            continue;
        const int reply = weakMatedWithin(successors[i].piece, successors[i].key,
                                          best < 0 ? limit - 1 : best - 2);
        if (reply >= 0 && (best < 0 || reply + 1 < best))
            best = reply + 1;
    }
    return best;
}

int weakMatedWithin(int piece, int key, int limit) {
    if (limit < 0)
        return -1;
    EndgameSuccessor successors[MaxEndgameSuccessors];
    const int count = generateEndgameSuccessors(piece, key, successors);
    if (count == 0)
        return isWeakKingInCheck(piece, key) ? 0 : -1;
    int longest = 0;
    for (int i = 0; i < count; ++i) {
        if (successors[i].piece == Empty)
            return -1;
        const int reply = strongMatesWithin(piece, successors[i].key, limit);
        if (reply < 0)
            return -1;
        longest = reply > longest ? reply : longest;
    }
    return longest;
}

// Random positions of both colours at random plies: where the search finds a mate within two
// moves the probe gives exactly that score; elsewhere the probe knows no mate that short.
TEST_F(EndgameFile, ProbeAgreesWithShortSearch) {
    constexpr int SearchLimit = 2;
    constexpr int Positions = 1000;
    std::mt19937 random(20261206);
    const EndgameFolder folder;
    int exact = 0;
    for (int n = 0; n < Positions; ++n) {
        const int piece = StrongPieces[random() % 3];
        int key;
        do
            key = static_cast<int>(random() % EndgameKeyCount);
        while (!isLegalEndgamePosition(piece, key) ||
               // Half of the positions are short wins, so that both outcomes are tried often.
               (n % 2 == 0 && solvedEndgameValue(piece, key) > SearchLimit));
        const int strong = static_cast<int>(random() % 2);
        const int probePly = static_cast<int>(random() % 20);
        const int found = weakToMoveOf(key) ? weakMatedWithin(piece, key, SearchLimit)
                                            : strongMatesWithin(piece, key, SearchLimit);
        placeMen(piece, strong, key, probePly);
        const int score = probeEndgame();
        if (found >= 0) {
            ++exact;
            EXPECT_EQ(score, expectedScore(found, weakToMoveOf(key), probePly))
                << piece << " key " << key;
        } else {
            // Any mate within the limit would score at least this much.
            const int shortest = MateScore - (2 * SearchLimit + 1 + probePly);
            EXPECT_TRUE(score == 0 || (std::abs(score) < shortest && std::abs(score) > 31000))
                << piece << " key " << key << " score " << score;
        }
    }
    EXPECT_GT(exact, Positions / 3);
}

} // namespace
} // namespace tarnwick
