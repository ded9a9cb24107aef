// The full evaluation of the root: material and phase, mobility-like tables for the sliders and
// the knight from where the pawns and the enemy king stand, pawn advance and structure, king tables
// for the endgame or for driving a weaker king to the edge. The tree then only adds move changes.
#include "eval/root_evaluation.h"

#include <cstdlib>
#include <cstring>

#include "board/board.h"
#include "eval/endgame_data.h"
#include "eval/static_evaluation.h"

namespace tarnwick {

// clang-format off
// Indexed by relative rank (0 = the colour's own back rank).
static constexpr int advanceWeight[8] = {0, 0, 0, 0, 1, 2, 4, 4};
static constexpr int pawnAdvance[8]   = {0, 0, 0, 2, 4, 8, 30, 0};
static constexpr int passedPawn[8]    = {0, 0, 10, 20, 40, 60, 70, 0};
// Indexed by file; the e-file is worth most to a pawn.
static constexpr int pawnFileFactor[8] = {0, 0, 2, 5, 6, 2, 0, 0};
// Indexed by file or rank: how far from the four centre lines.
static constexpr int centreDistance[8] = {3, 2, 1, 0, 0, 1, 2, 3};
// clang-format on

// Below this much material (kings excluded) the phase is 0; above it each pawn's worth adds one.
static constexpr int EndgameMaterial = 8192;
static constexpr int PhaseUnit = 256;
// One side is clearly ahead when the poorer side has at most two bishops' worth and the gap is at
// least a rook against a bishop.
static constexpr int WeakerSideMaterialLimit = 2 * pieceValue[Bishop];
static constexpr int WeakerSideGapLimit = pieceValue[Rook] - pieceValue[Bishop];

static constexpr int KingDriveBase = 128;
static constexpr int KingEdgePenalty = 16;
static constexpr int PassedFileRookBonus = 16;
static constexpr int BlockedBishopPenalty = 20;
static constexpr int NoColour = -1;

static constexpr int RookSlider = 0;
static constexpr int BishopSlider = 1;

static int relativeRank(int colour, int square) {
    return colour == White ? rankOf(square) : 7 - rankOf(square);
}

static int centreDistanceOf(int square) {
    return centreDistance[fileOf(square)] + centreDistance[rankOf(square)];
}

// The king's square from entry 0 of its list, or -1 when the list holds no king there (a position
// the engine refuses to search, read here without harm).
static int kingSquareOf(const Position& pos, int colour) {
    const PieceEntry& entry = pos.pieceList[colour][0];
    return entry.piece == King && entry.square >= 0 && entry.square < BoardCells &&
                   isOnBoard(entry.square)
               ? entry.square
               : -1;
}

static int neighbourFiles(int fileMask) {
    return ((fileMask << 1) | (fileMask >> 1)) & 0xFF;
}

// Step 3: what a square is worth to reach for the colour's pieces: advance into the enemy half,
// the centre, and (unless the game has reached the endgame) the squares around the enemy king.
static void fillSquareWeights(const Position& pos, int phase, int squareWeights[2][BoardCells]) {
    for (int c = White; c <= Black; ++c) {
        for (int s = 0; s < BoardCells; ++s) {
            if (!isOnBoard(s))
                continue;
            const int centre = 8 - 3 * centreDistanceOf(s);
            squareWeights[c][s] = (3 * phase + 24) * advanceWeight[relativeRank(c, s)] / 32 +
                                  (centre > 0 ? centre : 0);
        }
        const int enemyKing = kingSquareOf(pos, 1 - c);
        if (phase > 0 && enemyKing >= 0) {
            for (int d = 0; d < 8; ++d) {
                const int t = enemyKing + directions[d];
                if (isOnBoard(t))
                    squareWeights[c][t] += (12 * phase + 96) / 32;
            }
        }
    }
}

// Step 4: a slider's value on a square is a quarter of the weights along each of its rays. A man
// that is neither the slider's own kind nor a queen halves every square beyond it (once, however
// many follow); a pawn ends the ray. The man on the square itself plays no part.
static void fillSliderValues(const Position& pos, const int squareWeights[2][BoardCells],
                             int sliderValues[2][2][BoardCells]) {
    for (int s = 0; s < BoardCells; ++s) {
        if (!isOnBoard(s))
            continue;
        for (int c = White; c <= Black; ++c) {
            for (int d = 0; d < 8; ++d) {
                const int slider = d < 4 ? RookSlider : BishopSlider;
                const int ownKind = d < 4 ? Rook : Bishop;
                int sum = 0;
                bool halved = false;
                for (int t = s + directions[d]; isOnBoard(t); t += directions[d]) {
                    sum += halved ? squareWeights[c][t] / 2 : squareWeights[c][t];
                    const int piece = pos.board[t].piece;
                    if (piece == Pawn)
                        break;
                    if (piece != Empty && piece != ownKind && piece != Queen)
                        halved = true;
                }
                sliderValues[c][slider][s] += sum / 4;
            }
        }
    }
}

// Step 5, one entry: the table value of a man of colour c and code piece on square s.
static int baseTableValue(const Position& pos, int c, int piece, int s, int phase, int weakerSide,
                          const int squareWeights[2][BoardCells],
                          const int sliderValues[2][2][BoardCells]) {
    const int f = fileOf(s);
    const int rr = relativeRank(c, s);
    if (piece == Pawn)
        return (rr + 2) * pawnFileFactor[f] + pawnAdvance[rr] - 12;

    if (weakerSide != NoColour) {
        if (piece != King)
            return 0;
        if (c == weakerSide) {
            // Drive the weaker king to the edge.
            int value = KingDriveBase - 12 * centreDistance[f] - 16 * centreDistance[rr];
            if (centreDistance[rr] == 3)
                value -= KingEdgePenalty;
            return value;
        }
        // The stronger king walks towards the weaker one and keeps off the rim.
        const int weakerKing =
            kingSquareOf(pos, weakerSide) >= 0 ? kingSquareOf(pos, weakerSide) : s;
        int value = KingDriveBase - 4 * (std::abs(rankOf(s) - rankOf(weakerKing)) +
                                         std::abs(fileOf(s) - fileOf(weakerKing)));
        if (centreDistance[rr] >= 2 || f == 0 || f == 7)
            value -= KingEdgePenalty;
        return value;
    }

    switch (piece) {
    case King:
        return phase > 0 ? 0 : -2 * (centreDistance[f] + centreDistance[rr]);
    case Queen:
        return (sliderValues[c][RookSlider][s] + sliderValues[c][BishopSlider][s]) / 4;
    case Rook:
        return sliderValues[c][RookSlider][s];
    case Bishop:
        return sliderValues[c][BishopSlider][s];
    default: { // knight
        int reach = 0;
        for (int k = 0; k < 8; ++k) {
            const int t = s + knightSteps[k];
            if (isOnBoard(t))
                reach += squareWeights[c][t];
        }
        return reach / 2 - 3 * (centreDistance[f] + centreDistance[rr]);
    }
    }
}

// Step 8: connected pawns, pawns that would be passed on their file, and rooks behind passers.
// Scanning c's ranks from its own side, `candidates` are the files on which a pawn of o standing
// on rank r would meet no pawn of c ahead of it or on a neighbouring file.
static void addPawnStructure(EvaluatedPosition& pos, const std::uint8_t pawnRanks[2][9]) {
    for (int c = White; c <= Black; ++c) {
        const int o = 1 - c;
        int candidates = 0xFF;
        int passedFiles = 0;
        for (int r = 0; r < 8; ++r) {
            if (r > 0) {
                const int blockers = pawnRanks[c][r - 1];
                candidates &= ~(blockers | neighbourFiles(blockers));
            }
            passedFiles |= candidates & pawnRanks[o][7 - r];
            const int rankOfC = c == White ? r : 7 - r;
            for (int f = 0; f < 8; ++f) {
                const int fileBit = 1 << f;
                const int sideBits = neighbourFiles(fileBit);
                const int q = makeSquare(f, rankOfC);
                int bonus = 0;
                if (pawnRanks[c][r] & sideBits)
                    bonus = 6;
                else if (r > 0 && (pawnRanks[c][r - 1] & sideBits))
                    bonus = 3;
                if (pawnRanks[c][r + 1] & (fileBit >> 1))
                    bonus += 3;
                if (pawnRanks[c][r + 1] & (fileBit << 1))
                    bonus += 3;
                if (pawnRanks[c][r] & fileBit)
                    bonus += 2;
                pos.pieceSquareTable[c][Pawn][q] += static_cast<std::int16_t>(bonus);
                if (candidates & fileBit)
                    pos.pieceSquareTable[o][Pawn][q] +=
                        static_cast<std::int16_t>(passedPawn[7 - r]);
                if (passedFiles & fileBit) {
                    pos.pieceSquareTable[White][Rook][q] += PassedFileRookBonus;
                    pos.pieceSquareTable[Black][Rook][q] += PassedFileRookBonus;
                }
            }
        }
    }
}

// Step 9: a bishop in front of its own unmoved centre pawn shuts itself in.
static void addBlockedBishops(EvaluatedPosition& pos) {
    static constexpr struct {
        int colour;
        int pawnSquare;
        int bishopSquare;
    } blocks[4] = {{White, makeSquare(3, 1), makeSquare(3, 2)},
                   {White, makeSquare(4, 1), makeSquare(4, 2)},
                   {Black, makeSquare(3, 6), makeSquare(3, 5)},
                   {Black, makeSquare(4, 6), makeSquare(4, 5)}};
    for (const auto& block : blocks) {
        const BoardCell& cell = pos.board[block.pawnSquare];
        if (cell.piece == Pawn && cell.colour == block.colour)
            pos.pieceSquareTable[block.colour][Bishop][block.bishopSquare] -= BlockedBishopPenalty;
    }
}

void resetEvaluation(EvaluatedPosition& pos) {
    std::memset(pos.pieceSquareTable, 0, sizeof pos.pieceSquareTable);
    std::memset(pos.pawnMaskStack, 0, sizeof pos.pawnMaskStack);
    pos.rootPhase = 0;
    pos.rootWeakerSide = NoColour;
    resetEndgameData();
}

int prepareRootEvaluation(EvaluatedPosition& pos) {
    // 1. Material and phase.
    int total = 0;
    int balance = 0;
    for (int s = 0; s < BoardCells; ++s) {
        if (!isOnBoard(s) || pos.board[s].piece == Empty || pos.board[s].piece == King)
            continue;
        const int value = pieceValue[pos.board[s].piece];
        total += value;
        balance += pos.board[s].colour == White ? value : -value;
    }
    const int phase = total < EndgameMaterial ? 0 : (total - EndgameMaterial) / PhaseUnit;

    // 2. The weaker side, when one side is clearly ahead.
    const int gap = std::abs(balance);
    const int poorerMaterial = (total - gap) / 2;
    int weakerSide = NoColour;
    if (poorerMaterial <= WeakerSideMaterialLimit && gap >= WeakerSideGapLimit)
        weakerSide = balance > 0 ? Black : White;
    pos.rootPhase = phase;
    pos.rootWeakerSide = weakerSide;

    // 3. and 4. The working tables of this call.
    int squareWeights[2][BoardCells]{};
    int sliderValues[2][2][BoardCells]{};
    fillSquareWeights(pos, phase, squareWeights);
    fillSliderValues(pos, squareWeights, sliderValues);

    // 5. Every entry of every man on every square is rewritten.
    std::memset(pos.pieceSquareTable, 0, sizeof pos.pieceSquareTable);
    for (int s = 0; s < BoardCells; ++s) {
        if (!isOnBoard(s))
            continue;
        for (int c = White; c <= Black; ++c) {
            for (int piece = King; piece <= Pawn; ++piece)
                pos.pieceSquareTable[c][piece][s] = static_cast<std::int16_t>(baseTableValue(
                    pos, c, piece, s, phase, weakerSide, squareWeights, sliderValues));
        }
    }

    // 6. Pawn files by relative rank; index 8 stays empty as the rank beyond the seventh.
    std::uint8_t pawnRanks[2][9]{};
    for (int s = 0; s < BoardCells; ++s) {
        if (isOnBoard(s) && pos.board[s].piece == Pawn) {
            const int c = pos.board[s].colour;
            pawnRanks[c][relativeRank(c, s)] |= static_cast<std::uint8_t>(1 << fileOf(s));
        }
    }

    // 7. The root pawn record: a file seen again on a later rank is doubled.
    PawnFileMasks& root = pos.pawnMaskStack[0];
    for (int c = White; c <= Black; ++c) {
        int files = 0;
        int doubled = 0;
        for (int r = 1; r <= 6; ++r) {
            doubled |= files & pawnRanks[c][r];
            files |= pawnRanks[c][r];
        }
        root.files[c] = static_cast<std::uint8_t>(files);
        root.doubled[c] = static_cast<std::uint8_t>(doubled);
    }

    // 8. and 9.
    addPawnStructure(pos, pawnRanks);
    addBlockedBishops(pos);

    // 10. The root score from the side to move.
    const int s = pos.sideToMove;
    const int x = pos.otherSide;
    int score = pawnStructurePenalty(root, x) - pawnStructurePenalty(root, s);
    for (int square = 0; square < BoardCells; ++square) {
        if (!isOnBoard(square) || pos.board[square].piece == Empty)
            continue;
        const int piece = pos.board[square].piece;
        const int colour = pos.board[square].colour;
        const int value = pos.pieceSquareTable[colour][piece][square] + pieceValue[piece];
        score += colour == s ? value : -value;
    }
    return score;
}

} // namespace tarnwick
