// The engine binary driven through pipes as a chess GUI drives it: replies, input, logbook and
// the end of the process; one `bestmove` per `go` in every flow; searches and their reports; the
// analysis options; and whole games, against the native build and with a FEN every move.
#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "board/board.h"
#include "channel/options.h"
#include "engine_session.h"
#include "search/strength_limit.h"
#include "search/transposition_table.h"

using namespace end_to_end;
using Lines = std::vector<std::string>;

namespace {

class UciProtocol : public EngineSession {};

// clang-format off
const Lines UciReply = {"id name Tarnwick 4.15", "id author Velmarok",
                        "option name Hash type spin default 1 min 1 max 32767",
                        "option name Ponder type check default true",
                        "option name Move Overhead type spin default 3000 min 0 max 5000",
                        "option name MultiPV type spin default 1 min 1 max 32",
                        "option name Clear Hash type button",
                        "option name UCI_LimitStrength type check default false",
                        "option name UCI_Elo type spin default 1500 min 800 max 2000",
                        "option name UCI_Chess960 type check default false",
                        "option name Threads type spin default 1 min 1 max 256", "uciok"};
// clang-format on

// The reply with the Hash line of a 64-bit build: a 32-bit one (the ARM hard-float engine) can
// address 1024 MiB at most, and says so.
Lines as64BitReply(Lines lines) {
    for (std::string& line : lines)
        if (line == "option name Hash type spin default 1 min 1 max 1024")
            line = UciReply[2];
    return lines;
}

// A `quit` as the first command ends the process with status 0 and writes no logbook.
TEST_F(UciProtocol, InputIsReadAsAGuiWritesIt) {
    ASSERT_TRUE(engine.sendLine("quit"));
    EXPECT_TRUE(finish().empty());
    EXPECT_FALSE(tarnwick_test::fileExists(directory + "/LogBook.txt"));
    restart();
    EXPECT_EQ(exchange("isready\n", "readyok"), Lines{"readyok"}); // before any `uci`
    const Lines reply = exchange("uci\n", "uciok");
    EXPECT_EQ(as64BitReply(reply), UciReply);
    // Each input gets exactly its readyok lines: unknown words are ignored, line ends, blanks and
    // case are forgiven, empty lines and a zero byte dropped, an overlong line dropped whole (its
    // "uci" is never read as a command) while the longest line still fits.
    const std::pair<std::string, int> inputs[] = {
        {"ucinewgame\nregister later\nxyzzy\nisready\n", 1},
        {"\tIsReady  \r\n", 1},
        {"ISREADY\r", 1},
        {"\n\n  \n\t\r\n isready\t\n", 1},
        {"isready\r\nisready\risready\n", 3},
        {std::string("is\0ready\n", 9), 1},
        {"position fen " + std::string(40000, 'x') + " uci\nisready\n", 1},
        {"setoption name Hash value 1 " + std::string(16000, 'z') + "\nisready\n", 1},
    };
    for (std::size_t i = 0; i < std::size(inputs); ++i) {
        ASSERT_TRUE(engine.sendRaw(inputs[i].first));
        Lines lines;
        for (int n = 0; n < inputs[i].second; ++n)
            ASSERT_TRUE(engine.readUntil("readyok", lines, ReplyTimeoutMs)) << "input " << i;
        EXPECT_EQ(lines, Lines(inputs[i].second, "readyok")) << "input " << i;
    }
    // Several lines in one write are answered in order.
    Lines lines = exchange("isready\nUci\nisready\n", "readyok");
    ASSERT_TRUE(engine.readUntil("readyok", lines, ReplyTimeoutMs));
    Lines expected = UciReply;
    expected.insert(expected.begin(), "readyok");
    expected.push_back("readyok");
    EXPECT_EQ(as64BitReply(lines), expected);
    // A line split across two writes is one command.
    ASSERT_TRUE(engine.sendRaw("is"));
    std::string line;
    EXPECT_FALSE(engine.readLine(line, 200));
    EXPECT_EQ(exchange("ready\n", "readyok"), Lines{"readyok"});

    // The logbook appears with `debug on` only.
    EXPECT_FALSE(tarnwick_test::fileExists(directory + "/LogBook.txt"));
    exchange("debug on\nisready\n", "readyok");
    exchange("ucinewgame\n" + std::string(20000, 'x') + "\nuci\n", "uciok");
    exchange("debug off\nisready\n", "readyok");
    // End of input after a search with its own limit: the search and the last command, which has
    // no line end, are still carried out, then the process ends.
    ASSERT_TRUE(engine.sendRaw("position startpos\ngo movetime 300\nisready"));
    lines = finish();
    EXPECT_EQ(countPrefixed(lines, "bestmove "), 1);
    EXPECT_EQ(countPrefixed(lines, "readyok"), 1);

    std::string text;
    ASSERT_TRUE(tarnwick_test::readFile(directory + "/LogBook.txt", text));
    text = tarnwick_test::withLineFeeds(text); // the platform's line ends, each checked
    std::istringstream logLines(text);
    for (std::string logLine; std::getline(logLines, logLine);) { // each after the time of day
        std::string stamp = logLine.substr(0, 11);
        std::replace_if(stamp.begin(), stamp.end(), ::isdigit, '#');
        EXPECT_EQ(stamp, "##:##:## - ") << logLine;
    }
    for (const std::string& sent : reply)
        EXPECT_NE(text.find(" - Engine to GUI: \"" + sent + "\"\n"), std::string::npos) << sent;
    for (const char* message :
         {"Received: \"ucinewgame\"\n", "Processing: \"ucinewgame\" \"\"\n",
          "Error: Unknown command - \"ucinewgame\" \"\"\n",
          "Error: Line longer than 16383 characters dropped", "Processing: \"debug\" \"off\"\n"}) {
        EXPECT_NE(text.find(message), std::string::npos) << message;
    }
    EXPECT_EQ(text.find("bestmove"), std::string::npos); // logging was off again
}

using SearchRow = std::array<std::string, 3>; // commands, parts of the last info line, bestmove

// Searches of a million nodes and more take their time under ThreadSanitizer on a busy machine.
inline constexpr int LongSearchMs = 180000;

class SearchFlow : public EngineSession {
  protected:
    // Sends each row's commands and checks the last `info` line before the bestmove by its parts
    // and the start of the bestmove line. Parts are separated by "|"; one that ends in "$" ends the
    // line, one after "!" is absent. No line shows a bound as a mate: a window's edge is no mate.
    void expectSearchRows(const std::vector<SearchRow>& rows) {
        for (const auto& [commands, info, best] : rows) {
            const Lines lines = exchange(commands + "\n", "bestmove", LongSearchMs);
            ASSERT_GE(lines.size(), 2u);
            const std::string& last = lines.rbegin()[1];
            std::istringstream parts(info);
            for (std::string part; std::getline(parts, part, '|');) {
                const bool atEnd = part.ends_with("$"), absent = part.starts_with("!");
                part = part.substr(absent, part.size() - absent - atEnd);
                EXPECT_NE(atEnd ? last.ends_with(part) : last.find(part) != std::string::npos,
                          absent)
                    << commands << ": " << last;
            }
            EXPECT_TRUE(lines.back().starts_with(best)) << commands << ": " << lines.back();
            EXPECT_TRUE(best == "bestmove 0000" || lines.back() != "bestmove 0000") << commands;
            for (const std::string& line : lines)
                EXPECT_FALSE(line.find(" mate ") != std::string::npos &&
                             line.find("bound") != std::string::npos)
                    << commands << ": " << line;
        }
    }
};

using tarnwick_test::nowMs;

const std::string Middlegame =
    "position fen r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10";

struct Flow {
    std::string commands; // sent first
    int pauseMs;          // then, if not -1, a pause and an `isready` answered during the search
    const char* then;     // sent next
    int bestMoves;        // bestmove lines owed by the flow
    int ponder;           // 1: the last one names a ponder move, 0: it does not, -1: either
    std::string lastBest = "bestmove ";
    int minMs = 0, maxMs = 60000; // from the commands to the last bestmove
    std::string lineBefore = "";  // the start of the line before the last bestmove
};

TEST_F(SearchFlow, EachGoGetsExactlyOneBestMove) {
    const Flow flows[] = {
        {"stop\nponderhit", -1, "", 0, -1}, // nothing is owed before any search
        // The final report names the last complete iteration.
        {"position startpos\ngo depth 4", -1, "", 1, 1, "bestmove ", 0, 60000, "info depth 4 "},
        {"stop\nponderhit", -1, "", 0, -1}, // nor after it
        {"position startpos\ngo wtime 300000 btime 300000", 300, "stop", 1, 0},
        {"position startpos moves e2e4\nGO infinite", 1500, "stop", 1, 0}, // no end by the clock
        // The ponder time counts against the budget of 3333 ms that ends the search.
        {"position startpos\ngo ponder wtime 200000 btime 200000", 300, "ponderhit", 1, 1},
        {"position startpos\ngo ponder depth 3", 500, "ponderhit", 1, 1}, // ended by itself
        {"position startpos\ngo ponder depth 3", 500, "stop", 1, 0},
        // A root without a legal move is answered at once, its bestmove owed until the stop.
        {"position fen 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1\ngo infinite", -1, "stop", 1, 0,
         "bestmove 0000", 0, 60000, "info depth 0 score mate 0"},
        // A new command ends a clocked search with its bestmove, and is carried out after it:
        // here a refused position, whose `go` answers "bestmove 0000" at once.
        {"position startpos\nGo wtime 300000 btime 300000", 300,
         "position fen 8/8/8/8/8/8/8/8 w - - 0 1\ngo infinite", 2, -1, "bestmove 0000"},
        // A command other than stop cuts an infinite search short; its bestmove is still owed
        // and goes out at the next stop, or just before the next search starts.
        {"position startpos\nGO infinite", 300, "position startpos\nstop", 1, 0},
        {"position startpos\ngo infinite", 300, "position startpos moves e2e4\ngo depth 2", 2, -1},
        // 300000 ms give a budget of 6500 ms; no iteration starts after two thirds of it.
        {"position startpos\ngo wtime 300000 btime 300000", -1, "", 1, -1, "bestmove ", 4000, 9000},
        {"position startpos moves e2e4 e7e5\ngo movetime 500", -1, "", 1, -1, "bestmove ", 0, 1500},
        {"position startpos\ngo nodes 1000", -1, "", 1, -1},
        // With Move Overhead 50 a game at 10 s + 0.1 s a move has real thinking time from the
        // first move to the last, within the clock: budgets of 520 and 73 ms, each used at least
        // for the two thirds after which no new iteration starts.
        {"setoption name Move Overhead value 50\n" + Middlegame + "\ngo wtime 10000 winc 100", -1,
         "", 1, -1, "bestmove ", 346, 10000},
        {Middlegame + "\ngo wtime 600 winc 100", -1, "", 1, -1, "bestmove ", 48, 600},
    };
    exchange("uci\nisready\n", "readyok");
    for (const Flow& flow : flows) {
        SCOPED_TRACE(flow.commands + " / " + flow.then);
        received.clear();
        const long long start = nowMs();
        ASSERT_TRUE(engine.sendLine(flow.commands));
        if (flow.pauseMs >= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(flow.pauseMs));
            exchange("isready\n", "readyok", 2000);
            EXPECT_EQ(countPrefixed(received, "bestmove"), 0) << "still searching";
        }
        if (*flow.then) {
            ASSERT_TRUE(engine.sendLine(flow.then));
        }
        while (countPrefixed(received, "bestmove") < flow.bestMoves)
            ASSERT_TRUE(engine.readUntil("bestmove", received, 20000));
        const long long elapsed = nowMs() - start;
        if (flow.bestMoves > 0) {
            const std::string& best = received.back();
            EXPECT_TRUE(best.starts_with(flow.lastBest)) << best;
            if (flow.ponder >= 0) {
                EXPECT_EQ(best.find(" ponder ") != std::string::npos, flow.ponder == 1) << best;
            }
            EXPECT_TRUE(elapsed >= flow.minMs && elapsed <= flow.maxMs) << elapsed << " ms";
            ASSERT_GE(received.size(), 2u);
            EXPECT_TRUE(received.rbegin()[1].starts_with(flow.lineBefore)) << received.rbegin()[1];
        }
        exchange("isready\n", "readyok"); // and no late bestmove before it
        EXPECT_EQ(countPrefixed(received, "bestmove"), flow.bestMoves);
    }
}

