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
#include "channel/output_log.h"
#include "eval/root_evaluation.h"
#include "search/search_reports.h"
#include "search/strength_limit.h"
#include "search/time_control.h"
#include "search/transposition_table.h"

namespace tarnwick {

inline constexpr int FullWidthIterations = 3;

// Guards rootLine between think (writer, main thread) and a `stop` report on the reader thread.
// Taken only when the best line changes and for reports, never inside the tree. Not constinit:
// some thread libraries (MinGW's) give std::mutex no constant initializer.
static std::mutex rootLineLock;

void setRootLine(const Move* line) {
    const std::lock_guard<std::mutex> guard(rootLineLock);
    std::memcpy(rootLine, line, sizeof rootLine);
}

void copyRootLine(Move* line) {
    const std::lock_guard<std::mutex> guard(rootLineLock);
    std::memcpy(line, rootLine, sizeof rootLine);
}

static void clearRootLine() {
    const std::lock_guard<std::mutex> guard(rootLineLock);
    rootLine[0] = SentinelMove;
}

void resetSearch() {
    clearRootLine();
    rootScore = 0;
    rootMoveCount = 0;
    iterationDepth = 0;
    selDepth = 0;
    clearKillers(killers);
    resetNodeCount();
    std::memset(static_cast<void*>(frames), 0, sizeof frames);
    std::memset(static_cast<void*>(rootMoves), 0, sizeof rootMoves);
}

// A `go searchmoves` list restricts the root moves to those it names (words of move text; a
// Chess960 castling also by its king's move to its target, as the move reader takes it).
static bool isRequestedRootMove(const Move& move) {
    const char* words = searchRequest.searchMoves;
    if (words[0] == 0)
        return true;
    const MoveText texts[2] = {moveToText(move), kingStepCastlingText(move)};
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

int collectRootMove(SearchFrame*) {
    const Move& move = moveStack[currentSlot];
    // Only legal moves enter the list, and at most 128 of them: later ones are dropped.
    if (rootMoveCount >= MaxRootMoves || !isRequestedRootMove(move))
        return 0;
    if (!leavesKingSafe(move))
        return 0;
    RootMove& entry = rootMoves[rootMoveCount++];
    entry.score = 0;
    entry.move = move;
    for (int k = 0; k < LineSlots - 1; ++k)
        entry.line[k] = SentinelMove;
    entry.line[LineSlots - 1] = SentinelMove;
    clearKillers(entry.killers);
    return 0;
}

void generateRootMoves(SearchFrame* frame) {
    // 1. The generators hand every pseudo-legal move to collectRootMove.
    moveCallback = collectRootMove;
    rootMoveCount = 0;
    // 2.-5. En passant, captures by victim, castling, quiet moves with the king's first. The
    //       generators' results are ignored: the collector never stops them.
    generateEnPassant(frame);
    for (int i = 1; i <= lastPieceIndex[otherSide]; ++i) {
        if (pieceList[otherSide][i].piece != Empty)
            generateCaptures(pieceList[otherSide][i].square, frame);
    }
    generateCastling(frame);
    for (int i = 0; i <= lastPieceIndex[sideToMove]; ++i) {
        if (pieceList[sideToMove][i].piece != Empty)
            generateQuietMoves(pieceList[sideToMove][i].square, frame);
    }
    // 6. From here on every generated move is searched.
    moveCallback = searchMove;
}

void sortRootMoves() {
    // A stable bubble sort, best score first: equal scores keep their order, which at the
    // first sort is the generation order.
    for (bool exchanged = true; exchanged;) {
        exchanged = false;
        for (int i = 0; i + 1 < rootMoveCount; ++i) {
            if (rootMoves[i + 1].score > rootMoves[i].score) {
                const RootMove earlier = rootMoves[i];
                rootMoves[i] = rootMoves[i + 1];
                rootMoves[i + 1] = earlier;
                exchanged = true;
            }
        }
    }
}

// Searches one root move with the given window, with its own killers; returns the root
// frame's best value (meaningless when a stop was raised meanwhile).
static int searchRootMove(RootMove& entry, int alpha, int beta) {
    SearchFrame& root = frames[0];
    moveStack[currentSlot] = entry.move;
    root.parentLine = entry.line;
    root.best = static_cast<std::int16_t>(-MateScore);
    root.alpha = static_cast<std::int16_t>(alpha);
    root.beta = static_cast<std::int16_t>(beta);
    std::memcpy(killers, entry.killers, sizeof killers);
    searchMove(&root);
    std::memcpy(entry.killers, killers, sizeof killers);
    return root.best;
}

static bool stopIsRequested() {
    return searchRequest.stopRequested.load(std::memory_order_acquire) != 0;
}

// Before every iteration: a mate found, for either side, ends the deepening once it lies within
// the depth already searched, since no shorter mate can then have been missed (a long mate from
// the endgame data or the table at a shallow depth does not; a lost position is searched on for
// its longest defence). A `go depth N` ends it once iteration N is complete.
static bool deepeningIsOver() {
    if (std::abs(rootScore) > MateFound && MateScore - std::abs(rootScore) <= iterationDepth - 1)
        return true;
    // `go mate N`: a mate in N moves or fewer answers it.
    if (searchRequest.mateLimit > 0 && rootScore > MateFound &&
        (MateScore + 1 - rootScore) / 2 <= searchRequest.mateLimit)
        return true;
    return searchRequest.depthLimit > 0 && iterationDepth > searchRequest.depthLimit;
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
static void storeRootResult() {
    Move line[LineSlots];
    copyRootLine(line);
    ttStore(-FullWindow, FullWindow, iterationDepth, rootScore, &line[0]);
    rememberShownLine(line, iterationDepth);
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
static bool runFullWidthIteration() {
    SearchFrame& root = frames[0];
    selDepth = iterationDepth;
    root.depth = static_cast<std::int16_t>(iterationDepth);
    int bestSoFar = -FullWindow;
    for (int i = 0; i < rootMoveCount; ++i) {
        RootMove& entry = rootMoves[i];
        if (isSkippedLostMove(entry, bestSoFar))
            continue;
        // 3.1 In iteration 1 there is no stored line yet; later the move's own line leads.
        root.stage = iterationDepth == 1 ? StagePlain : StagePv;
        // 3.2-3.3 Search it; a stop discards the result.
        const int best = searchRootMove(entry, -FullWindow, FullWindow);
        if (stopIsRequested())
            return false;
        // 3.4-3.5 Keep its value; report each improvement of the best move.
        entry.score = static_cast<std::int16_t>(best);
        if (best > bestSoFar) {
            setRootLine(entry.line);
            bestSoFar = rootScore = best;
            reportInfo(0);
        }
    }
    // 4. A completed iteration: store the root, sort the list.
    if (stopIsRequested())
        return false;
    storeRootResult();
    sortRootMoves();
    return true;
}

// Moves the entry at `index` up to `place`; the entries from `place` on move down one place.
static void moveUp(int index, int place) {
    const RootMove entry = rootMoves[index];
    std::memmove(static_cast<void*>(&rootMoves[place + 1]),
                 static_cast<const void*>(&rootMoves[place]),
                 sizeof(RootMove) * static_cast<std::size_t>(index - place));
    rootMoves[place] = entry;
}

// A root value outside the aspiration window is a bound, reported as such and kept as the root's
// value until the search again gives an exact one. A bound at a window edge deep in the mate range
// is no mate anyone found: near a mate, the null move holds such a bound for the losing side
// whenever the reduced search cannot see the mate, so the first move fails low at the edge 128
// below the mate. Such a bound is neither shown nor kept (a GUI would show a mate in 67); the root
// keeps its last exact value. Returns whether the bound was shown.
static bool keepBound(int value, int edge, int bound) {
    if (value == edge && showsAsMate(edge))
        return false;
    rootScore = value;
    reportInfo(bound);
    return true;
}

// Iterations 4 to 63: an aspiration window around the last value. Returns false when a stop
// ended the search.
static bool runAspirationIteration() {
    SearchFrame& root = frames[0];
    // 2. The window, and the previous line announced with the new depth.
    selDepth = iterationDepth;
    root.depth = static_cast<std::int16_t>(iterationDepth);
    int alpha = rootScore - AspirationHalfWidth;
    int beta = rootScore + AspirationHalfWidth;
    reportInfo(0);
    // 3. Every root move in list order but lost ones that cannot be the longest defence; skipped
    //    ones keep their number.
    for (int i = 0; i < rootMoveCount; ++i) {
        RootMove& entry = rootMoves[i];
        if (i > 0 && isSkippedLostMove(entry, rootScore))
            continue;
        // 3.1 Announce the move once, however often it is searched.
        if (!quietReports)
            sendLine("info currmove %s currmovenumber %d", moveToText(entry.move).text, i + 1);
        root.stage = StagePv;
        if (i == 0) {
            // 3.3 The first move sets the value; outside the window it is searched again with
            //     that side of the window opened.
            for (;;) {
                const int b = searchRootMove(entry, alpha, beta);
                if (stopIsRequested())
                    return false;
                setRootLine(entry.line);
                if (b <= alpha) {
                    keepBound(b, alpha, -1);
                    alpha = -FullWindow;
                } else if (b >= beta) {
                    keepBound(b, beta, 1);
                    beta = FullWindow;
                } else {
                    rootScore = b;
                    reportInfo(0);
                    entry.score = static_cast<std::int16_t>(b);
                    alpha = b;
                    beta = std::abs(b) > MateFound ? b + 1 : b + AspirationHalfWidth;
                    break;
                }
            }
            continue;
        }
        // 3.4 A later move must beat the best to count.
        int b = searchRootMove(entry, alpha, beta);
        if (stopIsRequested())
            return false;
        if (b >= beta) {
            // It fails high on the narrow window: search it again with the upper bound open;
            // if it then falls back to alpha, the previous best line stands.
            const int previousScore = rootScore;
            setRootLine(entry.line);
            const bool shown = keepBound(b, beta, 1);
            b = searchRootMove(entry, alpha, FullWindow);
            if (stopIsRequested())
                return false;
            if (b <= alpha) {
                setRootLine(rootMoves[0].line);
                rootScore = previousScore;
                if (shown)
                    reportInfo(0);
                continue;
            }
        } else if (b <= alpha) {
            continue;
        }
        // A new best move: it goes to the front of the list.
        setRootLine(entry.line);
        rootScore = b;
        reportInfo(0);
        entry.score = static_cast<std::int16_t>(b);
        alpha = b;
        if (beta <= b)
            beta = b + 1;
        moveUp(i, 0);
    }
    // 4. A completed iteration: store the root.
    if (stopIsRequested())
        return false;
    storeRootResult();
    return true;
}

// With MultiPV, every iteration gives the best `lines` root moves exact values: the first
// `lines` moves of the list are searched with the full window, every later one with the lowest
// value kept so far as alpha and an open upper bound, so that a value above alpha is exact and
// takes its place among the kept ones. Lost moves are searched too, so that no shown line
// carries a value of an earlier iteration. Returns false when a stop ended the search.
static bool runMultiPvIteration(int lines) {
    SearchFrame& root = frames[0];
    selDepth = iterationDepth;
    root.depth = static_cast<std::int16_t>(iterationDepth);
    int kept = 0; // entries 0 to kept - 1 hold exact values, best first
    for (int i = 0; i < rootMoveCount; ++i) {
        RootMove& entry = rootMoves[i];
        if (iterationDepth > FullWidthIterations && !quietReports)
            sendLine("info currmove %s currmovenumber %d", moveToText(entry.move).text, i + 1);
        root.stage = iterationDepth == 1 ? StagePlain : StagePv;
        const int alpha = kept < lines ? -FullWindow : rootMoves[kept - 1].score;
        const int b = searchRootMove(entry, alpha, FullWindow);
        if (stopIsRequested())
            return false;
        entry.score = static_cast<std::int16_t>(b);
        if (b <= alpha)
            continue;
        // Below the kept moves of at least its value; a full set loses its last move.
        int place = 0;
        while (place < kept && rootMoves[place].score >= b)
            ++place;
        moveUp(i, place);
        if (kept < lines)
            ++kept;
        // The best so far stands as the search's line, as in a single-line iteration.
        if (place == 0) {
            setRootLine(rootMoves[0].line);
            rootScore = b;
        }
    }
    if (stopIsRequested())
        return false;
    storeRootResult();
    // The moves that were not kept follow by their bounds; the kept ones stay in front. Only the
    // lines MultiPV asks for are shown: a limited strength ranks more for itself.
    sortRootMoves();
    chooseLevelMove(kept);
    const int shown = searchRequest.multiPv;
    for (int k = 0; k < kept && k < shown; ++k) {
        reportRankedLine(shown > 1 ? k + 1 : 0, rootMoves[k].score, rootMoves[k].line);
        if (k > 0) // the first is the root's line, remembered with the root's result
            rememberShownLine(rootMoves[k].line, iterationDepth);
    }
    return true;
}

// One iteration: several lines with MultiPV or a limited strength, else the full window up to
// iteration 3 and the aspiration window after it.
static bool runIteration() {
    const int lines = linesToSearch(searchRequest.multiPv);
    if (lines > 1)
        return runMultiPvIteration(lines);
    return iterationDepth <= FullWidthIterations ? runFullWidthIteration()
                                                 : runAspirationIteration();
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
static void prepareRoot() {
    frames[0].parentScore = static_cast<std::int16_t>(-prepareRootEvaluation());
    frames[0].inCheck =
        static_cast<std::uint8_t>(isSquareAttacked(otherSide, pieceList[sideToMove][0].square));
    generateRootMoves(&frames[0]);
    if (rootMoveCount > 0) {
        Move firstLine[LineSlots];
        firstLine[0] = rootMoves[0].move;
        firstLine[1] = SentinelMove;
        setRootLine(firstLine);
    }
}

void think() {
    // 1. The budget and the ponder mode (and the other limits) from the `go` arguments.
    searchRequest.timeBudgetMs = parseGoParameters(commandArgs, "wb"[sideToMove & 1]);
    // 2. The search state starts afresh.
    searchRequest.searchStartTick = tickCount();
    ply = 0;
    currentSlot = RootSlot;
    clearRootLine();
    resetNodeCount();
    rootScore = 0;
    completedDepth = 0;
    rootWithoutMove = 0;
    // 3.-5. The root is prepared before the flags are raised, so that a `stop` answered by the
    //    reader always finds this search's root line. A refused position (or tables that
    //    cannot be built) cannot be searched: the empty best move is sent at once, also for
    //    "infinite" or "ponder".
    const bool searchable = positionIsValid && tablesAreReady();
    if (searchable)
        prepareRoot();
    else
        searchRequest.ponderMode.store(0, std::memory_order_release);
    // A root without a legal move is answered without an iteration: mated in check, else
    // stalemated. Its report goes out before any `bestmove` can.
    if (searchable && rootMoveCount == 0) {
        rootWithoutMove = 1;
        rootScore = frames[0].inCheck ? -MateScore : 0;
        reportRootWithoutMove(frames[0].inCheck);
    }
    // The flags come last, in this order: from the moment commandPending is cleared the reader
    // may overwrite the command buffers and may answer a `stop` with the best move so far.
    searchRequest.stopRequested.store(0, std::memory_order_release);
    bestMoveOwed.store(1, std::memory_order_release);
    searchRequest.thinking.store(1, std::memory_order_release);
    commandPending.store(0, std::memory_order_release);
    if (!searchable || rootWithoutMove) {
        searchRequest.thinking.store(0, std::memory_order_release);
        return;
    }
    // Iterations 1 to 3 with the full window and never refused by the clock, then 4 to 63 with
    // the aspiration window.
    for (iterationDepth = 1; iterationDepth <= LastIteration; ++iterationDepth) {
        if (deepeningIsOver() || (iterationDepth > FullWidthIterations && timeIsUp()) ||
            !runIteration())
            break;
        completedDepth = iterationDepth;
    }
    // End of the search, by whatever rule.
    searchRequest.thinking.store(0, std::memory_order_release);
}

} // namespace tarnwick
