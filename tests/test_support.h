// Helpers shared by the test programs and the position fuzzer: squares and moves, snapshots and
// checked walks of the position, a child process driven through pipes as a GUI drives the engine,
// and working folders, temporary directories and whole files.
#pragma once

#include <cstring>
#include <string>
#include <sys/types.h>
#include <vector>

#include "board/board.h"
#include "board/make_unmake.h"
#include "board/move_generation.h"

namespace tarnwick_test {

// The square of a name such as "e4", and a move record from its text and the codes it carries.
constexpr int squareOf(const char* name) {
    return tarnwick::makeSquare(name[0] - 'a', name[1] - '1');
}
constexpr tarnwick::Move moveRecord(const char* text, int piece, int captured = 0,
                                    int kind = tarnwick::NormalMove) {
    return tarnwick::Move{static_cast<std::int16_t>(squareOf(text + 2)),
                          static_cast<std::int16_t>(squareOf(text)),
                          static_cast<std::uint8_t>(kind), static_cast<std::uint8_t>(piece),
                          static_cast<std::uint8_t>(captured)};
}

// Everything make and unmake must restore; not lastOfficerIndex, a bound an unmade promotion may
// leave wider (boardIsConsistent checks that it still covers the officers).
struct PositionSnapshot {
    tarnwick::BoardCell cells[tarnwick::BoardCells]{};
    int squares[2][tarnwick::PieceListSize]{}, pieces[2][tarnwick::PieceListSize]{};
    int lastPiece[2]{}, count = 0, side = 0, rights = 0, clock = 0;
    std::uint32_t lock = 0, index = 0;
    bool operator==(const PositionSnapshot&) const = default;
};
inline PositionSnapshot takeSnapshot() {
    using namespace tarnwick;
    PositionSnapshot s{.lastPiece = {lastPieceIndex[White], lastPieceIndex[Black]},
                       .count = pieceCount,
                       .side = sideToMove,
                       .rights = castlingRights,
                       .clock = halfmoveClock,
                       .lock = lockKey,
                       .index = indexKey};
    std::memcpy(s.cells, board, sizeof board);
    for (int colour = 0; colour < 2; ++colour)
        for (int i = 0; i < PieceListSize; ++i) {
            s.squares[colour][i] = pieceList[colour][i].square;
            s.pieces[colour][i] = pieceList[colour][i].piece;
        }
    return s;
}
// Whether the incremental keys equal the keys computed from scratch.
inline bool keysMatchScratch() {
    std::uint32_t lock = 0, index = 0;
    tarnwick::computeKeysFromScratch(lock, index);
    return lock == tarnwick::lockKey && index == tarnwick::indexKey;
}

// A walk of the move tree `depth` plies deep over the real generators that checks every move it
// makes, legal or not: after the make and the side exchange the board, lists, man count and square
// sets agree and the keys equal keys computed from scratch; the unmake restores the snapshot.
struct CheckedWalk {
    long failures = 0;
    std::uint64_t leaves = 0; // legal moves at the last ply, as perft counts them
    long movesOfKind[tarnwick::Sentinel + 1]{};
    std::vector<tarnwick::Move> legalRootMoves;
};
inline CheckedWalk* walk = nullptr;
inline int walkPliesLeft = 0;
inline int checkWalkMove(tarnwick::SearchFrame* frame) {
    using namespace tarnwick;
    const Move move = moveStack[currentSlot];
    const PositionSnapshot before = takeSnapshot();
    makeMove(move);
    const bool legal = isSquareAttacked(otherSide, pieceList[sideToMove][0].square) == 0;
    std::swap(sideToMove, otherSide);
    walk->failures += !keysMatchScratch() || !boardIsConsistent();
    if (legal && currentSlot == RootSlot)
        walk->legalRootMoves.push_back(move);
    if (legal && walkPliesLeft == 1) {
        ++walk->leaves;
    } else if (legal && walkPliesLeft > 1) {
        ++currentSlot, --walkPliesLeft;
        generateAllMoves(frame);
        --currentSlot, ++walkPliesLeft;
    }
    std::swap(sideToMove, otherSide);
    unmakeMove(move);
    walk->failures += !(takeSnapshot() == before) || !boardIsConsistent();
    ++walk->movesOfKind[move.kind];
    return 0;
}
inline CheckedWalk walkAndCheck(int depth) {
    CheckedWalk result;
    if (depth <= 0)
        return result;
    walk = &result;
    walkPliesLeft = depth;
    const tarnwick::MoveCallback saved = tarnwick::moveCallback;
    tarnwick::moveCallback = checkWalkMove;
    tarnwick::generateAllMoves(nullptr);
    tarnwick::moveCallback = saved;
    return result;
}

// Sets a `position` argument text up as the engine does (with UCI_Chess960 as `chess960` says),
// the tables built; the moves the generators hand over there in the root order, with `legalOnly`
// only those that do not leave the mover's king attacked.
void setPosition(const char* text, bool chess960 = false);
std::vector<tarnwick::Move> generatedMoves(bool legalOnly = false);

long long nowMs(); // a steady clock in milliseconds

// A fresh temporary folder as the working folder while it lives, removed afterwards.
struct WorkingFolder {
    WorkingFolder();
    ~WorkingFolder();
    const std::string path;
    const std::string previous;
};

// The programs under test: the engine and the tool built with the tests, or the commands that
// TARNWICK_ENGINE and TARNWICK_TOOL name ("/usr/lib/wine/wine64 /abs/path/tarnwick.exe").
std::vector<std::string> engineCommand();
std::vector<std::string> toolCommand();
// Their line end: "\r\n" when TARNWICK_LINE_END is "crlf" (Windows), else "\n".
const std::string& lineEnd();
// `text` with each line end `end` as "\n"; a line that ends otherwise keeps a mark of it
// ("<bad line end>" or its "\r"), so that no comparison with the expected text can pass.
std::string withLineFeeds(const std::string& text, const std::string& end = lineEnd());

// A program with its standard input and output on pipes held by the test, as a GUI holds the
// engine; lines read back lose their line end (see withLineFeeds). SIGPIPE is ignored in the test
// process. The destructor kills and reaps a child still running.
class EngineProcess {
  public:
    EngineProcess() = default;
    ~EngineProcess();
    EngineProcess(const EngineProcess&) = delete;
    EngineProcess& operator=(const EngineProcess&) = delete;

