// The board in this process: perft with every move of a walk checked, the generators' order,
// castling rights, the killer test, the `position` command and the perft tool.
#include <algorithm>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/make_unmake.h"
#include "board/move_generation.h"
#include "board/move_notation.h"
#include "board/perft.h"
#include "board/position_setup.h"
#include "test_support.h"

namespace tarnwick {
namespace {

using namespace tarnwick_test;

// The texts of the moves the generators hand over for this position, in the root order; with
// `from`, only that man's moves; with `special`, only en passant and castling.
inline std::string movesText(const char* position, const char* from = "", bool special = false,
                             bool chess960 = false) {
    setPosition(position, chess960);
    std::string text;
    for (const Move& each : generatedMoves())
        if ((*from == 0 || each.from == squareOf(from)) &&
            (!special || (each.kind & ~Promotion) != 0))
            text.append(text.empty() ? "" : " ").append(moveToText(each).text);
    return text;
}

const char* const Position5 = "fen rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8";

TEST(Perft, MatchesKnownCountsAndMakeUnmakeRestoresEveryMoveOfTheWalk) {
    std::string longGame = "startpos moves g1f3 g8f6 e2e3 e7e6 f1e2 f8e7 e1f1 e8f8 f1e1 f8e8";
    for (int i = 0; i < 25; ++i)
        longGame += " b1c3 b8c6 c3b1 c6b8";
    const struct {
        std::string position;
        int depth;
        std::uint64_t leaves;
        bool chess960 = false;
    } cases[] = {
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
        // Chess960 by the referee's counts (Stockfish's `go perft` with UCI_Chess960): a start
        // position, a king or rook already on its target, king and rook that swap squares or the
        // king landing on its rook's square, rooks taken on their squares, a king that would
        // cross or reach an attacked square; castling written as the king taking its rook, as its
        // two-file step with X-FEN's field.
        {"fen bbqnnrkr/pppppppp/8/8/8/8/PPPPPPPP/BBQNNRKR w HFhf - 0 1", 4, 201143, true},
        {"fen 1r4kr/8/8/8/8/8/8/1R4KR w HBhb - 0 1", 3, 10954, true},
        {"fen 2rk1r2/8/8/8/8/8/8/2RK1R2 w FCfc - 0 1", 3, 8771, true},
        {"fen 2r1kr2/8/8/8/8/8/8/2R1KR2 w FCfc - 0 1", 3, 8802, true},
        {"fen 1r2k1r1/8/8/8/8/8/8/1R2K1R1 w GBgb - 0 1", 3, 12297, true},
        {"fen 1k6/8/8/8/8/3r4/8/RK3R2 w FA - 0 1", 3, 8440, true},
        {"fen 4k3/8/8/8/8/8/8/1KR4q w C - 0 1", 2, 167, true},
        {"fen 1r4kr/8/8/8/8/8/8/1R4KR w HBhb - 0 1 moves g1b1 g8h8", 3, 9392, true},
        {"fen 1r4kr/8/8/8/8/8/8/1R4KR w KQkq - 0 1 moves g1c1 g8h8", 3, 9392, true},
    };
    CheckedWalk all;
    for (const auto& [position, depth, leaves, chess960] : cases) {
        setPosition(position.c_str(), chess960);
        EXPECT_EQ(perft(depth, nullptr), leaves) << position;
        // The same tree one ply shallower, every move checked.
        const CheckedWalk checked = walkAndCheck(std::max(depth - 1, 1));
        all.failures += checked.failures;
        for (int kind = 0; kind <= Sentinel; ++kind)
            all.movesOfKind[kind] += checked.movesOfKind[kind];
    }
    EXPECT_EQ(perft(0, nullptr), 1u); // the position itself
    for (int kind : {NormalMove, EnPassant, Promotion, CastleKingSide, CastleQueenSide})
        EXPECT_GT(all.movesOfKind[kind], 10) << "kind " << kind;
    // The null move, with every reply below it, checked the same way.
    moveStack[currentSlot] = NullMove;
    walk = &all, walkPliesLeft = 2, moveCallback = checkWalkMove;
    checkWalkMove(nullptr);
    EXPECT_EQ(all.failures, 0);
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
    // Chess960 castling, after the captures, as the king taking its rook; the king of the first
    // stands on its target already.
    EXPECT_EQ(tarnwick_test::runTool({"perft", "--chess960", "1", "fen", "1r4kr/8/8/8/8/8/8/1R4KR",
                                      "w", "HBhb", "-", "0", "1"},
                                     lines),
              0);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.begin() + 4),
              (std::vector<std::string>{"g1h1: 1", "g1b1: 1"}));
    for (const char* arguments :
         {"perft", "perft 2x", "perft 65", "perft 1 fen 4k3/8/8/8/8/8/8/3KK3"}) {
        std::istringstream words(arguments);
        const std::vector<std::string> split{std::istream_iterator<std::string>(words), {}};
        EXPECT_EQ(tarnwick_test::runTool(split, lines), 2) << arguments;
        EXPECT_EQ(lines.size(), 1u) << arguments;
    }
}

