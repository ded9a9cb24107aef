// The alpha-beta search below the root, fail-hard, in two halves that call each other through
// the move generators: searchNode handles a position, searchMove (installed as moveCallback)
// one move of it. Quiescence is the same code at depth 0 or less.
#include "search/node_search.h"

#include <bit>
#include <utility>

#include "board/make_unmake.h"
#include "board/move_generation.h"
#include "channel/dispatcher.h"
#include "eval/endgame_data.h"
#include "eval/static_evaluation.h"
#include "search/move_ordering.h"
#include "search/repetition.h"
#include "search/search_state.h"
#include "search/time_control.h"
#include "search/transposition_table.h"

namespace tarnwick {

inline constexpr int RealValueFloor = -31000; // a best value above it came from a searched move
inline constexpr int FutilityMargin = 300;
inline constexpr int NullMoveReduction = 3;
inline constexpr int PreSearchReduction = 3;
inline constexpr int PreSearchMinDepth = 5;
inline constexpr int LastNullMovePly = 61;
inline constexpr int LastSearchedPly = 61; // moves at ply 62 are not searched: frames end there

// By colour, the rank (square bits 4 to 6) from which a pawn promotes with its next push.
inline constexpr int seventhRankBase[2] = {96, 16};

// Whether a pawn of the colour stands on the rank that starts at `rankBase`: one look at the
// pawns' square set spares most quiescence nodes the scan of the list.
static bool pawnStandsOnRank(const SearchState& search, int rankBase, int colour) {
    const SquareSet rank = SquareSet{0xFF} << bitOfSquare(rankBase);
    return (search.menOnSquares[colour][Pawn] & rank) != 0;
}

static int kingSquare(const SearchState& search, int colour) {
    return search.pieceList[colour][0].square;
}

// The tests below see the board as a move of one man alone (no castling, no en passant) leaves
// it: its origin empty, its destination holding the mover. They read the board only along one
// line, on which nothing else changes, so they give the same answer before the move is made as
// after it, and searchMove asks them before making a move wherever that can spare the make.

// Whether the man standing first on the line from `king` through the origin of `m` is of
// `attackerColour` and moves along that line. While the king was not attacked before a move, a
// man leaving a line through it is the only way the move can uncover an attack on it: the
// destination only blocks, and the man that moved there is checked on its own.
static int lineThroughOriginAttacks(const SearchState& search, int king, const Move& m,
                                    int attackerColour) {
    const int d = lineDirection[AttackTableCentre + m.from - king];
    if (d < 0)
        return 0;
    // The first man along the ray from the king, found in the square sets: the nearest occupied
    // square, the lowest for a ray that climbs through the squares, the highest for one that falls.
    const SquareSet occupied = (occupiedSquares(search) & ~setOfSquare(m.from)) | setOfSquare(m.to);
    const SquareSet met = squareReach.ray[d][bitOfSquare(king)] & occupied;
    if (met == 0)
        return 0;
    const int square =
        squareOfBit(directions[d] > 0 ? std::countr_zero(met) : 63 - std::countl_zero(met));
    // On the destination stands the mover, of the side to move.
    const int colour = square == m.to ? search.sideToMove : search.board[square].colour;
    const int piece = square == m.to ? m.piece : search.board[square].piece;
    if (colour != attackerColour)
        return 0;
    return maskHasPiece(attackTable[AttackTableCentre + king - square].mask, piece) ? 1 : 0;
}

// Whether the mover of `m`, on its destination, attacks `target`.
static int moverAttacks(const SearchState& search, const Move& m, int target) {
    const AttackEntry& entry = attackTable[AttackTableCentre + target - m.to];
    if (!maskHasPiece(entry.mask, m.piece))
        return 0;
    if (m.piece == King || m.piece == Knight)
        return 1;
    int square = m.to + entry.step;
    while (square != target && (square == m.from || search.board[square].piece == Empty))
        square += entry.step;
    return square == target ? 1 : 0;
}

// Whether the move attacks the opponent's king. Only the moved man can give a direct check, and
// only a man leaving a line through that king can uncover one; castling and en passant, which
// move or remove a second man, get the full attack test and must have been made.
static int movedManGivesCheck(const SearchState& search, const Move& m) {
    const int king = kingSquare(search, search.otherSide);
    if (m.kind != NormalMove && m.kind != Promotion)
        return isSquareAttacked(search, search.sideToMove, king);
    int direct;
    if (m.piece == Pawn) {
        const int ahead = m.to + pawnStep[search.sideToMove];
        direct = king == ahead - 1 || king == ahead + 1 ? 1 : 0;
    } else {
        direct = moverAttacks(search, m, king);
    }
    return direct != 0 || lineThroughOriginAttacks(search, king, m, search.sideToMove) != 0 ? 1 : 0;
}

// Whether the two slots from `first` on both hold null moves: two passes in a row.
static bool isNullMovePair(const SearchState& search, int first) {
    return search.moveStack[first].kind == NullMoveKind &&
           search.moveStack[first + 1].kind == NullMoveKind;
}

static void raiseSelDepth(SearchState& search) {
    if (search.selDepth < search.ply)
        search.selDepth = search.ply;
}

static std::int16_t asValue(int value) {
    return static_cast<std::int16_t>(value);
}

// Copies a line from slot `first` up to its first empty move and ends it with SentinelMove.
static void copyLineTail(Move* destination, const Move* source, int first) {
    int k = first;
    for (; k < LineSlots - 1 && source[k].piece != 0; ++k)
        destination[k] = source[k];
    destination[k] = SentinelMove;
}

// Whether the move just made, which gives check or not, leaves the opponent without a legal move.
static bool moveMates(SearchState& search, int givesCheck) {
    if (givesCheck == 0)
        return false;
    std::swap(search.sideToMove, search.otherSide);
    const int escapes = hasLegalMove(search);
    std::swap(search.sideToMove, search.otherSide);
    return escapes == 0;
}

// A move scored as a draw without a search (a repetition, the fifty-move rule): it counts as a
// node, and the value 0 enters the node like a searched one, its line ending here. Takes the move
// back and returns what searchMove returns.
static int scoreDrawnMove(SearchState& search, SearchFrame& f, const Move& m, int p) {
    // 9.1 A scored move counts as a node.
    if (checkClock(search)) {
        unmakeMove(search, m);
        return 1;
    }
    // 9.2-9.5
    if (f.best < 0)
        f.best = 0;
    if (f.alpha >= 0) {
        unmakeMove(search, m);
        return 0;
    }
    f.parentLine[p] = m;
    f.parentLine[p + 1] = SentinelMove;
    if (f.beta <= 0) {
        unmakeMove(search, m);
        return 1;
    }
    f.alpha = 0;
    unmakeMove(search, m);
    return 0;
}

int searchNode(SearchState& search, int alpha, int beta, int depth, int parentScore,
               Move* parentLine, int inCheck) {
    SearchFrame& f = search.frames[search.ply];
    // 1. Full-width nodes first ask the table; a hit needs no frame and no side exchange. A
    //    node without a legal move keeps ply - 32000: mated here.
    if (depth > 0) {
        if (ttProbe(search, alpha, beta, depth, f.best))
            return f.best;
        f.best = asValue(search.ply - MateScore);
    }
    // 2. Quiescence: the side to move may stand pat on its static score.
    if (depth <= 0) {
        f.best = asValue(-parentScore);
        if (f.best >= beta)
            return beta;
        if (f.best > alpha)
            alpha = f.best;
    }
    // 3. From here on the frame describes this node and the node's side is to move.
    f.alpha = asValue(alpha);
    f.beta = asValue(beta);
    f.depth = asValue(depth);
    f.parentScore = asValue(parentScore);
    f.parentLine = parentLine;
    f.inCheck = static_cast<std::uint8_t>(inCheck);
    std::swap(search.sideToMove, search.otherSide);
    // 4. Null move: if passing still holds beta at a reduced depth, a real move will too. Not
    //    after two passes in a row, not near the leaves, not with the full window, not in check,
    //    and not when beta is a mate against the side to move: the reduced search after a pass
    //    seldom sees a mate, so passing would "hold" any such bound and push the opponent's
    //    fastest mate out of sight (a defence shown longer than it is, a window edge that looks
    //    like a mate in 67). The depth is asked first: quiescence nodes, the most numerous, then
    //    read nothing more.
    if (depth >= 3 && !isNullMovePair(search, search.currentSlot - 2) && beta <= MateScore &&
        beta > -MateFound && search.ply <= LastNullMovePly && inCheck == 0) {
        // 4.1 The pass and its reduced depth.
        search.moveStack[search.currentSlot] = NullMove;
        const int reduced = depth - NullMoveReduction > 1 ? depth - NullMoveReduction : 1;
        // 4.2 Make it; the pawns are as they were.
        makeMove(search, NullMove);
        pawnRecordOfPly(search, search.ply) = pawnRecordOfPly(search, search.ply - 1);
        ++search.ply;
        ++search.currentSlot;
        raiseSelDepth(search);
        f.line[search.ply] = SentinelMove;
        // 4.3 The opponent moves twice in a row, searched with a null window at beta.
        f.best = asValue(-searchNode(search, -beta, 1 - beta, reduced, -parentScore, f.line, 0));
        const int v = f.best;
        // 4.4 Take the pass back.
        --search.ply;
        --search.currentSlot;
        unmakeMove(search, NullMove);
        // 4.5 Cut off. The bound is not stored when a stop cut the null search short: its value
        //     means nothing, and the table outlives this search.
        if (v >= beta) {
            if (searchRequest.stopRequested.load(std::memory_order_acquire) == 0)
                ttStore(search, alpha, beta, depth, v, nullptr);
            std::swap(search.sideToMove, search.otherSide);
            return beta;
        }
        // 4.6 No cut-off: the node starts again from "mated".
        f.best = asValue(search.ply - MateScore);
    }
    // 5. The staged generation hands every move to searchMove, which updates the frame.
    generateNodeMoves(search, &f);
    // 6. Results of an interrupted search are not kept anywhere.
    if (searchRequest.stopRequested.load(std::memory_order_acquire) == 0) {
        // 6.1 No legal move and not in check: stalemate.
        if (f.best == search.ply - MateScore && inCheck == 0)
            f.best = 0;
        // 6.2 Store the bound for the window the node was called with; a cut-off move becomes
        //     a killer of this ply.
        if (depth > 0) {
            // The move that raised alpha stands in the caller's line at this ply.
            ttStore(search, alpha, beta, depth, f.best,
                    f.best > alpha ? &parentLine[search.ply] : nullptr);
            if (f.best >= beta)
                storeKiller(search, &parentLine[search.ply]);
        }
    }
    // 7. Fail-hard: the value is clamped to the window (alpha as raised by stand-pat).
    std::swap(search.sideToMove, search.otherSide);
    if (f.best >= beta)
        return beta;
    if (f.best > alpha)
        return f.best;
    return alpha;
}

int searchMove(Position& pos, SearchFrame* frame) {
    SearchState& search = static_cast<SearchState&>(pos);
    SearchFrame& f = *frame;
    const Move& m = search.moveStack[search.currentSlot];
    const Move& prev = search.moveStack[search.currentSlot - 1];
    const int p = search.ply;
    // 1. Duplicate filter: a move an earlier stage has already handed over is dropped. Each
    //    stage applies its own rule and those of the stages before it.
    switch (f.stage) {
    case StageRemaining:
        if (f.depth > 0 && (m == search.killers[p][0] ||
                            (!isEmptyKiller(search.killers[p][0]) && m == search.killers[p][1])))
            return 0;
        [[fallthrough]];
    case StageKillers:
        if (m.to == prev.to || m.kind == EnPassant)
            return 0;
        [[fallthrough]];
    case StageRecaptures:
        if (m == f.parentLine[p])
            return 0;
        break;
    default:
        break;
    }
    // 2. The static score after the move, seen by its mover: the node's score plus the change.
    //    evaluateMove reads the move, the tables and the pawn records but not the board, so the
    //    score is known before the move is made. In quiescence the depth after the move is 0 or
    //    less whatever the extensions, so the futility test of step 6 is v <= alpha alone: a
    //    move that lifts v above neither alpha nor the best value is dropped at once. Legal,
    //    step 6 would drop it and leave the best value alone; illegal, step 3 would drop it.
    pawnRecordOfPly(search, p) = pawnRecordOfPly(search, p - 1);
    const int v = evaluateMove(search) - f.parentScore;
    if (f.depth <= 0 && v <= f.alpha && v <= f.best)
        return 0;
    // 3. Legality: the mover's king must not be left attacked. Illegal moves are not counted.
    //    When the side was not in check, only a king move, en passant or a man leaving a line
    //    through its own king can expose the king. That line is the only one to look along, and
    //    it is looked along before the move is made: most moves that pass are then dropped by
    //    the futility test without ever being made. The others are made here and get the full
    //    attack test.
    const bool made = f.inCheck || m.piece == King || m.kind == EnPassant;
    if (made) {
        makeMove(search, m);
        if (isSquareAttacked(search, search.otherSide, kingSquare(search, search.sideToMove))) {
            unmakeMove(search, m);
            return 0;
        }
    } else if (lineThroughOriginAttacks(search, kingSquare(search, search.sideToMove), m,
                                        search.otherSide)) {
        return 0;
    }
    // 4. Extensions, one ply at most: a check, a recapture by a cheaper man, a pawn arriving on
    //    its seventh rank, a promotion. In quiescence the check is looked at only once the move
    //    has passed the futility test, which there does not depend on it. Castling and en
    //    passant, whose check test needs the board after the move, have been made in step 3.
    int ext = 0;
    if (m.to == prev.to && (prev.captured != 0 || prev.kind != NormalMove) &&
        pieceValue[prev.piece] > pieceValue[m.piece])
        ext = 1;
    if (m.piece == Pawn && (m.to < 24 || m.to > 95))
        ext = 1;
    if (m.kind == Promotion)
        ext = 1;
    int givesCheck = 0;
    if (f.depth > 0) {
        givesCheck = movedManGivesCheck(search, m);
        ext |= givesCheck;
    }
    // 5. The depth left after the move (in quiescence 0 or less, with or without a check).
    int nd = f.depth + ext - 1;
    // 6. Futility: in quiescence a move that does not lift the static score above alpha, near
    //    the leaves an unextended move that stays 300 below it, is not searched. Its static
    //    value still counts as the best when nothing better exists (in quiescence a legal move
    //    gets here only when it does raise the best value, see step 2).
    if ((nd <= 0 && v <= f.alpha) ||
        (nd >= 1 && nd <= 3 && ext == 0 && v + FutilityMargin <= f.alpha)) {
        if (v > f.best)
            f.best = asValue(v);
        if (made)
            unmakeMove(search, m);
        return 0;
    }
    if (!made)
        makeMove(search, m);
    if (f.depth <= 0) {
        givesCheck = movedManGivesCheck(search, m);
        ext |= givesCheck;
        nd = f.depth + ext - 1;
    }
    // 7. The frames end at ply 62: moves there are not searched.
    if (p > LastSearchedPly) {
        unmakeMove(search, m);
        return 0;
    }
    // 7.5 Fifty moves of both sides without a capture or pawn move draw the game, before the
    //     endgame data, the repetition test or the table are asked; a move that mates still wins.
    if (search.halfmoveClock >= FiftyMoveLimit && !moveMates(search, givesCheck))
        return scoreDrawnMove(search, f, m, p);
    // 8. Three men or fewer: the endgame data know the exact value, when they know it at all.
    if (search.pieceCount <= MaxThreeMen) {
        const int e = probeEndgame(search);
        if (e != EndgameNoKnowledge) {
            // 8.1 A scored move counts as a node.
            if (checkClock(search)) {
                unmakeMove(search, m);
                return 1;
            }
            // 8.2-8.5 The value enters the node like a searched one; its line ends here.
            if (e > f.best)
                f.best = asValue(e);
            if (f.alpha >= f.best) {
                unmakeMove(search, m);
                return 0;
            }
            f.parentLine[p] = m;
            f.parentLine[p + 1] = SentinelMove;
            if (f.beta <= f.best) {
                unmakeMove(search, m);
                return 1;
            }
            f.alpha = f.best;
            unmakeMove(search, m);
            return 0;
        }
    }
    // 9. A move into a repeated position is a draw, without a search.
    if (isRepetition(search, p == 0))
        return scoreDrawnMove(search, f, m, p);
    // 10. Principal variation test: once a move has reached alpha in a node with an open window,
    //     a later move (not the line move) only has to show with a null window that it beats
    //     alpha; only then is it searched with the full window.
    if (f.stage != StagePv && nd > 0 && f.best > RealValueFloor && f.alpha <= f.best &&
        f.beta - f.alpha != 1) {
        // 10.1 One ply deeper; the child starts without a stored reply.
        ++search.ply;
        ++search.currentSlot;
        raiseSelDepth(search);
        f.line[search.ply] = SentinelMove;
        // 10.2 A shallower pre-search leaves its best reply in the line and the table.
        if (nd >= PreSearchMinDepth)
            searchNode(search, -f.alpha - 1, -f.alpha, nd - PreSearchReduction, v, f.line,
                       givesCheck);
        // 10.3 The null-window search.
        const int s = -searchNode(search, -f.alpha - 1, -f.alpha, nd, v, f.line, givesCheck);
        // 10.4 Back at this node; the search counts as a node.
        --search.ply;
        --search.currentSlot;
        if (checkClock(search)) {
            unmakeMove(search, m);
            return 1;
        }
        // 10.5 Not better than alpha: the move is done with.
        if (s <= f.alpha) {
            unmakeMove(search, m);
            return 0;
        }
        // 10.6 Better: search it again with the full window below.
    }
    // 11. Full-window search.
    // 11.1 One ply deeper.
    ++search.ply;
    ++search.currentSlot;
    raiseSelDepth(search);
    // 11.2 On the line move the child finds the rest of the stored line and tries it first.
    if (f.stage == StagePv)
        copyLineTail(f.line, f.parentLine, p + 1);
    else
        f.line[p + 1] = SentinelMove;
    // 11.3 A shallower pre-search seeds the reply in the line and the table.
    if (nd >= PreSearchMinDepth)
        searchNode(search, -f.beta, -f.alpha, nd - PreSearchReduction, v, f.line, givesCheck);
    // 11.4 The search proper.
    const int s = -searchNode(search, -f.beta, -f.alpha, nd, v, f.line, givesCheck);
    // 11.5 Back at this node; the search counts as a node.
    --search.ply;
    --search.currentSlot;
    if (checkClock(search)) {
        unmakeMove(search, m);
        return 1;
    }
    // 11.6 The best value so far.
    if (s > f.best)
        f.best = asValue(s);
    // 11.7 The line move's stored continuation is always brought up to date.
    if (f.parentLine[p] == m)
        copyLineTail(f.parentLine, f.line, p + 1);
    // 11.8 Alpha not beaten: nothing more to keep.
    if (f.alpha >= f.best) {
        unmakeMove(search, m);
        return 0;
    }
    // 11.9 A new best line: this move and the child's continuation.
    copyLineTail(f.parentLine, f.line, p + 1);
    f.parentLine[p] = m;
    // 11.10 Raise alpha and go on, or cut off.
    if (f.beta > f.best) {
        f.alpha = f.best;
        unmakeMove(search, m);
        return 0;
    }
    unmakeMove(search, m);
    return 1;
}

void generateNodeMoves(SearchState& search, SearchFrame* frame) {
    SearchFrame& f = *frame;
    Move& slot = search.moveStack[search.currentSlot];
    const Move& prev = search.moveStack[search.currentSlot - 1];
    // 1. The move of the stored line for this ply, handed over as it is.
    const Move& lineMove = f.parentLine[search.ply];
    if (lineMove.piece != 0) {
        slot = lineMove;
        f.stage = StagePv;
        if (search.moveCallback(search, frame))
            return;
    }
    // 2. En passant, then the captures of the man that just moved (not of a king: the king
    //    that castled or moved cannot be taken).
    f.stage = StageRecaptures;
    if (prev.piece == Pawn &&
        generateEnPassant(search, frame)) // only a pawn's double step allows one
        return;
    if (prev.piece != Empty && prev.piece != King && generateCaptures(search, prev.to, frame))
        return;
    // 3. The two killers of this ply, full-width nodes only, when they still fit the position.
    if (f.depth > 0 && !isEmptyKiller(search.killers[search.ply][0])) {
        f.stage = StageKillers;
        for (int k = 0; k < 2; ++k) {
            const Move killer = search.killers[search.ply][k];
            if (isEmptyKiller(killer))
                break;
            slot = killer;
            if (killer.to != prev.to && isMoveValid(search) && search.moveCallback(search, frame))
                return;
        }
    }
    // 4. The other captures, most valuable victim first (the list order).
    f.stage = StageRemaining;
    if (generateAllCaptures(search, prev.to, frame))
        return;
    // 5. Quiescence adds only the pushes of pawns about to promote.
    if (f.depth <= 0) {
        if (!pawnStandsOnRank(search, seventhRankBase[search.sideToMove], search.sideToMove))
            return;
        for (int i = 1; i <= search.lastPieceIndex[search.sideToMove]; ++i) {
            const PieceEntry& man = search.pieceList[search.sideToMove][i];
            if (man.piece == Pawn && (man.square & 0x70) == seventhRankBase[search.sideToMove] &&
                generateQuietMoves(search, man.square, frame))
                return;
        }
        return;
    }
    // 6. Castling, the quiet moves man by man, the king's last.
    if (generateCastling(search, frame))
        return;
    for (int i = 1; i <= search.lastPieceIndex[search.sideToMove]; ++i) {
        if (search.pieceList[search.sideToMove][i].piece != Empty &&
            generateQuietMoves(search, search.pieceList[search.sideToMove][i].square, frame))
            return;
    }
    generateQuietMoves(search, search.pieceList[search.sideToMove][0].square, frame);
}

} // namespace tarnwick
