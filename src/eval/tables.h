#pragma once
// Constant evaluation tables: square tables for every piece, mobility counts, file and rank values.
// Square tables are indexed a1 = 0 .. h8 = 63; each Black table mirrors the White one (s XOR 56).

#include <array>

#include "core/types.h"

using SquareTable = std::array<i32, 64>;

namespace evaltables {

// The vertical mirror: the entry of s is the entry of the square on the same file, other side
// (s XOR 56). It turns a table written as a diagram (rank 8 first, files a..h) into square
// order, and a White table into the Black one.
constexpr SquareTable Mirror(const SquareTable &t)
{
    SquareTable m{};
    for (int s = 0; s < 64; s++)
        m[s] = t[s ^ 56];
    return m;
}

} // namespace evaltables

// clang-format off
inline constexpr SquareTable WKnightSquare = evaltables::Mirror({
    -250, -250, -200, -150, -150, -200, -250, -250,
    -200, -100,  -50,  -50,  -50,  -50, -100, -200,
    -100,   50,   30,   40,   40,   30,   50, -100,
    -100,   50,   30,   80,   80,   30,   50, -100,
    -100,    0,   60,  100,  100,   60,    0, -100,
    -150, -100,    0,   50,   50,    0, -100, -150,
    -200, -200, -150, -100, -100, -150, -200, -200,
    -400, -400, -300, -250, -250, -300, -400, -400,
});

inline constexpr SquareTable KnightEnding = evaltables::Mirror({
    -250, -250, -250, -250, -250, -250, -250, -250,
    -250,  -50,  -50,  -50,  -50,  -50,  -50, -250,
    -250,  -50,   50,   50,   50,   50,  -50, -250,
    -250,  -50,   50,  150,  150,   50,  -50, -250,
    -250,  -50,   50,  150,  150,   50,  -50, -250,
    -250,  -50,   50,   50,   50,   50,  -50, -250,
    -250,  -50,  -50,  -50,  -50,  -50,  -50, -250,
    -250, -250, -250, -250, -250, -250, -250, -250,
});

inline constexpr SquareTable WKnightPost = evaltables::Mirror({
    0, 0,   0,   0,   0,   0, 0, 0,
    0, 0,  64,  90,  90,  64, 0, 0,
    0, 0, 120, 160, 160, 120, 0, 0,
    0, 0,  80, 120, 120,  80, 0, 0,
    0, 0,  60,  80,  80,  60, 0, 0,
    0, 0,   0,   0,   0,   0, 0, 0,
    0, 0,   0,   0,   0,   0, 0, 0,
    0, 0,   0,   0,   0,   0, 0, 0,
});

inline constexpr SquareTable WBishopSquare = evaltables::Mirror({
    -100, -100,  -70,  -40,  -40,  -70, -100, -100,
    -100,   25,  -30,    0,    0,  -30,   25, -100,
     -60,  -20,   50,   20,   20,   50,  -20,  -60,
     -30,    5,   20,   80,   80,   20,    5,  -30,
     -30,    3,   20,   80,   80,   20,    3,  -30,
     -60,  -20,   50,   20,   20,   50,  -20,  -60,
    -100,   25,  -30,    0,    0,  -30,   25, -100,
    -200, -200, -200, -150, -150, -200, -200, -200,
});

inline constexpr SquareTable BishopEnding = evaltables::Mirror({
    -150, -150, -120, -100, -100, -120, -150, -150,
    -150,  -50,    0,   10,   10,    0,  -50, -150,
    -120,    0,   10,   30,   30,   10,    0, -120,
    -100,   10,   20,   60,   60,   20,   10, -100,
    -100,   10,   20,   60,   60,   20,   10, -100,
    -120,    0,   10,   30,   30,   10,    0, -120,
    -150,  -50,    0,   10,   10,    0,  -50, -150,
    -150, -150, -120, -100, -100, -120, -150, -150,
});

inline constexpr SquareTable WKingSquare = evaltables::Mirror({
    -700, -700, -700, -700, -700, -700, -700, -700,
    -700, -700, -700, -700, -700, -700, -700, -700,
    -600, -600, -600, -600, -600, -600, -600, -600,
    -500, -500, -500, -500, -500, -500, -500, -500,
    -400, -400, -400, -400, -400, -400, -400, -400,
    -100, -100, -100, -100, -100, -100, -100, -100,
    -100, -100, -100, -120, -120, -120, -100, -100,
     180,  210,  130, -210, -210,  130,  210,  180,
});

inline constexpr SquareTable KingEnding = evaltables::Mirror({
    -250, -150,  -80,  -50,  -50,  -80, -150, -250,
    -150,  -70,   12,   12,   12,   12,  -70, -150,
     -80,   12,   12,   32,   32,   12,   12,  -80,
     -50,   12,   32,   80,   80,   32,   12,  -50,
     -50,   12,   32,   80,   80,   32,   12,  -50,
     -80,   12,   12,   32,   32,   12,   12,  -80,
    -150,  -70,   12,   12,   12,   12,  -70, -150,
    -250, -150,  -80,  -50,  -50,  -80, -150, -250,
});

