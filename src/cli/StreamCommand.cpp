#include "StreamCommand.h"

#include "CliKey.h"
#include "EngineWithKey.h"
#include "ExitStatus.h"
#include "Messages.h"
#include "core/FileResultText.h"
#include "storage/FileCipher.h"
#include "storage/PosixFile.h"
#include "support/ProcessHardening.h"
#include "support/SizeText.h"

#include <QFile>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What went wrong with the stream, and how much of a decryption's output can be trusted.
QString StreamFailure(EngineResult result, bool encrypt, const FileCipher& engine)
{
    const QString written = StrProc::NumberLocale().toString(qulonglong(engine.bytes_written()));
    if (result == EngineResult::InvalidBlock)
        return QStringLiteral("The input is not an encrypted stream, or not one of this key; "
                              "nothing was written.");
    if (result == EngineResult::InvalidBlockPartial)
        return QStringLiteral("The stream is damaged, cut short or extended: the ") + written +
               QStringLiteral(" bytes written before it stopped are authenticated, and nothing "
                              "after them was released.");
    QString text =
        FileResultText::FailureText(FromEngine(result), encrypt, QStringLiteral("-"), QString())
            .simplified();
    if (!encrypt && engine.bytes_written() > 0)
        text += QStringLiteral(" The ") + written +
                QStringLiteral(" bytes written before it stopped are authenticated.");
    return text;
}

// A shell makes it easy to send the output onto a file the command reads (`< f >> f`), which
// the first chunk written would destroy: such an output is refused before anything is written.
// Only a regular file can be both; a terminal, a socket or /dev/null on both sides is no harm.
QString OutputConflict(const QString& keyFile)
{
    struct stat output = {};
    if (::fstat(STDOUT_FILENO, &output) != 0 || !S_ISREG(output.st_mode))
        return {};
    const auto same = [&](const struct stat& other) {
        return PosixFile::sameIdentity(other, output);
    };
    struct stat other = {};
    if (::fstat(STDIN_FILENO, &other) == 0 && same(other))
        return QStringLiteral("Standard output is the file on standard input: the output would "
                              "destroy its own input.");
    if (!keyFile.isEmpty() && ::stat(QFile::encodeName(keyFile).constData(), &other) == 0 &&
        same(other))
        return QStringLiteral("Standard output is the keyfile: the key would be lost.");
    return {};
}

// A standard descriptor the command was started without is /dev/null by now: reading it would
// encrypt nothing and writing it would throw the output away, both with a result of success.
QString ClosedStream(bool encrypt)
{
    if (ProcessHardening::ClosedAtStart(STDIN_FILENO))
        return encrypt ? QStringLiteral("Standard input is closed: there is no data to encrypt.")
                       : QStringLiteral("Standard input is closed: there is no data to decrypt.");
    if (ProcessHardening::ClosedAtStart(STDOUT_FILENO))
        return QStringLiteral("Standard output is closed: the output would be lost.");
    return {};
}

} // namespace

int RunStream(bool encrypt, CliKey& keyOptions, const QStringList& args)
{
    if (args != QStringList{QStringLiteral("-")}) {
        Messages::PrintError(QStringLiteral("with -, only the key options apply."));
        return ExitStatus::Refused;
    }
    if (const QString closed = ClosedStream(encrypt); !closed.isEmpty()) {
        Messages::PrintError(closed);
        return ExitStatus::Refused;
    }
    if (encrypt && ::isatty(STDOUT_FILENO)) {
        Messages::PrintError(
            QStringLiteral("Standard output is a terminal: redirect the encrypted data "
                           "to a file or a pipe."));
        return ExitStatus::Refused;
    }
    if (const QString conflict = OutputConflict(keyOptions.keyFile()); !conflict.isEmpty()) {
        Messages::PrintError(conflict);
        return ExitStatus::Refused;
    }
    FileCipher engine;
    if (const int refused = StartEngineWithKey(engine, keyOptions, encrypt))
        return refused;
    const EngineResult result = encrypt ? engine.encrypt_fd(STDIN_FILENO, STDOUT_FILENO)
                                        : engine.decrypt_fd(STDIN_FILENO, STDOUT_FILENO);
    const bool done = result == EngineResult::Success;
    const QString failure = done ? QString() : StreamFailure(result, encrypt, engine);
    engine.deallocate_buffers();
    if (done)
        return ExitStatus::Done;
    Messages::PrintError(failure);
    return ExitStatus::Failed;
}
