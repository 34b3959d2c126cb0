#include "core/platform.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;
const Clock::time_point PROGRAM_START = Clock::now();

} // namespace

i32 ClockMs()
{
    return static_cast<i32>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - PROGRAM_START)
            .count());
}

const char *MappedFile::Open(const char *path)
{
    Close();
    const int fd = ::open(path, O_RDONLY);
    if (fd < 0) return "cannot be opened";
    struct stat st {};
    const char *why = nullptr;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        why = "is not a file";
    } else if (st.st_size == 0) {
        why = "is empty";
    } else {
        void *p = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (p == MAP_FAILED) {
            why = "cannot be read";
        } else {
            data = static_cast<const u8 *>(p);
            size = static_cast<u64>(st.st_size);
        }
    }
    ::close(fd);
    return why;
}

void MappedFile::Close()
{
    if (data) ::munmap(const_cast<u8 *>(data), static_cast<size_t>(size));
    data = nullptr;
    size = 0;
}
