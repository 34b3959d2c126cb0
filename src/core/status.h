#pragma once
// The engine status record: protocol flags, time settings, search switches and board masks.

#include "core/types.h"

class Status {
  public:
    u8 MimicMode = 0;
    i32 SearchStartTime = 0;
    i32 GamePly = 1;
    i32 PlyReached = 0;
    i32 MoveTime = 0;
    i32 TimeInc = 0;     // increment per move, milliseconds
    i32 TimePerMove = 0; // milliseconds
    i32 TimeLeft = 0;    // milliseconds
    i32 NPS = 1200000;
    i32 EmergencyTimeThreshold = 0;
    u8 xboard = 0;
    u8 UCIMode = 0;
    u8 GameInProgress = 1;
    u8 SelfPlay = 0;
    char FD = 0;
    u8 HumanToMove = 1;
    u8 Kibitz = 0;
    u8 PERFT = 0;
    u8 BenchMode = 0;
    u8 SATrain = 0;
    u8 DoTestSuite = 0;
    u8 Post = 0;
    u8 ForceMode = 0;
    u8 UseBook = 1;
    u8 PEV = 0;
    u8 AnalyzeMode = 0;
    u8 RestartGame = 0;
    u8 Trace = 0;
    u8 Pondering = 0;
    u64 FileMask[8] = {};
    u64 FilesGH = 0;
    u64 FilesAB = 0;
    u64 FilesFGH = 0;
    u64 FilesABC = 0;
    u64 ShortDiagonal[8] = {};
    u64 RankMask[8] = {};
    u64 LongDiagonal[6] = {};
    u64 LightSquares = 0;
    u64 DarkSquares = 0;
    u64 CornerSquares = 0;
    u64 LowerHalf = 0;
    u64 UpperHalf = 0;
    i32 MovesPerSession = 0; // moves of a time control ("level", "movestogo"); 0 = the whole game
    i32 MovesToGo = 0;       // moves left to the time control for this move; 0 = the whole game
    i64 NodeLimit = 0;       // the search stops once this many nodes are searched; 0 = none
    i32 MateLimit = 0;       // the search stops at a mate in at most this many moves; 0 = none
    i32 MoveOverhead = 0;    // milliseconds the interface loses per move, kept off the clock
    i32 DefaultMovesPerSession = 50;
    i32 ST = 0; // fixed time per move, milliseconds; 0 = none
    u64 SqH8 = 0, SqH7 = 0, SqF7 = 0, SqG7 = 0, SqH6 = 0, SqF6 = 0, SqG6 = 0, SqA8 = 0;
    u64 SqA7 = 0, SqC7 = 0, SqA6 = 0, SqB7 = 0, SqC6 = 0, SqB6 = 0, SqH1 = 0, SqH2 = 0;
    u64 SqF2 = 0, SqG2 = 0, SqH3 = 0, SqF3 = 0, SqG3 = 0, SqA1 = 0, SqA2 = 0, SqC2 = 0;
    u64 SqB2 = 0, SqA3 = 0, SqC3 = 0, SqB3 = 0, SqB8 = 0, SqG8 = 0, SqB1 = 0, SqG1 = 0;

    // Sets the game defaults and computes every mask.
    void initVars();
    void initPieceSquares() {}

    void setPERFT(char v) { PERFT = static_cast<u8>(v); }
    char getPERFT() const { return static_cast<char>(PERFT); }
    void setFD(char v) { FD = v; }
    char getFD() const { return FD; }
    void setxboard(char v) { xboard = static_cast<u8>(v); }
    char getxboard() const { return static_cast<char>(xboard); }
    void setDoTestSuite(char v) { DoTestSuite = static_cast<u8>(v); }
    char getDoTestSuite() const { return static_cast<char>(DoTestSuite); }
};

extern Status MainStatus;
