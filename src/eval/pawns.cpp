// Pawn structure: the cached structural scan, the passed-pawn terms, pawn races and chains.

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/hugepages.h"

#include "eval/evalboard.h"
#include "eval/poseval.h"

using namespace evalgeo;

PositionEvaluate::PositionEvaluate()
{
    // The table lies on huge pages: the probes of a search land all over it.
    void *p = MapLargeTable(sizeof(PawnHashEntry) * PAWNHASHSIZE);
    if (p == nullptr) {
        std::printf("ERROR: cannot allocate the pawn hash table\n");
        std::fflush(stdout);
        std::exit(1);
    }
    PawnTable = static_cast<PawnHashEntry *>(p);
}

PositionEvaluate::~PositionEvaluate()
{
    UnmapLargeTable(PawnTable, sizeof(PawnHashEntry) * PAWNHASHSIZE);
}

namespace {

struct PawnMasks {
    u64 adjacent[8];    // the neighbouring files of a file
    u64 ranksUpTo[8];   // ranks 1..r+1 (rank index 0..r)
    u64 ranksFrom[8];   // rank index r..7
    u64 whiteFront[64]; // squares ahead of a White pawn on its file and the neighbouring files
    u64 blackFront[64]; // the same downwards for a Black pawn
};

constexpr PawnMasks BuildPawnMasks()
{
    PawnMasks m{};
    for (int f = 0; f < 8; f++)
        m.adjacent[f] = (f > 0 ? FileOf(f - 1) : 0) | (f < 7 ? FileOf(f + 1) : 0);
    for (int r = 0; r < 8; r++) {
        m.ranksUpTo[r] = 0;
        m.ranksFrom[r] = 0;
        for (int k = 0; k <= r; k++)
            m.ranksUpTo[r] |= RankOf(k);
        for (int k = r; k < 8; k++)
            m.ranksFrom[r] |= RankOf(k);
    }
    for (int s = 0; s < 64; s++) {
        const int f = s & 7, r = s >> 3;
        const u64 files = FileOf(f) | m.adjacent[f];
        m.whiteFront[s] = r < 7 ? files & m.ranksFrom[r + 1] : 0;
        m.blackFront[s] = r > 0 ? files & m.ranksUpTo[r - 1] : 0;
    }
    return m;
}

constexpr PawnMasks Masks = BuildPawnMasks();
// e4 (28): the front span holds d5..f8; b7 (49) has a, b, c on rank 8 only.
static_assert(Masks.whiteFront[28] ==
              ((FileOf(3) | FileOf(4) | FileOf(5)) & 0xFFFFFFFF00000000ULL));
static_assert(Masks.whiteFront[49] == 0x0700000000000000ULL);
static_assert(Masks.blackFront[12] == 0x38ULL && Masks.adjacent[0] == FileOf(1));

// Chains that the phalanx term rewards: d7 e6 f5, c5 d6 e7, d6 e5 f4, c4 d5 e6 for White.
constexpr u64 Sq(int file, int rank)
{
    return u64{1} << (8 * (rank - 1) + file);
}
constexpr u64 WhiteChains[4] = {Sq(3, 7) | Sq(4, 6) | Sq(5, 5), Sq(2, 5) | Sq(3, 6) | Sq(4, 7),
                                Sq(3, 6) | Sq(4, 5) | Sq(5, 4), Sq(2, 4) | Sq(3, 5) | Sq(4, 6)};
constexpr u64 BlackChains[4] = {Sq(3, 2) | Sq(4, 3) | Sq(5, 4), Sq(2, 4) | Sq(3, 3) | Sq(4, 2),
                                Sq(3, 3) | Sq(4, 4) | Sq(5, 5), Sq(2, 5) | Sq(3, 4) | Sq(4, 3)};
constexpr u64 CENTRE_SQUARES = Sq(3, 4) | Sq(4, 4) | Sq(3, 5) | Sq(4, 5);

constexpr u64 Pack(i32 high, i32 low)
{
    return (u64{static_cast<u32>(high)} << 32) | static_cast<u32>(low);
}
constexpr i32 High(u64 v)
{
    return static_cast<i32>(static_cast<u32>(v >> 32));
}
constexpr i32 Low(u64 v)
{
    return static_cast<i32>(static_cast<u32>(v));
}
static_assert(High(Pack(-30, 7)) == -30 && Low(Pack(5, -1200)) == -1200);

// Bit 8f set for each file f whose byte of ranks is not zero.
inline u64 NonZeroBytes(const u8 *ranks)
{
    u64 v;
    std::memcpy(&v, ranks, sizeof v);
    v |= v >> 1;
    v |= v >> 2;
    v |= v >> 4;
    return v & 0x0101010101010101ULL;
}

// The statistics counters run for the whole program: past the largest value they wrap
// instead of overflowing.
inline i32 WrapIncrement(i32 v)
{
    return static_cast<i32>(static_cast<u32>(v) + 1u);
}

// Table value of a passed pawn of one side on file f at relative rank rel: connected to a
// passer on the file to the left (looked at first) or right, else protected, else plain.
inline int PasserTableValue(const u8 *ranks, int f, int rel, int r, bool isProtected)
{
    if (f > 0 && ranks[f - 1]) {
        const int d = ranks[f - 1] - r;
        return (d >= -1 && d <= 1) ? ConnectedPassers[rel] : Passers[rel];
    }
    if (f < 7 && ranks[f + 1]) {
        const int d = ranks[f + 1] - r;
        return (d >= -1 && d <= 1) ? ConnectedPassers[rel] : Passers[rel];
    }
    return isProtected ? ProtectedPassers[rel] : Passers[rel];
}

} // namespace

