#pragma once
// Move lists and their generators: all moves, the quiescence set and check evasions.

#include <cstdint>
#include <utility>

#include "board/board.h"

// A list always accepts MAXMOVES moves. A generator starts a new piece (or target square) only
// while fewer than MAXMOVES moves are listed, and one piece adds at most 27 moves, so the
// arrays carry MOVESLACK spare entries and no board, however malformed, writes past them.
constexpr int MAXMOVES = 335;
constexpr int MOVESLACK = 32;
constexpr int MOVELISTSIZE = MAXMOVES + MOVESLACK;

// A move is a from-mask, a to-mask (one bit each) and a promotion byte:
//   'Q' white pawn reaching rank 8, 'q' black pawn reaching rank 1, NOPROMOTION (236) otherwise.
// Generated moves are pseudo-legal: the caller makes each one and drops it when its own king is
// then attacked. Castling and king evasions are already filtered against attacked squares.
// Victim value of a capture for move ordering: the knight two below the bishop; the king counts
// as given.
template <typename A> inline i32 ArmyVictimValue(const A victims, u64 to, i32 kingValue)
{
    if (to & victims.Bishops()) return 3250;
    if (to & victims.Knights()) return 3248;
    if (to & victims.Rooks()) return 5000;
    if (to & victims.Pawns()) return 800;
    if (to & victims.Queens()) return 9750;
    if (to & victims.King()) return kingValue;
    return 0;
}
inline i32 VictimValue(const ChessBoard &b, char victimColour, u64 to, i32 kingValue)
{
    return victimColour == 0 ? ArmyVictimValue(ArmyOf<WHITE>(b), to, kingValue)
                             : ArmyVictimValue(ArmyOf<BLACK>(b), to, kingValue);
}

// The selection record of a list whose values arrive in order: bit i is set when entry i lies
// above the lowest value seen (entries 0 .. 63; later ones leave no bit).
struct AboveLowest {
    i32 lowest = INT32_MAX;
    u64 above = 0;
    u64 bit = 1;
    void Add(i32 value)
    {
        if (value < lowest) {
            above = bit - 1;
            lowest = value;
        } else if (value > lowest) {
            above |= bit;
        }
        bit <<= 1;
    }
};

class MoveGen {
  public:
    ChessBoard *Board = nullptr;
    u64 From[MOVELISTSIZE];
    u64 To[MOVELISTSIZE];
    char Promotion[MOVELISTSIZE];
    i32 OrderValue[MOVELISTSIZE];

    // --- drivers: each sets Board and returns the number of moves (entries 0 .. n-1) ---
    // Captures (N, B, R, Q, K), quiet moves (N, B, R, Q), castling, king moves, pawn moves.
    int GenerateAllMoves(char colour, ChessBoard *board, char castle);
    // Captures by queens, rooks, knights and bishops, every pawn move, king captures, each with
    // its quiescence order value (a capture: the victim, a king 10000, less the capturer's cost
    // -- minor 12, rook 19, pawn 3, queen or king 38 -- plus 10; a queen promotion 750; any other
    // move 0) and the selection record of NextMove.
    int GenerateQuiesceMoves(char colour, ChessBoard *board, char);
    // King evasions; with exactly one checker also knight, rook, bishop, pawn and queen moves
    // that capture it or step in between.
    int GenCheckEvasions(char colour, ChessBoard *board);

    // Copies entry index into the three outputs; the list is not reordered.
    void GetMove(int index, int, u64 *from, u64 *to, char *promotion) const
    {
        *from = From[index];
        *to = To[index];
        *promotion = Promotion[index];
    }

    // --- ordering and selection (ordering.cpp; the interior ordering belongs to the search) ---
    // Moves the first entry of start .. end-1 with the highest OrderValue to index start
    // (swapping it with the entry there) and copies it out. Called for start = 0, 1, 2, ...
    // after an ordering has set the values, it looks only at the entries above the list's
    // lowest value; any other call scans the whole range. The picks are the same either way.
    void NextMove(int start, int end, u64 *from, u64 *to, char *promotion)
    {
        int best = start;
        // The record holds no entry at or past SelEnd, so a call at the end picks start.
        if (start == SelNext && end == SelEnd) {
            // Entries at the lowest value are never the first maximum while one above it is
            // left, so only those are compared; when none is left the first entry is the pick.
            if (SelAbove) best = PickAbove(start);
            SelNext = start + 1;
        } else {
            best = ScanBest(start, end);
        }
        if (best != start) {
            std::swap(From[start], From[best]);
            std::swap(To[start], To[best]);
            std::swap(Promotion[start], Promotion[best]);
            std::swap(OrderValue[start], OrderValue[best]);
        }
        *from = From[start];
        *to = To[start];
        *promotion = Promotion[start];
    }
    // Sets the selection record of NextMove once an ordering has set the values: bit i of above
    // is set when entry i lies above the lowest value of the n entries (kept only for n <= 64).
    void SetSelection(u64 above, int n)
    {
        SelAbove = above;
        SelNext = 0;
        SelEnd = n <= 64 ? n : -1;
    }
    // Drops the selection record after the values were changed: NextMove scans them all.
    void ForgetSelection() { SelEnd = -1; }

  private:
    // Selection record: the entries SelNext .. SelEnd-1 whose value is above the lowest one,
    // one bit each. Valid only while the next call is NextMove(SelNext, SelEnd); a generator
    // clears it (SelEnd -1).
    u64 SelAbove = 0;
    int SelNext = 0;
    int SelEnd = -1;

    // The first entry with the highest value among the selection record's, which moves the
    // bit of the entry at start to the pick's index and drops start.
    int PickAbove(int start)
    {
        u64 above = SelAbove;
        u64 rest = above;
        int best = LowestSquare(rest);
        i32 bestValue = OrderValue[best];
        for (rest &= rest - 1; rest; rest &= rest - 1) {
            const int i = LowestSquare(rest);
            if (OrderValue[i] > bestValue) {
                bestValue = OrderValue[i];
                best = i;
            }
        }
        const u64 startBit = (above >> start) & 1;
        above = (above & ~(u64{1} << best)) | (startBit << best);
        SelAbove = above & ~(u64{1} << start);
        return best;
    }
    // The first entry of start .. end-1 with the highest value, by a full scan; it ends the
    // selection record.
    int ScanBest(int start, int end);
};
