// tarnwick-tool perft [--chess960] DEPTH [POSITION]: sets the position up as the `position`
// command does (with UCI_Chess960 on for --chess960) and counts the leaves of the move tree, one
// line per legal root move in generation order.
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "board/move_notation.h"
#include "board/perft.h"
#include "board/position_setup.h"
#include "channel/options.h"
#include "channel/runtime_services.h"
#include "search/transposition_table.h"
#include "tool_commands.h"

namespace tarnwick {

static char positionText[CommandBufferSize];

static void printRootMove(const Move& move, std::uint64_t leaves) {
    std::printf("%s: %" PRIu64 "\n", moveToText(move).text, leaves);
}

int runPerftCommand(int argc, char** argv) {
    if (argc >= 1 && std::strcmp(argv[0], "--chess960") == 0) {
        chess960Option = 1;
        --argc, ++argv;
    }
    const int depth = argc >= 1 ? readDepthArgument(argv[0], MaxPerftDepth) : 0;
    if (depth == 0) {
        std::fprintf(stderr, "tarnwick-tool: perft needs a depth from 1 to %d\n", MaxPerftDepth);
        return 2;
    }
    if (argc >= 2)
        joinArguments(argc - 1, argv + 1, positionText, sizeof positionText);
    else
        std::snprintf(positionText, sizeof positionText, "startpos");
    prepareTables();
    if (!tablesArePresent()) {
        std::fprintf(stderr, "tarnwick-tool: not enough memory for the tables\n");
        return 2;
    }
    setupPosition(positionText);
    if (!positionIsValid) {
        std::fprintf(stderr, "tarnwick-tool: position refused: %s\n", positionRefusal);
        releaseTables();
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const std::uint64_t nodes = perft(depth, printRootMove);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    const double seconds = std::chrono::duration<double>(elapsed).count();
    const std::uint64_t perSecond =
        seconds > 0 ? static_cast<std::uint64_t>(static_cast<double>(nodes) / seconds) : nodes;
    std::printf("\nNodes searched: %" PRIu64 "\nNodes/second: %" PRIu64 "\n", nodes, perSecond);
    releaseTables();
    return 0;
}

} // namespace tarnwick
