// The system services on Windows: the kernel's thread, file, module and clock services, and the C
// runtime's descriptors for the standard streams. Standard output keeps the runtime's text mode,
// so every line reaches the interface ending in carriage return and line feed; standard input
// is read through its handle, so its bytes arrive untranslated, as on every other system.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <io.h>
#include <time.h>
#include <vector>
#include <windows.h> // the build defines WIN32_LEAN_AND_MEAN and NOMINMAX

#include "platform/platform.h"

namespace tarnwick {

void prepareProcess() {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::setvbuf(stdin, nullptr, _IONBF, 0);
}

static DWORD WINAPI runThread(LPVOID procedure) {
    reinterpret_cast<void (*)()>(procedure)();
    return 0;
}

int startRaisedThread(void (*procedure)()) {
    HANDLE thread =
        CreateThread(nullptr, 0, runThread, reinterpret_cast<LPVOID>(procedure), 0, nullptr);
    if (thread == nullptr)
        return 0;
    SetThreadPriority(thread, THREAD_PRIORITY_ABOVE_NORMAL);
    CloseHandle(thread); // the thread is never joined
    return 1;
}

// A pipe whose writer has closed its end makes ReadFile fail with ERROR_BROKEN_PIPE; a redirected
// file at its end, and some pipes after the writer has gone, give a successful read of no bytes.
// Both are the end of the input.
int readInput(int descriptor, char* bytes, int capacity) {
    HANDLE input = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
    DWORD count = 0;
    if (input == INVALID_HANDLE_VALUE ||
        !ReadFile(input, bytes, static_cast<DWORD>(capacity), &count, nullptr))
        return 0;
    return static_cast<int>(count);
}

void closeInput(int descriptor) {
    _close(descriptor);
}

// The runtime's write translates each line feed of a text-mode descriptor and counts the bytes
// taken from the caller's buffer.
void writeOutput(int descriptor, const char* bytes, std::size_t length) {
    while (length > 0) {
        unsigned chunk = length > INT_MAX ? INT_MAX : static_cast<unsigned>(length);
        int written = _write(descriptor, bytes, chunk);
        if (written <= 0)
            return;
        bytes += written;
        length -= static_cast<std::size_t>(written);
    }
}

// Windows names files in UTF-16; the engine's texts are UTF-8, which takes every name.
static constexpr int LongestPath = 32768;

char* readRegularFile(const char* fileName, unsigned& size, void* (*allocate)(std::size_t)) {
    size = 0;
    std::vector<wchar_t> wideName(LongestPath);
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, fileName, -1, wideName.data(),
                            LongestPath) == 0)
        return nullptr;
    HANDLE file = CreateFileW(wideName.data(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr; // a folder cannot be opened this way either
    DWORD high = 0;
    DWORD low = GetFileSize(file, &high);
    if (GetFileType(file) != FILE_TYPE_DISK || (low == INVALID_FILE_SIZE && GetLastError()) ||
        high != 0 || low == 0 || low >= UINT_MAX) {
        CloseHandle(file);
        return nullptr;
    }
    unsigned fileSize = static_cast<unsigned>(low);
    char* buffer = static_cast<char*>(allocate(fileSize + 1));
    if (buffer == nullptr) {
        CloseHandle(file);
        return nullptr;
    }
    unsigned done = 0;
    while (done < fileSize) {
        DWORD got = 0;
        if (!ReadFile(file, buffer + done, fileSize - done, &got, nullptr) || got == 0)
            break;
        done += got;
    }
    CloseHandle(file);
    if (done != fileSize) {
        std::free(buffer);
        return nullptr;
    }
    size = fileSize;
    return buffer;
}

// The module's file name is the path the executable was started from.
int executableFolder(char* folder, int capacity) {
    std::vector<wchar_t> path(LongestPath);
    DWORD length = GetModuleFileNameW(nullptr, path.data(), LongestPath);
    if (capacity < 2 || length == 0 || length >= LongestPath) // failed, or cut short
        return 0;
    while (length > 0 && path[length - 1] != L'\\' && path[length - 1] != L'/')
        --length;
    if (length == 0)
        return 0;
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(length), folder,
                                          capacity - 1, nullptr, nullptr);
    if (bytes <= 0) // also when the text does not fit
        return 0;
    folder[bytes] = 0;
    return bytes;
}

int workingFolder(char* folder, int capacity) {
    std::vector<wchar_t> path(LongestPath);
    DWORD length = GetCurrentDirectoryW(LongestPath - 1, path.data());
    if (capacity < 3 || length == 0 || length >= LongestPath - 1) // failed, or cut short
        return 0;
    if (path[length - 1] != L'\\' && path[length - 1] != L'/')
        path[length++] = L'\\';
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(length), folder,
                                          capacity - 1, nullptr, nullptr);
    if (bytes <= 0) // also when the text does not fit
        return 0;
    folder[bytes] = 0;
    return bytes;
}

// The performance counter in whole milliseconds: GetTickCount moves in steps of the timer
// interrupt, about 16 ms, so that short searches would report a time of 0. The count is split
// into whole seconds and the rest, so that the product with 1000 cannot overflow.
std::uint32_t tickCount() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    const LONGLONG seconds = counter.QuadPart / frequency.QuadPart;
    const LONGLONG rest = counter.QuadPart % frequency.QuadPart;
    return static_cast<std::uint32_t>(seconds * 1000 + rest * 1000 / frequency.QuadPart);
}

void sleepMilliseconds(int milliseconds) {
    Sleep(static_cast<DWORD>(milliseconds));
}

int localTime(std::time_t when, std::tm& result) {
    return localtime_s(&result, &when) == 0;
}

} // namespace tarnwick
