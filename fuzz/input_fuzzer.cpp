// The input path under libFuzzer: bytes cut into lines by the reader's routines go to the
// dispatcher as between searches. Each `go`, cut to a tiny search, gets exactly one `bestmove`
// (at once, at the next `stop` or `ponderhit`, or at the end of the input), each `isready` its
// "readyok", and the position stays consistent.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

#include "board/board.h"
#include "channel/dispatcher.h"
#include "channel/input_reader.h"
#include "channel/options.h"
#include "channel/output_log.h"
#include "search/search_state.h"
#include "search/think_driver.h"
#include "search/transposition_table.h"

using namespace tarnwick;

namespace {

// The engine's output goes to an in-memory file, read back and emptied after every command.
int outputFile = -1;
char outputText[1 << 20];
int goes, bestMoves, readyRequests, readyAnswers, quitSeen;

// Hash sizes above 4 MiB are cut to it, so that a fuzzed setoption cannot make every `isready`
// clear a gigabyte; sizes beyond the largest take the refusal path without allocating and stay.
// Threads are cut to 4, so that a `go` does not start hundreds.
constexpr int FuzzHashLimitMb = 4;
constexpr int RefusedHashMb = MaxHashSizeMb + 1;
constexpr int FuzzThreadLimit = 4;

void check(bool holds, const char* what) {
    if (holds)
        return;
    std::fprintf(stderr, "input_fuzzer: %s (go %d, bestmove %d, isready %d, readyok %d)\n", what,
                 goes, bestMoves, readyRequests, readyAnswers);
    std::abort();
}

// Counts the `bestmove` and "readyok" lines written since the last call.
void collectOutput() {
    const off_t length = lseek(outputFile, 0, SEEK_CUR);
    check(length < static_cast<off_t>(sizeof outputText), "one command wrote a mebibyte");
    check(length <= 0 || pread(outputFile, outputText, static_cast<size_t>(length), 0) == length,
          "cannot read the output back");
    outputText[length > 0 ? length : 0] = 0;
    check(ftruncate(outputFile, 0) == 0 && lseek(outputFile, 0, SEEK_SET) == 0, "cannot empty");
    for (const char* line = outputText; *line != 0;) {
        bestMoves += std::strncmp(line, "bestmove ", 9) == 0;
        readyAnswers += std::strncmp(line, "readyok\n", 8) == 0;
        line = std::strchr(line, '\n');
        check(line != nullptr, "an output line without its line feed");
        ++line;
    }
}

// The LineHandler of the harness: what the reader and the dispatcher do with one line. A `go`
// keeps its open-endedness and its searchmoves, but its limits become one ply or 500 nodes.
void takeLine(char* line) {
    if (quitSeen || !normaliseLine(line))
        return;
    storeCommand(line);
    const int isGo = compareIgnoringCase(commandWord, "go") == 0;
    if (isGo) {
        static char original[CommandBufferSize];
        std::memcpy(original, commandArgs, sizeof original);
        const char* moves = std::strstr(original, "searchmoves ");
        std::snprintf(
            commandArgs, CommandBufferSize, "%s%s%s%s",
            std::strstr(original, "infinite") || std::strstr(original, "ponder") ? "infinite " : "",
            (std::strlen(original) & 1) ? "nodes 500" : "depth 1", moves ? " " : "",
            moves ? moves : "");
    }
    readyRequests += compareIgnoringCase(commandWord, "isready") == 0;
    commandPending.store(1, std::memory_order_release);
    quitSeen = dispatchCommand() == 0;
    check(!commandPending.load(std::memory_order_acquire) || quitSeen,
          "the slot is still taken after the dispatcher returned");
    if (hashSizeMb > FuzzHashLimitMb && hashSizeMb < RefusedHashMb)
        hashSizeMb = FuzzHashLimitMb;
    if (threadOption.load() > FuzzThreadLimit)
        threadOption.store(FuzzThreadLimit);
    collectOutput();
    goes += isGo;
    check(!searchRequest.thinking.load(std::memory_order_acquire), "think returned thinking");
    // Each `go` owes one move; at most the last, open-ended one may still be owed.
    const int owed = bestMoveOwed.load(std::memory_order_acquire);
    check(bestMoves + owed == goes, "a go was answered by no bestmove or by more than one");
    check(!owed || searchRequest.ponderMode.load(std::memory_order_acquire),
          "a move is owed although the search was not open-ended");
    check(readyAnswers == readyRequests, "an isready without its readyok");
    check(boardIsConsistent(mainSearch), "the position is inconsistent after a command");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    outputFile = memfd_create("tarnwick-output", MFD_CLOEXEC);
    check(outputFile >= 0, "cannot create the output file");
    installEngineCallbacks();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static LineAssembly line;
    resetCommandChannel();
    outputDescriptor = outputFile;
    resetBoard(mainSearch);
    resetSearch(mainSearch);
    goes = bestMoves = readyRequests = readyAnswers = quitSeen = 0;
    line.length = line.overlong = 0;
    // The reader takes its input in reads of at most CommandBufferSize - 1 bytes.
    for (const char* bytes = reinterpret_cast<const char*>(data); size > 0;) {
        const int count =
            static_cast<int>(size < CommandBufferSize - 1 ? size : CommandBufferSize - 1);
        cutInputLines(line, bytes, count, takeLine);
        bytes += count;
        size -= static_cast<std::size_t>(count);
    }
    finishInputLine(line, takeLine);
    // The end of input: a move still owed by an open-ended search is sent as on `stop`.
    if (!quitSeen) {
        sendOwedBestMove(1);
        collectOutput();
        check(bestMoves == goes, "a go was left without its bestmove at the end of input");
    }
    releaseTables();
    return 0;
}