// A clock whose every move Move Overhead starves gets one `info string` a game, before anything
// of the search: again after `ucinewgame`, not on a longer clock or with a smaller margin.
TEST_F(SearchFlow, AClockStarvedByTheMarginIsPointedOutOnceAGame) {
    const std::string hint =
        "info string Move Overhead 3000 ms is more than this clock allows for a "
        "move, so the engine answers at once; set it to 50 to 100 for fast "
        "games";
    const std::pair<std::string, bool> rows[] = {
        {"position startpos\ngo wtime 300000 btime 300000", false},
        {"position startpos\ngo wtime 60000 btime 60000", true},
        {"position startpos moves e2e4\ngo wtime 59000 btime 60000", false},
        {"ucinewgame\nposition startpos\ngo movetime 50", false},
        {"position startpos\ngo wtime 1000 winc 10000 depth 3", true},
        {"ucinewgame\nposition startpos\ngo infinite wtime 1000 btime 1000\nstop", false},
        {"ucinewgame\nsetoption name Move Overhead value 50\nposition startpos\ngo wtime 60000",
         false},
    };
    EXPECT_EQ(countPrefixed(exchange("uci\n", "uciok"), "info"), 0);
    for (const auto& [commands, hinted] : rows) {
        const Lines lines = exchange(commands + "\n", "bestmove");
        EXPECT_EQ(countPrefixed(lines, "info string"), hinted) << commands;
        EXPECT_EQ(lines.front() == hint, hinted) << commands << ": " << lines.front();
    }
}

