#include "shell/humanmov.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "board/hashcode.h"
#include "board/movetext.h"
#include "board/movhist.h"
#include "board/setup.h"
#include "core/platform.h"
#include "core/status.h"
#include "eval/poseval.h"
#include "movegen/legal.h"
#include "movegen/see.h"
#include "search/search.h"
#include "search/threads.h"
#include "shell/gameloop.h"
#include "shell/reports.h"
#include "shell/startup.h"

// --- the console and xboard command interpreter ---

namespace {

// Time the analysis mode gives a search when no fixed time is set: two weeks.
constexpr i32 kAnalysisTime = 1209600000;

// True for the blanks that separate words.
bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// True when the two words are equal.
bool Is(const char *a, const char *b)
{
    return std::strcmp(a, b) == 0;
}

i32 Clamp32(long long v)
{
    return static_cast<i32>(v > INT32_MAX ? INT32_MAX : (v < INT32_MIN ? INT32_MIN : v));
}

// Leading decimal number of a text (0 when it has none), held to the range of an i32.
i32 NumberOf(const char *s)
{
    return Clamp32(std::strtoll(s, nullptr, 10));
}

// n * unit, held to the range of an i32.
i32 Times(i32 n, long long unit)
{
    return Clamp32(static_cast<long long>(n) * unit);
}

// Reports a command whose argument is missing or malformed; the command changes nothing.
void MissingArgument(const char *command)
{
    std::printf("Error (missing argument): %s\n", command);
    std::fflush(stdout);
}

// True for a text that is a decimal number, with a sign and a fraction allowed.
bool IsNumber(const char *s, bool fraction)
{
    if (*s == '-' || *s == '+') s++;
    bool digits = false, point = false;
    for (; *s; s++) {
        if (*s >= '0' && *s <= '9')
            digits = true;
        else if (fraction && *s == '.' && !point)
            point = true;
        else
            return false;
    }
    return digits;
}

// Reads the command's next argument (from its own line only) as a whole number.
bool NumberArgument(i32 *out)
{
    char word[WORD_MAX];
    if (Interpreter.ArgumentWord(word, sizeof word) < 0 || !IsNumber(word, false)) return false;
    *out = NumberOf(word);
    return true;
}

// True for a word taken as a move: a file letter and a digit 0-8 (no command looks like one).
bool IsMoveWord(const char *w)
{
    return w[0] >= 'a' && w[0] <= 'h' && w[1] >= '0' && w[1] <= '8';
}

// Square index of a file letter and rank digit ("e4" is 28), or -1 when off the board.
int SquareOfText(const char *s)
{
    if (s[0] < 'a' || s[0] > 'h' || s[1] < '1' || s[1] > '8') return -1;
    return (s[0] - 'a') + 8 * (s[1] - '1');
}

// Splits a move word ("e2e4", "e7e8q") into squares and promotion letter (0 for none).
// False when a square is off the board or the word has more than one letter after them.
bool ParseMoveWord(const char *word, u64 *from, u64 *to, char *letter)
{
    if (std::strlen(word) < 4 || std::strlen(word) > 5) return false;
    const int f = SquareOfText(word), t = SquareOfText(word + 2);
    if (f < 0 || t < 0) return false;
    *from = u64{1} << f;
    *to = u64{1} << t;
    *letter = word[4];
    return true;
}

// Plays a legal move on the game position. Returns 7 when the fifty-move rule is reached,
// else 0.
u8 PlayMove(u64 from, u64 to, char promotion)
{
    PlayDialogueMove(from, to, promotion);
    return MainBoard.FiftyMoveCount > 99 ? CMD_FIFTY : CMD_MOVE;
}

// Takes back the last ply of the game: the position, the ply count and the game history.
bool TakeBack()
{
    CommandInterpreter &ci = Interpreter;
    i32 ply = 0;
    if (!ci.Record.Pop(&MainBoard, &ply)) return false;
    MainStatus.GamePly = ply;
    // The game history is the positions reached by the moves still on the record.
    MoveList.Init();
    for (int i = 1; i <= ci.Record.Count; i++)
        RecordGamePosition(i < ci.Record.Count ? ci.Record.At(i) : MainBoard, MoveList);
    MainStatus.GameInProgress = 1;
    return true;
}

// Reports a position the engine refuses to set up.
void RefusePosition()
{
    std::printf(MainStatus.xboard ? "tellusererror Illegal position\n" : "Illegal position\n");
    std::fflush(stdout);
}

// The game position changed wholesale: counts, pawn key and game history start afresh.
void NewPosition()
{
    Interpreter.Record.Clear();
    MainBoard.RecountAll();
    Interpreter.ResetGameHistory();
    MainStatus.GameInProgress = 1;
}

// Leaves analysis mode and gives ST back the value it had before.
void EndAnalysis()
{
    Status &st = MainStatus;
    st.Post = 0;
    st.AnalyzeMode = 0;
    if (Interpreter.HaveSavedST) st.ST = Interpreter.SavedST;
    Interpreter.HaveSavedST = 0;
}

// "setboard": the rest of the line is a FEN text; the half-move clock is its fifth field.
void SetBoardCommand()
{
    char fen[INPUT_LINE_MAX];
    if (Interpreter.RestOfLine(fen, sizeof fen) < 0) fen[0] = '\0';
    const char *text = fen;
    while (*text && IsBlank(*text))
        text++;
    if (!*text) {
        MissingArgument("setboard");
        return;
    }
    const ChessBoard before = MainBoard;
    SetupBoard(text);
    KeepPossibleRights(MainBoard);
    if (!PositionIsSound(MainBoard)) {
        MainBoard = before;
        RefusePosition();
        return;
    }
    const char *p = text;
    for (int field = 0; field < 4 && *p; field++) {
        while (*p && !IsBlank(*p))
            p++;
        while (*p && IsBlank(*p))
            p++;
    }
    const i32 clock = NumberOf(p);
    MainBoard.FiftyMoveCount = clock > 0 && clock < 1000 ? clock : 0;
    NewPosition();
}

// "sd", "Depth", "DEPTH" and "sfd": the depth limit, with the console's report.
void DepthCommand(const char *word, bool fixed)
{
    const bool console = !MainStatus.xboard;
    i32 n = 0;
    if (!NumberArgument(&n)) {
        MissingArgument(word);
        return;
    }
    if (console) std::printf("setting MAXDEPTH\nscanstring %s\n", word);
    MainBoard.MaxDepth = n;
    if (fixed) MainBoard.FixedDepth = n;
    MainBoard.BestFrom = MainBoard.BestTo = 0;
    if (console) std::printf("MAXDEPTH %d\n", n);
}

// "level": moves per session, base time in minutes or minutes:seconds, increment in seconds
// (a fraction allowed). A missing or malformed argument changes nothing.
void LevelCommand()
{
    Status &st = MainStatus;
    char base[WORD_MAX], inc[WORD_MAX];
    i32 moves = 0;
    const bool ok = NumberArgument(&moves) && Interpreter.ArgumentWord(base, sizeof base) >= 0 &&
                    Interpreter.ArgumentWord(inc, sizeof inc) >= 0 && IsNumber(inc, true);
    char *colon = ok ? std::strchr(base, ':') : nullptr;
    if (colon) *colon = '\0';
    if (!ok || !IsNumber(base, false) || (colon && !IsNumber(colon + 1, false)) || moves < 0) {
        MissingArgument("level");
        return;
    }
    const i32 minutes = NumberOf(base);
    const i32 seconds = colon ? NumberOf(colon + 1) : 0;
    st.MovesPerSession = moves;
    st.TimeLeft =
        Clamp32(static_cast<long long>(minutes) * 60000 + static_cast<long long>(seconds) * 1000);
    const double ms = std::strtod(inc, nullptr) * 1000.0;
    st.TimeInc = ms > 0 ? Clamp32(static_cast<long long>(ms + 0.5)) : 0;
}

// "dumpsee": the exchange value of a capture between two squares given by number.
void DumpSeeCommand()
{
    i32 a = 0, b = 0;
    if (!NumberArgument(&a) || !NumberArgument(&b)) {
        MissingArgument("dumpsee");
        return;
    }
    if (a < 0 || a > 63 || b < 0 || b > 63) return;
    ChessBoard board = MainBoard;
    const u64 from = u64{1} << a, to = u64{1} << b;
    if (!(from & board.AllPieces) || !(to & board.AllPieces)) return;
    const char colour = board.PieceColor(to);
    if (board.PieceColor(from) == colour) return;
    std::printf("SEE value = %d\n", see.StaticExchangeEvaluation(colour, from, to, &board));
}

// "ping": answered with the same text after "pong".
void PingCommand()
{
    char rest[INPUT_LINE_MAX];
    if (Interpreter.RestOfLine(rest, sizeof rest) < 0) rest[0] = '\0';
    const char *text = rest;
    while (*text && IsBlank(*text))
        text++;
    if (!*text) {
        MissingArgument("ping");
        return;
    }
    std::printf("pong %s\n", text);
    std::fflush(stdout);
}

// The "." status line: elapsed hundredths, nodes, depth, root moves left and root moves.
void StatusLine()
{
    std::printf("stat01: %d %lld %d %d %d\n", (ClockMs() - MainStatus.SearchStartTime) / 10,
                static_cast<long long>(Search.Nodes()), Search.RootDepth,
                Search.RootMoveCount - Search.RootMoveNumber, Search.RootMoveCount);
    std::fflush(stdout);
}

// Words that are accepted and do nothing.
const char *const kIgnored[] = {"ClearGameInfo", "InitGameInfo", "beep",     "bogus",
                                "draw",          "easy",         "hard",     "hint",
                                "ponder",        "random",       "fullrand", "computer"};
// Words whose whole line is accepted and dropped (their text may hold anything).
const char *const kIgnoredLines[] = {"name", "accepted", "rejected", "result", "rating", "ics"};

// The commands of the prompt, for "help".
const char *const kPromptHelp =
    "Moves are typed from-square then to-square: e2e4, g1f3, e1g1 to castle, e7e8q to promote.\n"
    "go               Vorn moves now, for the side to move\n"
    "force            Vorn stops answering: enter the moves of both sides, then go\n"
    "undo, remove     take back one move, or two\n"
    "new              a new game\n"
    "setboard <FEN>   set up a position\n"
    "edit             set up a position piece by piece (# clears, c changes colour, . ends)\n"
    "white, black     give the move to that side\n"
    "st <n>           n seconds a move\n"
    "sd <n>           search at most n plies deep\n"
    "level <m> <t> <i>  m moves in t minutes (or m:ss), i seconds increment\n"
    "post, nopost     show or hide Vorn's thinking\n"
    "analyze, exit    analyse the position until exit\n"
    "displayboard     show the board\n"
    "help             this text\n"
    "quit             end the program\n";

// Reports a word that is neither a command nor a move, and drops the rest of its line.
u8 UnknownCommand(const char *word)
{
    char rest[INPUT_LINE_MAX];
    Interpreter.RestOfLine(rest, sizeof rest);
    std::printf("Error (unknown command): %s\n", word);
    std::fflush(stdout);
    return CMD_HANDLED;
}

} // namespace

