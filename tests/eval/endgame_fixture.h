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

// Writes the built file as "Endgame.bin" into a fresh temporary folder and makes that the working
// folder, so that the engine's probe loads it; the destructor goes back and removes the folder.
class EndgameFolder {
  public:
    EndgameFolder();
    ~EndgameFolder();
    EndgameFolder(const EndgameFolder&) = delete;
    EndgameFolder& operator=(const EndgameFolder&) = delete;
    const char* path() const { return folder; }

  private:
    char folder[64];
    char previous[4096];
};

} // namespace tarnwick
