// The alpha-beta search below the root: searchNode handles one position, searchMove one move of
// it, called by the generators through moveCallback.
#pragma once

#include <cstdint>

#include "board/board.h"

namespace tarnwick {

inline constexpr int MateScore = 32000;
inline constexpr int MateFound = 31000; // a value beyond it, either way, is a mate
inline constexpr int FullWindow = 32001;
inline constexpr int LineSlots = 64;
inline constexpr int FrameCount = 63; // plies 0 to 62

enum GenStage : std::uint8_t {
    StagePv = 1,
    StageRecaptures = 2,
    StageKillers = 3,
    StageRemaining = 4,
    StagePlain = 5,
};

struct SearchFrame {
    std::int16_t alpha;
    std::int16_t beta;
    std::int16_t depth; // 0 or less: quiescence
    std::int16_t best;
    std::int16_t parentScore; // static score seen by the side that made the move leading here
    Move* parentLine;         // the caller's line buffer, indexed by absolute ply
    std::uint8_t stage;       // a GenStage
    Move line[LineSlots];     // line buffer handed to this node's children
    std::uint8_t inCheck;     // 1 when the side to move here is in check
};

struct SearchState;

int searchNode(SearchState& search, int alpha, int beta, int depth, int parentScore,
               Move* parentLine, int inCheck);
// The generators' callback of the search: `pos` is the position of a SearchState.
int searchMove(Position& pos, SearchFrame* frame);
void generateNodeMoves(SearchState& search, SearchFrame* frame);

} // namespace tarnwick
