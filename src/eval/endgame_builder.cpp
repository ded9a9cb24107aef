// Retrograde solver for the three-man endings of "Endgame.bin". Each ending is solved over all
// 2^19 keys, level by level: level 0 holds the mates, level n the positions whose value is n.
#include "eval/endgame_builder.h"

#include <cstring>

#include "eval/endgame_data.h"

namespace tarnwick {

namespace {

using SquareSet = std::uint64_t;

inline constexpr SquareSet squareBit(int square) {
    return SquareSet{1} << square;
}

// Board geometry in the data's square index, worked out once at compile time.
struct EndgameGeometry {
    SquareSet kingReach[64];      // squares a king on this square attacks
    SquareSet pawnReach[64];      // squares a white pawn on this square attacks
    SquareSet between[64][64];    // squares strictly between two squares on one line
    std::uint8_t line[64][64];    // LineNone, LineStraight or LineDiagonal
    std::int8_t kingSteps[64][8]; // king targets, count in kingStepCount
    std::uint8_t kingStepCount[64];
};

enum LineKind : std::uint8_t { LineNone = 0, LineStraight = 1, LineDiagonal = 2 };

// File and rank steps of the eight directions: straight ones first, then diagonal ones.
inline constexpr int fileSteps[8] = {1, -1, 0, 0, 1, -1, 1, -1};
inline constexpr int rankSteps[8] = {0, 0, 1, -1, 1, -1, -1, 1};

constexpr bool onBoard(int file, int rank) {
    return file >= 0 && file < 8 && rank >= 0 && rank < 8;
}

constexpr EndgameGeometry makeGeometry() {
    EndgameGeometry g{};
    for (int from = 0; from < 64; ++from) {
        const int file = from / 8;
        const int rank = from % 8;
        for (int d = 0; d < 8; ++d) {
            const int f = file + fileSteps[d];
            const int r = rank + rankSteps[d];
            if (onBoard(f, r)) {
                g.kingReach[from] |= squareBit(endgameSquare(f, r));
                g.kingSteps[from][g.kingStepCount[from]++] =
                    static_cast<std::int8_t>(endgameSquare(f, r));
            }
            SquareSet passed = 0;
            for (int k = 1; onBoard(file + k * fileSteps[d], rank + k * rankSteps[d]); ++k) {
                const int to = endgameSquare(file + k * fileSteps[d], rank + k * rankSteps[d]);
                g.between[from][to] = passed;
                g.line[from][to] = d < 4 ? LineStraight : LineDiagonal;
                passed |= squareBit(to);
            }
        }
        for (int f = file - 1; f <= file + 1; f += 2) {
            if (onBoard(f, rank + 1))
                g.pawnReach[from] |= squareBit(endgameSquare(f, rank + 1));
        }
    }
    return g;
}

constexpr EndgameGeometry geometry = makeGeometry();

// While an ending is solved a position without a value yet holds Unsolved.
constexpr std::uint8_t Unsolved = 255;

// Solved values by ending: queen, rook, pawn.
std::uint8_t solvedValues[3][EndgameKeyCount];

int tableOf(int strongPiece) {
    return strongPiece == Queen ? 0 : strongPiece == Rook ? 1 : 2;
}

// Does the strong man on `man` attack `target`? Only the strong king can block its line: the weak
// king never shields the square it stands on or moves to.
bool manAttacks(int strongPiece, int man, int target, int strongKing) {
    if (strongPiece == Pawn)
        return (geometry.pawnReach[man] & squareBit(target)) != 0;
    const int line = geometry.line[man][target];
    if (line == LineNone || (strongPiece == Rook && line != LineStraight))
        return false;
    return (geometry.between[man][target] & squareBit(strongKing)) == 0;
}

} // namespace

int isLegalEndgamePosition(int strongPiece, int key) {
    const int strongKing = strongKingOf(key);
    const int weakKing = weakKingOf(key);
    const int man = manOf(key);
    if (strongKing == weakKing || strongKing == man || weakKing == man)
        return 0;
    if (geometry.kingReach[strongKing] & squareBit(weakKing))
        return 0;
    if (strongPiece == Pawn && (man % 8 == 0 || man % 8 == 7))
        return 0;
    if (!weakToMoveOf(key) && manAttacks(strongPiece, man, weakKing, strongKing))
        return 0;
    return 1;
}

int isWeakKingInCheck(int strongPiece, int key) {
    return manAttacks(strongPiece, manOf(key), weakKingOf(key), strongKingOf(key)) ? 1 : 0;
}

int generateEndgameSuccessors(int strongPiece, int key, EndgameSuccessor* successors) {
    const int strongKing = strongKingOf(key);
    const int weakKing = weakKingOf(key);
    const int man = manOf(key);
    int count = 0;
    if (weakToMoveOf(key)) {
        // The weak king may not step next to the strong king nor onto a square the man attacks;
        // it may take the man when the strong king does not guard it.
        for (int i = 0; i < geometry.kingStepCount[weakKing]; ++i) {
            const int to = geometry.kingSteps[weakKing][i];
            if (geometry.kingReach[strongKing] & squareBit(to))
                continue;
            if (to == man)
                successors[count++] = {Empty, endgameKey(strongKing, to, man, 0)};
            else if (!manAttacks(strongPiece, man, to, strongKing))
                successors[count++] = {strongPiece, endgameKey(strongKing, to, man, 0)};
        }
        return count;
    }
    const SquareSet occupied = squareBit(strongKing) | squareBit(weakKing) | squareBit(man);
    for (int i = 0; i < geometry.kingStepCount[strongKing]; ++i) {
        const int to = geometry.kingSteps[strongKing][i];
        if (to != man && !(geometry.kingReach[weakKing] & squareBit(to)))
            successors[count++] = {strongPiece, endgameKey(to, weakKing, man, 1)};
    }
    if (strongPiece == Pawn) {
        // Single step, promotion on the last rank, double step from the second rank.
        const int to = man + 1;
        if (occupied & squareBit(to))
            return count;
        if (to % 8 == 7) {
            for (int promoted = Queen; promoted <= Knight; ++promoted)
                successors[count++] = {promoted, endgameKey(strongKing, weakKing, to, 1)};
            return count;
        }
        successors[count++] = {Pawn, endgameKey(strongKing, weakKing, to, 1)};
        if (man % 8 == 1 && !(occupied & squareBit(to + 1)))
            successors[count++] = {Pawn, endgameKey(strongKing, weakKing, to + 1, 1)};
        return count;
    }
    // A rook slides along the four straight directions, a queen along all eight.
    const int lastDirection = strongPiece == Rook ? 3 : 7;
    for (int d = 0; d <= lastDirection; ++d) {
        int file = man / 8 + fileSteps[d];
        int rank = man % 8 + rankSteps[d];
        for (; onBoard(file, rank); file += fileSteps[d], rank += rankSteps[d]) {
            const int to = endgameSquare(file, rank);
            if (occupied & squareBit(to))
                break;
            successors[count++] = {strongPiece, endgameKey(strongKing, weakKing, to, 1)};
        }
    }
    return count;
}

int solvedEndgameValue(int strongPiece, int key) {
    if (key < 0 || key >= EndgameKeyCount)
        return EndgameNoKnowledge;
    if (strongPiece != Queen && strongPiece != Rook && strongPiece != Pawn)
        return EndgameDraw;
    return solvedValues[tableOf(strongPiece)][key];
}

namespace {

// For every weak-to-move position (index key / 2), the defences not yet known to lose.
std::uint8_t openDefences[EndgameKeyCount / 2];

// Level 0: the weak side is mated; a weak side without a move and not in check is stalemated, and
// one that can take the man reaches a drawn ending at once, whatever else it could play. Every
// other weak-to-move position counts its defences.
void markImmediateResults(int strongPiece, std::uint8_t* values) {
    EndgameSuccessor successors[MaxEndgameSuccessors];
    for (int key = 0; key < EndgameKeyCount; ++key) {
        if (!isLegalEndgamePosition(strongPiece, key)) {
            values[key] = EndgameNoKnowledge;
            continue;
        }
        values[key] = Unsolved;
        if (!weakToMoveOf(key))
            continue;
        const int count = generateEndgameSuccessors(strongPiece, key, successors);
        openDefences[key / 2] = static_cast<std::uint8_t>(count);
        if (count == 0)
            values[key] = isWeakKingInCheck(strongPiece, key) ? 0 : EndgameDraw;
        for (int i = 0; i < count; ++i) {
            if (successors[i].piece == Empty)
                values[key] = EndgameDraw;
        }
    }
}

// A strong-to-move predecessor found by taking a strong move back: the first to reach a position
// of value level - 1 gives the shortest win.
bool markStrongWin(int strongPiece, std::uint8_t* values, int key, int level) {
    if (values[key] != Unsolved || !isLegalEndgamePosition(strongPiece, key))
        return false;
    values[key] = static_cast<std::uint8_t>(level);
    return true;
}

// Level n, strong side to move: take back every strong move that led to a weak-to-move position
// of value n - 1. The strong side's move is undone as a king step, a slide of the queen or rook
// over empty squares, or a pawn step; a pawn about to promote looks at its promotions instead,
// which lead into the finished queen and rook endings.
bool solveStrongLevel(int strongPiece, std::uint8_t* values, int level) {
    bool changed = false;
    for (int key = 1; key < EndgameKeyCount; key += 2) {
        if (values[key] != level - 1)
            continue;
        const int strongKing = strongKingOf(key);
        const int weakKing = weakKingOf(key);
        const int man = manOf(key);
        const SquareSet occupied = squareBit(strongKing) | squareBit(weakKing) | squareBit(man);
        for (int i = 0; i < geometry.kingStepCount[strongKing]; ++i) {
            const int from = geometry.kingSteps[strongKing][i];
            if (!(occupied & squareBit(from)))
                changed |=
                    markStrongWin(strongPiece, values, endgameKey(from, weakKing, man, 0), level);
        }
        if (strongPiece == Pawn) {
            const int from = man - 1;
            if (from % 8 == 0 || (occupied & squareBit(from)))
                continue;
            changed |= markStrongWin(strongPiece, values, endgameKey(strongKing, weakKing, from, 0),
                                     level);
            if (man % 8 == 3 && !(occupied & squareBit(from - 1)))
                changed |= markStrongWin(strongPiece, values,
                                         endgameKey(strongKing, weakKing, from - 1, 0), level);
            continue;
        }
        const int lastDirection = strongPiece == Rook ? 3 : 7;
        for (int d = 0; d <= lastDirection; ++d) {
            int file = man / 8 + fileSteps[d];
            int rank = man % 8 + rankSteps[d];
            for (; onBoard(file, rank); file += fileSteps[d], rank += rankSteps[d]) {
                const int from = endgameSquare(file, rank);
                if (occupied & squareBit(from))
                    break;
                changed |= markStrongWin(strongPiece, values,
                                         endgameKey(strongKing, weakKing, from, 0), level);
            }
        }
    }
    if (strongPiece != Pawn)
        return changed;
    for (int key = 0; key < EndgameKeyCount; key += 2) {
        const int man = manOf(key);
        if (man % 8 != 6 || values[key] != Unsolved)
            continue;
        const int promotion = man + 1;
        if (promotion == strongKingOf(key) || promotion == weakKingOf(key))
            continue;
        const int promotedKey = endgameKey(strongKingOf(key), weakKingOf(key), promotion, 1);
        if (solvedValues[tableOf(Queen)][promotedKey] == level - 1 ||
            solvedValues[tableOf(Rook)][promotedKey] == level - 1) {
            values[key] = static_cast<std::uint8_t>(level);
            changed = true;
        }
    }
    return changed;
}

// Level n, weak side to move: every strong-to-move position won in n closes one defence of each
// position from which the weak king stepped into it. When the last defence closes, the longest
// of them, found only now, decides: the weak side is mated after n strong moves.
bool solveWeakLevel(std::uint8_t* values, int level) {
    bool changed = false;
    for (int key = 0; key < EndgameKeyCount; key += 2) {
        if (values[key] != level)
            continue;
        const int strongKing = strongKingOf(key);
        const int weakKing = weakKingOf(key);
        const int man = manOf(key);
        for (int i = 0; i < geometry.kingStepCount[weakKing]; ++i) {
            const int from = geometry.kingSteps[weakKing][i];
            const int previous = endgameKey(strongKing, from, man, 1);
            if (from == man || values[previous] != Unsolved)
                continue;
            if (--openDefences[previous / 2] == 0) {
                values[previous] = static_cast<std::uint8_t>(level);
                changed = true;
            }
        }
    }
    return changed;
}

// The longest mate with the weak side to move in a finished ending: promotions reach it, so the
// pawn ending must keep looking at least that many levels.
int longestWeakValue(const std::uint8_t* values) {
    int longest = 0;
    for (int key = 1; key < EndgameKeyCount; key += 2) {
        if (values[key] <= EndgameLongestMate && values[key] > longest)
            longest = values[key];
    }
    return longest;
}

void solveEnding(int strongPiece, int promotedLongest) {
    std::uint8_t* values = solvedValues[tableOf(strongPiece)];
    markImmediateResults(strongPiece, values);
    for (int level = 1; level <= EndgameLongestMate; ++level) {
        const bool strongChanged = solveStrongLevel(strongPiece, values, level);
        const bool weakChanged = solveWeakLevel(values, level);
        if (!strongChanged && !weakChanged && level > promotedLongest)
            break;
    }
    // What no level reached cannot be won.
    for (int key = 0; key < EndgameKeyCount; ++key) {
        if (values[key] == Unsolved)
            values[key] = EndgameDraw;
    }
}

// The strong king's squares of the queen and rook sections: the triangle a1-a4, b2-b4, c3-c4, d4,
// in the order of the compressed index 0 to 9.
constexpr int triangleSquares[10] = {0, 1, 2, 3, 9, 10, 11, 18, 19, 27};
constexpr int SectionKingStride = 8192;

} // namespace

void solveEndgames() {
    solveEnding(Queen, 0);
    solveEnding(Rook, 0);
    const int queenLongest = longestWeakValue(solvedValues[0]);
    const int rookLongest = longestWeakValue(solvedValues[1]);
    solveEnding(Pawn, queenLongest > rookLongest ? queenLongest : rookLongest);
}

bool buildEndgameData(std::uint8_t* data) {
    solveEndgames();
    // Queen and rook: the section holds the ten triangle squares of the strong king, each with all
    // placements of the other two men; every byte is the value of the exact position its key names.
    const int sectionOffsets[2] = {EndgameQueenOffset, EndgameRookOffset};
    for (int table = 0; table < 2; ++table) {
        for (int king = 0; king < 10; ++king) {
            std::memcpy(data + sectionOffsets[table] + king * SectionKingStride,
                        solvedValues[table] + triangleSquares[king] * SectionKingStride,
                        SectionKingStride);
        }
    }
    // Pawn: the strong king on files a to d, which are the first 32 square indices.
    std::memcpy(data + EndgamePawnOffset, solvedValues[2], EndgameFileSize - EndgamePawnOffset);
    for (int offset = 0; offset < EndgameFileSize; ++offset) {
        if (data[offset] > EndgameLongestMate && data[offset] != EndgameDraw &&
            data[offset] != EndgameNoKnowledge)
            return false;
    }
    return true;
}

} // namespace tarnwick
