// The `go` entry point. Iterations 1 to 3 give every root move an exact value with the full
// window and sort the list by it; from iteration 4 an aspiration window of half a pawn around
// the last value is searched, with re-searches when a value falls outside it.
#include "search/think_driver.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "board/make_unmake.h"
#include "board/move_generation.h"
#include "board/move_notation.h"
#include "board/position_setup.h"
#include "channel/dispatcher.h"
#include "channel/go_parameters.h"
#include "channel/input_reader.h"
#include "channel/options.h"
#include "channel/output_log.h"
#include "eval/root_evaluation.h"
#include "search/helper_threads.h"
#include "search/search_reports.h"
#include "search/search_state.h"
#include "search/strength_limit.h"
#include "search/time_control.h"
#include "search/transposition_table.h"

namespace tarnwick {

inline constexpr int FullWidthIterations = 3;

// Guards rootLine between think (writer, main thread) and a `stop` report on the reader thread.
// Taken only when the best line changes and for reports, never inside the tree. Not constinit:
// some thread libraries (MinGW's) give std::mutex no constant initializer.
static std::mutex rootLineLock;

void setRootLine(SearchState& search, const Move* line) {
    const std::lock_guard<std::mutex> guard(rootLineLock);
    std::memcpy(search.rootLine, line, sizeof search.rootLine);
}

void copyRootLine(const SearchState& search, Move* line) {
    const std::lock_guard<std::mutex> guard(rootLineLock);
    std::memcpy(line, search.rootLine, sizeof search.rootLine);
}

static void clearRootLine(SearchState& search) {
    const std::lock_guard<std::mutex> guard(rootLineLock);
    search.rootLine[0] = SentinelMove;
}

void resetSearch(SearchState& search) {
    clearRootLine(search);
    search.rootScore = 0;
    search.rootMoveCount = 0;
    search.iterationDepth = 0;
    search.selDepth = 0;
    clearKillers(search.killers);
    resetNodeCount(search);
    std::memset(static_cast<void*>(search.frames), 0, sizeof search.frames);
    std::memset(static_cast<void*>(search.rootMoves), 0, sizeof search.rootMoves);
}

// A `go searchmoves` list restricts the root moves to those it names (words of move text; a
// Chess960 castling also by its king's move to its target, as the move reader takes it).
static bool isRequestedRootMove(const SearchState& search, const Move& move) {
    const char* words = searchRequest.searchMoves;
    if (words[0] == 0)
        return true;
    const MoveText texts[2] = {moveToText(search, move), kingStepCastlingText(search, move)};
    for (const char* word = words; *word != 0;) {
        while (*word == ' ')
            ++word;
        std::size_t wordLength = 0;
        while (word[wordLength] != 0 && word[wordLength] != ' ')
            ++wordLength;
        for (const MoveText& text : texts) {
            const std::size_t length = std::strlen(text.text);
            if (wordLength == length && length != 0 && std::strncmp(word, text.text, length) == 0)
                return true;
        }
        word += wordLength;
    }
    return false;
}

int collectRootMove(Position& pos, SearchFrame*) {
    SearchState& search = static_cast<SearchState&>(pos);
    const Move& move = search.moveStack[search.currentSlot];
    // Only legal moves enter the list, and at most 128 of them: later ones are dropped.
    if (search.rootMoveCount >= MaxRootMoves || !isRequestedRootMove(search, move))
        return 0;
    if (!leavesKingSafe(search, move))
        return 0;
    RootMove& entry = search.rootMoves[search.rootMoveCount++];
    entry.score = 0;
    entry.move = move;
    for (int k = 0; k < LineSlots - 1; ++k)
        entry.line[k] = SentinelMove;
    entry.line[LineSlots - 1] = SentinelMove;
    clearKillers(entry.killers);
    return 0;
}

void generateRootMoves(SearchState& search, SearchFrame* frame) {
    // 1. The generators hand every pseudo-legal move to collectRootMove.
    search.moveCallback = collectRootMove;
    search.rootMoveCount = 0;
    // 2.-5. En passant, captures by victim, castling, quiet moves with the king's first. The
    //       generators' results are ignored: the collector never stops them.
    generateEnPassant(search, frame);
    for (int i = 1; i <= search.lastPieceIndex[search.otherSide]; ++i) {
        if (search.pieceList[search.otherSide][i].piece != Empty)
            generateCaptures(search, search.pieceList[search.otherSide][i].square, frame);
    }
    generateCastling(search, frame);
    for (int i = 0; i <= search.lastPieceIndex[search.sideToMove]; ++i) {
        if (search.pieceList[search.sideToMove][i].piece != Empty)
            generateQuietMoves(search, search.pieceList[search.sideToMove][i].square, frame);
    }
    // 6. From here on every generated move is searched.
    search.moveCallback = searchMove;
}

void sortRootMoves(SearchState& search) {
    // A stable bubble sort, best score first: equal scores keep their order, which at the
    // first sort is the generation order.
    for (bool exchanged = true; exchanged;) {
        exchanged = false;
        for (int i = 0; i + 1 < search.rootMoveCount; ++i) {
            if (search.rootMoves[i + 1].score > search.rootMoves[i].score) {
                const RootMove earlier = search.rootMoves[i];
                search.rootMoves[i] = search.rootMoves[i + 1];
                search.rootMoves[i + 1] = earlier;
                exchanged = true;
            }
        }
    }
}

// Searches one root move with the given window, with its own killers; returns the root
// frame's best value (meaningless when a stop was raised meanwhile).
static int searchRootMove(SearchState& search, RootMove& entry, int alpha, int beta) {
    SearchFrame& root = search.frames[0];
    search.moveStack[search.currentSlot] = entry.move;
    root.parentLine = entry.line;
    root.best = static_cast<std::int16_t>(-MateScore);
    root.alpha = static_cast<std::int16_t>(alpha);
    root.beta = static_cast<std::int16_t>(beta);
    std::memcpy(search.killers, entry.killers, sizeof search.killers);
    searchMove(search, &root);
    std::memcpy(entry.killers, search.killers, sizeof search.killers);
    return root.best;
}

static bool stopIsRequested() {
    return searchRequest.stopRequested.load(std::memory_order_acquire) != 0;
}

// Before every iteration: a mate found, for either side, ends the deepening once it lies within
// the depth already searched, since no shorter mate can then have been missed (a long mate from
// the endgame data or the table at a shallow depth does not; a lost position is searched on for
// its longest defence). A `go depth N` ends it once iteration N is complete.
static bool deepeningIsOver(const SearchState& search) {
    if (std::abs(search.rootScore) > MateFound &&
        MateScore - std::abs(search.rootScore) <= search.iterationDepth - 1)
        return true;
    // `go mate N`: a mate in N moves or fewer answers it.
    if (searchRequest.mateLimit > 0 && search.rootScore > MateFound &&
        (MateScore + 1 - search.rootScore) / 2 <= searchRequest.mateLimit)
        return true;
    return searchRequest.depthLimit > 0 && search.iterationDepth > searchRequest.depthLimit;
}

// Before iterations 4 to 63: no new iteration after two thirds of the budget, unless the clock
// does not limit this search.
static bool timeIsUp() {
    if (searchRequest.ponderMode.load(std::memory_order_acquire) != 0 ||
        searchRequest.clockEndsSearch == 0)
        return false;
    const std::int64_t softLimit = 2 * static_cast<std::int64_t>(searchRequest.timeBudgetMs) / 3;
    return static_cast<std::int64_t>(elapsedMilliseconds()) > softLimit;
}

// The root's value and best move, from a copy of the line: a `stop` may be writing it. The line
// as shown is remembered for the lines of later reports.
static void storeRootResult(SearchState& search) {
    Move line[LineSlots];
    copyRootLine(search, line);
    ttStore(search, -FullWindow, FullWindow, search.iterationDepth, search.rootScore, &line[0]);
    if (search.helperIndex == 0)
        rememberShownLine(search, line, search.iterationDepth);
}

// A move found lost is not searched again while its value, the longest defence the search saw at
// an earlier depth, does not beat the best so far: a deeper search only finds faster mates. Once
// it does, the position is lost whatever is played, and the move is searched again for its true
// value, so that the longest defence is played and its mate shown as it is.
static bool isSkippedLostMove(const RootMove& entry, int best) {
    return entry.score < LostRootMove && entry.score <= best;
}

// Iterations 1 to 3: every root move gets an exact value; the best is the first strictly best.
// Returns false when a stop ended the search.
static bool runFullWidthIteration(SearchState& search) {
    SearchFrame& root = search.frames[0];
    search.selDepth = search.iterationDepth;
    root.depth = static_cast<std::int16_t>(search.iterationDepth);
    int bestSoFar = -FullWindow;
    for (int i = 0; i < search.rootMoveCount; ++i) {
        RootMove& entry = search.rootMoves[i];
        if (isSkippedLostMove(entry, bestSoFar))
            continue;
        // 3.1 In iteration 1 there is no stored line yet; later the move's own line leads.
        root.stage = search.iterationDepth == 1 ? StagePlain : StagePv;
        // 3.2-3.3 Search it; a stop discards the result.
        const int best = searchRootMove(search, entry, -FullWindow, FullWindow);
        if (stopIsRequested())
            return false;
        // 3.4-3.5 Keep its value; report each improvement of the best move.
        entry.score = static_cast<std::int16_t>(best);
        if (best > bestSoFar) {
            setRootLine(search, entry.line);
            bestSoFar = search.rootScore = best;
            reportInfo(search, 0);
        }
    }
    // 4. A completed iteration: store the root, sort the list.
    if (stopIsRequested())
        return false;
    storeRootResult(search);
    sortRootMoves(search);
    return true;
}

// Moves the entry at `index` up to `place`; the entries from `place` on move down one place.
static void moveUp(SearchState& search, int index, int place) {
    const RootMove entry = search.rootMoves[index];
    std::memmove(static_cast<void*>(&search.rootMoves[place + 1]),
                 static_cast<const void*>(&search.rootMoves[place]),
                 sizeof(RootMove) * static_cast<std::size_t>(index - place));
    search.rootMoves[place] = entry;
}

// A root value outside the aspiration window is a bound, reported as such and kept as the root's
// value until the search again gives an exact one. A bound at a window edge deep in the mate range
// is no mate anyone found: near a mate, the null move holds such a bound for the losing side
// whenever the reduced search cannot see the mate, so the first move fails low at the edge 128
// below the mate. Such a bound is neither shown nor kept (a GUI would show a mate in 67); the root
// keeps its last exact value. Returns whether the bound was shown.
static bool keepBound(SearchState& search, int value, int edge, int bound) {
    if (value == edge && showsAsMate(edge))
        return false;
    search.rootScore = value;
    reportInfo(search, bound);
    return true;
}

// Iterations 4 to 63: an aspiration window around the last value. Returns false when a stop
// ended the search.
static bool runAspirationIteration(SearchState& search) {
    SearchFrame& root = search.frames[0];
    // 2. The window, and the previous line announced with the new depth.
    search.selDepth = search.iterationDepth;
    root.depth = static_cast<std::int16_t>(search.iterationDepth);
    int alpha = search.rootScore - AspirationHalfWidth;
    int beta = search.rootScore + AspirationHalfWidth;
    reportInfo(search, 0);
    // 3. Every root move in list order but lost ones that cannot be the longest defence; skipped
    //    ones keep their number.
    for (int i = 0; i < search.rootMoveCount; ++i) {
        RootMove& entry = search.rootMoves[i];
        if (i > 0 && isSkippedLostMove(entry, search.rootScore))
            continue;
        // 3.1 Announce the move once, however often it is searched.
        if (showsReports(search))
            sendLine("info currmove %s currmovenumber %d", moveToText(search, entry.move).text,
                     i + 1);
        root.stage = StagePv;
        if (i == 0) {
            // 3.3 The first move sets the value; outside the window it is searched again with
            //     that side of the window opened.
            for (;;) {
                const int b = searchRootMove(search, entry, alpha, beta);
                if (stopIsRequested())
                    return false;
                setRootLine(search, entry.line);
                if (b <= alpha) {
                    keepBound(search, b, alpha, -1);
                    alpha = -FullWindow;
                } else if (b >= beta) {
                    keepBound(search, b, beta, 1);
                    beta = FullWindow;
                } else {
                    search.rootScore = b;
                    reportInfo(search, 0);
                    entry.score = static_cast<std::int16_t>(b);
                    alpha = b;
                    beta = std::abs(b) > MateFound ? b + 1 : b + AspirationHalfWidth;
                    break;
                }
            }
            continue;
        }
        // 3.4 A later move must beat the best to count.
        int b = searchRootMove(search, entry, alpha, beta);
        if (stopIsRequested())
            return false;
        if (b >= beta) {
            // It fails high on the narrow window: search it again with the upper bound open;
            // if it then falls back to alpha, the previous best line stands.
            const int previousScore = search.rootScore;
            setRootLine(search, entry.line);
            const bool shown = keepBound(search, b, beta, 1);
            b = searchRootMove(search, entry, alpha, FullWindow);
            if (stopIsRequested())
                return false;
            if (b <= alpha) {
                setRootLine(search, search.rootMoves[0].line);
                search.rootScore = previousScore;
                if (shown)
                    reportInfo(search, 0);
                continue;
            }
        } else if (b <= alpha) {
            continue;
        }
        // A new best move: it goes to the front of the list.
        setRootLine(search, entry.line);
        search.rootScore = b;
        reportInfo(search, 0);
        entry.score = static_cast<std::int16_t>(b);
        alpha = b;
        if (beta <= b)
            beta = b + 1;
        moveUp(search, i, 0);
    }
    // 4. A completed iteration: store the root.
    if (stopIsRequested())
        return false;
    storeRootResult(search);
    return true;
}

// With MultiPV, every iteration gives the best `lines` root moves exact values: the first
// `lines` moves of the list are searched with the full window, every later one with the lowest
// value kept so far as alpha and an open upper bound, so that a value above alpha is exact and
// takes its place among the kept ones. Lost moves are searched too, so that no shown line
// carries a value of an earlier iteration. Returns false when a stop ended the search.
static bool runMultiPvIteration(SearchState& search, int lines) {
    SearchFrame& root = search.frames[0];
    search.selDepth = search.iterationDepth;
    root.depth = static_cast<std::int16_t>(search.iterationDepth);
    int kept = 0; // entries 0 to kept - 1 hold exact values, best first
    for (int i = 0; i < search.rootMoveCount; ++i) {
        RootMove& entry = search.rootMoves[i];
        if (search.iterationDepth > FullWidthIterations && showsReports(search))
            sendLine("info currmove %s currmovenumber %d", moveToText(search, entry.move).text,
                     i + 1);
        root.stage = search.iterationDepth == 1 ? StagePlain : StagePv;
        const int alpha = kept < lines ? -FullWindow : search.rootMoves[kept - 1].score;
        const int b = searchRootMove(search, entry, alpha, FullWindow);
        if (stopIsRequested())
            return false;
        entry.score = static_cast<std::int16_t>(b);
        if (b <= alpha)
            continue;
        // Below the kept moves of at least its value; a full set loses its last move.
        int place = 0;
        while (place < kept && search.rootMoves[place].score >= b)
            ++place;
        moveUp(search, i, place);
        if (kept < lines)
            ++kept;
        // The best so far stands as the search's line, as in a single-line iteration.
        if (place == 0) {
            setRootLine(search, search.rootMoves[0].line);
            search.rootScore = b;
        }
    }
    if (stopIsRequested())
        return false;
    storeRootResult(search);
    // The moves that were not kept follow by their bounds; the kept ones stay in front. Only the
    // lines MultiPV asks for are shown: a limited strength ranks more for itself.
    sortRootMoves(search);
    chooseLevelMove(search, kept);
    const int shown = searchRequest.multiPv;
    for (int k = 0; k < kept && k < shown; ++k) {
        reportRankedLine(search, shown > 1 ? k + 1 : 0, search.rootMoves[k].score,
                         search.rootMoves[k].line);
        if (k > 0) // the first is the root's line, remembered with the root's result
            rememberShownLine(search, search.rootMoves[k].line, search.iterationDepth);
    }
    return true;
}

// One iteration: several lines with MultiPV or a limited strength, else the full window up to
// iteration 3 and the aspiration window after it.
static bool runIteration(SearchState& search) {
    const int lines = linesToSearch(searchRequest.multiPv);
    if (lines > 1)
        return runMultiPvIteration(search, lines);
    return search.iterationDepth <= FullWidthIterations ? runFullWidthIteration(search)
                                                        : runAspirationIteration(search);
}

// A search needs the key table, the transposition table and the attack table; a `go` before
// any `isready` builds them here.
static bool tablesAreReady() {
    if (!tablesArePresent())
        prepareTables();
    return tablesArePresent() != 0;
}

// Steps 3 to 5 of think: the root evaluation and the list of legal root moves. The first move
// of the list stands as the best line until a searched move replaces it, so that even a search
// stopped before its first root move is done names a legal move: "bestmove 0000" would be taken
// for a forfeit while there are moves to play.
static void prepareRoot(SearchState& search) {
    search.frames[0].parentScore = static_cast<std::int16_t>(-prepareRootEvaluation(search));
    search.frames[0].inCheck = static_cast<std::uint8_t>(
        isSquareAttacked(search, search.otherSide, search.pieceList[search.sideToMove][0].square));
    generateRootMoves(search, &search.frames[0]);
    if (search.rootMoveCount > 0) {
        Move firstLine[LineSlots];
        firstLine[0] = search.rootMoves[0].move;
        firstLine[1] = SentinelMove;
        setRootLine(search, firstLine);
    }
}

// A helper of a parallel search searches the root of the main search on its own copy of the root
// position, with its own iterative deepening, one line only, until the stop request comes. Helper
// k searches only the depths d with d + k odd, so that the threads spread over two depths rather
// than all work at the same one, and leaves its results in the shared table.
void helperThink(SearchState& search) {
    search.ply = 0;
    search.currentSlot = RootSlot;
    clearRootLine(search);
    resetNodeCount(search);
    startNodeShare(search);
    search.rootScore = 0;
    search.completedDepth = 0;
    prepareRoot(search);
    for (int depth = 1; depth <= LastIteration && search.rootMoveCount > 0; ++depth) {
        if ((depth + search.helperIndex) % 2 == 0)
            continue;
        search.iterationDepth = depth;
        if (std::abs(search.rootScore) > MateFound &&
            MateScore - std::abs(search.rootScore) <= search.completedDepth)
            break;
        const bool completed = depth <= FullWidthIterations ? runFullWidthIteration(search)
                                                            : runAspirationIteration(search);
        if (!completed)
            break;
        search.completedDepth = depth;
    }
    search.publishedNodes.store(nodeCount(search), std::memory_order_relaxed);
}

// Helpers search beside the main search unless a limited strength asks for the main search alone,
// whose nodes the level counts.
static int startHelpersFor(SearchState& main) {
    const int helpers = searchLevel.elo != 0 ? 0 : helperCount();
    shareNodeLimit(main, helpers);
    if (helpers > 0)
        startHelpers(main);
    return helpers;
}

void think() {
    SearchState& search = mainSearch;
    setHelperCount(threadOption.load(std::memory_order_relaxed) - 1);
    // 1. The budget and the ponder mode (and the other limits) from the `go` arguments.
    searchRequest.timeBudgetMs = parseGoParameters(commandArgs, "wb"[search.sideToMove & 1]);
    // 2. The search state starts afresh; the position is kept as searched for its `bestmove`.
    searchRequest.searchStartTick = tickCount();
    search.searchedRoot = search;
    search.ply = 0;
    search.currentSlot = RootSlot;
    clearRootLine(search);
    resetNodeCount(search);
    search.rootScore = 0;
    search.completedDepth = 0;
    search.rootWithoutMove = 0;
    // 3.-5. The root is prepared before the flags are raised, so that a `stop` answered by the
    //    reader always finds this search's root line. A refused position (or tables that
    //    cannot be built) cannot be searched: the empty best move is sent at once, also for
    //    "infinite" or "ponder".
    const bool searchable = search.positionIsValid && tablesAreReady();
    if (searchable)
        prepareRoot(search);
    else
        searchRequest.ponderMode.store(0, std::memory_order_release);
    // A root without a legal move is answered without an iteration: mated in check, else
    // stalemated. Its report goes out before any `bestmove` can.
    if (searchable && search.rootMoveCount == 0) {
        search.rootWithoutMove = 1;
        search.rootScore = search.frames[0].inCheck ? -MateScore : 0;
        reportRootWithoutMove(search.frames[0].inCheck);
    }
    // The flags come last, in this order: from the moment commandPending is cleared the reader
    // may overwrite the command buffers and may answer a `stop` with the best move so far. The
    // helpers start before that, so that such an answer waits for them to park.
    searchRequest.stopRequested.store(0, std::memory_order_release);
    const int helpers = searchable && !search.rootWithoutMove ? startHelpersFor(search) : 0;
    bestMoveOwed.store(1, std::memory_order_release);
    searchRequest.thinking.store(1, std::memory_order_release);
    commandPending.store(0, std::memory_order_release);
    if (!searchable || search.rootWithoutMove) {
        searchRequest.thinking.store(0, std::memory_order_release);
        return;
    }
    // Iterations 1 to 3 with the full window and never refused by the clock, then 4 to 63 with
    // the aspiration window.
    for (search.iterationDepth = 1; search.iterationDepth <= LastIteration;
         ++search.iterationDepth) {
        if (deepeningIsOver(search) ||
            (search.iterationDepth > FullWidthIterations && timeIsUp()) || !runIteration(search))
            break;
        search.completedDepth = search.iterationDepth;
    }
    // End of the search, by whatever rule; the helpers stop with it.
    if (helpers > 0) {
        searchRequest.stopRequested.store(1, std::memory_order_release);
        waitForHelpers();
    }
    searchRequest.thinking.store(0, std::memory_order_seq_cst);
}

} // namespace tarnwick
