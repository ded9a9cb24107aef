// The system services on Linux and other POSIX systems: file descriptors, a detached standard
// thread whose nice value is lowered where allowed, the executable's path from /proc and the
// monotonic clock.
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

#include "platform/platform.h"

namespace tarnwick {

void prepareProcess() {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::setvbuf(stdin, nullptr, _IONBF, 0);
    // An interface that has closed its end makes writes fail instead of ending the process; the
    // reader then finds the end of input and the engine quits in order.
    std::signal(SIGPIPE, SIG_IGN);
}

// One nice step below the process's own: the reader should win the processor from a searching
// main thread, so that `stop` and `isready` are served at once. Lowering the nice value needs a
// privilege that many systems withhold; the call then fails and changes nothing.
static void runRaised(void (*procedure)()) {
    int current = getpriority(PRIO_PROCESS, 0);
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), current - 1);
    procedure();
}

int startRaisedThread(void (*procedure)()) {
    try {
        std::thread thread(runRaised, procedure);
        thread.detach();
    } catch (const std::system_error&) {
        return 0;
    }
    return 1;
}

int readInput(int descriptor, char* bytes, int capacity) {
    for (;;) {
        ssize_t count = read(descriptor, bytes, static_cast<std::size_t>(capacity));
        if (count < 0 && errno == EINTR)
            continue;
        return count > 0 ? static_cast<int>(count) : 0;
    }
}

void closeInput(int descriptor) {
    close(descriptor);
}

void writeOutput(int descriptor, const char* bytes, std::size_t length) {
    while (length > 0) {
        ssize_t written = write(descriptor, bytes, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        bytes += written;
        length -= static_cast<std::size_t>(written);
    }
}

char* readRegularFile(const char* fileName, unsigned& size, void* (*allocate)(std::size_t)) {
    size = 0;
    int fd = open(fileName, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0 ||
        static_cast<unsigned long long>(info.st_size) >= UINT_MAX) {
        close(fd);
        return nullptr;
    }
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    unsigned fileSize = static_cast<unsigned>(info.st_size);
    char* buffer = static_cast<char*>(allocate(fileSize + 1));
    if (buffer == nullptr) {
        close(fd);
        return nullptr;
    }
    // A read may deliver less than asked without the file being short; only the end of the file
    // before the expected size counts as a short read.
    unsigned done = 0;
    while (done < fileSize) {
        ssize_t got = read(fd, buffer + done, fileSize - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<unsigned>(got);
    }
    close(fd);
    if (done != fileSize) {
        std::free(buffer);
        return nullptr;
    }
    size = fileSize;
    return buffer;
}

// /proc/self/exe names the executable itself, every link on the way resolved: an engine started
// as /usr/games/tarnwick, a link, gets the folder it is installed in. Systems without /proc get 0.
int executableFolder(char* folder, int capacity) {
    if (capacity < 2)
        return 0;
    ssize_t length = readlink("/proc/self/exe", folder, static_cast<std::size_t>(capacity - 1));
    if (length <= 0 || length >= capacity - 1) // failed, or perhaps cut short
        return 0;
    while (length > 0 && folder[length - 1] != '/')
        --length;
    folder[length] = 0;
    return static_cast<int>(length);
}

int workingFolder(char* folder, int capacity) {
    if (capacity < 3 || getcwd(folder, static_cast<std::size_t>(capacity - 1)) == nullptr)
        return 0;
    std::size_t length = std::strlen(folder);
    if (length == 0 || folder[0] != '/') // Linux may name a folder that is gone "(unreachable)"
        return 0;
    if (folder[length - 1] != '/') {
        folder[length++] = '/';
        folder[length] = 0;
    }
    return static_cast<int>(length);
}

std::uint32_t tickCount() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void sleepMilliseconds(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

int localTime(std::time_t when, std::tm& result) {
    return localtime_r(&when, &result) != nullptr;
}

} // namespace tarnwick