bool PositionEvaluate::InPawnHash(unsigned long key, u64 pawns) const
{
    const PawnHashEntry &e = PawnTable[key & 0xFFFF];
    return e.key == static_cast<u32>(key) && e.pawns == pawns;
}

void PositionEvaluate::ClearPawnHash()
{
    // An empty entry carries a key that no probe of its slot can have (its low 16 bits differ
    // from the slot number), so that even a pawnless position whose key is 0 misses.
    for (int i = 0; i < PAWNHASHSIZE; i++) {
        PawnTable[i] = PawnHashEntry{};
        PawnTable[i].key = static_cast<u32>(i) ^ 1u;
    }
}

namespace {

// One colour's part of the pawn structure.
struct PawnSide {
    int score = 0;          // placement, weak pawns and candidates
    int passerScore = 0;    // the passers' table values and the candidates' share
    int doubledPawns = 0;   // pawns with another of their colour further up the file
    u8 passerRanks[8] = {}; // per file, the rank index of the most advanced passer (0 none)
};

// The pawns own of colour C against the enemy pawns, with C's king on ksq: fills side and adds
// the terms shared with the evaluation's accumulators (isolated pawns, centre pawns) to mg and
// eg, White-positive.
template <int C>
inline void ScanPawns(u64 own, u64 enemy, int ksq, int &mg, int &eg, PawnSide &side)
{
    constexpr bool white = C == WHITE;
    constexpr int sign = white ? 1 : -1;
    constexpr int up = white ? 8 : -8;
    const SquareTable &placement = white ? WPawnSquare : BPawnSquare;
    const u64 *front = white ? Masks.whiteFront : Masks.blackFront;
    const int kf = ksq & 7, kr = ksq >> 3;
    int doubledFiles = 0;

    // 1. King zone: the king's wing ahead of a king still on its first two ranks.
    const int kingRank = white ? kr : 7 - kr;
    const u64 zone = kingRank <= 1 ? (FileOf(kf) | Masks.adjacent[kf]) &
                                         (white ? Masks.ranksFrom[kr] : Masks.ranksUpTo[kr])
                                   : 0;

    // 2. Pawn by pawn, a1 upwards (for Black the most advanced first).
    for (u64 x = own; x; x &= x - 1) {
        const int s = LowestSquare(x), f = s & 7, r = s >> 3, rel = white ? r : 7 - r;
        const u64 fileMask = FileOf(f);
        // The ranks level with or behind the pawn, and those strictly behind it.
        const u64 levelOrBehind = white ? Masks.ranksUpTo[r] : Masks.ranksFrom[r];
        const u64 behind = white ? ~Masks.ranksFrom[r] : ~Masks.ranksUpTo[r];
        bool isolated = false, backward = false;
        // 2.1-2.2. Placement; edge pawns, backward and isolated pawns.
        side.score += placement[s];
        if (f == 0) {
            if (kf >= 4) side.score -= 5;
            isolated = !(own & FileOf(1));
        } else if (f == 7) {
            if (kf <= 3) side.score -= 5;
            isolated = !(own & FileOf(6));
        } else {
            const u64 neighbours = own & Masks.adjacent[f];
            if (!neighbours) {
                isolated = true;
            } else if (!(neighbours & levelOrBehind)) {
                backward = true;
                side.score -= (enemy & fileMask) ? 40 : 80;
            }
        }
        // 2.3. Isolated.
        if (isolated) {
            mg -= sign * IsolatedPawn[f];
            eg -= sign * IsolatedPawn[f];
            if (f == 3 || f == 4) side.score -= 10;
            if (!(enemy & fileMask)) side.score -= 50;
        }
        // 2.4-2.5. Blocked in its front span, perhaps a candidate; or passed (the most advanced
        // passer of a file is kept).
        const u64 stoppers = enemy & front[s];
        if (stoppers) {
            if (!(zone & Bit(s))) side.score += Passers[rel] >> 2;
            if (!(enemy & fileMask) && !isolated) {
                const int helpers = SimpleBitCount(own & (fileMask | Masks.adjacent[f])) -
                                    SimpleBitCount(own & fileMask & behind);
                if (helpers > SimpleBitCount(stoppers)) side.passerScore += Passers[rel] / 3;
            }
        } else {
            if (isolated) side.score += 50;
            if (backward) side.score += 80;
            if (white || !side.passerRanks[f]) side.passerRanks[f] = static_cast<u8>(r);
        }
        // 2.6. Doubled: another pawn of the colour higher up the file.
        if (own & fileMask & ~Masks.ranksUpTo[r]) {
            side.doubledPawns++;
            doubledFiles |= 1 << f;
            if (!(enemy & fileMask)) side.score -= 50;
        }
    }
    // 3. CENTRE pawns.
    mg += sign * 60 * SimpleBitCount(own & CENTRE_SQUARES);
    if (!own) side.score -= 30;
    // 4. Passer table scores: connected to a passer on a neighbouring file, else protected by a
    //    pawn diagonally behind, else plain; a passer with a pawn of its own behind gets 15/16.
    for (int f = 0; f < 8; f++) {
        const int r = side.passerRanks[f];
        if (!r) continue;
        const int s = 8 * r + f;
        const bool isProtected =
            (f > 0 && (own & Bit(s - up - 1))) || (f < 7 && (own & Bit(s - up + 1)));
        const int v = PasserTableValue(side.passerRanks, f, white ? r : 7 - r, r, isProtected);
        side.passerScore += (doubledFiles & (1 << f)) ? (v * 15) >> 4 : v;
    }
}

// The structure of the pawns wp and bp with the kings on wks and bks, computed in full and
// stored in e under key: the work of a pawn hash miss.
[[gnu::noinline]] void StorePawnStructure(PawnHashEntry &e, u32 key, u64 wp, u64 bp, int wks,
                                          int bks)
{
    int mg = 0, eg = 0;
    PawnSide white, black;
    ScanPawns<WHITE>(wp, bp, wks, mg, eg, white);
    ScanPawns<BLACK>(bp, wp, bks, mg, eg, black);

    e.key = key;
    e.pawns = wp | bp;
    e.whiteDoubled = static_cast<u8>(white.doubledPawns);
    e.blackDoubled = static_cast<u8>(black.doubledPawns);
    e.middleGame = mg;
    std::memcpy(e.whitePasserRanks, white.passerRanks, sizeof white.passerRanks);
    std::memcpy(e.blackPasserRanks, black.passerRanks, sizeof black.passerRanks);
    e.pawnScores = Pack(white.score, black.score);
    e.passerScores = Pack(white.passerScore, black.passerScore);
    e.ending = eg;
    e.noBlackPawnFileSet = static_cast<u8>(~FileFill(bp));
    e.noWhitePawnFileSet = static_cast<u8>(~FileFill(wp));
}

} // namespace

