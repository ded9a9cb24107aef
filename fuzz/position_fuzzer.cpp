// The position path under libFuzzer: arbitrary text as the arguments of `position`, read by the
// rules of standard chess and again of Chess960, a two-ply walk checked after every make and
// unmake, the same count from perft, and a depth-2 search that leaves the position untouched and
// names a legal move.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "board/board.h"
#include "board/make_unmake.h"
#include "board/move_generation.h"
#include "board/perft.h"
#include "board/position_setup.h"
#include "channel/dispatcher.h"
#include "channel/input_reader.h"
#include "channel/options.h"
#include "channel/output_log.h"
#include "search/think_driver.h"
#include "search/transposition_table.h"
#include "test_support.h"

using namespace tarnwick;

namespace {

constexpr int WalkDepth = 2;

void check(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "position_fuzzer: %s\n", what);
        std::abort();
    }
}

int devNull = -1;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
    check(devNull >= 0, "cannot open /dev/null");
    installEngineCallbacks();
    return 0;
}

static void checkPosition(const char* text, int chess960) {
    resetCommandChannel();
    outputDescriptor = devNull;
    chess960Option = chess960;
    resetBoard();
    resetSearch();
    prepareTables(); // the default 1 MiB: built once, then kept

    setupPosition(text);
    check(boardIsConsistent(), "setupPosition left an inconsistent board");
    if (!positionIsValid)
        return;
    check(tarnwick_test::keysMatchScratch(), "setupPosition left keys that differ from scratch");
    const tarnwick_test::PositionSnapshot root = tarnwick_test::takeSnapshot();

    // The checked walk, then perft over the same tree: the counts must agree, and neither may
    // leave a trace.
    const tarnwick_test::CheckedWalk walk = tarnwick_test::walkAndCheck(WalkDepth);
    check(walk.failures == 0, "a make or unmake of the walk left the board or the keys wrong");
    check(tarnwick_test::takeSnapshot() == root, "the walk changed the position");
    check(perft(WalkDepth, nullptr) == walk.leaves, "perft and the walk count other leaves");
    check(tarnwick_test::takeSnapshot() == root, "perft changed the position");

    // A depth-2 search: the position is untouched afterwards, the best move is a legal one, even
    // when the node cap (which keeps a wild quiescence from stalling the fuzzer) stops it before
    // its first root move is done.
    std::snprintf(commandArgs, CommandBufferSize, "depth 2 nodes 20000");
    think();
    check(!searchRequest.thinking.load(std::memory_order_acquire), "think returned thinking");
    check(tarnwick_test::takeSnapshot() == root && boardIsConsistent(),
          "the search changed the position");
    Move best[LineSlots];
    copyRootLine(best);
    const std::vector<Move>& legal = walk.legalRootMoves;
    check(legal.empty() ? best[0].kind == Sentinel
                        : std::find(legal.begin(), legal.end(), best[0]) != legal.end(),
          "the best move is not one of the legal moves, or there is none to make");
    sendOwedBestMove(0);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static char text[CommandBufferSize];
    const std::size_t length = size < sizeof text - 1 ? size : sizeof text - 1;
    std::memcpy(text, data, length);
    text[length] = 0;
    checkPosition(text, 0);
    checkPosition(text, 1);
    return 0;
}
