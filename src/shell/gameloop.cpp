#include "shell/gameloop.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "board/hashcode.h"
#include "board/movehistory.h"
#include "board/movetext.h"
#include "core/status.h"
#include "movegen/legal.h"
#include "search/hashtab.h"
#include "search/search.h"
#include "search/strength.h"
#include "shell/input.h"
#include "shell/reports.h"
#include "shell/text.h"
#include "shell/thinking.h"
#include "shell/xboard.h"

namespace {

// The deepest depth limit the dialogue gives a search.
constexpr int MAX_DIALOGUE_DEPTH = 127;

// The end of a game by mate (winner 1 White, -1 Black) or stalemate (0): a result line for
// xboard, a sentence for the person at the console.
void AnnounceResult(int winner)
{
    Interpreter.Record.Result = winner > 0 ? "1-0" : winner < 0 ? "0-1" : "1/2-1/2";
    if (MainStatus.xboard)
        std::printf("%s\n", winner > 0   ? "1-0 {White mates}"
                            : winner < 0 ? "0-1 {Black mates}"
                                         : "1/2-1/2 {Stalemate}");
    else
        std::printf("%s\n", winner > 0   ? "White mates!"
                            : winner < 0 ? "Black mates!"
                                         : "Stalemate");
}

// The game is over.
void GameOver()
{
    MainStatus.GameInProgress = 0;
    std::fflush(stdout);
}

// Ends the game when the side to move has no legal move: mate (the other side wins) or
// stalemate. Returns true when the game is over.
bool AnnounceGameEnd()
{
    const ChessBoard &b = MainBoard;
    const char side = b.SideToMove ? 1 : 0;
    if (HasLegalMove(b, side)) return false;
    const bool mate = b.InCheck(side ? b.BlackKing : b.WhiteKing, side);
    AnnounceResult(mate ? (side ? 1 : -1) : 0);
    GameOver();
    return true;
}

// The engine found no move: the search's verdict on the position.
void AnnounceNoMove(int v)
{
    const bool whiteToMove = MainBoard.SideToMove == 0;
    if (v == -MATEVALUE)
        AnnounceResult(whiteToMove ? -1 : 1);
    else if (v == MATEVALUE)
        AnnounceResult(whiteToMove ? 1 : -1);
    else
        AnnounceResult(0);
    GameOver();
}

// Counts the half-move just played (the move itself gave the turn to the other side).
void NextPly()
{
    MainStatus.GamePly++;
}

// The lines that arrive while the engine thinks: "." is answered at once, "ping" after the move
// (at once during analysis); "?" stops the search and its move is sent; the commands that set up
// another game, position or turn stop it without its move and act once it has stopped, as does a
// move typed during analysis; everything else (a move typed ahead, "time", "otim", "level", ...)
// waits, in order, for the engine's move.
class DialogueLines : public LineHandler {
  public:
    explicit DialogueLines(bool analyzing) : analyzing_(analyzing) {}
    // A command stopped the search: its move is neither sent nor played.
    bool DiscardMove() const { return discard_; }
    // "?" stopped an analysis: the analysis ends.
    bool AnalysisEnded() const { return endAnalysis_; }

    Verdict OnLine(const std::string &text) override
    {
        char word[WORD_MAX];
        const char *rest = text.c_str();
        NextLineWord(&rest, word, sizeof word);
        auto is = [&](const char *command) { return std::strcmp(word, command) == 0; };
        if (is("ping")) {
            if (!analyzing_) return Wait(text);
            Pong(rest);
            return Verdict::Answered;
        }
        if (is("?")) {
            endAnalysis_ = analyzing_;
            return Stop(word);
        }
        const bool stops = is("force") || is("new") || is("setboard") || is("edit") ||
                           is("abort") || is("quit") || is("analyze") || is("undo") ||
                           is("remove") ||
                           (analyzing_ && (is("exit") || IsMoveWord(word) || is("exclude") ||
                                           is("include") || is("option") || is("multipv")));
        if (stops) {
            discard_ = true;
            Wait(text);
            return Stop(word);
        }
        if (is(".")) {
            StatusLine();
            return Verdict::Answered;
        }
        if (is("go") || is("exit") || !word[0]) return Verdict::Answered;
        return Wait(text);
    }

  private:
    bool analyzing_;
    bool discard_ = false;
    bool endAnalysis_ = false;