int PositionEvaluate::PawnEval04(char side, int &mg, int &eg)
{
    const ChessBoard &b = *Board;
    const u64 wp = b.WhitePawns, bp = b.BlackPawns, occ = b.AllPieces;
    const u32 key = b.PawnHashCode;
    PawnHashEntry &e = PawnTable[key & 0xFFFF];

    // 1. Probe; a miss computes the structure and stores it.
    PawnAttempts = WrapIncrement(PawnAttempts);
    if (!InPawnHash(key, wp | bp)) {
        StorePawnStructure(e, key, wp, bp, WhiteKingSquare, BlackKingSquare);
        PawnMisses = WrapIncrement(PawnMisses);
    }
    Pawns = &e;

    // 12. Structural accumulator terms, hit or miss.
    mg += e.middleGame;
    eg += e.ending;
    int whitePasserScore = High(e.passerScores), blackPasserScore = Low(e.passerScores);

    // 13. White passers against the pieces and kings of this position; the attack maps are
    // built here when the evaluation has not needed them yet.
    const u8 *whiteRanks = e.whitePasserRanks, *blackRanks = e.blackPasserRanks;
    const u64 whitePasserFiles = NonZeroBytes(whiteRanks);
    const u64 blackPasserFiles = NonZeroBytes(blackRanks);
    if ((whitePasserFiles | blackPasserFiles) && !AttackMapsReady) AttackMasks();
    const int wks = WhiteKingSquare, bks = BlackKingSquare;
    const u64 whiteHelpers = WKnightAttacks | WBishopAttacks;
    for (u64 x = whitePasserFiles; x; x &= x - 1) {
        const int f = LowestSquare(x) >> 3;
        const int r = whiteRanks[f];
        const int p = 8 * r + f;
        if (DoesPawnPromote(0, r, 56 + f, side)) whitePasserScore += 150;
        const int k = KingProximityPasserPenalty[r];
        eg += k * (Distances.d[bks][p] - 7) + (k * (7 - Distances.d[wks][p])) / 2;
        // The helpers on the pawn's square and the two in front, shifted down to bits 0, 8 and
        // 16: a square off the board has no bit.
        const u64 helped = whiteHelpers >> p;
        if (helped & (u64{1} << 0)) whitePasserScore += Passers[r] >> 5;
        if (helped & (u64{1} << 8)) whitePasserScore += Passers[r] >> 5;
        if (helped & (u64{1} << 16)) whitePasserScore += Passers[r] >> 6;
        if (r == 6) {
            const u64 stop = u64{1} << (p + 8);
            if (!(occ & stop) && !(BAttacks & (stop | (u64{1} << p)))) eg += 1100;
        } else if (r == 5) {
            const u64 path = (u64{1} << (p + 16)) | (u64{1} << (p + 8));
            if (!(occ & path) && !(BAttacks & (path | (u64{1} << p)))) eg += 550;
        }
    }

    // 14. Black passers, mirrored.
    const u64 blackHelpers = BKnightAttacks | BBishopAttacks;
    for (u64 x = blackPasserFiles; x; x &= x - 1) {
        const int f = LowestSquare(x) >> 3;
        const int r = blackRanks[f];
        const int p = 8 * r + f, rel = 7 - r;
        if (DoesPawnPromote(1, r, f, side)) blackPasserScore += 150;
        const int k = KingProximityPasserPenalty[rel];
        eg += k * (7 - Distances.d[wks][p]) - (k * (7 - Distances.d[bks][p])) / 2;
        // The pawn's square and the two in front shifted up to bits 63, 55 and 47.
        const u64 helped = blackHelpers << (63 - p);
        if (helped & (u64{1} << 63)) blackPasserScore += Passers[rel] >> 5;
        if (helped & (u64{1} << 55)) blackPasserScore += Passers[rel] >> 5;
        if (helped & (u64{1} << 47)) blackPasserScore += Passers[rel] >> 6;
        if (r == 1) {
            const u64 stop = u64{1} << (p - 8);
            if (!(occ & stop) && !(WAttacks & (stop | (u64{1} << p)))) eg -= 1100;
        } else if (r == 2) {
            const u64 path = (u64{1} << (p - 16)) | (u64{1} << (p - 8));
            if (!(occ & path) && !(WAttacks & (path | (u64{1} << p)))) eg -= 550;
        }
    }
    WhitePasserScore = whitePasserScore;
    BlackPasserScore = blackPasserScore;

    // 15.
    return High(e.pawnScores) - Low(e.pawnScores);
}

