#include "shell/uciprotocol.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/board.h"
#include "board/hashcode.h"
#include "board/movetext.h"
#include "board/movhist.h"
#include "book/book.h"
#include "core/platform.h"
#include "core/status.h"
#include "eval/poseval.h"
#include "movegen/legal.h"
#include "movegen/movegen.h"
#include "search/compmov.h"
#include "search/hashtab.h"
#include "shell/startup.h"
#include "shell/ucimoves.h"

UCIProtocol UCI;

namespace {

// "go infinite" gives the search two weeks.
constexpr i32 kInfiniteTime = 1209600000;
// The speed estimate assumed by analysis and by a new game.
constexpr i32 kAnalysisNPS = 800000;
// Deepest "go depth" accepted: the search's ply tables end well before twice this.
constexpr int kMaxGoDepth = 60;

bool StartsWith(const char* s, const char* prefix)
{
    return std::strncmp(s, prefix, std::strlen(prefix)) == 0;
}
bool Contains(const char* s, const char* part)
{
    return std::strstr(s, part) != nullptr;
}

// Leading decimal number of a word, held to the range of an i32; no digits read as 0.
i32 Number(const char* word)
{
    const long long n = std::strtoll(word, nullptr, 10);
    if (n > INT32_MAX) return INT32_MAX;
    if (n < INT32_MIN) return INT32_MIN;
    return static_cast<i32>(n);
}

// The parameters of one "go" line.
struct GoParameters {
    bool infinite = false, ponder = false, searchmoves = false;
    bool movestogo = false, depth = false, movetime = false;
    i32 wtime = -1, btime = -1, winc = -1, binc = -1;
    i32 movestogoValue = 0, depthValue = 0, movetimeValue = 0;
};

bool IsGoKeyword(const char* w)
{
    static const char* const kKeywords[] = {"searchmoves", "ponder", "wtime",     "btime",
                                            "winc",        "binc",   "movestogo", "depth",
                                            "nodes",       "mate",   "movetime",  "infinite"};
    for (const char* k : kKeywords)
        if (std::strcmp(w, k) == 0) return true;
    return false;
}

// Reads the words of a "go" line; the legal moves after "searchmoves" go to the search's list
// of allowed root moves.
GoParameters ReadGoLine(const char* line)
{
    GoParameters g;
    const char* p = line + 2;
    char word[UCI_WORD_MAX];
    char value[UCI_WORD_MAX];
    Search.AllowedRootCount = 0;
    while (NextLineWord(&p, word, sizeof word) > 0) {
        auto number = [&]() -> i32 {
            const char* q = p;
            if (NextLineWord(&q, value, sizeof value) == 0 || IsGoKeyword(value)) return 0;
            p = q;
            return Number(value);
        };
        if (std::strcmp(word, "infinite") == 0)
            g.infinite = true;
        else if (std::strcmp(word, "ponder") == 0)
            g.ponder = true;
        else if (std::strcmp(word, "wtime") == 0)
            g.wtime = number();
        else if (std::strcmp(word, "btime") == 0)
            g.btime = number();
        else if (std::strcmp(word, "winc") == 0)
            g.winc = number();
        else if (std::strcmp(word, "binc") == 0)
            g.binc = number();
        else if (std::strcmp(word, "movestogo") == 0) {
            g.movestogo = true;
            g.movestogoValue = number();
        } else if (std::strcmp(word, "depth") == 0) {
            g.depth = true;
            g.depthValue = number();
        } else if (std::strcmp(word, "movetime") == 0) {
            g.movetime = true;
            g.movetimeValue = number();
        } else if (std::strcmp(word, "searchmoves") == 0) {
            g.searchmoves = true;
            // Legal moves of the position are kept; anything else in the list is passed over.
            for (;;) {
                const char* q = p;
                if (NextLineWord(&q, value, sizeof value) == 0 || IsGoKeyword(value)) break;
                p = q;
                const int fromSq = UCISquare(value);
                const int toSq = fromSq >= 0 ? UCISquare(value + 2) : -1;
                MoveGen mg;
                if (toSq < 0 ||
                    LegalMoveIndex(MainBoard, MainBoard.SideToMove, fromSq, toSq, mg) < 0)
                    continue;
                const u16 code = static_cast<u16>(fromSq * 64 + toSq);
                bool known = false;
                for (int i = 0; i < Search.AllowedRootCount; i++)
                    known = known || Search.AllowedRootMoves[i] == code;
                if (!known && Search.AllowedRootCount < MAXROOTMOVES)
                    Search.AllowedRootMoves[Search.AllowedRootCount++] = code;
            }
        }
    }
    return g;
}

// The reply move of the root line after the best move, as text, when the line holds a legal one.
bool PonderText(const ChessBoard& before, u64 from, u64 to, char promo, char* out)
{
    if (Search.PVLength <= 1) return false;
    if (Search.PVTable[0][0].code != MoveCode(from, to)) return false;
    const PVEntry reply = Search.PVTable[0][1];
    ChessBoard after = before;
    PlayGameMove(after, from, to, promo, nullptr);
    const char side = after.SideToMove;
    MoveGen mg;
    const int fromSq = reply.code >> 6, toSq = reply.code & 63;
    const int i = LegalMoveIndex(after, side, fromSq, toSq, mg);
    if (i < 0) return false;
    char letter = reply.promotion;
    if (mg.Promotion[i] == NOPROMOTION)
        letter = NOPROMOTION;
    else if (!IsPromotionLetter(letter))
        letter = 'q';
    MoveText(out, fromSq, toSq, letter);
    return true;
}

// Runs the search on the game position and prints its "info score cp" and "bestmove" lines.
void RunSearch(UCIProtocol& u)
{
    Status& st = MainStatus;
    // Search the game position; the interface plays the move it is sent.
    const ChessBoard before = MainBoard;
    ChessBoard copy = MainBoard;
    u64 from = 0, to = 0;
    u.Promo = NOPROMOTION;
    const int v = Search.ProgressiveDeepening(copy, st.FD, &from, &to, &u.Promo);
    Search.AllowedRootCount = 0;
    st.Pondering = 0;
    st.AnalyzeMode = 0;

    // 2. The move must be legal in the searched position; with no legal move it is "0000".
    const char side = before.SideToMove ? 1 : 0;
    MoveGen mg;
    const int fromSq = from ? RightMostBit(from) - 1 : -1;
    const int toSq = to ? RightMostBit(to) - 1 : -1;
    int i = LegalMoveIndex(before, side, fromSq, toSq, mg);
    char text[8] = "0000";
    char ponder[8] = "";
    bool withPonder = false;
    if (i < 0 && (i = FirstLegalMoveIndex(before, side, mg)) >= 0) {
        std::printf("Major Error: the search chose no legal move\n");
        from = mg.From[i];
        to = mg.To[i];
        u.Promo = mg.Promotion[i];
    }
    if (i >= 0) {
        char promo = u.Promo;
        if (mg.Promotion[i] == NOPROMOTION)
            promo = NOPROMOTION;
        else if (!IsPromotionLetter(promo))
            promo = mg.Promotion[i];
        MoveText(text, RightMostBit(from) - 1, RightMostBit(to) - 1, promo);
        withPonder = u.SendPonderMove == 1 && PonderText(before, from, to, promo, ponder);
    }

    // 3. The replies.
    std::printf("info score cp %d\n", v / 10);
    std::fflush(stdout);
    if (withPonder)
        std::printf("bestmove %s ponder %s\n", text, ponder);
    else if (i >= 0)
        std::printf("bestmove %s \n", text);
    else
        std::printf("bestmove %s\n", text);
    std::fflush(stdout);
    u.State = WAITING;
}

// "go ...": the time settings, then the search unless the line asks for a Mimic reply.
void GoCommand(UCIProtocol& u, const char* line)
{
    Status& st = MainStatus;
    u.State = SEARCHING;
    st.TimeInc = 0;
    st.TimeLeft = 0;
    MainBoard.FixedDepth = 0;
    st.FD = 0;
    st.ST = 0;
    st.Pondering = 0;
    // Only "infinite" makes a search that never ends on its own.
    st.AnalyzeMode = 0;
    const bool white = MainBoard.SideToMove == 0;

    if (Contains(line, "Mimic Student")) {
        std::printf("Mimic info Student ");
        st.MimicMode = 1;
        MainBoard.InitPieceCounts();
    }
    if (Contains(line, "Mimic Oracle")) {
        st.MimicMode = 2;
        MainBoard.InitPieceCounts();
        ChessBoard b = MainBoard;
        b.PawnHashCode = PawnKeyOf(b);
        const int v = PE.PosEval(b.SideToMove, -MATEVALUE, MATEVALUE, &b, b.CastleFlags);
        std::printf("Mimic info Oracle %d\n", v);
        std::fflush(stdout);
    }
    const GoParameters g = ReadGoLine(line);
    if (g.infinite) {
        st.AnalyzeMode = 1;
        st.ST = kInfiniteTime;
        st.ForceMode = 0;
        u.State = ANALYZING;
        st.NPS = kAnalysisNPS;
    }
    if (white && g.wtime >= 0) st.TimeLeft = g.wtime;
    if (!white && g.btime >= 0) st.TimeLeft = g.btime;
    if (white && g.winc >= 0) st.TimeInc = g.winc / 1000;
    if (!white && g.binc >= 0) st.TimeInc = g.binc / 1000;
    st.MovesPerSession = g.movestogo && g.movestogoValue > 0 ? g.movestogoValue : 0;
    if (g.depth) {
        const int d =
            g.depthValue < 0 ? 0 : (g.depthValue > kMaxGoDepth ? kMaxGoDepth : g.depthValue);
        MainBoard.FixedDepth = d;
        st.FD = static_cast<char>(d);
    }
    if (g.movetime) {
        st.ST = g.movetimeValue > 0 ? g.movetimeValue : 1;
        st.TimePerMove = st.ST;
        const i64 left = static_cast<i64>(st.ST) * 60;
        st.TimeLeft = left > INT32_MAX ? INT32_MAX : static_cast<i32>(left);
    }
    if (st.TimeLeft < 0) st.TimeLeft = 0;
    if (g.ponder) {
        st.Pondering = 1;
        u.State = PONDERING;
    }
    if (Contains(line, "Mimic")) {
        Search.AllowedRootCount = 0;
        u.State = WAITING;
        return;
    }
    RunSearch(u);
}

// "ucinewgame": a new game with empty tables.
void UCINewGame(UCIProtocol& u)
{
    Status& st = MainStatus;
    ::NewGame();
    ClearPawnHash();
    PositionCache.ClearTranspositionTables();
    u.HashSide = 0;
    u.SendPonderMove = 1;
    st.Pondering = 0;
    st.NPS = kAnalysisNPS;
}

// "setoption name <id> [value <x>]".
void SetOptionCommand(UCIProtocol& u, const char* line)
{
    Status& st = MainStatus;
    const bool on = Contains(line, "true");
    if (Contains(line, "OwnBook") || Contains(line, "SecondaryBook")) {
        st.UseBook = on ? 1 : 0;
        if (on) buildbook();
    }
    if (Contains(line, "UCI_ShowCurrLine")) u.ShowCurrLine = on ? 1 : 0;
    if (Contains(line, "UCI_AnalyseMode")) {
        if (on) {
            st.AnalyzeMode = 1;
            st.Post = 1;
            st.ForceMode = 0;
            st.HumanToMove = 0;
            st.NPS = 200005;
            const i64 time = st.ST ? static_cast<i64>(st.ST) * 1000 : kInfiniteTime;
            st.ST = time > INT32_MAX ? INT32_MAX : static_cast<i32>(time);
        } else {
            st.Post = 0;
            st.AnalyzeMode = 0;
        }
    }
    if (Contains(line, "Ponder")) {
        if (on) {
            st.Pondering = 0;
            u.SendPonderMove = 1;
        } else {
            u.SendPonderMove = 0;
        }
    }
}

// Ends the program for "quit".
[[noreturn]] void Quit(UCIProtocol& u)
{
    u.KeepRunning = 0;
    MainStatus.RestartGame = 0;
    MainStatus.GameInProgress = 0;
    std::fflush(stdout);
    std::exit(0);
}

// One word that arrived while a search runs: only "isready", "ponderhit", "stop", "ucinewgame"
// and "quit" act. Returns 1 (go on) or 2 (abort the search).
int WordDuringSearch(UCIProtocol& u)
{
    Status& st = MainStatus;
    const char* line = u.InputLine;
    if (std::strcmp(line, "isready") == 0) {
        std::printf("readyok\n");
        std::fflush(stdout);
    } else if (StartsWith(line, "ponderhit")) {
        if (u.State == PONDERING) {
            // The engine's own clock starts now.
            st.Pondering = 0;
            u.State = SEARCHING;
            Search.HardLimitStart = ClockMs();
            return 1;
        }
    } else if (StartsWith(line, "stop")) {
        Search.AbortSearch();
        st.AnalyzeMode = 0;
        st.Pondering = 0;
        return 2;
    } else if (std::strcmp(line, "ucinewgame") == 0) {
        // The line stays, so that the reset follows the search's bestmove.
        Search.AbortSearch();
        st.AnalyzeMode = 0;
        st.Pondering = 0;
        return 2;
    } else if (StartsWith(line, "quit")) {
        Quit(u);
    }
    u.InputLine[0] = '\0';
    return 1;
}

}  // namespace

