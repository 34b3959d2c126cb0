#pragma once
// A peer UCI engine (Debian's stockfish) through pipes: the independent referee for legal moves
// and the opponent of the game tests.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

// Path of the peer engine, or "" when it is not installed.
inline std::string StockfishPath()
{
    for (const char* p : {"/usr/games/stockfish", "/usr/bin/stockfish"})
        if (access(p, X_OK) == 0) return p;
    return "";
}

class PeerEngine {
public:
    explicit PeerEngine(const std::string& path)
    {
        int in[2], out[2];
        if (path.empty() || pipe(in) != 0 || pipe(out) != 0) return;
        signal(SIGPIPE, SIG_IGN);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            close(in[0]);
            close(in[1]);
            close(out[0]);
            close(out[1]);
            execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        toChild_ = in[1];
        fromChild_ = out[0];
    }
    ~PeerEngine()
    {
        Send("quit\n");
        if (toChild_ >= 0) close(toChild_);
        if (pid_ > 0) {
            for (int i = 0; i < 200; i++) {
                if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                    pid_ = -1;
                    break;
                }
                usleep(10000);
            }
            if (pid_ > 0) {
                kill(pid_, SIGKILL);
                waitpid(pid_, nullptr, 0);
            }
        }
        if (fromChild_ >= 0) close(fromChild_);
    }
    PeerEngine(const PeerEngine&) = delete;
    PeerEngine& operator=(const PeerEngine&) = delete;

    bool Running() const { return pid_ > 0 && toChild_ >= 0; }

    void Send(const std::string& text)
    {
        size_t off = 0;
        while (toChild_ >= 0 && off < text.size()) {
            const ssize_t w = write(toChild_, text.data() + off, text.size() - off);
            if (w <= 0) return;
            off += static_cast<size_t>(w);
        }
    }

    // Next line of output; false when none came in time.
    bool ReadLine(std::string* line, int timeoutMs)
    {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const size_t nl = pending_.find('\n');
            if (nl != std::string::npos) {
                *line = pending_.substr(0, nl);
                pending_.erase(0, nl + 1);
                if (!line->empty() && line->back() == '\r') line->pop_back();
                return true;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            struct pollfd p = {fromChild_, POLLIN, 0};
            if (fromChild_ < 0 || left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0)
                return false;
            char buf[4096];
            const ssize_t r = read(fromChild_, buf, sizeof buf);
            if (r <= 0) return false;
            pending_.append(buf, static_cast<size_t>(r));
        }
    }

    // Reads lines until one starts with prefix.
    bool WaitFor(const std::string& prefix, std::string* line, int timeoutMs)
    {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        std::string l;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0 || !ReadLine(&l, static_cast<int>(left))) return false;
            if (l.compare(0, prefix.size(), prefix) == 0) {
                if (line) *line = l;
                return true;
            }
        }
    }

    // Starts the UCI dialogue; true when the engine answered "uciok" and "readyok".
    bool Start(const std::vector<std::string>& options = {})
    {
        Send("uci\n");
        if (!WaitFor("uciok", nullptr, 10000)) return false;
        for (const auto& o : options) Send("setoption name " + o + "\n");
        Send("isready\n");
        return WaitFor("readyok", nullptr, 10000);
    }

    // The legal moves of a position ("startpos moves e2e4", "fen ..."), sorted, from the peer's
    // move counter; under-promotions included.
    std::vector<std::string> LegalMoves(const std::string& position)
    {
        Send("position " + position + "\ngo perft 1\n");
        std::vector<std::string> moves;
        std::string l;
        while (ReadLine(&l, 10000)) {
            if (l.compare(0, 15, "Nodes searched:") == 0) break;
            const size_t colon = l.find(": ");
            if (colon == 4 || colon == 5) moves.push_back(l.substr(0, colon));
        }
        std::sort(moves.begin(), moves.end());
        return moves;
    }

    // The FEN and the checking pieces of a position, from the peer's "d" command.
    bool Describe(const std::string& position, std::string* fen, bool* inCheck)
    {
        Send("position " + position + "\nd\n");
        std::string l;
        bool gotFen = false;
        while (ReadLine(&l, 10000)) {
            if (l.compare(0, 5, "Fen: ") == 0) {
                *fen = l.substr(5);
                gotFen = true;
            }
            if (l.compare(0, 10, "Checkers: ") == 0 || l == "Checkers:") {
                *inCheck = l.size() > 10 && l.find_first_not_of(' ', 10) != std::string::npos;
                return gotFen;
            }
        }
        return false;
    }

private:
    int pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
    std::string pending_;
};

// True when move is in the sorted list.
inline bool IsListed(const std::vector<std::string>& moves, const std::string& move)
{
    return std::binary_search(moves.begin(), moves.end(), move);
}
