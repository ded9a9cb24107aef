// The built endgame file and the solved endings, made once per test program: solving takes a
// moment under the sanitizers, and the result does not depend on anything a test changes.
#pragma once

#include <cstdint>

namespace tarnwick {

// The 425,984 bytes of "Endgame.bin"; the solved endings stay readable through
// solvedEndgameValue.
const std::uint8_t* builtEndgameData();

// Square in the data's index from its name, "e1" and the like.
int dataSquare(const char* name);

} // namespace tarnwick
