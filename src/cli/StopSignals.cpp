#include "StopSignals.h"

#include "Messages.h"
#include "storage/OwnTemporaries.h"

#include <QByteArray>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace StopSignals {
namespace {

constexpr int Signals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int InterruptedStatus = 130;

volatile std::sig_atomic_t s_batch = 0;     // a batch runs: the first signal stops it
volatile std::sig_atomic_t s_requested = 0; // the batch was asked to stop
// The terminal a question waits on (-1: none), and its settings to give back, if it changed them.
volatile std::sig_atomic_t s_questionFd = -1;
volatile std::sig_atomic_t s_restore = 0;
termios s_saved{};
// The message of the first signal during a batch, written by the handler as it is.
char s_stopping[160];
std::size_t s_stoppingLength = 0;

void Write(int fd, const char* text, std::size_t length)
{
    while (length > 0) {
        const ssize_t written = ::write(fd, text, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        text += written;
        length -= static_cast<std::size_t>(written);
    }
}

// Runs once no in-place original is being purged (OwnTemporaries::EndWhenSafe).
void End()
{
    OwnTemporaries::RemoveAll();
    ::_exit(InterruptedStatus);
}

extern "C" void OnStopSignal(int)
{
    const int savedErrno = errno;
    // At a question on the terminal nothing is under way yet that could finish first: Ctrl-C
    // there ends the program at once, also when a batch is about to start.
    if (s_batch && !s_requested && s_questionFd < 0) {
        s_requested = 1;
        Write(STDERR_FILENO, s_stopping, s_stoppingLength);
        errno = savedErrno;
        return;
    }
    // The line of the question, or of the "^C" the terminal echoed, ends here, and a terminal
    // that hid the key echoes again.
    if (const int fd = s_questionFd; fd >= 0) {
        if (s_restore)
            ::tcsetattr(fd, TCSANOW, &s_saved);
        Write(fd, "\n", 1);
    } else if (::isatty(STDERR_FILENO)) {
        Write(STDERR_FILENO, "\n", 1);
    }
    OwnTemporaries::EndWhenSafe(End);
    errno = savedErrno;
}

} // namespace

void Catch()
{
    // On a terminal the message first clears the progress line it interrupts.
    const char* clear = ::isatty(STDERR_FILENO) ? "\r\033[K" : "";
    const QByteArray message = QByteArray(clear) + Messages::ProgramName +
                               ": Stopping after the current file (Ctrl-C again to stop at once)\n";
    s_stoppingLength = std::min(std::size_t(message.size()), sizeof s_stopping);
    std::memcpy(s_stopping, message.constData(), s_stoppingLength);

    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    // Interrupted reads and writes go on: the batch stops at its own pace.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int number : Signals)
        sigaddset(&action.sa_mask, number);
    for (int number : Signals) {
        struct sigaction before = {};
        if (::sigaction(number, nullptr, &before) == 0 && before.sa_handler == SIG_IGN)
            continue;
        ::sigaction(number, &action, nullptr);
    }
}

void StopAfterCurrentFile()
{
    s_batch = 1;
}

bool Requested()
{
    return s_requested != 0;
}

TerminalQuestion::TerminalQuestion(int fd, bool hidden) : m_fd(fd)
{
    if (hidden && ::tcgetattr(fd, &m_saved) == 0) {
        // Known to the handler before the echo goes off.
        s_saved = m_saved;
        s_restore = 1;
        m_restore = true;
    }
    s_questionFd = fd;
    if (!m_restore)
        return;
    termios quiet = m_saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(fd, TCSAFLUSH, &quiet);
}

TerminalQuestion::~TerminalQuestion()
{
    if (m_restore)
        ::tcsetattr(m_fd, TCSAFLUSH, &m_saved);
    s_questionFd = -1;
    s_restore = 0;
}

} // namespace StopSignals
