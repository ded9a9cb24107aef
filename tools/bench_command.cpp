// tarnwick-tool bench [DEPTH] [THREADS]: searches a fixed list of positions one after the other,
// each as `go depth DEPTH` with Threads THREADS (1 unless given), with a 16 MiB table kept across
// them. At one thread the node total is the engine's signature: any change of it means the search
// behaves differently. With more threads the counts vary from run to run; the time to the depth
// is what compares them.
#include <chrono>
#include <cinttypes>
#include <cstdio>

#include "board/move_notation.h"
#include "board/position_setup.h"
#include "channel/dispatcher.h"
#include "channel/input_reader.h"
#include "channel/options.h"
#include "channel/runtime_services.h"
#include "search/helper_threads.h"
#include "search/search_reports.h"
#include "search/search_state.h"
#include "search/think_driver.h"
#include "search/time_control.h"
#include "search/transposition_table.h"
#include "tool_commands.h"

namespace tarnwick {

inline constexpr int BenchHashSizeMb = 16;
inline constexpr int DefaultBenchDepth = 7;

// Openings, middlegames, endgames, the usual perft positions and a few mates. No position gets
// near three men, so the result does not depend on whether "Endgame.bin" is at hand.
// clang-format off
static const char* const benchPositions[] = {
    "startpos",
    "startpos moves e2e4 e7e5 g1f3 b8c6 f1b5 a7a6",
    "fen rnbqkb1r/pp2pppp/3p1n2/8/3NP3/8/PPP2PPP/RNBQKB1R w KQkq - 1 5",
    "fen rnbqkb1r/ppp1pppp/5n2/3p4/2PP4/8/PP2PPPP/RNBQKBNR w KQkq - 1 3",
    "fen rnbqk2r/ppp1ppbp/3p1np1/8/2PPP3/2N5/PP3PPP/R1BQKBNR w KQkq - 0 5",
    "fen r1bqkbnr/pp1ppppp/2n5/2p5/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3",
    "fen rnbqkbnr/ppp2ppp/4p3/3p4/3PP3/8/PPP2PPP/RNBQKBNR w KQkq - 0 3",
    "fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "fen 8/pp4pk/2p3rp/4p3/2P1P3/1P3RPP/P5K1/8 w - - 0 35",
    "fen r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "fen rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "fen r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "fen r1bq1rk1/ppp2ppp/2np1n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQ1RK1 w - - 0 7",
    "fen 2rq1rk1/pp1bppbp/3p1np1/4n3/3NP3/1BN1BP2/PPPQ2PP/2KR3R w - - 0 12",
    "fen r1b2rk1/2q1bppp/p2p1n2/np2p3/3PP3/2P2N1P/PPB2PP1/RNBQR1K1 w - - 0 12",
    "fen r4rk1/pp2qppp/2n1b3/3p4/3P4/2PB1N2/P4PPP/R2Q1RK1 w - - 0 15",
    "fen 3r1rk1/p4ppp/1qp1pn2/8/1P2P3/P1Q1BP2/6PP/2R2RK1 w - - 0 20",
    "fen r2qr1k1/1b1nbppp/p2p1n2/1p2p3/3PP3/1BP2N1P/PP1N1PP1/R1BQR1K1 b - - 0 12",
    "fen 2kr3r/ppp2ppp/2n1bq2/2b1p3/4P3/2NP1N2/PPP1BPPP/R2Q1RK1 w - - 0 10",
    "fen r1bqk2r/pp2bppp/2n1pn2/3p4/2PP4/2N2N2/PP3PPP/R1BQKB1R w KQkq - 0 7",
    "fen r1bqr1k1/pp3pbp/2np1np1/2p5/2P5/2NP1NP1/PP2PPBP/R1BQR1K1 w - - 0 10",
    "fen rn1qkb1r/pp3ppp/2p1pn2/3p1b2/2PP4/1QN1P3/PP3PPP/R1B1KBNR b KQkq - 0 6",
    "fen r1bq1rk1/pp1nbppp/2p1pn2/3p4/2PP4/2N1PN2/PPQ2PPP/R1B1KB1R w KQ - 0 7",
    "fen 2r2rk1/pp1qbppp/2n1pn2/3p4/3P4/P1N1PN2/1PQ2PPP/2RB1RK1 w - - 0 14",
    "fen r3r1k1/ppq2ppp/2pb1n2/4p3/2B1P1b1/2NP1N2/PPP2PPP/R2Q1RK1 w - - 0 11",
    "fen 4rrk1/pp1n1pp1/1qp1p2p/3pP3/3P1P2/2PB4/PP1Q2PP/R4RK1 w - - 0 17",
    "fen r1b1k2r/ppppqppp/2n2n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQK2R w KQkq - 3 6",
    "fen r2q1rk1/pb1nbppp/1p2pn2/2pp4/3P4/1PNBPN2/PBQ2PPP/R4RK1 w - - 0 11",
    "fen 6k1/pp3ppp/4p3/8/8/4P3/PP3PPP/6K1 w - - 0 30",
    "fen 8/8/4k3/3p1p2/3P1P2/4K3/8/8 w - - 0 50",
    "fen 8/pp3k2/2p5/8/8/2P5/PP3K2/8 w - - 0 40",
    "fen 2b3k1/5pp1/4p2p/8/8/4P2P/5PP1/2B3K1 w - - 0 30",
    "fen 2r3k1/5ppp/8/8/8/8/5PPP/2R3K1 w - - 0 30",
    "fen 8/8/1p2k3/p1p5/P1P5/1P2K3/8/8 w - - 0 45",
    "fen 4r1k1/1p3ppp/p7/8/8/P7/1P3PPP/4R1K1 b - - 0 28",
    "fen 4k3/ppp2ppp/8/8/8/8/PPP2PPP/4K3 w - - 0 1",
    "fen 6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1",
    "fen r5k1/5ppp/8/8/8/8/5PPP/6K1 b - - 0 1",
    "fen r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4",
    "fen r1b1kb1r/pppp1ppp/5q2/4n3/3KP3/2N3PN/PPP4P/R1BQ1B1R b kq - 0 1",
};
// clang-format on

static char benchPositionText[CommandBufferSize];

int runBenchCommand(int argc, char** argv) {
    const int depth = argc >= 1 ? readDepthArgument(argv[0], LastIteration) : DefaultBenchDepth;
    const int threads = argc >= 2 ? readDepthArgument(argv[1], MaxThreads) : 1;
    if (depth == 0 || threads == 0) {
        std::fprintf(stderr,
                     "tarnwick-tool: bench needs a depth from 1 to %d and from 1 to %d threads\n",
                     LastIteration, MaxThreads);
        return 2;
    }
    threadOption.store(threads, std::memory_order_relaxed);
    hashSizeMb = BenchHashSizeMb;
    prepareSearch();
    if (!tablesArePresent()) {
        std::fprintf(stderr, "tarnwick-tool: not enough memory for the tables\n");
        return 2;
    }
    SearchState& search = mainSearch;
    resetSearch(search);
    quietReports = 1;
    std::uint64_t totalNodes = 0;
    const auto start = std::chrono::steady_clock::now();
    const int positionCount = static_cast<int>(sizeof benchPositions / sizeof benchPositions[0]);
    for (int i = 0; i < positionCount; ++i) {
        std::snprintf(benchPositionText, sizeof benchPositionText, "%s", benchPositions[i]);
        setupPosition(search, benchPositionText);
        // The search reads its limits from the `go` arguments, as in a game.
        std::snprintf(commandArgs, sizeof commandArgs, "depth %d", depth);
        think();
        const std::uint64_t nodes = nodeCount(search) + helperNodes(); // all threads'
        totalNodes += nodes;
        Move line[LineSlots];
        copyRootLine(search, line);
        std::printf("Position %2d/%d: %12" PRIu64 " nodes  bestmove %-5s  %s\n", i + 1,
                    positionCount, nodes, moveToText(search, line[0]).text, benchPositions[i]);
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    const long long milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
    std::printf("Nodes searched: %" PRIu64 "\n", totalNodes);
    std::printf("Nodes/second: %" PRIu64 "\n",
                milliseconds > 0 ? totalNodes * 1000 / static_cast<std::uint64_t>(milliseconds)
                                 : totalNodes * 1000);
    std::printf("Time: %lld ms\n", milliseconds);
    releaseSearch();
    return 0;
}

} // namespace tarnwick