bool PositionEvaluate::DoesPawnPromote(char colour, int rank, int promotionSquare,
                                       char toMove) const
{
    const bool black = colour != 0;
    int moves = black ? rank : 7 - rank;
    int limit = moves + 1;
    if (moves == 6) { // the double step saves a move
        moves = 5;
        limit = 6;
    }
    const int d = Distances.d[black ? WhiteKingSquare : BlackKingSquare][promotionSquare & 63];
    return d > limit || ((toMove != 0) == black && d > moves);
}

bool PositionEvaluate::QueenAttacks(char, int square, u64 targets) const
{
    return QueenAttacksFrom(square & 63, Board->AllPieces) & targets;
}

int PositionEvaluate::RuleofSquare(char side) const
{
    // 1. Pure king-and-pawn endings only.
    if (WhitePieceNumber != 0 || BlackPieceNumber != 0) return 0;
    const ChessBoard &b = *Board;

    // 2. The unstoppable runner of each side nearest to promotion, lower file on ties.
    int wm = 10, wq = 0, bm = 10, bq = 0;
    for (int f = 0; f < 8; f++) {
        const int r = Pawns->whitePasserRanks[f];
        if (r && DoesPawnPromote(0, r, 56 + f, side) && 7 - r < wm) {
            wm = 7 - r;
            wq = 56 + f;
        }
    }
    for (int f = 0; f < 8; f++) {
        const int r = Pawns->blackPasserRanks[f];
        if (r && DoesPawnPromote(1, r, f, side) && r < bm) {
            bm = r;
            bq = f;
        }
    }

    // 3. One runner, or the faster of two.
    if (wm == 10 && bm == 10) return 0;
    if (wm == 10) return -5700;
    if (bm == 10) return 5700;
    if (wm != bm) return wm < bm ? 5700 : -5700;

    // 4-5. Both queen together: does the first new queen check the king or win the other?
    if (side) {
        if (!QueenAttacks(1, bq, b.WhiteKing)) {
            const int x =
                (QueenAttacks(1, bq, Bit(wq)) && Distance(WhiteKingSquare, wq) >= 3) ? -5700 : 0;
            if (!QueenAttacks(0, wq, b.BlackKing) || !QueenAttacks(0, wq, Bit(bq))) return x;
            return Distance(BlackKingSquare, bq) <= 2 ? 0 : 5700;
        }
        return Distance(WhiteKingSquare, wq) <= 2 ? 0 : -5700;
    }
    if (!QueenAttacks(0, wq, b.BlackKing)) {
        const int x =
            (QueenAttacks(0, wq, Bit(bq)) && Distance(BlackKingSquare, bq) >= 3) ? 5700 : 0;
        if (!QueenAttacks(1, bq, b.WhiteKing) || !QueenAttacks(1, bq, Bit(wq))) return x;
        return Distance(WhiteKingSquare, wq) <= 2 ? 0 : -5700;
    }
    return Distance(BlackKingSquare, bq) <= 2 ? 0 : 5700;
}

int PositionEvaluate::PawnPhalanx() const
{
    const ChessBoard &b = *Board;
    int v = 0;
    for (int i = 0; i < 4; i++) {
        v += 20 * SimpleBitCount(b.WhitePawns & WhiteChains[i]);
        v -= 20 * SimpleBitCount(b.BlackPawns & BlackChains[i]);
    }
    return v;
}
