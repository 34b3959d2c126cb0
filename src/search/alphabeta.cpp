// The root, interior and quiescence searches.

#include <cstdio>

#include "board/hashcode.h"
#include "board/movehistory.h"
#include "board/movetext.h"
#include "book/book.h"
#include "core/platform.h"
#include "eval/poseval.h"
#include "movegen/movegen.h"
#include "movegen/see.h"
#include "search/hashtab.h"
#include "search/search.h"

namespace {

constexpr int FutilityMargin[8] = {1200, 1100, 1925, 2700, 3500, 4400, 5300, 6200};
// The order of the earlier lines' moves at the root of a search of several lines: after the
// first line's move, above every capture.
constexpr i32 LINE_MOVE_VALUE = 28000;

inline u64 KingOf(const ChessBoard &b, char side)
{
    return side ? b.BlackKing : b.WhiteKing;
}

// Mate scores in the table are distances from the node that stored them; the search counts them
// from the root. A score or window bound from the root becomes one from a node at ply.
inline int ToTable(int v, int ply)
{
    return v > MATESCORE ? v + ply : (v < -MATESCORE ? v - ply : v);
}

// A mate score from the table, measured from the node, counted from the root again.
inline int FromTable(int v, int ply)
{
    return v > MATESCORE ? v - ply : (v < -MATESCORE ? v + ply : v);
}

// Stores a result with its mate score measured from this node. The table pushes mate scores out
// by the depth it is given, so the depth is taken off first.
inline void Store(TranspositionTables &table, u64 upper, u64 lower, char side, int depth, int ply,
                  int move, int value, char flag, int alpha, int beta)
{
    int v = ToTable(value, ply);
    if (v > MATESCORE)
        v -= depth;
    else if (v < -MATESCORE)
        v += depth;
    table.InsertTranspositionTables(upper, lower, side, depth, static_cast<i16>(move), v, flag,
                                    alpha, beta);
}

// Probes with the window measured from this node; the caller takes the ply off the value again.
inline char Probe(TranspositionTables &table, u64 upper, u64 lower, char side, int depth, int ply,
                  int alpha, int beta, int *value, int *move)
{
    return table.SearchTranspositionTables(upper, lower, side, depth, ToTable(alpha, ply),
                                           ToTable(beta, ply), value, move);
}

// The move text of a root move ("e2e4", "e7e8q").
inline void RootMoveText(char *out, u64 from, u64 to, char promo)
{
    MoveText(out, LowestSquare(from), LowestSquare(to), promo);
}

} // namespace

