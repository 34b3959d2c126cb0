#include "shell/input.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "core/platform.h"
#include "shell/text.h"

InputQueue Input;

namespace {

bool HasWord(const std::string &line)
{
    for (char c : line)
        if (!IsBlank(c)) return true;
    return false;
}

} // namespace

InputQueue::InputQueue()
{
    if (::pipe(Bell) != 0) {
        Bell[0] = Bell[1] = -1;
        return;
    }
    ::fcntl(Bell[0], F_SETFL, O_NONBLOCK);
    ::fcntl(Bell[1], F_SETFL, O_NONBLOCK);
}

void InputQueue::ReadAvailable()
{
    char buffer[65536];
    ssize_t n;
    do {
        n = ::read(0, buffer, sizeof buffer);
    } while (n < 0 && errno == EINTR);
    // Input that an interface left non-blocking has nothing yet: that is not its end.
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (n <= 0) {
        // The end of input: a last line without its newline still counts.
        if (!Partial.empty() || Cut) {
            ArrivedBytes += Partial.size() + 1;
            Arrived.push_back(std::move(Partial));
        }
        Partial.clear();
        InputEnd = true;
        EndTime = ClockMs();
        EventCount++;
        return;
    }
    for (ssize_t i = 0; i < n; i++) {
        const char c = buffer[i];
        if (c == '\n') {
            if (!Partial.empty() && Partial.back() == '\r') Partial.pop_back();
            ArrivedBytes += Partial.size() + 1;
            Arrived.push_back(std::move(Partial));
            Partial.clear();
            Cut = false;
            EventCount++;
        } else if (static_cast<int>(Partial.size()) < INPUT_LINE_MAX - 1) {
            Partial.push_back(c);
        } else {
            Cut = true;
        }
    }
}

bool InputQueue::Poll(int timeoutMs)
{
    // Standard input is read while not too much waits already and it has not ended.
    const bool readInput = !InputEnd && ArrivedBytes < INPUT_QUEUE_MAX;
    struct pollfd fds[2] = {{Bell[0], POLLIN, 0}, {0, POLLIN, 0}};
    const int n = ::poll(fds, readInput ? 2 : 1, timeoutMs);
    if (n <= 0) return false;
    if (fds[0].revents & POLLIN) {
        char drain[64];
        while (::read(Bell[0], drain, sizeof drain) > 0) {
        }
        EventCount++;
    }
    if (readInput && (fds[1].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL))) ReadAvailable();
    return true;
}

bool InputQueue::NextLine(std::string *line)
{
    if (!Held.empty()) {
        *line = std::move(Held.front());
        Held.pop_front();
        HeldBytes -= line->size() + 1;
        return true;
    }
    while (Arrived.empty() && !InputEnd)
        Poll(-1);
    if (Arrived.empty()) return false;
    *line = std::move(Arrived.front());
    Arrived.pop_front();
    ArrivedBytes -= line->size() + 1;
    return true;
}

bool InputQueue::TakeArrived(std::string *line)
{
    // What has come meanwhile, without waiting for more.
    while (!InputEnd && Poll(0)) {
    }
    if (Arrived.empty()) return false;
    *line = std::move(Arrived.front());
    Arrived.pop_front();
    ArrivedBytes -= line->size() + 1;
    return true;
}

bool InputQueue::Hold(const std::string &line)
{
    if (HeldBytes + line.size() + 1 > HELD_MAX) return false;
    HeldBytes += line.size() + 1;
    Held.push_back(line);
    return true;
}

bool InputQueue::WordWaiting()
{
    while (!InputEnd && Poll(0)) {
    }
    for (const std::string &l : Held)
        if (HasWord(l)) return true;
    for (const std::string &l : Arrived)
        if (HasWord(l)) return true;
    return false;
}

bool InputQueue::Ended()
{
    while (!InputEnd && Poll(0)) {
    }
    return InputEnd;
}

void InputQueue::WaitEvent(u64 seen, i32 deadlineMs)
{
    while (EventCount == seen) {
        int timeout = -1;
        if (deadlineMs >= 0) {
            timeout = deadlineMs - ClockMs();
            if (timeout <= 0) return;
        }
        Poll(timeout);
    }
}

void InputQueue::Wake()
{
    if (Bell[1] < 0) return;
    const char ring = 1;
    ssize_t n;
    do {
        n = ::write(Bell[1], &ring, 1);
    } while (n < 0 && errno == EINTR);
}
