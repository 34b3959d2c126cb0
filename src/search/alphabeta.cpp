// The root, interior and quiescence searches.

#include <cstdio>

#include "eval/poseval.h"
#include "hash/book.h"
#include "hash/hashcode.h"
#include "movegen/movegen.h"
#include "movegen/see.h"
#include "search/compmov.h"
#include "search/hashtab.h"
#include "search/movhist.h"
#include "shell/humanmov.h"
#include "shell/protocol.h"
#include "shell/status.h"

namespace {

constexpr int kFutilityMargin[8] = {1200, 1100, 1925, 2700, 3500, 4400, 5300, 6200};

inline u64 KingOf(const ChessBoard& b, char side) { return side ? b.BlackKing : b.WhiteKing; }

// Mate scores in the table are distances from the node that stored them; the search counts them
// from the root. A score or window bound from the root becomes one from a node at ply.
inline int ToTable(int v, int ply) { return v > 109799 ? v + ply : (v < -109799 ? v - ply : v); }

// Stores a result with its mate score measured from this node. The table pushes mate scores out
// by the depth it is given, so the depth is taken off first.
inline void Store(u64 upper, u64 lower, char side, int depth, int ply, int move, int value,
                  char flag, int alpha, int beta)
{
    int v = ToTable(value, ply);
    if (v > 109799) v -= depth;
    else if (v < -109799) v += depth;
    PositionCache.InsertTranspositionTables(upper, lower, side, depth, static_cast<i16>(move), v,
                                            flag, alpha, beta);
}

// Probes with the window measured from this node; the caller takes the ply off the value again.
inline char Probe(u64 upper, u64 lower, char side, int depth, int ply, int alpha, int beta,
                  int* value, int* move)
{
    return PositionCache.SearchTranspositionTables(upper, lower, side, depth, ToTable(alpha, ply),
                                                   ToTable(beta, ply), value, move);
}

// Prints a progress line of the root in the dialect in use.
void RootProgressLine(int depth, int score, bool withTime, const char* line)
{
    const Status& st = MainStatus;
    const long long nodes = static_cast<long long>(Search.Nodes());
    if (st.xboard && st.Post == 1) {
        std::printf("%d %d %d %lld %s", depth, score / 10, st.MoveTime, nodes, line);
        std::fflush(stdout);
    }
    if (st.UCIMode) {
        if (withTime)
            std::printf("info depth %d score cp %d time %d nodes %lld pv%s", depth, score / 10,
                        st.MoveTime, nodes, line);
        else
            std::printf("info depth %d score cp %d nodes %lld pv%s", depth, score / 10, nodes, line);
        std::fflush(stdout);
    }
}

}  // namespace