    // Keeps the line for after the search.
    static Verdict Wait(const std::string &text)
    {
        if (!Input.Hold(text)) {
            std::printf("Error (too many commands during the search): %.40s\n", text.c_str());
            std::fflush(stdout);
        }
        return Verdict::Held;
    }
    // The search stops; the person at the console is told by what.
    static Verdict Stop(const char *word)
    {
        if (!MainStatus.xboard) {
            std::printf(" Search Aborted due to receiveing following string: %s\n", word);
            std::fflush(stdout);
        }
        return Verdict::Stop;
    }
};

// The limits of the engine's search from the dialogue's settings: a fixed depth (-fd), or the
// depth limit ("sd", -sd) as a ceiling under the fixed time ("st"), the clock ("level", "time")
// or analysis. The moves left to a "level" time control count down with each move and start
// again.
SearchLimits DialogueLimits()
{
    const Status &st = MainStatus;
    SearchLimits l;
    if (st.FD > 0) {
        l.FixedDepth = true;
        l.Depth = st.FD;
    } else {
        l.Depth = st.DepthLimit > 0
                      ? (st.DepthLimit > MAX_DIALOGUE_DEPTH ? MAX_DIALOGUE_DEPTH : st.DepthLimit)
                      : 0;
    }
    l.MoveTime = st.ST;
    l.Time = st.TimeLeft;
    l.Increment = st.TimeInc;
    if (st.MovesPerSession > 0) {
        const int moveNumber = (st.GamePly + 1) / 2;
        l.MovesToGo = st.MovesPerSession - (moveNumber - 1) % st.MovesPerSession;
    }
    l.Infinite = st.AnalyzeMode == 1;
    l.GamePly = st.GamePly;
    l.MoveOverhead = st.MoveOverhead;
    l.MultiPV = st.MultiPV;
    l.OpeningBonus = true;
    l.UseBook = st.UseBook == 1;
    l.BookBest = st.BookBest == 1;
    l.Trace = st.Trace == 1;
    LimitStrength(l, LevelOf(st.LimitStrength != 0, st.Elo, st.SkillLevel));
    return l;
}

// The engine's turn: searches the game position and sends and keeps the move it chose, unless
// a command stopped the search without it or the search was an analysis, in which case the
// board stays as it was (the commands that stopped it act next). Returns the score.
int EngineTurn()
{
    Status &st = MainStatus;
    CommandInterpreter &ci = Interpreter;
    const bool analyzing = st.AnalyzeMode == 1;
    SearchLimits limits = DialogueLimits();
    // With every move excluded an analysis waits until one is included again; a game move is
    // chosen from all of them.
    if (!ci.Excluded.Restrict(MainBoard, &limits) && analyzing) {
        st.HumanToMove = 1;
        return 0;
    }
    DialogueLines lines(analyzing);
    const SearchDecision d = ThinkWhileReading(MainBoard, limits, lines);
    const int v = d.score;
    if (lines.AnalysisEnded()) EndAnalysis();

    // The move is played on the game position unless the search found none, was an analysis,
    // or was stopped by a command that sets up another position.
    const bool played = v != STALEMATEVALUE && v != -MATEVALUE && d.from && d.to && d.from != d.to;
    const bool keep = played && !analyzing && !lines.DiscardMove();
    if (keep) {
        ci.EngineSide = MainBoard.SideToMove;
        char san[SAN_MAX];
        WriteSan(MainBoard, d.from, d.to, d.promotion, san);
        const CastleSide castle = CastlingOf(MainBoard, d.from, d.to);
        PlayDialogueMove({d.from, d.to, d.promotion, true});
        if (st.xboard == 1) {
            MakeGUIMove(d.from, d.to, d.promotion, castle);
        } else {
            // A person at a terminal reads the move in both notations: "My move: g8f6 (Nf6)".
            char text[8];
            MoveText(text, LowestSquare(d.from), LowestSquare(d.to), d.promotion);
            if (st.Terminal)
                std::printf("My move: %s (%s)\n", text, san);
            else
                std::printf("My move: %s\n", text);
        }
        NextPly();
        st.HumanToMove = 1;
        AnnounceGameEnd();
    } else if (!played && !lines.DiscardMove() &&
               (v == -MATEVALUE || v == MATEVALUE || v == STALEMATEVALUE)) {
        AnnounceNoMove(v);
        st.HumanToMove = 1;
    } else {
        // Stopped by a command, or an analysis: the opponent's turn, and an analysis stopped by
        // a command goes on from the position the commands leave.
        st.HumanToMove = 1;
        ci.ResumeAnalysis = st.AnalyzeMode == 1 && lines.DiscardMove();
    }
    return v;
}

// Reads the opponent's words until a legal move is played (Move, or Fifty when it reached the
// fifty-move rule) or a command ends the turn (EndTurn, Quit). In force mode moves of both
// sides are played until a command ends the turn.
CommandResult HumanMove()
{
    Status &st = MainStatus;
    CommandInterpreter &ci = Interpreter;
    char word[WORD_MAX];
    for (;;) {
        // 1. Analysis stopped by a command goes on once the words that came with it are read.
        if (ci.ResumeAnalysis && !ci.WordWaiting()) {
            ci.ResumeAnalysis = 0;
            if (st.AnalyzeMode == 1) {
                st.HumanToMove = 0;
                return CommandResult::EndTurn;
            }
        }
        // 2. One word; the end of input ends the program as "quit" does. Through a pipe the
        // console prompts for every word and repeats it; at a terminal, which shows what the
        // person types, it prompts for every line.
        const bool person = st.Terminal && !st.xboard;
        if (!st.xboard && !person) std::printf("Enter Move: ");
        ci.Prompt = person ? "Enter Move: " : nullptr;
        const int n = ci.NextWord(word, sizeof word);
        ci.Prompt = nullptr;
        if (!st.xboard && !person) std::printf("%s\n", n < 0 ? "" : word);
        if (n < 0) {
            if (person) std::printf("\n");
            return DoCommand("quit");
        }
        // 3. A person's first line may still name a dialect: an interface started by hand.
        if (ci.DialectLine) {
            ci.DialectLine = 0;
            if (std::strstr(word, "uci") || std::strstr(word, "xboard")) {
                char rest[WORD_MAX];
                ci.RestOfLine(rest, sizeof rest);
                st.Terminal = 0;
                if (std::strstr(word, "uci")) {
                    st.UCIMode = 1;
                    return CommandResult::Quit;
                }
                st.xboard = 1;
                continue;
            }
        }
        const CommandResult r = DoCommand(word);
        if (r == CommandResult::Handled) continue;
        if (r != CommandResult::Move) return r;

        // 4. A move is played only when it is legal in the game position; an ambiguous one says
        // which pieces it could mean.
        char candidates[64];
        const MoveReading reading = PlayTypedMove(word, candidates, sizeof candidates);
        if (reading == MoveReading::Ambiguous) {
            if (st.xboard)
                std::printf("Illegal move (ambiguous): %s\n", word);
            else
                std::printf("Ambiguous move: %s (%s)\n", word, candidates);
        } else if (reading != MoveReading::Legal) {
            std::printf("Illegal move: %s\n", Shown(word).c_str());
        }
        std::fflush(stdout);
        if (reading != MoveReading::Legal) continue;
        const CommandResult result =
            MainBoard.FiftyMoveCount > 99 ? CommandResult::Fifty : CommandResult::Move;

        // In force mode the moves of both sides follow one another.
        if (!st.ForceMode) return result;
    }
}

// Announces a draw and ends the game.
void AnnounceDraw(const char *text)
{
    Interpreter.Record.Result = "1/2-1/2";
    std::printf("%s", text);
    GameOver();
}

} // namespace

