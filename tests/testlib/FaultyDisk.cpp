#include "FaultyDisk.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <unistd.h>
#include <vector>

namespace {

// The table's functions cannot capture: the fault in force lives here. Worker threads write at
// once, so the room left is taken atomically.
std::atomic<FaultyDisk::Fault> s_fault{FaultyDisk::Fault::FullAfter};
std::atomic<std::uint64_t> s_room{0};
std::atomic<int> s_failures{0};

const SystemCalls& Real()
{
    return SystemCalls::System;
}

bool Is(FaultyDisk::Fault fault)
{
    return s_fault.load() == fault;
}

int Fail(int error)
{
    ++s_failures;
    errno = error;
    return -1;
}

// Takes up to `size` bytes of the room left: how many may be written, 0 when the disk is full.
std::size_t Take(std::size_t size)
{
    std::uint64_t room = s_room.load();
    std::uint64_t taken = 0;
    do
        taken = std::min<std::uint64_t>(room, size);
    while (!s_room.compare_exchange_weak(room, room - taken));
    return static_cast<std::size_t>(taken);
}

// The write of `size` bytes at `data` through `write`, which writes the count it is given from
// the buffer it is given, with one byte flipped once the room is used up.
template <typename Write> ssize_t Flipped(const void* data, std::size_t size, Write write)
{
    const std::size_t before = Take(size);
    if (before == size || s_failures.exchange(1) != 0)
        return write(data, size);
    std::vector<std::uint8_t> copy(static_cast<const std::uint8_t*>(data),
                                   static_cast<const std::uint8_t*>(data) + size);
    copy[before] ^= 0x20;
    return write(copy.data(), size);
}

// A write of `size` bytes at `data` through `write`: short once the disk fills, ENOSPC once it
// is full; or with a byte flipped.
template <typename Write> ssize_t Written(const void* data, std::size_t size, Write write)
{
    if (Is(FaultyDisk::Fault::FlipsAByte) && size > 0)
        return Flipped(data, size, write);
    if (!Is(FaultyDisk::Fault::FullAfter) || size == 0)
        return write(data, size);
    const std::size_t allowed = Take(size);
    if (allowed == 0)
        return Fail(ENOSPC);
    const ssize_t n = write(data, allowed);
    if (n < static_cast<ssize_t>(allowed))
        s_room += allowed - static_cast<std::size_t>(std::max<ssize_t>(n, 0));
    return n;
}

// A read of up to `size` bytes into `data` through `read`: failing once `bytes` were read in
// all, or with one byte flipped there (in the first read of a record past that point).
template <typename Read> ssize_t ReadThrough(void* data, std::size_t size, Read read)
{
    const bool fails = Is(FaultyDisk::Fault::ReadFails);
    if (!fails && !Is(FaultyDisk::Fault::ReadsAFlip))
        return read(data, size);
    const std::size_t before = Take(size);
    if (fails)
        return before == 0 && size > 0 ? Fail(EIO) : read(data, before);
    const ssize_t n = read(data, size);
    // A read of one byte only looks ahead for the end: a flip there would change nothing.
    if (size > 1 && n > static_cast<ssize_t>(before) && s_failures.exchange(1) == 0)
        static_cast<std::uint8_t*>(data)[before] ^= 0x20;
    return n;
}

bool ReadOnly()
{
    return Is(FaultyDisk::Fault::ReadOnly);
}

const SystemCalls Faulty = {
    [](int folder, const char* path, int flags, mode_t mode) {
        if (ReadOnly() && (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) != 0)
            return Fail(EROFS);
        return Real().openat(folder, path, flags, mode);
    },
    [](int fd, void* data, size_t size) {
        return ReadThrough(data, size,
                           [&](void* into, std::size_t n) { return Real().read(fd, into, n); });
    },
    [](int fd, void* data, size_t size, off_t offset) {
        return ReadThrough(data, size, [&](void* into, std::size_t n) {
            return Real().pread(fd, into, n, offset);
        });
    },
    [](int fd, const void* data, size_t size) {
        return Written(data, size,
                       [&](const void* from, std::size_t n) { return Real().write(fd, from, n); });
    },
    [](int fd, const void* data, size_t size, off_t offset) {
        return Written(data, size, [&](const void* from, std::size_t n) {
            return Real().pwrite(fd, from, n, offset);
        });
    },
    [](int fd) { return Is(FaultyDisk::Fault::FlushFails) ? Fail(EIO) : Real().fsync(fd); },
    [](int fd, off_t length) { return ReadOnly() ? Fail(EROFS) : Real().ftruncate(fd, length); },
    [](int fromFolder, const char* from, int toFolder, const char* to) {
        return ReadOnly() ? Fail(EROFS) : Real().renameat(fromFolder, from, toFolder, to);
    },
    [](int fromFolder, const char* from, int toFolder, const char* to, unsigned flags) {
        return ReadOnly() ? Fail(EROFS) : Real().renameat2(fromFolder, from, toFolder, to, flags);
    },
    [](int fromFolder, const char* from, int toFolder, const char* to, int flags) {
        return ReadOnly() ? Fail(EROFS) : Real().linkat(fromFolder, from, toFolder, to, flags);
    },
    [](int folder, const char* path, int mode, int flags) {
        if (ReadOnly() && (mode & W_OK) != 0)
            return Fail(EROFS);
        return Real().faccessat(folder, path, mode, flags);
    },
    [](int folder, const char* path, int flags) {
        return ReadOnly() ? Fail(EROFS) : Real().unlinkat(folder, path, flags);
    },
    [](int fd) { return Is(FaultyDisk::Fault::FlushFails) ? Fail(EIO) : Real().fdatasync(fd); },
    [](int fd) { return Is(FaultyDisk::Fault::FlushFails) ? Fail(EIO) : Real().syncfs(fd); },
    [](int folder, const char* path, mode_t mode) {
        return ReadOnly() ? Fail(EROFS) : Real().mkdirat(folder, path, mode);
    },
};

} // namespace

FaultyDisk::FaultyDisk(Fault fault, std::uint64_t bytes)
{
    s_fault = fault;
    s_room = bytes;
    s_failures = 0;
}

const SystemCalls& FaultyDisk::calls() const
{
    return Faulty;
}

int FaultyDisk::failures() const
{
    return s_failures.load();
}