// Searches in one process, each checked by a part of the last `info` line and the start of the
// bestmove line; the first `go` comes before any `isready` and builds the tables itself. Mates are
// found with their distance, for either side: mate values pass through the table counted from the
// stored position, so the mate searches that follow one another each report their own, and the
// deepening goes on until a mate lies within the depth searched, so that a long mate found early
// does not hide a short one. `go mate N` ends once a mate in N shows, or
// after iteration 2N + 1. A move into stalemate, a repetition (at the root also one of six plies
// through the game) or the hundredth half-move without a capture or pawn move scores 0 and its line
// ends there; a root without a legal move, or a refused position, gives "bestmove 0000"; any
// other, however soon its limit stops it, a legal move. Of 218 legal root moves the first 128 are
// searched.
TEST_F(SearchFlow, SearchesOfOneProcessReportTheirOwnResults) {
    const std::string rooks = "position fen 2rr2k1/5ppp/8/8/8/4R3/4R3/4R1K1 w - - 0 1";
    const std::string queenAndBishops = "position fen 1BB5/Q5p1/3R4/K6k/8/6p1/8/8 w - - 0 1";
    const std::vector<SearchRow> rows = {
        {"position startpos\ngo depth 3 searchmoves a2a3 h2h3 e9e9", " pv a2a3 ", "bestmove a2a3"},
        {rooks + "\ngo depth 7", " score mate 3 ", "bestmove e3e8"},
        {rooks + " moves e3e8 d8e8\ngo depth 7", " score mate 2 ", "bestmove e2e8"},
        {rooks + " moves e3e8 d8e8 e2e8 c8e8\ngo depth 7", " score mate 1 ", "bestmove e1e8"},
        {"setoption name Clear Hash\n" + rooks + " moves e3e8 d8e8\ngo mate 2", " score mate 2 ",
         "bestmove e2e8"},
        {rooks + "\ngo mate 1", "info depth 3 ", "bestmove "},
        {"position fen 8/8/8/5Q2/8/2b1p1K1/2P5/6k1 w - - 0 1\ngo mate 3", " score mate 3 ",
         "bestmove f5h3"},
        {queenAndBishops + "\ngo depth 5", " score mate 2 ", "bestmove a7g7"},
        {queenAndBishops + "\ngo depth 5", " score mate 2 ", "bestmove a7g7"},
        {"position fen 8/8/8/4k3/8/8/3QK3/8 w - - 99 80\ngo depth 5", " score cp 0 ", "bestmove "},
        {"position fen 8/8/8/4k3/8/8/3QK3/8 w - - 0 80\ngo depth 5", "!score cp 0 ", "bestmove "},
        {"position fen 4k3/8/8/p1p1p1p1/P1P1P1P1/8/8/4K3 w - - 98 80\ngo depth 5",
         " score cp 0 | pv e1d2 e8f7$", "bestmove e1d2 ponder e8f7"},
        {"position fen rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b\ngo depth 3", " pv ",
         "bestmove b8c6"},
        {"position fen r5k1/5ppp/8/8/8/8/5PPP/6K1 b - - 0 1\ngo depth 8", " score mate 1 ",
         "bestmove a8a1"},
        {"position fen 7k/R7/6K1/8/8/8/8/1R6 b - - 0 1\ngo depth 8", " score mate -1 ",
         "bestmove h8g8"},
        {"position fen r1b1kb1r/pppp1ppp/5q2/4n3/3KP3/2N3PN/PPP4P/R1BQ1B1R b kq - 0 1\ngo depth 8",
         " score mate 3 ", "bestmove f8c5"},
        {"position fen k7/8/2Q5/7p/7P/8/8/7K w - - 0 1\ngo depth 4 searchmoves c6c7",
         " score cp 0 | pv c6c7$", "bestmove c6c7"},
        {"position startpos moves g1f3 b8c6 f3g1\ngo depth 4 searchmoves c6b8",
         " score cp 0 | pv c6b8$", "bestmove c6b8"},
        {"position fen r3k3/7p/8/8/8/8/7P/4K3 w - - 0 1 moves e1e2 a8b8 e2d1 b8c8 d1e1\ngo depth 3 "
         "searchmoves c8a8",
         " score cp 0 | pv c8a8$", "bestmove c8a8"},
        // The knight goes to h6 again, the other men stand elsewhere: no repetition.
        {"position startpos moves g1f3 g8h6 f3g5 b8c6 g5e4 h6g8 e4c5 g8f6 c5a4 f6g8 a4b6\n"
         "go depth 1 searchmoves g8h6",
         " pv g8h6 b6a8", "bestmove g8h6"},
        {"position fen 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1\ngo depth 3", "info depth 0 score mate 0$",
         "bestmove 0000"},
        {"position fen 7k/8/8/8/8/6q1/5r2/7K w - - 0 1\ngo depth 3", "info depth 0 score cp 0$",
         "bestmove 0000"},
        {"position fen 8/8/8/8/8/8/8/8 w - - 0 1\ngo mate 2", "info depth ", "bestmove 0000"},
        // Six plies deep a pass may answer a pass, but not a third follow: the count shows it.
        {"setoption name Clear Hash\nposition fen rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w "
         "KQ - 1 8\ngo depth 6",
         " nodes 57027 ", "bestmove d7c8q"},
        {"position startpos\ngo nodes 5000", " nodes 5000 ", "bestmove "},
        {"position startpos\ngo nodes 1", "info depth ", "bestmove "},
        {"position fen R6R/3Q4/1Q4Q1/4Q3/2Q4Q/Q4Q2/pp1Q4/kBNN1KB1 w - - 0 1\ngo depth 2",
         " score mate 1 ", "bestmove c4a2"},
        // Once every move loses, the longest defence is played, whichever move was lost first.
        {"setoption name Clear Hash\nposition fen B2k1Q1N/4p3/6Pp/2pp4/pn6/2N4P/PPPP1P1P/R1B1K2R b "
         "KQ - 0 17\ngo depth 8",
         " score mate -6 ", "bestmove d8d7"},
        {"position fen rnb1k2r/pppp1ppp/8/2b1p3/8/P4PPN/1n2P1KP/3q3R b kq - 5 18\ngo depth 9",
         " score mate 5 ", "bestmove "},
        {"position fen rnb1k2r/pppp1ppp/8/2b1p3/8/P4PPN/1n2PK1P/3q3R w kq - 4 18\ngo depth 9",
         " score mate -5 ", "bestmove f2g2"},
        {"position fen rnb1k2r/pppp1ppp/3b4/4p3/8/P4PPN/1n2PK1P/3q3R b kq - 3 17\ngo depth 9",
         " score mate 6 ", "bestmove "},
        // A mate the table holds from a search at a lower clock is no mate at the limit.
        {"position fen 8/6Q1/8/8/5p2/3K1P1k/8/8 w - - 90 1\ngo depth 9", " score mate 2 ",
         "bestmove "},
        {"position fen 8/6Q1/8/8/5p2/3K1P1k/8/8 w - - 98 1\ngo depth 9", " score cp 0 ",
         "bestmove "},
        // Near a mate the aspiration window's edge fails low: no "mate 67 upperbound" is shown.
        {"setoption name Clear Hash\nposition fen b4r1k/pq2rp2/1p1bpn1p/3PN2n/2P2P2/P2B3K/1B2Q2N/"
         "3R2R1 w - - 0 1\ngo depth 9",
         " score mate 3 ", "bestmove e2h5"},
        // A line the search ended at a repetition ends there, whatever the table holds after it.
        {"position startpos moves g1f3 g8f6\ngo depth 8", " pv ", "bestmove "},
        {"position startpos moves g1f3 g8f6 f3g1 f6g8 g1f3 g8f6\ngo depth 8 searchmoves f3g1",
         " score cp 0 | pv f3g1$", "bestmove f3g1"},
    };
    exchange("uci\n", "uciok");
    expectSearchRows(rows);
}

