// The main thread of the engine: start-up, the main loop, and the interpreter of the commands
// the reader thread hands over. Every engine entry point, the search included, runs here.
#include "channel/dispatcher.h"

#include "board/position_setup.h"
#include "channel/go_parameters.h"
#include "channel/input_reader.h"
#include "channel/options.h"
#include "channel/output_log.h"
#include "platform/platform.h"
#include "search/helper_threads.h"
#include "search/search_state.h"
#include "search/strength_limit.h"
#include "search/think_driver.h"
#include "search/transposition_table.h"

namespace tarnwick {

inline constexpr int MainLoopSleepMs = 10;

void sendOwedBestMove(int stopped) {
    if (bestMoveOwed.exchange(0, std::memory_order_acq_rel))
        engineCallbacks.reportBestMove(stopped);
}

static void applyDebugSwitch(const char* argument) {
    if (compareIgnoringCase(argument, "off") == 0)
        debugMode.store(0, std::memory_order_release);
    else if (compareIgnoringCase(argument, "on") == 0)
        debugMode.store(1, std::memory_order_release);
}

int dispatchCommand() {
    if (commandPending.load(std::memory_order_acquire) == 0)
        return 1;
    if (debugMode.load(std::memory_order_acquire))
        writeLog("Processing: \"%s\" \"%s\"", commandWord, commandArgs);

    if (compareIgnoringCase(commandWord, "debug") == 0) {
        applyDebugSwitch(commandArgs);
    } else if (compareIgnoringCase(commandWord, "go") == 0) {
        // An "infinite" or "ponder" search cut short by a command other than `stop` still owes
        // its move; it goes out before the new search, so that every `go` gets its one line.
        sendOwedBestMove(1);
        // `think` frees the slot once it has its arguments; a command that arrives during the
        // search, or right after its `bestmove`, fills it again and is handled on the next call.
        // The slot is therefore never cleared here: a command handed over between a test of the
        // flag and its clearing would be lost.
        engineCallbacks.think();
        if (searchRequest.ponderMode.load(std::memory_order_seq_cst) == 0)
            sendOwedBestMove(0);
        return 1;
    } else if (compareIgnoringCase(commandWord, "isready") == 0) {
        engineCallbacks.prepareTables();
        sendLine("readyok");
    } else if (compareIgnoringCase(commandWord, "ponderhit") == 0) {
        // The pondering search has ended by itself; its move is owed until now.
        sendOwedBestMove(0);
    } else if (compareIgnoringCase(commandWord, "position") == 0) {
        engineCallbacks.setupPosition(commandArgs);
    } else if (compareIgnoringCase(commandWord, "quit") == 0) {
        engineCallbacks.releaseTables();
        return 0;
    } else if (compareIgnoringCase(commandWord, "setoption") == 0) {
        engineCallbacks.applyOption();
    } else if (compareIgnoringCase(commandWord, "stop") == 0) {
        // Sends only a move still owed: an idle engine answers a stray `stop` with nothing.
        sendOwedBestMove(1);
    } else if (compareIgnoringCase(commandWord, "uci") == 0) {
        engineCallbacks.sendIdentity();
        sendLine("uciok");
    } else {
        // `ucinewgame` has no command of its own: it sends nothing and is logged with the words
        // the engine ignores. It only lets the next game have its hint about Move Overhead.
        if (compareIgnoringCase(commandWord, "ucinewgame") == 0)
            overheadHintSent = 0;
        if (debugMode.load(std::memory_order_acquire))
            writeLog("Error: Unknown command - \"%s\" \"%s\"", commandWord, commandArgs);
    }
    commandPending.store(0, std::memory_order_release);
    return 1;
}

// `position` sets up the position of the search that answers the interface's `go`.
static void setupEnginePosition(const char* text) {
    setupPosition(mainSearch, text);
}

void installEngineCallbacks() {
    engineCallbacks.reportBestMove = reportLevelBestMove;
    engineCallbacks.releaseTables = releaseSearch;
    engineCallbacks.prepareTables = prepareSearch;
    engineCallbacks.think = think;
    engineCallbacks.setupPosition = setupEnginePosition;
    engineCallbacks.applyOption = applyOption;
    engineCallbacks.sendIdentity = sendIdentity;
}

void resetCommandChannel() {
    commandPending.store(0, std::memory_order_release);
    debugMode.store(0, std::memory_order_release);
    bestMoveOwed.store(0, std::memory_order_release);
    searchRequest.timeBudgetMs = 0;
    searchRequest.searchStartTick = 0;
    searchRequest.ponderMode.store(0, std::memory_order_release);
    searchRequest.stopRequested.store(0, std::memory_order_release);
    searchRequest.thinking.store(0, std::memory_order_release);
    searchRequest.depthLimit = 0;
    searchRequest.mateLimit = 0;
    searchRequest.nodeLimit = 0;
    searchRequest.clockEndsSearch = 0;
    searchRequest.multiPv = 0;
    searchRequest.searchMoves[0] = 0;
    commandWord[0] = 0;
    commandArgs[0] = 0;
    hashSizeMb = 0;
    moveOverheadMs = DefaultMoveOverheadMs;
    overheadHintSent = 0;
    multiPvLines = 1;
    limitStrength = 0;
    strengthElo = DefaultStrengthElo;
    chess960Option = 0;
    threadOption.store(1, std::memory_order_relaxed);
    seedRandom(-1);
    closeLogbook();
    outputDescriptor = StandardOutput;
}

// The reader runs at a raised priority where the system allows it, so that `stop` and `isready`
// are served at once while the main thread searches.
static void runReader() {
    readerThread(StandardInput);
}

int runEngine() {
    prepareProcess();
    searchRequest.thinking.store(0, std::memory_order_release);
    commandPending.store(0, std::memory_order_release);
    installEngineCallbacks();
    if (!startRaisedThread(runReader))
        return 1; // without a reader no command can ever arrive
    while (dispatchCommand())
        sleepMilliseconds(MainLoopSleepMs);
    return 0;
}

} // namespace tarnwick
