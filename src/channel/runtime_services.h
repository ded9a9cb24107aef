// Small services the whole engine calls: zero-filled allocation with the out-of-memory message,
// whole-file reading, the seeded random bytes and the hash key table, the millisecond clock, and
// the string routines with which the channel and the position reader cut and normalise text.
#pragma once

#include <cstdint>

namespace tarnwick {

// Every text buffer of the command channel holds this many bytes, terminator included.
inline constexpr int CommandBufferSize = 16384;

// Random bytes read as 32-bit position keys; built by prepareTables, freed by releaseTables.
inline constinit std::uint8_t* hashKeys = nullptr;
inline constinit unsigned hashKeysLength = 0;
inline constexpr unsigned HashKeyBytes = 8200;
inline constexpr int HashKeySeed = 30073;

void* allocZeroed(unsigned byteCount);
char* readWholeFile(const char* fileName);
// Same as readWholeFile, also handing back the number of bytes read (0 when null is returned).
char* readWholeFile(const char* fileName, unsigned& size);
int randomInRange(int low, int high);
void seedRandom(int seed);
void buildHashKeys(unsigned byteCount);

// Millisecond tick count of a steady clock, wrapping like a 32-bit counter.
std::uint32_t tickCount();
void sleepMilliseconds(int milliseconds);

const char* findSubstring(const char* text, const char* pattern);
char* findSubstring(char* text, const char* pattern);
const char* findChar(const char* text, int character);
char* findChar(char* text, int character);
void trimBlanks(char* text);
int replaceAll(char* text, const char* pattern, const char* replacement);
int getField(char* destination, int fieldNumber, const char* source, char separator);
char* duplicateString(const char* text);

} // namespace tarnwick
