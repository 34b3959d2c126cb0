#include "shell/input.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

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

void InputQueue::Start()
{
    if (Started) return;
    Started = true;
    // The reader blocks in read() for as long as the program runs; the end of the program ends it.
    std::thread([this] { Read(); }).detach();
}

void InputQueue::Push(std::string &&line, std::unique_lock<std::mutex> &lock)
{
    Consumed.wait(lock, [&] { return ArrivedBytes < INPUT_QUEUE_MAX; });
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ArrivedBytes += line.size() + 1;
    Arrived.push_back(std::move(line));
    EventCount++;
    Changed.notify_all();
}

void InputQueue::Read()
{
    static char buffer[65536];
    std::string line;
    bool cut = false; // the line has passed INPUT_LINE_MAX: the rest of it is dropped
    for (;;) {
        const ssize_t n = ::read(0, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        std::unique_lock<std::mutex> lock(Lock);
        if (n <= 0) {
            // The end of input: a last line without its newline still counts.
            if (!line.empty() || cut) Push(std::move(line), lock);
            InputEnd = true;
            EndTime = ClockMs();
            EventCount++;
            Changed.notify_all();
            return;
        }
        for (ssize_t i = 0; i < n; i++) {
            const char c = buffer[i];
            if (c == '\n') {
                Push(std::move(line), lock);
                line.clear();
                cut = false;
            } else if (static_cast<int>(line.size()) < INPUT_LINE_MAX - 1) {
                line.push_back(c);
            } else {
                cut = true;
            }
        }
    }
}

bool InputQueue::NextLine(std::string *line)
{
    if (!Held.empty()) {
        *line = std::move(Held.front());
        Held.pop_front();
        HeldBytes -= line->size() + 1;
        return true;
    }
    std::unique_lock<std::mutex> lock(Lock);
    Start();
    Changed.wait(lock, [&] { return !Arrived.empty() || InputEnd; });
    if (Arrived.empty()) return false;
    *line = std::move(Arrived.front());
    Arrived.pop_front();
    ArrivedBytes -= line->size() + 1;
    Consumed.notify_all();
    return true;
}

bool InputQueue::TakeArrived(std::string *line)
{
    std::lock_guard<std::mutex> lock(Lock);
    Start();
    if (Arrived.empty()) return false;
    *line = std::move(Arrived.front());
    Arrived.pop_front();
    ArrivedBytes -= line->size() + 1;
    Consumed.notify_all();
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
    for (const std::string &l : Held)
        if (HasWord(l)) return true;
    std::lock_guard<std::mutex> lock(Lock);
    Start();
    for (const std::string &l : Arrived)
        if (HasWord(l)) return true;
    return false;
}

bool InputQueue::Ended()
{
    std::lock_guard<std::mutex> lock(Lock);
    Start();
    return InputEnd;
}

i32 InputQueue::EndedAt()
{
    std::lock_guard<std::mutex> lock(Lock);
    return EndTime;
}

u64 InputQueue::Events()
{
    std::lock_guard<std::mutex> lock(Lock);
    Start();
    return EventCount;
}

void InputQueue::WaitEvent(u64 seen, i32 deadlineMs)
{
    std::unique_lock<std::mutex> lock(Lock);
    Start();
    auto changed = [&] { return EventCount != seen; };
    if (deadlineMs < 0) {
        Changed.wait(lock, changed);
        return;
    }
    const i32 left = deadlineMs - ClockMs();
    if (left > 0) Changed.wait_for(lock, std::chrono::milliseconds(left), changed);
}

void InputQueue::Wake()
{
    std::lock_guard<std::mutex> lock(Lock);
    EventCount++;
    Changed.notify_all();
}
