// The one position the engine works on: the 0x88 board of four-byte cells, a piece list per
// colour, the side to move, two incrementally kept position keys, the move record and the move
// stack that holds the game history below the root slot and the search line above it.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "channel/runtime_services.h"

namespace tarnwick {

// A square is rank * 16 + file; it is on the board exactly when (square & 0x88) == 0.
using Square = int;
inline constexpr bool isOnBoard(int square) {
    return (square & 0x88) == 0;
}
inline constexpr int fileOf(int square) {
    return square & 15;
}
inline constexpr int rankOf(int square) {
    return square >> 4;
}
inline constexpr int makeSquare(int file, int rank) {
    return rank * 16 + file;
}

enum Colour : int { White = 0, Black = 1 };

enum PieceCode : std::uint8_t {
    Empty = 0,
    King = 1,
    Queen = 2,
    Rook = 3,
    Bishop = 4,
    Knight = 5,
    Pawn = 6,
};
inline constexpr char PieceLetters[] = " kqrbnp";

enum MoveKind : std::uint8_t {
    NormalMove = 0,
    EnPassant = 1,
    Promotion = 2,
    CastleKingSide = 4,
    CastleQueenSide = 8,
    NullMoveKind = 16,
    Sentinel = 32,
};

inline constexpr int BoardCells = 120;
inline constexpr int PieceListSize = 16;
inline constexpr int NoListEntry = 16; // listIndex of a cell that never held a listed man
inline constexpr int PlaceholderSquare = 8;

struct BoardCell {
    std::uint16_t listIndex; // entry of this man in its colour's pieceList
    std::uint8_t colour;
    std::uint8_t piece; // a PieceCode; 0 means the square is empty
    friend bool operator==(const BoardCell&, const BoardCell&) = default;
};
static_assert(sizeof(BoardCell) == 4);

struct PieceEntry {
    std::int32_t square;
    std::uint8_t piece; // 0 once the man has been captured
};

struct Move {
    std::int16_t to;
    std::int16_t from;
    std::uint8_t kind;     // a MoveKind
    std::uint8_t piece;    // what stands on `to` after the move
    std::uint8_t captured; // what stood there before; 0 for none
    friend bool operator==(const Move&, const Move&) = default;
};
static_assert(sizeof(Move) == 8);

inline constexpr Move SentinelMove{.to = PlaceholderSquare,
                                   .from = PlaceholderSquare,
                                   .kind = Sentinel,
                                   .piece = 0,
                                   .captured = 0};
inline constexpr Move NullMove{.to = PlaceholderSquare,
                               .from = PlaceholderSquare,
                               .kind = NullMoveKind,
                               .piece = 0,
                               .captured = 0};

// The move stack: slots 0..103 the game history (newest in 103), 104 the root slot, 104 + p the
// move tried at ply p of the search line.
inline constexpr int MoveStackSlots = 169;
inline constexpr int RootSlot = 104;
inline constexpr int NewestHistorySlot = RootSlot - 1;

inline constinit BoardCell board[BoardCells]{};
inline constinit PieceEntry pieceList[2][PieceListSize]{};
inline constinit int lastPieceIndex[2]{-1, -1};
inline constinit int lastOfficerIndex[2]{-1, -1};
inline constinit int pieceCount = 0;
inline constinit int sideToMove = White;
inline constinit int otherSide = Black;
inline constinit std::uint32_t lockKey = 0;
inline constinit std::uint32_t indexKey = 0;

inline constinit Move moveStack[MoveStackSlots]{};
inline constinit int currentSlot = RootSlot;
inline constinit int ply = 0;

// Castling rights, one bit each: for each colour one on the h-side of its king ("king side") and
// one on the a-side ("queen side"). A right is kept only while its king and its rook stand on the
// squares they had when the position was set up and have never left them: every move from or to
// one of those squares clears the rights of that square, and taking the move back restores them.
enum CastlingRight : int {
    WhiteKingSide = 1,
    WhiteQueenSide = 2,
    BlackKingSide = 4,
    BlackQueenSide = 8,
    AllCastlingRights = 15,
};
inline constexpr int kingSideRight[2] = {WhiteKingSide, BlackKingSide};
inline constexpr int queenSideRight[2] = {WhiteQueenSide, BlackQueenSide};
inline constinit int castlingRights = 0;

// The number of a right's bit, which indexes the tables of each right: 2 * colour, plus 1 for the
// queen side (the kind of a castling move names its side).
inline constexpr int castlingIndex(int colour, int kind) {
    return 2 * colour + (kind == CastleQueenSide ? 1 : 0);
}
// Wherever king and rook started, castling puts the king on the g-file and the rook on the f-file
// (king side), or the king on the c-file and the rook on the d-file (queen side).
inline constexpr int castlingKingTarget[4] = {6, 2, 118, 114}; // g1, c1, g8, c8

// The fifty-move rule's clock: half-moves since the last capture or pawn move, from the FEN's
// fifth field and kept by makeMove and unmakeMove. At FiftyMoveLimit the game is drawn.
inline constexpr int FiftyMoveLimit = 100;
inline constexpr int MaxHalfmoveClock = 1000; // a FEN's clock is held to it
inline constinit int halfmoveClock = 0;

// Whether a mate `distance` half-moves away lands before the fifty-move rule draws the game: a
// mate that cannot is no mate.
inline bool mateLandsInTime(int distance) {
    return halfmoveClock + distance <= FiftyMoveLimit;
}

// The positions of the game since its last capture or pawn move, the current one last, at most
// the newest GamePositionSlots: a line shown to the GUI ends where one would occur a third time.
struct GamePosition {
    std::uint32_t lock;
    std::uint32_t index;
    int rights;
    friend bool operator==(const GamePosition&, const GamePosition&) = default;
};
inline constexpr int GamePositionSlots = 128;
inline constinit GamePosition gamePositions[GamePositionSlots]{};
inline constinit int gamePositionCount = 0;

// The current position as the game record keeps it.
inline GamePosition currentGamePosition() {
    return GamePosition{.lock = lockKey, .index = indexKey, .rights = castlingRights};
}

// clang-format off
inline constexpr int directions[8] = {+1, -1, +16, -16, +17, -17, +15, -15};
inline constexpr int knightSteps[8] = {+14, -14, +18, -18, +31, -31, +33, -33};
inline constexpr int pawnStep[2] = {+16, -16};
inline constexpr int pieceBit[7] = {0, 1, 2, 4, 8, 16, 32};
// clang-format on

// Square sets: 64 bits, bit rank * 8 + file for each square of the board. They answer "does
// anything of this kind stand on any of these squares" with one and, where the piece lists would
// need a scan: the capture generator skips victims that nothing attacks, and the attack test
// skips the officers that stand on no line, knight step or king step through the square.
using SquareSet = std::uint64_t;
inline constexpr int bitOfSquare(int square) {
    return (square + (square & 7)) >> 1;
}
// The set of one square, looked up: one load instead of a shift by a variable count, which ties
// up a register of its own. Squares off the board give the empty set.
inline constexpr auto squareSets = [] {
    std::array<SquareSet, BoardCells> sets{};
    for (int square = 0; square < BoardCells; ++square)
        sets[square] = isOnBoard(square) ? SquareSet{1} << bitOfSquare(square) : 0;
    return sets;
}();
inline SquareSet setOfSquare(int square) {
    return squareSets[square];
}
inline constexpr int squareOfBit(int bit) {
    return bit + (bit & ~7);
}
// The lowest square of a non-empty set.
inline int firstSquareOf(SquareSet set) {
    return squareOfBit(std::countr_zero(set));
}

// Where the kings and rooks of the castling rights stand, set with each position: e1, h1, a1 and
// e8, h8, a8 in standard chess, any squares of the back ranks in Chess960 (the king between its
// two rooks). A castling move is the king's move from its square to its target with kind
// CastleKingSide or CastleQueenSide; the rook goes from `to` + rookOffset to the square beside
// the target on the king's side. The offset, not the square, is kept: in standard chess it is
// +1 and -2 whatever the king's square, as the move reader has always had it.
struct CastlingLayout {
    std::array<std::uint8_t, 128> rightsKept; // by square: the rights a move from or to it keeps
    int kingSquare[2];                        // by colour
    int rookOffset[4];                        // by castlingIndex: rook square less king target
    SquareSet mustBeEmpty[4]; // the squares both men cross or reach, but for their own
    SquareSet mustBeSafe[4];  // the squares the king crosses between its square and target
};

// The layout of kings on kingSquare and the rooks of the four rights on rookSquare.
inline constexpr CastlingLayout castlingLayoutOf(const int kingSquare[2], const int rookSquare[4]) {
    CastlingLayout layout{};
    layout.rightsKept.fill(AllCastlingRights);
    // The squares from one square to another along the back rank, both included.
    const auto span = [](int from, int to) {
        SquareSet squares = 0;
        for (int square = from < to ? from : to; square <= (from < to ? to : from); ++square)
            squares |= squareSets[square];
        return squares;
    };
    for (int index = 0; index < 4; ++index) {
        const int colour = index / 2;
        const int king = kingSquare[colour];
        const int kingTarget = castlingKingTarget[index];
        const int rookTarget = index % 2 == 0 ? kingTarget - 1 : kingTarget + 1;
        const int rook = rookSquare[index];
        layout.rightsKept[king] &= static_cast<std::uint8_t>(~(3 << 2 * colour));
        layout.rightsKept[rook] &= static_cast<std::uint8_t>(~(1 << index));
        layout.rookOffset[index] = rook - kingTarget;
        const SquareSet ownMen = squareSets[king] | squareSets[rook];
        layout.mustBeEmpty[index] = (span(king, kingTarget) | span(rook, rookTarget)) & ~ownMen;
        // The king's own square is tested as the check, its target by the legality test after
        // the move: the one attack on the target that the rook's arrival could hide comes along
        // the rank through the target and reaches the king's square too, a check.
        layout.mustBeSafe[index] =
            span(king, kingTarget) & ~squareSets[king] & ~squareSets[kingTarget];
    }
    layout.kingSquare[White] = kingSquare[White];
    layout.kingSquare[Black] = kingSquare[Black];
    return layout;
}
inline constexpr int StandardKingSquares[2] = {4, 116};         // e1, e8
inline constexpr int StandardRookSquares[4] = {7, 0, 119, 112}; // h1, a1, h8, a8
inline constinit CastlingLayout castling =
    castlingLayoutOf(StandardKingSquares, StandardRookSquares);

// Kept by makeMove and unmakeMove: for each colour the squares of its men by PieceCode, and at
// element AllMen (the code of the empty square, which no man has) the squares of all its men.
inline constexpr int AllMen = Empty;
inline constinit SquareSet menOnSquares[2][7]{};

// Squares seen from each square along the lines of the board and by the leaping men, whatever
// stands between: the candidates an attack test has to look at.
struct SquareReach {
    SquareSet orthogonal[64]; // rank and file
    SquareSet diagonal[64];
    SquareSet knight[64];
    SquareSet king[64];
    SquareSet ray[8][64]; // by index of `directions`: the squares from a square outward
};
inline constexpr SquareReach squareReach = [] {
    SquareReach reach{};
    for (int from = 0; from < BoardCells; ++from) {
        if (!isOnBoard(from))
            continue;
        const int bit = bitOfSquare(from);
        for (int d = 0; d < 8; ++d) {
            SquareSet& line = d < 4 ? reach.orthogonal[bit] : reach.diagonal[bit];
            for (int to = from + directions[d]; isOnBoard(to); to += directions[d])
                reach.ray[d][bit] |= SquareSet{1} << bitOfSquare(to);
            line |= reach.ray[d][bit];
            if (isOnBoard(from + directions[d]))
                reach.king[bit] |= SquareSet{1} << bitOfSquare(from + directions[d]);
            if (isOnBoard(from + knightSteps[d]))
                reach.knight[bit] |= SquareSet{1} << bitOfSquare(from + knightSteps[d]);
        }
    }
    return reach;
}();

struct AttackEntry {
    std::int32_t step;  // unit step from `from` towards `to`
    std::uint32_t mask; // pieceBit of every piece type that can move along this difference
};
inline constexpr int AttackTableSize = 241;
inline constexpr int AttackTableCentre = 120; // element of the difference 0
inline constinit AttackEntry* attackTable = nullptr;

// By the difference of two squares (AttackTableCentre + to - from), the index in `directions` of
// the direction that leads from one to the other along a line of the board; -1 off the lines.
inline constexpr auto lineDirection = [] {
    std::array<std::int8_t, AttackTableSize> direction{};
    direction.fill(-1);
    for (int d = 0; d < 8; ++d)
        for (int k = 1; k <= 7; ++k)
            direction[AttackTableCentre + directions[d] * k] = static_cast<std::int8_t>(d);
    return direction;
}();

// Index of a man's key in each half of the key table: the colour sits in bit 3 of the square.
inline constexpr int pieceKeyIndex(int piece, int colour, int square) {
    return piece * 128 + colour * 8 + square;
}
inline constexpr int SideKeyIndex = 1024;
inline constexpr int IndexKeyOffset = 1025;

// The key table is a block of random bytes read as little-endian 32-bit words.
inline std::uint32_t hashKeyWord(int index) {
    std::uint32_t word;
    std::memcpy(&word, hashKeys + 4 * index, sizeof word);
    return word;
}
// Key changes gathered in registers while a move is made, applied to the keys once at the end.
struct KeyDelta {
    std::uint32_t lock;
    std::uint32_t index;
};
inline void addPieceKey(KeyDelta& delta, int piece, int colour, int square) {
    const int k = pieceKeyIndex(piece, colour, square);
    delta.lock ^= hashKeyWord(k);
    delta.index ^= hashKeyWord(IndexKeyOffset + k);
}
inline void togglePieceKey(int piece, int colour, int square) {
    const int k = pieceKeyIndex(piece, colour, square);
    lockKey ^= hashKeyWord(k);
    indexKey ^= hashKeyWord(IndexKeyOffset + k);
}
inline void toggleSideKey() {
    lockKey ^= hashKeyWord(SideKeyIndex);
    indexKey ^= hashKeyWord(IndexKeyOffset + SideKeyIndex);
}

// Does a `piece` on `from` attack `to` on the current board? One table lookup rejects every piece
// type that cannot move along the difference; only aligned sliders walk the ray. Inline because
// the capture generator and the legality test run it for every candidate; pieceAttacks below is
// the same test out of line.
inline bool maskHasPiece(std::uint32_t mask, int piece) {
    // pieceBit[p] is 1 << (p - 1): shifting the mask left by one puts each type's bit at the
    // position of its code. Empty (bit 0) and pawn (bit 6) are never set in the table.
    return ((mask << 1) >> piece) & 1;
}
inline int pieceAttacksSquare(int piece, int from, int to) {
    const AttackEntry& entry = attackTable[AttackTableCentre + to - from];
    if (!maskHasPiece(entry.mask, piece))
        return 0;
    if (piece == King || piece == Knight)
        return 1;
    int square = from + entry.step;
    while (square != to && board[square].piece == Empty)
        square += entry.step;
    return square == to ? 1 : 0;
}

inline SquareSet occupiedSquares() {
    return menOnSquares[White][AllMen] | menOnSquares[Black][AllMen];
}

// The squares from the one after `from` up to `to` along direction d, which leads from `from` to
// `to`: the squares between and `to` itself.
inline SquareSet raySpan(int d, int from, int to) {
    return squareReach.ray[d][bitOfSquare(from)] ^ squareReach.ray[d][bitOfSquare(to)];
}

// Whether the slider on `from`, on a line through `square`, reaches it: nothing stands between.
// Looked up in the square sets rather than walked, which spares the mispredicted end of a walk.
inline bool rayIsOpen(int from, int square) {
    const int d = lineDirection[AttackTableCentre + square - from];
    return (raySpan(d, from, square) & occupiedSquares() & ~setOfSquare(square)) == 0;
}

// The squares from which a knight or the king of the colour attacks the square, and those of its
// sliders on the square's lines that move along them (whether their rays are open is still to be
// seen).
inline SquareSet leapersAttacking(int colour, int square) {
    const SquareSet* men = menOnSquares[colour];
    const int bit = bitOfSquare(square);
    return (squareReach.knight[bit] & men[Knight]) | (squareReach.king[bit] & men[King]);
}
inline SquareSet slidersLinedUp(int colour, int square) {
    const SquareSet* men = menOnSquares[colour];
    const int bit = bitOfSquare(square);
    return (squareReach.orthogonal[bit] & (men[Rook] | men[Queen])) |
           (squareReach.diagonal[bit] & (men[Bishop] | men[Queen]));
}

// The officers of the colour that attack the square.
inline SquareSet officersAttacking(int colour, int square) {
    SquareSet attackers = leapersAttacking(colour, square);
    for (SquareSet lined = slidersLinedUp(colour, square); lined != 0; lined &= lined - 1) {
        if (rayIsOpen(firstSquareOf(lined), square))
            attackers |= lined & (~lined + 1); // the lowest square of `lined`
    }
    return attackers;
}

// A cell read whole as one little-endian 32-bit word: the list index in the low half, the colour
// and the code in the two high bytes, so one masked comparison tells which man stands there.
static_assert(std::endian::native == std::endian::little && offsetof(BoardCell, listIndex) == 0 &&
              offsetof(BoardCell, colour) == 2 && offsetof(BoardCell, piece) == 3);
inline constexpr std::uint32_t CellManMask = 0xFFFF0000u;
inline std::uint32_t cellWord(int square) {
    std::uint32_t word;
    std::memcpy(&word, &board[square], sizeof word);
    return word;
}
inline constexpr std::uint32_t cellWordOfMan(int piece, int colour) {
    return static_cast<std::uint32_t>(piece) << 24 | static_cast<std::uint32_t>(colour) << 16;
}

int pieceAttacks(int piece, int from, int to);
int isSquareAttacked(int colour, int square);
// The rights whose king and rook stand on the squares of the castling layout.
int castlingRightsStanding();
void buildPieceLists();
void buildAttackTable();

// Both keys computed from scratch from the board and the side to move (tests and debug checks).
void computeKeysFromScratch(std::uint32_t& lock, std::uint32_t& index);

// Board cells, piece lists, lastOfficerIndex, pieceCount and the square sets agree with each
// other; asserted after make and unmake in debug builds and checked by the tests.
int boardIsConsistent();

// Adds the current position to gamePositions; after a capture or pawn move (the clock at 0) the
// record starts afresh, since no earlier position can come back.
void recordGamePosition();

// Every subsystem has a reset used by tests: the empty board, empty lists, an empty move stack.
void resetBoard();

} // namespace tarnwick
