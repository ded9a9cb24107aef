// The UCI `position` command: a FEN text's placement, side to move, castling rights and en passant
// square (or the start position), a fresh game history, and the listed game moves.
#include "board/position_setup.h"

#include <cctype>
#include <cstring>

#include "board/board.h"
#include "board/move_notation.h"
#include "channel/dispatcher.h"
#include "channel/options.h"
#include "channel/output_log.h"
#include "channel/runtime_services.h"

namespace tarnwick {

// The private copy of the FEN text; the placement reader counts digits down in it.
static char fenCopy[CommandBufferSize];

static bool startsWithFen(const char* text) {
    static const char prefix[] = "fen ";
    for (int i = 0; i < 4; ++i) {
        if (text[i] == 0 || std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    }
    return true;
}

static int pieceCodeOfLetter(char letter) {
    switch (letter | 0x20) {
    case 'k':
        return King;
    case 'q':
        return Queen;
    case 'r':
        return Rook;
    case 'b':
        return Bishop;
    case 'n':
        return Knight;
    case 'p':
        return Pawn;
    default:
        return Empty;
    }
}

// Reads the placement into the 64 squares from a8 to h1. A digit leaves one square empty and is
// counted down in place, so "8" empties eight squares and the "0" it becomes is skipped; a run of
// empty squares may cross a rank. Reading stops at the end of the text, leaving the rest empty.
// Counts the men and the kings of each colour.
static void readPlacement(int men[2], int kings[2]) {
    char* cursor = fenCopy;
    for (int rank = 7; rank >= 0; --rank) {
        for (int file = 0; file < 8; ++file) {
            const int square = makeSquare(file, rank);
            for (;;) {
                const char c = *cursor;
                if (c == 0)
                    return;
                if (c >= '1' && c <= '8') {
                    --*cursor;
                    break;
                }
                const int piece = pieceCodeOfLetter(c);
                ++cursor;
                if (piece == Empty)
                    continue; // '/', blanks, the '0' a digit became, anything else
                // Bit 5 of the letter is its colour: capitals are white, small letters black.
                const int colour = (c >> 5) & 1;
                board[square].piece = static_cast<std::uint8_t>(piece);
                board[square].colour = static_cast<std::uint8_t>(colour);
                togglePieceKey(piece, colour, square);
                ++men[colour];
                if (piece == King)
                    ++kings[colour];
                break;
            }
        }
    }
}

// A colour without exactly one king, or with more men than its list holds, cannot be represented.
static const char* unrepresentableReason(const int men[2], const int kings[2]) {
    if (kings[White] != 1)
        return kings[White] == 0 ? "white has no king" : "white has more than one king";
    if (kings[Black] != 1)
        return kings[Black] == 0 ? "black has no king" : "black has more than one king";
    if (men[White] > PieceListSize)
        return "white has more than 16 men";
    if (men[Black] > PieceListSize)
        return "black has more than 16 men";
    return nullptr;
}

// Plays the game moves after "moves ": fields separated by blanks or line feeds; empty fields
// and malformed moves are skipped by playMoveText.
static void playMoveList(const char* list) {
    char field[8];
    const char* cursor = list;
    while (*cursor != 0) {
        int length = 0;
        while (*cursor != 0 && *cursor != ' ' && *cursor != '\n') {
            if (length < static_cast<int>(sizeof field) - 1)
                field[length++] = *cursor;
            ++cursor;
        }
        field[length] = 0;
        playMoveText(field);
        if (*cursor != 0)
            ++cursor;
    }
}

// The castling field: K, Q, k and q give their rights, "-" and any other letter none. A right
// whose king or rook is not on its original square is dropped.
static int readCastlingField(const char* field) {
    static constexpr char rightLetters[] = "KQkq"; // in the order of the right bits
    int rights = 0;
    for (; *field != 0; ++field) {
        if (const char* letter = findChar(rightLetters, *field))
            rights |= 1 << (letter - rightLetters);
    }
    return rights & castlingRightsStanding();
}

// The file of the rook of that colour on its back rank that a letter of a Chess960 castling field
// names, or -1: K and Q (k and q) the outermost rook on that side of the king (X-FEN), a file
// letter the rook on that file (Shredder-FEN, and X-FEN for a rook that is not the outermost).
static int castlingRookFile(int letter, int colour, int kingFile) {
    const int rank = colour == White ? 0 : 7;
    const auto holdsRook = [&](int file) {
        const BoardCell& cell = board[makeSquare(file, rank)];
        return cell.piece == Rook && cell.colour == colour;
    };
    if (letter == 'k') {
        for (int file = 7; file > kingFile; --file)
            if (holdsRook(file))
                return file;
    } else if (letter == 'q') {
        for (int file = 0; file < kingFile; ++file)
            if (holdsRook(file))
                return file;
    } else if (letter >= 'a' && letter <= 'h' && holdsRook(letter - 'a')) {
        return letter - 'a';
    }
    return -1;
}

// The castling field of a Chess960 position: capitals give white's rights, small letters black's,
// each on the side of the king its rook stands. A right needs the king on its back rank and the
// rook the letter names; the first letter that gives a side its right counts, and letters that
// give none are passed over. Sets the castling layout to the kings and rooks found.
static int readChess960CastlingField(const char* field) {
    int kingSquare[2] = {StandardKingSquares[White], StandardKingSquares[Black]};
    int rookSquare[4];
    std::memcpy(rookSquare, StandardRookSquares, sizeof rookSquare);
    int kingFile[2] = {-1, -1};
    for (int colour = White; colour <= Black; ++colour) {
        for (int file = 0; file < 8; ++file) {
            const int square = makeSquare(file, colour == White ? 0 : 7);
            if (board[square].piece == King && board[square].colour == colour) {
                kingFile[colour] = file;
                kingSquare[colour] = square;
            }
        }
    }
    int rights = 0;
    for (; *field != 0; ++field) {
        const int letter = *field | 0x20;
        const int colour = *field == letter ? Black : White;
        if (kingFile[colour] < 0 ||
            (letter != 'k' && letter != 'q' && (letter < 'a' || letter > 'h')))
            continue;
        const int rookFile = castlingRookFile(letter, colour, kingFile[colour]);
        if (rookFile < 0 || rookFile == kingFile[colour])
            continue;
        const int index = 2 * colour + (rookFile < kingFile[colour] ? 1 : 0);
        if ((rights & (1 << index)) != 0)
            continue;
        rights |= 1 << index;
        rookSquare[index] = makeSquare(rookFile, colour == White ? 0 : 7);
    }
    castling = castlingLayoutOf(kingSquare, rookSquare);
    return rights;
}

// The en passant field names the square a pawn has just passed with its double step. When a pawn
// of the side to move can take on it, that double step is filed as the newest history record, so
// the capture is generated exactly as after a double step played in the move list. A square on
// the wrong rank, without the pawn that stepped, with a man on it or on the step's origin, or
// that no pawn can take on, gives nothing.
static void recordEnPassantField(const char* field) {
    if (std::strlen(field) != 2 || field[0] < 'a' || field[0] > 'h')
        return;
    const int passedRank = sideToMove == White ? 5 : 2; // the sixth or the third rank
    if (field[1] != '1' + passedRank)
        return;
    const int passed = makeSquare(field[0] - 'a', passedRank);
    const int step = pawnStep[otherSide];
    const int origin = passed - step;
    const int pawn = passed + step;
    if (board[passed].piece != Empty || board[origin].piece != Empty || board[pawn].piece != Pawn ||
        board[pawn].colour != otherSide)
        return;
    int capturers = 0;
    for (const int beside : {pawn - 1, pawn + 1})
        capturers +=
            isOnBoard(beside) && board[beside].piece == Pawn && board[beside].colour == sideToMove;
    if (capturers == 0)
        return;
    moveStack[NewestHistorySlot - 1] = SentinelMove;
    moveStack[NewestHistorySlot] = Move{.to = static_cast<std::int16_t>(pawn),
                                        .from = static_cast<std::int16_t>(origin),
                                        .kind = NormalMove,
                                        .piece = Pawn,
                                        .captured = Empty};
}

// One field of the FEN text at a time.
static char fenField[CommandBufferSize];

// The rights and the en passant square from the FEN's third and fourth fields. The start position
// has all four rights; a FEN without a castling field has every right its kings and rooks on their
// original squares allow, in Chess960 those of the outermost rooks ("KQkq").
static void readRightsFields(bool startPosition) {
    // The copy still holds the fields after the placement; the move list is not one of them.
    if (char* moves = std::strstr(fenCopy, "moves "))
        *moves = 0;
    const bool hasCastlingField =
        !startPosition && getField(fenField, 3, fenCopy, ' ') == 0 && fenField[0] != 0;
    castling = castlingLayoutOf(StandardKingSquares, StandardRookSquares);
    if (chess960Mode)
        castlingRights = readChess960CastlingField(hasCastlingField ? fenField : "KQkq");
    else
        castlingRights = hasCastlingField ? readCastlingField(fenField) : castlingRightsStanding();
    if (hasCastlingField && getField(fenField, 4, fenCopy, ' ') == 0)
        recordEnPassantField(fenField);
}

// The side to move is the FEN's second field, "w" or "b"; anything else (or none) is White.
// Read before the placement, which counts its digits down in the copy.
static int sideOfFen() {
    return getField(fenField, 2, fenCopy, ' ') == 0 && std::strcmp(fenField, "b") == 0 ? Black
                                                                                       : White;
}

// The fifty-move clock, the fifth field: missing, negative or not a number counts as 0. A move
// list in its place is no number either.
static int clockOfFen() {
    if (getField(fenField, 5, fenCopy, ' ') != 0)
        return 0;
    const int clock = readInteger(fenField);
    return clock < 0 ? 0 : clock > MaxHalfmoveClock ? MaxHalfmoveClock : clock;
}

static void refusePosition(const char* reason) {
    resetBoard(); // no half-built position survives; positionIsValid is 0
    positionRefusal = reason;
    if (debugMode.load(std::memory_order_acquire))
        writeLog("Error: position refused - %s", reason);
}

void setupPosition(const char* text) {
    // Keys are never read from an absent table: build it now if no isready came first.
    if (hashKeys == nullptr)
        buildHashKeys(HashKeyBytes);
    if (hashKeys == nullptr) {
        refusePosition("no memory for the key table");
        return;
    }
    positionIsValid = 0;
    positionRefusal = "";
    chess960Mode = chess960Option;
    // 1. The FEN text, or the start position for anything else.
    const char* fen = startsWithFen(text) ? text + 4 : StartPositionText;
    std::strncpy(fenCopy, fen, sizeof fenCopy - 1);
    fenCopy[sizeof fenCopy - 1] = 0;
    // 2. An empty history below the root slot.
    for (Move& slot : moveStack)
        slot = Move{};
    moveStack[NewestHistorySlot] = SentinelMove;
    currentSlot = RootSlot;
    ply = 0;
    // 3-4. Side to move and the side key.
    sideToMove = sideOfFen();
    halfmoveClock = clockOfFen();
    otherSide = 1 - sideToMove;
    lockKey = 0;
    indexKey = 0;
    if (sideToMove == Black)
        toggleSideKey();
    // 5-6. The placement.
    for (BoardCell& cell : board)
        cell = BoardCell{};
    int men[2] = {0, 0};
    int kings[2] = {0, 0};
    readPlacement(men, kings);
    if (const char* reason = unrepresentableReason(men, kings)) {
        refusePosition(reason);
        return;
    }
    // 7.
    buildPieceLists();
    readRightsFields(fen == StartPositionText);
    gamePositionCount = 0;
    recordGamePosition();
    // 8. The game moves, then lists in canonical order again (captured entries gone, promoted
    // men among the officers).
    if (const char* moves = std::strstr(text, "moves ")) {
        playMoveList(moves + 6);
        buildPieceLists();
        // Keys from scratch: a move with a stray fifth letter changes a man's code in a way the
        // incremental keys do not describe.
        computeKeysFromScratch(lockKey, indexKey);
        gamePositions[gamePositionCount - 1] = currentGamePosition();
    }
    positionIsValid = 1;
}

} // namespace tarnwick
