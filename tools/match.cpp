// vorn-match: plays two UCI engines against each other from a book of openings, each opening
// twice with the colours swapped, under a clock the match keeps itself, and reports the score
// and the Elo difference it points to.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "elo.h"
#include "judge.h"

namespace {

using Clock = std::chrono::steady_clock;
using Micros = std::chrono::microseconds;

// How long an engine may take over the dialogue outside the game clock.
constexpr Micros HANDSHAKE_TIME = std::chrono::seconds(10);
constexpr Micros READY_TIME = std::chrono::seconds(60);
// How long an engine that overstepped its time gets to send the move it owes after "stop".
constexpr Micros STOP_GRACE = std::chrono::seconds(5);

void Usage()
{
    std::fprintf(
        stderr,
        "usage: vorn-match --engine CMD [--name NAME] [--option NAME=VALUE]...\n"
        "                  --engine CMD [--name NAME] [--option NAME=VALUE]...\n"
        "                  --games N --tc BASE+INC --openings FILE.epd\n"
        "                  [--pgn OUT.pgn] [--seed S] [--tolerance MS] [--max-plies N]\n"
        "  --engine CMD     an engine's command, run by /bin/sh; --name and --option after it\n"
        "                   are that engine's\n"
        "  --tc BASE+INC    seconds on each clock and seconds added after each move\n"
        "  --openings FILE  one position a line (the first four FEN fields), each\n"
        "                   played twice with the colours swapped, in order unless --seed "
        "shuffles\n"
        "  --tolerance MS   how far a clock may run below zero before the side loses (20)\n"
        "  --max-plies N    a game this long is a draw (600)\n");
}

struct EngineConfig {
    std::string command;
    std::string name;
    std::vector<std::string> options; // "NAME=VALUE" or a button's "NAME"
};

// One engine process, talked to through two pipes.
class Engine {
  public:
    explicit Engine(EngineConfig config) : config_(std::move(config)) {}
    ~Engine() { Stop(); }
    Engine(const Engine &) = delete;
    Engine &operator=(const Engine &) = delete;

    // The name given, else the one the engine gives, else its command.
    const std::string &Name() const
    {
        return config_.name.empty() ? config_.command : config_.name;
    }
    void SetName(const std::string &name) { config_.name = name; }

    // Starts the process and goes through "uci", the options and "isready".
    bool Start(std::string *error)
    {
        Stop();
        if (!Spawn(error)) return false;
        Send("uci");
        std::string line;
        const Clock::time_point deadline = Clock::now() + HANDSHAKE_TIME;
        for (;;) {
            if (!ReadLine(&line, deadline)) {
                *error = "no uciok";
                return false;
            }
            if (line.rfind("id name ", 0) == 0 && config_.name.empty()) idName_ = line.substr(8);
            if (line == "uciok") break;
        }
        if (config_.name.empty()) config_.name = idName_;
        for (const std::string &o : config_.options) {
            const size_t eq = o.find('=');
            if (eq == std::string::npos)
                Send("setoption name " + o);
            else
                Send("setoption name " + o.substr(0, eq) + " value " + o.substr(eq + 1));
        }
        if (!WaitReady()) {
            *error = "no readyok";
            return false;
        }
        return true;
    }

    // "ucinewgame", then "isready" answered.
    bool NewGame()
    {
        Send("ucinewgame");
        return WaitReady();
    }

    bool WaitReady()
    {
        Send("isready");
        std::string line;
        const Clock::time_point deadline = Clock::now() + READY_TIME;
        while (ReadLine(&line, deadline))
            if (line == "readyok") return true;
        return false;
    }

    bool Alive()
    {
        if (pid_ <= 0) return false;
        int status;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        return !closed_;
    }

    void Send(const std::string &line)
    {
        const std::string text = line + "\n";
        size_t done = 0;
        while (toEngine_ >= 0 && done < text.size()) {
            const ssize_t n = write(toEngine_, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                closed_ = true; // the engine is gone: the next read says so
                return;
            }
            done += static_cast<size_t>(n);
        }
    }

