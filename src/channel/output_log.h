// Everything the engine sends to the interface and to the logbook "LogBook.txt": one line per
// write, so lines of the two threads never interleave.
#pragma once

#include <ctime>

#include "platform/platform.h"

namespace tarnwick {

// Where sendLine and reportError write; standard output, pointed at a pipe by tests.
inline constinit int outputDescriptor = StandardOutput;

// Formats one line (at most 16383 characters; longer text is cut) and writes it with its line
// feed in one write; echoes it to the logbook in debug mode.
void sendLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Writes one time-stamped line to "LogBook.txt", which the first call of the run creates or
// truncates. Callers check debugMode.
void writeLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Formats a message straight to the output, without the logbook (the out-of-memory line).
void reportError(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Expands the date and time tokens of `text` in place for the local time now plus the offset.
// Names are longer than their tokens ("&ML" may become "September"): the caller provides room.
void formatDateTime(char* text, int offsetSeconds);
// The same expansion for a given broken-down time.
void expandDateTimeTokens(char* text, const std::tm& when);
// Closes the logbook, so the next log line of the run creates it afresh (test reset).
void closeLogbook();

} // namespace tarnwick
