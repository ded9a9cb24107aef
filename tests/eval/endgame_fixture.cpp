// Builds the endgame data once for every test of the program that needs it.
#include "endgame_fixture.h"

#include "eval/endgame_builder.h"
#include "eval/endgame_data.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unistd.h>
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

EndgameFolder::EndgameFolder() {
    const std::uint8_t* data = builtEndgameData();
    std::snprintf(folder, sizeof folder, "/tmp/tarnwick-egtb-XXXXXX");
    if (getcwd(previous, sizeof previous) == nullptr || mkdtemp(folder) == nullptr ||
        chdir(folder) != 0) {
        std::perror("EndgameFolder");
        return;
    }
    std::FILE* file = std::fopen(EndgameFileName, "wb");
    if (file != nullptr) {
        std::fwrite(data, 1, EndgameFileSize, file);
        std::fclose(file);
    }
    resetEndgameData();
}

EndgameFolder::~EndgameFolder() {
    resetEndgameData();
    if (chdir(previous) != 0)
        std::perror("EndgameFolder");
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

} // namespace tarnwick
