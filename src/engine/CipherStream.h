#pragma once

#include "ChunkCipher.h"
#include "EngineKeys.h"
#include "EngineResult.h"
#include "FileVerdict.h"
#include "ParityFile.h"
#include "PosixIo.h"
#include "StreamFormat.h"
#include "StreamRepairs.h"
#include "WrittenDigest.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class ChunkPass;

// Seals or opens one whole stream per call, from a readable descriptor to a writable one, and
// verifies one without writing. The call order is fixed: allocate_buffers once, then for every
// stream operation_initialization followed by encrypt_fd or decrypt_fd, and deallocate_buffers at
// the end. Every stream operation gives an EngineResult. It knows no names, folders or
// temporary files: those are FileCipher's (storage).
class CipherStream
{
public:
    CipherStream();
    ~CipherStream();
    CipherStream(const CipherStream&) = delete;
    CipherStream& operator=(const CipherStream&) = delete;

    // Runs the self-test and allocates the chunk buffers; 0 on failure.
    [[nodiscard]] int allocate_buffers();
    // Wipes every key and releases the buffers.
    void deallocate_buffers();

    // `key` is the key text (64 characters in a batch); `encrypt` 1 or 0; `length` and
    // `reserved` are accepted for the caller's convenience and not needed here.
    void operation_initialization(std::string_view key, int encrypt, std::int64_t length,
                                  int reserved);
    // `input` is read from its current position, `output` written from its current position.
    // Nothing is renamed or removed: keeping or discarding the output is the caller's business.
    // bytes_written() tells how much of a failed decryption's output is authenticated plaintext.
    [[nodiscard]] EngineResult encrypt_fd(int input, int output);
    [[nodiscard]] EngineResult decrypt_fd(int input, int output);
    std::uint64_t bytes_written() const { return m_bytesWritten; }
    // What the parity of the last file decrypted or verified mended, when it was repairable.
    StreamRepairs::Summary repairs() const { return m_repairs.summary(); }

    // decrypt_fd that also takes a digest of every record of plaintext as it is written, and
    // then written_intact(): reads back what the last recorded call wrote into `output`, from
    // where it began to the end of the file, and tells whether the file holds exactly that.
    // bytes_done() counts the bytes read back.
    [[nodiscard]] EngineResult decrypt_fd_recorded(int input, int output);
    [[nodiscard]] bool written_intact(int output);

    // A decrypting pass that writes nothing over the open file, read from its start: Success
    // when the whole file authenticates under the key of the last operation_initialization.
    [[nodiscard]] EngineResult verify_fd(int fd);

    using Verdict = FileVerdict;
    // Verifies the regular file `fd` from its start, as verify_fd does, and says what it found.
    [[nodiscard]] Verdict verify_verdict(int fd);

    // Nonzero when the bytes are text: printable ASCII, tab, CR and LF, with NULs allowed only
    // as padding at the end.
    [[nodiscard]] static int key_is_text(const std::uint8_t* key, int length);

    // Input bytes handled in the current call, for a progress display on another thread.
    std::uint64_t bytes_done() const { return m_bytesDone.load(); }

    // Derives the master key for `key` on a thread of its own while the caller does other work
    // (the user reads the confirmation, the sizes are added up): for an encryption under the
    // salt the next encryption with this key will use, for a decryption under the salt in the
    // header of `firstInput`, read from its start. Every other call waits for the derivation to
    // end; a wrong guess costs nothing but the time.
    void prepare_key(std::string_view key, PosixFile::Fd firstInput, bool encrypt);
    // Waits for a preparation and wipes every derived key: the operation was declined or
    // stopped.
    void forget_keys();

    // True while a derivation started by prepare_key still runs.
    bool preparing_key() const { return m_keys.preparing(); }

