#include "shell/interpreter.h"

#include <cstring>

#include "board/movhist.h"
#include "core/platform.h"
#include "core/status.h"
#include "search/search.h"
#include "shell/humanmov.h"

CommandInterpreter Interpreter;

namespace {

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

// True for a word taken as a move: a file letter and a digit 0-8 (no command looks like one).
bool IsMoveWord(const char *w)
{
    return w[0] >= 'a' && w[0] <= 'h' && w[1] >= '0' && w[1] <= '8';
}

} // namespace

void CommandInterpreter::ResetGameHistory()
{
    if (Search.InSearch)
        ResetHistory = 1;
    else
        MoveList.Init();
}

void CommandInterpreter::BeginSearch()
{
    DiscardMove = 0;
    StopPending = 0;
    ResumeAnalysis = 0;
}

bool InputText::Append(const char *word, const char *rest)
{
    const int need = static_cast<int>(std::strlen(word) + std::strlen(rest)) + 1;
    if (Head > 0) {
        std::memmove(Text, Text + Head, static_cast<size_t>(Tail - Head));
        Tail -= Head;
        Head = 0;
    }
    if (Tail + need > PENDING_MAX) return false;
    for (const char *p = word; *p; p++)
        Text[Tail++] = *p;
    for (const char *p = rest; *p; p++)
        Text[Tail++] = *p;
    Text[Tail++] = '\n';
    return true;
}

int InputText::Word(char *buf, int size)
{
    while (Head < Tail && IsBlank(Text[Head]))
        Head++;
    if (Head >= Tail) {
        Clear();
        return -1;
    }
    return TakeWord(buf, size);
}

int InputText::TakeWord(char *buf, int size)
{
    int n = 0;
    while (Head < Tail && !IsBlank(Text[Head])) {
        const char c = Text[Head++];
        if (n < size - 1) buf[n++] = c;
    }
    if (size > 0) buf[n] = '\0';
    return n;
}

int InputText::Line(char *buf, int size)
{
    if (Head >= Tail) return -1;
    int n = 0;
    while (Head < Tail) {
        const char c = Text[Head++];
        if (c == '\n') break;
        if (n < size - 1) buf[n++] = c;
    }
    if (n > 0 && buf[n - 1] == '\r') n--;
    if (size > 0) buf[n] = '\0';
    return n;
}

int InputText::LineWord(char *buf, int size)
{
    while (Head < Tail && Text[Head] != '\n' && IsBlank(Text[Head]))
        Head++;
    if (Head >= Tail || Text[Head] == '\n') {
        if (size > 0) buf[0] = '\0';
        return -1;
    }
    return TakeWord(buf, size);
}

void GameRecord::Push(const ChessBoard &board, i32 ply)
{
    if (Count == GAMERECORD_MAX) {
        First = (First + 1) % GAMERECORD_MAX;
        Count--;
    }
    const int i = (First + Count) % GAMERECORD_MAX;
    Boards[i] = board;
    Plies[i] = ply;
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

bool InputText::HasWord() const
{
    for (int i = Head; i < Tail; i++)
        if (!IsBlank(Text[i])) return true;
    return false;
}

int CommandInterpreter::NextWord(char *buf, int size)
{
    InputText &text = Search.InSearch ? SearchLine : Pending;
    char line[INPUT_LINE_MAX];
    for (;;) {
        const int n = text.Word(buf, size);
        if (n >= 0) return n;
        if (ReadLine(line, sizeof line) < 0) {
            if (size > 0) buf[0] = '\0';
            return -1;
        }
        text.Append(line, "");
    }
}

int CommandInterpreter::RestOfLine(char *buf, int size)
{
    InputText &text = Search.InSearch ? SearchLine : Pending;
    const int n = text.Line(buf, size);
    if (n >= 0) return n;
    if (size > 0) buf[0] = '\0';
    return 0;
}

int CommandInterpreter::ArgumentWord(char *buf, int size)
{
    return (Search.InSearch ? SearchLine : Pending).LineWord(buf, size);
}

void CommandInterpreter::Defer(const char *word)
{
    char rest[INPUT_LINE_MAX];
    if (SearchLine.Line(rest, sizeof rest) < 0) rest[0] = '\0';
    Pending.Append(word, rest);
}

namespace {

// Handles a word the search has read, its line in SearchLine: 1 to go on, 2 to stop.
int HandleSearchWord(const char *word)
{
    Status &st = MainStatus;
    CommandInterpreter &ci = Interpreter;
    // 1. Once the search has been told to stop, every word waits for the game loop.
    if (ci.StopPending) {
        ci.Defer(word);
        return 1;
    }
    // 2. "ping" is answered once the engine's move has been sent (at once during analysis).
    if (Is(word, "ping")) {
        if (st.AnalyzeMode == 1)
            DoCommand(word);
        else
            ci.Defer(word);
        return 1;
    }
    // 3. "?": the search stops and its move is sent.
    if (Is(word, "?")) {
        DoCommand(word);
        ci.StopPending = 1;
        return 2;
    }
    // 4. Commands that stop the search without its move: the board stays as they leave it. A
    // move stops an analysis and is played after it.
    const bool analyzing = st.AnalyzeMode == 1;
    const bool isMove = IsMoveWord(word);
    const bool takeBack = Is(word, "undo") || Is(word, "remove");
    const bool stops = Is(word, "force") || Is(word, "new") || Is(word, "setboard") ||
                       Is(word, "edit") || Is(word, "abort") || Is(word, "quit") ||
                       Is(word, "analyze") || takeBack ||
                       (analyzing && (Is(word, "exit") || isMove));
    if (stops) {
        // A move or a take-back waits for the search to end: the game history is the search's.
        if (isMove || takeBack)
            ci.Defer(word);
        else
            DoCommand(word);
        ci.DiscardMove = 1;
        ci.StopPending = 1;
        // An analysis that goes on afterwards must not wait for a release meanwhile.
        if (st.AnalyzeMode == 1) {
            st.AnalyzeMode = 0;
            ci.AnalysisPaused = 1;
        }
        return 2;
    }
    // 5. The status line is answered at once; "go" and "exit" have nothing to do; everything
    // else (a move typed ahead, "time", "otim", "level", ...) waits, in order, for the engine's
    // move.
    if (Is(word, "."))
        DoCommand(word);
    else if (!Is(word, "go") && !Is(word, "exit"))
        ci.Defer(word);
    return 1;
}

} // namespace

int SearchCommand(const char *word)
{
    // The word's line is read whole, so that nothing of it is left for the next input test.
    char rest[INPUT_LINE_MAX];
    CommandInterpreter &ci = Interpreter;
    ci.SearchLine.Clear();
    if (ReadLine(rest, sizeof rest) < 0) rest[0] = '\0';
    ci.SearchLine.Append("", rest);
    const int r = HandleSearchWord(word);
    ci.SearchLine.Clear();
    return r;
}
