#include "shell/xboard.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "board/movehistory.h"
#include "board/movetext.h"
#include "board/setup.h"
#include "book/polyglot.h"
#include "core/platform.h"
#include "core/status.h"
#include "eval/poseval.h"
#include "movegen/legal.h"
#include "movegen/see.h"
#include "search/search.h"
#include "search/strength.h"
#include "search/threads.h"
#include "shell/pgn.h"
#include "shell/reports.h"
#include "shell/startup.h"
#include "shell/text.h"

namespace {

// Time the analysis mode gives a search when no fixed time is set: two weeks.
constexpr i32 ANALYSIS_TIME = 1209600000;
// The speed estimate analysis starts from.
constexpr i32 ANALYSIS_NPS = 200001;
// Milliseconds a hint is searched for.
constexpr i32 HINT_TIME = 500;
// The longest text a command reads from the rest of its line (a FEN, a ping's token).
constexpr int COMMAND_TEXT_MAX = 1024;

// True when the two words are equal.
bool Is(const char *a, const char *b)
{
    return std::strcmp(a, b) == 0;
}

// n * unit, held to the range of an i32.
i32 Times(i32 n, i64 unit)
{
    return Clamp32(static_cast<i64>(n) * unit);
}

// Reports a command whose argument is missing or malformed; the command changes nothing.
void MissingArgument(const char *command)
{
    std::printf("Error (missing argument): %s\n", command);
    std::fflush(stdout);
}

// Reads the command's next argument (from its own line only) as a whole number.
bool NumberArgument(i32 *out)
{
    char word[WORD_MAX];
    if (Interpreter.ArgumentWord(word, sizeof word) < 0 || !IsNumber(word, false)) return false;
    *out = NumberOf(word);
    return true;
}

// Takes back the last ply of the game: the position, the ply count and the game history.
bool TakeBack()
{
    CommandInterpreter &ci = Interpreter;
    i32 ply = 0;
    if (!ci.Record.Pop(&MainBoard, &ply)) return false;
    MainStatus.GamePly = ply;
    // The game history is the position the record starts from and those its moves reached.
    MainHistory.Init();
    for (int i = 0; i <= ci.Record.Count; i++)
        RecordGamePosition(i < ci.Record.Count ? ci.Record.At(i) : MainBoard, MainHistory);
    MainStatus.GameInProgress = 1;
    ci.Record.Result = "*";
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
    Interpreter.Record.SetUp = true;
    MainBoard.RecountAll();
    StartGameHistory();
    MainStatus.GameInProgress = 1;
}

// "variant NAME": normal chess or Chess960 ("fischerandom") for the games that follow, until
// "new"; the interface sends the position after it.
void VariantCommand()
{
    char name[WORD_MAX];
    if (Interpreter.ArgumentWord(name, sizeof name) < 0) {
        MissingArgument("variant");
        return;
    }
    if (Is(name, "normal") || Is(name, "fischerandom")) {
        MainBoard.Chess960 = Is(name, "fischerandom") ? 1 : 0;
        NewGame();
        return;
    }
    std::printf("Error (unsupported variant): %s\n", name);
    std::fflush(stdout);
}

// "chess960 [n]": a new game from Chess960 start position n, or from a random one.
void Chess960Command()
{
    char word[WORD_MAX] = "";
    Interpreter.ArgumentWord(word, sizeof word);
    int number = -1;
    if (IsNumber(word, false)) {
        number = NumberOf(word);
    } else if (word[0] && !Is(word, "random")) {
        std::printf("Error (not a start position number): %s\n", word);
        std::fflush(stdout);
        return;
    }
    if (number < 0 || number >= CHESS960_POSITIONS) {
        if (number != -1) {
            std::printf("Error (start positions run from 0 to 959): %s\n", word);
            std::fflush(stdout);
            return;
        }
        number = static_cast<int>(std::random_device{}() % CHESS960_POSITIONS);
    }
    char fen[FEN_MAX];
    Chess960Fen(number, fen);
    MainBoard.Chess960 = 1;
    NewGame();
    SetupBoard(fen);
    NewPosition();
    MainStatus.ForceMode = 0;
    if (!MainStatus.xboard) {
        std::printf("Chess960 start position %d: %s\n", number, fen);
        RestoreStartingClock();
    }
    std::fflush(stdout);
}

// "setboard": the rest of the line is a FEN text; the half-move clock is its fifth field.
void SetBoardCommand()
{
    char fen[COMMAND_TEXT_MAX];
    if (Interpreter.RestOfLine(fen, sizeof fen) < 0) fen[0] = '\0';
    const char *text = fen;
    while (*text && IsBlank(*text))
        text++;
    if (!*text) {
        MissingArgument("setboard");
        return;
    }
    const ChessBoard before = MainBoard;
    const FenCastling castling = SetupBoard(text);
    const bool rulesFit = castling == FenCastling::Standard ||
                          (castling == FenCastling::Chess960 && MainBoard.Chess960);
    if (!rulesFit || !PositionIsSound(MainBoard)) {
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
void DepthCommand(const char *word)
{
    // The console reports the setting; a person at a terminal sees it in post mode only.
    const Status &st = MainStatus;
    const bool report = !st.xboard && (!st.Terminal || st.Post);
    i32 n = 0;
    if (!NumberArgument(&n)) {
        MissingArgument(word);
        return;
    }
    if (report) std::printf("setting MAXDEPTH\nscanstring %s\n", word);
    MainStatus.DepthLimit = n;
    if (report) std::printf("MAXDEPTH %d\n", n);
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

// Words that are accepted and do nothing.
const char *const IGNORED_WORDS[] = {"ClearGameInfo", "InitGameInfo", "beep",    "bogus",
                                     "draw",          "easy",         "hard",    "ponder",
                                     "random",        "fullrand",     "computer"};
// Words whose whole line is accepted and dropped (their text may hold anything).
const char *const IGNORED_LINES[] = {"name", "accepted", "rejected", "result", "rating", "ics"};

// The commands of the prompt, for "help".
const char *const PROMPT_HELP =
    "Moves are typed as books print them (e4, Nf3, exd5, Nbd2, O-O, e8=Q) or from-square then\n"
    "to-square (e2e4, g1f3, e1g1 to castle, e7e8q to promote).\n"
    "go               Vorn moves now, for the side to move\n"
    "force            Vorn stops answering: enter the moves of both sides, then go\n"
    "undo, remove     take back one move, or two\n"
    "hint             Vorn suggests a move\n"
    "bookfile <file>  play from a Polyglot opening book (.bin) while it knows the position\n"
    "book             the book file's moves for this position, with their weights\n"
    "new              a new game, with the time setting Vorn started with\n"
    "chess960 [<n>]   a new Chess960 game from start position n (0-959, 518 the standard\n"
    "                 one), a random one without n; castle with O-O and O-O-O\n"
    "save <file>      write the game to a file as PGN\n"
    "setboard <FEN>   set up a position\n"
    "edit             set up a position piece by piece (# clears, c changes colour, . ends)\n"
    "white, black     give the move to that side\n"
    "st <n>           n seconds a move\n"
    "sd <n>           search at most n plies deep\n"
    "level <m> <t> <i>  m moves in t minutes (or m:ss), i seconds increment\n"
    "post, nopost     show or hide Vorn's thinking\n"
    "analyze, exit    analyse the position until exit\n"
    "multipv <n>      show the n best moves and their lines when analysing\n"
    "exclude <move>   leave a move out of the analysis; include <move> brings it back\n"
    "                 (exclude all, include all: every move)\n"
    "strength <n>     play at level n, 1350 to 1900 on Stockfish's Elo scale (1900: full)\n"
    "displayboard     show the board\n"
    "help             this text\n"
    "quit             end the program\n";

// After a take-back at a terminal: the board, whose move it is and, when it is the engine's,
// how to go on.
void ReportTakeBack()
{
    ShowBoard(MainBoard);
    const char side = MainBoard.SideToMove ? 1 : 0;
    std::printf("%s to move.\n", side ? "Black" : "White");
    if (side == Interpreter.EngineSide)
        std::printf("It is Vorn's move: type go for it, or undo to take back yours too.\n");
    std::fflush(stdout);
}

// "book": the moves the book file gives the game position, heaviest first, with their weights
// and shares ("e2e4 (e4)  weight 40, 40%").
void BookCommand()
{
    BookCandidate moves[MAXBOOKMOVES];
    const int n = BookFile.Moves(MainBoard, moves, MAXBOOKMOVES);
    if (!BookFile.Loaded()) {
        std::printf("No book file (bookfile <file> opens one).\n");
    } else if (n == 0) {
        std::printf("The book file has no move for this position.\n");
    }
    std::stable_sort(moves, moves + n, [](const BookCandidate &a, const BookCandidate &b) {
        return a.Weight > b.Weight;
    });
    u64 total = 0;
    for (int i = 0; i < n; i++)
        total += moves[i].Weight;
    for (int i = 0; i < n; i++) {
        char text[8], san[SAN_MAX];
        MoveText(text, LowestSquare(moves[i].From), LowestSquare(moves[i].To), moves[i].Promotion);
        WriteSan(MainBoard, moves[i].From, moves[i].To, moves[i].Promotion, san);
        std::printf("%s (%s)  weight %u, %d%%\n", text, san, moves[i].Weight,
                    static_cast<int>(moves[i].Weight * 100 / total));
    }
    std::fflush(stdout);
}

// "hint": a short search of the game position, its move named ("Hint: e2e4").
void HintCommand()
{
    SearchLimits limits;
    limits.MoveTime = HINT_TIME;
    limits.GamePly = MainStatus.GamePly;
    SearchOutput *const output = MainSearch.Output;
    MainSearch.Output = &QuietOutput;
    MainSearch.ArmRequests();
    ChessBoard board = MainBoard;
    u64 from = 0, to = 0;
    char promotion = NOPROMOTION;
    MainSearch.ProgressiveDeepening(board, limits, &from, &to, &promotion);
    MainSearch.Output = output;
    if (!from || !to) return;
    char text[8], san[SAN_MAX];
    MoveText(text, LowestSquare(from), LowestSquare(to), promotion);
    WriteSan(MainBoard, from, to, promotion, san);
    if (MainStatus.xboard)
        std::printf("Hint: %s\n", text);
    else
        std::printf("Hint: %s (%s)\n", text, san);
    std::fflush(stdout);
}

// "save FILE": the game so far as PGN; a file that cannot be written is reported and the game
// goes on.
void SaveCommand()
{
    char name[COMMAND_TEXT_MAX];
    Interpreter.RestOfLine(name, sizeof name);
    TrimLine(name);
    if (!*name) {
        MissingArgument("save");
        return;
    }
    std::FILE *file = std::fopen(name, "w");
    int fault = file ? 0 : errno;
    if (file && !WriteGamePgn(file)) fault = errno ? errno : EIO;
    if (file && std::fclose(file) != 0 && !fault) fault = errno;
    if (fault)
        std::printf("Error (cannot write %s): %s\n", name, std::strerror(fault));
    else
        std::printf("Game saved to %s\n", name);
    std::fflush(stdout);
}

// Reports a word that is neither a command nor a move, and drops the rest of its line.
// After a change to what an analysis shows: the analysis starts again once the words that came
// with the change are read.
CommandResult AnalyseAgain()
{
    if (MainStatus.AnalyzeMode == 1) Interpreter.ResumeAnalysis = 1;
    return CommandResult::Handled;
}

// "multipv N" and xboard's "option MultiPV=N": the lines a search shows.
CommandResult SetLines(const char *command, i32 n)
{
    if (n < 1 || n > MAXMULTIPV) {
        std::printf("Error (lines are 1 to %d): %s\n", MAXMULTIPV, command);
        std::fflush(stdout);
        return CommandResult::Handled;
    }
    MainStatus.MultiPV = n;
    return AnalyseAgain();
}

// "option NAME=VALUE": the options the "feature" line offers.
CommandResult OptionCommand()
{
    char rest[COMMAND_TEXT_MAX];
    Interpreter.RestOfLine(rest, sizeof rest);
    const char *text = rest;
    while (*text && IsBlank(*text))
        text++;
    const char *equals = std::strchr(text, '=');
    const std::string name(text, equals ? static_cast<size_t>(equals - text) : std::strlen(text));
    const bool number = equals && IsNumber(equals + 1, false);
    if (name == "MultiPV" && number) return SetLines("option", NumberOf(equals + 1));
    Status &st = MainStatus;
    if (name == "UCI_LimitStrength" && number) {
        st.LimitStrength = NumberOf(equals + 1) != 0 ? 1 : 0;
        return CommandResult::Handled;
    }
    if (name == "UCI_Elo" && number) {
        st.Elo = ClampLevel(NumberOf(equals + 1));
        return CommandResult::Handled;
    }
    if (name == "Skill Level" && number) {
        const i32 skill = NumberOf(equals + 1);
        st.SkillLevel = skill < 0 ? 0 : (skill > 20 ? 20 : skill);
        return CommandResult::Handled;
    }
    if (name == "Best Book Move" && number) {
        st.BookBest = NumberOf(equals + 1) != 0 ? 1 : 0;
        return CommandResult::Handled;
    }
    if (name == "BookFile" && equals) {
        std::string path = equals + 1;
        while (!path.empty() && IsBlank(path.back()))
            path.pop_back();
        OpenBookFile(path.c_str());
        return CommandResult::Handled;
    }
    std::printf("Error (unknown option): %s\n", Shown(text).c_str());
    std::fflush(stdout);
    return CommandResult::Handled;
}

// "exclude MOVE", "include MOVE", "exclude all", "include all": the root moves searched.
CommandResult ExcludeCommand(const char *command)
{
    char move[WORD_MAX];
    if (Interpreter.ArgumentWord(move, sizeof move) < 0) {
        MissingArgument(command);
        return CommandResult::Handled;
    }
    if (!Interpreter.Excluded.Change(MainBoard, move, std::strcmp(command, "exclude") == 0)) {
        std::printf("Error (not a legal move): %s %s\n", command, Shown(move).c_str());
        std::fflush(stdout);
        return CommandResult::Handled;
    }
    return AnalyseAgain();
}

CommandResult UnknownCommand(const char *word)
{
    char rest[COMMAND_TEXT_MAX];
    Interpreter.RestOfLine(rest, sizeof rest);
    std::printf("Error (unknown command): %s\n", Shown(word).c_str());
    std::fflush(stdout);
    return CommandResult::Handled;
}

} // namespace

std::string Shown(const char *word)
{
    std::string out = word;
    if (MainStatus.Terminal)
        for (char &c : out)
            if (static_cast<unsigned char>(c) < 32 || c == 127) c = '?';
    return out;
}

bool IsMoveWord(const char *w)
{
    return w[0] >= 'a' && w[0] <= 'h' && w[1] >= '0' && w[1] <= '8';
}

void EndAnalysis()
{
    Status &st = MainStatus;
    st.Post = 0;
    st.AnalyzeMode = 0;
    if (Interpreter.HaveSavedST) st.ST = Interpreter.SavedST;
    Interpreter.HaveSavedST = 0;
}

void StatusLine()
{
    const SearchStatus &s = MainSearch.Status;
    const i32 count = s.MoveCount.load(std::memory_order_relaxed);
    std::printf("stat01: %d %lld %d %d %d\n",
                (ClockMs() - s.StartMs.load(std::memory_order_relaxed)) / 10,
                static_cast<long long>(s.Nodes.load(std::memory_order_relaxed)),
                s.Depth.load(std::memory_order_relaxed),
                count - s.MoveNumber.load(std::memory_order_relaxed), count);
    std::fflush(stdout);
}

void Pong(const char *text)
{
    while (*text && IsBlank(*text))
        text++;
    if (!*text) {
        MissingArgument("ping");
        return;
    }
    std::printf("pong %s\n", text);
    std::fflush(stdout);
}

CommandResult DoCommand(const char *word)
{
    Status &st = MainStatus;
    ChessBoard &b = MainBoard;
    for (const char *w : IGNORED_WORDS)
        if (Is(word, w)) return CommandResult::Handled;
    for (const char *w : IGNORED_LINES) {
        if (Is(word, w)) {
            char rest[COMMAND_TEXT_MAX];
            Interpreter.RestOfLine(rest, sizeof rest);
            return CommandResult::Handled;
        }
    }
    if (Is(word, ".")) {
        StatusLine();
        return CommandResult::Handled;
    }
    if (Is(word, "help")) {
        std::fputs(PROMPT_HELP, stdout);
        std::fflush(stdout);
        return CommandResult::Handled;
    }
    if (Is(word, "?")) {
        if (st.AnalyzeMode) EndAnalysis();
        return CommandResult::EndTurn;
    }
    if (Is(word, "abort")) {
        NewGame();
        st.ForceMode = 0;
        Interpreter.HaveSavedST = 0;
        return CommandResult::EndTurn;
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
        MainSearch.NPS = ANALYSIS_NPS;
        if (st.ST == 0) st.ST = ANALYSIS_TIME;
        return CommandResult::EndTurn;
    }
    if (Is(word, "bk")) {
        if (st.AnalyzeMode != 1) st.UseBook = st.UseBook ? 0 : 1;
        return CommandResult::Handled;
    }
    if (Is(word, "black") || Is(word, "white")) {
        const char before = b.SideToMove;
        b.SideToMove = Is(word, "black") ? 1 : 0;
        // The side given must be one that can move in this position.
        if (!PositionIsSound(b)) {
            b.SideToMove = before;
            RefusePosition();
        }
        return CommandResult::Handled;
    }
    if (Is(word, "undo") || Is(word, "remove")) {
        const int plies = Is(word, "undo") ? 1 : 2;
        for (int i = 0; i < plies; i++)
            if (!TakeBack()) {
                std::printf("Error (no move to take back): %s\n", word);
                std::fflush(stdout);
                break;
            }
        if (st.Terminal && !st.xboard) ReportTakeBack();
        return CommandResult::Handled;
    }
    if (Is(word, "displayboard")) {
        ShowBoard(b);
        return CommandResult::Handled;
    }
    if (Is(word, "dumpsee")) {
        DumpSeeCommand();
        return CommandResult::Handled;
    }
    if (Is(word, "edit")) {
        SetupBoardFromEdit();
        return CommandResult::Handled;
    }
    if (Is(word, "exit")) {
        if (st.AnalyzeMode == 1) EndAnalysis();
        return CommandResult::EndTurn;
    }
    if (Is(word, "force")) {
        st.ForceMode = 1;
        return CommandResult::Handled;
    }
    if (Is(word, "go")) {
        st.ForceMode = 0;
        st.HumanToMove = 0;
        return CommandResult::EndTurn;
    }
    if (Is(word, "level")) {
        LevelCommand();
        return CommandResult::Handled;
    }
    if (Is(word, "new")) {
        MainBoard.Chess960 = 0;
        NewGame();
        st.ForceMode = 0;
        if (st.AnalyzeMode == 1) EndAnalysis();
        Interpreter.HaveSavedST = 0;
        // The console's new game has the time control the program started with.
        if (!st.xboard) RestoreStartingClock();
        return CommandResult::EndTurn;
    }
    if (Is(word, "bookfile")) {
        char path[COMMAND_TEXT_MAX];
        if (Interpreter.RestOfLine(path, sizeof path) < 0) path[0] = '\0';
        TrimLine(path);
        if (!path[0])
            MissingArgument(word);
        else
            OpenBookFile(path);
        return CommandResult::Handled;
    }
    if (Is(word, "book")) {
        BookCommand();
        return CommandResult::Handled;
    }
    if (Is(word, "hint")) {
        HintCommand();
        return CommandResult::Handled;
    }
    if (Is(word, "save")) {
        SaveCommand();
        return CommandResult::Handled;
    }
    if (Is(word, "post") || Is(word, "nopost")) {
        st.Post = Is(word, "post") ? 1 : 0;
        return CommandResult::Handled;
    }
    if (Is(word, "otim") || Is(word, "time")) {
        i32 n = 0;
        if (!NumberArgument(&n))
            MissingArgument(word);
        else if (Is(word, "time"))
            st.TimeLeft = Times(n, 10);
        return CommandResult::Handled;
    }
    if (Is(word, "quit")) {
        st.GameInProgress = 0;
        Interpreter.QuitRequested = 1;
        return CommandResult::Quit;
    }
    if (Is(word, "selfplay")) {
        st.SelfPlay = 1;
        return CommandResult::EndTurn;
    }
    if (Is(word, "variant")) {
        VariantCommand();
        return CommandResult::Handled;
    }
    if (Is(word, "chess960")) {
        Chess960Command();
        return CommandResult::EndTurn;
    }
    if (Is(word, "setboard")) {
        SetBoardCommand();
        return CommandResult::Handled;
    }
    if (Is(word, "sd") || Is(word, "Depth") || Is(word, "DEPTH") || Is(word, "sfd")) {
        DepthCommand(word);
        return CommandResult::Handled;
    }
    if (Is(word, "st")) {
        i32 n = 0;
        if (!NumberArgument(&n)) {
            MissingArgument(word);
            return CommandResult::Handled;
        }
        st.ST = Times(n, 1000);
        st.TimeLeft = Times(n, 60000);
        if (Interpreter.HaveSavedST) Interpreter.SavedST = st.ST;
        return CommandResult::Handled;
    }
    if (Is(word, "traceflag")) {
        st.Trace = st.Trace ? 0 : 1;
        return CommandResult::Handled;
    }
    if (Is(word, "xboard")) {
        st.xboard = 1;
        return CommandResult::Handled;
    }
    if (Is(word, "protover")) {
        i32 n = 0;
        if (!NumberArgument(&n)) {
            MissingArgument(word);
            return CommandResult::Handled;
        }
        Interpreter.Protover = static_cast<u8>(n < 0 ? 0 : (n > 99 ? 99 : n));
        std::printf("feature ping=1 setboard=1 usermove=0 san=0 time=1 draw=0 sigint=0 sigterm=0 "
                    "reuse=1 analyze=1 colors=1 memory=1 smp=1 exclude=1 myname=\"Vorn %s\" "
                    "variants=\"normal,fischerandom\" "
                    "option=\"MultiPV -spin %d 1 %d\" option=\"UCI_LimitStrength -check %d\" "
                    "option=\"BookFile -file %s\" option=\"Best Book Move -check %d\" "
                    "option=\"UCI_Elo -spin %d %d %d\" option=\"Skill Level -spin %d 0 20\" "
                    "done=1\n",
                    VORN_VERSION, MainStatus.MultiPV, MAXMULTIPV, MainStatus.LimitStrength,
                    BookFile.Path().c_str(), MainStatus.BookBest, MainStatus.Elo, MIN_STRENGTH,
                    FULL_STRENGTH, MainStatus.SkillLevel);
        std::fflush(stdout);
        return CommandResult::Handled;
    }
    if (Is(word, "ping")) {
        char rest[COMMAND_TEXT_MAX];
        Interpreter.RestOfLine(rest, sizeof rest);
        Pong(rest);
        return CommandResult::Handled;
    }
    if (Is(word, "option")) return OptionCommand();
    if (Is(word, "multipv")) {
        i32 n = 0;
        if (!NumberArgument(&n)) {
            MissingArgument(word);
            return CommandResult::Handled;
        }
        return SetLines(word, n);
    }
    if (Is(word, "exclude") || Is(word, "include")) return ExcludeCommand(word);
    if (Is(word, "strength")) {
        // A level on the UCI_Elo scale; full strength from its top up.
        i32 n = 0;
        if (!NumberArgument(&n)) {
            MissingArgument(word);
            return CommandResult::Handled;
        }
        st.LimitStrength = n < FULL_STRENGTH ? 1 : 0;
        st.Elo = ClampLevel(n);
        if (!st.xboard)
            std::printf(st.LimitStrength ? "Vorn plays at %d.\n" : "Vorn plays at full strength.\n",
                        st.Elo);
        std::fflush(stdout);
        return CommandResult::Handled;
    }
    if (Is(word, "cores")) {
        // Search threads, the engine's own included.
        i32 n = 0;
        if (!NumberArgument(&n) || n < 1) {
            MissingArgument(word);
            return CommandResult::Handled;
        }
        SearchThreads.SetThreads(n);
        return CommandResult::Handled;
    }
    if (Is(word, "memory")) {
        // The total for the transposition table and the pawn tables (one a thread), in
        // megabytes.
        i32 mb = 0;
        if (!NumberArgument(&mb) || mb < 1) {
            MissingArgument(word);
            return CommandResult::Handled;
        }
        const long long pawnTable =
            (static_cast<long long>(PAWNHASHSIZE) * static_cast<long long>(sizeof(PawnHashEntry)) +
             (1 << 20) - 1) >>
            20;
        ResizeHash(mb - pawnTable * SearchThreads.Threads());
        return CommandResult::Handled;
    }
    // A word that looks like coordinates is taken for a move, so is one that reads as a move in
    // algebraic notation ("Nf3", "O-O"); the game loop judges it.
    TypedMove move;
    char candidates[4];
    if (IsMoveWord(word) ||
        ReadMove(MainBoard, word, &move, candidates, sizeof candidates) != MoveReading::NotAMove)
        return CommandResult::Move;
    return UnknownCommand(word);
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
                const u64 m = SquareMask(SquareOfText(word + 1));
                // Whatever stood on the square goes first, so no square holds two pieces; "x"
                // only empties it.
                u64 *const boards[12] = {&b.WhitePawns, &b.WhiteKnights, &b.WhiteBishops,
                                         &b.WhiteRooks, &b.WhiteQueens,  &b.WhiteKing,
                                         &b.BlackPawns, &b.BlackKnights, &b.BlackBishops,
                                         &b.BlackRooks, &b.BlackQueens,  &b.BlackKing};
                for (u64 *bb : boards)
                    *bb &= ~m;
                static const char PIECE_LETTERS[] = "PNBRQK";
                const char *kind = std::strchr(PIECE_LETTERS, word[0]);
                if (kind) *boards[(kind - PIECE_LETTERS) + 6 * colour] |= m;
            }
        }
        // After every word: occupancy and the castling rights the position allows.
        b.WhitePieces = b.WhitePawns | b.WhiteKnights | b.WhiteBishops | b.WhiteRooks |
                        b.WhiteQueens | b.WhiteKing;
        b.BlackPieces = b.BlackPawns | b.BlackKnights | b.BlackBishops | b.BlackRooks |
                        b.BlackQueens | b.BlackKing;
        b.AllPieces = b.WhitePieces | b.BlackPieces;
        InferCastling(b);
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

void MakeGUIMove(u64 from, u64 to, char promotion, CastleSide castle)
{
    char move[8];
    MoveText(move, LowestSquare(from), LowestSquare(to), promotion);
    if (MainBoard.Chess960 && castle != CastleSide::None)
        std::snprintf(move, sizeof move, "%s", castle == CastleSide::King ? "O-O" : "O-O-O");
    if (Interpreter.Protover >= 2)
        std::printf("move %s\n", move);
    else
        std::printf("%d. ... %s \n", (MainStatus.GamePly + 1) / 2, move);
    std::fflush(stdout);
}