// The moves of the line of an `info` line, each checked legal in the position reached; the
// position after them goes on in `game`.
std::vector<std::string> legalLineMoves(const std::string& info, std::string& game) {
    std::istringstream line(info.substr(info.find(" pv ") + 4));
    std::vector<std::string> moves;
    game += " moves";
    for (std::string move; line >> move; moves.push_back(move), game += " " + move)
        EXPECT_EQ(legalMoveTexts(game).count(move), 1u) << game << " " << move;
    return moves;
}

// With "Endgame.bin" at hand, its long mates at a shallow depth do not end the deepening: the
// queen is kept for the mate in 3, also under `go infinite`. A mate it knows counts only when it
// lands by the fifty-move limit, and a line that reaches such a mate goes on to it with the file's
// moves. Once the table carries over, a line the search cut short at a table entry, even one that
// keeps no move, is shown continued, legal move by move.
TEST_F(SearchFlow, MatesAndLinesStayTrueWithTheEndgameFileAndACarriedOverTable) {
    std::vector<std::string> lines;
    ASSERT_EQ(tarnwick_test::runTool({"egtb", "build"}, lines, directory), 0);
    exchange("uci\nisready\n", "readyok");
    for (const char* go : {"go depth 7", "go infinite"}) {
        ASSERT_TRUE(
            engine.sendLine("position fen 4Q3/8/8/8/1k6/8/R7/2K5 w - - 0 1\n" + std::string(go)));
        for (std::string line; line.find(" score mate 3 ") == std::string::npos;)
            ASSERT_TRUE(engine.readLine(line, ReplyTimeoutMs)) << go;
        lines = exchange("stop\n", "bestmove");
        EXPECT_TRUE(lines.back().starts_with("bestmove e8c6")) << go;
    }
    expectSearchRows({
        {"position fen 8/8/8/2K5/8/8/7Q/4k3 w - - 98 1\ngo depth 9", " score cp 0 ", "bestmove "},
        {"position fen 3K4/8/7k/2R5/8/8/8/8 w - - 90 1\ngo depth 9", "!score mate ", "bestmove "},
        {"position fen 8/6k1/8/8/8/8/3K4/7Q w - - 0 1\ngo depth 9", " score mate 7 ",
         "bestmove d2e3 ponder "},
    });
    tarnwick::prepareTables();
    std::string game = "fen 8/6k1/8/8/8/8/3K4/7Q w - - 0 1";
    EXPECT_EQ(legalLineMoves(received.rbegin()[1], game).size(), 13u) << received.rbegin()[1];
    EXPECT_TRUE(legalMoveTexts(game).empty()) << game; // mate
    exchange(Middlegame + "\ngo depth 7\n", "bestmove", LongSearchMs);
    lines = exchange(Middlegame + "\ngo depth 7\n", "bestmove", LongSearchMs);
    game = Middlegame.substr(9);
    EXPECT_GE(legalLineMoves(lines.rbegin()[1], game).size(), 5u) << lines.rbegin()[1];
    tarnwick::releaseTables();
}

