// Stand-ins until the board subsystem is built.
#include "board/board.h"
#include "board/make_unmake.h"
#include "board/move_generation.h"
#include "board/move_notation.h"
#include "board/position_setup.h"
#include "search/transposition_table.h"

namespace tarnwick {

int pieceAttacks(int, int, int) {
    return 0;
}
int isSquareAttacked(int, int) {
    return 0;
}
int isUnmoved(int, int, int) {
    return 0;
}
void buildPieceLists() {}
void buildAttackTable() {}
void computeKeysFromScratch(std::uint32_t& lock, std::uint32_t& index) {
    lock = index = 0;
}
void resetBoard() {}
void setupPosition(const char*) {}
int tryPromotions(SearchFrame*) {
    return 0;
}
int generateCaptures(int, SearchFrame*) {
    return 0;
}
int generateQuietMoves(int, SearchFrame*) {
    return 0;
}
int generateEnPassant(SearchFrame*) {
    return 0;
}
int generateCastling(SearchFrame*) {
    return 0;
}
int isMoveValid() {
    return 0;
}
void makeMove(const Move&) {}
void unmakeMove(const Move&) {}
MoveText moveToText(const Move&) {
    return MoveText{};
}
void playMoveText(const char*) {}
int ttProbe(int, int, int, std::int16_t&) {
    return 0;
}
void ttStore(int, int, int, int) {}
void prepareTables() {}
void releaseTables() {}

} // namespace tarnwick
