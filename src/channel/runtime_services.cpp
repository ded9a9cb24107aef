// Small services the whole engine calls: zero-filled allocation, whole-file reading, the engine's
// own random generator and the hash key table, and the string routines.
#include "channel/runtime_services.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "channel/output_log.h"

namespace tarnwick {

// -1: seed from the calendar time at the next draw; 0: seeded; other: seed with it at next draw.
static int pendingSeed = -1;
static std::uint32_t randomState = 0;

void* allocZeroed(std::size_t byteCount) {
    // A request for 0 bytes still gets a block of its own, so null always means a shortage. The
    // system hands a large block over as zero pages, touched only when used.
    void* block = std::calloc(byteCount ? byteCount : 1, 1);
    if (block == nullptr)
        reportError(OutOfMemoryFormat, static_cast<unsigned long long>(byteCount));
    return block;
}

// The system opens, sizes and reads the file; the block comes from allocZeroed, so a shortage
// is reported as for every other allocation.
char* readWholeFile(const char* fileName, unsigned& size) {
    return readRegularFile(fileName, size, allocZeroed);
}

char* readWholeFile(const char* fileName) {
    unsigned size = 0;
    return readWholeFile(fileName, size);
}

void seedRandom(int seed) {
    pendingSeed = seed;
}

// A linear congruential generator fixed here rather than the platform's rand, so that the hash
// keys, and with them the search's node counts, are the same with every library and compiler.
int randomInRange(int low, int high) {
    if (pendingSeed != 0) {
        if (pendingSeed == -1)
            pendingSeed = static_cast<int>(std::time(nullptr));
        randomState = static_cast<std::uint32_t>(pendingSeed);
        pendingSeed = 0;
    }
    randomState = randomState * 214013u + 2531011u;
    long long draw = (randomState >> 16) & 0x7FFF;
    long long span = static_cast<long long>(high) - low + 1;
    return static_cast<int>(low + draw % span);
}

void buildHashKeys(unsigned byteCount) {
    std::free(hashKeys);
    hashKeys = nullptr;
    hashKeysLength = 0;
    seedRandom(HashKeySeed);
    hashKeys = static_cast<std::uint8_t*>(allocZeroed(byteCount));
    if (hashKeys == nullptr)
        return; // the shortage is reported; the table stays absent with length 0
    for (unsigned i = 0; i < byteCount; ++i) {
        hashKeys[i] = static_cast<std::uint8_t>(randomInRange(0, 255));
        hashKeysLength = i + 1;
    }
}

const char* findSubstring(const char* text, const char* pattern) {
    return std::strstr(text, pattern);
}

char* findSubstring(char* text, const char* pattern) {
    return std::strstr(text, pattern);
}

const char* findChar(const char* text, int character) {
    return std::strchr(text, character);
}

char* findChar(char* text, int character) {
    return std::strchr(text, character);
}

void trimBlanks(char* text) {
    std::size_t start = 0;
    while (text[start] == ' ')
        ++start;
    std::size_t length = std::strlen(text + start);
    std::memmove(text, text + start, length + 1);
    while (length > 0 && text[length - 1] == ' ')
        text[--length] = 0;
}

int compareIgnoringCase(const char* first, const char* second) {
    return compareIgnoringCase(first, second, SIZE_MAX);
}

int compareIgnoringCase(const char* first, const char* second, std::size_t count) {
    for (; count > 0; --count, ++first, ++second) {
        int a = static_cast<unsigned char>(*first);
        int b = static_cast<unsigned char>(*second);
        a += a >= 'A' && a <= 'Z' ? 'a' - 'A' : 0;
        b += b >= 'A' && b <= 'Z' ? 'a' - 'A' : 0;
        if (a != b || a == 0)
            return a - b;
    }
    return 0;
}

// The rest of the text behind an occurrence is moved with memmove, which copes with overlap in
// both directions, so the call needs no temporary copy and cannot fail.
int replaceAll(char* text, const char* pattern, const char* replacement) {
    std::size_t patternLength = std::strlen(pattern);
    if (patternLength == 0)
        return 0;
    std::size_t replacementLength = std::strlen(replacement);
    int count = 0;
    char* found = findSubstring(text, pattern);
    while (found != nullptr) {
        char* rest = found + patternLength;
        std::memmove(found + replacementLength, rest, std::strlen(rest) + 1);
        std::memcpy(found, replacement, replacementLength);
        ++count;
        found = findSubstring(found + replacementLength, pattern);
    }
    return count;
}

int getField(char* destination, int fieldNumber, const char* source, char separator) {
    int counter = fieldNumber;
    int found = 0;
    int length = 0;
    for (const char* next = source; *next != 0; ++next) {
        if (counter == 1)
            found = 1;
        if (*next == separator || *next == '\n') {
            if (--counter <= 0)
                break;
        } else if (counter == 1) {
            destination[length++] = *next;
        }
    }
    destination[length] = 0;
    trimBlanks(destination);
    return found ? 0 : -1;
}

char* duplicateString(const char* text) {
    std::size_t length = std::strlen(text);
    if (length >= UINT_MAX)
        return nullptr;
    char* copy = static_cast<char*>(allocZeroed(static_cast<unsigned>(length + 1)));
    if (copy != nullptr)
        std::memcpy(copy, text, length + 1);
    return copy;
}

int readInteger(const char* text) {
    while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
        ++text;
    int negative = 0;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1; // saturated; more digits change nothing
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    return static_cast<int>(value);
}

} // namespace tarnwick