u8 HumanMove()
{
    Status &st = MainStatus;
    CommandInterpreter &ci = Interpreter;
    char word[WORD_MAX];
    for (;;) {
        // 1. Analysis stopped by a command goes on once the words that came with it are read.
        if (ci.ResumeAnalysis && !ci.HasPendingWord()) {
            ci.ResumeAnalysis = 0;
            if (st.AnalyzeMode == 1) {
                st.HumanToMove = 0;
                return CMD_END;
            }
        }
        // 2. One word; the end of input ends the program as "quit" does.
        if (!st.xboard) std::printf("Enter Move: ");
        const int n = ci.NextWord(word, sizeof word);
        if (!st.xboard) std::printf("%s\n", n < 0 ? "" : word);
        if (n < 0) return DoCommand("quit");
        const u8 r = DoCommand(word);
        if (r == CMD_HANDLED) continue;
        if (r != CMD_MOVE) return r;

        // 3. A move is played only when it is legal in the game position.
        u64 from = 0, to = 0;
        char letter = 0, promotion = NOPROMOTION;
        if (!ParseMoveWord(word, &from, &to, &letter) ||
            !FindLegalMove(MainBoard, MainBoard.SideToMove, from, to, letter, &promotion)) {
            std::printf("Illegal move: %s\n", word);
            std::fflush(stdout);
            continue;
        }
        const u8 result = PlayMove(from, to, promotion);

        // In force mode the moves of both sides follow one another.
        if (!st.ForceMode) return result;
    }
}

