// tarnwick-tool egtb: builds "Endgame.bin" by retrograde analysis, and looks one three-man
// position up the way the search does.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "board/board.h"
#include "board/position_setup.h"
#include "eval/endgame_builder.h"
#include "eval/endgame_data.h"
#include "search/transposition_table.h"
#include "tool_commands.h"

namespace tarnwick {

static int egtbUsage() {
    std::fprintf(stderr, "usage: tarnwick-tool egtb build [FILE]\n"
                         "       tarnwick-tool egtb probe [POSITION]\n");
    return 2;
}

// Writes the file whole; a short write or a failed close is an error, not a silent half file.
static int buildCommand(const char* fileName) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::uint8_t> data(EndgameFileSize);
    if (!buildEndgameData(data.data())) {
        std::fprintf(stderr, "tarnwick-tool: a mate does not fit in the endgame file\n");
        return 1;
    }
    std::FILE* file = std::fopen(fileName, "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "tarnwick-tool: cannot create %s\n", fileName);
        return 1;
    }
    const bool written = std::fwrite(data.data(), 1, data.size(), file) == data.size();
    if (std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "tarnwick-tool: cannot write %s\n", fileName);
        std::remove(fileName);
        return 1;
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    std::printf("wrote %s: %d bytes in %lld ms\n", fileName, EndgameFileSize,
                static_cast<long long>(elapsed.count()));
    return 0;
}

static int dataSquare(int square) {
    return endgameSquare(fileOf(square), rankOf(square));
}

static int probeCommand(const char* positionText) {
    static Position pos;
    prepareTables();
    setupPosition(pos, positionText);
    if (!pos.positionIsValid || pos.pieceCount != 3) {
        std::fprintf(stderr, "tarnwick-tool: egtb probe needs a king and one man against a king\n");
        return 2;
    }
    // The man is the one entry besides the kings; its colour is the strong side.
    int strong = -1;
    int manEntry = 0;
    for (int colour = White; colour <= Black && strong < 0; ++colour) {
        for (int i = 1; i <= pos.lastPieceIndex[colour]; ++i) {
            if (pos.pieceList[colour][i].piece != 0) {
                strong = colour;
                manEntry = i;
                break;
            }
        }
    }
    const int piece = pos.pieceList[strong][manEntry].piece;
    if (piece == Queen || piece == Rook || piece == Pawn) {
        int key = endgameKey(dataSquare(pos.pieceList[strong][0].square),
                             dataSquare(pos.pieceList[1 - strong][0].square),
                             dataSquare(pos.pieceList[strong][manEntry].square), 0);
        if (strong == Black)
            key ^= 58254;
        key += pos.sideToMove == strong ? 0 : 1;
        std::printf("offset %d\n", endgameOffset(key, piece));
        std::printf("value %d\n", endgameLookup(key, piece));
    }
    // The search probes right after a move, before it hands the move to the other side: the side
    // not to move in this position is the one that has just moved.
    const int mover = pos.sideToMove;
    pos.sideToMove = 1 - mover;
    pos.otherSide = mover;
    const int score = probeEndgame(pos);
    pos.sideToMove = mover;
    pos.otherSide = 1 - mover;
    std::printf("score %d\n", score);
    return 0;
}

int runEgtbCommand(int argc, char** argv) {
    if (argc >= 1 && std::strcmp(argv[0], "build") == 0 && argc <= 2)
        return buildCommand(argc == 2 ? argv[1] : EndgameFileName);
    if (argc >= 1 && std::strcmp(argv[0], "probe") == 0) {
        static char positionText[CommandBufferSize];
        joinArguments(argc - 1, argv + 1, positionText, sizeof positionText);
        return probeCommand(positionText);
    }
    return egtbUsage();
}

} // namespace tarnwick
