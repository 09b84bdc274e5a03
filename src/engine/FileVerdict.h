#pragma once

#include <cstddef>
#include <cstdint>

class ChunkCipher;

// What a verification of a whole file found, for a report that tells the user what is wrong.
// `offset` is the byte of the file where the fault lies.
struct FileVerdict
{
    enum class Kind {
        Intact,
        NotEncrypted,  // no header of ours
        RetiredFormat, // the layout of test builds
        WrongKey,      // the key commitment does not match
        Damaged,       // a chunk fails to authenticate
        Truncated,     // the file ends after a chunk that was not the last
        DamagedAtEnd,  // the file's final, partial record fails: damaged, cut or extended
        DataAfterEnd,  // the last chunk is followed by more data
        ReadFailed,
        NoMemory,         // the key could not be derived
        RepairableDamage, // intact once its parity mended it (a repairable file)
        BeyondRepair,     // a repairable file whose parity could not mend a group of it
    };
    Kind kind = Kind::Intact;
    std::uint64_t offset = 0;
};

// Where a decryption stopped on a fault: in the header, at the key's commitment, or at the
// record `counter` of `recordSize` bytes, of which `length` were read (`last`: the file ended
// there).
struct DecryptionStop
{
    enum class Where { None, Header, Key, Chunk } where = Where::None;
    std::uint64_t counter = 0;
    long long length = 0;
    bool last = false;
    std::size_t recordSize = 0;
};

// The verdict on the chunk of the file `fd` where a decryption stopped, `cipher` keyed for the
// file; `buffer` takes a whole record.
FileVerdict chunkVerdict(int fd, const DecryptionStop& stop, ChunkCipher& cipher,
                         std::uint8_t* buffer);
