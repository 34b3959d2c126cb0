#include "shell/uci.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "board/hashcode.h"
#include "board/movehistory.h"
#include "board/movetext.h"
#include "board/setup.h"
#include "book/book.h"
#include "book/polyglot.h"
#include "core/platform.h"
#include "core/status.h"
#include "eval/poseval.h"
#include "movegen/legal.h"
#include "movegen/movegen.h"
#include "movegen/perft.h"
#include "search/hashtab.h"
#include "search/search.h"
#include "search/strength.h"
#include "search/threads.h"
#include "shell/input.h"
#include "shell/startup.h"
#include "shell/text.h"
#include "shell/thinking.h"

UCIProtocol UCI;

namespace {

// "go infinite" and a node or mate limit without a clock give the search two weeks.
constexpr i32 INFINITE_TIME = 1209600000;
// The speed estimate assumed by "go infinite" and by a new game.
constexpr i32 ANALYSIS_NPS = 800000;
// The speed estimate UCI_AnalyseMode sets.
constexpr i32 ANALYSE_MODE_NPS = 200005;
// The transposition table's size in megabytes: at start-up, and the most an interface may ask.
constexpr i32 DEFAULT_HASH = 128;
constexpr i32 MAX_HASH = 131072;
// The largest time an interface may say it loses per move.
constexpr i32 MAX_MOVE_OVERHEAD = 5000;
// Deepest "go depth" accepted: the search's ply tables end well before twice this.
constexpr int MAX_GO_DEPTH = 60;
// The longest mate "go mate" may ask for: the search's lines end before a longer one.
constexpr int MAX_GO_MATE = MAXSEARCHPLY / 2;
// Longest word the line readers keep; longer words are cut and then match no command or move.
constexpr int WORD_MAX = 32;
// Longest option value kept (a book file's path).
constexpr int OPTION_VALUE_MAX = 4096;

bool Contains(const char *s, const char *part)
{
    return std::strstr(s, part) != nullptr;
}

i32 ClampInt(i32 v, i32 lo, i32 hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

// The numbers a "go" line may give, in the order of GO_NUMBER_WORDS.
enum GoNumber { WTIME, BTIME, WINC, BINC, MOVESTOGO, DEPTH, NODES, MATE, MOVETIME, GO_NUMBERS };
const char *const GO_NUMBER_WORDS[GO_NUMBERS] = {"wtime", "btime", "winc", "binc",    "movestogo",
                                                 "depth", "nodes", "mate", "movetime"};

// The parameters of one "go" line: a number given without its value reads as 0.
struct GoParameters {
    bool infinite = false, ponder = false;
    bool given[GO_NUMBERS] = {};
    i32 value[GO_NUMBERS] = {};
};

bool IsGoKeyword(const char *w)
{
    if (!std::strcmp(w, "searchmoves") || !std::strcmp(w, "ponder") || !std::strcmp(w, "infinite"))
        return true;
    for (const char *k : GO_NUMBER_WORDS)
        if (std::strcmp(w, k) == 0) return true;
    return false;
}

// Reads the words of a "go" line; the legal moves of board after "searchmoves" are the root
// moves limits allows.
GoParameters ReadGoLine(const char *line, const ChessBoard &board, SearchLimits *limits)
{
    GoParameters g;
    const char *p = line + 2;
    char word[WORD_MAX];
    char value[WORD_MAX];
    while (NextLineWord(&p, word, sizeof word) > 0) {
        if (std::strcmp(word, "infinite") == 0) g.infinite = true;
        if (std::strcmp(word, "ponder") == 0) g.ponder = true;
        for (int k = 0; k < GO_NUMBERS; k++) {
            if (std::strcmp(word, GO_NUMBER_WORDS[k]) != 0) continue;
            g.given[k] = true;
            const char *q = p;
            if (NextLineWord(&q, value, sizeof value) > 0 && !IsGoKeyword(value)) {
                p = q;
                g.value[k] = NumberOf(value);
            }
        }
        if (std::strcmp(word, "searchmoves") != 0) continue;
        // Legal moves of the position are kept; anything else in the list is passed over.
        for (;;) {
            const char *q = p;
            if (NextLineWord(&q, value, sizeof value) == 0 || IsGoKeyword(value)) break;
            p = q;
            int fromSq, toSq;
            char letter;
            MoveGen mg;
            if (ParseMoveText(value, &fromSq, &toSq, &letter) &&
                LegalMoveIndex(board, board.SideToMove, fromSq, toSq, mg) >= 0)
                limits->Allow(fromSq * 64 + toSq);
        }
    }
    return g;
}

// The reply move of the root line after the best move, as text, when the line holds a legal one.
bool PonderText(const ChessBoard &before, u64 from, u64 to, char promo, char *out)
{
    if (MainSearch.PVLength <= 1) return false;
    if (MainSearch.PVTable[0][0].code != MoveCode(from, to)) return false;
    const PVEntry reply = MainSearch.PVTable[0][1];
    ChessBoard after = before;
    PlayGameMove(after, from, to, promo, nullptr);
    MoveGen mg;
    const int fromSq = reply.code >> 6, toSq = reply.code & 63;
    const int i = LegalMoveIndex(after, after.SideToMove, fromSq, toSq, mg);
    if (i < 0) return false;
    char letter = reply.promotion;
    if (mg.Promotion[i] == NOPROMOTION)
        letter = NOPROMOTION;
    else if (!PromotionLetter(letter))
        letter = 'q';
    MoveText(out, fromSq, toSq, letter);
    return true;
}

// "d": the board, its FEN and its hash-code pair, for a person checking what Vorn was given.
void ShowPosition()
{
    MainBoard.DisplayBoard();
    char fen[FEN_MAX];
    WriteFen(MainBoard, 1 + MainStatus.GamePly / 2, fen);
    u64 upper, lower;
    genhashcode(MainBoard.SideToMove, MainBoard.CastleFlags, &upper, &lower, &MainBoard);
    std::printf("\nFen: %s\nKey: %016llX%016llX\n", fen, static_cast<unsigned long long>(upper),
                static_cast<unsigned long long>(lower));
    std::fflush(stdout);
}

// Ends the program for "quit" and at the end of input.
[[noreturn]] void Quit()
{
    std::fflush(stdout);
    std::exit(0);
}

// The lines that arrive during a search: "isready", "ponderhit", "stop" and "quit" act at once;
// every other line waits, in order, until the search has ended and its move is out.
class UciLines : public LineHandler {
  public:
    explicit UciLines(bool ponder) : ponder_(ponder) {}
    bool QuitAsked() const { return quit_; }

    Verdict OnLine(const std::string &text) override
    {
        char word[WORD_MAX];
        FirstWordOf(text.c_str(), word, sizeof word);
        auto is = [&](const char *command) { return std::strcmp(word, command) == 0; };
        if (is("isready")) {
            std::printf("readyok\n");
            std::fflush(stdout);
            return Verdict::Answered;
        }
        if (is("ponderhit")) {
            if (!ponder_) return Verdict::Answered;
            // The engine's own clock starts now.
            ponder_ = false;
            MainSearch.RequestPonderHit(ClockMs());
            return Verdict::Released;
        }
        if (is("stop")) return Verdict::Stop;
        if (is("quit")) {
            quit_ = true;
            return Verdict::Stop;
        }
        if (!word[0]) return Verdict::Answered;
        if (!Input.Hold(text)) {
            std::printf("info string too many commands during the search: dropped %.40s\n",
                        text.c_str());
            std::fflush(stdout);
        }
        return Verdict::Held;
    }

  private:
    bool ponder_;
    bool quit_ = false;
};

// Searches the game position under limits and prints its "bestmove" line.
void RunSearch(UCIProtocol &u, const SearchLimits &limits)
{
    // 1. The search, while the interface is answered.
    const ChessBoard before = MainBoard;
    UciLines lines(limits.Ponder);
    const SearchDecision d = ThinkWhileReading(MainBoard, limits, lines);
    if (lines.QuitAsked()) Quit();

    // 2. The move must be legal in the searched position; with no legal move it is "0000".
    const char side = before.SideToMove ? 1 : 0;
    MoveGen mg;
    u64 from = d.from, to = d.to;
    char promotion = d.promotion;
    const int fromSq = from ? LowestSquare(from) : -1;
    const int toSq = to ? LowestSquare(to) : -1;
    int i = LegalMoveIndex(before, side, fromSq, toSq, mg);
    char text[8] = "0000";
    char ponder[8] = "";
    bool withPonder = false;
    if (i < 0 && (i = FirstLegalMoveIndex(before, side, mg)) >= 0) {
        std::printf("info string the search chose no legal move\n");
        from = mg.From[i];
        to = mg.To[i];
        promotion = mg.Promotion[i];
    }
    if (i >= 0) {
        char promo = promotion;
        if (mg.Promotion[i] == NOPROMOTION)
            promo = NOPROMOTION;
        else if (!PromotionLetter(promo))
            promo = mg.Promotion[i];
        MoveText(text, LowestSquare(from), LowestSquare(to), promo);
        withPonder = u.SendPonderMove == 1 && PonderText(before, from, to, promo, ponder);
    }
    if (withPonder)
        std::printf("bestmove %s ponder %s\n", text, ponder);
    else
        std::printf("bestmove %s\n", text);
    std::fflush(stdout);
}

// "go ...": the limits of the search, then the search.
// Perft divided by root moves, in the form perft tools compare: "e2e4: 13160" for each legal
// move, a blank line, "Nodes searched: 197281". Depths run from 1 to 10.
void DividedPerftCommand(int depth)
{
    static PerftLine lines[MAXMOVES];
    depth = ClampInt(depth, 1, 10);
    const int n = DividedPerft(MainBoard, depth, lines);
    u64 total = 0;
    for (int i = 0; i < n; i++) {
        char text[8];
        MoveText(text, LowestSquare(lines[i].From), LowestSquare(lines[i].To), lines[i].Promotion);
        std::printf("%s: %" PRIu64 "\n", text, lines[i].Leaves);
        total += lines[i].Leaves;
    }
    std::printf("\nNodes searched: %" PRIu64 "\n", total);
    std::fflush(stdout);
}

void GoCommand(UCIProtocol &u, const char *line)
{
    Status &st = MainStatus;
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
    // "go perft N": the leaves below each legal move, then their sum.
    const char *p = line + std::strlen("go");
    char word[WORD_MAX];
    if (NextLineWord(&p, word, sizeof word) > 0 && std::strcmp(word, "perft") == 0) {
        NextLineWord(&p, word, sizeof word);
        if (!u.PositionRefused) DividedPerftCommand(NumberOf(word));
        return;
    }
    // A refused position is never searched: the interface gets the null move.
    if (u.PositionRefused) {
        std::printf("bestmove 0000\n");
        std::fflush(stdout);
        return;
    }
    const SearchLimits limits = GoLimits(line, MainBoard);
    if (limits.Infinite) MainSearch.NPS = ANALYSIS_NPS;
    RunSearch(u, limits);
}

// "ucinewgame": a new game with empty tables; the options stay as they were set.
void UCINewGame(UCIProtocol &u)
{
    ::NewGame();
    PE.ClearPawnHash();
    SearchThreads.NewGame(true);
    PositionCache.ClearTranspositionTables();
    u.HashSide = 0;
    MainSearch.NPS = ANALYSIS_NPS;
}

// "setoption name <id> [value <x>]": the name runs up to "value", the value to the line's end.
void SetOptionCommand(UCIProtocol &u, const char *line)
{
    Status &st = MainStatus;
    char name[WORD_MAX * 4] = "";
    // The value is the rest of the line as it stands (a file's path may be long and hold
    // blanks), without the blanks around it.
    char value[OPTION_VALUE_MAX] = "";
    const char *p = line + std::strlen("setoption");
    char word[WORD_MAX];
    bool named = false;
    while (NextLineWord(&p, word, sizeof word) > 0) {
        if (!named && std::strcmp(word, "name") == 0) {
            named = true;
            continue;
        }
        if (named && std::strcmp(word, "value") == 0) {
            std::snprintf(value, sizeof value, "%s", p);
            TrimLine(value);
            break;
        }
        if (!named) continue;
        if (*name) std::strncat(name, " ", sizeof name - std::strlen(name) - 1);
        std::strncat(name, word, sizeof name - std::strlen(name) - 1);
    }
    const bool on = std::strcmp(value, "true") == 0;
    auto is = [&](const char *option) { return strcasecmp(name, option) == 0; };
    if (is("OwnBook") || is("SecondaryBook")) {
        st.UseBook = on ? 1 : 0;
        if (on) buildbook();
    } else if (is("BookFile")) {
        OpenBookFile(value);
    } else if (is("Best Book Move")) {
        st.BookBest = on ? 1 : 0;
    } else if (is("UCI_ShowCurrLine")) {
        u.ShowCurrLine = on ? 1 : 0;
    } else if (is("UCI_AnalyseMode")) {
        // Each "go" decides how long to search; the speed estimate starts lower.
        if (on) MainSearch.NPS = ANALYSE_MODE_NPS;
    } else if (is("Ponder")) {
        u.SendPonderMove = on ? 1 : 0;
    } else if (is("Hash")) {
        ResizeHash(ClampInt(NumberOf(value), 1, MAX_HASH));
    } else if (is("Clear Hash")) {
        PositionCache.ClearTranspositionTables();
        PE.ClearPawnHash();
        SearchThreads.NewGame(true);
    } else if (is("Threads")) {
        SearchThreads.SetThreads(NumberOf(value));
    } else if (is("MultiPV")) {
        st.MultiPV = ClampInt(NumberOf(value), 1, MAXMULTIPV);
    } else if (is("UCI_Chess960")) {
        MainBoard.Chess960 = on ? 1 : 0;
    } else if (is("UCI_LimitStrength")) {
        st.LimitStrength = on ? 1 : 0;
    } else if (is("UCI_Elo")) {
        st.Elo = ClampLevel(NumberOf(value));
    } else if (is("Skill Level")) {
        st.SkillLevel = ClampInt(NumberOf(value), 0, 20);
    } else if (is("Move Overhead")) {
        st.MoveOverhead = ClampInt(NumberOf(value), 0, MAX_MOVE_OVERHEAD);
    } else if (is("UCI_EngineAbout")) {
        // Read only.
    } else {
        std::printf("info string unknown option: %s\n", name);
        std::fflush(stdout);
    }
}

// "position [startpos | fen <text>] [moves <m1> <m2> ...]": sets up MainBoard and the history.
void PositionCommand(UCIProtocol &u, const char *line)
{
    const char *p = line + std::strlen("position");
    char word[WORD_MAX];
    const char *after = p;
    NextLineWord(&after, word, sizeof word);
    // 1. The position the moves start from.
    if (std::strcmp(word, "startpos") == 0) {
        u.HashSide = 0;
        u.PositionRefused = 0;
        NewGame();
        p = after;
    } else if (std::strcmp(word, "fen") == 0) {
        // The FEN fields, joined by single spaces, up to the word "moves".
        char fen[POSITION_LINE_MAX];
        int len = 0;
        p = after;
        for (;;) {
            const char *next = p;
            const int n = NextLineWord(&next, word, sizeof word);
            if (n == 0 || std::strcmp(word, "moves") == 0) break;
            const char *start = next - n;
            if (len > 0 && len < POSITION_LINE_MAX - 1) fen[len++] = ' ';
            for (int i = 0; i < n && len < POSITION_LINE_MAX - 1; i++)
                fen[len++] = start[i];
            p = next;
        }
        fen[len] = '\0';
        NewGame();
        const FenCastling castling = SetupBoard(fen);
        MainBoard.RecountAll();
        StartGameHistory();
        u.HashSide = MainBoard.SideToMove ? 1 : 0;
        // An unsound position is refused: no move is replayed on it and no search is run.
        const char *fault = PositionFault(MainBoard);
        if (!fault && castling == FenCastling::Unsound)
            fault = "a castling right without its king and rook";
        if (!fault && castling == FenCastling::Chess960 && !MainBoard.Chess960)
            fault = "its castling needs Chess960 rules (UCI_Chess960)";
        u.PositionRefused = fault ? 1 : 0;
        if (fault) {
            std::printf("info string refused position: %s\n", fault);
            std::fflush(stdout);
            return;
        }
    } else {
        u.HashSide = MainBoard.SideToMove ? 1 : 0;
    }
    // 2. The moves played since.
    const char *next = p;
    NextLineWord(&next, word, sizeof word);
    if (std::strcmp(word, "moves") == 0) u.ProcessMoves(next);
}

} // namespace

SearchLimits GoLimits(const char *line, const ChessBoard &board)
{
    const Status &st = MainStatus;
    SearchLimits l;
    l.GamePly = st.GamePly;
    l.MoveOverhead = st.MoveOverhead;
    l.MultiPV = st.MultiPV;
    l.UseBook = st.UseBook != 0;
    l.BookBest = st.BookBest != 0;
    l.Trace = st.Trace != 0;
    const GoParameters g = ReadGoLine(line, board, &l);
    const bool white = board.SideToMove == 0;

    // 1. Infinite, the clock of the side to move, the moves to go, a fixed time.
    if (g.infinite) {
        l.Infinite = true;
        l.MoveTime = INFINITE_TIME;
    }
    const GoNumber time = white ? WTIME : BTIME, inc = white ? WINC : BINC;
    const bool clock = g.given[time] && g.value[time] >= 0;
    if (clock) l.Time = g.value[time];
    if (g.given[inc] && g.value[inc] > 0) l.Increment = g.value[inc];
    if (g.given[MOVESTOGO] && g.value[MOVESTOGO] > 0) l.MovesToGo = g.value[MOVESTOGO];
    const bool movetime = g.given[MOVETIME];
    if (movetime) l.MoveTime = g.value[MOVETIME] > 0 ? g.value[MOVETIME] : 1;

    // 2. A depth alone fixes the depth; beside a clock or a move time it is a ceiling.
    if (g.given[DEPTH]) {
        const i32 d = ClampInt(g.value[DEPTH], 0, MAX_GO_DEPTH);
        if (clock || movetime) {
            l.Depth = d > 0 ? d : 1;
        } else {
            l.Depth = d;
            l.FixedDepth = d > 0;
        }
    }

    // 3. Node and mate limits: beside no clock they give the search all the time it needs.
    const bool timeGiven = clock || movetime || g.infinite || g.ponder || l.FixedDepth;
    const bool nodes = g.given[NODES], mate = g.given[MATE];
    if (nodes) l.Nodes = g.value[NODES] > 0 ? g.value[NODES] : 1;
    if (mate) l.Mate = ClampInt(g.value[MATE], 1, MAX_GO_MATE);
    if ((nodes || mate) && !timeGiven) l.MoveTime = INFINITE_TIME;
    l.Ponder = g.ponder;
    LimitStrength(l, LevelOf(st.LimitStrength != 0, st.Elo, st.SkillLevel));
    return l;
}

void UCIProtocol::Loop(const std::string &firstLine)
{
    Command(firstLine);
    // Every later line, until "quit" or the end of input.
    for (std::string line; Input.NextLine(&line);)
        Command(line);
    Quit();
}

void UCIProtocol::Command(const std::string &text)
{
    // Blanks and a carriage return around the line do not count; commands are whole words.
    char line[INPUT_LINE_MAX];
    std::snprintf(line, sizeof line, "%s", text.c_str());
    TrimLine(line);
    char word[WORD_MAX];
    FirstWordOf(line, word, sizeof word);
    auto is = [&](const char *command) { return std::strcmp(word, command) == 0; };

    if (is("uci")) {
        std::printf("id name Vorn %s\n", VORN_VERSION);
        std::printf("id author the Vorn developers\n");
        std::printf("option name UCI_AnalyseMode type check default false\n");
        std::printf("option name OwnBook type check default false\n");
        std::printf("option name SecondaryBook type check default false\n");
        std::printf("option name BookFile type string default <empty>\n");
        std::printf("option name Best Book Move type check default false\n");
        std::printf("option name UCI_ShowCurrLine type check default false\n");
        std::printf("option name Ponder type check default false\n");
        std::printf("option name Hash type spin default %d min 1 max %d\n", DEFAULT_HASH, MAX_HASH);
        std::printf("option name Clear Hash type button\n");
        std::printf("option name Threads type spin default 1 min 1 max %d\n", MAXTHREADS);
        std::printf("option name MultiPV type spin default 1 min 1 max %d\n", MAXMULTIPV);
        std::printf("option name UCI_Chess960 type check default false\n");
        std::printf("option name UCI_LimitStrength type check default false\n");
        std::printf("option name UCI_Elo type spin default %d min %d max %d\n", FULL_STRENGTH,
                    MIN_STRENGTH, FULL_STRENGTH);
        std::printf("option name Skill Level type spin default 20 min 0 max 20\n");
        std::printf("option name Move Overhead type spin default 0 min 0 max %d\n",
                    MAX_MOVE_OVERHEAD);
        std::printf(
            "option name UCI_EngineAbout type string default Vorn %s, a chess engine by the "
            "Vorn developers\n",
            VORN_VERSION);
        std::printf("uciok\n");
        std::fflush(stdout);
        MainStatus.UseBook = 0;
        PositionCache.PrepareInBackground();
    } else if (is("isready")) {
        // Ready means the table's memory is in: the first search will not wait for it.
        PositionCache.WaitPrepared();
        std::printf("readyok\n");
        std::fflush(stdout);
    } else if (is("position")) {
        PositionCommand(*this, line);
    } else if (is("go")) {
        GoCommand(*this, line);
    } else if (is("ucinewgame")) {
        UCINewGame(*this);
    } else if (is("setoption")) {
        SetOptionCommand(*this, line);
    } else if (is("quit")) {
        Quit();
    } else if (is("d")) {
        ShowPosition();
    } else if (is("ponderhit") || is("stop") || is("debug") || is("register") || !word[0]) {
        // Nothing to stop or to hit without a search; no debug output, no registration.
    } else {
        std::printf("info string unknown command: %s\n", word);
        std::fflush(stdout);
    }
}

int UCIProtocol::ProcessMoves(const char *text)
{
    // 1. The game history restarts from the position the moves start from.
    MainBoard.FiftyMoveCount = 0;
    StartGameHistory();
    MainStatus.GamePly = 0;
    // 2-3. Word by word, up to the first move that cannot be played, which is reported.
    int n = 0;
    const char *p = text;
    char word[WORD_MAX];
    while (NextLineWord(&p, word, sizeof word) > 0) {
        if (!MakeMoves(word)) {
            std::printf("info string illegal move: %s\n", word);
            std::fflush(stdout);
            break;
        }
        n++;
    }
    return n;
}

const char *UCIProtocol::MakeMoves(const char *p)
{
    // 1. Squares, and a promotion letter or nothing after them; the move legal in the position.
    int fromSq, toSq;
    char letter, promotion;
    if (!ParseMoveText(p, &fromSq, &toSq, &letter)) return nullptr;
    const u64 from = SquareMask(fromSq), to = SquareMask(toSq);
    if (!FindLegalMove(MainBoard, static_cast<char>(HashSide), from, to, letter, &promotion))
        return nullptr;
    // 2. The move is played and its position joins the game history.
    MainStatus.GamePly += 1;
    PlayGameMove(MainBoard, from, to, promotion, &MainHistory);
    HashSide = MainBoard.SideToMove ? 1 : 0;
    return p;
}