TEST(MoveGeneration, FollowsTheRootOrderWithCastlingAndEnPassantByTheRules) {
    const char* const cases[][3] = {
        // Position, the man whose moves are shown ("!" castling and en passant only), their texts.
        // Promotions queen, rook, bishop, knight, for captures and pushes.
        {"fen 3r1k2/4P3/8/8/8/8/8/4K3 w", "e7", "e7d8q e7d8r e7d8b e7d8n e7e8q e7e8r e7e8b e7e8n"},
        // Pushes stop at the first occupied square; a pawn on its own last rank (odd input)
        // has no pushes and reads nothing off the board.
        {"fen 4k3/8/8/8/8/4n3/4P3/4K3 w", "e2", ""},
        {"fen 4k3/8/8/8/4n3/8/4P3/4K3 w", "e2", "e2e3"},
        {"fen P3k3/8/8/8/8/8/8/4K3 w", "a8", ""},
        {"fen 4k3/8/8/8/8/8/8/p3K3 b - - 0 1", "a1", ""},
        // Castling needs its right: from the FEN's field (unknown letters ignored), or from where
        // the kings and rooks stand when there is no field. Not out of or through check; the
        // target square is left to the legality test; b1 may be attacked.
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "!", "e1g1 e1c1"},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R b - - 0 1", "!", ""},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R b KQkqX - 0 1", "!", "e8g8 e8c8"},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R b AHah - 0 1", "!", ""},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R b Kq - 0 1", "!", "e8c8"},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w", "!", "e1g1 e1c1"},
        {"fen 4k3/4r3/8/8/8/8/8/R3K2R w", "!", ""},
        {"fen 4k3/8/8/8/8/8/8/RN2K1NR w", "!", ""},
        {"fen 4k3/8/8/8/8/8/5r2/R3K2R w", "!", "e1c1"},
        {"fen 4k3/8/8/8/8/8/3r4/R3K2R w", "!", "e1g1"},
        {"fen 4k3/8/8/8/8/8/6r1/R3K2R w", "!", "e1g1 e1c1"},
        {"fen 4k3/8/8/8/8/8/1r6/R3K2R w", "!", "e1g1 e1c1"},
        // A king or rook that went away and came back has lost its right, and so has a rook
        // taken on its square, even when another one takes its place.
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w moves e1e2 e8e7 e2e1 e7e8", "!", ""},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w moves h1h2 a8a7 h2h1 a7a8", "!", "e1c1"},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1 moves a1a8 h8h1 a8b8 h1h8", "!", ""},
        // En passant answers the double step just played, or the FEN's square when a pawn of
        // the side to move can take there, and comes first of all. A square on the wrong rank,
        // without the pawn that stepped, or with a man on it or on the step's origin gives none.
        {"startpos moves e2e4 d7d5 e4e5 f7f5", "!", "e5f6"},
        {"fen 4k3/8/8/8/3p1p2/8/4P3/4K3 w moves e2e4", "!", "d4e3 f4e3"},
        {"startpos moves e2e4 d7d5 e4e5 f7f5 g1f3 g8f6", "!", ""},
        {"fen 4k3/8/8/3pPp2/8/8/8/4K3 w - d6 0 1", "!", "e5d6"},
        {"fen 4k3/8/8/8/3pPp2/8/8/4K3 b - e3 0 1", "!", "d4e3 f4e3"},
        {"fen 4k3/8/8/3pPp2/8/8/8/4K3 w - f3 0 1", "!", ""},
        {"fen 4k3/8/8/3pPp2/8/8/8/4K3 w - e6 0 1", "!", ""},
        {"fen 4k3/5p2/8/3pPp2/8/8/8/4K3 w - f6 0 1", "!", ""},
        {"fen 4k3/8/5n2/3pPp2/8/8/8/4K3 w - f6 0 1", "!", ""},
        {"fen 4k3/8/8/3pPp2/8/8/8/4K3 w - f6x 0 1", "!", ""},
        {"fen 4k3/8/8/3pPp2/8/8/8/4K3 w - f6 0 1 moves e1e2 e8e7", "!", ""},
    };
    for (const auto& [position, from, expected] : cases) {
        const bool special = std::strcmp(from, "!") == 0;
        EXPECT_EQ(movesText(position, special ? "" : from, special), expected) << position;
    }
}