// The info lines with their time and speed taken out, which differ from run to run.
std::vector<std::string> withoutTimes(std::vector<std::string> lines) {
    for (std::string& line : lines)
        for (const std::string field : {" time ", " nps "})
            if (const std::size_t at = line.find(field); at != std::string::npos)
                line.erase(at, line.find_first_not_of("0123456789", at + field.size()) - at);
    return lines;
}

// MultiPV 3: three lines for each completed iteration, ranked, with exact values best first;
// winning the queen stays line 1 and is the bestmove. Back at one line and full strength, after a
// search at a limited one, and with the table emptied by Clear Hash, a search repeats the first
// search of the process line for line. Option names are read in any case, as GUIs write them.
TEST_F(SearchFlow, MultiPvShowsExactLinesAndClearHashRepeatsAFreshSearch) {
    const std::string search =
        "position fen 6k1/5ppp/8/q6n/3r4/1N5P/4BPP1/6K1 w - - 0 1\ngo depth 5\n";
    exchange("uci\nisready\n", "readyok");
    const std::vector<std::string> first = withoutTimes(exchange(search, "bestmove"));
    const std::vector<std::string> lines =
        exchange("setoption name MultiPv value 3\n" + search, "bestmove");
    int ranked[6][4] = {}; // by depth and rank: the score in centipawns
    int count = 0;
    for (const std::string& line : lines) {
        int depth = 0, rank = 0, score = 0;
        if (std::sscanf(line.c_str(), "info depth %d seldepth %*d multipv %d score cp %d", &depth,
                        &rank, &score) != 3 ||
            depth > 5)
            continue;
        ++count;
        ranked[depth][rank] = score;
        EXPECT_EQ(line.find("bound"), std::string::npos) << line;
        EXPECT_TRUE(rank != 1 || line.find(" pv b3a5") != std::string::npos) << line;
        EXPECT_TRUE(rank == 1 || ranked[depth][rank - 1] >= score) << line;
    }
    EXPECT_EQ(count, 16); // and the final report of depth 5
    EXPECT_TRUE(lines.back().starts_with("bestmove b3a5")) << lines.back();
    exchange("setoption name uci_limitstrength value true\n" + search, "bestmove");
    EXPECT_EQ(withoutTimes(exchange("setoption name UCI_LIMITSTRENGTH value false\nsetoption name "
                                    "multipv value 1\nsetoption name clear hash\n" +
                                        search,
                                    "bestmove")),
              first);
}

