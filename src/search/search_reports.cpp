// Turns the state of the search into the UCI `info depth` and `bestmove` lines. Scores are in
// 1/256 pawn and are shown in centipawns truncated toward zero, or as moves to mate.
#include "search/search_reports.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "board/make_unmake.h"
#include "board/move_generation.h"
#include "board/move_notation.h"
#include "board/position_setup.h"
#include "channel/dispatcher.h"
#include "channel/output_log.h"
#include "eval/endgame_data.h"
#include "search/helper_threads.h"
#include "search/repetition.h"
#include "search/search_state.h"
#include "search/think_driver.h"
#include "search/time_control.h"
#include "search/transposition_table.h"

namespace tarnwick {

inline constexpr int MateReportThreshold = 30999;
inline constexpr int ReportedLineMoves = 63;

bool showsAsMate(int score) {
    return std::abs(score) > MateReportThreshold;
}

void formatScoreText(char* text, int size, int score, int bound) {
    const char* boundText = bound == -1 ? " upperbound" : bound == 1 ? " lowerbound" : "";
    const int magnitude = std::abs(score);
    if (showsAsMate(score)) {
        // 32000 - p for a mate at ply p: (p + 1) / 2 moves, negative when the root side is mated.
        const int moves = (MateScore + 1 - magnitude) / 2;
        std::snprintf(text, size, "mate %d%s", score < 0 ? -moves : moves, boundText);
    } else {
        std::snprintf(text, size, "cp %d%s", score * 100 / 256, boundText);
    }
}

void formatLineText(const Position& pos, char* text, int size, const Move* line) {
    int used = 0;
    text[0] = 0;
    for (int k = 0; k < ReportedLineMoves && line[k].kind != Sentinel; ++k) {
        const int written = std::snprintf(text + used, size - used, "%s%s", k == 0 ? " pv " : " ",
                                          moveToText(pos, line[k]).text);
        if (written < 0 || written >= size - used)
            break;
        used += written;
    }
}

// The legal move of the current position that packs to `wantedMove`, once the generation has
// stopped at it.
static PackedMove wantedMove = 0;
static Move foundMove{};

static int stopAtWantedMove(Position& pos, SearchFrame*) {
    const Move& move = pos.moveStack[pos.currentSlot];
    if (packMove(move) != wantedMove)
        return 0;
    foundMove = move;
    return leavesKingSafe(pos, move) ? 1 : 0;
}

// Finds the legal move of the position that packs to `wanted`; false when there is none.
static bool findLegalMove(Position& pos, PackedMove wanted, Move& found) {
    wantedMove = wanted;
    const MoveCallback saved = pos.moveCallback;
    pos.moveCallback = stopAtWantedMove;
    const int stopped = wanted != 0 ? generateAllMoves(pos, nullptr) : 0;
    pos.moveCallback = saved;
    found = foundMove;
    return stopped != 0;
}

// The legal move whose position the endgame data value highest for its mover, after the
// generation: the winner's move to the shortest mate, the loser's longest defence.
static int bestEndgameValue = 0;

static int keepBestEndgameMove(Position& pos, SearchFrame*) {
    const Move& move = pos.moveStack[pos.currentSlot];
    makeMove(pos, move);
    const bool legal =
        isSquareAttacked(pos, pos.otherSide, pos.pieceList[pos.sideToMove][0].square) == 0;
    const int value = legal ? probeEndgame(pos) : EndgameNoKnowledge;
    unmakeMove(pos, move);
    if (value != EndgameNoKnowledge && (foundMove.piece == 0 || value > bestEndgameValue)) {
        foundMove = move;
        bestEndgameValue = value;
    }
    return 0;
}

// Finds the endgame data's best move in a position of three men; false when there is none.
static bool findEndgameMove(Position& pos, Move& found) {
    foundMove = Move{};
    const MoveCallback saved = pos.moveCallback;
    pos.moveCallback = keepBestEndgameMove;
    generateAllMoves(pos, nullptr);
    pos.moveCallback = saved;
    found = foundMove;
    return found.piece != 0;
}

// The move that continues a line beyond the search's own: the table's, else the one an earlier
// shown line played here.
static PackedMove continuationMove(const Position& pos) {
    const PackedMove stored = ttStoredMove(pos);
    return stored != 0 ? stored : rememberedLineMove(pos);
}

static bool repeatsLinePosition(const GamePosition* seen, int length) {
    for (int k = 0; k < length; ++k) {
        if (seen[k] == seen[length])
            return true;
    }
    return false;
}

// How often the position after `length` moves of the line has occurred: in the game before the
// root (whose own record is the line's first position) and along the line.
static int occurrences(const Position& pos, const GamePosition* seen, int length) {
    int count = 0;
    for (int k = 0; k < pos.gamePositionCount - 1; ++k)
        count += pos.gamePositions[k] == seen[length];
    for (int k = 0; k <= length; ++k)
        count += seen[k] == seen[length];
    return count;
}

// Each move of the line is played on the board and taken back again. The line ends where the
// search scored a position without searching it: a repetition, the fifty-move rule, a draw of the
// endgame data. From a mate the endgame data know it goes on with their moves to the mate.
void lineForReport(Position& pos, const Move* own, int depth, Move* shown) {
    GamePosition seen[LineSlots];
    seen[0] = currentGamePosition(pos);
    int length = 0;
    bool ownLeft = true;
    bool endgameMate = false;
    while (pos.positionIsValid && tablesArePresent() && length < ReportedLineMoves) {
        ownLeft = ownLeft && own[length].kind != Sentinel;
        Move move;
        bool found = false;
        if (endgameMate)
            found = findEndgameMove(pos, move);
        else if (ownLeft)
            found = findLegalMove(pos, packMove(own[length]), move);
        else if (length < depth && !repeatsLinePosition(seen, length))
            found = findLegalMove(pos, continuationMove(pos), move);
        if (!found)
            break;
        pos.moveStack[pos.currentSlot] = move;
        makeMove(pos, move);
        const bool repeats = isRepetition(pos, length == 0) != 0;
        const int endgame = pos.pieceCount <= MaxThreeMen ? probeEndgame(pos) : EndgameNoKnowledge;
        std::swap(pos.sideToMove, pos.otherSide);
        ++pos.currentSlot;
        shown[length++] = move;
        seen[length] = currentGamePosition(pos);
        if (repeats || pos.halfmoveClock >= FiftyMoveLimit || occurrences(pos, seen, length) >= 3)
            break;
        if (endgame != EndgameNoKnowledge) {
            if (!showsAsMate(endgame))
                break;
            endgameMate = true;
        }
    }
    for (int k = length - 1; k >= 0; --k) {
        --pos.currentSlot;
        std::swap(pos.sideToMove, pos.otherSide);
        unmakeMove(pos, shown[k]);
    }
    shown[length] = SentinelMove;
}

void rememberShownLine(Position& pos, const Move* own, int depth) {
    Move shown[LineSlots];
    lineForReport(pos, own, depth, shown);
    int length = 0;
    for (; shown[length].kind != Sentinel; ++length) {
        rememberLineMove(pos, packMove(shown[length]));
        makeMove(pos, shown[length]);
        std::swap(pos.sideToMove, pos.otherSide);
    }
    while (length > 0) {
        std::swap(pos.sideToMove, pos.otherSide);
        unmakeMove(pos, shown[--length]);
    }
}

// One `info depth` line for the line a report shows, in the position `root`, and its value; `rank`
// 0 leaves the multipv field out.
static void sendInfoLine(SearchState& search, const Position& root, const Move* line, int depth,
                         int score, int bound, int rank) {
    sendEndgameNotice(); // a probe of this search read Endgame.bin, or found none
    // 1.-3. Nodes of all threads, elapsed time and a speed that is a multiple of 1000 (the
    //       division first).
    const unsigned long long nodes = nodeCount(search) + helperNodes();
    const std::uint32_t elapsed = elapsedMilliseconds();
    const unsigned long long nps = elapsed != 0 ? nodes / elapsed * 1000 : 0;
    // 4. The score, after the line's rank when several lines are shown.
    char scoreText[64];
    int used = 0;
    if (rank > 0)
        used = std::snprintf(scoreText, sizeof scoreText, "multipv %d score ", rank);
    else
        used = std::snprintf(scoreText, sizeof scoreText, "score ");
    formatScoreText(scoreText + used, static_cast<int>(sizeof scoreText) - used, score, bound);
    // 5. The line.
    char lineText[ReportedLineMoves * 6 + 16];
    formatLineText(root, lineText, sizeof lineText, line);
    // 6. One line to the interface.
    sendLine("info depth %d seldepth %d %s time %u nodes %llu nps %llu%s", depth, search.selDepth,
             scoreText, elapsed, nodes, nps, lineText);
}

bool showsReports(const SearchState& search) {
    return !quietReports && search.helperIndex == 0;
}

static int rankOfBestLine() {
    return searchRequest.multiPv > 1 ? 1 : 0;
}

void reportInfo(SearchState& search, int bound) {
    if (!showsReports(search))
        return;
    // The line from one consistent copy of rootLine.
    Move line[LineSlots];
    copyRootLine(search, line);
    Move shown[LineSlots];
    lineForReport(search, line, search.iterationDepth, shown);
    sendInfoLine(search, search, shown, search.iterationDepth, search.rootScore, bound,
                 rankOfBestLine());
}

void reportRankedLine(SearchState& search, int rank, int score, const Move* line) {
    if (!showsReports(search))
        return;
    Move shown[LineSlots];
    lineForReport(search, line, search.iterationDepth, shown);
    sendInfoLine(search, search, shown, search.iterationDepth, score, 0, rank);
}

void reportRootWithoutMove(int inCheck) {
    if (!quietReports)
        sendLine(inCheck ? "info depth 0 score mate 0" : "info depth 0 score cp 0");
}

void reportBestMove(int stopped) {
    SearchState& search = mainSearch;
    Position& root = search.searchedRoot;
    // 1. Both moves come from one copy, taken while think cannot be writing a new line.
    Move line[LineSlots];
    copyRootLine(search, line);
    // 2. After a completed search, a last exact report of the line as far as the last complete
    //    iteration, which also gives the expected reply. A root without a legal move has had its
    //    report.
    Move shown[LineSlots] = {SentinelMove, SentinelMove};
    if (stopped == 0 && !search.rootWithoutMove) {
        lineForReport(root, line, search.completedDepth, shown);
        if (!quietReports)
            sendInfoLine(search, root, shown, search.completedDepth, search.rootScore, 0,
                         rankOfBestLine());
    }
    sendEndgameNotice();
    char bestText[8];
    std::snprintf(bestText, sizeof bestText, "%s", moveToText(root, line[0]).text);
    // 3. No best move: no legal move, no search yet, or a refused position.
    if (bestText[0] == 0) {
        sendLine("bestmove 0000");
        return;
    }
    // 4.-5. The expected reply only after a completed search; never after a stop.
    char ponderText[8] = "";
    if (stopped == 0 && shown[0] == line[0])
        std::snprintf(ponderText, sizeof ponderText, "%s", moveToText(root, shown[1]).text);
    if (ponderText[0] != 0)
        sendLine("bestmove %s ponder %s", bestText, ponderText);
    else
        sendLine("bestmove %s", bestText);
}

} // namespace tarnwick
