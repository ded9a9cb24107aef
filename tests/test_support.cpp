// Helpers shared by the test programs (see test_support.h).
#include "test_support.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

#include "board/position_setup.h"
#include "channel/options.h"
#include "eval/endgame_data.h"
#include "search/transposition_table.h"

namespace tarnwick_test {

void setPosition(const char* text, bool chess960) {
    tarnwick::prepareTables();
    tarnwick::resetBoard();
    tarnwick::chess960Option = chess960 ? 1 : 0;
    tarnwick::setupPosition(text);
}

static std::vector<tarnwick::Move> collected;
static bool collectLegalOnly = false;

std::vector<tarnwick::Move> generatedMoves(bool legalOnly) {
    collected.clear();
    collectLegalOnly = legalOnly;
    tarnwick::moveCallback = [](tarnwick::SearchFrame*) {
        using namespace tarnwick;
        const Move move = moveStack[currentSlot];
        makeMove(move);
        if (!collectLegalOnly || !isSquareAttacked(otherSide, pieceList[sideToMove][0].square))
            collected.push_back(move);
        unmakeMove(move);
        return 0;
    };
    tarnwick::generateAllMoves(nullptr);
    tarnwick::moveCallback = nullptr;
    return collected;
}

WorkingFolder::WorkingFolder()
    : path(makeTemporaryDirectory()), previous(std::filesystem::current_path().string()) {
    std::filesystem::current_path(path);
    tarnwick::resetEndgameData();
}

WorkingFolder::~WorkingFolder() {
    std::filesystem::current_path(previous);
    removeDirectory(path);
    tarnwick::resetEndgameData();
}

long long nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

static std::vector<std::string> commandFrom(const char* variable, const char* builtPath) {
    std::istringstream text(std::getenv(variable) ? std::getenv(variable) : "");
    std::vector<std::string> words{std::istream_iterator<std::string>(text), {}};
    return words.empty() ? std::vector<std::string>{builtPath} : words;
}

std::vector<std::string> engineCommand() {
    return commandFrom("TARNWICK_ENGINE", TARNWICK_ENGINE_PATH);
}

std::vector<std::string> toolCommand() {
    return commandFrom("TARNWICK_TOOL", TARNWICK_TOOL_PATH);
}

const std::string& lineEnd() {
    static const char* const setting = std::getenv("TARNWICK_LINE_END");
    static const std::string end = setting && std::string(setting) == "crlf" ? "\r\n" : "\n";
    return end;
}

std::string withLineFeeds(const std::string& text, const std::string& end) {
    std::string result;
    std::size_t start = 0;
    for (std::size_t feed; (feed = text.find('\n', start)) != std::string::npos; start = feed + 1) {
        const std::string line = text.substr(start, feed + 1 - start);
        result += line.ends_with(end) ? line.substr(0, line.size() - end.size()) + "\n"
                                      : line.substr(0, line.size() - 1) + "<bad line end>\n";
    }
    return result + text.substr(start);
}

EngineProcess::~EngineProcess() {
    end();
}

void EngineProcess::end() {
    closeInput();
    close(outputFd); // -1 when never started: a harmless failure
    if (childPid > 0 && kill(childPid, SIGKILL) == 0)
        waitpid(childPid, nullptr, 0);
    childPid = outputFd = -1;
    pending.clear();
    outputEnded = false;
}

bool EngineProcess::start(const std::vector<std::string>& command,
                          const std::string& workingDirectory,
                          const std::vector<std::string>& arguments, bool withErrors) {
    end();
    std::signal(SIGPIPE, SIG_IGN);
    int toChild[2], fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0)
        return false;
    inputFd = toChild[1]; // closed by the destructor, also when fork fails
    outputFd = fromChild[0];
    // Everything the child needs is made before fork: only async-signal-safe calls after it.
    std::vector<char*> argv;
    for (const std::vector<std::string>* words : {&command, &arguments})
        for (const std::string& word : *words)
            argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    if ((childPid = fork()) == 0) {
        dup2(toChild[0], STDIN_FILENO);
        dup2(fromChild[1], STDOUT_FILENO);
        if (withErrors)
            dup2(fromChild[1], STDERR_FILENO);
        signal(SIGPIPE, SIG_DFL);
        if (!workingDirectory.empty() && chdir(workingDirectory.c_str()) != 0)
            _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    return childPid > 0;
}

bool EngineProcess::sendRaw(const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        ssize_t written = inputFd < 0 ? -1 : write(inputFd, &bytes[done], bytes.size() - done);
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
    close(inputFd);
    inputFd = -1;
}
void EngineProcess::closeOutput() {
    close(outputFd);
    outputFd = -1;
}

bool EngineProcess::readLine(std::string& line, int timeoutMs) {
    const long long deadline = nowMs() + timeoutMs;
    std::size_t end;
    while ((end = pending.find('\n')) == std::string::npos) {
        long long left = deadline - nowMs();
        pollfd entry{.fd = outputFd, .events = POLLIN, .revents = 0};
        if (outputEnded || left <= 0 || poll(&entry, 1, static_cast<int>(left)) <= 0)
            return false;
        char chunk[4096];
        ssize_t got = read(outputFd, chunk, sizeof chunk);
        outputEnded = got <= 0;
        pending.append(chunk, got > 0 ? static_cast<std::size_t>(got) : 0);
    }
    line = withLineFeeds(pending.substr(0, end + 1), lineEnding);
    line.pop_back();
    pending.erase(0, end + 1);
    return true;
}

bool EngineProcess::readUntil(const std::string& prefix, std::vector<std::string>& lines,
                              int timeoutMs) {
    const long long deadline = nowMs() + timeoutMs;
    for (std::string line; readLine(line, static_cast<int>(deadline - nowMs()));) {
        lines.push_back(line);
        if (line.starts_with(prefix))
            return true;
    }
    return false;
}

bool EngineProcess::readToEnd(std::vector<std::string>& lines, int timeoutMs) {
    const long long deadline = nowMs() + timeoutMs;
    for (std::string line; readLine(line, static_cast<int>(deadline - nowMs()));)
        lines.push_back(line);
    if (outputEnded && !pending.empty())
        lines.push_back(std::exchange(pending, ""));
    return outputEnded;
}

bool EngineProcess::waitForExit(int& exitStatus, int timeoutMs) {
    const long long deadline = nowMs() + timeoutMs;
    for (int status = 0; childPid > 0; usleep(5000)) {
        if (waitpid(childPid, &status, WNOHANG) == childPid) {
            childPid = -1;
            exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return true;
        }
        if (nowMs() >= deadline) {
            kill(childPid, SIGKILL);
            waitpid(childPid, nullptr, 0);
            childPid = -1;
        }
    }
    return false;
}

int runTool(const std::vector<std::string>& arguments, std::vector<std::string>& lines,
            const std::string& folder) {
    EngineProcess tool;
    int status = -1;
    lines.clear();
    const bool ended = tool.start(toolCommand(), folder, arguments, true) &&
                       tool.readToEnd(lines, 120000) && tool.waitForExit(status, 120000);
    return ended ? status : -1;
}

std::string makeTemporaryDirectory() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/tarnwick-XXXXXX";
    return mkdtemp(pattern.data()) ? pattern : "";
}

void removeDirectory(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

bool readFile(const std::string& path, std::string& contents) {
    std::ifstream file(path, std::ios::binary);
    contents.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return file.is_open();
}

bool fileExists(const std::string& path) {
    return std::filesystem::exists(path);
}

} // namespace tarnwick_test