    // The next line the engine writes; false when the deadline passes or the engine is gone
    // (Closed() tells which).
    bool ReadLine(std::string *line, Clock::time_point deadline)
    {
        for (;;) {
            const size_t nl = buffer_.find('\n');
            if (nl != std::string::npos) {
                *line = buffer_.substr(0, nl);
                buffer_.erase(0, nl + 1);
                if (!line->empty() && line->back() == '\r') line->pop_back();
                return true;
            }
            if (closed_ || fromEngine_ < 0) return false;
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() < 0) return false;
            pollfd p{fromEngine_, POLLIN, 0};
            const int ready =
                poll(&p, 1, static_cast<int>(std::min<long long>(left.count() + 1, 1000000)));
            if (ready < 0 && errno == EINTR) continue;
            if (ready == 0) {
                if (Clock::now() >= deadline) return false;
                continue;
            }
            char chunk[4096];
            const ssize_t n = read(fromEngine_, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                closed_ = true;
                return false;
            }
            buffer_.append(chunk, static_cast<size_t>(n));
        }
    }

    bool Closed() const { return closed_; }

    // Asks the engine to quit and ends it if it does not.
    void Stop()
    {
        if (pid_ > 0) {
            Send("quit");
            const Clock::time_point deadline = Clock::now() + std::chrono::seconds(1);
            int status;
            while (waitpid(pid_, &status, WNOHANG) == 0) {
                if (Clock::now() >= deadline) {
                    kill(pid_, SIGKILL);
                    waitpid(pid_, &status, 0);
                    break;
                }
                usleep(5000);
            }
            pid_ = -1;
        }
        if (toEngine_ >= 0) close(toEngine_);
        if (fromEngine_ >= 0) close(fromEngine_);
        toEngine_ = fromEngine_ = -1;
        buffer_.clear();
        closed_ = false;
    }

  private:
    bool Spawn(std::string *error)
    {
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0) {
            *error = std::strerror(errno);
            return false;
        }
        if (pipe2(out, O_CLOEXEC) != 0) {
            *error = std::strerror(errno);
            close(in[0]);
            close(in[1]);
            return false;
        }
        // A plain command replaces the shell, so that the process ended is the engine itself.
        const bool plain = config_.command.find_first_of(";&|<>()`$\n") == std::string::npos;
        const std::string script = plain ? "exec " + config_.command : config_.command;
        const pid_t pid = fork();
        if (pid < 0) {
            *error = std::strerror(errno);
            for (int fd : {in[0], in[1], out[0], out[1]})
                close(fd);
            return false;
        }
        if (pid == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char *>(nullptr));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        pid_ = pid;
        toEngine_ = in[1];
        fromEngine_ = out[0];
        closed_ = false;
        return true;
    }

    EngineConfig config_;
    std::string idName_;
    pid_t pid_ = -1;
    int toEngine_ = -1;
    int fromEngine_ = -1;
    std::string buffer_;
    bool closed_ = false;
};

struct TimeControl {
    Micros base{0};
    Micros increment{0};
    std::string text; // as given, for the PGN
};

