// tarnwick-tool eval [POSITION]: sets a position up, fills the root evaluation tables and prints
// the root score, the phase, the weaker side and every piece-square table row.
#include <cstdio>

#include "board/board.h"
#include "board/position_setup.h"
#include "channel/runtime_services.h"
#include "eval/root_evaluation.h"
#include "eval/static_evaluation.h"
#include "search/transposition_table.h"
#include "tool_commands.h"

namespace tarnwick {

static EvaluatedPosition position;

static void printTableRow(int colour, int piece) {
    static constexpr const char* colourNames[2] = {"white", "black"};
    static constexpr const char* pieceNames[7] = {"",       "king",   "queen", "rook",
                                                  "bishop", "knight", "pawn"};
    std::printf("pst %s %s", colourNames[colour], pieceNames[piece]);
    for (int rank = 0; rank < 8; ++rank) {
        for (int file = 0; file < 8; ++file)
            std::printf(" %d", position.pieceSquareTable[colour][piece][makeSquare(file, rank)]);
    }
    std::printf("\n");
}

int runEvalCommand(int argc, char** argv) {
    static char positionText[CommandBufferSize];
    if (argc > 0)
        joinArguments(argc, argv, positionText, CommandBufferSize);
    else
        std::snprintf(positionText, sizeof positionText, "startpos");

    prepareTables();
    setupPosition(position, positionText);
    if (!position.positionIsValid) {
        std::fprintf(stderr, "tarnwick-tool: eval: the position cannot be evaluated\n");
        releaseTables();
        return 2;
    }
    const int score = prepareRootEvaluation(position);

    std::printf("score %d\n", score);
    std::printf("phase %d\n", position.rootPhase);
    std::printf("weaker %s\n", position.rootWeakerSide == White   ? "white"
                               : position.rootWeakerSide == Black ? "black"
                                                                  : "none");
    for (int colour = White; colour <= Black; ++colour) {
        for (int piece = King; piece <= Pawn; ++piece)
            printTableRow(colour, piece);
    }
    releaseTables();
    return 0;
}

} // namespace tarnwick
