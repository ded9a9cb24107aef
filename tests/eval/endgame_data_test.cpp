// The endgame probe: key normalisation, mate score arithmetic, and the data file present, missing,
// empty, short, long or holding bytes without meaning. Each test runs in a fresh directory.
#include "eval/endgame_data.h"
#include "eval_test_support.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

constexpr int RankFields = 0xE38E;
constexpr int FileFields = 0x71C70;
constexpr int QueenExampleOffset = 32137; // worked example: Ke1 Qd1 against ke8, black to move

int dataSquare(const char* name) {
    return (name[0] - 'a') * 8 + (name[1] - '1');
}

int endgameKey(const char* strongKing, const char* weakKing, const char* man, int weakToMove) {
    return dataSquare(strongKing) * 8192 + dataSquare(weakKing) * 128 + dataSquare(man) * 2 +
           weakToMove;
}

int mirrorDiagonal(int key) {
    return ((key & FileFields) >> 3) | ((key & RankFields) << 3) | (key & 1);
}

class EndgameData : public ::testing::Test {
  protected:
    void SetUp() override {
        previous = fs::current_path();
        char pattern[] = "/tmp/tarnwick-endgame-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory = pattern;
        fs::current_path(directory);
        resetEndgameData();
    }
    void TearDown() override {
        fs::current_path(previous);
        fs::remove_all(directory);
        resetEndgameData();
    }

    // A data file of `size` bytes of no knowledge, with some bytes set.
    static void writeEndgameFile(std::size_t size,
                                 const std::vector<std::pair<int, int>>& bytes = {}) {
        std::vector<char> data(size, static_cast<char>(EndgameNoKnowledge));
        for (const auto& [offset, value] : bytes)
            data[offset] = static_cast<char>(value);
        std::ofstream file(EndgameFileName, std::ios::binary);
        file.write(data.data(), static_cast<std::streamsize>(data.size()));
    }

    // Sets the position up with the side that has just moved as sideToMove, as the search probes;
    // the endgame data stay as they are.
    static int probeAfterMove(const char* position, int justMoved, int atPly) {
        prepareTables();
        resetBoard();
        setupPosition(position);
        sideToMove = justMoved;
        otherSide = 1 - justMoved;
        ply = atPly;
        const int result = probeEndgame();
        ply = 0;
        return result;
    }

    fs::path previous;
    fs::path directory;
};

TEST_F(EndgameData, WorkedExampleOffsets) {
    const int key = endgameKey("e1", "e8", "d1", 1);
    EXPECT_EQ(endgameOffset(key, Queen), EndgameQueenOffset + QueenExampleOffset);
    EXPECT_EQ(endgameOffset(key, Rook), EndgameRookOffset + QueenExampleOffset);
    // Pawn endings are only mirrored in the files: king d1, weak king d8, man e1.
    EXPECT_EQ(endgameOffset(key, Pawn), EndgamePawnOffset + endgameKey("d1", "d8", "e1", 1));
    EXPECT_EQ(endgameOffset(endgameKey("a1", "h8", "b2", 0), Pawn),
              EndgamePawnOffset + endgameKey("a1", "h8", "b2", 0));
    EXPECT_EQ(endgameOffset(-1, Queen), -1);
    EXPECT_EQ(endgameOffset(1 << 19, Rook), -1);
    EXPECT_EQ(endgameOffset(key, Bishop), -1);
}

// Every key lands inside its piece's section, and positions that differ only by a symmetry the
// normalisation removes share their byte.
TEST_F(EndgameData, EveryKeyLandsInItsSectionAndSymmetriesShareIt) {
    struct Section {
        int piece;
        int first;
        int end;
    };
    const Section sections[] = {{Queen, EndgameQueenOffset, EndgameRookOffset},
                                {Rook, EndgameRookOffset, EndgamePawnOffset},
                                {Pawn, EndgamePawnOffset, EndgameFileSize}};
    int outside = 0;
    int asymmetric = 0;
    for (const Section& section : sections) {
        for (int key = 0; key < (1 << 19); ++key) {
            const int offset = endgameOffset(key, section.piece);
            outside += offset < section.first || offset >= section.end;
            asymmetric += endgameOffset(key ^ FileFields, section.piece) != offset;
            if (section.piece == Pawn)
                continue;
            asymmetric += endgameOffset(key ^ RankFields, section.piece) != offset;
            const int kingFile = (key >> 16) & 7;
            const int kingRank = (key >> 13) & 7;
            const int foldedFile = kingFile < 4 ? kingFile : 7 - kingFile;
            const int foldedRank = kingRank < 4 ? kingRank : 7 - kingRank;
            if (foldedFile != foldedRank)
                asymmetric += endgameOffset(mirrorDiagonal(key), section.piece) != offset;
        }
    }
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(asymmetric, 0);
}

