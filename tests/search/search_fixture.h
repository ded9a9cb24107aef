// A fresh engine for every search test: board, channel, search state and tables reset, and the
// engine's output captured in a temporary file so the tests can read the lines it sent.
#pragma once

#include "board/board.h"
#include "board/move_notation.h"
#include "board/position_setup.h"
#include "channel/dispatcher.h"
#include "channel/input_reader.h"
#include "channel/options.h"
#include "channel/output_log.h"
#include "eval/endgame_data.h"
#include "search/move_ordering.h"
#include "search/search_reports.h"
#include "search/think_driver.h"
#include "search/time_control.h"
#include "search/transposition_table.h"

#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tarnwick_test {

class SearchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        using namespace tarnwick;
        resetCommandChannel();
        resetBoard();
        resetSearch();
        resetEndgameData();
        quietReports = 0;
        releaseTables();
        hashSizeMb = DefaultHashSizeMb;
        prepareTables();
        readOffset = 0;
        capture = std::tmpfile();
        ASSERT_NE(capture, nullptr);
        outputDescriptor = fileno(capture);
    }
    void TearDown() override {
        tarnwick::outputDescriptor = 1;
        std::fclose(capture);
    }

    // A fresh engine within one test (table-driven cases).
    void restart() {
        TearDown();
        SetUp();
    }

    // The lines the engine has sent since the last call.
    std::vector<std::string> sentLines() {
        std::vector<std::string> lines;
        std::fflush(capture);
        std::fseek(capture, readOffset, SEEK_SET);
        char buffer[20000];
        while (std::fgets(buffer, sizeof buffer, capture) != nullptr) {
            std::string line(buffer);
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
                line.pop_back();
            lines.push_back(line);
        }
        readOffset = std::ftell(capture);
        return lines;
    }

    // Sets up the position (argument text of `position`) and runs a search as `go` would.
    std::vector<std::string> search(const char* position, const char* goArguments) {
        setUp(position);
        std::snprintf(tarnwick::commandArgs, sizeof tarnwick::commandArgs, "%s", goArguments);
        tarnwick::think();
        return sentLines();
    }

    void setUp(const char* position) {
        std::snprintf(positionText, sizeof positionText, "%s", position);
        tarnwick::setupPosition(positionText);
    }

    // The last `info depth` line among the given lines; empty when there is none.
    static std::string lastInfo(const std::vector<std::string>& lines) {
        std::string found;
        for (const std::string& line : lines) {
            if (line.rfind("info depth ", 0) == 0)
                found = line;
        }
        return found;
    }

    // The value of a field of an `info` line ("score" gives "cp 20" or "mate 2").
    static std::string field(const std::string& line, const std::string& name) {
        const std::size_t at = line.find(" " + name + " ");
        if (at == std::string::npos)
            return "";
        const std::size_t start = at + name.size() + 2;
        std::size_t end = line.find(' ', start);
        if (name == "score")
            end = line.find(' ', end + 1);
        return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
    }

    static std::string bestMoveText() {
        tarnwick::Move line[tarnwick::LineSlots];
        tarnwick::copyRootLine(line);
        return tarnwick::moveToText(line[0]).text;
    }

    std::FILE* capture = nullptr;
    long readOffset = 0;
    char positionText[tarnwick::CommandBufferSize]{};
};

// A move record from its text and the codes the record carries.
inline tarnwick::Move makeMoveRecord(const char* text, int piece, int captured = 0,
                                     int kind = tarnwick::NormalMove) {
    const int from = (text[1] - '1') * 16 + (text[0] - 'a');
    const int to = (text[3] - '1') * 16 + (text[2] - 'a');
    return tarnwick::Move{.to = static_cast<std::int16_t>(to),
                          .from = static_cast<std::int16_t>(from),
                          .kind = static_cast<std::uint8_t>(kind),
                          .piece = static_cast<std::uint8_t>(piece),
                          .captured = static_cast<std::uint8_t>(captured)};
}

} // namespace tarnwick_test
