// A one-entry-per-slot table of search bounds, addressed by indexKey and verified by lockKey: a
// bound, its depth and its kind. Beside each entry the move that reached the bound is kept, for
// the lines shown to the GUI only: the search itself never reads it.
#pragma once

#include <cstdint>

#include "board/board.h"

namespace tarnwick {

enum BoundKind : std::uint8_t { UpperBound = 0, ExactBound = 1, LowerBound = 2 };

struct TtEntry {
    std::uint32_t lock;
    std::int16_t value;
    std::int8_t depth;
    std::uint8_t bound; // a BoundKind
};
static_assert(sizeof(TtEntry) == 8);

inline constexpr unsigned TtEntriesPerMb = 131072;
inline constinit TtEntry* ttTable = nullptr;
inline constinit std::uint32_t ttEntries = 0;

// A move as the table keeps it: from-square (marked for castling), to-square and a promotion's
// piece in 16 bits; 0 is no move (no move leads from a1 to a1).
using PackedMove = std::uint16_t;
inline constinit PackedMove* ttMoves = nullptr; // one per entry of ttTable

int ttProbe(int alpha, int beta, int depth, std::int16_t& result);
// Stores the bound of `value` in the window; `best` is the move that reached it (nullptr when no
// move did: a bound from the null move, or a node that failed low, keeps the move stored before).
void ttStore(int alpha, int beta, int depth, int value, const Move* best);
// The move stored for the current position, packed; 0 when there is none.
PackedMove ttStoredMove();
PackedMove packMove(const Move& move);
// The moves of the lines shown at the end of each iteration, by position, in a small memory of
// their own: they continue a shown line where the table keeps no move for the next position (a
// null-move cut keeps none). Never written or read by the search itself.
void rememberLineMove(PackedMove move);
PackedMove rememberedLineMove();

// Empties every entry of the table and the memory of shown lines (Clear Hash): the next search
// starts as after a fresh start.
void clearTable();

// Engine entry points for isready and quit. prepareTables allocates hashSizeMb MiB (1 while the
// option is 0); a size that cannot be had prints the out-of-memory line and leaves a 1 MiB table.
// releaseTables is safe before any prepareTables and twice.
void prepareTables();
void releaseTables();
// 1 when the key table, the transposition table and the attack table all exist: a search needs
// all three (they are absent before the first prepareTables or after an allocation failure).
int tablesArePresent();

} // namespace tarnwick