// Chess960 castling by the rights of the field: file letters (Shredder-FEN), K and Q for the
// outermost rook and a file letter for another (X-FEN); a letter without its rook or a king off
// its back rank gives none. The squares both men cross must be empty but for the two, those the
// king crosses unattacked. The killer test agrees with the generator on both sides' castling.
TEST(MoveGeneration, Chess960CastlingByTheFieldAndTheSquaresItCrosses) {
    const char* const cases[][2] = {
        {"fen 1r4kr/8/8/8/8/8/8/1R4KR w HBhb - 0 1", "g1h1 g1b1"},
        {"fen 2rk1r2/8/8/8/8/8/5P2/2RK1R2 b FCfc - 0 1", "d8f8 d8c8"},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1h1 e1a1"},
        {"fen 4k3/8/8/8/8/8/8/1R2K1RR w G - 0 1", "e1g1"},
        {"fen 4k3/8/8/8/8/8/8/1R2K1RR w K - 0 1", ""}, // the h1 rook's: g1 stands in the way
        {"fen 1r4kr/8/8/8/8/8/8/1R4KR w HCg - 0 1", "g1h1"},
        {"fen 1r4kr/8/8/8/8/8/8/1R4KR b HCg - 0 1", ""},
        {"fen 1r4kr/8/8/8/8/8/6K1/1R5R w HB - 0 1", ""},
        {"fen 1r4kr/8/8/8/8/8/8/1RN3KR w HBhb - 0 1", "g1h1"}, // c1 in the king's way
        {"fen 4k3/8/8/8/8/8/8/RN3K2 w A - 0 1", ""},           // b1 in the rook's way
        {"fen 1k6/8/8/8/8/3r4/8/RK3R2 w FA - 0 1", "b1a1"},    // d1 attacked
    };
    for (const auto& [position, expected] : cases) {
        EXPECT_EQ(movesText(position, "", true, true), expected) << position;
        const std::vector<Move> moves = generatedMoves();
        for (const int kind : {CastleKingSide, CastleQueenSide}) {
            const Move castlingMove = {
                .to =
                    static_cast<std::int16_t>(castlingKingTarget[castlingIndex(sideToMove, kind)]),
                .from = static_cast<std::int16_t>(pieceList[sideToMove][0].square),
                .kind = static_cast<std::uint8_t>(kind),
                .piece = King,
                .captured = Empty};
            moveStack[currentSlot] = castlingMove;
            EXPECT_EQ(isMoveValid() != 0,
                      std::find(moves.begin(), moves.end(), castlingMove) != moves.end())
                << position << " kind " << kind;
        }
    }
}

TEST(IsMoveValid, AcceptsOnlyKillersThatStillFitThePosition) {
    const struct {
        const char* position;
        Move killer;
        int valid;
    } cases[] = {
        {"startpos", moveRecord("g1f3", Knight, Empty, NormalMove), 1},
        {"startpos", moveRecord("f3g5", Knight, Empty, NormalMove), 0}, // origin empty now
        {"startpos", moveRecord("a1a3", Rook, Empty, NormalMove), 0},   // blocked
        {"startpos moves e2e4 d7d5 e4e5 f7f5", moveRecord("e5f6", Pawn, Empty, EnPassant), 0},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w", moveRecord("e1c1", King, Empty, CastleQueenSide), 1},
        {"fen r3k2r/8/8/8/8/8/5r2/R3K2R w", moveRecord("e1g1", King, Empty, CastleKingSide), 0},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w Kkq - 0 1",
         moveRecord("e1c1", King, Empty, CastleQueenSide), 0},
        {"startpos", Move{}, 0},
    };
    for (const auto& c : cases) {
        setPosition(c.position);
        moveStack[currentSlot] = c.killer;
        EXPECT_EQ(isMoveValid(), c.valid) << c.position << " " << moveToText(c.killer).text;
    }
}

