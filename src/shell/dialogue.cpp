#include "shell/dialogue.h"

#include <cstdio>
#include <cstring>

#include "board/hashcode.h"
#include "board/movehistory.h"
#include "core/status.h"
#include "movegen/legal.h"
#include "movegen/movegen.h"
#include "shell/input.h"
#include "shell/text.h"

CommandInterpreter Interpreter;

void PlayDialogueMove(const PlayedMove &move)
{
    Interpreter.Record.Push(MainBoard, MainStatus.GamePly, move);
    PlayGameMove(MainBoard, move.from, move.to, move.promotion, &MainHistory);
}

MoveReading PlayTypedMove(const char *word, char *candidates, int size)
{
    TypedMove m;
    const MoveReading r = ReadMove(MainBoard, word, &m, candidates, size);
    if (r == MoveReading::Legal) PlayDialogueMove({m.from, m.to, m.promotion, false});
    return r;
}

void GameRecord::Push(const ChessBoard &board, i32 ply, const PlayedMove &move)
{
    if (Count == GAMERECORD_MAX) {
        First = (First + 1) % GAMERECORD_MAX;
        Count--;
    }
    const int i = (First + Count) % GAMERECORD_MAX;
    Boards[i] = board;
    Plies[i] = ply;
    Moves[i] = move;
    Count++;
}

bool GameRecord::Pop(ChessBoard *board, i32 *ply)
{
    if (Count == 0) return false;
    Count--;
    const int i = (First + Count) % GAMERECORD_MAX;
    *board = Boards[i];
    *ply = Plies[i];
    return true;
}

void CommandInterpreter::SetLine(const std::string &text)
{
    Line = text;
    Position = 0;
}

int CommandInterpreter::NextWord(char *buf, int size)
{
    for (;;) {
        const int n = ArgumentWord(buf, size);
        if (n >= 0) return n;
        std::string next;
        if (Prompt) {
            std::fputs(Prompt, stdout);
            std::fflush(stdout);
        }
        if (!Input.NextLine(&next)) {
            if (size > 0) buf[0] = '\0';
            return -1;
        }
        SetLine(next);
    }
}

int CommandInterpreter::ArgumentWord(char *buf, int size)
{
    while (Position < Line.size() && IsBlank(Line[Position]))
        Position++;
    if (Position >= Line.size()) {
        if (size > 0) buf[0] = '\0';
        return -1;
    }
    int n = 0;
    while (Position < Line.size() && !IsBlank(Line[Position])) {
        if (n < size - 1) buf[n++] = Line[Position];
        Position++;
    }
    if (size > 0) buf[n] = '\0';
    return n;
}

int CommandInterpreter::RestOfLine(char *buf, int size)
{
    int n = 0;
    for (; Position < Line.size(); Position++)
        if (n < size - 1) buf[n++] = Line[Position];
    if (size > 0) buf[n] = '\0';
    return n;
}

bool CommandInterpreter::WordWaiting()
{
    for (size_t i = Position; i < Line.size(); i++)
        if (!IsBlank(Line[i])) return true;
    return Input.WordWaiting();
}

void RootExclusions::Follow(const ChessBoard &board)
{
    u64 upper, lower;
    genhashcode(board.SideToMove, board.CastleFlags, &upper, &lower, &board);
    if ((upper ^ lower) != Key) Count = 0;
    Key = upper ^ lower;
}

bool RootExclusions::Change(const ChessBoard &board, const char *word, bool exclude)
{
    Follow(board);
    MoveGen mg;
    const int n = GenerateLegalMoves(board, board.SideToMove, mg);
    if (std::strcmp(word, "all") == 0) {
        Count = 0;
        if (exclude)
            for (int i = 0; i < n; i++)
                Codes[Count++] =
                    static_cast<u16>(LowestSquare(mg.From[i]) * 64 + LowestSquare(mg.To[i]));
        return true;
    }
    TypedMove m;
    char candidates[4];
    if (ReadMove(board, word, &m, candidates, sizeof candidates) != MoveReading::Legal)
        return false;
    const u16 code = static_cast<u16>(LowestSquare(m.from) * 64 + LowestSquare(m.to));
    int at = 0;
    while (at < Count && Codes[at] != code)
        at++;
    if (exclude && at == Count && Count < MAXROOTMOVES) Codes[Count++] = code;
    if (!exclude && at < Count) Codes[at] = Codes[--Count];
    return true;
}

bool RootExclusions::Restrict(const ChessBoard &board, SearchLimits *limits)
{
    Follow(board);
    if (Count == 0) return true;
    MoveGen mg;
    const int n = GenerateLegalMoves(board, board.SideToMove, mg);
    for (int i = 0; i < n; i++) {
        const u16 code = static_cast<u16>(LowestSquare(mg.From[i]) * 64 + LowestSquare(mg.To[i]));
        bool out = false;
        for (int k = 0; k < Count && !out; k++)
            out = Codes[k] == code;
        if (!out) limits->Allow(code);
    }
    return limits->SearchMoveCount > 0;
}
