// A one-entry-per-slot table of search bounds, addressed by indexKey and verified by lockKey. It
// stores no move: a bound, its depth and its kind.
#pragma once

#include <cstdint>

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

int ttProbe(int alpha, int beta, int depth, std::int16_t& result);
void ttStore(int alpha, int beta, int depth, int value);

void prepareTables();
void releaseTables();

} // namespace tarnwick