// Random walks from a position where both sides can castle and take rooks, with every
// combination of rights in the FEN: after each make and each unmake the rights are those of the
// FEN less those of every king and rook square a move has left or reached, and no castling is
// generated without its right.
TEST(CastlingRights, FollowTheMovesOfRandomWalksAndComeBackWhenTheyAreTakenBack) {
    std::mt19937 random(2026);
    const std::pair<const char*, int> lost[] = {
        {"e1", WhiteKingSide | WhiteQueenSide}, {"h1", WhiteKingSide}, {"a1", WhiteQueenSide},
        {"e8", BlackKingSide | BlackQueenSide}, {"h8", BlackKingSide}, {"a8", BlackQueenSide}};
    for (int walk = 0; walk < 64; ++walk) {
        const int fenRights = walk % 16;
        std::string fen = "fen r3k2r/p1pq1ppp/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w -";
        for (int bit = 0; bit < 4; ++bit)
            if (fenRights & (1 << bit))
                fen += "KQkq"[bit];
        setPosition((fen + " - 0 1").c_str());
        std::vector<Move> played;
        std::vector<int> rights{fenRights}; // before each move of `played`, and after the last
        while (played.size() < 50) {
            ASSERT_EQ(castlingRights, rights.back()) << fen;
            std::vector<Move> legal = generatedMoves(true);
            for (const Move& each : legal) {
                const int right = each.kind == CastleKingSide    ? kingSideRight[sideToMove]
                                  : each.kind == CastleQueenSide ? queenSideRight[sideToMove]
                                                                 : 0;
                EXPECT_EQ(castlingRights & right, right) << fen;
            }
            if (legal.empty())
                break;
            played.push_back(moveStack[currentSlot] = legal[random() % legal.size()]);
            rights.push_back(rights.back());
            for (const auto& [square, rightsOfSquare] : lost)
                if (played.back().from == squareOf(square) || played.back().to == squareOf(square))
                    rights.back() &= ~rightsOfSquare;
            makeMove(played.back());
            std::swap(sideToMove, otherSide);
            ++currentSlot;
        }
        for (; !played.empty(); played.pop_back(), rights.pop_back()) {
            --currentSlot;
            std::swap(sideToMove, otherSide);
            unmakeMove(played.back());
            ASSERT_EQ(castlingRights, rights[rights.size() - 2]) << fen;
        }
    }
}

// Everything but the leftovers on empty squares and in captured men's entries: the keys stand
// for the board.
PositionSnapshot setUpAndSummarise(const char* text, bool chess960 = false) {
    setPosition(text, chess960);
    PositionSnapshot summary = takeSnapshot();
    std::memset(summary.cells, 0, sizeof summary.cells);
    summary.clock = 0; // see ReadsAndCountsTheFiftyMoveClock
    for (int colour = 0; colour < 2; ++colour)
        for (int i = 0; i < PieceListSize; ++i)
            if (summary.pieces[colour][i] == Empty)
                summary.squares[colour][i] = 0;
    return summary;
}

