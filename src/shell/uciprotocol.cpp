#include "shell/uciprotocol.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

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
#include "search/search.h"
#include "search/hashtab.h"
#include "search/threads.h"
#include "shell/startup.h"
#include "shell/ucimoves.h"

UCIProtocol UCI;

namespace {

// "go infinite" gives the search two weeks.
constexpr i32 kInfiniteTime = 1209600000;
// The speed estimate assumed by analysis and by a new game.
constexpr i32 kAnalysisNPS = 800000;
// The transposition table's size in megabytes: at start-up, and the most an interface may ask.
constexpr i32 kDefaultHash = 128;
constexpr i32 kMaxHash = 131072;
// The largest time an interface may say it loses per move.
constexpr i32 kMaxMoveOverhead = 5000;
// Deepest "go depth" accepted: the search's ply tables end well before twice this.
constexpr int kMaxGoDepth = 60;

bool Contains(const char *s, const char *part)
{
    return std::strstr(s, part) != nullptr;
}

// Leading decimal number of a word, held to the range of an i32; no digits read as 0.
i32 Number(const char *word)
{
    const long long n = std::strtoll(word, nullptr, 10);
    if (n > INT32_MAX) return INT32_MAX;
    if (n < INT32_MIN) return INT32_MIN;
    return static_cast<i32>(n);
}

// The parameters of one "go" line.
struct GoParameters {
    bool infinite = false, ponder = false, searchmoves = false;
    bool movestogo = false, depth = false, movetime = false, nodes = false, mate = false;
    i64 nodesValue = 0;
    i32 mateValue = 0;
    i32 wtime = -1, btime = -1, winc = -1, binc = -1;
    i32 movestogoValue = 0, depthValue = 0, movetimeValue = 0;
};

bool IsGoKeyword(const char *w)
{
    static const char *const kKeywords[] = {"searchmoves", "ponder", "wtime",     "btime",
                                            "winc",        "binc",   "movestogo", "depth",
                                            "nodes",       "mate",   "movetime",  "infinite"};
    for (const char *k : kKeywords)
        if (std::strcmp(w, k) == 0) return true;
    return false;
}

// Reads the words of a "go" line; the legal moves after "searchmoves" go to the search's list
// of allowed root moves.
GoParameters ReadGoLine(const char *line)
{
    GoParameters g;
    const char *p = line + 2;
    char word[UCI_WORD_MAX];
    char value[UCI_WORD_MAX];
    Search.AllowedRootCount = 0;
    while (NextLineWord(&p, word, sizeof word) > 0) {
        auto number = [&]() -> i32 {
            const char *q = p;
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
        } else if (std::strcmp(word, "nodes") == 0) {
            g.nodes = true;
            g.nodesValue = number();
        } else if (std::strcmp(word, "mate") == 0) {
            g.mate = true;
            g.mateValue = number();
        } else if (std::strcmp(word, "movetime") == 0) {
            g.movetime = true;
            g.movetimeValue = number();
        } else if (std::strcmp(word, "searchmoves") == 0) {
            g.searchmoves = true;
            // Legal moves of the position are kept; anything else in the list is passed over.
            for (;;) {
                const char *q = p;
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
bool PonderText(const ChessBoard &before, u64 from, u64 to, char promo, char *out)
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

// Runs the search on the game position and prints its "bestmove" line.
void RunSearch(UCIProtocol &u, int depthLimit)
{
    Status &st = MainStatus;
    // Search the game position; the interface plays the move it is sent.
    const ChessBoard before = MainBoard;
    ChessBoard copy = MainBoard;
    u64 from = 0, to = 0;
    u.Promo = NOPROMOTION;
    Search.ProgressiveDeepening(copy, static_cast<char>(depthLimit), &from, &to, &u.Promo);
    Search.AllowedRootCount = 0;
    st.Pondering = 0;
    st.AnalyzeMode = 0;
    st.NodeLimit = 0;
    st.MateLimit = 0;

    // The move must be legal in the searched position; with no legal move it is "0000".
    const char side = before.SideToMove ? 1 : 0;
    MoveGen mg;
    const int fromSq = from ? RightMostBit(from) - 1 : -1;
    const int toSq = to ? RightMostBit(to) - 1 : -1;
    int i = LegalMoveIndex(before, side, fromSq, toSq, mg);
    char text[8] = "0000";
    char ponder[8] = "";
    bool withPonder = false;
    if (i < 0 && (i = FirstLegalMoveIndex(before, side, mg)) >= 0) {
        std::printf("info string the search chose no legal move\n");
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
    if (withPonder)
        std::printf("bestmove %s ponder %s\n", text, ponder);
    else
        std::printf("bestmove %s\n", text);
    std::fflush(stdout);
    u.State = WAITING;
}

// "go ...": the limits of the search, then the search.
void GoCommand(UCIProtocol &u, const char *line)
{
    Status &st = MainStatus;
    u.State = SEARCHING;
    st.TimeInc = 0;
    st.TimeLeft = 0;
    MainBoard.FixedDepth = 0;
    st.FD = 0;
    st.ST = 0;
    st.Pondering = 0;
    st.NodeLimit = 0;
    st.MateLimit = 0;
    // Only "infinite" makes a search that never ends on its own.
    st.AnalyzeMode = 0;
    const bool white = MainBoard.SideToMove == 0;

    if (Contains(line, "Mimic Student")) {
        std::printf("Mimic info Student\n");
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
    // A refused position is never searched: the interface gets the null move.
    if (u.PositionRefused) {
        Search.AllowedRootCount = 0;
        std::printf("bestmove 0000\n");
        std::fflush(stdout);
        u.State = WAITING;
        return;
    }
    if (g.infinite) {
        st.AnalyzeMode = 1;
        st.ST = kInfiniteTime;
        st.ForceMode = 0;
        u.State = ANALYZING;
        st.NPS = kAnalysisNPS;
    }
    const bool clock = (white && g.wtime >= 0) || (!white && g.btime >= 0);
    if (white && g.wtime >= 0) st.TimeLeft = g.wtime;
    if (!white && g.btime >= 0) st.TimeLeft = g.btime;
    if (white && g.winc > 0) st.TimeInc = g.winc;
    if (!white && g.binc > 0) st.TimeInc = g.binc;
    st.MovesPerSession = g.movestogo && g.movestogoValue > 0 ? g.movestogoValue : 0;
    st.MovesToGo = st.MovesPerSession;
    if (g.movetime) {
        st.ST = g.movetimeValue > 0 ? g.movetimeValue : 1;
        st.TimePerMove = st.ST;
        const i64 left = static_cast<i64>(st.ST) * 60;
        st.TimeLeft = left > INT32_MAX ? INT32_MAX : static_cast<i32>(left);
    }
    // A depth alone fixes the depth; beside a clock or a move time it is a ceiling.
    int depthLimit = 0;
    if (g.depth) {
        const int d =
            g.depthValue < 0 ? 0 : (g.depthValue > kMaxGoDepth ? kMaxGoDepth : g.depthValue);
        if (clock || g.movetime) {
            depthLimit = d > 0 ? d : 1;
        } else {
            MainBoard.FixedDepth = d;
            st.FD = static_cast<char>(d);
        }
    }
    // Nodes and mate limits: beside no clock they give the search all the time it needs.
    const bool timeGiven = clock || g.movetime || g.infinite || g.ponder || st.FD;
    if (g.nodes) st.NodeLimit = g.nodesValue > 0 ? g.nodesValue : 1;
    if (g.mate) {
        st.MateLimit = g.mateValue > 0 ? g.mateValue : 1;
        if (!timeGiven && !g.nodes && !depthLimit) {
            const int ceiling = 2 * st.MateLimit + 1;
            depthLimit = ceiling > kMaxGoDepth ? kMaxGoDepth : ceiling;
        }
    }
    if ((g.nodes || g.mate) && !timeGiven) st.ST = kInfiniteTime;
    if (st.TimeLeft < 0) st.TimeLeft = 0;
    if (g.ponder) {
        st.Pondering = 1;
        u.State = PONDERING;
    }
    RunSearch(u, st.FD ? st.FD : depthLimit);
}

// "ucinewgame": a new game with empty tables; the options stay as they were set.
void UCINewGame(UCIProtocol &u)
{
    Status &st = MainStatus;
    ::NewGame();
    PE.ClearPawnHash();
    SearchThreads.NewGame(true);
    PositionCache.ClearTranspositionTables();
    u.HashSide = 0;
    st.Pondering = 0;
    st.NPS = kAnalysisNPS;
}

// "setoption name <id> [value <x>]": the name runs up to "value", the value to the line's end.
void SetOptionCommand(UCIProtocol &u, const char *line)
{
    Status &st = MainStatus;
    char name[UCI_WORD_MAX * 4] = "";
    char value[UCI_WORD_MAX * 4] = "";
    const char *p = line + std::strlen("setoption");
    char word[UCI_WORD_MAX];
    char *target = nullptr;
    while (NextLineWord(&p, word, sizeof word) > 0) {
        if (!target && std::strcmp(word, "name") == 0) {
            target = name;
            continue;
        }
        if (target == name && std::strcmp(word, "value") == 0) {
            target = value;
            continue;
        }
        if (!target) continue;
        const std::size_t size = target == name ? sizeof name : sizeof value;
        if (*target) std::strncat(target, " ", size - std::strlen(target) - 1);
        std::strncat(target, word, size - std::strlen(target) - 1);
    }
    const bool on = std::strcmp(value, "true") == 0;
    auto is = [&](const char *option) { return strcasecmp(name, option) == 0; };
    if (is("OwnBook") || is("SecondaryBook")) {
        st.UseBook = on ? 1 : 0;
        if (on) buildbook();
    } else if (is("UCI_ShowCurrLine")) {
        u.ShowCurrLine = on ? 1 : 0;
    } else if (is("UCI_AnalyseMode")) {
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
    } else if (is("Ponder")) {
        if (on) st.Pondering = 0;
        u.SendPonderMove = on ? 1 : 0;
    } else if (is("Hash")) {
        const i32 mb = Number(value);
        ResizeHash(mb < 1 ? 1 : (mb > kMaxHash ? kMaxHash : mb));
    } else if (is("Clear Hash")) {
        PositionCache.ClearTranspositionTables();
        PE.ClearPawnHash();
        SearchThreads.NewGame(true);
    } else if (is("Threads")) {
        SearchThreads.SetThreads(Number(value));
    } else if (is("Move Overhead")) {
        const i32 ms = Number(value);
        st.MoveOverhead = ms < 0 ? 0 : (ms > kMaxMoveOverhead ? kMaxMoveOverhead : ms);
    } else if (is("UCI_EngineAbout")) {
        // Read only.
    } else {
        std::printf("info string unknown option: %s\n", name);
        std::fflush(stdout);
    }
}

// Ends the program for "quit".
[[noreturn]] void Quit(UCIProtocol &u)
{
    u.KeepRunning = 0;
    MainStatus.RestartGame = 0;
    MainStatus.GameInProgress = 0;
    std::fflush(stdout);
    std::exit(0);
}

// The first word of a line, cut to the buffer.
void FirstWordOf(const char *line, char *word, int size)
{
    const char *p = line;
    NextLineWord(&p, word, size);
}

// A line that arrived while a search runs: "isready", "ponderhit", "stop" and "quit" act at
// once; every other line waits, in order, until the search has ended and its move is out.
// Returns 1 (go on) or 2 (stop the search).
int LineDuringSearch(UCIProtocol &u, const char *line)
{
    Status &st = MainStatus;
    char word[UCI_WORD_MAX];
    FirstWordOf(line, word, sizeof word);
    if (std::strcmp(word, "isready") == 0) {
        std::printf("readyok\n");
        std::fflush(stdout);
    } else if (std::strcmp(word, "ponderhit") == 0) {
        if (u.State == PONDERING) {
            // The engine's own clock starts now.
            st.Pondering = 0;
            u.State = SEARCHING;
            Search.HardLimitStart = ClockMs();
        }
    } else if (std::strcmp(word, "stop") == 0) {
        Search.AbortSearch();
        st.AnalyzeMode = 0;
        st.Pondering = 0;
        return 2;
    } else if (std::strcmp(word, "quit") == 0) {
        Quit(u);
    } else if (word[0]) {
        u.Queue(line);
    }
    return 1;
}

} // namespace

void UCIProtocol::Queue(const char *line)
{
    const int n = static_cast<int>(std::strlen(line));
    if (QueuedLength + n + 1 > UCI_QUEUE_MAX) {
        std::printf("info string too many commands during the search: dropped %.40s\n", line);
        std::fflush(stdout);
        return;
    }
    std::memcpy(Queued + QueuedLength, line, static_cast<std::size_t>(n));
    QueuedLength += n;
    Queued[QueuedLength++] = '\n';
}

bool UCIProtocol::NextLine()
{
    if (QueuedLength > 0) {
        const char *end = static_cast<const char *>(
            std::memchr(Queued, '\n', static_cast<std::size_t>(QueuedLength)));
        const int n = static_cast<int>(end - Queued);
        const int kept = n < UCI_LINE_MAX - 1 ? n : UCI_LINE_MAX - 1;
        std::memcpy(InputLine, Queued, static_cast<std::size_t>(kept));
        InputLine[kept] = '\0';
        QueuedLength -= n + 1;
        std::memmove(Queued, Queued + n + 1, static_cast<std::size_t>(QueuedLength));
        return true;
    }
    return ReadLine(InputLine, sizeof InputLine) >= 0;
}

int UCIProtocol::UCIPrep(const char *text)
{
    // A word read by the search comes with the rest of its line still unread.
    if (Search.InSearch) {
        char line[UCI_LINE_MAX];
        int n = std::snprintf(line, sizeof line, "%s", text ? text : "");
        if (n < 0) n = 0;
        if (n >= UCI_LINE_MAX) n = UCI_LINE_MAX - 1;
        if (ReadLine(line + n, UCI_LINE_MAX - n) < 0) line[n] = '\0';
        TrimLine(line);
        return LineDuringSearch(*this, line);
    }
    std::snprintf(InputLine, sizeof InputLine, "%s", text ? text : "");
    return UCICore();
}

int UCIProtocol::UCICore()
{
    for (;;) {
        UCICommand();
        // The next line: a command kept during the search, or standard input, whose end ends
        // the program as "quit" does.
        if (!NextLine()) Quit(*this);
    }
}

int UCIProtocol::UCICommand()
{
    Status &st = MainStatus;
    char *line = InputLine;
    // Blanks and a carriage return around the line do not count; commands are whole words.
    TrimLine(line);
    char word[UCI_WORD_MAX];
    FirstWordOf(line, word, sizeof word);
    auto is = [&](const char *command) { return std::strcmp(word, command) == 0; };

    if (is("uci")) {
        std::printf("id name Vorn %s\n", Version);
        std::printf("id author the Vorn developers\n");
        std::printf("option name UCI_AnalyseMode type check default false\n");
        std::printf("option name OwnBook type check default false\n");
        std::printf("option name SecondaryBook type check default false\n");
        std::printf("option name UCI_ShowCurrLine type check default false\n");
        std::printf("option name Ponder type check default false\n");
        std::printf("option name Hash type spin default %d min 1 max %d\n", kDefaultHash, kMaxHash);
        std::printf("option name Clear Hash type button\n");
        std::printf("option name Threads type spin default 1 min 1 max %d\n", MAXTHREADS);
        std::printf("option name Move Overhead type spin default 0 min 0 max %d\n",
                    kMaxMoveOverhead);
        std::printf(
            "option name UCI_EngineAbout type string default Vorn %s, a chess engine by the "
            "Vorn developers\n",
            Version);
        std::printf("uciok\n");
        std::fflush(stdout);
        st.UseBook = 0;
        State = WAITING;
        PositionCache.PrepareInBackground();
    } else if (is("isready")) {
        // Ready means the table's memory is in: the first search will not wait for it.
        PositionCache.WaitPrepared();
        std::printf("readyok\n");
        std::fflush(stdout);
    } else if (is("position")) {
        UCIPosition(*this, line);
    } else if (is("go")) {
        GoCommand(*this, line);
        State = WAITING;
    } else if (is("ucinewgame")) {
        UCINewGame(*this);
    } else if (is("setoption")) {
        SetOptionCommand(*this, line);
    } else if (is("quit")) {
        Quit(*this);
    } else if (is("ponderhit") || is("stop") || is("debug") || is("register") || !word[0]) {
        // Nothing to stop or to hit without a search; no debug output, no registration.
    } else {
        std::printf("info string unknown command: %s\n", word);
        std::fflush(stdout);
    }
    line[0] = '\0';
    return 0;
}