int SearchRoutines::SearchTreeRoot(char side, ChessBoard board, int alpha, int beta, int depth,
                                   u64 *from, u64 *to, char *promo, char castle)
{
    const char opp = side ? 0 : 1;
    MoveGen mg;
    char line[MOVESTRING_MAX];
    auto progress = [&](int score) {
        SearchProgress p = ProgressNow(depth, score, line);
        // Until every move has been searched the root is worth at least the best so far.
        p.Bound = ScoreBound::Lower;
        return p;
    };
    LastRoot = RootEnd::Complete;

    // The opening book, which knows standard chess only.
    if (Limits.UseBook && depth == 1 && Limits.SearchMoveCount <= 0 && !board.Chess960) {
        Output->BookLookup();
        const int k = InBook(side, castle, board);
        if (k >= 0) {
            mg.GenerateAllMoves(side, &board, castle);
            mg.GetMove(k, 0, from, to, promo);
            BookMove = 1;
            BookPly = Limits.GamePly;
            return k;
        }
    }
    // The iteration starts.
    const int count = StartRootIteration(mg, side, board, castle, depth);
    AssignMoveOrderValues(mg, count, 0, KingOf(board, opp), 0, PVNODE);

    // The move loop; the best move starts as the previous iteration's, which is searched first.
    int best = NOVALUE, legal = 0, v = NOVALUE;
    const PVEntry prev = PVTable[0][0];
    const bool prevMove = prev.code || prev.promotion;
    u64 bestFrom = prevMove ? SquareMask(prev.code >> 6) : 0;
    u64 bestTo = prevMove ? SquareMask(prev.code & 63) : 0;
    char bestPromo = prev.promotion;
    // The old best move has been searched in full: a stop from now on plays the best so far.
    bool prevDone = false;
    // The old line, kept should another move replace it before the old move is searched.
    PVEntry prevLine[MAXPLY];
    i32 prevLength = 0;
    bool prevKept = false;
    // A stop: the best move searched in full stands if the old move was among those searched;
    // otherwise the old result does, with its line.
    auto cut = [&]() {
        if (best > NOVALUE && prevDone) {
            *from = bestFrom;
            *to = bestTo;
            *promo = bestPromo;
            LastRoot = RootEnd::Cut;
            return best;
        }
        if (prevKept) {
            for (int k = 0; k < prevLength; k++)
                PVTable[0][k] = prevLine[k];
            PVLength = prevLength;
        }
        LastRoot = RootEnd::CutEmpty;
        return NOVALUE;
    };
    // The best move so far with its line, for a report.
    auto bestSoFar = [&]() {
        fillmovestring(*this, line, static_cast<char>(LowestSquare(bestFrom)),
                       static_cast<char>(LowestSquare(bestTo)), bestPromo, 1);
        return progress(best);
    };
    // Read afresh at each use: a ponder hit turns a ponder search into a timed one mid-move.
    auto quickRoot = [this]() { return !FixedDepth && !Pondering; };
    for (int i = 0; i < count && best < beta; i++) {
        // Time is up: the iteration ends here.
        if (TimeUp && quickRoot()) break;
        // The next move, if the root may play it and it is legal.
        u64 mFrom, mTo;
        char mPromo;
        const int code = NextRootMove(mg, i, count, &mFrom, &mTo, &mPromo);
        if (code < 0) continue;
        if (!SearchRootMove(board, side, castle, depth, alpha, beta, mFrom, mTo, mPromo,
                            mg.OrderValue[i], 1, &legal, &v))
            continue;
        // Stopped in the middle of the move: its score means nothing.
        if (AbortNow && quickRoot()) {
            if (best > NOVALUE) Output->RootInterrupted(bestSoFar(), legal);
            return cut();
        }
        if (SearchAborted) break;
        if (prevMove && code == prev.code && mPromo == prev.promotion) prevDone = true;
        // A new best move.
        if (v > best) {
            SecondBestValue = best;
            NoteNewBest(depth, v);
            bestFrom = mFrom;
            bestTo = mTo;
            bestPromo = mPromo;
            best = v;
            if (v > alpha) {
                BestChanges++;
                if (!prevDone && !prevKept && prevMove) {
                    prevLength = PVLength < MAXPLY ? PVLength : MAXPLY;
                    for (int k = 0; k < prevLength; k++)
                        prevLine[k] = PVTable[0][k];
                    prevKept = true;
                }
                PVTable[0][0].code = static_cast<u16>(code);
                PVTable[0][0].promotion = mPromo;
                PVLength = PVTable[1][0].code;
                if (PVLength >= MAXPLY) PVLength = MAXPLY - 1;
                for (int k = 1; k < PVLength; k++)
                    PVTable[0][k] = PVTable[1][k];
                fillmovestring(*this, line, static_cast<char>(LowestSquare(mFrom)),
                               static_cast<char>(LowestSquare(mTo)), mPromo, 1);
                alpha = v;
                SearchProgress p = progress(v);
                p.FirstMove = legal == 1;
                Output->NewBest(p);
            }
        } else if (v > SecondBestValue) {
            SecondBestValue = v;
        }
    }

    // The end of the loop: stopped from outside or by the clock, the best so far is shown.
    if (SearchAborted || AbortNow) {
        if (best > NOVALUE && !Pondering) Output->RootStopped(bestSoFar());
        return cut();
    }
    // The budget ended the loop between two moves: the moves searched decide.
    if (TimeUp && quickRoot()) {
        if (legal == 0) return cut();
        LastRoot = RootEnd::Shortened;
        if (best > NOVALUE) Output->RootStopped(bestSoFar());
    }
    RootLegalMoves = legal;
    if (legal == 0) {
        if (board.InCheck(KingOf(board, side), side))
            best = -MATEVALUE;
        else if (board.InCheck(KingOf(board, opp), opp))
            best = MATEVALUE;
        else
            best = STALEMATEVALUE;
    }
    *from = bestFrom;
    *to = bestTo;
    *promo = bestPromo;
    return best;
}

