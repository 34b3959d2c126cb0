#pragma once
// The platform layer: a millisecond wall clock and read-only file mappings.

#include "core/types.h"

// Milliseconds on a monotonic clock since the program started.
i32 ClockMs();

// A file mapped read-only into memory: the pages come in as they are read, so a large file
// costs nothing until it is looked at. Not copyable; the mapping ends with the object.
class MappedFile {
  public:
    MappedFile() = default;
    MappedFile(const MappedFile &) = delete;
    MappedFile &operator=(const MappedFile &) = delete;
    ~MappedFile() { Close(); }

    // Maps the file at path. Returns nullptr, or why it cannot be had ("cannot be opened",
    // "is empty", ...), the mapping then empty.
    const char *Open(const char *path);
    void Close();
    const u8 *Data() const { return data; }
    u64 Size() const { return size; }

  private:
    const u8 *data = nullptr;
    u64 size = 0;
};
