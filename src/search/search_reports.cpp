// Turns the state of the search into the UCI `info depth` and `bestmove` lines. Scores are in
// 1/256 pawn and are shown in centipawns truncated toward zero, or as moves to mate.
#include "search/search_reports.h"

#include <cstdio>
#include <cstdlib>

#include "board/move_notation.h"
#include "channel/dispatcher.h"
#include "channel/output_log.h"
#include "search/think_driver.h"
#include "search/time_control.h"

namespace tarnwick {

inline constexpr int MateReportThreshold = 30999;
inline constexpr int ReportedLineMoves = 63;

void formatScoreText(char* text, int size, int score, int bound) {
    const char* boundText = bound == -1 ? " upperbound" : bound == 1 ? " lowerbound" : "";
    const int magnitude = std::abs(score);
    if (magnitude > MateReportThreshold) {
        // 32000 - p for a mate at ply p: (p + 1) / 2 moves, negative when the root side is mated.
        const int moves = (MateScore + 1 - magnitude) / 2;
        std::snprintf(text, size, "mate %d%s", score < 0 ? -moves : moves, boundText);
    } else {
        std::snprintf(text, size, "cp %d%s", score * 100 / 256, boundText);
    }
}

void formatLineText(char* text, int size, const Move* line) {
    int used = 0;
    text[0] = 0;
    for (int k = 0; k < ReportedLineMoves && line[k].kind != Sentinel; ++k) {
        const int written = std::snprintf(text + used, size - used, "%s%s", k == 0 ? " pv " : " ",
                                          moveToText(line[k]).text);
        if (written < 0 || written >= size - used)
            break;
        used += written;
    }
}

// One `info depth` line for `line` and its value; `rank` 0 leaves the multipv field out.
static void sendInfoLine(const Move* line, int score, int bound, int rank) {
    // 1.-3. Nodes, elapsed time and a speed that is a multiple of 1000 (the division first).
    const unsigned long long nodes = nodeCount();
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
    formatLineText(lineText, sizeof lineText, line);
    // 6. One line to the interface.
    sendLine("info depth %d seldepth %d %s time %u nodes %llu nps %llu%s", iterationDepth, selDepth,
             scoreText, elapsed, nodes, nps, lineText);
}

void reportInfo(int bound) {
    if (quietReports)
        return;
    // The line from one consistent copy of rootLine.
    Move line[LineSlots];
    copyRootLine(line);
    sendInfoLine(line, rootScore, bound, searchRequest.multiPv > 1 ? 1 : 0);
}

void reportRankedLine(int rank, int score, const Move* line) {
    if (!quietReports)
        sendInfoLine(line, score, 0, rank);
}

void reportBestMove(int stopped) {
    // 1. After a completed search, a last exact report of the line comes first.
    if (stopped == 0)
        reportInfo(0);
    // 2. Both moves come from one copy, taken while think cannot be writing a new line.
    Move line[LineSlots];
    copyRootLine(line);
    char bestText[8];
    std::snprintf(bestText, sizeof bestText, "%s", moveToText(line[0]).text);
    // 3. No best move: no legal move, no search yet, or a refused position.
    if (bestText[0] == 0) {
        sendLine("bestmove 0000");
        return;
    }
    // 4.-5. The expected reply only after a completed search; never after a stop.
    char ponderText[8] = "";
    if (stopped == 0)
        std::snprintf(ponderText, sizeof ponderText, "%s", moveToText(line[1]).text);
    if (ponderText[0] != 0)
        sendLine("bestmove %s ponder %s", bestText, ponderText);
    else
        sendLine("bestmove %s", bestText);
}

} // namespace tarnwick