int SearchRoutines::StartRootIteration(MoveGen &mg, char side, ChessBoard &board, char castle,
                                       int depth)
{
    Output->IterationStarted(depth);
    SecondBestValue = NOVALUE;
    RootDepth = depth;
    const int count = mg.GenerateAllMoves(side, &board, castle);
    RootMoveCount = count;
    Status.Depth.store(depth, std::memory_order_relaxed);
    Status.MoveCount.store(count, std::memory_order_relaxed);
    return count;
}

int SearchRoutines::NextRootMove(MoveGen &mg, int i, int count, u64 *from, u64 *to, char *promo)
{
    RootMoveNumber = i + 1;
    Status.MoveNumber.store(i + 1, std::memory_order_relaxed);
    mg.NextMove(i, count, from, to, promo);
    const int code = MoveCode(*from, *to);
    return Limits.Allows(code) ? code : -1;
}

bool SearchRoutines::SearchRootMove(const ChessBoard &board, char side, char castle, int depth,
                                    int alpha, int beta, u64 mFrom, u64 mTo, char mPromo,
                                    i32 orderValue, int fullWindows, int *legal, int *value)
{
    const char opp = side ? 0 : 1;
    ChessBoard child = board;
    char kept = 15;
    child.MakeMoveOnCopy(mFrom, mTo, mPromo, &kept);
    const char childCastle = static_cast<char>(castle & kept);
    u64 upper, lower;
    PositionKey(opp, childCastle, child, &upper, &lower);
    if (child.InCheck(KingOf(child, side), side)) return false;
    const int number = ++*legal;
    InteriorNodes++;
    char move[8];
    RootMoveText(move, mFrom, mTo, mPromo);
    Output->RootMove(depth, move, number, AllNodes(), NPS);
    // Late quiet moves are searched shallower first.
    const char givesCheck = child.InCheck(KingOf(child, opp), opp) ? 1 : 0;
    // Only an enemy piece is captured: a Chess960 castling move lands on its own rook.
    const bool capture = (mTo & (side ? board.WhitePieces : board.BlackPieces)) != 0;
    const int pieces = board.QuickPieceCount();
    const bool reducible = mPromo == NOPROMOTION && depth > 2 && number > 2 && !givesCheck &&
                           !capture && orderValue <= 950 && pieces > 2;
    // Read afresh at each use: a ponder hit turns a ponder search into a timed one mid-move.
    auto stopped = [this]() { return AbortNow && !FixedDepth && !Pondering; };
    // The move's line starts empty: a move scored by quiescence has no continuation.
    const int maxPly = board.SearchPlyLimit;
    PVTable[1][0].code = 1;
    int &v = *value;
    if (depth + givesCheck == 1) {
        v = -Quiesce(opp, -beta, -alpha, child, 0, 0, 1);
    } else if (number <= fullWindows) {
        v = -Search(opp, -beta, -alpha, child, depth - 1 + givesCheck, 1, 1, childCastle,
                    givesCheck, upper, lower, PVNODE, maxPly);
    } else {
        bool done = false;
        if (reducible) {
            v = -Search(opp, -alpha - 1, -alpha, child, depth - 2, 1, 1, childCastle, 0, upper,
                        lower, CUTNODE, maxPly);
            done = v <= alpha;
        }
        if (!done && !stopped()) {
            v = -Search(opp, -alpha - 1, -alpha, child, depth - 1 + givesCheck, 1, 1, childCastle,
                        givesCheck, upper, lower, CUTNODE, maxPly);
            if (v > alpha && v < beta && !stopped())
                v = -Search(opp, -beta, -alpha, child, depth - 1 + givesCheck, 1, 1, childCastle,
                            givesCheck, upper, lower, PVNODE, maxPly);
        }
    }
    return true;
}

void SearchRoutines::NoteNewBest(int depth, int v)
{
    // A best move far below the last iteration's score: the budget may be stretched for it.
    if (depth >= 10 && (Limits.MovesToGo == 0 || Limits.MovesToGo > 2) && v + 200 < PreviousValue &&
        Limits.Time / 4 >= static_cast<i64>(Limits.Increment))
        FailingLow = 1;
}

