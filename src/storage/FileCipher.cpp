#include "FileCipher.h"

#include "OutputFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <utility>

EngineResult FileCipher::openInput(const std::string& path, PosixFile::Fd& fd)
{
    fd = PosixFile::Fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!fd.valid())
        return errno == ENOENT || errno == ENOTDIR ? EngineResult::InputNotFound
                                                   : EngineResult::InputNotOpened;
    struct stat info;
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return EngineResult::InputNotOpened;
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    return EngineResult::Success;
}

void FileCipher::prepare_key(std::string_view key, const std::string& firstInput, bool encrypt)
{
    // An encryption's salt comes from the key alone; a decryption reads it from the file.
    PosixFile::Fd input;
    if (!encrypt && !firstInput.empty())
        input = PosixFile::Fd(::open(firstInput.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    prepare_key(key, std::move(input), encrypt);
}

void FileCipher::reserve_outputs(int folderFd, std::size_t count, const std::function<bool()>& goOn)
{
    m_reserve.fill(folderFd, count, goOn, system_calls());
}

EngineResult FileCipher::encrypt_file(const std::string& inputPath, const std::string& outputPath)
{
    if (const EngineResult rc = ready(); rc != EngineResult::Success)
        return rc;
    PosixFile::Fd input;
    if (const EngineResult rc = openInput(inputPath, input); rc != EngineResult::Success)
        return rc;
    return encrypt_to(input.get(), outputPath);
}

EngineResult FileCipher::decrypt_file(const std::string& inputPath, const std::string& outputPath)
{
    if (const EngineResult rc = ready(); rc != EngineResult::Success)
        return rc;
    PosixFile::Fd input;
    if (const EngineResult rc = openInput(inputPath, input); rc != EngineResult::Success)
        return rc;
    return decrypt_to(input.get(), outputPath);
}

EngineResult FileCipher::encrypt_to(int input, const std::string& outputPath, int outputFolder)
{
    m_partialOutput.clear();
    if (const EngineResult rc = ready(); rc != EngineResult::Success)
        return rc;
    auto output = std::make_unique<OutputFile>(system_calls());
    if (!output->create(outputPath, outputFolder, &m_reserve))
        return EngineResult::OutputNotOpened;
    const EngineResult code = encryptRecorded(input, output->fd());
    // A ciphertext that did not reach its end is worth nothing: it goes with `output`.
    return code == EngineResult::Success ? completeOutput(std::move(output)) : code;
}

EngineResult FileCipher::decrypt_to(int input, const std::string& outputPath, int outputFolder)
{
    m_partialOutput.clear();
    if (const EngineResult rc = ready(); rc != EngineResult::Success)
        return rc;
    // The output is made only once the first chunk has authenticated: a wrong key leaves
    // nothing behind.
    auto output = std::make_unique<OutputFile>(system_calls());
    const EngineResult code = decryptRecorded(input, [&] {
        return output->create(outputPath, outputFolder, &m_reserve) ? output->fd() : -1;
    });
    if (code == EngineResult::Success)
        return completeOutput(std::move(output));
    // What was written is authenticated plaintext: keep it, under a name that says it is not
    // the whole file.
    if (bytes_written() > 0)
        m_partialOutput = output->keepPartial();
    return code;
}

EngineResult FileCipher::completeOutput(std::unique_ptr<OutputFile> output)
{
    // What the disk was given is read back before it takes a name: a write that went astray
    // without an error shows here, and the output goes.
    if (!readsBackAsWritten(output->fd()))
        return EngineResult::OutputNotVerified;
    struct stat info;
    m_outputSize = ::fstat(output->fd(), &info) == 0 ? info.st_size : 0;
    if (m_holding) {
        m_held.add(std::move(output));
        return EngineResult::Success;
    }
    if (const int error = output->commit())
        return writeFailure(error, false);
    return EngineResult::Success;
}

std::vector<EngineResult> FileCipher::commit_outputs()
{
    std::vector<EngineResult> results;
    for (const int error : m_held.commit())
        results.push_back(error == 0 ? EngineResult::Success : writeFailure(error, false));
    return results;
}

EngineResult FileCipher::verify_file(const std::string& inputPath)
{
    m_partialOutput.clear();
    if (const EngineResult rc = ready(); rc != EngineResult::Success)
        return rc;
    PosixFile::Fd input;
    if (const EngineResult rc = openInput(inputPath, input); rc != EngineResult::Success)
        return rc;
    return verify_fd(input.get());
}