void PlayDialogueMove(u64 from, u64 to, char promotion)
{
    Interpreter.Record.Push(MainBoard, MainStatus.GamePly);
    PlayGameMove(MainBoard, from, to, promotion, &MoveList);
}

u8 DoCommand(const char *word)
{
    Status &st = MainStatus;
    ChessBoard &b = MainBoard;
    for (const char *w : kIgnored)
        if (Is(word, w)) return CMD_HANDLED;
    for (const char *w : kIgnoredLines) {
        if (Is(word, w)) {
            char rest[INPUT_LINE_MAX];
            Interpreter.RestOfLine(rest, sizeof rest);
            return CMD_HANDLED;
        }
    }
    if (Is(word, ".")) {
        StatusLine();
        return CMD_HANDLED;
    }
    if (Is(word, "help")) {
        std::fputs(kPromptHelp, stdout);
        std::fflush(stdout);
        return CMD_HANDLED;
    }
    if (Is(word, "?")) {
        Search.AbortSearch();
        if (st.AnalyzeMode) EndAnalysis();
        return CMD_END;
    }
    if (Is(word, "abort")) {
        NewGame();
        st.ForceMode = 0;
        Interpreter.HaveSavedST = 0;
        return CMD_END;
    }
    if (Is(word, "analyze")) {
        if (!Interpreter.HaveSavedST) {
            Interpreter.SavedST = st.ST;
            Interpreter.HaveSavedST = 1;
        }
        st.AnalyzeMode = 1;
        st.Post = 1;
        st.ForceMode = 0;
        st.HumanToMove = 0;
        st.NPS = 200001;
        if (st.ST == 0) st.ST = kAnalysisTime;
        return CMD_END;
    }
    if (Is(word, "bk")) {
        if (st.AnalyzeMode != 1) st.UseBook = st.UseBook ? 0 : 1;
        return CMD_HANDLED;
    }
    if (Is(word, "black") || Is(word, "white")) {
        const char before = b.SideToMove;
        b.SideToMove = Is(word, "black") ? 1 : 0;
        // The side given must be one that can move in this position.
        if (!PositionIsSound(b)) {
            b.SideToMove = before;
            RefusePosition();
        }
        return CMD_HANDLED;
    }
    if (Is(word, "undo") || Is(word, "remove")) {
        const int plies = Is(word, "undo") ? 1 : 2;
        for (int i = 0; i < plies; i++)
            if (!TakeBack()) {
                std::printf("Error (no move to take back): %s\n", word);
                std::fflush(stdout);
                break;
            }
        return CMD_HANDLED;
    }
    if (Is(word, "displayboard")) {
        ShowBoard(b);
        return CMD_HANDLED;
    }
    if (Is(word, "dumpsee")) {
        DumpSeeCommand();
        return CMD_HANDLED;
    }
    if (Is(word, "edit")) {
        SetupBoardFromEdit();
        return CMD_HANDLED;
    }
    if (Is(word, "exit")) {
        if (st.AnalyzeMode == 1) {
            EndAnalysis();
            Search.AbortSearch();
        }
        return CMD_END;
    }
    if (Is(word, "force")) {
        st.ForceMode = 1;
        return CMD_HANDLED;
    }
    if (Is(word, "go")) {
        st.ForceMode = 0;
        st.HumanToMove = 0;
        return CMD_END;
    }
    if (Is(word, "level")) {
        LevelCommand();
        return CMD_HANDLED;
    }
    if (Is(word, "new")) {
        NewGame();
        st.ForceMode = 0;
        if (st.AnalyzeMode == 1) EndAnalysis();
        Interpreter.HaveSavedST = 0;
        return CMD_END;
    }
    if (Is(word, "post") || Is(word, "nopost")) {
        st.Post = Is(word, "post") ? 1 : 0;
        return CMD_HANDLED;
    }
    if (Is(word, "otim") || Is(word, "time")) {
        i32 n = 0;
        if (!NumberArgument(&n))
            MissingArgument(word);
        else if (Is(word, "time"))
            st.TimeLeft = Times(n, 10);
        return CMD_HANDLED;
    }
    if (Is(word, "quit")) {
        st.RestartGame = 0;
        st.GameInProgress = 0;
        Interpreter.QuitRequested = 1;
        return CMD_QUIT;
    }
    if (Is(word, "selfplay")) {
        st.SelfPlay = 1;
        return CMD_END;
    }
    if (Is(word, "setboard")) {
        SetBoardCommand();
        return CMD_HANDLED;
    }
    if (Is(word, "sd") || Is(word, "Depth") || Is(word, "DEPTH") || Is(word, "sfd")) {
        DepthCommand(word, Is(word, "sfd"));
        return CMD_HANDLED;
    }
    if (Is(word, "st")) {
        i32 n = 0;
        if (!NumberArgument(&n)) {
            MissingArgument(word);
            return CMD_HANDLED;
        }
        st.ST = Times(n, 1000);
        st.TimePerMove = Times(n, 900);
        st.TimeLeft = Times(n, 60000);
        if (Interpreter.HaveSavedST) Interpreter.SavedST = st.ST;
        return CMD_HANDLED;
    }
    if (Is(word, "traceflag")) {
        st.Trace = st.Trace ? 0 : 1;
        return CMD_HANDLED;
    }
    if (Is(word, "xboard")) {
        st.xboard = 1;
        return CMD_HANDLED;
    }
    if (Is(word, "protover")) {
        i32 n = 0;
        if (!NumberArgument(&n)) {
            MissingArgument(word);
            return CMD_HANDLED;
        }
        Interpreter.Protover = static_cast<u8>(n < 0 ? 0 : (n > 99 ? 99 : n));
        std::printf("feature ping=1 setboard=1 usermove=0 san=0 time=1 draw=0 sigint=0 sigterm=0 "
                    "reuse=1 analyze=1 colors=1 memory=1 smp=1 myname=\"Vorn 1.005-64\" done=1\n");
        std::fflush(stdout);
        return CMD_HANDLED;
    }
    if (Is(word, "ping")) {
        PingCommand();
        return CMD_HANDLED;
    }
    if (Is(word, "cores")) {
        // Search threads, the engine's own included.
        i32 n = 0;
        if (!NumberArgument(&n) || n < 1) {
            MissingArgument(word);
            return CMD_HANDLED;
        }
        SearchThreads.SetThreads(n);
        return CMD_HANDLED;
    }
    if (Is(word, "memory")) {
        // The total for the transposition table and the pawn tables (one a thread), in
        // megabytes.
        i32 mb = 0;
        if (!NumberArgument(&mb) || mb < 1) {
            MissingArgument(word);
            return CMD_HANDLED;
        }
        const long long pawnTable =
            (static_cast<long long>(PAWNHASHSIZE) * static_cast<long long>(sizeof(PawnHashEntry)) +
             (1 << 20) - 1) >>
            20;
        ResizeHash(mb - pawnTable * SearchThreads.Threads());
        return CMD_HANDLED;
    }
    return IsMoveWord(word) ? CMD_MOVE : UnknownCommand(word);
}

