// Lines to the interface and to the logbook. Each line leaves in one write under a lock of its
// own destination, so lines of the main thread and of the reader thread never interleave.
#include "channel/output_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "channel/dispatcher.h"
#include "channel/runtime_services.h"
#include "platform/platform.h"

namespace tarnwick {

// clang-format off
static const char weekdayAbbreviations[7][3] = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
static const char weekdayNames[7][11] = {"Sonntag", "Montag", "Dienstag", "Mittwoch",
                                         "Donnerstag", "Freitag", "Samstag"};
// Windows-1252: the a-umlaut of March is the single byte 0xE4.
static const char monthNames[12][10] = {"Januar", "Februar", "M\xE4rz", "April", "Mai", "Juni",
                                        "Juli", "August", "September", "Oktober", "November",
                                        "Dezember"};
// clang-format on

inline constexpr int LogPrefixSize = 12;                  // "hh:mm:ss - " and its terminator
inline constexpr int LogLineSize = 3 * CommandBufferSize; // prefix, message text, line feed
inline constexpr int ErrorBufferSize = 256;

static std::mutex outputLock;
static std::mutex logLock;
static std::FILE* logbook = nullptr;      // guarded by logLock
static char logLine[LogLineSize];         // guarded by logLock
static char errorBuffer[ErrorBufferSize]; // guarded by outputLock

// Formats into `buffer` (room for `size` bytes) and returns the length kept, cut to fit.
static std::size_t formatInto(char* buffer, std::size_t size, const char* format,
                              std::va_list arguments) {
    int length = std::vsnprintf(buffer, size, format, arguments);
    if (length < 0) {
        buffer[0] = 0;
        return 0;
    }
    return static_cast<std::size_t>(length) < size ? static_cast<std::size_t>(length) : size - 1;
}

void sendLine(const char* format, ...) {
    // One byte beyond the 16383 characters and terminator holds the line feed.
    char text[CommandBufferSize + 1];
    std::va_list arguments;
    va_start(arguments, format);
    std::size_t length = formatInto(text, CommandBufferSize, format, arguments);
    va_end(arguments);
    text[length] = '\n';
    {
        std::lock_guard<std::mutex> guard(outputLock);
        writeOutput(outputDescriptor, text, length + 1);
    }
    text[length] = 0;
    if (debugMode.load(std::memory_order_acquire))
        writeLog("Engine to GUI: \"%s\"", text);
}

void writeLog(const char* format, ...) {
    std::lock_guard<std::mutex> guard(logLock);
    if (logbook == nullptr) {
        logbook = std::fopen("LogBook.txt", "w");
        if (logbook == nullptr)
            return; // tried again with the next line
        std::setvbuf(logbook, nullptr, _IONBF, 0);
    }
    char prefix[LogPrefixSize] = "&H:&I:&S - ";
    formatDateTime(prefix, 0);
    std::size_t length = std::strlen(prefix);
    std::memcpy(logLine, prefix, length);
    std::va_list arguments;
    va_start(arguments, format);
    length += formatInto(logLine + length, LogLineSize - 1 - length, format, arguments);
    va_end(arguments);
    logLine[length++] = '\n';
    std::fwrite(logLine, 1, length, logbook);
}

void reportError(const char* format, ...) {
    std::lock_guard<std::mutex> guard(outputLock);
    std::va_list arguments;
    va_start(arguments, format);
    std::size_t length = formatInto(errorBuffer, ErrorBufferSize - 1, format, arguments);
    va_end(arguments);
    errorBuffer[length] = '\n';
    writeOutput(outputDescriptor, errorBuffer, length + 1);
}

void expandDateTimeTokens(char* text, const std::tm& when) {
    char year[16];
    char month[16];
    char day[16];
    char dayOfYear[16];
    char hour[16];
    char minute[16];
    char second[16];
    std::snprintf(year, sizeof year, "%04d", when.tm_year + 1900);
    std::snprintf(month, sizeof month, "%02d", when.tm_mon + 1);
    std::snprintf(day, sizeof day, "%02d", when.tm_mday);
    std::snprintf(dayOfYear, sizeof dayOfYear, "%03d", when.tm_yday + 1);
    std::snprintf(hour, sizeof hour, "%02d", when.tm_hour);
    std::snprintf(minute, sizeof minute, "%02d", when.tm_min);
    std::snprintf(second, sizeof second, "%02d", when.tm_sec);
    int monthIndex = when.tm_mon >= 0 && when.tm_mon < 12 ? when.tm_mon : 0;
    int weekday = when.tm_wday >= 0 && when.tm_wday < 7 ? when.tm_wday : 0;
    // Each long token goes before the short one that begins like it.
    replaceAll(text, "&JJJ", year);
    replaceAll(text, "&J", year + std::strlen(year) - 2);
    replaceAll(text, "&ML", monthNames[monthIndex]);
    replaceAll(text, "&M", month);
    replaceAll(text, "&T", day);
    replaceAll(text, "&WL", weekdayNames[weekday]);
    replaceAll(text, "&W", weekdayAbbreviations[weekday]);
    replaceAll(text, "&LL", dayOfYear);
    replaceAll(text, "&H", hour);
    replaceAll(text, "&I", minute);
    replaceAll(text, "&S", second);
}

void formatDateTime(char* text, int offsetSeconds) {
    std::time_t now = std::time(nullptr) + offsetSeconds;
    std::tm when{};
    localTime(now, when); // left all zero if the system cannot convert the time
    expandDateTimeTokens(text, when);
}

void closeLogbook() {
    std::lock_guard<std::mutex> guard(logLock);
    if (logbook != nullptr)
        std::fclose(logbook);
    logbook = nullptr;
}

} // namespace tarnwick