int SearchRoutines::SearchRootLines(char side, ChessBoard board, int depth, u64 *from, u64 *to,
                                    char *promo, char castle)
{
    const char opp = side ? 0 : 1;
    const int wanted = Limits.MultiPV < MAXMULTIPV ? Limits.MultiPV : MAXMULTIPV;
    LastRoot = RootEnd::Complete;
    MoveGen mg;
    const int count = StartRootIteration(mg, side, board, castle, depth);
    // The last iteration's lines first, in their order.
    if (LineCount > 0) PutLine(Lines[0]);
    AssignMoveOrderValues(mg, count, 0, KingOf(board, opp), 0, PVNODE);
    for (int i = 0; i < count; i++)
        for (int k = 1; k < LineCount; k++)
            if (Lines[k].Moves[0].code == MoveCode(mg.From[i], mg.To[i]) &&
                Lines[k].Moves[0].promotion == mg.Promotion[i])
                mg.OrderValue[i] = LINE_MOVE_VALUE - k;
    mg.ForgetSelection();

    // Every move is searched against the worst of the lines so far: the first moves with the
    // full window, each later one with a null window first; a move above it takes its place.
    const PVEntry prev = LineCount > 0 ? Lines[0].Moves[0] : PVEntry{0, 0};
    bool prevDone = false;
    int found = 0, legal = 0;
    auto quickRoot = [this]() { return !FixedDepth && !Pondering; };
    for (int i = 0; i < count; i++) {
        if (TimeUp && quickRoot()) break;
        u64 mFrom, mTo;
        char mPromo;
        const int code = NextRootMove(mg, i, count, &mFrom, &mTo, &mPromo);
        if (code < 0) continue;
        const int alpha = found < wanted ? -MATEVALUE : NewLines[wanted - 1].Score;
        int v = NOVALUE;
        if (!SearchRootMove(board, side, castle, depth, alpha, MATEVALUE, mFrom, mTo, mPromo,
                            mg.OrderValue[i], wanted, &legal, &v))
            continue;
        if ((AbortNow && quickRoot()) || SearchAborted) break;
        if (code == prev.code && mPromo == prev.promotion) prevDone = true;
        if (found == wanted && v <= alpha) continue;
        // The move's line, in its place among the lines.
        int at = found < wanted ? found++ : wanted - 1;
        RootLine &l = NewLines[at];
        l.Moves[0] = PVEntry{static_cast<u16>(code), mPromo};
        const int end = PVTable[1][0].code;
        l.Length = end < MAXLINEMOVES ? (end > 1 ? end : 1) : MAXLINEMOVES;
        for (int k = 1; k < l.Length; k++)
            l.Moves[k] = PVTable[1][k];
        l.Score = v;
        l.Depth = depth;
        l.Bound = ScoreBound::Exact;
        for (; at > 0 && NewLines[at].Score > NewLines[at - 1].Score; at--) {
            const RootLine t = NewLines[at];
            NewLines[at] = NewLines[at - 1];
            NewLines[at - 1] = t;
        }
        if (at == 0) {
            BestChanges++;
            NoteNewBest(depth, v);
        }
    }
    if (found > 1) SecondBestValue = NewLines[1].Score;

    // Stopped, or out of time between two moves: the lines searched stand, at least as good as
    // shown, if the old best move was among them; the earlier lines fill the rest.
    const bool stopped = SearchAborted || AbortNow;
    if (stopped || (TimeUp && quickRoot())) {
        if (found == 0 || !prevDone) {
            if (LineCount > 0) PutLine(Lines[0]);
            LastRoot = RootEnd::CutEmpty;
            return NOVALUE;
        }
        LastRoot = stopped ? RootEnd::Cut : RootEnd::Shortened;
        for (int k = 0; k < found; k++)
            NewLines[k].Bound = ScoreBound::Lower;
        for (int k = 0; k < LineCount && found < wanted; k++)
            if (!StartsALine(NewLines, found, Lines[k].Moves[0])) NewLines[found++] = Lines[k];
    }
    if (!stopped) RootLegalMoves = legal;
    if (legal == 0 && !stopped) {
        LineCount = 0;
        if (board.InCheck(KingOf(board, side), side)) return -MATEVALUE;
        if (board.InCheck(KingOf(board, opp), opp)) return MATEVALUE;
        return STALEMATEVALUE;
    }
    for (int k = 0; k < found; k++)
        Lines[k] = NewLines[k];
    LineCount = found;
    PutLine(Lines[0]);
    const PVEntry best = Lines[0].Moves[0];
    *from = SquareMask(best.code >> 6);
    *to = SquareMask(best.code & 63);
    *promo = best.promotion;
    return Lines[0].Score;
}

