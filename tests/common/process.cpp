#include "common/process.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline)
{
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// In the child: runs path with the arguments, or ends with status 127.
[[noreturn]] void Exec(const std::string &path, const std::vector<std::string> &args)
{
    std::vector<char *> argv{const_cast<char *>(path.c_str())};
    for (const auto &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    execv(path.c_str(), argv.data());
    _exit(127);
}

int Spawn(const std::string &path, const std::vector<std::string> &args, bool quietErrors,
          int *toChild, int *fromChild)
{
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return -1;
    signal(SIGPIPE, SIG_IGN);
    int pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        if (quietErrors) {
            const int devnull = open("/dev/null", O_WRONLY);
            if (devnull >= 0) dup2(devnull, 2);
        }
        close(in[0]);
        close(in[1]);
        close(out[0]);
        close(out[1]);
        Exec(path, args);
    }
    close(in[0]);
    close(out[1]);
    *toChild = in[1];
    *fromChild = out[0];
    return pid;
}

int WaitPid(int pid, int timeoutMs)
{
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int status = 0;
        int r = waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (Clock::now() >= deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        usleep(2000);
    }
}

} // namespace

RunResult RunVorn(const std::vector<std::string> &args, const std::string &input, int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    RunResult result;
    EngineProcess p(VORN_BINARY, args);
    p.Send(input);
    p.CloseInput();
    for (std::string l; p.ReadLine(&l, RemainingMs(deadline));)
        result.output += l + "\n";
    if (!p.Unfinished().empty()) result.output.pop_back();
    result.exitStatus = p.Wait(RemainingMs(deadline) + 100);
    return result;
}

RunResult Converse(const std::vector<std::string> &args, const std::vector<std::string> &parts,
                   int timeoutMs)
{
    RunResult result;
    EngineProcess p(VORN_BINARY, args);
    std::string line;
    auto keep = [&](const std::string &l, const std::string &token) {
        if (l == "pong " + token || l == "Enter Move: ping") return;
        result.output += l + "\n";
    };
    for (size_t i = 0; i < parts.size(); i++) {
        p.Send(parts[i]);
        if (i + 1 == parts.size()) break;
        const std::string token = "part" + std::to_string(i);
        p.Send("ping " + token + "\n");
        std::vector<std::string> seen;
        const bool answered = p.WaitFor("pong " + token, &line, timeoutMs, &seen);
        for (const std::string &l : seen)
            keep(l, token);
        if (!answered) return result;
    }
    p.CloseInput();
    while (p.ReadLine(&line, timeoutMs))
        keep(line, "");
    if (!p.Unfinished().empty()) result.output.pop_back();
    result.exitStatus = p.Wait(timeoutMs);
    return result;
}

EngineProcess::EngineProcess(const std::string &path, const std::vector<std::string> &args,
                             bool quietErrors)
{
    pid_ = Spawn(path, args, quietErrors, &toChild_, &fromChild_);
}

EngineProcess::EngineProcess(const std::string &path, const std::vector<std::string> &args,
                             AtTerminal)
    : terminal_(true)
{
    int terminal = -1;
    pid_ = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid_ == 0) Exec(path, args);
    if (pid_ < 0) return;
    fromChild_ = terminal;
    toChild_ = dup(terminal);
}

EngineProcess::~EngineProcess()
{
    CloseInput();
    if (pid_ > 0) WaitPid(pid_, 2000);
    if (fromChild_ >= 0) close(fromChild_);
}

void EngineProcess::Send(const std::string &text)
{
    if (toChild_ < 0) return;
    size_t off = 0;
    while (off < text.size()) {
        ssize_t w = write(toChild_, text.data() + off, text.size() - off);
        if (w <= 0) return;
        off += static_cast<size_t>(w);
    }
}

bool EngineProcess::ReadLine(std::string *line, int timeoutMs)
{
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        size_t nl = pending_.find('\n');
        if (nl != std::string::npos) {
            *line = pending_.substr(0, nl);
            pending_.erase(0, nl + 1);
            if (terminal_ && !line->empty() && line->back() == '\r') line->pop_back();
            return true;
        }
        if (fromChild_ < 0) return false;
        struct pollfd p = {fromChild_, POLLIN, 0};
        int left = RemainingMs(deadline);
        if (left == 0 || poll(&p, 1, left) <= 0) return false;
        char buf[4096];
        ssize_t r = read(fromChild_, buf, sizeof buf);
        if (r <= 0) {
            close(fromChild_);
            fromChild_ = -1;
            if (!pending_.empty()) {
                *line = unfinished_ = pending_;
                pending_.clear();
                return true;
            }
            return false;
        }
        pending_.append(buf, static_cast<size_t>(r));
    }
}

bool EngineProcess::WaitFor(const std::string &prefix, std::string *line, int timeoutMs,
                            std::vector<std::string> *seen)
{
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string l;
    while (ReadLine(&l, RemainingMs(deadline))) {
        if (seen) seen->push_back(l);
        if (l.compare(0, prefix.size(), prefix) == 0) {
            if (line) *line = l;
            return true;
        }
    }
    return false;
}

void EngineProcess::CloseInput()
{
    // At a terminal the end of input is typed: Ctrl-D at the start of a line.
    if (terminal_ && toChild_ >= 0 && write(toChild_, "\x04", 1) < 0) terminal_ = false;
    if (toChild_ >= 0) close(toChild_);
    toChild_ = -1;
}

int EngineProcess::Wait(int timeoutMs)
{
    CloseInput();
    if (pid_ <= 0) return -1;
    int r = WaitPid(pid_, timeoutMs);
    pid_ = -1;
    return r;
}
