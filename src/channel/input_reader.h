// The reader thread: cuts standard input into normalised lines and hands one command at a time
// to the main thread through a one-slot queue; during a search it serves debug, isready,
// ponderhit and stop itself.
#pragma once

#include "channel/runtime_services.h"

namespace tarnwick {

inline constinit char commandWord[CommandBufferSize]{};
inline constinit char commandArgs[CommandBufferSize]{};

// Reads the given file descriptor until it ends or fails, then closes it, hands over a `quit`
// (after stopping an open-ended search) and returns 0. Lines of up to CommandBufferSize - 1
// characters are handled whole; a longer line is dropped whole.
int readerThread(int inputDescriptor);

} // namespace tarnwick