inline constexpr SquareTable WPawnSquare = evaltables::Mirror({
    0, 0, 0,   0,   0, 0, 0, 0,
    0, 0, 0,  60,  60, 0, 0, 0,
    0, 0, 0,  60,  60, 0, 0, 0,
    0, 0, 0, 152, 152, 0, 0, 0,
    0, 0, 0, 187, 187, 0, 0, 0,
    0, 3, 0, 112, 112, 0, 3, 0,
    0, 0, 0, -10, -10, 0, 0, 0,
    0, 0, 0,   0,   0, 0, 0, 0,
});
// clang-format on

inline constexpr SquareTable BKnightSquare = evaltables::Mirror(WKnightSquare);
inline constexpr SquareTable BKnightPost = evaltables::Mirror(WKnightPost);
inline constexpr SquareTable BBishopSquare = evaltables::Mirror(WBishopSquare);
inline constexpr SquareTable BKingSquare = evaltables::Mirror(WKingSquare);
inline constexpr SquareTable BPawnSquare = evaltables::Mirror(WPawnSquare);

// Entries read off the diagrams by hand (a1 = 0, d4 = 27, e5 = 36, g1 = 6, h8 = 63).
static_assert(WKnightSquare[0] == -400 && WKnightSquare[27] == 100 && WKnightSquare[63] == -250);
static_assert(BKnightSquare[0] == -250 && BKnightSquare[35] == 100 && BKnightSquare[62] == -400);
static_assert(KnightEnding[27] == 150 && KnightEnding[9] == -50 && KnightEnding[18] == 50);
static_assert(WKnightPost[42] == 120 && WKnightPost[27] == 80 && WKnightPost[51] == 90);
static_assert(BKnightPost[18] == 120 && BKnightPost[35] == 80 && BKnightPost[11] == 90);
static_assert(WBishopSquare[9] == 25 && WBishopSquare[25] == 3 && WBishopSquare[3] == -150);
static_assert(BBishopSquare[49] == 25 && BBishopSquare[33] == 3 && BBishopSquare[59] == -150);
static_assert(BishopEnding[36] == 60 && BishopEnding[16] == -120 && BishopEnding[10] == 0);
static_assert(WKingSquare[6] == 210 && WKingSquare[4] == -210 && WKingSquare[11] == -120);
static_assert(BKingSquare[62] == 210 && BKingSquare[60] == -210 && BKingSquare[51] == -120);
static_assert(KingEnding[18] == 12 && KingEnding[56] == -250 && KingEnding[28] == 80);
static_assert(WPawnSquare[28] == 187 && WPawnSquare[17] == 3 && WPawnSquare[11] == -10);
static_assert(BPawnSquare[36] == 187 && BPawnSquare[41] == 3 && BPawnSquare[51] == -10);

// Mobility by number of reachable squares not holding own pieces.
inline constexpr std::array<i32, 9> KnightMobility = {-160, 0, 50, 60, 70, 80, 90, 100, 112};
inline constexpr std::array<i32, 14> BishopMobility = {-300, 0,   100, 150, 200, 250, 270,
                                                       290,  310, 330, 350, 370, 390, 396};
inline constexpr std::array<i32, 15> RookMobility = {-140, 0,   35,  70,  105, 140, 170, 170,
                                                     170,  175, 175, 175, 180, 180, 180};
inline constexpr std::array<i32, 28> QueenMobility = {
    -130, 0,   60,  120, 180, 210, 240, 270, 300, 320, 340, 360, 380, 400,
    410,  420, 430, 440, 450, 465, 460, 465, 470, 475, 480, 485, 490, 495};
static_assert(KnightMobility[8] == 112 && BishopMobility[13] == 396 && RookMobility[14] == 180);
static_assert(QueenMobility[19] == 465 && QueenMobility[20] == 460 && QueenMobility[27] == 495);

// Rooks on the seventh and eighth ranks by count. Counts past 10 (only on boards with more
// rooks than a game can make) read the last value instead of leaving the table.
inline constexpr std::array<i16, 17> Majorson7 = {
    0, 350, 650, 950, 1250, 1400, 1450, 1500, 1500, 1500, 1500, 1500, 1500, 1500, 1500, 1500, 1500};
static_assert(Majorson7[1] == 350 && Majorson7[4] == 1250 && Majorson7[10] == 1500);

// By file a..h.
inline constexpr std::array<i32, 8> IsolatedPawn = {90, 100, 100, 110, 110, 100, 100, 90};
inline constexpr std::array<i32, 8> OpenFileControl = {185, 185, 190, 200, 200, 190, 185, 185};
// By relative rank index (rank 1 = 0).
inline constexpr std::array<i32, 8> KingProximityPasserPenalty = {0, 17, 34, 54, 81, 120, 184, 0};
inline constexpr std::array<i32, 8> Passers = {0, 40, 80, 160, 270, 550, 1100, 0};
inline constexpr std::array<i32, 8> ProtectedPassers = {0, 50, 90, 170, 300, 600, 1200, 0};
inline constexpr std::array<i32, 8> ConnectedPassers = {0, 60, 100, 180, 320, 640, 1280, 0};
static_assert(IsolatedPawn[3] == 110 && OpenFileControl[0] == 185 && Passers[6] == 1100);
static_assert(KingProximityPasserPenalty[4] == 81 && ProtectedPassers[5] == 600);
static_assert(ConnectedPassers[6] == 1280);
