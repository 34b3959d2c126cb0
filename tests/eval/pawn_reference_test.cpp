// The stored pawn structure against a plain square-by-square reading of the pawn rules,
// over random games.

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "eval/eval_fixture.h"

namespace {

struct PawnFacts {
    int ws = 0, bs = 0, mg = 0, eg = 0;
    int whitePasserScore = 0, blackPasserScore = 0;
    int whiteDoubled = 0, blackDoubled = 0;
    int whitePassers = 0, blackPassers = 0;
    int whiteRanks[8] = {}, blackRanks[8] = {};
};

// The pawn structure terms worked out with one square at a time; colour 0 White, 1 Black.
PawnFacts ReferencePawns(const ChessBoard& b)
{
    auto pawn = [&](int colour, int f, int r) {
        if (f < 0 || f > 7 || r < 0 || r > 7) return false;
        return (((colour ? b.BlackPawns : b.WhitePawns) >> (8 * r + f)) & 1) != 0;
    };
    auto onFile = [&](int colour, int f) {
        for (int r = 0; r < 8; r++)
            if (pawn(colour, f, r)) return true;
        return false;
    };
    PawnFacts out;
    for (int colour = 0; colour < 2; colour++) {
        const int enemy = 1 - colour;
        // "Ahead" is a higher rank for White, a lower one for Black.
        auto ahead = [&](int r1, int r0) { return colour ? r1 < r0 : r1 > r0; };
        const int ksq = __builtin_ctzll(colour ? b.BlackKing : b.WhiteKing);
        const int kf = ksq & 7, kr = ksq >> 3;
        const bool zoneKing = colour ? kr >= 6 : kr <= 1;
        int score = 0, passerScore = 0, doubled = 0, passers = 0, ranks[8] = {};
        bool doubledFile[8] = {};
        int any = 0;
        for (int s = 0; s < 64; s++) {
            const int f = s & 7, r = s >> 3;
            if (!pawn(colour, f, r)) continue;
            any++;
            const int rel = colour ? 7 - r : r;
            score += colour ? BPawnSquare[s] : WPawnSquare[s];
            bool isolated = false, backward = false;
            if (f == 0 || f == 7) {
                if (f == 0 ? kf >= 4 : kf <= 3) score -= 5;
                isolated = !onFile(colour, f == 0 ? 1 : 6);
            } else {
                bool neighbour = false, besideOrBehind = false;
                for (int ff = f - 1; ff <= f + 1; ff += 2)
                    for (int rr = 0; rr < 8; rr++)
                        if (pawn(colour, ff, rr)) {
                            neighbour = true;
                            if (!ahead(rr, r)) besideOrBehind = true;
                        }
                if (!neighbour) isolated = true;
                else if (!besideOrBehind) {
                    backward = true;
                    score -= onFile(enemy, f) ? 40 : 80;
                }
            }
            const int sign = colour ? 1 : -1;  // the accumulators are White-positive
            if (isolated) {
                out.mg += sign * IsolatedPawn[f];
                out.eg += sign * IsolatedPawn[f];
                if (f == 3 || f == 4) score -= 10;
                if (!onFile(enemy, f)) score -= 50;
            }
            int stoppers = 0;
            for (int ff = f - 1; ff <= f + 1; ff++)
                for (int rr = 0; rr < 8; rr++)
                    if (pawn(enemy, ff, rr) && ahead(rr, r)) stoppers++;
            if (stoppers) {
                const bool inZone = zoneKing && std::abs(f - kf) <= 1 && !ahead(kr, r);
                if (!inZone) score += Passers[rel] / 4;
                if (!onFile(enemy, f) && !isolated) {
                    int helpers = 0;
                    for (int ff = f - 1; ff <= f + 1; ff++)
                        for (int rr = 0; rr < 8; rr++)
                            if (pawn(colour, ff, rr) && !(ff == f && ahead(r, rr))) helpers++;
                    if (helpers > stoppers) passerScore += Passers[rel] / 3;
                }
            } else {
                if (isolated) score += 50;
                if (backward) score += 80;
                // The most advanced passer of the file is the one recorded.
                if (!ranks[f] || ahead(r, ranks[f])) ranks[f] = r;
                passers++;
            }
            // Doubled: another pawn of the side further along the scan (a higher square).
            for (int rr = r + 1; rr < 8; rr++)
                if (pawn(colour, f, rr)) {
                    doubled++;
                    doubledFile[f] = true;
                    if (!onFile(enemy, f)) score -= 50;
                    break;
                }
        }
        for (int s : {27, 28, 35, 36})
            if (pawn(colour, s & 7, s >> 3)) out.mg += colour ? -60 : 60;
        if (!any) score -= 30;
        for (int f = 0; f < 8; f++) {
            const int r = ranks[f];
            if (!r) continue;
            const int rel = colour ? 7 - r : r;
            int v;
            const int near = ConnectedPassers[rel], far = Passers[rel];
            if (f > 0 && ranks[f - 1]) v = std::abs(ranks[f - 1] - r) <= 1 ? near : far;
            else if (f < 7 && ranks[f + 1]) v = std::abs(ranks[f + 1] - r) <= 1 ? near : far;
            else {
                const int behind = colour ? r + 1 : r - 1;
                const bool guarded = pawn(colour, f - 1, behind) || pawn(colour, f + 1, behind);
                v = guarded ? ProtectedPassers[rel] : Passers[rel];
            }
            passerScore += doubledFile[f] ? v * 15 / 16 : v;
        }
        (colour ? out.bs : out.ws) = score;
        (colour ? out.blackPasserScore : out.whitePasserScore) = passerScore;
        (colour ? out.blackDoubled : out.whiteDoubled) = doubled;
        (colour ? out.blackPassers : out.whitePassers) = passers;
        for (int f = 0; f < 8; f++) (colour ? out.blackRanks : out.whiteRanks)[f] = ranks[f];
    }
    return out;
}

void ExpectStoredStructureMatches(ChessBoard& b)
{
    PE.PosEval(0, -110000, 110000, &b, 0);
    ASSERT_TRUE(InPawnHash(b.PawnHashCode, b.WhitePawns | b.BlackPawns));
    const PawnHashEntry& e = PawnHashArray[b.PawnHashCode & 0xFFFF];
    const PawnFacts ref = ReferencePawns(b);
    EXPECT_EQ(static_cast<i32>(e.pawnScores >> 32), ref.ws);
    EXPECT_EQ(static_cast<i32>(e.pawnScores & 0xFFFFFFFFu), ref.bs);
    EXPECT_EQ(e.middleGame, ref.mg);
    EXPECT_EQ(e.ending, ref.eg);
    EXPECT_EQ(static_cast<i32>(e.passerScores >> 32), ref.whitePasserScore);
    EXPECT_EQ(static_cast<i32>(e.passerScores & 0xFFFFFFFFu), ref.blackPasserScore);
    EXPECT_EQ(e.whiteDoubled, ref.whiteDoubled);
    EXPECT_EQ(e.blackDoubled, ref.blackDoubled);
    EXPECT_EQ(e.passerCounts[0], ref.whitePassers);
    EXPECT_EQ(e.passerCounts[1], ref.blackPassers);
    for (int f = 0; f < 8; f++) {
        EXPECT_EQ(e.whitePasserRanks[f], ref.whiteRanks[f]) << "file " << f;
        EXPECT_EQ(e.blackPasserRanks[f], ref.blackRanks[f]) << "file " << f;
    }
    // File masks: a file is in a mask when no pawn of that kind stands on it.
    for (int f = 0; f < 8; f++) {
        const u64 file = 0x0101010101010101ULL << f;
        EXPECT_EQ((e.NoWhitePawnFiles() & file) == file, !(b.WhitePawns & file));
        EXPECT_EQ((e.NoBlackPawnFiles() & file) == file, !(b.BlackPawns & file));
        EXPECT_EQ((e.OpenFiles() & file) == file, !((b.WhitePawns | b.BlackPawns) & file));
    }
}

}  // namespace

TEST(PawnStructure, StoredStructureFollowsTheRulesSquareBySquare)
{
    const char* starts[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "3r1k2/4npp1/1ppr3p/p6P/P2PPPP1/1NR5/5K2/2R5 w - - 0 0",
        "4b3/p3kp2/6p1/3pP2p/2pP1P2/4K1P1/P3N2P/8 w - - 0 0",
        "8/pp3ppp/2p5/3P4/1P6/P4P2/5KPP/4k3 w - - 0 1",
    };
    std::mt19937 rng(77);
    ClearPawnHash();
    int checked = 0;
    for (int game = 0; game < 40 && !HasFailure(); game++) {
        ChessBoard b = EvalBoard(starts[game % 4]);
        for (int ply = 0; ply < 120 && !HasFailure(); ply++) {
            if (!PlayRandomMove(b, rng)) break;
            PrepareForEval(b);
            ExpectStoredStructureMatches(b);
            checked++;
        }
    }
    EXPECT_GT(checked, 2000);
}