bool ParseTimeControl(const std::string &text, TimeControl *tc)
{
    try {
        const size_t plus = text.find('+');
        size_t used = 0;
        const double base = std::stod(text.substr(0, plus), &used);
        if (used != text.substr(0, plus).size()) return false;
        double inc = 0;
        if (plus != std::string::npos) {
            const std::string incText = text.substr(plus + 1);
            inc = std::stod(incText, &used);
            if (used != incText.size()) return false;
        }
        if (!(base > 0) || inc < 0) return false;
        tc->base = Micros(static_cast<long long>(std::llround(base * 1e6)));
        tc->increment = Micros(static_cast<long long>(std::llround(inc * 1e6)));
        tc->text = text;
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

// The positions of the book: the four FEN fields of each line that holds a playable one, and
// the move counters when the line has them.
std::vector<std::string> ReadOpenings(const std::string &file)
{
    std::ifstream in(file);
    if (!in) {
        std::fprintf(stderr, "vorn-match: cannot read %s\n", file.c_str());
        std::exit(2);
    }
    std::vector<std::string> fens;
    std::string line;
    for (int number = 1; std::getline(in, line); number++) {
        std::istringstream words(line);
        std::string fen, field;
        for (int i = 0; i < 4 && words >> field; i++)
            fen += (i ? " " : "") + field;
        if (fen.empty() || fen[0] == '#') continue;
        // Move counters after the four fields are kept; operations are not.
        std::string halfMoves, fullMove;
        const auto isCount = [](const std::string &w) {
            return !w.empty() && w.find_first_not_of("0123456789") == std::string::npos;
        };
        if (words >> halfMoves >> fullMove && isCount(halfMoves) && isCount(fullMove))
            fen += " " + halfMoves + " " + fullMove;
        GameJudge check;
        std::string error;
        if (!check.Start(fen, &error) || check.End() != GameEnd::None) {
            std::fprintf(stderr, "vorn-match: %s:%d skipped: %s\n", file.c_str(), number,
                         error.empty() ? "the game is over there" : error.c_str());
            continue;
        }
        fens.push_back(fen);
    }
    return fens;
}

struct GameRecord {
    std::string result; // "1-0", "0-1" or "1/2-1/2"
    std::string reason;
    int timeLoser = -1;   // 0 white, 1 black: the side that lost on time
    bool forfeit = false; // lost by a time loss, an illegal move or a silent engine
};

// Plays one game to its end under the clock; the side that breaks a rule or the clock loses it.
GameRecord PlayGame(Engine *white, Engine *black, GameJudge &game, const TimeControl &tc,
                    Micros tolerance)
{
    Engine *engines[2] = {white, black};
    Micros clock[2] = {tc.base, tc.base};
    const char *wins[2] = {"1-0", "0-1"};
    GameRecord record;
    while (game.End() == GameEnd::None) {
        const int side = game.SideToMove();
        Engine &e = *engines[side];
        const std::string loss = wins[1 - side];
        const std::string mover = side ? "black" : "white";

        std::string position = "position fen " + game.StartFen();
        if (!game.Moves().empty()) position += " moves";
        for (const std::string &m : game.Moves())
            position += " " + m;
        e.Send(position);
        const auto ms = [](Micros t) {
            return std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(t).count());
        };
        e.Send("go wtime " + ms(clock[0]) + " btime " + ms(clock[1]) + " winc " + ms(tc.increment) +
               " binc " + ms(tc.increment));
        const Clock::time_point started = Clock::now();
        const Clock::time_point deadline = started + clock[side] + tolerance;

        std::string line;
        bool answered = false;
        while (e.ReadLine(&line, deadline))
            if (line.rfind("bestmove", 0) == 0) {
                answered = true;
                break;
            }
        const Micros used = std::chrono::duration_cast<Micros>(Clock::now() - started);
        if (!answered && e.Closed()) return {loss, mover + " engine died", -1, true};
        if (!answered || used > clock[side] + tolerance) {
            if (!answered) {
                // The move it still owes must not reach the next game; an engine that will not
                // answer at all is ended, and started again before the next game.
                e.Send("stop");
                const Clock::time_point grace = Clock::now() + STOP_GRACE;
                bool stopped = false;
                while (!stopped && e.ReadLine(&line, grace))
                    stopped = line.rfind("bestmove", 0) == 0;
                if (!stopped) e.Stop();
            }
            return {loss, mover + " loses on time", side, true};
        }
        std::istringstream words(line);
        std::string word, move;
        words >> word >> move;
        if (!game.Play(move))
            return {loss, mover + " plays an illegal move (" + move + ")", -1, true};
        clock[side] = std::max(Micros(0), clock[side] - used) + tc.increment;
    }
    if (game.End() == GameEnd::Checkmate)
        record.result = wins[1 - game.SideToMove()];
    else
        record.result = "1/2-1/2";
    record.reason = GameEndText(game.End());
    return record;
}

void WritePgn(std::FILE *out, int round, const std::string &white, const std::string &black,
              const GameJudge &game, const GameRecord &record, const TimeControl &tc)
{
    char date[16];
    const std::time_t now = std::time(nullptr);
    std::strftime(date, sizeof date, "%Y.%m.%d", std::localtime(&now));
    const char *termination = record.timeLoser >= 0 ? "time forfeit"
                              : record.forfeit      ? "rules infraction"
                                                    : "normal";
    std::fprintf(out,
                 "[Event \"vorn-match\"]\n[Site \"?\"]\n[Date \"%s\"]\n[Round \"%d\"]\n"
                 "[White \"%s\"]\n[Black \"%s\"]\n[Result \"%s\"]\n[FEN \"%s\"]\n[SetUp \"1\"]\n"
                 "[PlyCount \"%d\"]\n[TimeControl \"%s\"]\n[Termination \"%s\"]\n\n",
                 date, round, white.c_str(), black.c_str(), record.result.c_str(),
                 game.StartFen().c_str(), game.Plies(), tc.text.c_str(), termination);
    std::string text;
    const auto put = [&](const std::string &token) {
        if (!text.empty() && text.size() + 1 + token.size() > 79) {
            std::fprintf(out, "%s\n", text.c_str());
            text.clear();
        }
        text += (text.empty() ? "" : " ") + token;
    };
    int number = game.StartMoveNumber();
    int side = game.StartSide();
    for (size_t i = 0; i < game.SanMoves().size(); i++) {
        // A move number stays on the line of its move.
        if (side == 0)
            put(std::to_string(number) + ". " + game.SanMoves()[i]);
        else if (i == 0)
            put(std::to_string(number) + "... " + game.SanMoves()[i]);
        else
            put(game.SanMoves()[i]);
        if (side == 1) number++;
        side ^= 1;
    }
    put("{" + record.reason + "}");
    put(record.result);
    std::fprintf(out, "%s\n\n", text.c_str());
    std::fflush(out);
}

std::string Signed(double x, int decimals)
{
    if (std::isinf(x)) return x > 0 ? "+inf" : "-inf";
    char text[32];
    std::snprintf(text, sizeof text, "%+.*f", decimals, x + 0.0); // no "-0.0" for an even score
    return text;
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<EngineConfig> configs;
    int games = 0;
    TimeControl tc;
    std::string openingsFile, pgnFile;
    bool shuffle = false;
    unsigned long seed = 0;
    Micros tolerance = std::chrono::milliseconds(20);
    int maxPlies = 600;

    for (int i = 1; i < argc; i++) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) {
            std::fprintf(stderr, "vorn-match: %s needs a value\n", arg.c_str());
            Usage();
            return 2;
        }
        const std::string value = argv[++i];
        try {
            if (arg == "--engine") {
                configs.push_back({value, "", {}});
            } else if (arg == "--option" || arg == "--name") {
                if (configs.empty()) throw std::invalid_argument(arg + " before any --engine");
                if (arg == "--name")
                    configs.back().name = value;
                else
                    configs.back().options.push_back(value);
            } else if (arg == "--games") {
                games = std::stoi(value);
            } else if (arg == "--tc") {
                if (!ParseTimeControl(value, &tc)) throw std::invalid_argument("bad --tc " + value);
            } else if (arg == "--openings") {
                openingsFile = value;
            } else if (arg == "--pgn") {
                pgnFile = value;
            } else if (arg == "--seed") {
                seed = std::stoul(value);
                shuffle = true;
            } else if (arg == "--tolerance") {
                tolerance = std::chrono::milliseconds(std::stoi(value));
            } else if (arg == "--max-plies") {
                maxPlies = std::stoi(value);
            } else {
                throw std::invalid_argument("unknown argument " + arg);
            }
        } catch (const std::exception &e) {
            std::fprintf(stderr, "vorn-match: %s\n", e.what());
            Usage();
            return 2;
        }
    }
    if (configs.size() != 2 || games < 1 || tc.text.empty() || openingsFile.empty() ||
        maxPlies < 1) {
        Usage();
        return 2;
    }

    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    signal(SIGPIPE, SIG_IGN);

    std::vector<std::string> openings = ReadOpenings(openingsFile);
    if (openings.empty()) {
        std::fprintf(stderr, "vorn-match: no playable position in %s\n", openingsFile.c_str());
        return 2;
    }
    if (shuffle) std::shuffle(openings.begin(), openings.end(), std::mt19937(seed));

    std::FILE *pgn = nullptr;
    if (!pgnFile.empty() && !(pgn = std::fopen(pgnFile.c_str(), "w"))) {
        std::fprintf(stderr, "vorn-match: cannot write %s\n", pgnFile.c_str());
        return 2;
    }

    Engine first(configs[0]), second(configs[1]);
    Engine *engines[2] = {&first, &second};
    for (Engine *e : engines) {
        std::string error;
        if (!e->Start(&error)) {
            std::fprintf(stderr, "vorn-match: %s: %s\n", e->Name().c_str(), error.c_str());
            return 1;
        }
    }
    if (first.Name() == second.Name()) second.SetName(second.Name() + " (2)");

    MatchScore score;
    int timeLosses[2] = {0, 0}, otherForfeits = 0;
    int played = 0;
    std::string fatal;
    for (int g = 0; g < games && fatal.empty(); g++) {
        // Each opening twice: the first engine has White in the first game of the pair.
        const std::string &fen = openings[(g / 2) % openings.size()];
        Engine *white = engines[g % 2], *black = engines[1 - g % 2];
        for (Engine *e : engines) {
            std::string error;
            // An engine that died or hung is started again; one that will not start ends the match.
            if ((!e->Alive() || !e->NewGame()) && (!e->Start(&error) || !e->NewGame()))
                fatal = e->Name() + ": " + (error.empty() ? "no readyok" : error);
        }
        if (!fatal.empty()) break;

        GameJudge game;
        game.MaxPlies = maxPlies;
        std::string error;
        game.Start(fen, &error);
        const GameRecord record = PlayGame(white, black, game, tc, tolerance);
        played++;

        const bool firstWhite = g % 2 == 0;
        if (record.result == "1/2-1/2")
            score.draws++;
        else if ((record.result == "1-0") == firstWhite)
            score.wins++;
        else
            score.losses++;
        if (record.timeLoser >= 0)
            timeLosses[(record.timeLoser == 0) == firstWhite ? 0 : 1]++;
        else if (record.forfeit)
            otherForfeits++;

        std::printf("game %d: %s - %s  %s  %s  %d plies  (%s: +%d =%d -%d)\n", g + 1,
                    white->Name().c_str(), black->Name().c_str(), record.result.c_str(),
                    record.reason.c_str(), game.Plies(), first.Name().c_str(), score.wins,
                    score.draws, score.losses);
        if (pgn) WritePgn(pgn, g + 1, white->Name(), black->Name(), game, record, tc);
    }
    if (pgn) std::fclose(pgn);

    const EloEstimate elo = EstimateElo(score);
    std::printf("\n%s vs %s: %d games at %s\n", first.Name().c_str(), second.Name().c_str(), played,
                tc.text.c_str());
    std::printf("W/D/L for %s: %d/%d/%d  score %.1f%% (%.1f/%d)\n", first.Name().c_str(),
                score.wins, score.draws, score.losses, 100.0 * score.Score(),
                score.wins + 0.5 * score.draws, played);
    std::printf("Elo difference: %s +/- %s (95%%)\n", Signed(elo.elo, 1).c_str(),
                std::isinf(elo.margin) ? "inf" : Signed(elo.margin, 1).substr(1).c_str());
    std::printf("time losses: %d (%s %d, %s %d); other forfeits: %d\n",
                timeLosses[0] + timeLosses[1], first.Name().c_str(), timeLosses[0],
                second.Name().c_str(), timeLosses[1], otherForfeits);
    if (!fatal.empty()) {
        std::fprintf(stderr, "vorn-match: stopped: %s\n", fatal.c_str());
        return 1;
    }
    return 0;
}
