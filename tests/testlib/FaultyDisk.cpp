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

// Sets the fault up before its table goes in place.
const SystemCalls& Install(FaultyDisk::Fault fault, std::uint64_t bytes)
{
    s_fault = fault;
    s_room = bytes;
    s_failures = 0;
    return Faulty;
}

} // namespace

FaultyDisk::FaultyDisk(Fault fault, std::uint64_t bytes) : m_calls(Install(fault, bytes)) {}

int FaultyDisk::failures() const
{
    return s_failures.load();
}
