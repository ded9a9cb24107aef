// Stand-in until this subcommand is built.
#include "tool_commands.h"

#include <cstdio>

namespace tarnwick {

int runPerftCommand(int, char**) {
    std::fprintf(stderr, "tarnwick-tool: perft is not built yet\n");
    return 2;
}

} // namespace tarnwick