int SearchRoutines::SearchTreeRoot(char side, ChessBoard board, int alpha, int beta, int depth,
                                   u64* from, u64* to, char* promo, char castle)
{
    Status& st = MainStatus;
    const char opp = side ? 0 : 1;
    MoveGen mg;
    char line[1024];

    // 1. Book.
    if (st.BenchMode == 0 && st.UseBook == 1 && depth == 1 && AllowedRootCount <= 0) {
        const int k = InBook(side, castle, MainBoard);
        if (k >= 0) {
            mg.GenerateAllMoves(side, &board, castle);
            mg.GetMove(k, 0, from, to, promo);
            BookMove = 1;
            BookPly = st.GamePly;
            return k;
        }
    }
    // 2-3.
    if (st.UCIMode) {
        std::printf("info depth %d\n", depth);
        std::fflush(stdout);
    }
    WriteLogFile("Init Tree Root Search Choice From=%d  To=%d  Promo=%c\n", PVTable[0][0].code >> 6,
                 PVTable[0][0].code & 63, PVTable[0][0].promotion);

    // 4. Moves.
    SecondBestValue = NOVALUE;
    RootDepth = depth;
    const int count = mg.GenerateAllMoves(side, &board, castle);
    RootMoveCount = count;
    mg.AssignMoveOrderValues(count, 0, KingOf(board, opp), 0, 1);

    // 5. The move loop; the best move starts as the previous iteration's.
    int best = NOVALUE, legal = 0, v = NOVALUE;
    const PVEntry prev = PVTable[0][0];
    u64 bestFrom = prev.code || prev.promotion ? SquareMask(prev.code >> 6) : 0;
    u64 bestTo = prev.code || prev.promotion ? SquareMask(prev.code & 63) : 0;
    char bestPromo = prev.promotion;
    if (!prev.code && !prev.promotion) bestFrom = bestTo = 0;
    // Read afresh at each use: a ponder hit turns a ponder search into a timed one mid-move.
    auto quickRoot = [&st]() { return !st.FD && !st.Pondering; };
    for (int i = 0; i < count && best < beta; i++) {
        // 5.1
        if (TimeUp && quickRoot()) {
            WriteLogFile("Tree Root Search Interrupted at m=%d LegalMoves=%d NumMove=%d\n", i, legal, count);
            break;
        }
        // 5.2
        RootMoveNumber = i + 1;
        u64 mFrom, mTo;
        char mPromo;
        mg.NextMove(i, count, &mFrom, &mTo, &mPromo);
        if (!RootMoveAllowed(MoveCode(mFrom, mTo))) continue;
        ChessBoard child = board;
        char mask = 15;
        child.MakeMove(mFrom, mTo, mPromo, &mask);
        const char childCastle = static_cast<char>(castle & mask);
        u64 upper, lower;
        PositionKey(opp, childCastle, child, &upper, &lower);
        // 5.3
        if (child.InCheck(KingOf(child, side), side)) continue;
        // 5.4-5.5
        legal++;
        InteriorNodes++;
        if (st.UCIMode) {
            if (ShowCurrLineEnabled() && depth > 8 && Nodes() > 3 * static_cast<i64>(st.NPS)) {
                fillmovestring(line, 0, static_cast<char>(RightMostBit(mFrom) - 1),
                               static_cast<char>(RightMostBit(mTo) - 1), mPromo, 0);
                line[5 + (line[5] != ' ' && line[5] != '\n')] = '\0';
                std::printf("info currmove%s currmovenumber %d\n", line, legal);
            }
            std::fflush(stdout);
        }
        // 5.6-5.7
        const char givesCheck = child.InCheck(KingOf(child, opp), opp) ? 1 : 0;
        const bool capture = (mTo & board.AllPieces) != 0;
        const int pieces = board.QuickPieceCount();
        const bool reducible = mPromo == NOPROMOTION && depth > 2 && legal > 2 && !givesCheck &&
                               !capture && mg.OrderValue[i] <= 950 && pieces > 2;
        // 5.8-5.9 The move's line starts empty: a move scored by quiescence has no continuation.
        const int maxPly = board.SearchPlyLimit;
        PVTable[1][0].code = 1;
        if (depth + givesCheck == 1) {
            v = -Quiesce(opp, -beta, -alpha, child, 0, 0, 1);
        } else if (legal == 1) {
            v = -Search(opp, -beta, -alpha, child, depth - 1 + givesCheck, 1, 1, childCastle, givesCheck,
                        upper, lower, 1, maxPly);
        } else {
            bool done = false;
            if (reducible) {
                v = -Search(opp, -alpha - 1, -alpha, child, depth - 2, 1, 1, childCastle, 0, upper,
                            lower, 3, maxPly);
                done = v <= alpha;
            }
            if (!done && !(AbortNow && quickRoot())) {
                v = -Search(opp, -alpha - 1, -alpha, child, depth - 1 + givesCheck, 1, 1, childCastle,
                            givesCheck, upper, lower, 3, maxPly);
                if (v > alpha && v < beta && !(AbortNow && quickRoot()))
                    v = -Search(opp, -beta, -alpha, child, depth - 1 + givesCheck, 1, 1, childCastle,
                                givesCheck, upper, lower, 1, maxPly);
            }
        }
        // 5.10 / 7. Abort exit: the caller keeps the last completed iteration's move.
        if (AbortNow && quickRoot()) {
            WriteLogFile("Tree Search #1 Interrupted at m=%d LegalMoves=%d NumMove=%d\n", i, legal, count);
            WriteLogFile("Tree Root Search Choice #1 From=%d  To=%d  Promo=%d\n",
                         RightMostBit(bestFrom) - 1, RightMostBit(bestTo) - 1, bestPromo);
            if (best > NOVALUE) {
                fillmovestring(line, best, static_cast<char>(RightMostBit(bestFrom) - 1),
                               static_cast<char>(RightMostBit(bestTo) - 1), bestPromo, 1);
                if (!st.UCIMode || depth > 7) RootProgressLine(depth, best, true, line);
                if (st.UCIMode && depth > 7) std::printf("info currmovenumber %d\n", legal);
                std::fflush(stdout);
            }
            return best;
        }
        if (SearchAborted) break;
        // 5.11
        if (v > best) {
            SecondBestValue = best;
            bestFrom = mFrom;
            bestTo = mTo;
            bestPromo = mPromo;
            if (depth >= 10 && (st.MovesPerSession == 0 || st.MovesPerSession > 2) &&
                v + 200 < PreviousValue && st.TimeLeft / 4 >= static_cast<i64>(st.TimeInc) * 1000)
                FailingLow = 1;
            best = v;
            if (v > alpha) {
                BestChanges++;
                PVTable[0][0].code = static_cast<u16>(MoveCode(mFrom, mTo));
                PVTable[0][0].promotion = mPromo;
                PVLength = PVTable[1][0].code;
                if (PVLength >= MAXPLY) PVLength = MAXPLY - 1;
                for (int k = 1; k < PVLength; k++) PVTable[0][k] = PVTable[1][k];
                fillmovestring(line, v, static_cast<char>(RightMostBit(mFrom) - 1),
                               static_cast<char>(RightMostBit(mTo) - 1), mPromo, 1);
                if (depth > 7) {
                    WriteLogFile("ply %d  v %d  TimeLastPly %d  TotalNodes %d  %s", depth, v, st.MoveTime,
                                 Nodes(), line);
                    if (st.Post == 1 && st.xboard == 1 && RootDepth > 7) {
                        std::printf("%d %d %d %lld %s", depth, v / 10, st.MoveTime,
                                    static_cast<long long>(Nodes()), line);
                        std::fflush(stdout);
                    }
                }
                alpha = v;
                if (st.UCIMode) {
                    if (st.AnalyzeMode == 1)
                        std::printf("info depth %d score cp %d time %d nodes %lld pv%s", depth, v / 10,
                                    st.MoveTime * 1000, static_cast<long long>(Nodes()), line);
                    else
                        std::printf("info depth %d score cp %d nodes %lld pv%s", depth, v / 10,
                                    static_cast<long long>(Nodes()), line);
                    std::fflush(stdout);
                }
            }
        } else if (v > SecondBestValue) {
            SecondBestValue = v;
        }
    }

    // 6. End of the loop.
    if ((SearchAborted || TimeUp || AbortNow) && !st.Pondering) {
        if (best > NOVALUE) {
            fillmovestring(line, best, static_cast<char>(RightMostBit(bestFrom) - 1),
                           static_cast<char>(RightMostBit(bestTo) - 1), bestPromo, 1);
            RootProgressLine(depth, best, false, line);
        }
        if (AbortNow) return best;
        if (SearchAborted) {
            *from = bestFrom;
            *to = bestTo;
            *promo = bestPromo;
            return best;
        }
    }
    RootLegalMoves = legal;
    if (legal == 0) {
        if (board.InCheck(KingOf(board, side), side)) best = -MATEVALUE;
        else if (board.InCheck(KingOf(board, opp), opp)) best = MATEVALUE;
        else best = STALEMATEVALUE;
    }
    *from = bestFrom;
    *to = bestTo;
    *promo = bestPromo;
    return best;
}

