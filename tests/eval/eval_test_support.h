// Helpers shared by the evaluation tests: square names, setting a position up, the legal moves of
// the side to move, the built endgame data and a temporary working folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <vector>

#include "board/make_unmake.h"
#include "board/move_generation.h"
#include "board/position_setup.h"
#include "eval/endgame_builder.h"
#include "eval/endgame_data.h"
#include "eval/root_evaluation.h"
#include "eval/static_evaluation.h"
#include "search/transposition_table.h"
#include "test_support.h"

namespace tarnwick {

inline int dataSquare(const char* name) {
    return endgameSquare(name[0] - 'a', name[1] - '1');
}

// The position of a UCI `position` argument text, at the root; the evaluation's state stays.
inline void setUpPosition(const char* positionText) {
    prepareTables();
    resetBoard();
    setupPosition(positionText);
    currentSlot = RootSlot;
    ply = 0;
}
inline void setUpRoot(const char* positionText) {
    resetEvaluation();
    setUpPosition(positionText);
}

// The legal moves of the side to move, tested as the search does: make, look at the own king,
// take back.
inline std::vector<Move>* collectedMoves = nullptr;
inline int collectLegalMove(SearchFrame*) {
    const Move move = moveStack[currentSlot];
    makeMove(move);
    if (!isSquareAttacked(otherSide, pieceList[sideToMove][0].square))
        collectedMoves->push_back(move);
    unmakeMove(move);
    return 0;
}
inline void collectLegalMoves(std::vector<Move>& moves) {
    moves.clear();
    collectedMoves = &moves;
    moveCallback = collectLegalMove;
    generateAllMoves(nullptr);
    moveCallback = nullptr;
}

// The 425,984 bytes of "Endgame.bin", solved once per test program (it takes a moment under the
// sanitizers); the solved endings stay readable through solvedEndgameValue.
inline const std::uint8_t* builtEndgameData() {
    static const std::vector<std::uint8_t> data = [] {
        std::vector<std::uint8_t> bytes(EndgameFileSize);
        buildEndgameData(bytes.data());
        return bytes;
    }();
    return data.data();
}

inline void writeFile(const char* name, const void* bytes, std::size_t size) {
    std::ofstream(name, std::ios::binary)
        .write(static_cast<const char*>(bytes), std::streamsize(size));
}

// A fresh temporary folder as the working folder, where the probe looks for "Endgame.bin" anew;
// the destructor goes back and removes the folder.
struct WorkingFolder {
    WorkingFolder() {
        std::filesystem::current_path(path);
        resetEndgameData();
    }
    ~WorkingFolder() {
        std::filesystem::current_path(previous);
        tarnwick_test::removeDirectory(path);
        resetEndgameData();
    }
    const std::filesystem::path previous = std::filesystem::current_path();
    const std::string path = tarnwick_test::makeTemporaryDirectory();
};

} // namespace tarnwick
