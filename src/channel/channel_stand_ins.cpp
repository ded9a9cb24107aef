// Stand-ins until the command channel is built.
#include "channel/dispatcher.h"
#include "channel/go_parameters.h"
#include "channel/options.h"
#include "channel/output_log.h"
#include "channel/runtime_services.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace tarnwick {

void* allocZeroed(unsigned byteCount) {
    return std::calloc(byteCount ? byteCount : 1, 1);
}
char* readWholeFile(const char*) {
    return nullptr;
}
char* readWholeFile(const char*, unsigned& size) {
    size = 0;
    return nullptr;
}
int randomInRange(int low, int high) {
    return low + std::rand() % (high - low + 1);
}
void seedRandom(int seed) {
    std::srand(static_cast<unsigned>(seed));
}
void buildHashKeys(unsigned byteCount) {
    std::free(hashKeys);
    seedRandom(HashKeySeed);
    hashKeys = static_cast<std::uint8_t*>(allocZeroed(byteCount));
    for (unsigned i = 0; i < byteCount; ++i)
        hashKeys[i] = static_cast<std::uint8_t>(randomInRange(0, 255));
    hashKeysLength = byteCount;
}
std::uint32_t tickCount() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
void sleepMilliseconds(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
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
void trimBlanks(char*) {}
int replaceAll(char*, const char*, const char*) {
    return 0;
}
int getField(char* destination, int, const char*, char) {
    destination[0] = 0;
    return -1;
}
char* duplicateString(const char* text) {
    return strdup(text);
}
void sendLine(const char*, ...) {}
void writeLog(const char*, ...) {}
void reportError(const char*, ...) {}
void formatDateTime(char*, int) {}
void sendOwedBestMove(int) {}
int dispatchCommand() {
    return 0;
}
void installEngineCallbacks() {}
int runEngine() {
    return 0;
}
void sendIdentity() {}
void applyOption() {}
int parseGoParameters(const char*, char) {
    return 1;
}

} // namespace tarnwick