int SearchRoutines::Search(char side, int alpha, int beta, ChessBoard& board, int depth, int ply,
                           char nullAllowed, char castle, char inCheck, u64 upper, u64 lower,
                           char nodeType, int maxPly)
{
    Status& st = MainStatus;
    const char opp = side ? 0 : 1;

    // 1. Poll for input and the budget; look at the clock every few milliseconds.
    if (!st.BenchMode) {
        if (!st.FD && !SearchAborted && PollCountdown-- <= 0 && Poll(ply)) return 0;
        if (--ClockCountdown <= 0 && WatchClock()) return 0;
    }

    // Lines of check and evasion may run past the ply limit; the tables end here.
    if (ply >= MAXSEARCHPLY) return PE.PosEval(side, alpha, beta, &board, castle);
    // The line from this node starts empty, so that no move of another branch is copied up.
    PVTable[ply][0].code = static_cast<u16>(ply);

    // 2. Key and history.
    PositionKey(side, castle, board, &upper, &lower);
    // A null move may be tried here: its table entry loads while this node's own is probed.
    if (nodeType != 1 && nullAllowed && !inCheck && depth > 0)
        PositionCache.Prefetch(PositionLowerKey(opp, castle, board));
    MoveList.InsertHashCodeMoveHistory(upper, lower);
    int value = 0, moveCode = 0;

    // 3. Leaf.
    if ((ply > maxPly || depth <= 0) && inCheck != 1) {
        if (board.FiftyMoveCount > 2 && MoveList.ThreeFoldRepDetection(board.FiftyMoveCount, upper, lower) != 0) {
            MoveList.RetractMove();
            return 0;
        }
        if (Probe(upper, lower, side, depth, ply, alpha, beta, &value, &moveCode) <= 2) {
            if (value > 109799) value -= ply;
            else if (value < -109799) value += ply;
            LeafNodes++;
            MoveList.RetractMove();
            return value;
        }
        const int v = Quiesce(side, alpha, beta, board, depth, 0, ply + 1);
        if (v >= beta)
            Store(upper, lower, side, depth, ply, 0, v, 1, alpha, beta);
        else if (v > alpha)
            Store(upper, lower, side, depth, ply, 0, v, 2, alpha, beta);
        else
            Store(upper, lower, side, depth, ply, 0, alpha, 0, alpha, beta);
        LeafNodes++;
        MoveList.RetractMove();
        return v;
    }

    // 4-5. Draws.
    if (board.CheckDraw(0)) {
        MoveList.RetractMove();
        return 0;
    }
    if (board.FiftyMoveCount > 2 && MoveList.ThreeFoldRepDetection(board.FiftyMoveCount, upper, lower) > 0) {
        MoveList.RetractMove();
        return 0;
    }

    // 6. Table.
    int hashMove = 0;
    bool pruning = true;
    const char code = Probe(upper, lower, side, depth, ply, alpha, beta, &value, &moveCode);
    if (code <= 2) {
        if (st.Trace == 1) {
            std::printf("Position Cache Hit: v=%d alpha=%d beta=%d\n", value, alpha, beta);
            std::printf("Upper HC %llu Lower HC %llu\n", static_cast<unsigned long long>(upper),
                        static_cast<unsigned long long>(lower));
        }
        if (value > 109799) value -= ply;
        else if (value < -109799) value += ply;
        if (nodeType != 1) {
            PVTable[ply][0].code = static_cast<u16>(ply);
            PVTable[ply][ply].code = static_cast<u16>(moveCode);
            PVTable[ply][ply].promotion = NOPROMOTION;
            MoveList.RetractMove();
            return value;
        }
        pruning = false;
    }
    hashMove = moveCode;
    const bool ownPieces = side ? (board.BlackPieceTotal - board.BlackPawnCount > 0)
                                : (board.WhitePieceTotal - board.WhitePawnCount > 0);

    // 7. Reverse futility.
    if (pruning && nodeType != 1 && nullAllowed && !inCheck && depth <= 3 && depth >= 0 &&
        beta >= -109899 && beta <= 109899 && ownPieces) {
        const int e = PE.PosEval(side, alpha, beta, &board, castle) - kFutilityMargin[depth];
        if (e >= beta) {
            MoveList.RetractMove();
            return e;
        }
    }

    // 8. Null move.
    char mateThreat = 0;
    if (pruning && nodeType != 1 && nullAllowed && code != 4 && !inCheck) {
        const int own = PE.SideMaterialValue(side, &board);
        if (!(own <= 9300 && depth > 6) && !(beta > PE.MaterialOnly(side, alpha, board) + 2000)) {
            u64 nullUpper, nullLower;
            PositionKey(opp, castle, board, &nullUpper, &nullLower);
            const int oppMaterial = PE.SideMaterialValue(opp, &board);
            int nullDepth = depth - 4;
            if (depth <= 5) nullDepth += 1;
            if (own + oppMaterial > 33000) nullDepth -= 1;
            const int v = -Search(opp, -beta, 1 - beta, board, nullDepth, ply + 2, 0, castle, 0, nullUpper,
                                  nullLower, nodeType, maxPly);
            // A stopped search returns 0 from every node: nothing it found may be stored.
            if ((AbortNow && st.FD == 0) || SearchAborted) {
                MoveList.RetractMove();
                return 0;
            }
            if (v >= beta) {
                Store(upper, lower, side, depth - 3, ply, 0, v, 1, alpha, beta);
                if (st.Trace == 1) {
                    std::printf("Position Cache Insert (NullM): v=%d alpha=%d beta=%d\n", v, alpha, beta);
                    std::printf("Upper HC %llu Lower HC %llu\n", static_cast<unsigned long long>(upper),
                                static_cast<unsigned long long>(lower));
                }
                PVTable[ply][0].code = 0;
                MoveList.RetractMove();
                return beta;
            }
            mateThreat = v < -109699 ? 1 : 0;
        }
    }

    // 9. Internal iterative deepening.
    if (pruning && beta - alpha > 1 && nodeType != 1 && depth > 3) {
        Search(side, alpha, beta, board, depth - 3, ply, 0, castle, inCheck, upper, lower, nodeType, maxPly);
        if ((AbortNow && !st.FD && !st.Pondering) || SearchAborted) {
            MoveList.RetractMove();
            return 0;
        }
        int dummy = 0, iidMove = 0;
        Probe(upper, lower, side, depth, ply, alpha, beta, &dummy, &iidMove);
        hashMove = iidMove;
    }

    // 10. Moves.
    MoveGen mg;
    char singleReply = 0;
    int count;
    if (inCheck) {
        count = mg.GenCheckEvasions(side, &board);
        singleReply = count == 1 ? 1 : 0;
    } else {
        count = mg.GenerateAllMoves(side, &board, castle);
    }
    mg.AssignMoveOrderValues(count, ply, KingOf(board, opp), hashMove, nodeType);
    int best = NOVALUE, legal = 0;
    bool raisedAlpha = false, bestFutile = false;
    const int alphaIn = alpha;
    const u64 oppPieces = side ? board.WhitePieces : board.BlackPieces;
    const u64 enemyPawns = side ? board.WhitePawns : board.BlackPawns;
    char childType = nodeType;

    // 11. Move loop.
    if (count > 0 && beta >= -110199) {
        for (int i = 0; i < count && best < beta; i++) {
            u64 from, to;
            char promo;
            mg.NextMove(i, count, &from, &to, &promo);
            ChessBoard child = board;
            char mask = 15;
            child.MakeMove(from, to, promo, &mask);
            if (child.InCheck(KingOf(child, side), side)) continue;
            legal++;
            InteriorNodes++;
            const char givesCheck = child.InCheck(KingOf(child, opp), opp) ? 1 : 0;
            const bool capture = (side ? child.WhitePieces : child.BlackPieces) != oppPieces;
            const char childCastle = static_cast<char>(castle & mask);

            // 11.5 Extension.
            const int ext = ((childType == 1 || givesCheck) && singleReply + mateThreat + givesCheck > 0) ? 1 : 0;
            // 11.6 Reducible: a quiet late move, not a passed-pawn push.
            bool reducible = legal > 2 && promo == NOPROMOTION && depth > 2 && !givesCheck && ply != 1 &&
                             !mateThreat && !singleReply && !capture && mg.OrderValue[i] <= 950;
            if (reducible && (from & (side ? board.BlackPawns : board.WhitePawns)))
                reducible = (FrontSpan(side, to) & enemyPawns) != 0;
            // 11.7 Reduction and futility.
            int reduction = 0, futile = 0;
            if (ext == 0 && !inCheck) {
                if (reducible) {
                    reduction = depth > 3 ? 2 : 1;
                } else if (depth == 2 && promo == NOPROMOTION && !capture && childType != 1) {
                    futile = alpha > PE.MaterialOnly(side, alpha, child) + 3440 ? 1 : 0;
                }
            }
            // 11.8 Child type.
            if (nodeType == 2) childType = 3;
            else if (nodeType == 3) childType = 2;
            else if (nodeType == 1) childType = legal == 1 ? 1 : 3;
            // 11.9
            const int newDepth = depth - 1 + ext - futile - reduction;

            // 11.10 Search the move; its line starts empty (quiescence leaves no line).
            int v;
            PVTable[ply + 1][0].code = static_cast<u16>(ply + 1);
            if (legal == 1 || nodeType != 1) {
                if (newDepth > 0 || givesCheck)
                    v = -Search(opp, -beta, -alpha, child, newDepth, ply + 1, 1, childCastle, givesCheck,
                                0, 0, childType, maxPly);
                else
                    v = -Quiesce(opp, -beta, -alpha, child, depth - 1, 0, ply + 1);
                if (reduction && v > alpha && !(AbortNow && st.FD == 0))
                    v = -Search(opp, -beta, -alpha, child, depth - 1 + ext, ply + 1, 1, childCastle,
                                givesCheck, 0, 0, 1, maxPly);
            } else {
                if (newDepth > 0 || givesCheck) {
                    v = -Search(opp, -alpha - 1, -alpha, child, newDepth, ply + 1, 1, childCastle,
                                givesCheck, 0, 0, 3, maxPly);
                    if (v > alpha && v < beta && !(AbortNow && st.FD == 0))
                        v = -Search(opp, -beta, -alpha, child, newDepth, ply + 1, 1, childCastle,
                                    givesCheck, 0, 0, 3, maxPly);
                } else {
                    v = -Quiesce(opp, -beta, -alpha, child, depth - 1, 0, ply + 1);
                }
                childType = 3;
                if (reduction && v > alpha && !(AbortNow && st.FD == 0))
                    v = -Search(opp, -beta, -alpha, child, depth - 1 + ext, ply + 1, 1, childCastle,
                                givesCheck, 0, 0, 1, maxPly);
            }
            if (AbortNow && st.FD == 0) {
                MoveList.RetractMove();
                return 0;
            }
            // 11.11
            if (SearchAborted) {
                MoveList.RetractMove();
                return 0;
            }
            // 11.12
            if (v > best) {
                best = v;
                bestFutile = futile != 0;
                if (v > alpha) {
                    const int code16 = MoveCode(from, to);
                    PVEntry* row = PVTable[ply];
                    row[ply].code = static_cast<u16>(code16);
                    row[ply].promotion = promo;
                    if (depth + ext == 1) {
                        row[0].code = static_cast<u16>(ply + 1);
                    } else {
                        int end = PVTable[ply + 1][0].code;
                        if (end >= MAXPLY) end = MAXPLY - 1;
                        if (end < ply + 1) end = ply + 1;
                        for (int k = ply + 1; k < end; k++) row[k] = PVTable[ply + 1][k];
                        row[0].code = static_cast<u16>(end);
                    }
                    if (v >= beta) {
                        AddHistory(side, code16, depth);
                        if (!(to & board.AllPieces) && promo == NOPROMOTION && Killers[ply][0] != code16) {
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

    // 13. No legal move.
    if (legal == 0) {
        if (board.InCheck(KingOf(board, side), side)) best = ply - MATEVALUE;
        else if (board.InCheck(KingOf(board, opp), opp)) best = MATEVALUE - ply;
        else best = -ply;
    }

    // 14. Store and return.
    if (!bestFutile) {
        const i16 storeMove = static_cast<i16>(PVTable[ply][ply].code);
        if (best >= beta)
            Store(upper, lower, side, depth, ply, storeMove, best, 1, alphaIn, beta);
        else if (raisedAlpha)
            Store(upper, lower, side, depth, ply, storeMove, best, 2, alphaIn, beta);
        else
            Store(upper, lower, side, depth, ply, storeMove, alpha, 0, alphaIn, beta);
    }
    MoveList.RetractMove();
    return best;
}

int SearchRoutines::Quiesce(char side, int alpha, int beta, ChessBoard& board, int qdepth, char castle, int ply)
{
    const char opp = side ? 0 : 1;
    // 1-2.
    QuiesceNodes++;
    PollCountdown--;
    if (board.CheckDraw(0)) return 0;
    // 3-4. Stand pat.
    const int eval = PE.PosEval(side, alpha, beta, &board, castle);
    if (eval >= beta) return eval;
    if (eval > alpha) alpha = eval;
    int best = eval;
    // 5.
    MoveGen mg;
    const int count = mg.GenerateQuiesceMoves(side, &board, castle);
    mg.QuiesceAssignMoveOrderValues(count, ply);
    if (count <= 0) return best;
    const u64 oppKing = side ? board.WhiteKing : board.BlackKing;
    // 6.
    for (int i = 0; i < count; i++) {
        u64 from, to;
        char promo;
        mg.NextMove(i, count, &from, &to, &promo);
        // 6.1 The rest of the list holds no captures.
        if (!(to & board.AllPieces) && promo == NOPROMOTION) return best;
        // 6.2 The previous move left its king en prise.
        if (to & oppKing) return beta;
        // 6.3 Losing captures are skipped.
        const int victim = ValueCapturedPiece(side, to, &board);
        const int attacker = ValueCapturedPiece(opp, from, &board);
        if (victim < attacker && see.StaticExchangeEvaluation(opp, from, to, &board) < 0) {
            if (best >= beta) return best;
            continue;
        }
        // 6.4-6.5
        ChessBoard child = board;
        char mask = 15;
        child.MakeMove(from, to, promo, &mask);
        if (!child.InCheck(KingOf(child, side), side)) {
            const int v = -Quiesce(opp, -beta, -alpha, child, qdepth - 1, castle, ply + 1);
            if (v > best) {
                best = v;
                if (v > alpha) alpha = v;
            }
        }
        // 6.6
        if (best >= beta) return best;
    }
    return best;
}
