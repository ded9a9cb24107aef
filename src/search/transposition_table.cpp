// The table of search bounds and the engine entry points that build and free the tables of the
// engine (keys, transposition table, attack table) on isready and quit.
#include "search/transposition_table.h"

#include <atomic>
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

static std::uint32_t slotOfPosition(const Position& pos) {
    return slotMask != 0 ? pos.indexKey & slotMask : pos.indexKey % ttEntries;
}

// Every thread of a search reads and writes entries and moves whole, with no order between
// threads: a probe that meets an entry written meanwhile by another thread reads the one or the
// other, and the lock tells whether it is this position's. A move read beside an entry may belong
// to another write of the same slot; every move taken from the table is checked legal before it
// is played or shown.
static TtEntry loadEntry(std::uint32_t slot) {
    return std::atomic_ref<TtEntry>(ttTable[slot]).load(std::memory_order_relaxed);
}
static void storeEntry(std::uint32_t slot, const TtEntry& entry) {
    std::atomic_ref<TtEntry>(ttTable[slot]).store(entry, std::memory_order_relaxed);
}
static PackedMove loadMove(std::uint32_t slot) {
    return std::atomic_ref<PackedMove>(ttMoves[slot]).load(std::memory_order_relaxed);
}
static void storeMove(std::uint32_t slot, PackedMove move) {
    std::atomic_ref<PackedMove>(ttMoves[slot]).store(move, std::memory_order_relaxed);
}

// A mate value counts plies from the root, but the same position can be reached at another ply.
// The table therefore keeps mate values counted from the stored position itself: the ply of the
// storing node is added on the way in and taken off again at the probing node's ply.
inline constexpr int MateDistanceThreshold = 31000;

static int valueForTable(const Position& pos, int value) {
    if (value > MateDistanceThreshold)
        return value + pos.ply;
    if (value < -MateDistanceThreshold)
        return value - pos.ply;
    return value;
}

static int valueFromTable(const Position& pos, int stored) {
    if (stored > MateDistanceThreshold)
        return stored - pos.ply;
    if (stored < -MateDistanceThreshold)
        return stored + pos.ply;
    return stored;
}

// The table does not know the fifty-move clock of the search that stored an entry. A mate for the
// side to move (exact or a lower bound) or against it (exact or an upper bound) is used only when
// it lands by the clock's limit; the other bounds stay true at any clock.
static bool mateMissesFiftyMoveLimit(const Position& pos, const TtEntry& entry) {
    if (entry.value > MateDistanceThreshold)
        return entry.bound != UpperBound && !mateLandsInTime(pos, MateScore - entry.value);
    if (entry.value < -MateDistanceThreshold)
        return entry.bound != LowerBound && !mateLandsInTime(pos, MateScore + entry.value);
    return false;
}

int ttProbe(const Position& pos, int alpha, int beta, int depth, std::int16_t& result) {
    if (ttTable == nullptr)
        return 0;
    const TtEntry entry = loadEntry(slotOfPosition(pos));
    if (entry.lock != pos.lockKey || depth > entry.depth || mateMissesFiftyMoveLimit(pos, entry))
        return 0;
    const int stored = valueFromTable(pos, entry.value);
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

PackedMove ttStoredMove(const Position& pos) {
    if (ttTable == nullptr)
        return 0;
    const std::uint32_t slot = slotOfPosition(pos);
    return loadEntry(slot).lock == pos.lockKey ? loadMove(slot) : 0;
}

void ttStore(const Position& pos, int alpha, int beta, int depth, int value, const Move* best) {
    if (ttTable == nullptr)
        return;
    const std::uint32_t slot = slotOfPosition(pos);
    TtEntry entry = loadEntry(slot);
    // A deeper result of the same position is never replaced by a shallower one.
    if (entry.lock == pos.lockKey && depth < entry.depth)
        return;
    // Without a move of its own the entry keeps the one it had for the same position.
    if (best != nullptr)
        storeMove(slot, packMove(*best));
    else if (entry.lock != pos.lockKey)
        storeMove(slot, 0);
    entry.lock = pos.lockKey;
    entry.depth = static_cast<std::int8_t>(depth > INT8_MAX ? INT8_MAX : depth);
    if (value >= beta) {
        entry.bound = LowerBound;
        entry.value = static_cast<std::int16_t>(valueForTable(pos, beta));
    } else if (value <= alpha) {
        entry.bound = UpperBound;
        entry.value = static_cast<std::int16_t>(valueForTable(pos, alpha));
    } else {
        entry.bound = ExactBound;
        entry.value = static_cast<std::int16_t>(valueForTable(pos, value));
    }
    storeEntry(slot, entry);
}

// The memory of shown lines: a slot by indexKey, checked by both keys.
struct RememberedMove {
    std::uint32_t lock;
    std::uint32_t index;
    PackedMove move;
};
inline constexpr std::uint32_t RememberedMoveSlots = 4096;
static RememberedMove rememberedMoves[RememberedMoveSlots];

void rememberLineMove(const Position& pos, PackedMove move) {
    rememberedMoves[pos.indexKey % RememberedMoveSlots] =
        RememberedMove{.lock = pos.lockKey, .index = pos.indexKey, .move = move};
}

PackedMove rememberedLineMove(const Position& pos) {
    const RememberedMove& slot = rememberedMoves[pos.indexKey % RememberedMoveSlots];
    return slot.lock == pos.lockKey && slot.index == pos.indexKey ? slot.move : 0;
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
    if (entries > UINT32_MAX || bytes + entries * sizeof(PackedMove) > SIZE_MAX) {
        // Beyond what the index or the address space can hold: the same message, with the size.
        reportError(OutOfMemoryFormat, static_cast<unsigned long long>(bytes));
        return 0;
    }
    ttTable = static_cast<TtEntry*>(allocZeroed(static_cast<std::size_t>(bytes)));
    if (ttTable == nullptr)
        return 0;
    ttMoves = static_cast<PackedMove*>(
        allocZeroed(static_cast<std::size_t>(entries * sizeof(PackedMove))));
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