int SearchRoutines::Search(char side, int alpha, int beta, ChessBoard &board, int depth, int ply,
                           char nullAllowed, char castle, char inCheck, u64 upper, u64 lower,
                           char nodeType, int maxPly)
{
    const char opp = side ? 0 : 1;

    // A helper stops when the program's search has decided; it publishes its node count now
    // and then. The program's search looks at its node budget now and then, and at the clock
    // and the requests from outside every few milliseconds.
    if (StopSignal) {
        if (StopSignal->load(std::memory_order_relaxed)) {
            SearchAborted = AbortNow = TimeUp = 1;
            return 0;
        }
        if (--ReportCountdown <= 0) {
            ReportCountdown = 1024;
            NodeReport->store(Nodes(), std::memory_order_relaxed);
            const i32 deadline = StopDeadline->load(std::memory_order_relaxed);
            if (deadline && ClockMs() >= deadline) {
                SearchAborted = AbortNow = TimeUp = 1;
                return 0;
            }
        }
    } else {
        if (!FixedDepth && !SearchAborted && PollCountdown-- <= 0 && Poll(ply)) return 0;
        if (--ClockCountdown <= 0 && WatchClock()) return 0;
    }

    if (ply > SelDepth) SelDepth = ply;
    // Lines of check and evasion may run past the ply limit; the tables end here.
    if (ply >= MAXSEARCHPLY) return Eval->PosEval(side, alpha, beta, &board, castle);
    // The line from this node starts empty, so that no move of another branch is copied up.
    PVTable[ply][0].code = static_cast<u16>(ply);

    // The key, and the node on the move history.
    PositionKey(side, castle, board, &upper, &lower);
    // A null move may be tried here: its table entry loads while this node's own is probed.
    if (nodeType != PVNODE && nullAllowed && !inCheck && depth > 0)
        Table->Prefetch(PositionLowerKey(opp, castle, board));
    Positions->InsertHashCodeMoveHistory(upper, lower);
    int value = 0, moveCode = 0;

    // A leaf: repetition, the table, or quiescence.
    if ((ply > maxPly || depth <= 0) && inCheck != 1) {
        if (board.FiftyMoveCount > 2 &&
            Positions->ThreeFoldRepDetection(board.FiftyMoveCount, upper, lower) != 0) {
            Positions->RetractMove();
            return 0;
        }
        if (Probe(*Table, upper, lower, side, depth, ply, alpha, beta, &value, &moveCode) <=
            TT_EXACT) {
            value = FromTable(value, ply);
            LeafNodes++;
            Positions->RetractMove();
            return value;
        }
        const int v = Quiesce(side, alpha, beta, board, depth, 0, ply + 1);
        if (v >= beta)
            Store(*Table, upper, lower, side, depth, ply, 0, v, TT_FAILHIGH, alpha, beta);
        else if (v > alpha)
            Store(*Table, upper, lower, side, depth, ply, 0, v, TT_EXACT, alpha, beta);
        else
            Store(*Table, upper, lower, side, depth, ply, 0, alpha, TT_FAILLOW, alpha, beta);
        LeafNodes++;
        Positions->RetractMove();
        return v;
    }

    // Draws by material, the fifty-move rule and repetition.
    if (board.CheckDraw(0)) {
        Positions->RetractMove();
        return 0;
    }
    if (board.FiftyMoveCount > 2 &&
        Positions->ThreeFoldRepDetection(board.FiftyMoveCount, upper, lower) > 0) {
        Positions->RetractMove();
        return 0;
    }

    // The transposition table.
    int hashMove = 0;
    bool pruning = true;
    const char code = Probe(*Table, upper, lower, side, depth, ply, alpha, beta, &value, &moveCode);
    if (code <= TT_EXACT) {
        if (Limits.Trace)
            Output->TableTrace("Position Cache Hit", value, alpha, beta, upper, lower);
        value = FromTable(value, ply);
        if (nodeType != PVNODE) {
            PVTable[ply][0].code = static_cast<u16>(ply);
            PVTable[ply][ply].code = static_cast<u16>(moveCode);
            PVTable[ply][ply].promotion = NOPROMOTION;
            Positions->RetractMove();
            return value;
        }
        pruning = false;
    }
    hashMove = moveCode;
    const bool ownPieces = side ? (board.BlackPieceTotal - board.BlackPawnCount > 0)
                                : (board.WhitePieceTotal - board.WhitePawnCount > 0);

    // Reverse futility: a static score far above beta.
    if (pruning && nodeType != PVNODE && nullAllowed && !inCheck && depth <= 3 && depth >= 0 &&
        beta >= -DECISIVE && beta <= DECISIVE && ownPieces) {
        const int e = Eval->PosEval(side, alpha, beta, &board, castle) - FutilityMargin[depth];
        if (e >= beta) {
            Positions->RetractMove();
            return e;
        }
    }

    // Null move.
    char mateThreat = 0;
    if (pruning && nodeType != PVNODE && nullAllowed && code != TT_NONULL && !inCheck) {
        const int own = Eval->SideMaterialValue(side, &board);
        if (!(own <= 9300 && depth > 6) &&
            !(beta > Eval->MaterialOnly(side, alpha, board) + 2000)) {
            u64 nullUpper, nullLower;
            PositionKey(opp, castle, board, &nullUpper, &nullLower);
            const int oppMaterial = Eval->SideMaterialValue(opp, &board);
            int nullDepth = depth - 4;
            if (depth <= 5) nullDepth += 1;
            if (own + oppMaterial > 33000) nullDepth -= 1;
            const int v = -Search(opp, -beta, 1 - beta, board, nullDepth, ply + 2, 0, castle, 0,
                                  nullUpper, nullLower, nodeType, maxPly);
            // A stopped search returns 0 from every node: nothing it found may be stored.
            if ((AbortNow && !FixedDepth) || SearchAborted) {
                Positions->RetractMove();
                return 0;
            }
            if (v >= beta) {
                Store(*Table, upper, lower, side, depth - 3, ply, 0, v, TT_FAILHIGH, alpha, beta);
                if (Limits.Trace)
                    Output->TableTrace("Position Cache Insert (NullM)", v, alpha, beta, upper,
                                       lower);
                PVTable[ply][0].code = 0;
                Positions->RetractMove();
                return beta;
            }
            mateThreat = v < -MATETHREAT ? 1 : 0;
        }
    }

    // Internal iterative deepening: a shallower search finds a move to try first.
    if (pruning && beta - alpha > 1 && nodeType != PVNODE && depth > 3) {
        Search(side, alpha, beta, board, depth - 3, ply, 0, castle, inCheck, upper, lower, nodeType,
               maxPly);
        if ((AbortNow && !FixedDepth && !Pondering) || SearchAborted) {
            Positions->RetractMove();
            return 0;
        }
        int dummy = 0, iidMove = 0;
        Probe(*Table, upper, lower, side, depth, ply, alpha, beta, &dummy, &iidMove);
        hashMove = iidMove;
    }

    // Moves: evasions when in check.
    MoveGen mg;
    char singleReply = 0;
    int count;
    if (inCheck) {
        count = mg.GenCheckEvasions(side, &board);
        singleReply = count == 1 ? 1 : 0;
    } else {
        count = mg.GenerateAllMoves(side, &board, castle);
    }
    AssignMoveOrderValues(mg, count, ply, KingOf(board, opp), hashMove, nodeType);
    int best = NOVALUE, legal = 0;
    bool raisedAlpha = false, bestFutile = false;
    const int alphaIn = alpha;
    const u64 oppPieces = side ? board.WhitePieces : board.BlackPieces;
    const u64 enemyPawns = side ? board.WhitePawns : board.BlackPawns;
    char childType = nodeType;

    // The move loop.
    if (count > 0 && beta >= -NOWINDOW) {
        for (int i = 0; i < count && best < beta; i++) {
            u64 from, to;
            char promo;
            mg.NextMove(i, count, &from, &to, &promo);
            ChessBoard child = board;
            char kept = 15;
            child.MakeMoveOnCopy(from, to, promo, &kept);
            if (child.InCheck(KingOf(child, side), side)) continue;
            legal++;
            InteriorNodes++;
            const char givesCheck = child.InCheck(KingOf(child, opp), opp) ? 1 : 0;
            const bool capture = (side ? child.WhitePieces : child.BlackPieces) != oppPieces;
            const char childCastle = static_cast<char>(castle & kept);

            // Extension.
            const int ext =
                ((childType == PVNODE || givesCheck) && singleReply + mateThreat + givesCheck > 0)
                    ? 1
                    : 0;
            // Reducible: a quiet late move, not a passed-pawn push.
            bool reducible = legal > 2 && promo == NOPROMOTION && depth > 2 && !givesCheck &&
                             ply != 1 && !mateThreat && !singleReply && !capture &&
                             mg.OrderValue[i] <= 950;
            if (reducible && (from & (side ? board.BlackPawns : board.WhitePawns)))
                reducible = (FrontSpan(side, to) & enemyPawns) != 0;
            // Reduction and futility.
            int reduction = 0, futile = 0;
            if (ext == 0 && !inCheck) {
                if (reducible) {
                    reduction = depth > 3 ? 2 : 1;
                } else if (depth == 2 && promo == NOPROMOTION && !capture && childType != PVNODE) {
                    futile = alpha > Eval->MaterialOnly(side, alpha, child) + 3440 ? 1 : 0;
                }
            }
            // The child's node type.
            if (nodeType == ALLNODE)
                childType = CUTNODE;
            else if (nodeType == CUTNODE)
                childType = ALLNODE;
            else if (nodeType == PVNODE)
                childType = legal == 1 ? PVNODE : CUTNODE;
            // The child's depth.
            const int newDepth = depth - 1 + ext - futile - reduction;

            // Search the move; its line starts empty (quiescence leaves no line).
            int v;
            PVTable[ply + 1][0].code = static_cast<u16>(ply + 1);
            if (legal == 1 || nodeType != PVNODE) {
                if (newDepth > 0 || givesCheck)
                    v = -Search(opp, -beta, -alpha, child, newDepth, ply + 1, 1, childCastle,
                                givesCheck, 0, 0, childType, maxPly);
                else
                    v = -Quiesce(opp, -beta, -alpha, child, depth - 1, 0, ply + 1);
                if (reduction && v > alpha && !(AbortNow && !FixedDepth))
                    v = -Search(opp, -beta, -alpha, child, depth - 1 + ext, ply + 1, 1, childCastle,
                                givesCheck, 0, 0, PVNODE, maxPly);
            } else {
                if (newDepth > 0 || givesCheck) {
                    v = -Search(opp, -alpha - 1, -alpha, child, newDepth, ply + 1, 1, childCastle,
                                givesCheck, 0, 0, CUTNODE, maxPly);
                    if (v > alpha && v < beta && !(AbortNow && !FixedDepth))
                        v = -Search(opp, -beta, -alpha, child, newDepth, ply + 1, 1, childCastle,
                                    givesCheck, 0, 0, CUTNODE, maxPly);
                } else {
                    v = -Quiesce(opp, -beta, -alpha, child, depth - 1, 0, ply + 1);
                }
                childType = CUTNODE;
                if (reduction && v > alpha && !(AbortNow && !FixedDepth))
                    v = -Search(opp, -beta, -alpha, child, depth - 1 + ext, ply + 1, 1, childCastle,
                                givesCheck, 0, 0, PVNODE, maxPly);
            }
            if (AbortNow && !FixedDepth) {
                Positions->RetractMove();
                return 0;
            }
            // Stopped by a command.
            if (SearchAborted) {
                Positions->RetractMove();
                return 0;
            }
            // A better move: the line, and on a cut-off the history and killers.
            if (v > best) {
                best = v;
                bestFutile = futile != 0;
                if (v > alpha) {
                    const int code16 = MoveCode(from, to);
                    PVEntry *row = PVTable[ply];
                    row[ply].code = static_cast<u16>(code16);
                    row[ply].promotion = promo;
                    if (depth + ext == 1) {
                        row[0].code = static_cast<u16>(ply + 1);
                    } else {
                        int end = PVTable[ply + 1][0].code;
                        if (end >= MAXPLY) end = MAXPLY - 1;
                        if (end < ply + 1) end = ply + 1;
                        for (int k = ply + 1; k < end; k++)
                            row[k] = PVTable[ply + 1][k];
                        row[0].code = static_cast<u16>(end);
                    }
                    if (v >= beta) {
                        AddHistory(side, code16, depth);
                        if (!(to & oppPieces) && promo == NOPROMOTION &&
                            Killers[ply][0] != code16) {
                            Killers[ply][1] = Killers[ply][0];
                            Killers[ply][0] = static_cast<u16>(code16);
                        }
                    } else {
                        alpha = v;
                        raisedAlpha = true;
                    }
                }
            }
        }
    }

    // No legal move: mate or stalemate.
    if (legal == 0) {
        if (board.InCheck(KingOf(board, side), side))
            best = ply - MATEVALUE;
        else if (board.InCheck(KingOf(board, opp), opp))
            best = MATEVALUE - ply;
        else
            best = -ply;
    }

    // Store and return.
    if (!bestFutile) {
        const i16 storeMove = static_cast<i16>(PVTable[ply][ply].code);
        if (best >= beta)
            Store(*Table, upper, lower, side, depth, ply, storeMove, best, TT_FAILHIGH, alphaIn,
                  beta);
        else if (raisedAlpha)
            Store(*Table, upper, lower, side, depth, ply, storeMove, best, TT_EXACT, alphaIn, beta);
        else
            Store(*Table, upper, lower, side, depth, ply, storeMove, alpha, TT_FAILLOW, alphaIn,
                  beta);
    }
    Positions->RetractMove();
    return best;
}