// The nodes of the last `info` line before the bestmove.
long long lastNodes(const Lines& lines) {
    const std::string& last = lines.at(lines.size() - 2);
    return std::stoll(last.substr(last.find(" nodes ") + 7));
}

// With helper threads every kind of search ends with one bestmove, legal, after a legal line; the
// nodes of `go nodes` are those of all threads together. Threads set during a search count from
// the next one.
TEST_F(SearchFlow, HelperThreadsKeepEverySearchLegal) {
    const std::string mate = "fen 1BB5/Q5p1/3R4/K6k/8/6p1/8/8 w - - 0 1";
    const std::string middlegame = Middlegame.substr(9);
    // Position, what is sent after it, and what ends an open-ended search after a pause.
    const std::array<std::string, 3> searches[] = {
        {middlegame, "go depth 6", ""},
        {middlegame, "go nodes 30000", ""},
        {middlegame, "go movetime 150", ""},
        {middlegame, "go wtime 3000 btime 3000", ""},
        {middlegame, "go infinite", "setoption name Threads value 3\nstop"},
        {middlegame, "go ponder wtime 3000 btime 3000", "ponderhit"},
        {middlegame, "setoption name MultiPV value 3\ngo depth 5", ""},
        {middlegame, "setoption name MultiPV value 1\ngo depth 5 searchmoves h2h3 a3a4", ""},
        {mate, "go mate 2", ""},
    };
    exchange("uci\n", "uciok");
    for (const char* threads : {"2", "4"}) {
        exchange(std::string("setoption name Threads value ") + threads + "\nisready\n", "readyok");
        for (const auto& [position, go, then] : searches) {
            SCOPED_TRACE(std::string(threads) + " threads: " + go);
            ASSERT_TRUE(engine.sendLine("position " + position + "\n" + go));
            if (!then.empty()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                ASSERT_TRUE(engine.sendLine(then));
            }
            Lines lines;
            ASSERT_TRUE(engine.readUntil("bestmove", lines, LongSearchMs));
            EXPECT_EQ(exchange("isready\n", "readyok"), Lines{"readyok"}); // no second bestmove
            const auto withLine = std::find_if(lines.rbegin(), lines.rend(), [](auto& line) {
                return line.find(" pv ") != std::string::npos;
            });
            ASSERT_NE(withLine, lines.rend());
            std::string game = position;
            const std::vector<std::string> line = legalLineMoves(*withLine, game);
            ASSERT_FALSE(line.empty()) << *withLine;
            EXPECT_EQ(bestMoveOf(lines.back()), line[0]);
            EXPECT_TRUE(go != "go nodes 30000" || lastNodes(lines) <= 30000) << lines.rbegin()[1];
            EXPECT_TRUE(go != "go mate 2" ||
                        lines.rbegin()[1].find(" mate 2 ") != std::string::npos);
        }
    }
    finish(); // status 0: no data race either under ThreadSanitizer
}

