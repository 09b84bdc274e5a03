#pragma once

#include <termios.h>

// Ctrl-C, SIGTERM and SIGHUP. Until a batch starts, and during any question on the terminal,
// one of them ends the program at once with exit status 130: the terminal gets back the
// settings a question changed, and the program's own temporary files are removed first
// (OwnTemporaries). During a batch the first one asks the batch to stop after the current file
// and says so; a second one ends the program at once in the same way. A signal that the
// program was started with ignored (nohup) stays ignored.
namespace StopSignals {

// From the start of main().
void Catch();

// From now on the first stop signal only asks the running batch to stop after the current
// file: Requested() turns true.
void StopAfterCurrentFile();
bool Requested();

// While one lives, a question waits for its answer on the terminal `fd`, which reads without
// echo when `hidden`; a stop signal then ends the line and gives the terminal its settings back
// before the program ends.
class TerminalQuestion
{
public:
    TerminalQuestion(int fd, bool hidden);
    ~TerminalQuestion();
    TerminalQuestion(const TerminalQuestion&) = delete;
    TerminalQuestion& operator=(const TerminalQuestion&) = delete;

private:
    int m_fd;
    bool m_restore = false;
    termios m_saved{};
};

} // namespace StopSignals
