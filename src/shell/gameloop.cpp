#include "shell/gameloop.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "hash/hashcode.h"
#include "movegen/movegen.h"
#include "search/compmov.h"
#include "search/hashtab.h"
#include "search/movhist.h"
#include "shell/humanmov.h"
#include "shell/status.h"

namespace {

// Ends the game when the side to move has no legal move: mate (the other side wins) or
// stalemate. Returns true when the game is over.
bool AnnounceGameEnd()
{
    const ChessBoard& b = MainBoard;
    const char side = b.SideToMove ? 1 : 0;
    if (HasLegalMove(b, side, b.CastleFlags)) return false;
    if (b.InCheck(side ? b.BlackKing : b.WhiteKing, side))
        std::printf(side ? "White mates!\n" : "Black mates!\n");
    else
        std::printf("Stalemate\n");
    std::fflush(stdout);
    MainStatus.GameInProgress = 0;
    return true;
}

// The engine found no move: the search's verdict on the position.
void AnnounceNoMove(int v)
{
    const bool whiteToMove = MainBoard.SideToMove == 0;
    if (v == -MATEVALUE) std::printf(whiteToMove ? "Black mates!\n" : "White mates!\n");
    else if (v == MATEVALUE) std::printf(whiteToMove ? "White mates!\n" : "Black mates!\n");
    else std::printf("Stalemate\n");
    std::fflush(stdout);
    MainStatus.GameInProgress = 0;
}

// Flips the side to move after a move of the game and counts the half-move.
void NextPly()
{
    MainBoard.SideToMove = MainBoard.SideToMove ? 0 : 1;
    MainStatus.GamePly++;
}

// The engine's turn: searches a copy of the game position and sends and keeps the move it
// chose, unless a command stopped the search without it or the search was an analysis, in
// which case the board stays as it was (or as the command left it). Returns the score.
int EngineTurn()
{
    Status& st = MainStatus;
    CommandInterpreter& ci = Interpreter;
    const bool analyzing = st.AnalyzeMode == 1;
    ChessBoard copy = MainBoard;
    u64 from = 0, to = 0;
    char promotion = NOPROMOTION;
    ci.BeginSearch();
    const int v = Search.ProgressiveDeepening(copy, st.FD, &from, &to, &promotion);
    if (ci.AnalysisPaused) {
        st.AnalyzeMode = 1;
        ci.AnalysisPaused = 0;
    }

    // The driver has played its move on the game position unless it found none.
    const bool played = v != STALEMATEVALUE && v != -MATEVALUE && from && to && from != to;
    const bool keep = played && !analyzing && !ci.DiscardMove;
    if (played && !keep) MainBoard.UndoMove(0);
    if (ci.ResetHistory) {
        MoveList.Init();
        ci.ResetHistory = 0;
    }
    if (keep) {
        MainBoard.BestFrom = from;
        MainBoard.BestTo = to;
        MainBoard.BestPromotion = promotion;
        if (st.xboard == 1) MakeGUIMove(from, to, promotion, v);
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
void AnnounceDraw(const char* text)
{
    std::printf("%s", text);
    MainStatus.GameInProgress = 0;
    std::fflush(stdout);
}

}  // namespace

bool FindLegalMove(const ChessBoard& board, char side, char castle, u64 from, u64 to, char letter,
                   char* promotion)
{
    ChessBoard work = board;
    MoveGen mg;
    const int n = mg.GenerateAllMoves(side, &work, castle);
    for (int i = 0; i < n; i++) {
        if (mg.From[i] != from || mg.To[i] != to) continue;
        char promo = mg.Promotion[i];
        if (promo == NOPROMOTION) {
            if (letter) return false;
        } else if (letter) {
            const char piece = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
            if (!std::strchr("qrbn", piece)) return false;
            promo = side ? piece : static_cast<char>(std::toupper(static_cast<unsigned char>(piece)));
        }
        ChessBoard child = board;
        char mask = 15;
        child.MakeMove(from, to, promo, &mask);
        if (child.InCheck(side ? child.BlackKing : child.WhiteKing, side)) return false;
        *promotion = promo;
        return true;
    }
    return false;
}

bool HasLegalMove(const ChessBoard& board, char side, char castle)
{
    ChessBoard work = board;
    MoveGen mg;
    const int n = mg.GenerateAllMoves(side, &work, castle);
    for (int i = 0; i < n; i++) {
        ChessBoard child = board;
        char mask = 15;
        child.MakeMove(mg.From[i], mg.To[i], mg.Promotion[i], &mask);
        if (!child.InCheck(side ? child.BlackKing : child.WhiteKing, side)) return true;
    }
    return false;
}

bool PositionIsSound(const ChessBoard& b)
{
    if (SimpleBitCount(b.WhiteKing) != 1 || SimpleBitCount(b.BlackKing) != 1) return false;
    const u64 boards[12] = {b.WhitePawns, b.WhiteKnights, b.WhiteBishops, b.WhiteRooks,
                            b.WhiteQueens, b.WhiteKing, b.BlackPawns, b.BlackKnights,
                            b.BlackBishops, b.BlackRooks, b.BlackQueens, b.BlackKing};
    u64 all = 0;
    int count = 0;
    for (const u64 bb : boards) {
        all |= bb;
        count += SimpleBitCount(bb);
    }
    if (count != SimpleBitCount(all)) return false;
    if ((b.WhitePawns | b.BlackPawns) & 0xFF000000000000FFULL) return false;
    const char them = b.SideToMove ? 0 : 1;
    return !b.InCheck(them ? b.BlackKing : b.WhiteKing, them);
}

void PlayGame()
{
    Status& st = MainStatus;
    int v = 0;  // score of the engine's last search
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
            MainBoard.DisplayBoard();
        }
        if (!moved) continue;
        const int draw = MainBoard.CheckDraw(0);
        if (draw == DRAW_MATERIAL) AnnounceDraw("1/2-1/2 {Draw by insufficient material}\n");
        else if (draw == 6) AnnounceDraw("1/2-1/2 {Draw by repetition}\n");
        else if (draw == DRAW_FIFTY && st.HumanToMove == 1) AnnounceDraw("1/2-1/2 {Draw by 50 Move Rule}\n");
    }
}