// A level holds each search to its nodes, whatever `go` allows, and counts from the next `go`;
// "maybe" leaves the switch on, and ratings are held to 800 to 2000. At 800, searches of one
// position in new games answer within the level's nodes, with legal moves that vary; in a busy
// position, where iteration 1 alone takes more nodes, and on a clock of 1 ms, iteration 1 is
// completed all the same, so that the level still chooses among ranked moves.
TEST_F(SearchFlow, LimitedStrengthCapsTheSearchAndVariesItsMoves) {
    const int lowest = tarnwick::strengthLevel(800).nodes;
    const std::pair<std::string, int> rows[] = {
        {"setoption name UCI_LimitStrength value true\nsetoption name UCI_Elo value -5", lowest},
        {"setoption name UCI_Elo value 99999", 20000},
        {"setoption name UCI_Elo value 800\nsetoption name UCI_LimitStrength value maybe", lowest},
        {"setoption name UCI_LimitStrength value false", 20000},
    };
    exchange("uci\n", "uciok");
    for (const auto& [options, nodes] : rows) {
        const Lines lines = exchange(options + "\nposition startpos\ngo nodes 20000\n", "bestmove");
        EXPECT_TRUE(nodes == 20000 ? lastNodes(lines) == nodes : lastNodes(lines) <= nodes)
            << options;
    }
    ASSERT_TRUE(engine.sendLine("setoption name UCI_LimitStrength value true"));
    std::set<std::string> moves;
    for (int game = 0; game < 30; ++game) {
        ASSERT_TRUE(engine.sendLine("ucinewgame"));
        moves.insert(legalAnswer("startpos moves e2e4", "go wtime 100000 btime 100000"));
        EXPECT_LE(lastNodes(received), lowest);
    }
    EXPECT_GT(moves.size(), 2u);
    moves.clear();
    for (int game = 0; game < 20; ++game) {
        ASSERT_TRUE(engine.sendLine("ucinewgame"));
        moves.insert(legalAnswer("fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w "
                                 "KQkq - 0 1",
                                 "go wtime 60000 btime 60000"));
        EXPECT_TRUE(received.rbegin()[1].starts_with("info depth 1 ")) << received.rbegin()[1];
    }
    EXPECT_GE(moves.size(), 2u);
}

