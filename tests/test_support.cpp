// Helpers shared by the test programs: a child process driven through pipes as a chess GUI
// drives the engine, and fresh temporary directories for tests that read or write files.
#include "test_support.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tarnwick_test {

static long long nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

static void closeIfOpen(int& fd) {
    if (fd >= 0)
        close(fd);
    fd = -1;
}

EngineProcess::~EngineProcess() {
    closeIfOpen(inputFd);
    closeIfOpen(outputFd);
    if (childPid > 0) {
        kill(childPid, SIGKILL);
        waitpid(childPid, nullptr, 0);
    }
}

bool EngineProcess::start(const std::string& path, const std::string& workingDirectory,
                          const std::vector<std::string>& arguments) {
    std::signal(SIGPIPE, SIG_IGN);
    int toChild[2];
    int fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0)
        return false;
    if (pipe2(fromChild, O_CLOEXEC) != 0) {
        close(toChild[0]);
        close(toChild[1]);
        return false;
    }
    // Everything the child needs is prepared before fork: only async-signal-safe calls after it.
    std::vector<std::string> argumentTexts{path};
    argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : argumentTexts)
        argv.push_back(text.data());
    argv.push_back(nullptr);

    pid_t pid = fork();
    if (pid < 0) {
        for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]})
            close(fd);
        return false;
    }
    if (pid == 0) {
        dup2(toChild[0], STDIN_FILENO);
        dup2(fromChild[1], STDOUT_FILENO);
        signal(SIGPIPE, SIG_DFL);
        if (!workingDirectory.empty() && chdir(workingDirectory.c_str()) != 0)
            _exit(126);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    childPid = pid;
    inputFd = toChild[1];
    outputFd = fromChild[0];
    pending.clear();
    outputEnded = false;
    return true;
}

bool EngineProcess::sendRaw(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (inputFd < 0)
            return false;
        ssize_t written = write(inputFd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

bool EngineProcess::sendLine(const std::string& line) {
    return sendRaw(line + "\n");
}

void EngineProcess::closeInput() {
    closeIfOpen(inputFd);
}

bool EngineProcess::fillPending(long long deadlineMs) {
    if (outputEnded || outputFd < 0)
        return false;
    for (;;) {
        long long left = deadlineMs - nowMs();
        if (left <= 0)
            return false;
        pollfd entry{.fd = outputFd, .events = POLLIN, .revents = 0};
        int ready = poll(&entry, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        char chunk[4096];
        ssize_t got = read(outputFd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            outputEnded = true;
            return false;
        }
        pending.append(chunk, static_cast<std::size_t>(got));
        return true;
    }
}

bool EngineProcess::readLine(std::string& line, int timeoutMs) {
    long long deadline = nowMs() + timeoutMs;
    for (;;) {
        std::size_t end = pending.find('\n');
        if (end != std::string::npos) {
            line = pending.substr(0, end);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            pending.erase(0, end + 1);
            return true;
        }
        if (!fillPending(deadline))
            return false;
    }
}

bool EngineProcess::readUntil(const std::string& prefix, std::vector<std::string>& lines,
                              int timeoutMs) {
    long long deadline = nowMs() + timeoutMs;
    std::string line;
    for (;;) {
        long long left = deadline - nowMs();
        if (left <= 0 || !readLine(line, static_cast<int>(left)))
            return false;
        lines.push_back(line);
        if (line.compare(0, prefix.size(), prefix) == 0)
            return true;
    }
}

bool EngineProcess::readToEnd(std::vector<std::string>& lines, int timeoutMs) {
    long long deadline = nowMs() + timeoutMs;
    std::string line;
    for (;;) {
        long long left = deadline - nowMs();
        if (left <= 0)
            return false;
        if (readLine(line, static_cast<int>(left))) {
            lines.push_back(line);
            continue;
        }
        if (outputEnded) {
            if (!pending.empty())
                lines.push_back(pending);
            pending.clear();
            return true;
        }
        return false;
    }
}

bool EngineProcess::waitForExit(int& exitStatus, int timeoutMs) {
    if (childPid <= 0)
        return false;
    long long deadline = nowMs() + timeoutMs;
    for (;;) {
        int status = 0;
        pid_t done = waitpid(childPid, &status, WNOHANG);
        if (done == childPid) {
            childPid = -1;
            exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return true;
        }
        if (done < 0 && errno != EINTR)
            return false;
        if (nowMs() >= deadline) {
            kill(childPid, SIGKILL);
            waitpid(childPid, nullptr, 0);
            childPid = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::string makeTemporaryDirectory() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/tarnwick-test-XXXXXX";
    std::vector<char> text(pattern.begin(), pattern.end());
    text.push_back('\0');
    if (mkdtemp(text.data()) == nullptr)
        return "";
    return std::string(text.data());
}

void removeDirectory(const std::string& path) {
    if (path.empty())
        return;
    if (DIR* dir = opendir(path.c_str())) {
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..")
                unlink((path + "/" + name).c_str());
        }
        closedir(dir);
    }
    rmdir(path.c_str());
}

bool readFile(const std::string& path, std::string& contents) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    std::ostringstream buffer;
    buffer << file.rdbuf();
    contents = buffer.str();
    return true;
}

bool fileExists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

bool matchesShape(const std::string& text, const std::string& shape) {
    if (text.size() != shape.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char want = shape[i];
        char got = text[i];
        if (want == '#' ? (got < '0' || got > '9') : (want != '?' && want != got))
            return false;
    }
    return true;
}

} // namespace tarnwick_test
