// Stand-in until this subcommand is built.
#include "tool_commands.h"

#include <cstdio>

namespace tarnwick {

int runEgtbCommand(int, char**) {
    std::fprintf(stderr, "tarnwick-tool: egtb is not built yet\n");
    return 2;
}

} // namespace tarnwick
