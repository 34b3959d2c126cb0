#include "core/status.h"

Status MainStatus;

namespace {

constexpr u64 Sq(int file, int rank)
{
    return SquareMask(SquareOf(file, rank));
}
constexpr int a = 0, b = 1, c = 2, d = 3, e = 4, f = 5, g = 6, h = 7;

} // namespace

void Status::initVars()
{
    HumanToMove = 1;
    PERFT = 0;
    BenchMode = 0;
    SATrain = 0;
    Post = 0;
    MimicMode = 0;
    DoTestSuite = 0;
    PEV = 0;
    SelfPlay = 0;
    GameInProgress = 1;
    Trace = 0;
    GamePly = 1;
    Kibitz = (Kibitz == 1) ? 1 : 0;
    if (UCIMode != 1) {
        UCIMode = 0;
        UseBook = 1;
        TimePerMove = 0;
        MovesPerSession = 0;
        DefaultMovesPerSession = 50;
        FD = 0;
        ST = 0;
    }

    for (int i = 0; i < 8; i++) {
        FileMask[i] = 0x0101010101010101ULL << i;
        RankMask[i] = 0xFFULL << (8 * i);
    }
    FilesGH = 0xc0c0c0c0c0c0c0c0ULL;
    FilesAB = 0x0303030303030303ULL;
    FilesFGH = 0xe0e0e0e0e0e0e0e0ULL;
    FilesABC = 0x0707070707070707ULL;

    // Three-square centre diagonals of the pawn phalanx.
    ShortDiagonal[0] = Sq(f, 4) | Sq(e, 5) | Sq(d, 6);
    ShortDiagonal[1] = Sq(c, 4) | Sq(d, 5) | Sq(e, 6);
    ShortDiagonal[2] = Sq(f, 3) | Sq(e, 4) | Sq(d, 5);
    ShortDiagonal[3] = Sq(c, 3) | Sq(d, 4) | Sq(e, 5);
    ShortDiagonal[4] = Sq(d, 1) | Sq(e, 2) | Sq(f, 3);
    ShortDiagonal[5] = Sq(e, 1) | Sq(d, 2) | Sq(c, 3);
    ShortDiagonal[6] = Sq(d, 2) | Sq(e, 3) | Sq(f, 4);
    ShortDiagonal[7] = Sq(e, 2) | Sq(d, 3) | Sq(c, 4);

    LongDiagonal[0] = 0x0004081020408000ULL;
    LongDiagonal[1] = 0x0002040810204000ULL;
    LongDiagonal[2] = 0x0001020408102000ULL;
    LongDiagonal[3] = 0x0080402010080400ULL;
    LongDiagonal[4] = 0x0040201008040200ULL;
    LongDiagonal[5] = 0x0020100804020100ULL;

    LightSquares = 0x55aa55aa55aa55aaULL;
    DarkSquares = 0xaa55aa55aa55aa55ULL;
    CornerSquares = 0x8100000000000081ULL;
    LowerHalf = 0x00000000ffffffffULL;
    UpperHalf = 0xffffffff00000000ULL;

    SqH8 = Sq(h, 7);
    SqH7 = Sq(h, 6);
    SqF7 = Sq(f, 6);
    SqG7 = Sq(g, 6);
    SqH6 = Sq(h, 5);
    SqF6 = Sq(f, 5);
    SqG6 = Sq(g, 5);
    SqA8 = Sq(a, 7);
    SqA7 = Sq(a, 6);
    SqC7 = Sq(c, 6);
    SqA6 = Sq(a, 5);
    SqB7 = Sq(b, 6);
    SqC6 = Sq(c, 5);
    SqB6 = Sq(b, 5);
    SqH1 = Sq(h, 0);
    SqH2 = Sq(h, 1);
    SqF2 = Sq(f, 1);
    SqG2 = Sq(g, 1);
    SqH3 = Sq(h, 2);
    SqF3 = Sq(f, 2);
    SqG3 = Sq(g, 2);
    SqA1 = Sq(a, 0);
    SqA2 = Sq(a, 1);
    SqC2 = Sq(c, 1);
    SqB2 = Sq(b, 1);
    SqA3 = Sq(a, 2);
    SqC3 = Sq(c, 2);
    SqB3 = Sq(b, 2);
    SqB8 = Sq(b, 7);
    SqG8 = Sq(g, 7);
    SqB1 = Sq(b, 0);
    SqG1 = Sq(g, 0);
}