void PlayGame()
{
    Status &st = MainStatus;
    int v = 0;            // score of the engine's last search
    bool advised = false; // the end of this game has been explained
    MainBoard.RecountAll();
    for (;;) {
        if (st.GameInProgress) advised = false;
        // 1. A finished game goes to the protocol step; an xboard interface, or a person at a
        // terminal, may still start another game ("new", "setboard", "edit") or save this one.
        if (Interpreter.QuitRequested) return;
        if (!st.GameInProgress) {
            if (!st.xboard && !st.Terminal) return;
            // A person at a terminal is told, once, how to go on.
            if (!st.xboard && !advised) {
                std::printf("The game is over: new starts another, save FILE keeps this one, "
                            "quit ends.\n");
                std::fflush(stdout);
            }
            advised = true;
            const CommandResult r = HumanMove();
            if (r == CommandResult::Quit) return;
            if (r == CommandResult::Move || r == CommandResult::Fifty) NextPly();
            continue;
        }

        // 2-3. The opponent's turn: moves and commands until a move is played or a command
        // ends the turn.
        MainBoard.PawnHashCode = PawnKeyOf(MainBoard);
        CommandResult r = CommandResult::Move;
        bool moved = false;
        if (st.SelfPlay == 1) st.HumanToMove = 0;
        if (st.HumanToMove == 1) {
            PositionCache.AgeTranspositionTables();
            MainSearch.ClearHistory();
            do {
                r = HumanMove();
            } while (st.ForceMode == 1 && r != CommandResult::Quit);
            if (r == CommandResult::Quit) return;
            if (r == CommandResult::EndTurn) continue;
            st.HumanToMove = 0;
            NextPly();
            moved = !AnnounceGameEnd();
        } else {
            // 4. The engine's turn.
            const i32 ply = st.GamePly;
            v = EngineTurn();
            if (Interpreter.QuitRequested) return;
            moved = st.GameInProgress && st.GamePly != ply;
        }

        // 5-8. Draws, and the console's score and board.
        if (moved && r == CommandResult::Fifty && st.HumanToMove == 0) {
            AnnounceDraw("1/2-1/2 {Draw by 50 Move Rule}\n");
            moved = false;
        }
        if (st.xboard == 0) {
            std::printf("Game Score %d\n", v);
            ShowBoard(MainBoard);
        }
        if (!moved) continue;
        // Only a real end of the game is claimed: a dead position, threefold repetition of the
        // game position, or the fifty-move rule.
        u64 upper, lower;
        genhashcode(MainBoard.SideToMove, MainBoard.CastleFlags, &upper, &lower, &MainBoard);
        if (IsDeadPosition(MainBoard))
            AnnounceDraw("1/2-1/2 {Draw by insufficient material}\n");
        else if (MainHistory.ThreeFoldRepDetection(MainBoard.FiftyMoveCount, upper, lower) >= 2)
            AnnounceDraw("1/2-1/2 {Draw by repetition}\n");
        else if (MainBoard.FiftyMoveCount > 99)
            AnnounceDraw("1/2-1/2 {Draw by 50 Move Rule}\n");
    }
}