void SetupBoardFromEdit()
{
    ChessBoard &b = MainBoard;
    const ChessBoard before = b;
    char colour = 0;
    char word[WORD_MAX];
    for (;;) {
        const int n = Interpreter.NextWord(word, sizeof word);
        const bool end = n < 0 || Is(word, ".");
        if (!end) {
            if (Is(word, "#")) {
                b.ClearField();
            } else if (Is(word, "c")) {
                colour = colour ? 0 : 1;
            } else if (word[0] && std::strchr("PNBRQKx", word[0]) && std::strlen(word) == 3 &&
                       SquareOfText(word + 1) >= 0) {
                const u64 m = u64{1} << SquareOfText(word + 1);
                // Whatever stood on the square goes first, so no square holds two pieces.
                for (u64 *bb : {&b.WhitePawns, &b.WhiteKnights, &b.WhiteBishops, &b.WhiteRooks,
                                &b.WhiteQueens, &b.WhiteKing, &b.BlackPawns, &b.BlackKnights,
                                &b.BlackBishops, &b.BlackRooks, &b.BlackQueens, &b.BlackKing})
                    *bb &= ~m;
                u64 *target = nullptr;
                switch (word[0]) {
                case 'P':
                    target = colour ? &b.BlackPawns : &b.WhitePawns;
                    break;
                case 'N':
                    target = colour ? &b.BlackKnights : &b.WhiteKnights;
                    break;
                case 'B':
                    target = colour ? &b.BlackBishops : &b.WhiteBishops;
                    break;
                case 'R':
                    target = colour ? &b.BlackRooks : &b.WhiteRooks;
                    break;
                case 'Q':
                    target = colour ? &b.BlackQueens : &b.WhiteQueens;
                    break;
                case 'K':
                    target = colour ? &b.BlackKing : &b.WhiteKing;
                    break;
                default:
                    break;
                }
                if (target) *target |= m;
            }
        }
        // After every word: occupancy and the castling rights the position allows.
        b.WhitePieces = b.WhitePawns | b.WhiteKnights | b.WhiteBishops | b.WhiteRooks |
                        b.WhiteQueens | b.WhiteKing;
        b.BlackPieces = b.BlackPawns | b.BlackKnights | b.BlackBishops | b.BlackRooks |
                        b.BlackQueens | b.BlackKing;
        b.AllPieces = b.WhitePieces | b.BlackPieces;
        b.CastleFlags = 15;
        KeepPossibleRights(b);
        if (end) break;
    }
    b.LastFrom = b.LastTo = 0;
    if (!PositionIsSound(b)) {
        b = before;
        RefusePosition();
        return;
    }
    NewPosition();
}

void MakeGUIMove(u64 from, u64 to, char promotion, int score)
{
    (void)score;
    char move[8];
    MoveText(move, RightMostBit(from) - 1, RightMostBit(to) - 1, promotion);
    if (Interpreter.Protover >= 2)
        std::printf("move %s\n", move);
    else
        std::printf("%d. ... %s \n", (MainStatus.GamePly + 1) / 2, move);
    std::fflush(stdout);
}
