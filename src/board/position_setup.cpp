// The UCI `position` command. Only the placement and the side to move are read from a FEN text:
// castling rights follow from the move history and en passant from the last game move.
#include "board/position_setup.h"

#include <cctype>
#include <cstring>

#include "board/board.h"
#include "board/move_notation.h"
#include "channel/dispatcher.h"
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
    sideToMove = std::strstr(fenCopy, " b ") != nullptr ? Black : White;
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
    // 8. The game moves, then lists in canonical order again (captured entries gone, promoted
    // men among the officers).
    if (const char* moves = std::strstr(text, "moves ")) {
        playMoveList(moves + 6);
        buildPieceLists();
        // Keys from scratch: a move with a stray fifth letter changes a man's code in a way the
        // incremental keys do not describe.
        computeKeysFromScratch(lockKey, indexKey);
    }
    positionIsValid = 1;
}

} // namespace tarnwick
