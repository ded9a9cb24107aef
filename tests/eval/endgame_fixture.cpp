// Builds the endgame data once for every test of the program that needs it.
#include "endgame_fixture.h"

#include "eval/endgame_builder.h"
#include "eval/endgame_data.h"

#include <vector>

namespace tarnwick {

const std::uint8_t* builtEndgameData() {
    static const std::vector<std::uint8_t> data = [] {
        std::vector<std::uint8_t> bytes(EndgameFileSize);
        buildEndgameData(bytes.data());
        return bytes;
    }();
    return data.data();
}

int dataSquare(const char* name) {
    return endgameSquare(name[0] - 'a', name[1] - '1');
}

} // namespace tarnwick
