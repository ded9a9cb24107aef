// The input path under libFuzzer: arbitrary bytes are cut into lines and normalised by the
// reader's own routines and handed to the dispatcher, as the reader thread does while no search
// runs. Every `go` is cut down to a tiny search, and every `go` must be answered by exactly one
// `bestmove` line: at once, or for "infinite" and "ponder" at the next `stop` or `ponderhit`,
// or at the end of the input.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <sys/mman.h>
#include <unistd.h>

#include "board/board.h"
#include "board/position_setup.h"
#include "channel/dispatcher.h"
#include "channel/input_reader.h"
#include "channel/options.h"
#include "channel/output_log.h"
#include "search/think_driver.h"
#include "search/transposition_table.h"

using namespace tarnwick;

namespace {

// The engine's output goes to an in-memory file, read back and emptied after every command.
int outputFile = -1;
char outputText[1 << 20];

int gosDispatched = 0;
int bestMovesSeen = 0;
int readyRequests = 0;
int readyAnswers = 0;
int quitSeen = 0;

// Hash sizes above this are cut to it, so that a fuzzed setoption cannot make every `isready`
// clear a gigabyte; sizes beyond the 4 GiB the table can be asked for stay, as they take the
// refusal path without allocating.
constexpr int FuzzHashLimitMb = 4;
constexpr int RefusedHashMb = 4096;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "input_fuzzer: %s (go %d, bestmove %d, isready %d, readyok %d)\n", what,
                 gosDispatched, bestMovesSeen, readyRequests, readyAnswers);
    std::abort();
}

// Counts the `bestmove` and "readyok" lines written since the last call.
void collectOutput() {
    off_t length = lseek(outputFile, 0, SEEK_CUR);
    if (length <= 0)
        return;
    if (length >= static_cast<off_t>(sizeof outputText))
        fail("one command wrote more than a mebibyte");
    if (pread(outputFile, outputText, static_cast<size_t>(length), 0) != length)
        fail("cannot read the output back");
    outputText[length] = 0;
    if (ftruncate(outputFile, 0) != 0 || lseek(outputFile, 0, SEEK_SET) != 0)
        fail("cannot empty the output");
    for (const char* line = outputText; *line != 0;) {
        if (std::strncmp(line, "bestmove ", 9) == 0)
            ++bestMovesSeen;
        else if (std::strncmp(line, "readyok\n", 8) == 0)
            ++readyAnswers;
        const char* end = std::strchr(line, '\n');
        if (end == nullptr)
            fail("an output line without its line feed");
        line = end + 1;
    }
}

// Keeps the open-endedness and the searchmoves of a `go`, but replaces its limits by one ply or
// 500 nodes, so that no input can start a long search.
void shrinkGo() {
    static char original[CommandBufferSize];
    std::memcpy(original, commandArgs, sizeof original);
    const int openEnded =
        std::strstr(original, "infinite") != nullptr || std::strstr(original, "ponder") != nullptr;
    const char* limit = (std::strlen(original) & 1) ? "nodes 500" : "depth 1";
    const char* moves = std::strstr(original, "searchmoves ");
    std::snprintf(commandArgs, CommandBufferSize, "%s%s%s%s", openEnded ? "infinite " : "", limit,
                  moves ? " " : "", moves ? moves : "");
}

// The LineHandler of the harness: what the reader and the dispatcher do with one line.
void takeLine(char* line) {
    if (quitSeen || !normaliseLine(line))
        return;
    storeCommand(line);
    const int isGo = strcasecmp(commandWord, "go") == 0;
    if (isGo)
        shrinkGo();
    readyRequests += strcasecmp(commandWord, "isready") == 0;
    commandPending.store(1, std::memory_order_release);
    if (dispatchCommand() == 0)
        quitSeen = 1;
    if (commandPending.load(std::memory_order_acquire) && !quitSeen)
        fail("the slot is still taken after the dispatcher returned");
    if (hashSizeMb > FuzzHashLimitMb && hashSizeMb < RefusedHashMb)
        hashSizeMb = FuzzHashLimitMb;
    collectOutput();
    gosDispatched += isGo;
    if (searchRequest.thinking.load(std::memory_order_acquire))
        fail("think returned while still thinking");
    // Each `go` owes one move; at most the last, open-ended one may still be owed.
    const int owed = bestMoveOwed.load(std::memory_order_acquire);
    if (bestMovesSeen + owed != gosDispatched)
        fail("a go was answered by no bestmove or by more than one");
    if (owed && searchRequest.ponderMode.load(std::memory_order_acquire) == 0)
        fail("a move is owed although the search was not open-ended");
    if (readyAnswers != readyRequests)
        fail("an isready without its readyok");
    if (!boardIsConsistent())
        fail("the position is inconsistent after a command");
}

void resetEngine() {
    resetCommandChannel();
    outputDescriptor = outputFile;
    resetBoard();
    resetSearch();
    gosDispatched = bestMovesSeen = readyRequests = readyAnswers = quitSeen = 0;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    outputFile = memfd_create("tarnwick-output", MFD_CLOEXEC);
    if (outputFile < 0)
        fail("cannot create the output file");
    installEngineCallbacks();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static LineAssembly line;
    resetEngine();
    line.length = 0;
    line.overlong = 0;
    const char* bytes = reinterpret_cast<const char*>(data);
    // The reader takes its input in reads of at most CommandBufferSize - 1 bytes.
    while (size > 0) {
        const int count =
            size < CommandBufferSize - 1 ? static_cast<int>(size) : CommandBufferSize - 1;
        cutInputLines(line, bytes, count, takeLine);
        bytes += count;
        size -= static_cast<std::size_t>(count);
    }
    finishInputLine(line, takeLine);
    // The end of input: a move still owed by an open-ended search is sent as on `stop`.
    if (!quitSeen) {
        sendOwedBestMove(1);
        collectOutput();
        if (bestMovesSeen != gosDispatched)
            fail("a go was left without its bestmove at the end of input");
    }
    releaseTables();
    return 0;
}
