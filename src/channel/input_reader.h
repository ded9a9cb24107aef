// The reader thread: cuts standard input into normalised lines and hands one command at a time
// to the main thread through a one-slot queue; during a search it serves debug, isready,
// ponderhit and stop itself.
#pragma once

#include "channel/runtime_services.h"

namespace tarnwick {

inline constinit char commandWord[CommandBufferSize]{};
inline constinit char commandArgs[CommandBufferSize]{};

// The line being assembled from the input. Bytes beyond CommandBufferSize - 1 are not stored;
// the line is then marked overlong and dropped whole when its end arrives, so it can never be
// cut into a different command.
struct LineAssembly {
    char text[CommandBufferSize];
    int length;
    int overlong;
};

// Receives each complete line, not yet normalised; it may change the text in place.
using LineHandler = void (*)(char* line);

// Takes the bytes of one read into the line being assembled and hands every line that a CR or
// LF ends to `takeLine`. Zero bytes are left out; empty lines are never handed on. The reader
// thread cuts its input with it, and the input fuzzer feeds it arbitrary bytes.
void cutInputLines(LineAssembly& line, const char* bytes, int count, LineHandler takeLine);
// Ends the line being assembled: a complete line goes to `takeLine`, an overlong one is dropped.
void finishInputLine(LineAssembly& line, LineHandler takeLine);
// Tabs become blanks, runs of blanks shrink to one, blanks at either end go. Returns 0 when
// nothing is left.
int normaliseLine(char* line);
// Splits a normalised line at its first blank into commandWord and commandArgs. The caller
// holds the free slot.
void storeCommand(char* line);

// Reads the given file descriptor until it ends or fails, then closes it, hands over a `quit`
// (after stopping an open-ended search) and returns 0. Lines of up to CommandBufferSize - 1
// characters are handled whole; a longer line is dropped whole.
int readerThread(int inputDescriptor);

} // namespace tarnwick
