// The engine's main thread: the entry points installed at start-up, the flags it shares with the
// reader thread, and the interpreter of UCI commands.
#pragma once

#include <atomic>
#include <cstdint>

#include "channel/runtime_services.h"

namespace tarnwick {

// The seven entry points through which the command channel reaches the rest of the engine.
struct EngineCallbacks {
    void (*reportBestMove)(int stopped);
    void (*releaseTables)();
    void (*prepareTables)();
    void (*think)();
    void (*setupPosition)(const char* text);
    void (*applyOption)();
    void (*sendIdentity)();
};
inline constinit EngineCallbacks engineCallbacks{};

// What a `go` asks of the search, and the flags the reader thread and the search share.
struct SearchRequest {
    int timeBudgetMs;               // main thread only
    std::uint32_t searchStartTick;  // main thread only
    std::atomic<int> ponderMode;    // "infinite"/"ponder"; cleared by the reader on ponderhit
    std::atomic<int> stopRequested; // raised by the reader or the clock, polled by the search
    std::atomic<int> thinking;      // written by the search, read by the reader
    // Limits beyond the clock, parsed from the same `go` text (main thread only).
    int depthLimit;                      // last iteration to complete; 0 for none
    int mateLimit;                       // `go mate N`: a mate in N moves ends it; 0 for none
    std::uint64_t nodeLimit;             // stop when the node count reaches it; 0 for none
    int clockEndsSearch;                 // 0 when only depth, nodes or mate limit the search
    int multiPv;                         // root moves each iteration reports (MultiPV at `go`)
    char searchMoves[CommandBufferSize]; // root moves to search, as text; empty for all
};
inline constinit SearchRequest searchRequest{};

inline constinit std::atomic<int> commandPending{0};
inline constinit std::atomic<int> debugMode{0};
// 1 from the start of a search until its one `bestmove` line has been sent.
inline constinit std::atomic<int> bestMoveOwed{0};

// Sends the owed `bestmove` line through the reportBestMove entry point; does nothing when none
// is owed, so each `go` gets exactly one, whichever thread gets there first.
void sendOwedBestMove(int stopped);

// Handles the command in the slot, if any; returns 0 after `quit`, else 1.
int dispatchCommand();
void installEngineCallbacks();
// Puts the channel's shared state back to its start values (test reset): flags, request, slot
// buffers, options, random seed, logbook and output descriptor. The callbacks are left alone.
void resetCommandChannel();
// Start-up, main loop and exit status of the engine process.
int runEngine();

} // namespace tarnwick
