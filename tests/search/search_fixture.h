// A fresh engine for every search test: board, channel, search state and tables reset, and the
// engine's output captured in a temporary file so the tests can read the lines it sent.
#pragma once

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

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
#include "test_support.h"

namespace tarnwick_test {

using namespace tarnwick;

class SearchTest : public ::testing::Test {
  protected:
    void SetUp() override {
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
        outputDescriptor = 1;
        std::fclose(capture);
    }
    void restart() { // a fresh engine within one test (table-driven cases)
        TearDown();
        SetUp();
    }

    // The lines the engine has sent since the last call.
    std::vector<std::string> sentLines() {
        std::vector<std::string> lines;
        std::fseek(capture, readOffset, SEEK_SET);
        char buffer[20000];
        while (std::fgets(buffer, sizeof buffer, capture) != nullptr) {
            lines.emplace_back(buffer);
            lines.back().erase(lines.back().find_last_not_of("\r\n") + 1);
        }
        readOffset = std::ftell(capture);
        return lines;
    }

    std::FILE* capture = nullptr;
    long readOffset = 0;
};

} // namespace tarnwick_test