int SearchRoutines::Quiesce(char side, int alpha, int beta, ChessBoard &board, int qdepth,
                            char castle, int ply)
{
    const char opp = side ? 0 : 1;
    // Count the node; a drawn position is 0.
    QuiesceNodes++;
    PollCountdown--;
    if (ply > SelDepth) SelDepth = ply;
    if (board.CheckDraw(0)) return 0;
    // No position, however malformed, may take the captures deeper than the tables reach.
    if (ply >= MAXSEARCHPLY) return Eval->PosEval(side, alpha, beta, &board, castle);
    // Stand pat.
    const int eval = Eval->PosEval(side, alpha, beta, &board, castle);
    if (eval >= beta) return eval;
    if (eval > alpha) alpha = eval;
    int best = eval;
    // Captures and promotions.
    MoveGen mg;
    const int count = mg.GenerateQuiesceMoves(side, &board, castle);
    if (count <= 0) return best;
    const u64 oppKing = side ? board.WhiteKing : board.BlackKing;
    // Each capture in order.
    for (int i = 0; i < count; i++) {
        u64 from, to;
        char promo;
        mg.NextMove(i, count, &from, &to, &promo);
        // The rest of the list holds no captures.
        if (!(to & board.AllPieces) && promo == NOPROMOTION) return best;
        // The previous move left its king en prise.
        if (to & oppKing) return beta;
        // Losing captures are skipped.
        const int victim = ValueCapturedPiece(side, to, board);
        const int attacker = ValueCapturedPiece(opp, from, board);
        if (victim < attacker && Exchange->StaticExchangeEvaluation(opp, from, to, &board) < 0) {
            if (best >= beta) return best;
            continue;
        }
        // Play the capture; an illegal one is passed over.
        ChessBoard child = board;
        char kept = 15;
        child.MakeMoveOnCopy(from, to, promo, &kept);
        if (!child.InCheck(KingOf(child, side), side)) {
            const int v = -Quiesce(opp, -beta, -alpha, child, qdepth - 1, castle, ply + 1);
            if (v > best) {
                best = v;
                if (v > alpha) alpha = v;
            }
        }
        // A cut-off.
        if (best >= beta) return best;
    }
    return best;
}
