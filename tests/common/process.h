#pragma once
// Runs the real vorn binary through pipes, the way an interface drives it.

#include <string>
#include <vector>

struct RunResult {
    std::string output;
    int exitStatus = -1;  // -1 when the program did not end in time (it is then killed)
};

// Starts vorn with the arguments, writes the input, closes standard input and collects
// everything it prints until it exits or the time runs out.
RunResult RunVorn(const std::vector<std::string>& args, const std::string& input, int timeoutMs = 20000);

// An engine process that stays open for a dialogue.
class VornProcess {
public:
    explicit VornProcess(const std::vector<std::string>& args = {});
    ~VornProcess();
    VornProcess(const VornProcess&) = delete;
    VornProcess& operator=(const VornProcess&) = delete;

    // Writes text to the engine's standard input (add the newline yourself).
    void Send(const std::string& text);
    // Next complete line of output (without its newline); false when none came in time.
    bool ReadLine(std::string* line, int timeoutMs);
    // Reads lines until one starts with prefix; the lines read are appended to seen.
    bool WaitFor(const std::string& prefix, std::string* line, int timeoutMs,
                 std::vector<std::string>* seen = nullptr);
    // Closes the engine's standard input.
    void CloseInput();
    // Waits for the process to end; its exit status, or -1 if it had to be killed.
    int Wait(int timeoutMs);

private:
    int pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
    std::string pending_;
};
