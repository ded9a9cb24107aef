// The reader thread: CR, LF or both end a line, empty lines vanish, each line is normalised to
// single blanks and handed over through the one-slot queue. During a search it serves `isready`,
// `ponderhit`, `debug` and `stop` itself and asks the search to stop for anything else.
#include "channel/input_reader.h"

#include <cstring>

#include "channel/dispatcher.h"
#include "channel/options.h"
#include "channel/output_log.h"
#include "platform/platform.h"

namespace tarnwick {

inline constexpr int ReaderPollMs = 10;
inline constexpr int MaxLineLength = CommandBufferSize - 1;

static void waitForFreeSlot() {
    while (commandPending.load(std::memory_order_acquire))
        sleepMilliseconds(ReaderPollMs);
}

static int isWord(const char* word) {
    return compareIgnoringCase(commandWord, word) == 0;
}

// Serves a line that arrived while `think` runs on the main thread.
static void serveDuringSearch() {
    if (debugMode.load(std::memory_order_acquire))
        writeLog("Processing while thinking: \"%s\" \"%s\"", commandWord, commandArgs);
    if (isWord("debug")) {
        if (compareIgnoringCase(commandArgs, "off") == 0)
            debugMode.store(0, std::memory_order_release);
        else if (compareIgnoringCase(commandArgs, "on") == 0)
            debugMode.store(1, std::memory_order_release);
    } else if (isWord("isready")) {
        sendLine("readyok");
    } else if (isWord("ponderhit")) {
        // The search may have ended between the test of `thinking` and this store, after the
        // main thread had found the ponder mode still up: then the dispatcher sends the owed move.
        // Sequentially consistent, so that one of the two threads sees the other's store.
        searchRequest.ponderMode.store(0, std::memory_order_seq_cst);
        if (searchRequest.thinking.load(std::memory_order_seq_cst) == 0)
            commandPending.store(1, std::memory_order_release);
    } else if (isWord("setoption") && applyThreadsOption(commandArgs)) {
        // Counts from the next search: the running one keeps its threads.
    } else if (isWord("stop")) {
        // The move is claimed before the stop is raised: a search that saw the stop first would
        // send it as a completed search's, with a ponder move.
        const int owed = bestMoveOwed.exchange(0, std::memory_order_acq_rel);
        searchRequest.stopRequested.store(1, std::memory_order_release);
        if (owed)
            engineCallbacks.reportBestMove(1);
    } else {
        searchRequest.stopRequested.store(1, std::memory_order_release);
        commandPending.store(1, std::memory_order_release);
    }
}

int normaliseLine(char* line) {
    replaceAll(line, "\t", " ");
    while (replaceAll(line, "  ", " ") > 0) {
    }
    trimBlanks(line);
    return line[0] != 0;
}

void storeCommand(char* line) {
    commandArgs[0] = 0;
    if (char* blank = findChar(line, ' ')) {
        *blank = 0;
        std::memcpy(commandArgs, blank + 1, std::strlen(blank + 1) + 1);
    }
    std::memcpy(commandWord, line, std::strlen(line) + 1);
}

// The reader's LineHandler: normalises one complete line and hands it over. A line left empty is
// dropped.
static void handleLine(char* line) {
    if (!normaliseLine(line))
        return;
    if (debugMode.load(std::memory_order_acquire))
        writeLog("Received: \"%s\"", line);

    waitForFreeSlot();
    storeCommand(line);
    if (searchRequest.thinking.load(std::memory_order_acquire) == 0)
        commandPending.store(1, std::memory_order_release);
    else
        serveDuringSearch();
}

void finishInputLine(LineAssembly& line, LineHandler takeLine) {
    line.text[line.length] = 0;
    if (line.overlong) {
        if (debugMode.load(std::memory_order_acquire))
            writeLog("Error: Line longer than %d characters dropped - Start=\"%.64s\"",
                     MaxLineLength, line.text);
    } else if (line.length > 0) {
        takeLine(line.text);
    }
    line.length = 0;
    line.overlong = 0;
}

void cutInputLines(LineAssembly& line, const char* bytes, int count, LineHandler takeLine) {
    for (int i = 0; i < count; ++i) {
        char next = bytes[i];
        if (next == '\r' || next == '\n')
            finishInputLine(line, takeLine);
        else if (next == 0)
            continue;
        else if (line.length < MaxLineLength)
            line.text[line.length++] = next;
        else
            line.overlong = 1;
    }
    if (line.length > 0 && !line.overlong && debugMode.load(std::memory_order_acquire)) {
        line.text[line.length] = 0;
        writeLog("Error: No CRLF in input buffer - Buffer=\"%s\"", line.text);
    }
}

// The interface has gone: what it sent is done, an open-ended search gets its `bestmove` as on
// `stop`, and a `quit` follows. A search with its own limit is left to finish; its `bestmove`
// comes before the quit is handled.
static void quitAtEndOfInput() {
    waitForFreeSlot();
    if (searchRequest.thinking.load(std::memory_order_acquire)) {
        if (searchRequest.ponderMode.load(std::memory_order_acquire)) {
            searchRequest.stopRequested.store(1, std::memory_order_release);
            sendOwedBestMove(1);
        }
    } else if (searchRequest.ponderMode.load(std::memory_order_acquire)) {
        // An "infinite" or "ponder" search that ended by itself still owes its move.
        sendOwedBestMove(1);
    }
    commandArgs[0] = 0;
    std::memcpy(commandWord, "quit", sizeof "quit");
    commandPending.store(1, std::memory_order_release);
}

int readerThread(int inputDescriptor) {
    static constexpr int ChunkSize = CommandBufferSize - 1;
    char chunk[ChunkSize];
    LineAssembly line{};
    for (int count; (count = readInput(inputDescriptor, chunk, ChunkSize)) > 0;)
        cutInputLines(line, chunk, count, handleLine);
    closeInput(inputDescriptor);
    // A last line without its line end is still a command the interface sent.
    finishInputLine(line, handleLine);
    quitAtEndOfInput();
    return 0;
}

} // namespace tarnwick
