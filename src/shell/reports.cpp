#include "shell/reports.h"

#include <cstdio>

#include "board/board.h"
#include "core/status.h"
#include "eval/poseval.h"
#include "search/search.h"
#include "shell/uci.h"

namespace {

// The moves per session the console's time report names.
constexpr int DEFAULT_MOVES_PER_SESSION = 50;

// The thinking line of xboard and the console: depth, score in centipawns, time in centiseconds,
// nodes and the line.
void PlainLine(const SearchProgress &p)
{
    std::printf("%d %d %d %lld %s", p.Depth, p.Score / 10, p.ElapsedMs / 10,
                static_cast<long long>(p.Nodes), p.Line);
    std::fflush(stdout);
}

// What the console prints; xboard and UCI keep to their protocols and add their own lines.
class ConsoleOutput : public SearchOutput {
  public:
    void BudgetSet(i32 timePerMove, i32 timeLeft) override
    {
        if (Quiet()) return;
        std::printf("Time Per Move = %d\n", timePerMove);
        std::printf("Time Left = %d\n", timeLeft);
        std::printf("DefaultMovesPerSession = %d\n", DEFAULT_MOVES_PER_SESSION);
    }
    void SpeedMeasured(i32 nps, i32 elapsed) override
    {
        if (Quiet()) return;
        std::printf("info nps %d time %d\n", nps, elapsed);
        std::fflush(stdout);
    }
    void AnalysisSpeed(i32 nps, i32 moveTime) override
    {
        if (Quiet()) return;
        std::printf("info nps %d\n", nps);
        std::printf("info time %d\n", moveTime * 1000);
        std::fflush(stdout);
    }
    void BookLookup() override
    {
        if (!Quiet()) std::printf("Look through the Opening Book\n");
    }
    void BookMoveFound() override
    {
        std::printf("tellics kibitz Opening Book Move\n");
        std::fflush(stdout);
    }
    void IterationDone(const SearchProgress &p) override
    {
        if (MainStatus.Post == 1 && p.MoveTime > 3) PlainLine(p);
        if (p.Analysis) PlainLine(p);
    }
    void SearchDone(const SearchResult &r) override
    {
        if (MainStatus.Post == 1 && !r.Aborted) PlainLine(r.Progress);
        if (MainStatus.Kibitz != 1) return;
        if (r.BookMove) {
            std::printf("tellics kibitz Book Move\n");
        } else {
            std::printf("tellics kibitz ply=%d v=%d centipawns millisecs=%d Nodes=%lld nps=%d %s\n",
                        r.PlyReached, r.Progress.Score / 10,
                        r.Progress.MoveTime ? r.Progress.MoveTime : 1,
                        static_cast<long long>(r.Progress.Nodes), r.NPS, r.Progress.Line);
        }
        std::fflush(stdout);
    }
    void TableTrace(const char *what, int v, int alpha, int beta, u64 upper, u64 lower) override
    {
        std::printf("%s%s: v=%d alpha=%d beta=%d\n", Comment(), what, v, alpha, beta);
        std::printf("%sUpper HC %llu Lower HC %llu\n", Comment(),
                    static_cast<unsigned long long>(upper), static_cast<unsigned long long>(lower));
    }

  protected:
    // What starts a line that is not part of the protocol.
    virtual const char *Comment() const { return ""; }
    // The console's working notes (budget, speed, book) are for a person at a terminal only in
    // post mode.
    static bool Quiet() { return MainStatus.Terminal && !MainStatus.Post; }
};

// xboard: thinking lines when "post" is on, the analysis status line, and "#" before anything
// else.
class XboardOutput : public ConsoleOutput {
  public:
    void BudgetSet(i32, i32) override {}
    void SpeedMeasured(i32, i32) override {}
    void AnalysisSpeed(i32, i32) override {}
    void BookLookup() override {}
    void AnalysisStatus(i32 hundredths, i64 nodes, int depth, int left, int count) override
    {
        std::printf("stat01: %d %lld %d %d %d\n", hundredths, static_cast<long long>(nodes), depth,
                    left, count);
        std::fflush(stdout);
    }
    // With several lines each is shown once its iteration has searched it.
    void NewBest(const SearchProgress &p) override
    {
        if (p.Depth > 7 && MainStatus.Post == 1 && p.MultiPV == 0) PlainLine(p);
    }
    void RootInterrupted(const SearchProgress &p, int) override
    {
        if (MainStatus.Post == 1 && p.MultiPV == 0) PlainLine(p);
    }
    void RootStopped(const SearchProgress &p) override
    {
        if (MainStatus.Post == 1 && p.MultiPV == 0) PlainLine(p);
    }