TEST(SetupPosition, GivesTheSamePositionAsTheEquivalentPlacement) {
    const struct {
        const char* text;
        const char* equivalent;
        bool chess960 = false;
    } cases[] = {
        // Anything without "fen " is the start position; slashless ranks, FEN in capitals and
        // a FEN without fields after the side make no difference.
        {"anything", "startpos"},
        {"fen rnbqkbnrpppppppp8888PPPPPPPPRNBQKBNR w", "startpos"},
        {"FEN rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "startpos"},
        {"fen 4k3/8/8/8/8/8/8/4K3 b", "fen 4k3/8/8/8/8/8/8/4K3 b - - 0 1"},
        {"fen 4k3/8/8/8/8/8/8/4K3 x b - - 0 1", "fen 4k3/8/8/8/8/8/8/4K3 w"}, // the second field
        {"fen k7K", "fen k7/K7/8/8/8/8/8/8 w"}, // a placement that ends early: the rest empty
        // Castling, en passant, a plain pawn capture, promotion with and without a letter.
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w moves e1g1 e8c8", "fen 2kr3r/8/8/8/8/8/8/R4RK1 w"},
        {"fen 4k3/8/8/3Pp3/8/8/8/4K3 w moves d5e6", "fen 4k3/8/4P3/8/8/8/8/4K3 b -"},
        {"fen 4k3/8/4n3/3Pp3/8/8/8/4K3 w moves d5e6", "fen 4k3/8/4P3/4p3/8/8/8/4K3 b -"},
        {"fen 3k4/4P3/8/8/8/8/8/4K3 w moves e7e8", "fen 3kP3/8/8/8/8/8/8/4K3 b -"},
        // The lists are rebuilt after the moves: the promoted man is an officer again.
        {"fen 4k3/1P6/8/8/8/8/8/4K3 w moves b7b8r e8d7", "fen 1R6/3k4/8/8/8/8/8/4K3 w"},
        // Game moves that would corrupt the position are skipped like malformed ones, each
        // leaving white to move: an empty origin, a man of the other side, an own man or a king
        // on the target, castling into the bishop's square, en passant of a knight, a king
        // promoting, malformed texts; castling without a rook. The g1f3 after them is played.
        {"fen 4k3/4Q3/8/3Pn3/8/8/8/R2BK1N1 w moves e3e4 e8e7 a1e1 e7e8 e1c1 d5e6 e1e2q e9e4 e2 "
         "g1f3",
         "fen 4k3/4Q3/8/3Pn3/8/5N2/8/R2BK3 b Q -"},
        {"fen 4k3/8/8/8/8/8/8/1R2K1N1 w moves e1c1 g1f3", "fen 4k3/8/8/8/8/5N2/8/1R2K3 b -"},
        // Odd but harmless moves are played as they come: a letter that names no piece keeps
        // the pawn, a knight move with a letter turns the knight into a queen.
        {"fen 4k3/P7/8/8/8/8/8/4K1N1 w moves a7a8x e8d8 g1f3q", "fen P2k4/8/8/8/8/5Q2/8/4K3 b -"},
        // Chess960: castling as the king taking its rook or as its two-file step, in either FEN
        // form; one without its right (gone, or never given) is skipped like a move that would
        // corrupt the position, and so is the king taking a rook of its own that has no right.
        {"fen 1r4kr/8/8/8/8/8/8/1R4KR w HBhb - 0 1 moves g1b1 g8h8",
         "fen 1r3rk1/8/8/8/8/8/8/2KR3R w -", true},
        {"fen 1r4kr/8/8/8/8/8/8/1R4KR w KQkq - 0 1 moves g1c1 g8h8",
         "fen 1r3rk1/8/8/8/8/8/8/2KR3R w -", true},
        {"fen 2rk1r2/8/8/8/8/8/8/2RK1R2 w FCfc - 0 1 moves d1c1 d8f8",
         "fen 2r2rk1/8/8/8/8/8/8/2KR1R2 w -", true},
        {"fen 1r4kr/8/8/8/8/8/8/1R4KR w Hh - 0 1 moves g1b1 g8h8 g1h1",
         "fen 1r4kr/8/8/8/8/8/8/1R3RK1 b h", true},
        {"fen 1r4kr/8/8/8/8/8/8/1R4KR w HBhb - 0 1 moves g1g2 g8g7 g2g1 g7g8 g1h1 g1b1 h1h2",
         "fen 1r4kr/8/8/8/8/8/7R/1R4K1 b -", true},
    };
    for (const auto& [text, equivalent, chess960] : cases) {
        const PositionSnapshot expected = setUpAndSummarise(equivalent, chess960);
        EXPECT_EQ(setUpAndSummarise(text, chess960), expected) << text;
        EXPECT_TRUE(positionIsValid && boardIsConsistent() && keysMatchScratch()) << text;
    }
}

// The fifty-move clock: the FEN's fifth field, held to 0 to 1000, then counted over the whole move
// list, back to 0 at each capture or pawn move.
TEST(SetupPosition, ReadsAndCountsTheFiftyMoveClock) {
    std::string shuffles = "startpos moves e2e4";
    for (int i = 0; i < 300; ++i)
        shuffles += " g8f6 g1f3 f6g8 f3g1";
    const std::pair<std::string, int> cases[] = {
        {"fen 4k3/8/8/8/8/8/8/4K3 w - - 37 80", 37},
        {"fen 4k3/8/8/8/8/8/8/4K3 w - - -5 1", 0},
        {"fen 4k3/8/8/8/8/8/8/4K3 w - - abc 1", 0},
        {"fen 4k3/8/8/8/8/8/8/4K3 w - - 99999", 1000},
        {"fen 4k3/8/8/8/8/8/8/4K3 w - -", 0},
        {"fen 4k3/8/8/8/8/8/8/4K3 w moves e1e2", 1},
        {"startpos moves g1f3 e7e5 f3g1", 1},
        {"startpos moves e2e4 d7d5 e4d5 d8d5 b1c3", 1},
        {shuffles, 1200},
    };
    for (const auto& [text, clock] : cases) {
        setPosition(text.c_str());
        EXPECT_EQ(halfmoveClock, clock) << text.substr(0, 60);
    }
}

TEST(MoveToText, WritesSquaresAndAPromotionLetterIntoItsOwnBuffer) {
    const MoveText first = moveToText(moveRecord("e2e4", Pawn, Empty, NormalMove));
    const MoveText second = moveToText(moveRecord("b7a8", Knight, Rook, Promotion));
    EXPECT_STREQ(first.text, "e2e4"); // still intact after the second call
    EXPECT_STREQ(second.text, "b7a8n");
}

} // namespace
} // namespace tarnwick
