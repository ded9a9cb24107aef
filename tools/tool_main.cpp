// tarnwick-tool: the developer's perft, evaluation dump, bench and endgame file builder.
#include <cstdio>
#include <cstring>

#include "tool_commands.h"

namespace tarnwick {

int readDepthArgument(const char* text, int maxDepth) {
    int depth = 0;
    if (text[0] == 0)
        return 0;
    for (const char* c = text; *c != 0; ++c) {
        if (*c < '0' || *c > '9')
            return 0;
        depth = depth * 10 + (*c - '0');
        if (depth > maxDepth)
            return 0;
    }
    return depth;
}

void joinArguments(int argc, char** argv, char* text, int size) {
    int used = 0;
    text[0] = 0;
    for (int i = 0; i < argc; ++i) {
        const int written =
            std::snprintf(text + used, size - used, "%s%s", i == 0 ? "" : " ", argv[i]);
        if (written < 0 || written >= size - used)
            break;
        used += written;
    }
}

} // namespace tarnwick

static int printUsage() {
    std::fprintf(stderr, "usage: tarnwick-tool COMMAND [ARGUMENTS]\n"
                         "  perft [--chess960] DEPTH [POSITION]\n"
                         "                           count the leaves of the move tree, with\n"
                         "                           --chess960 by the rules of Chess960\n"
                         "  eval [POSITION]          dump the root evaluation tables\n"
                         "  bench [DEPTH]            search the built-in positions\n"
                         "  egtb build [FILE]        build the endgame file (default Endgame.bin)\n"
                         "  egtb probe [POSITION]    look a three-man position up in Endgame.bin\n"
                         "POSITION is the argument text of a UCI position command, e.g. startpos\n"
                         "moves e2e4 or fen 8/8/8/8/8/8/8/8 w - - 0 1.\n");
    return 2;
}

int main(int argc, char** argv) {
    if (argc < 2)
        return printUsage();
    struct Command {
        const char* name;
        int (*run)(int, char**);
    };
    static const Command commands[] = {{"perft", tarnwick::runPerftCommand},
                                       {"eval", tarnwick::runEvalCommand},
                                       {"bench", tarnwick::runBenchCommand},
                                       {"egtb", tarnwick::runEgtbCommand}};
    for (const Command& command : commands) {
        if (std::strcmp(argv[1], command.name) == 0)
            return command.run(argc - 2, argv + 2);
    }
    return printUsage();
}
