// The subcommands of tarnwick-tool, one source file each.
#pragma once

namespace tarnwick {

// Each takes the arguments after the subcommand word and returns the process exit status.
int runPerftCommand(int argc, char** argv);
int runEvalCommand(int argc, char** argv);
int runBenchCommand(int argc, char** argv);
int runEgtbCommand(int argc, char** argv);

// Reads a depth argument: a plain decimal number from 1 to maxDepth; 0 for anything else.
int readDepthArgument(const char* text, int maxDepth);

// Joins arguments into one text with single blanks (a POSITION given as several words).
void joinArguments(int argc, char** argv, char* text, int size);

} // namespace tarnwick
