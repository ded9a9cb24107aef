// Perft over the real generators against the published counts, every move of perft walks taken
// back exactly, and the perft tool's output and refusals.

#include <iterator>
#include <sstream>

#include "board/perft.h"
#include "board_test_support.h"
#include "test_support.h"

namespace tarnwick {
namespace {

int walkEndSlot = 0;
long failures = 0;
long movesOfKind[Sentinel + 1]{};

// A perft walk that checks every move it makes, legal or not: after make and the side exchange
// the keys equal keys computed from scratch, and unmake restores board, lists, count and keys;
// the square sets agree with the cells after both.
int checkMove(SearchFrame* frame) {
    const int slot = currentSlot;
    const Move& candidate = moveStack[slot];
    const PositionSnapshot before = takeSnapshot();
    makeMove(candidate);
    const bool legal = isSquareAttacked(otherSide, pieceList[sideToMove][0].square) == 0;
    std::swap(sideToMove, otherSide);
    failures += !keysMatchScratch() || !boardIsConsistent();
    if (legal && ++currentSlot < walkEndSlot)
        generateAllMoves(frame);
    currentSlot = slot;
    std::swap(sideToMove, otherSide);
    unmakeMove(candidate);
    failures += !(takeSnapshot() == before) || !boardIsConsistent();
    ++movesOfKind[candidate.kind];
    return 0;
}

const char* const Position5 = "fen rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8";

TEST(Perft, MatchesThePublishedCountsAndMakeUnmakeRestoresEveryMoveOfTheWalk) {
    std::string longGame = "startpos moves g1f3 g8f6 e2e3 e7e6 f1e2 f8e7 e1f1 e8f8 f1e1 f8e8";
    for (int i = 0; i < 25; ++i)
        longGame += " b1c3 b8c6 c3b1 c6b8";
    const std::tuple<std::string, int, std::uint64_t> cases[] = {
        {"startpos", 5, 4865609},
        {"fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -", 4, 4085603},
        {"fen 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", 5, 674624},
        {"fen r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 4, 422333},
        {Position5, 4, 2103487},
        {"fen r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 4,
         3894594},
        // Castling only with its right, from the FEN or kept since, also once the king's move
        // has left the remembered history; en passant onto the FEN's square.
        {"fen r1bqk2r/pppp1ppp/2n2n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQK2R b - - 0 1", 3, 44456},
        {"fen 4k2r/8/8/8/8/8/8/4K3 b - - 0 1", 1, 14},
        {"fen 4k2r/8/8/8/8/8/8/4K3 b - - 0 1", 3, 1149},
        {"fen rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3", 1, 31},
        {"fen rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3", 3, 21637},
        {longGame, 1, 28},
    };
    for (const auto& [position, depth, leaves] : cases) {
        setPosition(position.c_str());
        EXPECT_EQ(perft(depth, nullptr), leaves) << position;
        moveCallback = checkMove; // the same tree one ply shallower, every move checked
        walkEndSlot = RootSlot + depth - 1;
        generateAllMoves(nullptr);
    }
    for (int kind : {NormalMove, EnPassant, Promotion, CastleKingSide, CastleQueenSide})
        EXPECT_GT(movesOfKind[kind], 10) << "kind " << kind;
    // The null move, with every reply below it, checked the same way.
    moveStack[currentSlot] = NullMove;
    walkEndSlot = RootSlot + 2;
    checkMove(nullptr);
    EXPECT_EQ(failures, 0);
}

TEST(PerftTool, PrintsRootMovesInGenerationOrderAndRefusesBadInputWithOneLine) {
    std::vector<std::string> lines;
    EXPECT_EQ(tarnwick_test::runTool(
                  {"perft", "2", "startpos", "moves", "e2e4", "d7d5", "e4e5", "f7f5"}, lines),
              0);
    // En passant first, then captures (none), castling (none), the king's quiet moves.
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 3),
              (std::vector<std::string>{"e5f6: 29", "e1e2: 24", "d1e2: 24"}));
    EXPECT_EQ(lines.rbegin()[2], "");
    EXPECT_EQ(lines.rbegin()[1], "Nodes searched: 707");
    for (const char* arguments : {"perft", "perft x", "perft 0", "perft 2x", "perft 65",
                                  "perft 99999999999", "perft 1 fen 4k3/8/8/8/8/8/8/3KK3"}) {
        std::istringstream words(arguments);
        const std::vector<std::string> split{std::istream_iterator<std::string>(words), {}};
        EXPECT_EQ(tarnwick_test::runTool(split, lines), 2) << arguments;
        EXPECT_EQ(lines.size(), 1u) << arguments;
    }
}

} // namespace
} // namespace tarnwick
