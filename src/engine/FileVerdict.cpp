#include "FileVerdict.h"

#include "ChunkCipher.h"
#include "StreamFormat.h"

#include <algorithm>
#include <unistd.h>

// A chunk that fails as read may still be intact: sealed as the last one, and read as one that
// is followed by more (data was added after the end), or sealed as one of many, and read as the
// last (the file was cut after it). Reading it again and opening it as the other kind tells.
FileVerdict chunkVerdict(int fd, const DecryptionStop& stop, ChunkCipher& cipher,
                         std::uint8_t* buffer)
{
    using Kind = FileVerdict::Kind;
    const std::uint64_t offset = StreamFormat::HeaderSize + stop.counter * stop.recordSize;
    const auto length = static_cast<std::size_t>(std::max(0LL, stop.length));
    if (length > StreamFormat::TagSize &&
        ::pread(fd, buffer, length, static_cast<off_t>(offset)) == static_cast<ssize_t>(length) &&
        cipher.open(stop.counter, !stop.last, buffer, length))
        return stop.last ? FileVerdict{Kind::Truncated, offset + length}
                         : FileVerdict{Kind::DataAfterEnd, offset + length};
    // The file's final record, shorter than a whole one, may be the last chunk damaged, any
    // chunk cut short, or the last chunk with bytes added: the bytes cannot tell which.
    if (stop.last && length < stop.recordSize)
        return {Kind::DamagedAtEnd, offset};
    return {Kind::Damaged, offset};
}
