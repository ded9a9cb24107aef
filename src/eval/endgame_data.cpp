// Exact scores of three-man endings. King and bishop or knight against king and two bare kings are
// draws; king and queen, rook or pawn against king are read from "Endgame.bin", one byte per
// normalised position, loaded whole the first time a probe needs it and kept for the process. The
// file is looked for in the working folder, then beside the executable; an `info string` tells
// the interface which file was read, or that none was.
#include "eval/endgame_data.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "board/board.h"
#include "channel/dispatcher.h"
#include "channel/output_log.h"
#include "channel/runtime_services.h"
#include "search/node_search.h"
#include "search/search_reports.h"

namespace tarnwick {

// Key fields: bit 0 the side to move, then rank and file of the strong man, the weak king and the
// strong king, three bits each.
static constexpr int EndgameKeyLimit = 1 << 19;
static constexpr int StrongKingUnit = 8192;
static constexpr int WeakKingUnit = 128;
static constexpr int StrongManUnit = 2;
static constexpr int RankFields = 0xE38E;  // the three rank fields
static constexpr int FileFields = 0x71C70; // the three file fields
static constexpr int StrongKingOnFilesEToH = 1 << 18;
static constexpr int StrongKingOnRanks5To8 = 1 << 15;
// Subtracted from a key to compress a strong king of the triangle a1-d4 on the b-, c- or d-file.
static constexpr int TriangleCompression[4] = {0, 5 * StrongKingUnit, 11 * StrongKingUnit,
                                               18 * StrongKingUnit};
static constexpr int HighestMateDistance = 200;

// Data of the file, at least EndgameFileSize bytes, or null; loading is tried once per process.
// The threads of a parallel search probe at once: the first that needs the data loads it under
// the lock, and the others see it published whole.
static std::atomic<char*> endgameData{nullptr};
static std::atomic<int> endgameLoadAllowed{1};
static std::mutex endgameLoadLock;

// What the one load found, in the words of the `info string` line owed to the interface.
static constexpr int FolderCapacity = 4096;
static char endgameNotice[2 * FolderCapacity + 128];
static std::atomic<int> endgameNoticeOwed{0};

void resetEndgameData() {
    std::free(endgameData.exchange(nullptr));
    endgameLoadAllowed.store(1);
    endgameNoticeOwed.store(0);
}

// A file too short to hold every section counts as missing, so no offset can lie beyond the data.
static char* readEndgameFile(const char* fileName) {
    unsigned size = 0;
    char* data = readWholeFile(fileName, size);
    if (data != nullptr && size < static_cast<unsigned>(EndgameFileSize)) {
        std::free(data);
        data = nullptr;
    }
    return data;
}

// The working folder comes first, as it always has. A GUI may start the engine in any folder,
// though, and an installed engine lives apart from its user's files: without a usable file in the
// working folder, the one beside the executable serves. Either way the user learns what was
// found, with the folders by their full names: a GUI seldom shows where it starts its engines.
static char* loadEndgameData() {
    static char working[FolderCapacity];
    static char beside[FolderCapacity + sizeof EndgameFileName];
    const bool workingKnown = workingFolder(working, FolderCapacity) > 0;
    if (!workingKnown)
        std::snprintf(working, sizeof working, "the working folder");
    char* data = readEndgameFile(EndgameFileName);
    if (data != nullptr) {
        std::snprintf(endgameNotice, sizeof endgameNotice, "Endgame.bin read from %s%s", working,
                      workingKnown ? EndgameFileName : "");
    } else {
        const int folderLength = executableFolder(beside, FolderCapacity);
        if (folderLength > 0) {
            std::memcpy(beside + folderLength, EndgameFileName, sizeof EndgameFileName);
            data = readEndgameFile(beside);
        }
        if (data != nullptr) {
            std::snprintf(endgameNotice, sizeof endgameNotice, "Endgame.bin read from %s", beside);
        } else {
            if (folderLength > 0)
                beside[folderLength] = 0;
            const char* other = folderLength > 0 ? beside : "the engine's folder";
            const bool oneFolder = std::strcmp(working, other) == 0; // started in its own folder
            std::snprintf(endgameNotice, sizeof endgameNotice,
                          "No readable Endgame.bin in %s%s%s; endings of three men are played by "
                          "search alone",
                          working, oneFolder ? "" : " or in ", oneFolder ? "" : other);
        }
    }
    endgameNoticeOwed.store(1, std::memory_order_release);
    return data;
}

// The data, loaded by the first probe that needs them; null without a usable file.
static const char* endgameDataLoaded() {
    const char* data = endgameData.load(std::memory_order_acquire);
    if (data != nullptr || endgameLoadAllowed.load(std::memory_order_acquire) == 0)
        return data;
    const std::lock_guard<std::mutex> guard(endgameLoadLock);
    if (endgameLoadAllowed.load(std::memory_order_relaxed) != 0) {
        endgameData.store(loadEndgameData(), std::memory_order_release);
        endgameLoadAllowed.store(0, std::memory_order_release);
    }
    return endgameData.load(std::memory_order_acquire);
}

void sendEndgameNotice() {
    if (endgameNoticeOwed.load(std::memory_order_acquire) == 0 || quietReports ||
        bestMoveOwed.load(std::memory_order_acquire) == 0)
        return;
    endgameNoticeOwed.store(0, std::memory_order_relaxed);
    sendLine("info string %s", endgameNotice);
}

int endgameOffset(int key, int strongPiece) {
    if (key < 0 || key >= EndgameKeyLimit)
        return -1;
    if (strongPiece != Queen && strongPiece != Rook && strongPiece != Pawn)
        return -1;
    // Mirror in the files so that the strong king stands on files a to d.
    if (key & StrongKingOnFilesEToH)
        key ^= FileFields;
    if (strongPiece == Pawn)
        return EndgamePawnOffset + key;
    // Queen and rook endings are symmetric in the ranks and the diagonal too: bring the strong king
    // into the triangle a1, a2, a3, a4, b2, b3, b4, c3, c4, d4 and number it 0 to 9.
    if (key & StrongKingOnRanks5To8)
        key ^= RankFields;
    const int kingFile = (key >> 16) & 7;
    const int kingRank = (key >> 13) & 7;
    if (kingFile > kingRank)
        key = ((key & FileFields) >> 3) | ((key & RankFields) << 3) | (key & 1);
    key -= TriangleCompression[(key >> 16) & 7];
    return (strongPiece == Queen ? EndgameQueenOffset : EndgameRookOffset) + key;
}

int endgameLookup(int key, int strongPiece) {
    const char* data = endgameDataLoaded();
    if (data == nullptr)
        return EndgameNoKnowledge;
    const int offset = endgameOffset(key, strongPiece);
    if (offset < 0 || offset >= EndgameFileSize)
        return EndgameNoKnowledge;
    return static_cast<unsigned char>(data[offset]);
}

// Square index inside the data: file * 8 + rank.
static int dataSquare(int square) {
    return fileOf(square) * 8 + rankOf(square);
}

int probeEndgame(const Position& pos) {
    // 1. Two bare kings.
    if (pos.pieceCount <= 2)
        return 0;

    // 2. The one man besides the kings; its colour is the strong side.
    int strong = -1;
    const PieceEntry* man = nullptr;
    for (int c = White; c <= Black && man == nullptr; ++c) {
        for (int i = 1; i <= pos.lastPieceIndex[c]; ++i) {
            if (pos.pieceList[c][i].piece != Empty) {
                man = &pos.pieceList[c][i];
                strong = c;
                break;
            }
        }
    }
    if (man == nullptr)
        return EndgameNoKnowledge;

    // 3. A minor piece cannot mate.
    if (man->piece == Bishop || man->piece == Knight)
        return 0;

    // 4. and 5. The key, with the strong side playing up the board; the side bit is 1 when the
    // weak side is to move after this move, that is when the strong side has just moved.
    int key = dataSquare(pos.pieceList[strong][0].square) * StrongKingUnit +
              dataSquare(pos.pieceList[1 - strong][0].square) * WeakKingUnit +
              dataSquare(man->square) * StrongManUnit;
    if (strong == Black)
        key ^= RankFields;
    const int weakToMove = strong == pos.sideToMove ? 1 : 0;

    // 6. and 7.
    const int value = endgameLookup(key + weakToMove, man->piece);
    if (value == EndgameDraw)
        return 0;
    if (value > HighestMateDistance)
        return EndgameNoKnowledge;
    // A mate the fifty-move rule would forestall is no mate: the search goes on from here, and a
    // pawn move on the way resets the clock.
    if (!mateLandsInTime(pos, 2 * value + weakToMove - 1))
        return EndgameNoKnowledge;

    // 8. Mate in `value` moves of the strong side, counted in plies from the root.
    const int score = MateScore - (weakToMove + 2 * value + pos.ply);
    return weakToMove ? score : -score;
}

} // namespace tarnwick
