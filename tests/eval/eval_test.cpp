// The evaluation in this process: the running score against the evaluation from scratch, the
// won ending's tables, the endgame data solved, written and probed, and the tool's egtb commands.
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "board/make_unmake.h"
#include "board/move_generation.h"
#include "board/move_notation.h"
#include "board/position_setup.h"
#include "eval/endgame_builder.h"
#include "eval/endgame_data.h"
#include "eval/root_evaluation.h"
#include "eval/static_evaluation.h"
#include "search/node_search.h"
#include "search/transposition_table.h"
#include "test_support.h"

namespace tarnwick {
namespace {

int dataSquare(const char* name) {
    return endgameSquare(name[0] - 'a', name[1] - '1');
}

using tarnwick_test::setPosition;
using tarnwick_test::WorkingFolder;

// The position with the evaluation's state reset.
void setUpRoot(const char* positionText, bool chess960 = false) {
    resetEvaluation();
    setPosition(positionText, chess960);
}

// The 425,984 bytes of "Endgame.bin", solved once per test program (it takes a moment under the
// sanitizers); the solved endings stay readable through solvedEndgameValue.
const std::uint8_t* builtEndgameData() {
    static const std::vector<std::uint8_t> data = [] {
        std::vector<std::uint8_t> bytes(EndgameFileSize);
        buildEndgameData(bytes.data());
        return bytes;
    }();
    return data.data();
}

void writeFile(const char* name, const void* bytes, std::size_t size) {
    std::ofstream(name, std::ios::binary)
        .write(static_cast<const char*>(bytes), std::streamsize(size));
}

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

// clang-format off
struct RootPosition {
    const char* text;
    bool chess960 = false;
};
constexpr RootPosition rootPositions[] = {
    {"startpos"},
    {"fen r3k2r/pppq1ppp/2npbn2/2b1p3/2B1P3/2NPBN2/PPPQ1PPP/R3K2R w KQkq - 0 1"},
    {"fen r3k2r/1P4P1/8/8/8/8/1p4p1/R3K2R w KQkq - 0 1"},
    {"fen rnbqkbnr/ppppp1pp/8/4P3/8/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1"},
    {"fen 4k3/1p1p1p1p/p1p1p1p1/8/8/P1P1P1P1/1P1P1P1P/4K3 w - - 0 1"},
    {"fen r1bq1rk1/pp2ppbp/2np1np1/8/3NP3/2N1BP2/PPPQ2PP/R3KB1R w KQ - 0 1"},
    {"fen 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1"},
    {"fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"},
    {"fen 4k3/pp1p1ppp/8/2pPp3/8/8/PPP1PPPP/4K3 w - - 0 1"},
    {"fen r3k3/1P3ppp/8/8/8/8/PPP3p1/4K2R b Kq - 0 1"},
    // Chess960: the castling rook's table values from its real squares.
    {"fen bbqnnrkr/pppppppp/8/8/8/8/PPPPPPPP/BBQNNRKR w HFhf - 0 1", true},
    {"fen 2r1kr2/pp3ppp/8/8/8/8/PP3PPP/2R1KR2 w FCfc - 0 1", true},
    {"fen 1r4kr/p5pp/8/8/8/8/P5PP/1R4KR w HBhb - 0 1", true},
};
// clang-format on

constexpr int WalksPerRoot = 40;
constexpr int LongestWalk = 60; // stays within the pawn-mask stack and the move stack

TEST(IncrementalScore, RunningScoreMatchesScratchEvaluationAlongRandomWalks) {
    std::mt19937 random(20261206u);
    int positions = 0, movesPlayed = 0;
    std::vector<Move> moves;
    for (const auto& [base, chess960] : rootPositions) {
        for (int walk = 0; walk < WalksPerRoot; ++walk) {
            setUpRoot(base, chess960);
            int score = prepareRootEvaluation(); // seen by the side to move
            int castlingBonus[2] = {0, 0}, expected;
            if (!scoreFromScratch(sideToMove, castlingBonus, expected))
                continue;
            ++positions;
            ASSERT_EQ(score, expected) << base;
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
                ASSERT_EQ(afterMove, expected) << base << " then" << line;
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
}

constexpr int Draw = EndgameDraw;
constexpr int Unknown = EndgameNoKnowledge; // no knowledge, or a position that cannot occur
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

// In a won ending only the kings have table values: the bare king is driven to the edge, the
// stronger one drawn towards it.
TEST(RootEvaluation, AWonEndingValuesOnlyTheKings) {
    setUpRoot("fen k7/8/8/8/8/8/8/R3K3 w - - 0 1");
    prepareRootEvaluation();
    ASSERT_EQ(rootWeakerSide, Black);
    const std::tuple<int, const char*, int> kings[] = {
        {Black, "a8", 28}, {Black, "d4", 128}, {White, "e1", 68}, {White, "b6", 116}};
    for (const auto& [colour, square, value] : kings)
        EXPECT_EQ(pieceSquareTable[colour][King][tarnwick_test::squareOf(square)], value) << square;
    for (int square = 0; square < BoardCells; ++square)
        EXPECT_EQ(pieceSquareTable[White][Rook][square], 0) << square;
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
        // A mate in 50 lands on the hundredth half-move; one in 51, or in 200, comes too late.
        {QueenExample, White, 0, 32137, 50, EndgameFileSize, 31899},
        {QueenExample, White, 0, 32137, 51, EndgameFileSize, Unknown},
        {QueenExample, White, 0, 32137, 200, EndgameFileSize, Unknown},
        {QueenExample, White, 0, 32137, 253, EndgameFileSize, 0},
        {QueenExample, White, 0, 32137, 201, EndgameFileSize, Unknown},
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

// Strong king, weak king, man, weak side to move: mated (0), mate in one, a stalemate, and
// positions that cannot occur (kings touching, the side not to move in check, a pawn on the last
// rank); the pass below proves every other value from these.
TEST(EndgameBuilder, KnownPositionsHaveTheirValues) {
    builtEndgameData();
    const std::tuple<int, const char*, const char*, const char*, int, int> cases[] = {
        {Queen, "b6", "a8", "b7", 1, 0},       {Rook, "b6", "a8", "h1", 0, 1},
        {Queen, "h1", "a8", "b6", 1, Draw},    {Queen, "d4", "d5", "a1", 0, Unknown},
        {Queen, "a1", "h8", "d4", 0, Unknown}, {Pawn, "a1", "h6", "c8", 0, Unknown}};
    for (const auto& [piece, strongKing, weakKing, man, weakToMove, expected] : cases) {
        const int value = solvedEndgameValue(piece, keyOf(strongKing, weakKing, man, weakToMove));
        EXPECT_EQ(value, expected) << strongKing << weakKing << man << weakToMove;
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
        int failures = 0, longest = 0;
        for (int key = 0; key < EndgameKeyCount && failures < 10; ++key) {
            const int value = solvedEndgameValue(piece, key);
            const bool legal = isLegalEndgamePosition(piece, key);
            const int count = legal ? generateEndgameSuccessors(piece, key, successors) : 0;
            int best = Draw, worst = 0;
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
        // A black strong side gets the ranks flipped; the case of a letter gives its colour. The
        // placement runs from a8 to h1 with a "1" for each empty square.
        const int strong = static_cast<int>(random() % 2);
        std::string text = "fen " + std::string(64, '1');
        for (const auto& [square, letter] : {std::pair{strongKingOf(key), 'K'},
                                             {manOf(key), PieceLetters[piece] ^ 0x20},
                                             {weakKingOf(key), 'k'}}) {
            const int rank = strong == White ? square % 8 : 7 - square % 8;
            text[static_cast<std::size_t>(4 + (7 - rank) * 8 + square / 8)] =
                static_cast<char>(strong == White ? letter : letter ^ 0x20);
        }
        text += weakToMoveOf(key) == strong ? " w - - 0 1" : " b - - 0 1";
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

using Lines = std::vector<std::string>;
using tarnwick_test::runTool;

// The build writes the solved data byte for byte; the probe reads them back for white king e1 and
// queen d1 against the black king e8, Black to move.
TEST(ToolCommands, EgtbBuildsTheFileProbesItAndRefusesOtherMaterial) {
    const WorkingFolder folder;
    Lines lines;
    ASSERT_EQ(runTool({"egtb", "build"}, lines, folder.path), 0);
    std::string written;
    ASSERT_TRUE(tarnwick_test::readFile(folder.path + "/" + EndgameFileName, written));
    EXPECT_EQ(written, std::string(builtEndgameData(), builtEndgameData() + EndgameFileSize));
    const int value = solvedEndgameValue(
        Queen, endgameKey(dataSquare("e1"), dataSquare("e8"), dataSquare("d1"), 1));
    ASSERT_EQ(runTool({"egtb", "probe", "fen", "4k3/8/8/8/8/8/8/3QK3", "b", "-", "-", "0", "1"},
                      lines, folder.path),
              0);
    EXPECT_EQ(lines, (Lines{"offset 32137", "value " + std::to_string(value),
                            "score " + std::to_string(MateScore - 1 - 2 * value)}));
    EXPECT_EQ(runTool({"egtb", "probe", "startpos"}, lines, folder.path), 2);
    EXPECT_EQ(runTool({"egtb", "build", "/nonexistent-folder/Endgame.bin"}, lines), 1);
}

} // namespace
} // namespace tarnwick
