#include "shell/gameloop.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "board/hashcode.h"
#include "board/movetext.h"
#include "board/movhist.h"
#include "core/status.h"
#include "movegen/legal.h"
#include "search/search.h"
#include "search/hashtab.h"
#include "shell/humanmov.h"
#include "shell/interpreter.h"
#include "shell/reports.h"

namespace {

// The end of a game by mate (winner 1 White, -1 Black) or stalemate (0): a result line for
// xboard, a sentence for the person at the console.
void AnnounceResult(int winner)
{
    if (MainStatus.xboard)
        std::printf("%s\n", winner > 0   ? "1-0 {White mates}"
                            : winner < 0 ? "0-1 {Black mates}"
                                         : "1/2-1/2 {Stalemate}");
    else
        std::printf("%s\n", winner > 0   ? "White mates!"
                            : winner < 0 ? "Black mates!"
                                         : "Stalemate");
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
    std::fflush(stdout);
    MainStatus.GameInProgress = 0;
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
    std::fflush(stdout);
    MainStatus.GameInProgress = 0;
}

// Counts the half-move just played (the move itself gave the turn to the other side).
void NextPly()
{
    MainStatus.GamePly++;
}

// The engine's turn: searches a copy of the game position and sends and keeps the move it
// chose, unless a command stopped the search without it or the search was an analysis, in
// which case the board stays as it was (or as the command left it). Returns the score.
int EngineTurn()
{
    Status &st = MainStatus;
    CommandInterpreter &ci = Interpreter;
    const bool analyzing = st.AnalyzeMode == 1;
    ChessBoard copy = MainBoard;
    u64 from = 0, to = 0;
    char promotion = NOPROMOTION;
    ci.BeginSearch();
    // The moves left to a "level" time control count down with each move and start again.
    if (st.MovesPerSession > 0) {
        const int moveNumber = (st.GamePly + 1) / 2;
        st.MovesToGo = st.MovesPerSession - (moveNumber - 1) % st.MovesPerSession;
    } else {
        st.MovesToGo = 0;
    }
    // A fixed depth, or the depth limit ("sd", -sd) as a ceiling under any time setting.
    const int depth = st.FD ? st.FD : (MainBoard.MaxDepth > 0 ? MainBoard.MaxDepth : 0);
    const int v = Search.ProgressiveDeepening(copy, static_cast<char>(depth > 127 ? 127 : depth),
                                              &from, &to, &promotion);
    if (ci.AnalysisPaused) {
        st.AnalyzeMode = 1;
        ci.AnalysisPaused = 0;
    }

    // The move is played on the game position unless the search found none, was an analysis,
    // or was stopped by a command that set up another position.
    const bool played = v != STALEMATEVALUE && v != -MATEVALUE && from && to && from != to;
    const bool keep = played && !analyzing && !ci.DiscardMove;
    if (ci.ResetHistory) {
        MoveList.Init();
        ci.ResetHistory = 0;
    }
    if (keep) {
        PlayDialogueMove(from, to, promotion);
        MainBoard.BestFrom = from;
        MainBoard.BestTo = to;
        MainBoard.BestPromotion = promotion;
        if (st.xboard == 1) {
            MakeGUIMove(from, to, promotion, v);
        } else {
            char text[8];
            MoveText(text, RightMostBit(from) - 1, RightMostBit(to) - 1, promotion);
            std::printf("My move: %s\n", text);
        }
        NextPly();
        st.HumanToMove = 1;
        AnnounceGameEnd();
    } else if (!played && !ci.DiscardMove &&
               (v == -MATEVALUE || v == MATEVALUE || v == STALEMATEVALUE)) {
        AnnounceNoMove(v);
        st.HumanToMove = 1;
    } else {
        // Stopped by a command, or an analysis: the opponent's turn, and analysis stopped by a
        // command goes on from the position the command left.
        st.HumanToMove = 1;
        ci.ResumeAnalysis = st.AnalyzeMode == 1 && ci.DiscardMove;
    }
    ci.StopPending = 0;
    // The end of input seen by the search ends the program once the move is out and the words
    // that came before it are answered.
    if (Search.InputClosed && !ci.HasPendingWord()) ci.QuitRequested = 1;
    return v;
}

// Announces a draw and ends the game.
void AnnounceDraw(const char *text)
{
    std::printf("%s", text);
    MainStatus.GameInProgress = 0;
    std::fflush(stdout);
}

} // namespace

void PlayGame()
{
    Status &st = MainStatus;
    int v = 0; // score of the engine's last search
    MainBoard.RecountAll();
    for (;;) {
        // 1. A finished game goes to the protocol step; an xboard interface may still start
        // another game ("new", "setboard", "edit") on the same engine.
        if (st.UCIMode == 1 || Interpreter.QuitRequested) return;
        if (!st.GameInProgress) {
            if (!st.xboard) return;
            const u8 r = HumanMove();
            if (r == CMD_QUIT) return;
            if (r == CMD_MOVE || r == CMD_FIFTY) NextPly();
            continue;
        }

        // 2-3. The opponent's turn: moves and commands until a move is played or a command
        // ends the turn.
        MainBoard.PawnHashCode = PawnKeyOf(MainBoard);
        u8 r = CMD_MOVE;
        bool moved = false;
        if (st.SelfPlay == 1) st.HumanToMove = 0;
        if (st.HumanToMove == 1) {
            PositionCache.AgeTranspositionTables();
            Search.ClearHistory();
            do {
                r = HumanMove();
            } while (st.ForceMode == 1 && r != CMD_QUIT);
            if (r == CMD_QUIT) return;
            if (r == CMD_END) continue;
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
        if (moved && r == CMD_FIFTY && st.HumanToMove == 0) {
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
        else if (MoveList.ThreeFoldRepDetection(MainBoard.FiftyMoveCount, upper, lower) >= 2)
            AnnounceDraw("1/2-1/2 {Draw by repetition}\n");
        else if (MainBoard.FiftyMoveCount > 99)
            AnnounceDraw("1/2-1/2 {Draw by 50 Move Rule}\n");
    }
}
