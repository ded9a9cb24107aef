// Helpers shared by the evaluation tests: data squares, a root position with the evaluation reset,
// and the built endgame data.
#pragma once

#include <cstdint>
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

using tarnwick_test::setPosition;
using tarnwick_test::WorkingFolder;

// The position with the evaluation's state reset.
inline void setUpRoot(const char* positionText) {
    resetEvaluation();
    setPosition(positionText);
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

} // namespace tarnwick