  protected:
    const char *Comment() const override { return "# "; }
};

// UCI: "info" lines, and "info string" for anything else.
class UciOutput : public ConsoleOutput {
  public:
    void BudgetSet(i32, i32) override {}
    void AnalysisSpeed(i32, i32) override {}
    void BookLookup() override {}
    void SpeedMeasured(i32 nps, i32 elapsed) override
    {
        std::printf("info nps %d time %d\n", nps, elapsed);
        std::fflush(stdout);
    }
    void BookMoveFound() override
    {
        std::printf("info string book move\n");
        std::fflush(stdout);
    }
    void BookFileMove(const char *move, u32 weight, u32 total) override
    {
        std::printf("info string book move %s (weight %u of total %u)\n", move, weight, total);
        std::fflush(stdout);
    }
    void IterationStarted(int depth) override
    {
        std::printf("info depth %d\n", depth);
        std::fflush(stdout);
    }
    void RootMove(int depth, const char *move, int number, i64 nodes, i32 nps) override
    {
        if (UCI.ShowCurrLine && depth > 8 && nodes > 3 * static_cast<i64>(nps)) {
            std::printf("info currmove %s currmovenumber %d\n", move, number);
            std::fflush(stdout);
        }
    }
    // The best move changing during an iteration: the root is worth at least its score. The
    // iteration's first move is shown at the iteration's end; several lines are shown there
    // only.
    void NewBest(const SearchProgress &p) override
    {
        if (p.MultiPV == 0 && !p.FirstMove) Info(p);
    }
    void IterationDone(const SearchProgress &p) override { Info(p); }
    // The line the move is played by, unless it was the last one shown.
    void SearchDone(const SearchResult &r) override
    {
        if (!r.Shown) Info(r.Progress);
    }

  protected:
    const char *Comment() const override { return "info string "; }

  private:
    // A progress line: depth, selective depth, the line's rank, score and bound, nodes, speed,
    // table use, real time and the line.
    static void Info(const SearchProgress &p)
    {
        const i64 time = p.ElapsedMs > 0 ? p.ElapsedMs : 0;
        const i64 nps = time > 0 ? p.Nodes * 1000 / time : 0;
        char score[32];
        const int v = p.Score;
        if (v == STALEMATEVALUE)
            std::snprintf(score, sizeof score, "cp 0");
        else if (v > MATESCORE && v <= MATEVALUE)
            std::snprintf(score, sizeof score, "mate %d", (MATEVALUE - v + 1) / 2);
        else if (v < -MATESCORE && v >= -MATEVALUE)
            std::snprintf(score, sizeof score, "mate %d", -((MATEVALUE + v + 1) / 2));
        else
            std::snprintf(score, sizeof score, "cp %d", v / 10);
        char rank[24] = "";
        if (p.MultiPV > 0) std::snprintf(rank, sizeof rank, " multipv %d", p.MultiPV);
        const bool line = p.Line[0] && p.Line[0] != '\n';
        std::printf("info depth %d seldepth %d%s score %s%s nodes %lld nps %lld hashfull %d time "
                    "%lld%s%s",
                    p.Depth, p.SelDepth > p.Depth ? p.SelDepth : p.Depth, rank, score,
                    p.Bound == ScoreBound::Lower ? " lowerbound" : "",
                    static_cast<long long>(p.Nodes), static_cast<long long>(nps), p.HashFull,
                    static_cast<long long>(time), line ? " pv" : "\n", line ? p.Line : "");
        std::fflush(stdout);
    }
};

UciOutput uciOutput;
XboardOutput xboardOutput;
ConsoleOutput consoleOutput;

// Passes each report to the dialect the program speaks now (it may change during a session:
// the console becomes xboard at "xboard").
class DialectOutput : public SearchOutput {
  public:
    void BudgetSet(i32 a, i32 b) override { Dialect().BudgetSet(a, b); }
    void SpeedMeasured(i32 a, i32 b) override { Dialect().SpeedMeasured(a, b); }
    void AnalysisSpeed(i32 a, i32 b) override { Dialect().AnalysisSpeed(a, b); }
    void AnalysisStatus(i32 a, i64 b, int c, int d, int e) override
    {
        Dialect().AnalysisStatus(a, b, c, d, e);
    }
    void BookMoveFound() override { Dialect().BookMoveFound(); }
    void BookFileMove(const char *m, u32 w, u32 t) override { Dialect().BookFileMove(m, w, t); }
    void BookLookup() override { Dialect().BookLookup(); }
    void IterationStarted(int d) override { Dialect().IterationStarted(d); }
    void RootMove(int d, const char *m, int n, i64 nodes, i32 nps) override
    {
        Dialect().RootMove(d, m, n, nodes, nps);
    }
    void NewBest(const SearchProgress &p) override { Dialect().NewBest(p); }
    void RootInterrupted(const SearchProgress &p, int n) override
    {
        Dialect().RootInterrupted(p, n);
    }
    void RootStopped(const SearchProgress &p) override { Dialect().RootStopped(p); }
    void IterationDone(const SearchProgress &p) override { Dialect().IterationDone(p); }
    void SearchDone(const SearchResult &r) override { Dialect().SearchDone(r); }
    void TableTrace(const char *w, int v, int a, int b, u64 u, u64 l) override
    {
        Dialect().TableTrace(w, v, a, b, u, l);
    }

  private:
    static SearchOutput &Dialect()
    {
        if (MainStatus.UCIMode) return uciOutput;
        if (MainStatus.xboard) return xboardOutput;
        return consoleOutput;
    }
};

DialectOutput dialectOutput;

} // namespace

SearchOutput &ShellOutput = dialectOutput;

void ShowBoard(const ChessBoard &board)
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