class SelfPlay : public EngineSession {
  protected:
    void SetUp() override {
        EngineSession::SetUp();
        tarnwick::prepareTables();
        exchange("uci\nisready\n", "readyok");
    }
    void TearDown() override {
        finish();
        tarnwick::releaseTables();
        EngineSession::TearDown();
    }
};

// At a fixed depth the moves follow from the commands alone. The game ends by mate, stalemate,
// a third repetition or the harness's cap of 120 plies.
TEST_F(SelfPlay, AGameAtFixedDepthIsTheSameAsTheNativeBuilds) {
    tarnwick_test::EngineProcess reference;
    ASSERT_TRUE(reference.start({TARNWICK_ENGINE_PATH}, directory));
    reference.lineEnding.assign(1, '\n'); // a native program
    std::string game = "startpos moves e2e4";
    std::map<std::pair<std::uint32_t, int>, int> seen;
    for (int ply = 1; ply < 120 && !legalMoveTexts(game).empty() &&
                      ++seen[{tarnwick_test::pos.lockKey, tarnwick_test::pos.sideToMove}] < 3;
         ++ply) {
        const std::string best = legalAnswer(game, "go depth 4");
        std::vector<std::string> expected;
        ASSERT_TRUE(reference.sendRaw("position " + game + "\ngo depth 4\n"));
        ASSERT_TRUE(reference.readUntil("bestmove", expected, ReplyTimeoutMs));
        ASSERT_EQ(best, bestMoveOf(expected.back())) << game;
        game += " " + best;
    }
}

// Chess960 games, the engine playing both sides from start positions where it may castle soon:
// every move it names is legal by the rules of Chess960, castling (the king taking its rook)
// included, and `go searchmoves` takes a castling in either of its texts.
TEST_F(SelfPlay, Chess960GamesGetOnlyLegalMovesAndCastleAsTheKingTakingItsRook) {
    tarnwick::chess960Option = 1; // for the legal moves worked out in this process
    ASSERT_TRUE(engine.sendLine("setoption name UCI_Chess960 value true"));
    int castlings = 0;
    for (const char* start :
         {"1r4kr/p5pp/8/8/8/8/P5PP/1R4KR w HBhb - 0 1",
          "2r1kr2/pp1bqppp/2np1n2/4p3/4P3/2NP1N2/PP1BQPPP/2R1KR2 w FCfc - 0 1",
          "bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 2 9"}) {
        std::string game = std::string("fen ") + start + " moves";
        for (int ply = 0; ply < 30 && !legalMoveTexts(game).empty(); ++ply) {
            const std::string best = legalAnswer(game, "go depth 3");
            const tarnwick::BoardCell& target =
                tarnwick_test::pos.board[tarnwick_test::squareOf(&best[2])];
            castlings +=
                target.piece == tarnwick::Rook && target.colour == tarnwick_test::pos.sideToMove;
            game += " " + best;
        }
    }
    EXPECT_GE(castlings, 3);
    EXPECT_EQ(
        legalAnswer("fen 1r4kr/8/8/8/8/8/8/1R4KR w HBhb - 0 1", "go depth 2 searchmoves g1c1"),
        "g1b1");
    tarnwick::chess960Option = 0;
}

// The FEN of the position set up in this process, without castling rights or en passant square
// (each empty square a "1", which FEN readers add up).
std::string fenWithoutRights() {
    std::string fen;
    for (int square = 112; square >= 0; square += (square & 7) == 7 ? -23 : 1) {
        const tarnwick::BoardCell& cell = tarnwick_test::pos.board[square];
        fen += cell.piece == tarnwick::Empty ? '1' : "?KQRBNP"[cell.piece] | (cell.colour << 5);
        fen += (square & 7) == 7 && square > 7 ? "/" : "";
    }
    return fen + (tarnwick_test::pos.sideToMove == tarnwick::White ? " w - - 0 1" : " b - - 0 1");
}

// Both kings have moved and come back, the FEN says so with "-", and the engine, which castles at
// once here when it may, never castles.
TEST_F(SelfPlay, AGuiSendingTheCurrentFenAfterTheKingsHaveMovedNeverSeesCastling) {
    std::string position = "fen r1bqk2r/pppp1ppp/2n2n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQK2R w KQkq - "
                           "0 1 moves e1f1 e8f8 f1e1 f8e8";
    for (int played = 0; played < 12; ++played) {
        legalMoveTexts(position);
        position = "fen " + fenWithoutRights();
        const std::string best = legalAnswer(position, "go depth 5");
        for (const char* castling : {"e1g1", "e1c1", "e8g8", "e8c8"})
            ASSERT_NE(best, castling) << position;
        position += " moves " + best;
    }
}

} // namespace
