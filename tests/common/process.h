#pragma once
// Runs the real vorn binary, or a peer engine, through pipes, the way an interface drives it.

#include <chrono>
#include <string>
#include <thread>
#include <vector>

// Lets the engine work for a while before the test goes on.
inline void Pause(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

struct RunResult {
    std::string output;
    int exitStatus = -1; // -1 when the program did not end in time (it is then killed)
};

// Starts vorn with the arguments, writes the input, closes standard input and collects
// everything it prints until it exits or the time runs out.
RunResult RunVorn(const std::vector<std::string> &args, const std::string &input,
                  int timeoutMs = 20000);

// A console or xboard dialogue in parts: each part is sent once the engine has answered the one
// before (a "ping" after it, answered once the engine's move, if it was thinking, is out), so
// that what a part says comes after the engine's move instead of interrupting its search. The
// output leaves those pings and their answers out; the input is closed after the last part.
RunResult Converse(const std::vector<std::string> &args, const std::vector<std::string> &parts,
                   int timeoutMs = 20000);

// A program that stays open for a dialogue through its standard input and output.
class EngineProcess {
  public:
    // Starts path with the arguments; quietErrors sends its standard error to /dev/null.
    EngineProcess(const std::string &path, const std::vector<std::string> &args,
                  bool quietErrors = false);
    // Starts path on a terminal of its own (a pseudo-terminal), as a person runs it: its lines
    // come with the terminal's echo of what is sent, without their carriage returns; closing
    // the input types Ctrl-D.
    struct AtTerminal {};
    EngineProcess(const std::string &path, const std::vector<std::string> &args, AtTerminal);
    // Closes the input and gives the program two seconds to leave before it is killed.
    ~EngineProcess();
    EngineProcess(const EngineProcess &) = delete;
    EngineProcess &operator=(const EngineProcess &) = delete;

    // Writes text to the program's standard input (add the newline yourself).
    void Send(const std::string &text);
    // Next complete line of output (without its newline); false when none came in time. A line
    // left without its newline when the output closes is returned too, and kept in Unfinished().
    bool ReadLine(std::string *line, int timeoutMs);
    // Reads lines until one starts with prefix; the lines read are appended to seen.
    bool WaitFor(const std::string &prefix, std::string *line, int timeoutMs,
                 std::vector<std::string> *seen = nullptr);
    // Closes the program's standard input.
    void CloseInput();
    // Waits for the process to end; its exit status, or -1 if it had to be killed.
    int Wait(int timeoutMs);
    // The text after the last newline of the output, if it closed without one.
    const std::string &Unfinished() const { return unfinished_; }

  private:
    int pid_ = -1;
    bool terminal_ = false;
    int toChild_ = -1;
    int fromChild_ = -1;
    std::string pending_;
    std::string unfinished_;
};

// The real vorn binary in a dialogue.
class VornProcess : public EngineProcess {
  public:
    explicit VornProcess(const std::vector<std::string> &args = {})
        : EngineProcess(VORN_BINARY, args)
    {
    }
    VornProcess(const std::vector<std::string> &args, AtTerminal t)
        : EngineProcess(VORN_BINARY, args, t)
    {
    }
};