    // Settings for tests and benchmarks; every file records its own.
    void set_kdf_params(const StreamFormat::KdfParams& params) { m_kdf = params; }
    void set_chunk_log(int chunkLog) { m_chunkLog = chunkLog; }
    // Whether encryptions write the repairable form: the same sealed chunks, followed by
    // Reed-Solomon parity that mends lost sectors and garbled bytes before authentication.
    // Decryption recognises either form by itself.
    void set_repairable(bool repairable) { m_repairable = repairable; }
    bool repairable() const { return m_repairable; }
    // How many threads seal or open chunks at once beside a reader and a writer, at most 8; 0
    // sets the default, one per processor but one. A pass over regular files, which has no
    // reader and writer threads, runs one more.
    void set_workers(unsigned workers);
    // The calls every pass reads and writes through: the process's default table unless one was
    // handed over here (a test's faulty disk, for this stream alone). It must outlive the stream.
    void set_system_calls(const SystemCalls& calls) { m_calls = &calls; }
    const SystemCalls& system_calls() const { return m_calls ? *m_calls : SystemCalls::current(); }
    [[nodiscard]] int key_derivations();

protected:
    // The result of a write that failed with `error`.
    [[nodiscard]] static EngineResult writeFailure(int error, bool anythingWritten);
    [[nodiscard]] EngineResult ready() const;
    // An encryption and a decryption that record what they write from the output's start, for
    // readsBackAsWritten(). The decryption asks `openOutput` for its output once the first
    // chunk has authenticated (-1 when it cannot be made); the output can be written at
    // offsets.
    [[nodiscard]] EngineResult encryptRecorded(int input, int output);
    [[nodiscard]] EngineResult decryptRecorded(int input, const std::function<int()>& openOutput);
    // written_intact() for the output of the call just made, leaving bytes_done() as that call
    // left it.
    [[nodiscard]] bool readsBackAsWritten(int output);

private:
    [[nodiscard]] EngineResult encrypt(int input, int output);
    // Writes the parity of the stream just written at `streamAt` in `output`.
    [[nodiscard]] EngineResult writeParity(int output, long long streamAt);
    [[nodiscard]] StreamFormat::HeaderCheck readHeader(std::uint8_t* headerBytes, long long got,
                                                       StreamFormat::Header& header,
                                                       bool repairNow);
    [[nodiscard]] EngineResult openChunks(int input, const std::function<int()>& openOutput,
                                          bool positionalOutput, std::size_t recordSize);
    void unlock(StreamFormat::Header& header, const std::uint8_t* headerBytes, bool& keyed,
                bool& matched);
    // Runs `pass`, an encryption or decryption that writes from `base` on, while taking
    // digests of what it writes, for written_intact().
    [[nodiscard]] EngineResult recorded(long long base, const std::function<EngineResult()>& pass);
    // `openOutput` gives the output once the first chunk has authenticated (-1 when it cannot
    // be made); without it the pass only authenticates. `positionalOutput`: that output can be
    // written at offsets.
    [[nodiscard]] EngineResult decrypt(int input, const std::function<int()>& openOutput,
                                       bool positionalOutput);
    std::unique_ptr<ChunkPass> makePass(int input, std::size_t recordSize, bool positionalOutput);
    [[nodiscard]] bool ensureSlots(std::size_t slotSize);
    std::size_t slotCount() const { return 2 * std::size_t{m_workers} + 4; }
    std::vector<std::uint8_t*> slotPointers();

    bool m_allocated = false;
    bool m_initialised = false;
    EngineKeys m_keys;
    StreamFormat::KdfParams m_kdf;
    int m_chunkLog = StreamFormat::DefaultChunkLog;
    bool m_repairable = false;
    ChunkCipher m_cipher;
    unsigned m_workers = 1;
    const SystemCalls* m_calls = nullptr;
    // Ciphers of the workers after the first, which uses m_cipher.
    std::vector<std::unique_ptr<ChunkCipher>> m_helperCiphers;
    std::vector<std::vector<std::uint8_t>> m_slots;
    std::atomic<std::uint64_t> m_bytesDone{0};
    std::uint64_t m_bytesWritten = 0;
    // The digest of what a recorded pass writes, and where that output lies.
    WrittenDigest m_written;
    bool m_recording = false;
    struct Recorded
    {
        long long base = -1; // -1: nothing whole to read back
        std::uint64_t length = 0;
        // An encryption's header, written before the records at headerAt (-1: none).
        long long headerAt = -1;
        std::array<std::uint8_t, StreamFormat::HeaderSize> header{};
    };
    Recorded m_recorded;
    // The parity of the last repairable encryption, to read back, and the repairs of the last
    // decryption.
    std::unique_ptr<ParityFile> m_parityWritten;
    StreamRepairs m_repairs;
    // Where the last decryption stopped on a fault, for verify_verdict.
    DecryptionStop m_stop;
};