    // Starts `command` and the arguments in `workingDirectory` (the test's own when empty), after
    // ending a child of an earlier start; with `withErrors` standard error goes to the output pipe
    // too. False if it cannot be started.
    bool start(const std::vector<std::string>& command, const std::string& workingDirectory = "",
               const std::vector<std::string>& arguments = {}, bool withErrors = false);

    // Writes the line and "\n", or the bytes as given; false when the write fails.
    bool sendLine(const std::string& line);
    bool sendRaw(const std::string& bytes);
    void closeInput();  // the child's end of input
    void closeOutput(); // what the child writes then fails, as when a GUI has crashed

    // The next line, all lines up to and with the first that starts with `prefix`, or all until
    // the output ends; false on timeout (or the end of the output before the line).
    bool readLine(std::string& line, int timeoutMs);
    bool readUntil(const std::string& prefix, std::vector<std::string>& lines, int timeoutMs);
    bool readToEnd(std::vector<std::string>& lines, int timeoutMs);

    std::string lineEnding = lineEnd(); // "\n" for a native program beside those under test

    // The child's exit status (128 + the signal that ended it); on timeout it is killed: false.
    bool waitForExit(int& exitStatus, int timeoutMs);

  private:
    void end();
    pid_t childPid = -1;
    int inputFd = -1;  // write end of the child's stdin
    int outputFd = -1; // read end of the child's stdout
    std::string pending;
    bool outputEnded = false;
};

// Runs the tool (toolCommand) with the arguments in `folder` (the test's own when empty) and
// returns its exit status, -1 when it cannot be run or does not end within two minutes; `lines`
// receives what it writes to standard output and standard error.
int runTool(const std::vector<std::string>& arguments, std::vector<std::string>& lines,
            const std::string& folder = "");

// A fresh, empty directory under the temporary directory; removeDirectory removes it and its files.
std::string makeTemporaryDirectory();
void removeDirectory(const std::string& path);

// Reads a whole file into `contents`; false if it cannot be opened.
bool readFile(const std::string& path, std::string& contents);
bool fileExists(const std::string& path);

} // namespace tarnwick_test
