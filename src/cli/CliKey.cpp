#include "CliKey.h"

#include "StopSignals.h"
#include "keys/Windows1252.h"
#include "keys/ZR7KeyFrom.h"
#include "storage/PosixFile.h"

#include <QScopeGuard>

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Far above any key line (64 characters of at most 3 bytes each), yet a bound: standard input
// may be a device that never ends a line.
constexpr int MaxKeyLineBytes = 4096;

// One line from `fd`, without its line end ("\n" or "\r\n"), read a byte at a time so that
// nothing after it is taken. False for a line over the bound, which is not read to its end.
bool ReadKeyLine(int fd, QString& line)
{
    SecretBytes bytes(MaxKeyLineBytes + 1);
    qsizetype size = 0;
    std::uint8_t byte = 0;
    while (size < bytes.size() && PosixFile::readFull(fd, &byte, 1) == 1 && byte != '\n')
        bytes[size++] = static_cast<char>(byte);
    byte = 0;
    const bool whole = size <= MaxKeyLineBytes;
    if (size > 0 && bytes[size - 1] == '\r')
        --size;
    line = whole ? QString::fromLocal8Bit(bytes.constData(), size) : QString();
    return whole;
}

// One line from the terminal `fd` with echo switched off, after `prompt` on `promptFd`; false
// for a line longer than any key.
bool AskHidden(const char* prompt, int fd, int promptFd, QString& line)
{
    const auto say = [promptFd](const char* text) {
        (void)PosixFile::writeFull(promptFd, reinterpret_cast<const std::uint8_t*>(text),
                                   std::strlen(text));
    };
    bool read = false;
    {
        // Echo off before the prompt shows: nothing typed after it is ever shown or flushed.
        const StopSignals::TerminalQuestion question(fd, true);
        say(prompt);
        read = ReadKeyLine(fd, line);
    }
    say("\n");
    return read;
}

QString TooLong()
{
    return QStringLiteral("Error: A typed key has at most 64 characters.");
}

} // namespace

bool CliKey::ParseOptions(QStringList& args, QString& error)
{
    for (qsizetype i = 0; i < args.size();) {
        if (args[i] == QLatin1String("--key-file")) {
            if (i + 1 >= args.size()) {
                error = QStringLiteral("Error: --key-file needs a file name.");
                return false;
            }
            m_keyFile = args[i + 1];
            args.remove(i, 2);
        } else if (args[i] == QLatin1String("--key-stdin")) {
            m_stdin = true;
            args.remove(i);
        } else {
            ++i;
        }
    }
    if (m_stdin && m_dataOnStdin) {
        error = QStringLiteral("Error: Standard input is the data: give the key with "
                               "--key-file FILE.");
        return false;
    }
    if (m_stdin && !m_keyFile.isEmpty()) {
        error = QStringLiteral("Error: give either --key-file or --key-stdin, not both.");
        return false;
    }
    return true;
}

bool CliKey::ReadTyped(const QString& typed, SecretBytes& key, QString& error, SecretBytes* raw)
{
    if (!Windows1252::CanEncode(typed)) {
        error = QStringLiteral("Error: The key contains characters that a key cannot hold.");
        return false;
    }
    if (typed.size() > ZR7KeyFrom::MaxKeyLength) {
        error = TooLong();
        return false;
    }
    key = ZR7KeyFrom::NormalizedKey(typed);
    if (raw) {
        QByteArray bytes = Windows1252::FromUnicode(typed);
        *raw = bytes;
        bytes.fill('\0'); // its own buffer, made by FromUnicode
    }
    if (key.size() < ZR7KeyFrom::MinKeyLength) {
        error = QStringLiteral("Error: The key must have at least 16 characters, spaces not "
                               "counted.");
        return false;
    }
    return true;
}

bool CliKey::Read(SecretBytes& key, QString& error, bool askTwice, SecretBytes* raw)
{
    if (!m_keyFile.isEmpty()) {
        SecretBytes bytes;
        QString why;
        switch (ZR7KeyFrom::ReadKeyfile(m_keyFile, bytes, why)) {
        case ZR7KeyFrom::KeyfileStatus::Error:
            error = QStringLiteral("Keyfile error: ") + why;
            return false;
        case ZR7KeyFrom::KeyfileStatus::Unsuitable:
            error = QStringLiteral("Unsuitable keyfile: ") + m_keyFile +
                    QStringLiteral(" is not a suitable keyfile.");
            return false;
        case ZR7KeyFrom::KeyfileStatus::Ok:
            break;
        }
        key = ZR7KeyFrom::NormalizedKey(bytes.view());
        if (raw)
            *raw = std::move(bytes);
        return true;
    }
    QString typed;
    if (m_stdin) {
        const bool whole = ReadKeyLine(STDIN_FILENO, typed);
        const bool ok = whole && ReadTyped(typed, key, error, raw);
        typed.fill(QChar(0));
        if (!whole)
            error = TooLong();
        return ok;
    }
    // Asked on the controlling terminal when there is one, as a prompt that shows even with
    // standard error redirected; else on standard input, when that is a terminal and not the
    // data.
    int terminal = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    const int promptFd = terminal >= 0 ? terminal : STDERR_FILENO;
    if (terminal < 0 && !m_dataOnStdin && ::isatty(STDIN_FILENO))
        terminal = STDIN_FILENO;
    if (terminal < 0) {
        error = m_dataOnStdin
                    ? QStringLiteral("Error: Standard input is the data: give the key with "
                                     "--key-file FILE.")
                    : QStringLiteral("Error: No key given: use --key-file FILE or --key-stdin.");
        return false;
    }
    const auto closeTerminal = qScopeGuard([&] {
        if (terminal != STDIN_FILENO)
            ::close(terminal);
    });
    QString again;
    const auto wipe = qScopeGuard([&] {
        typed.fill(QChar(0));
        again.fill(QChar(0));
    });
    if (!AskHidden("Key (16-64 characters, spaces ignored, case not significant): ", terminal,
                   promptFd, typed) ||
        (askTwice && !AskHidden("Enter the key again: ", terminal, promptFd, again))) {
        error = TooLong();
        return false;
    }
    if (askTwice && again != typed) {
        error = QStringLiteral("Error: The key entries do not match!");
        return false;
    }
    return ReadTyped(typed, key, error, raw);
}