TEST_F(EndgameData, ProbeTurnsDistancesIntoMateScores) {
    struct Case {
        const char* position;
        int justMoved;
        int atPly;
        int offset;
        int value;
        int expected;
    };
    const Case cases[] = {
        // The strong side has just moved and the weak side is to move: t = 1.
        {"fen 4k3/8/8/8/8/8/8/3QK3 b - - 0 1", White, 7, QueenExampleOffset, 5, 31982},
        // The weak side has just moved: t = 0, the score is the strong side's, negated.
        {"fen 4k3/8/8/8/8/8/8/3QK3 w - - 0 1", Black, 7, QueenExampleOffset - 1, 5, -31983},
        // Black's rook ending is flipped in the ranks onto the same square set as the example.
        {"fen 3rk3/8/8/8/8/8/8/4K3 w - - 0 1", Black, 0, EndgameRookOffset + QueenExampleOffset, 7,
         31985},
        {"fen 4k3/8/8/8/8/8/8/3QK3 b - - 0 1", White, 0, QueenExampleOffset, 0, 31999},
        {"fen 4k3/8/8/8/8/8/8/3QK3 b - - 0 1", White, 0, QueenExampleOffset, 200, 31599},
        {"fen 4k3/8/8/8/8/8/8/3QK3 b - - 0 1", White, 0, QueenExampleOffset, 253, 0},
        {"fen 4k3/8/8/8/8/8/8/3QK3 b - - 0 1", White, 0, QueenExampleOffset, 201, 254},
        {"fen 4k3/8/8/8/8/8/8/3QK3 b - - 0 1", White, 0, QueenExampleOffset, 252, 254},
        {"fen 4k3/8/8/8/8/8/8/3QK3 b - - 0 1", White, 0, QueenExampleOffset, 254, 254},
        {"fen 4k3/8/8/8/8/8/8/3QK3 b - - 0 1", White, 0, QueenExampleOffset, 255, 254},
    };
    for (const Case& c : cases) {
        writeEndgameFile(EndgameFileSize, {{c.offset, c.value}});
        resetEndgameData();
        EXPECT_EQ(probeAfterMove(c.position, c.justMoved, c.atPly), c.expected)
            << c.position << " value " << c.value;
    }
}

TEST_F(EndgameData, PawnEndingsAreReadFromThePawnSection) {
    // White king e2, pawn e4, black king e8, white just moved: mirrored in the files to d2, d4, d8.
    const int offset = EndgamePawnOffset + endgameKey("d2", "d8", "d4", 1);
    writeEndgameFile(EndgameFileSize, {{offset, 9}});
    EXPECT_EQ(probeAfterMove("fen 4k3/8/8/8/4P3/8/4K3/8 b - - 0 1", White, 2),
              32000 - (1 + 18 + 2));
}

TEST_F(EndgameData, DrawsByRuleNeedNoFile) {
    struct Case {
        const char* position;
    };
    const Case cases[] = {{"fen 4k3/8/8/8/8/8/8/3BK3 b - - 0 1"},
                          {"fen 4k3/8/8/8/8/8/8/3NK3 b - - 0 1"},
                          {"fen 3nk3/8/8/8/8/8/8/4K3 w - - 0 1"},
                          {"fen 4k3/8/8/8/8/8/8/4K3 w - - 0 1"}};
    for (const Case& c : cases)
        EXPECT_EQ(probeAfterMove(c.position, White, 3), 0) << c.position;
    // None of them used up the one attempt to load the file.
    writeEndgameFile(EndgameFileSize, {{QueenExampleOffset, 5}});
    EXPECT_EQ(probeAfterMove("fen 4k3/8/8/8/8/8/8/3QK3 b - - 0 1", White, 7), 31982);
}

TEST_F(EndgameData, MissingFileIsLookedForOnlyOnce) {
    const char* position = "fen 4k3/8/8/8/8/8/8/3QK3 b - - 0 1";
    EXPECT_EQ(probeAfterMove(position, White, 7), EndgameNoKnowledge);
    writeEndgameFile(EndgameFileSize, {{QueenExampleOffset, 5}});
    EXPECT_EQ(probeAfterMove(position, White, 7), EndgameNoKnowledge);
    EXPECT_EQ(endgameLookup(endgameKey("e1", "e8", "d1", 1), Queen), EndgameNoKnowledge);
    resetEndgameData();
    EXPECT_EQ(probeAfterMove(position, White, 7), 31982);
}

// A file too short to hold every section counts as missing; a longer one is read for its first
// 425,984 bytes.
TEST_F(EndgameData, FileSizes) {
    struct Case {
        std::size_t size;
        int expected;
    };
    const Case cases[] = {{0, EndgameNoKnowledge},
                          {1000, EndgameNoKnowledge},
                          {EndgameFileSize - 1, EndgameNoKnowledge},
                          {EndgameFileSize, 5},
                          {EndgameFileSize + 4096, 5}};
    for (const Case& c : cases) {
        writeEndgameFile(c.size, c.size > QueenExampleOffset
                                     ? std::vector<std::pair<int, int>>{{QueenExampleOffset, 5}}
                                     : std::vector<std::pair<int, int>>{});
        resetEndgameData();
        EXPECT_EQ(endgameLookup(endgameKey("e1", "e8", "d1", 1), Queen), c.expected) << c.size;
        // The last byte of the pawn section is the last one ever read.
        EXPECT_EQ(endgameLookup((1 << 19) - 1, Pawn), EndgameNoKnowledge) << c.size;
    }
}

} // namespace
} // namespace tarnwick
