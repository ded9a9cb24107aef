// The endgame data: the probe on hand-made files (mate score arithmetic, bytes without meaning,
// files missing, short or long), and the solved endings and the file built from them (known facts,
// every value against its successors, the layout, and the probe on the built file against a
// one-ply search over the engine's own moves).
#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <tuple>

#include "eval_test_support.h"
#include "search/node_search.h"

namespace tarnwick {
namespace {

constexpr int Draw = EndgameDraw;
constexpr int Unknown = EndgameNoKnowledge; // no knowledge, or a position that cannot occur
constexpr int Win = -1;                     // any mate count, when the exact one is not the point
constexpr int StrongPieces[3] = {Queen, Rook, Pawn};
// Worked example: white king e1 and queen d1 against the black king e8, Black to move.
constexpr char QueenExample[] = "fen 4k3/8/8/8/8/8/8/3QK3 b - - 0 1";

int keyOf(const char* strongKing, const char* weakKing, const char* man, int weakToMove) {
    return endgameKey(dataSquare(strongKing), dataSquare(weakKing), dataSquare(man), weakToMove);
}

// The probe as the search makes it: `justMoved` has just moved, at `atPly`, with "Endgame.bin" of
// `size` bytes of no knowledge but `value` at `offset`.
int probeWithFile(const char* position, int justMoved, int atPly, int offset, int value,
                  int size = EndgameFileSize) {
    std::string data(static_cast<std::size_t>(size), static_cast<char>(Unknown));
    if (offset < size)
        data[static_cast<std::size_t>(offset)] = static_cast<char>(value);
    writeFile(EndgameFileName, data.data(), data.size());
    resetEndgameData();
    setPosition(position);
    sideToMove = justMoved;
    otherSide = 1 - justMoved;
    ply = atPly;
    const int score = probeEndgame();
    ply = 0;
    return score;
}

// The worked example's byte set to 5, probed at ply 7: 31982 with the weak side to move (t = 1);
// with the strong side to move (t = 0, the byte before) the strong side's score negated, -31983.
// Black's rook ending is flipped in the ranks onto the example's squares. 253 is a draw; other
// bytes above 200 mean no knowledge. A missing file is looked for once; a file shorter than
// 425,984 bytes counts as missing, a longer one is read for its first 425,984 bytes.
TEST(EndgameData, MateScoresBytesWithoutMeaningAndFilesOfEverySize) {
    const std::tuple<const char*, int, int, int, int, int, int> cases[] = {
        {QueenExample, White, 7, 32137, 5, EndgameFileSize, 31982},
        {"fen 4k3/8/8/8/8/8/8/3QK3 w - - 0 1", Black, 7, 32136, 5, EndgameFileSize, -31983},
        {"fen 3rk3/8/8/8/8/8/8/4K3 w - - 0 1", Black, 0, EndgameRookOffset + 32137, 7,
         EndgameFileSize, 31985},
        {QueenExample, White, 0, 32137, 200, EndgameFileSize, 31599},
        {QueenExample, White, 0, 32137, 253, EndgameFileSize, 0},
        {QueenExample, White, 0, 32137, 201, EndgameFileSize, Unknown},
        {QueenExample, White, 0, 32137, 255, EndgameFileSize, Unknown},
        {QueenExample, White, 7, 32137, 5, 1000, Unknown},
        {QueenExample, White, 7, 32137, 5, EndgameFileSize - 1, Unknown},
        {QueenExample, White, 7, 32137, 5, EndgameFileSize + 4096, 31982}};
    const WorkingFolder folder;
    setPosition(QueenExample);
    EXPECT_EQ(probeEndgame(), Unknown); // no file, and it is not looked for again:
    EXPECT_EQ(probeWithFile(QueenExample, White, 7, 32137, 5), 31982);
    for (const auto& [position, justMoved, atPly, offset, value, size, score] : cases)
        EXPECT_EQ(probeWithFile(position, justMoved, atPly, offset, value, size), score)
            << position << " " << value << " " << size;
}

// Strong king, weak king, man, weak side to move: mated (0), mate in one, a stalemate, a pawn that
// promotes and mates, and positions that cannot occur (kings touching, the side not to move in
// check, a pawn on the last rank); the pass below proves every other value from these.
TEST(EndgameBuilder, KnownPositionsHaveTheirValues) {
    builtEndgameData();
    const std::tuple<int, const char*, const char*, const char*, int, int> cases[] = {
        {Queen, "b6", "a8", "b7", 1, 0},       {Rook, "b6", "a8", "h1", 0, 1},
        {Queen, "h1", "a8", "b6", 1, Draw},    {Pawn, "b6", "a8", "c6", 0, Win},
        {Queen, "d4", "d5", "a1", 0, Unknown}, {Queen, "a1", "h8", "d4", 0, Unknown},
        {Pawn, "a1", "h6", "c8", 0, Unknown}};
    for (const auto& [piece, strongKing, weakKing, man, weakToMove, expected] : cases) {
        const int value = solvedEndgameValue(piece, keyOf(strongKing, weakKing, man, weakToMove));
        EXPECT_TRUE(expected == Win ? value <= EndgameLongestMate : value == expected)
            << strongKing << weakKing << man << weakToMove << ": " << value;
    }
}

// Strong side to move, value v: the best move reaches v - 1 and none reaches less; a draw has no
// winning move. Weak side to move: the longest defence takes exactly v and a draw has a defence
// that does not lose; without a move it is mated (0) in check and stalemated (draw) otherwise.
// The longest wins with the strong side to move are the known 10 moves of the queen, 16 of the
// rook. The byte of the file the engine reads for a key holds that very value.
TEST(EndgameBuilder, EveryValueAgreesWithItsSuccessorsAndTheFile) {
    const std::uint8_t* data = builtEndgameData();
    EndgameSuccessor successors[MaxEndgameSuccessors];
    for (int piece : StrongPieces) {
        int failures = 0;
        int longest = 0;
        for (int key = 0; key < EndgameKeyCount && failures < 10; ++key) {
            const int value = solvedEndgameValue(piece, key);
            const bool legal = isLegalEndgamePosition(piece, key);
            const int count = legal ? generateEndgameSuccessors(piece, key, successors) : 0;
            int best = Draw;
            int worst = 0;
            for (int i = 0; i < count; ++i) {
                const int next = solvedEndgameValue(successors[i].piece, successors[i].key);
                ASSERT_TRUE(next <= EndgameLongestMate || next == Draw) << piece << " key " << key;
                best = std::min(best, next);
                worst = std::max(worst, next);
            }
            bool consistent = value == worst;
            if (!legal)
                consistent = value == Unknown;
            else if (!weakToMoveOf(key))
                consistent = value == Draw
                                 ? best == Draw
                                 : value >= 1 && value <= EndgameLongestMate && best == value - 1;
            else if (count == 0)
                consistent = value == (isWeakKingInCheck(piece, key) ? 0 : Draw);
            if (legal && !weakToMoveOf(key) && value != Draw)
                longest = std::max(longest, value);
            const int offset = endgameOffset(key, piece);
            consistent =
                consistent && offset >= 0 && offset < EndgameFileSize && data[offset] == value;
            failures += !consistent;
            EXPECT_TRUE(consistent) << piece << " key " << key << " value " << value << " best "
                                    << best << " worst " << worst << " offset " << offset;
        }
        if (piece != Pawn) {
            EXPECT_EQ(longest, piece == Queen ? 10 : 16);
        }
    }
}

// Offsets by hand: the worked example (king e1, queen d1 against e8: files flipped, then
// mirrored), a king on a8 (ranks flipped), on b2 (triangle square 4), on c1 (mirrored in the
// diagonal to a3), on g7 (files and ranks flipped to b2), on d4 (the last triangle square); pawn
// endings are only flipped in the files (king on e2), never in the ranks (king on a8).
TEST(EndgameFile, KeysAreNormalisedToTheirOffsets) {
    const std::tuple<int, const char*, const char*, const char*, int, int> cases[] = {
        {Queen, "e1", "e8", "d1", 1, 32137}, {Rook, "a8", "h1", "c6", 0, 90020},
        {Queen, "b2", "h8", "e5", 1, 40905}, {Queen, "c1", "h5", "d2", 0, 21398},
        {Rook, "g7", "a1", "c8", 1, 122833}, {Rook, "d4", "a8", "h1", 0, 156656},
        {Pawn, "e2", "a8", "h3", 1, 376709}, {Pawn, "a8", "h1", "b7", 0, 228380}};
    for (const auto& [piece, strongKing, weakKing, man, weakToMove, offset] : cases)
        EXPECT_EQ(endgameOffset(keyOf(strongKing, weakKing, man, weakToMove), piece), offset)
            << strongKing << weakKing << man << weakToMove;
}

// Random three-man positions of either colour at random plies, set up as the engine does: the
// probe after the last move equals the best of the probes after each legal reply, negated (a
// one-ply search), or the mate or stalemate score when there is no reply. The engine's own move
// generator checks the moves the data were solved with, promotions and captures included.
TEST(EndgameFile, ProbeAgreesWithAOnePlySearch) {
    const WorkingFolder folder;
    writeFile(EndgameFileName, builtEndgameData(), EndgameFileSize);
    std::mt19937 random(20261206);
    for (int n = 0; n < 1000; ++n) {
        const int piece = StrongPieces[n % 3];
        int key;
        do
            key = static_cast<int>(random() % EndgameKeyCount);
        while (!isLegalEndgamePosition(piece, key));
        // A black strong side gets the ranks flipped; the case of a letter gives its colour.
        const int strong = static_cast<int>(random() % 2);
        std::string placement(64, '1');
        for (const auto& [square, letter] : {std::pair{strongKingOf(key), 'K'},
                                             {manOf(key), PieceLetters[piece] ^ 0x20},
                                             {weakKingOf(key), 'k'}}) {
            const int rank = strong == White ? square % 8 : 7 - square % 8;
            placement[static_cast<std::size_t>(rank * 8 + square / 8)] =
                static_cast<char>(strong == White ? letter : letter ^ 0x20);
        }
        std::string text = "fen ";
        for (int rank = 7; rank >= 0; --rank)
            text += placement.substr(static_cast<std::size_t>(rank) * 8, 8) + (rank ? "/" : " ");
        text += weakToMoveOf(key) == strong ? "w - - 0 1" : "b - - 0 1";
        setPosition(text.c_str());
        const int probePly = static_cast<int>(random() % 20);
        const std::vector<Move> moves = tarnwick_test::generatedMoves(true);
        EndgameSuccessor successors[MaxEndgameSuccessors];
        ASSERT_EQ(moves.size(), std::size_t(generateEndgameSuccessors(piece, key, successors)))
            << text;
        // Without a reply the side to move is mated in check and stalemated otherwise.
        const bool inCheck = isSquareAttacked(otherSide, pieceList[sideToMove][0].square);
        int expected = !moves.empty() ? MateScore : inCheck ? MateScore - (1 + probePly) : 0;
        for (const Move& move : moves) {
            makeMove(move); // leaves the mover as sideToMove, as the search probes
            ply = probePly + 1;
            expected = std::min(expected, -probeEndgame());
            unmakeMove(move);
        }
        std::swap(sideToMove, otherSide);
        ply = probePly;
        EXPECT_EQ(probeEndgame(), expected) << text << " at ply " << probePly;
        ply = 0;
    }
}

} // namespace
} // namespace tarnwick
