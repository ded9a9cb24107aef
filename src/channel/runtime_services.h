// Small services the whole engine calls: zero-filled allocation with the out-of-memory message,
// whole-file reading, the seeded random bytes and the hash key table, and the string routines
// with which the channel and the position reader cut and normalise text. The millisecond clock
// and sleeping are the system's (platform/platform.h), offered here with them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace tarnwick {

// Every text buffer of the command channel holds this many bytes, terminator included.
inline constexpr int CommandBufferSize = 16384;

// Random bytes read as 32-bit position keys; built by prepareTables, freed by releaseTables.
inline constinit std::uint8_t* hashKeys = nullptr;
inline constinit unsigned hashKeysLength = 0;
inline constexpr unsigned HashKeyBytes = 8200;
inline constexpr int HashKeySeed = 30073;

// The line allocZeroed sends to the interface when memory runs out; the u-umlaut is the single
// byte 0x81 of the console code page 850.
inline constexpr char OutOfMemoryFormat[] = "%llu Bytes Arbeitsspeicher nicht mehr verf\x81gbar";

void* allocZeroed(std::size_t byteCount);
char* readWholeFile(const char* fileName);
// Same as readWholeFile, also handing back the number of bytes read (0 when null is returned).
char* readWholeFile(const char* fileName, unsigned& size);
// Draws from the engine's own generator, so the keys are the same on every platform.
int randomInRange(int low, int high);
// Sets the pending seed: -1 seeds from the calendar time at the next draw, 0 keeps the running
// sequence, any other value seeds with that value at the next draw. Tests reset with -1.
void seedRandom(int seed);
void buildHashKeys(unsigned byteCount);

const char* findSubstring(const char* text, const char* pattern);
char* findSubstring(char* text, const char* pattern);
const char* findChar(const char* text, int character);
char* findChar(char* text, int character);
void trimBlanks(char* text);
// Compares two texts as the C locale's strcmp would after turning A to Z into a to z: 0 when they
// are equal but for the case of those letters.
int compareIgnoringCase(const char* first, const char* second);
// The same over at most the first `count` characters, as strncmp compares.
int compareIgnoringCase(const char* first, const char* second, std::size_t count);
// Replaces every occurrence of a non-empty pattern, never searching an inserted replacement again;
// returns the count. A longer replacement grows the text in place: the caller provides the room.
int replaceAll(char* text, const char* pattern, const char* replacement);
// Copies field `fieldNumber` (from 1) of `source`, cut at `separator` or a line feed, trimmed, to
// `destination`, which must hold the source's length plus one. Returns 0 if found, else -1.
int getField(char* destination, int fieldNumber, const char* source, char separator);
char* duplicateString(const char* text);
// Reads a decimal number as the standard atoi does (leading blanks, optional sign, digits up to
// the first other character, 0 without digits), but saturates at the int range instead of
// overflowing, because the numbers come from the interface.
int readInteger(const char* text);

} // namespace tarnwick