int UCIProtocol::UCIPrep(const char* text)
{
    std::snprintf(InputLine, sizeof InputLine, "%s", text ? text : "");
    return UCICore();
}

int UCIProtocol::UCICore()
{
    for (;;) {
        const int r = UCICommand();
        if (r) return r;
        // 12. The next line; the end of input ends the program as "quit" does.
        if (ReadLine(InputLine, sizeof InputLine) < 0) Quit(*this);
    }
}

int UCIProtocol::UCICommand()
{
    Status& st = MainStatus;
    char* line = InputLine;
    // Blanks and a carriage return around the line do not count.
    TrimLine(line);
    if (Search.InSearch) return WordDuringSearch(*this);

    // 1. Identification.
    if (std::strcmp(line, "uci") == 0) {
        std::printf("id name Vorn %s\n", Version);
        std::printf("id author the Vorn developers\n");
        std::printf("option name UCI_AnalyseMode type check default false\n");
        std::printf("option name OwnBook type check default false\n");
        std::printf("option name SecondaryBook type check default false\n");
        std::printf("option name UCI_ShowCurrLine type check default true\n");
        std::printf("option name Ponder type check default false\n");
        std::printf(
            "option name UCI_EngineAbout type string default Vorn %s, a chess engine by the "
            "Vorn developers\n",
            Version);
        std::printf("uciok\n");
        std::fflush(stdout);
        st.UseBook = 0;
        State = WAITING;
    }
    // 2.
    if (std::strcmp(line, "isready") == 0) {
        std::printf("readyok\n");
        std::fflush(stdout);
    }
    // 3.
    if (StartsWith(line, "position")) UCIPosition(*this, line);
    // 4-5. A search; afterwards the line only survives when it is a "ucinewgame" that stopped it.
    if (StartsWith(line, "go")) {
        GoCommand(*this, line);
        if (!StartsWith(line, "ucinewgame"))
            std::snprintf(line, UCI_LINE_MAX, "VornSearchFinished");
    }
    // 6.
    if (std::strcmp(line, "VornSearchFinished") == 0) State = WAITING;
    // 7. A "ponderhit" with no search lets main start its outer loop again.
    if (StartsWith(line, "ponderhit")) {
        st.Pondering = 0;
        return 1;
    }
    // 8. "stop" with no search has nothing to stop.
    // 9.
    if (std::strcmp(line, "ucinewgame") == 0) UCINewGame(*this);
    // 10.
    if (StartsWith(line, "setoption")) SetOptionCommand(*this, line);
    // 11.
    if (StartsWith(line, "quit")) Quit(*this);
    // 12. Clear the line for the next one.
    line[0] = '\0';
    return 0;
}
