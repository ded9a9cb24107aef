// The position path under libFuzzer: arbitrary text as the arguments of `position`, then a
// two-ply walk of the move tree that checks after every make and every unmake that the board,
// the lists, the man count, the castling rights and both keys are as they must be, the same count
// from perft, and a search to depth 2 (at most 20,000 nodes) that must leave the position untouched
// and name a legal move.
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
#include "channel/output_log.h"
#include "search/think_driver.h"
#include "search/transposition_table.h"
#include "test_support.h"

using namespace tarnwick;

namespace {

constexpr int WalkDepth = 2;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "position_fuzzer: %s\n", what);
    std::abort();
}

void checkKeysAndConsistency(const char* when) {
    if (!boardIsConsistent() || !tarnwick_test::keysMatchScratch()) {
        std::fprintf(stderr, "position_fuzzer: %s\n", when);
        fail("board, lists, man count or square sets disagree, or the keys differ from scratch");
    }
}

int devNull = -1;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (devNull < 0)
        fail("cannot open /dev/null");
    installEngineCallbacks();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static char text[CommandBufferSize];
    resetCommandChannel();
    outputDescriptor = devNull;
    resetBoard();
    resetSearch();
    prepareTables(); // the default 1 MiB: built once, then kept
    const std::size_t length = size < sizeof text - 1 ? size : sizeof text - 1;
    std::memcpy(text, data, length);
    text[length] = 0;

    setupPosition(text);
    if (!boardIsConsistent())
        fail("setupPosition left an inconsistent board");
    if (!positionIsValid)
        return 0;
    checkKeysAndConsistency("after setupPosition");
    const tarnwick_test::PositionSnapshot root = tarnwick_test::takeSnapshot();

    // The checked walk, then perft over the same tree: the counts must agree.
    const tarnwick_test::CheckedWalk walk = tarnwick_test::walkAndCheck(WalkDepth);
    if (walk.failures != 0)
        fail("a make or unmake of the walk left the board, the lists or the keys wrong");
    if (!(tarnwick_test::takeSnapshot() == root))
        fail("the walk did not leave the position as it found it");
    if (perft(WalkDepth, nullptr) != walk.leaves)
        fail("perft counts a different number of leaves than the walk");
    if (!(tarnwick_test::takeSnapshot() == root))
        fail("perft did not leave the position as it found it");

    // A depth-2 search: the position is untouched afterwards, the best move is a legal one. The
    // node cap keeps the quiescence of a wild position from stalling the fuzzer.
    std::snprintf(commandArgs, CommandBufferSize, "depth 2 nodes 20000");
    think();
    if (searchRequest.thinking.load(std::memory_order_acquire))
        fail("think returned while still thinking");
    if (!(tarnwick_test::takeSnapshot() == root))
        fail("the search did not leave the position as it found it");
    checkKeysAndConsistency("after the search");
    Move best[LineSlots];
    copyRootLine(best);
    // Even a search its node cap stops before the first root move is done names a legal move.
    const std::vector<Move>& legal = walk.legalRootMoves;
    if (legal.empty() ? best[0].kind != Sentinel
                      : std::find(legal.begin(), legal.end(), best[0]) == legal.end())
        fail("the best move is not one of the legal moves, or there is none to make");
    sendOwedBestMove(0);
    return 0;
}
