// Everything the engine sends to the interface and to the logbook "LogBook.txt": one line per
// write, so lines of the two threads never interleave.
#pragma once

namespace tarnwick {

void sendLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
void writeLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
void reportError(const char* format, ...) __attribute__((format(printf, 1, 2)));
void formatDateTime(char* text, int offsetSeconds);

} // namespace tarnwick
