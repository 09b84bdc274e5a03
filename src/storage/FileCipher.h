#pragma once

#include "OutputGroup.h"
#include "TemporaryReserve.h"
#include "engine/CipherStream.h"
#include "engine/EngineResult.h"

#include <fcntl.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class OutputFile;

// The cipher stream over named files: encrypts or decrypts one whole file per call into a new
// output that takes its name only when it is complete, read back and flushed. The input file is
// never changed; the authenticated part of a decryption that failed midway is kept under a name
// that says so.
class FileCipher : public CipherStream
{
public:
    using CipherStream::prepare_key;

    [[nodiscard]] EngineResult encrypt_file(const std::string& inputPath,
                                            const std::string& outputPath);
    [[nodiscard]] EngineResult decrypt_file(const std::string& inputPath,
                                            const std::string& outputPath);

    // The same from an input the caller has opened, read from its current position. With
    // `outputFolder` the output is `outputPath` within the folder open there (see OutputFile).
    // Before the output takes its name it is read back and compared with what was written
    // (OutputNotVerified when it differs), then flushed: at once, or with the group that
    // hold_outputs() starts.
    [[nodiscard]] EngineResult encrypt_to(int input, const std::string& outputPath,
                                          int outputFolder = AT_FDCWD);
    [[nodiscard]] EngineResult decrypt_to(int input, const std::string& outputPath,
                                          int outputFolder = AT_FDCWD);

    // With `hold`, the new outputs that encrypt_to and decrypt_to complete from now on wait,
    // read back and under their temporary names, for commit_outputs() (group commit); without
    // it, each takes its name at once, as by default.
    void hold_outputs(bool hold) { m_holding = hold; }
    // The size of the output that the last successful encrypt_to or decrypt_to completed,
    // named or still waiting.
    long long output_size() const { return m_outputSize; }
    // How many outputs wait; true once they should be committed (OutputGroup::due).
    std::size_t held_outputs() const { return m_held.size(); }
    bool outputs_due() const { return m_held.due(); }
    // Flushes the waiting outputs and gives them their names: for each, in the order they
    // came, Success or the result of what failed (the output is then not under its name).
    [[nodiscard]] std::vector<EngineResult> commit_outputs();

    // verify_fd on the file at `inputPath`.
    [[nodiscard]] EngineResult verify_file(const std::string& inputPath);

    // Where the authenticated part of a failed decryption was kept ("" when nothing was).
    const std::string& partial_output() const { return m_partialOutput; }

    // prepare_key with the batch's first file, which a decryption reads its salt from ("": none).
    void prepare_key(std::string_view key, const std::string& firstInput, bool encrypt);

    // While `goOn()` holds (a derivation started by prepare_key runs), makes up to `count`
    // temporary files in the folder open at `folderFd` for the new outputs that encrypt_to and
    // decrypt_to write there next (see TemporaryReserve), instead of waiting for the key.
    // release_outputs removes the files not taken.
    void reserve_outputs(int folderFd, std::size_t count, const std::function<bool()>& goOn);
    void release_outputs() { m_reserve.clear(); }

private:
    // Opens a regular file for reading: Success, InputNotFound or InputNotOpened.
    [[nodiscard]] static EngineResult openInput(const std::string& path, PosixFile::Fd& fd);
    // A complete new output: read back, then named at once or held. Success or what failed.
    [[nodiscard]] EngineResult completeOutput(std::unique_ptr<OutputFile> output);

    TemporaryReserve m_reserve;
    OutputGroup m_held;
    bool m_holding = false;
    long long m_outputSize = 0;
    std::string m_partialOutput;
};
