#include "shell/reports.h"

#include <cstdio>

#include "board/board.h"
#include "core/status.h"
#include "eval/poseval.h"
#include "search/compmov.h"
#include "shell/interpreter.h"
#include "shell/uciprotocol.h"

namespace {

// The thinking line of xboard and the console: depth, score, time, nodes and the line.
void PlainLine(const SearchProgress& p)
{
    std::printf("%d %d %d %lld %s", p.Depth, p.Score / 10, p.MoveTime, static_cast<long long>(p.Nodes),
                p.Line);
    std::fflush(stdout);
}

// What every dialect prints alike; each dialect adds its own lines.
class CommonOutput : public SearchOutput {
public:
    void SpeedMeasured(i32 nps, i32 elapsed) override
    {
        std::printf("info nps %d time %g\n", nps, static_cast<double>(elapsed));
        std::fflush(stdout);
    }
    void AnalysisSpeed(i32 nps, i32 moveTime) override
    {
        std::printf("info nps %d\n", nps);
        std::printf("info time %d\n", moveTime * 1000);
        std::fflush(stdout);
    }
    void StoppedBy(const char* word) override
    {
        std::printf(" Search Aborted due to receiveing following string: %s\n", word);
    }
    void BookMoveFound() override
    {
        std::printf("tellics kibitz Opening Book Move\n");
        std::fflush(stdout);
    }
    void IterationDone(const SearchProgress& p) override
    {
        if (MainStatus.Post == 1 && p.MoveTime > 3) PlainLine(p);
        if (MainStatus.AnalyzeMode) AnalysisLine(p);
    }
    void TableTrace(const char* what, int v, int alpha, int beta, u64 upper, u64 lower) override
    {
        std::printf("%s: v=%d alpha=%d beta=%d\n", what, v, alpha, beta);
        std::printf("Upper HC %llu Lower HC %llu\n", static_cast<unsigned long long>(upper),
                    static_cast<unsigned long long>(lower));
    }

protected:
    // The line of a completed analysis iteration.
    virtual void AnalysisLine(const SearchProgress& p) { PlainLine(p); }
    // The end of the search for xboard and the console: the thinking line and the kibitz line.
    void PlainDone(const SearchResult& r)
    {
        if (MainStatus.Post == 1 && !r.Aborted) PlainLine(r.Progress);
        if (MainStatus.Kibitz != 1) return;
        if (r.BookMove) {
            std::printf("tellics kibitz Book Move\n");
        } else {
            if (MainStatus.MoveTime == 0) MainStatus.MoveTime = 1;
            std::printf("tellics kibitz ply=%d v=%d centipawns millisecs=%d Nodes=%lld nps=%d %s\n",
                        r.PlyReached, r.Progress.Score / 10, MainStatus.MoveTime,
                        static_cast<long long>(r.Progress.Nodes), r.NPS, r.Progress.Line);
        }
        std::fflush(stdout);
    }
};

// UCI: "info" lines.
class UciOutput : public CommonOutput {
public:
    bool ReadsInput() const override { return true; }
    int Word(const char* word) override { return UCI.UCIPrep(word); }
    void IterationStarted(int depth) override
    {
        std::printf("info depth %d\n", depth);
        std::fflush(stdout);
    }
    void RootMove(int depth, const char* move, int number, i64 nodes, i32 nps) override
    {
        if (UCI.ShowCurrLine && depth > 8 && nodes > 3 * static_cast<i64>(nps))
            std::printf("info currmove %s currmovenumber %d\n", move, number);
        std::fflush(stdout);
    }
    void NewBest(const SearchProgress& p) override
    {
        if (MainStatus.AnalyzeMode == 1) Info(p, p.MoveTime * 1000);
        else Info(p, -1);
    }
    void RootInterrupted(const SearchProgress& p, int searched) override
    {
        if (p.Depth > 7) {
            Info(p, p.MoveTime);
            std::printf("info currmovenumber %d\n", searched);
        }
        std::fflush(stdout);
    }
    void RootStopped(const SearchProgress& p) override { Info(p, -1); }
    void SearchDone(const SearchResult& r) override { AnalysisLine(r.Progress); }

protected:
    void AnalysisLine(const SearchProgress& p) override
    {
        std::printf("info depth %d score cp %d time %d nodes %lld%s%s", p.Depth, p.Score / 10,
                    p.MoveTime * 1000, static_cast<long long>(p.Nodes), p.Line[0] == '\n' ? "" : " pv",
                    p.Line);
        std::fflush(stdout);
    }

private:
    // A progress line with the time when it is given (time >= 0).
    static void Info(const SearchProgress& p, i32 time)
    {
        if (time >= 0)
            std::printf("info depth %d score cp %d time %d nodes %lld pv%s", p.Depth, p.Score / 10, time,
                        static_cast<long long>(p.Nodes), p.Line);
        else
            std::printf("info depth %d score cp %d nodes %lld pv%s", p.Depth, p.Score / 10,
                        static_cast<long long>(p.Nodes), p.Line);
        std::fflush(stdout);
    }
};

// xboard: thinking lines when "post" is on, and the analysis status line.
class XboardOutput : public CommonOutput {
public:
    bool ReadsInput() const override { return true; }
    int Word(const char* word) override
    {
        const int r = SearchCommand(word);
        if (r != 2) std::fflush(stdout);
        return r;
    }
    void AnalysisStatus(i32 hundredths, i64 nodes, int depth, int left, int count) override
    {
        std::printf("stat01: %d %lld %d %d %d\n", hundredths, static_cast<long long>(nodes), depth, left,
                    count);
        std::fflush(stdout);
    }
    void NewBest(const SearchProgress& p) override
    {
        if (p.Depth > 7 && MainStatus.Post == 1) PlainLine(p);
    }
    void RootInterrupted(const SearchProgress& p, int) override
    {
        if (MainStatus.Post == 1) PlainLine(p);
        std::fflush(stdout);
    }
    void RootStopped(const SearchProgress& p) override
    {
        if (MainStatus.Post == 1) PlainLine(p);
    }
    void SearchDone(const SearchResult& r) override { PlainDone(r); }
};

// The console: the time report of each move; thinking lines as xboard's, at the end only.
class ConsoleOutput : public CommonOutput {
public:
    void BudgetSet(i32 timePerMove, i32 timeLeft, i32 movesPerSession) override
    {
        std::printf("Time Per Move = %d\n", timePerMove);
        std::printf("Time Left = %d\n", timeLeft);
        std::printf("DefaultMovesPerSession = %d\n", movesPerSession);
    }
    void SearchDone(const SearchResult& r) override { PlainDone(r); }
};

UciOutput uciOutput;
XboardOutput xboardOutput;
ConsoleOutput consoleOutput;

// Passes each report to the dialect the program speaks now (it may change during a session:
// the console becomes xboard at "xboard").
class DialectOutput : public SearchOutput {
public:
    bool ReadsInput() const override { return Dialect().ReadsInput(); }
    int Word(const char* w) override { return Dialect().Word(w); }
    void BudgetSet(i32 a, i32 b, i32 c) override { Dialect().BudgetSet(a, b, c); }
    void SpeedMeasured(i32 a, i32 b) override { Dialect().SpeedMeasured(a, b); }
    void AnalysisSpeed(i32 a, i32 b) override { Dialect().AnalysisSpeed(a, b); }
    void AnalysisStatus(i32 a, i64 b, int c, int d, int e) override { Dialect().AnalysisStatus(a, b, c, d, e); }
    void StoppedBy(const char* w) override { Dialect().StoppedBy(w); }
    void BookMoveFound() override { Dialect().BookMoveFound(); }
    void IterationStarted(int d) override { Dialect().IterationStarted(d); }
    void RootMove(int d, const char* m, int n, i64 nodes, i32 nps) override { Dialect().RootMove(d, m, n, nodes, nps); }
    void NewBest(const SearchProgress& p) override { Dialect().NewBest(p); }
    void RootInterrupted(const SearchProgress& p, int n) override { Dialect().RootInterrupted(p, n); }
    void RootStopped(const SearchProgress& p) override { Dialect().RootStopped(p); }
    void IterationDone(const SearchProgress& p) override { Dialect().IterationDone(p); }
    void SearchDone(const SearchResult& r) override { Dialect().SearchDone(r); }
    void TableTrace(const char* w, int v, int a, int b, u64 u, u64 l) override { Dialect().TableTrace(w, v, a, b, u, l); }

private:
    static SearchOutput& Dialect()
    {
        if (MainStatus.UCIMode) return uciOutput;
        if (MainStatus.xboard) return xboardOutput;
        return consoleOutput;
    }
};

DialectOutput dialectOutput;

}  // namespace

SearchOutput& ShellOutput = dialectOutput;

void ShowBoard(const ChessBoard& board)
{
    board.DisplayBoard();
    if (MainStatus.PEV != 1) {
        // Evaluate a copy with its counts, pawn key and mating-material flags made current,
        // so that the line shows the true evaluation whatever state the board came in.
        ChessBoard copy = board;
        copy.RecountAll();
        copy.CheckDraw(0);
        std::printf("\n PosEval from White view %d\n", PE.PosEval(0, -110000, 110000, &copy, 0));
        std::fflush(stdout);
    }
}
