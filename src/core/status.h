#pragma once
// The engine status record: what lasts from one search to the next. The dialect, the console
// and xboard game with its time and depth settings, the options, and the diagnostic modes of the
// command line. The limits of one search are a value of their own (search/limits.h).

#include "core/types.h"

// The benchmarks the command line asks for (BenchMode).
constexpr u8 BENCH_NONE = 0;
constexpr u8 BENCH_SIX = 1;      // -bench: six positions
constexpr u8 BENCH_TWO_WAYS = 2; // -bench2: one position by both drivers
constexpr u8 BENCH_WORD = 3;     // "bench": -bench with a closing "N nodes N nps" line

// The depth limit of a new console or xboard game, in plies.
constexpr i32 DEFAULT_DEPTH_LIMIT = 56;

class Status {
  public:
    // --- the dialect and the thinking output ---
    u8 UCIMode = 0;
    u8 xboard = 0;
    u8 Post = 0;     // thinking lines
    u8 Kibitz = 0;   // "tellics kibitz" lines after the engine's moves
    u8 Terminal = 0; // a person types at a terminal: the console speaks to them alone
    // --- the console and xboard game ---
    i32 GamePly = 1;       // half-moves played
    u8 GameInProgress = 1; // no mate, stalemate or draw yet
    u8 HumanToMove = 1;    // the opponent's turn
    u8 SelfPlay = 0;       // the engine plays both sides
    u8 ForceMode = 0;      // the engine only plays the moves it is given
    u8 AnalyzeMode = 0;    // the engine analyses until told to stop
    // --- their time and depth settings ---
    i32 TimeLeft = 0;                     // the engine's clock, milliseconds
    i32 TimeInc = 0;                      // increment per move, milliseconds
    i32 MovesPerSession = 0;              // moves of a time control ("level"); 0 = the whole game
    i32 ST = 0;                           // fixed time per move, milliseconds; 0 = none
    i32 DepthLimit = DEFAULT_DEPTH_LIMIT; // "sd", -sd: the deepest a search goes
    i32 FD = 0;                           // -fd: every search goes exactly this deep; 0 = none
    // --- options ---
    u8 UseBook = 1;       // the root may play from the opening book
    u8 BookBest = 0;      // the heaviest move of the book file rather than one drawn by weight
    i32 MoveOverhead = 0; // milliseconds the interface loses per move, kept off the clock
    i32 MultiPV = 1;      // lines a search reports: the best move, the best of the rest, ...
    u8 LimitStrength = 0; // play at the level of Elo (UCI_LimitStrength)
    i32 Elo = 1900;       // that level, on Stockfish's UCI_Elo scale (UCI_Elo); 1900 is full
    i32 SkillLevel = 20;  // 0 to 20; below 20 a level as well (Skill Level)
    u8 Trace = 0;         // -trace: perft's moves, the book's and the table's steps
    // --- the diagnostic modes of the command line ---
    u8 PERFT = 0;
    u8 BenchMode = BENCH_NONE;
    u8 SATrain = 0;
    u8 DoTestSuite = 0;
    u8 PEV = 0;
    u8 MimicMode = 0;

    // Sets the defaults of a new game; the UCI dialect keeps its options and settings.
    void initVars();
};

extern Status MainStatus;
