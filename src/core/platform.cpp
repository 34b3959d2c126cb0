#include "core/platform.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;
const Clock::time_point kStart = Clock::now();

int inputFd = 0;
char buffer[65536];
int head = 0, tail = 0;
bool ended = false;

// Refills the buffer with one read; blocks until data or end of input.
bool Fill()
{
    if (head < tail) return true;
    if (ended) return false;
    head = tail = 0;
    for (;;) {
        ssize_t n = ::read(inputFd, buffer, sizeof buffer);
        if (n > 0) {
            tail = static_cast<int>(n);
            return true;
        }
        if (n < 0 && errno == EINTR) continue;
        ended = true;
        return false;
    }
}

bool IsSpace(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

int Peek()
{
    return Fill() ? static_cast<unsigned char>(buffer[head]) : -1;
}

} // namespace

i32 ClockMs()
{
    return static_cast<i32>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - kStart).count());
}

int ReadChar()
{
    if (!Fill()) return -1;
    return static_cast<unsigned char>(buffer[head++]);
}

int ReadWord(char *buf, int size)
{
    int c = Peek();
    while (c >= 0 && IsSpace(c)) {
        head++;
        c = Peek();
    }
    if (c < 0) {
        if (size > 0) buf[0] = '\0';
        return -1;
    }
    int n = 0;
    while (c >= 0 && !IsSpace(c)) {
        if (n < size - 1) buf[n++] = static_cast<char>(c);
        head++;
        c = Peek();
    }
    if (size > 0) buf[n] = '\0';
    return n;
}

int ReadLine(char *buf, int size)
{
    int c = ReadChar();
    if (c < 0) {
        if (size > 0) buf[0] = '\0';
        return -1;
    }
    int n = 0;
    while (c >= 0 && c != '\n') {
        if (n < size - 1) buf[n++] = static_cast<char>(c);
        c = ReadChar();
    }
    if (n > 0 && buf[n - 1] == '\r') n--;
    if (size > 0) buf[n] = '\0';
    return n;
}

bool InputReady()
{
    // Blanks left in the buffer (the end of a line whose words have been read) make no word:
    // they are dropped, so that a word reader is never sent to wait for input that is not there.
    while (head < tail && IsSpace(static_cast<unsigned char>(buffer[head])))
        head++;
    if (head < tail || ended) return true;
    struct pollfd p = {inputFd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

bool WaitForInput(int timeoutMs)
{
    if (head < tail || ended) return true;
    struct pollfd p = {inputFd, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0;
}

bool InputEnded()
{
    if (head < tail) return false;
    if (!ended && InputReady()) Peek();
    return ended && head >= tail;
}

void SetInputDescriptor(int fd)
{
    inputFd = fd;
    head = tail = 0;
    ended = false;
}
