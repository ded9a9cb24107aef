// The table of search bounds and the engine entry points that build and free the tables of the
// engine (keys, transposition table, attack table) on isready and quit.
#include "search/transposition_table.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "board/board.h"
#include "channel/options.h"
#include "channel/output_log.h"
#include "channel/runtime_services.h"
#include "search/node_search.h"

namespace tarnwick {

// The entry count asked for by the last prepareTables, kept apart from ttEntries so that a size
// that could not be had is not tried again (and the fallback table not cleared) at every isready.
static std::uint64_t requestedEntries = 0;

// The slot of the position is indexKey modulo ttEntries. For the usual sizes (a power of two
// MiB) the entry count is a power of two, and a mask picks the same slot as the remainder
// without a division at every probe and store; 0 means the count is not a power of two.
static std::uint32_t slotMask = 0;

static std::uint32_t slotOfPosition() {
    return slotMask != 0 ? indexKey & slotMask : indexKey % ttEntries;
}

// A mate value counts plies from the root, but the same position can be reached at another ply.
// The table therefore keeps mate values counted from the stored position itself: the ply of the
// storing node is added on the way in and taken off again at the probing node's ply.
inline constexpr int MateDistanceThreshold = 31000;

static int valueForTable(int value) {
    if (value > MateDistanceThreshold)
        return value + ply;
    if (value < -MateDistanceThreshold)
        return value - ply;
    return value;
}

static int valueFromTable(int stored) {
    if (stored > MateDistanceThreshold)
        return stored - ply;
    if (stored < -MateDistanceThreshold)
        return stored + ply;
    return stored;
}

// The table does not know the fifty-move clock of the search that stored an entry. A mate for the
// side to move (exact or a lower bound) or against it (exact or an upper bound) is used only when
// it lands by the clock's limit; the other bounds stay true at any clock.
static bool mateMissesFiftyMoveLimit(const TtEntry& entry) {
    if (entry.value > MateDistanceThreshold)
        return entry.bound != UpperBound && !mateLandsInTime(MateScore - entry.value);
    if (entry.value < -MateDistanceThreshold)
        return entry.bound != LowerBound && !mateLandsInTime(MateScore + entry.value);
    return false;
}

int ttProbe(int alpha, int beta, int depth, std::int16_t& result) {
    if (ttTable == nullptr)
        return 0;
    const TtEntry& entry = ttTable[slotOfPosition()];
    if (entry.lock != lockKey || depth > entry.depth || mateMissesFiftyMoveLimit(entry))
        return 0;
    const int stored = valueFromTable(entry.value);
    switch (entry.bound) {
    case ExactBound: {
        int value = stored;
        if (value > beta)
            value = beta;
        if (value < alpha)
            value = alpha;
        result = static_cast<std::int16_t>(value);
        return 1;
    }
    case LowerBound:
        if (beta <= stored) {
            result = static_cast<std::int16_t>(beta);
            return 1;
        }
        return 0;
    case UpperBound:
        if (alpha >= stored) {
            result = static_cast<std::int16_t>(alpha);
            return 1;
        }
        return 0;
    default:
        return 0;
    }
}

PackedMove packMove(const Move& move) {
    const int promoted = move.kind == Promotion ? move.piece : 0;
    // Castling sets bit 3 of the origin, which no square of the board has: in Chess960 a castling
    // and a king's step can share their squares (king f1 and rook h1: both go from f1 to g1).
    static constexpr int CastlingMark = 0x08;
    const int castlingMark =
        move.kind == CastleKingSide || move.kind == CastleQueenSide ? CastlingMark : 0;
    return static_cast<PackedMove>((move.from | castlingMark) | move.to << 7 | promoted << 14);
}

PackedMove ttStoredMove() {
    if (ttTable == nullptr)
        return 0;
    const std::uint32_t slot = slotOfPosition();
    return ttTable[slot].lock == lockKey ? ttMoves[slot] : 0;
}

void ttStore(int alpha, int beta, int depth, int value, const Move* best) {
    if (ttTable == nullptr)
        return;
    const std::uint32_t slot = slotOfPosition();
    TtEntry& entry = ttTable[slot];
    // A deeper result of the same position is never replaced by a shallower one.
    if (entry.lock == lockKey && depth < entry.depth)
        return;
    // Without a move of its own the entry keeps the one it had for the same position.
    if (best != nullptr)
        ttMoves[slot] = packMove(*best);
    else if (entry.lock != lockKey)
        ttMoves[slot] = 0;
    entry.lock = lockKey;
    entry.depth = static_cast<std::int8_t>(depth > INT8_MAX ? INT8_MAX : depth);
    if (value >= beta) {
        entry.bound = LowerBound;
        entry.value = static_cast<std::int16_t>(valueForTable(beta));
    } else if (value <= alpha) {
        entry.bound = UpperBound;
        entry.value = static_cast<std::int16_t>(valueForTable(alpha));
    } else {
        entry.bound = ExactBound;
        entry.value = static_cast<std::int16_t>(valueForTable(value));
    }
}

// The memory of shown lines: a slot by indexKey, checked by both keys.
struct RememberedMove {
    std::uint32_t lock;
    std::uint32_t index;
    PackedMove move;
};
inline constexpr std::uint32_t RememberedMoveSlots = 4096;
static RememberedMove rememberedMoves[RememberedMoveSlots];

void rememberLineMove(PackedMove move) {
    rememberedMoves[indexKey % RememberedMoveSlots] =
        RememberedMove{.lock = lockKey, .index = indexKey, .move = move};
}

PackedMove rememberedLineMove() {
    const RememberedMove& slot = rememberedMoves[indexKey % RememberedMoveSlots];
    return slot.lock == lockKey && slot.index == indexKey ? slot.move : 0;
}

static void forgetLineMoves() {
    std::memset(static_cast<void*>(rememberedMoves), 0, sizeof rememberedMoves);
}

void clearTable() {
    forgetLineMoves();
    if (ttTable == nullptr)
        return;
    std::memset(static_cast<void*>(ttTable), 0, sizeof(TtEntry) * ttEntries);
    std::memset(ttMoves, 0, sizeof(PackedMove) * ttEntries);
}

// Allocates a zero-filled table of `entries`; 0 (after the out-of-memory line) when it cannot.
static int allocateTable(std::uint64_t entries) {
    const std::uint64_t bytes = entries * sizeof(TtEntry);
    if (bytes > UINT32_MAX) {
        // Beyond what the allocation service can be asked for: the same message, with the size.
        reportError("%llu Bytes Arbeitsspeicher nicht mehr verf\x81gbar",
                    static_cast<unsigned long long>(bytes));
        return 0;
    }
    ttTable = static_cast<TtEntry*>(allocZeroed(static_cast<unsigned>(bytes)));
    if (ttTable == nullptr)
        return 0;
    ttMoves =
        static_cast<PackedMove*>(allocZeroed(static_cast<unsigned>(entries * sizeof(PackedMove))));
    if (ttMoves == nullptr) {
        std::free(ttTable);
        ttTable = nullptr;
        return 0;
    }
    ttEntries = static_cast<std::uint32_t>(entries);
    slotMask = (ttEntries & (ttEntries - 1)) == 0 ? ttEntries - 1 : 0;
    return 1;
}

void prepareTables() {
    const std::uint64_t wanted = static_cast<std::uint64_t>(hashSizeForTables()) * TtEntriesPerMb;
    if (wanted != requestedEntries) {
        releaseTables();
        buildHashKeys(HashKeyBytes);
        // A size that cannot be had leaves the engine with the smallest table, never none.
        if (!allocateTable(wanted))
            allocateTable(TtEntriesPerMb);
        requestedEntries = wanted;
    }
    if (hashKeys == nullptr)
        buildHashKeys(HashKeyBytes);
    if (ttTable == nullptr)
        allocateTable(TtEntriesPerMb);
    if (attackTable == nullptr)
        buildAttackTable();
}

void releaseTables() {
    forgetLineMoves();
    std::free(hashKeys);
    hashKeys = nullptr;
    hashKeysLength = 0;
    std::free(ttTable);
    ttTable = nullptr;
    std::free(ttMoves);
    ttMoves = nullptr;
    ttEntries = 0;
    slotMask = 0;
    requestedEntries = 0;
    std::free(attackTable);
    attackTable = nullptr;
}

int tablesArePresent() {
    return hashKeys != nullptr && ttTable != nullptr && attackTable != nullptr ? 1 : 0;
}

} // namespace tarnwick
